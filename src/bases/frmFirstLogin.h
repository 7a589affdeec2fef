#pragma once

#include <QDialog>
#include <vector>

class QComboBox;

namespace Ui
{
class frmFirstLogin;
}

// The base creation window: prefecture, name and the business day's time grid. It makes
// the base's row, settings file, data folder and schedule settings. In the first-time
// setup (state().giSetupMode not negative) it is a page of the setup wizard and tells the
// wizard's loop which page comes next; when adding a base it reports the outcome in
// state().giDialogResult (1 = created).
class frmFirstLogin : public QDialog
{
    Q_OBJECT
public:
    enum class Next { None, IntroPage, OperatingRulesPage };

    explicit frmFirstLogin(QWidget* parent = nullptr);
    ~frmFirstLogin() override;

    bool firstTimeSetup() const { return firstTime_; }
    Next nextPage() const { return next_; }

    void btnAdd_Click();
    void btnCancel_Click();
    // Rebuilds the four time lists from the interval of cmbMin.
    void vSetTimeList();

private:
    bool createKyoten(const QString& prefecture, const QString& name);

    Ui::frmFirstLogin* ui;
    bool firstTime_ = false;
    Next next_ = Next::None;
};

// The time values (hours x 100 + minutes) of a list covering the hours fromHour to toHour
// in steps of the interval; the last hour gives only its full hour.
std::vector<short> timeListValues(int fromHour, int toHour, int interval);
