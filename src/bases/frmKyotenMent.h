#pragma once

#include <QDialog>

class QLabel;
class QRadioButton;

namespace Ui
{
class frmKyotenMent;
}

// The base maintenance window: shows the current base record state().gtKyoten, and
// registers it (add mode, when the base has no row yet), updates it, or deletes it with
// all of its rows and files (edit mode). The mode is fixed when the window opens.
class frmKyotenMent : public QDialog
{
    Q_OBJECT
public:
    explicit frmKyotenMent(QWidget* parent = nullptr);
    ~frmKyotenMent() override;

    bool addMode() const { return addMode_; }

    void btnRegist_Click();
    void btnDel_Click();
    void btnCopy_Click();
    void btnCancel_Click();

private:
    QRadioButton* optUmFlg(int index) const;
    QLabel* imgStatus(int index) const;
    void showStatus(int option);
    int selectedOption() const;
    bool registerNewKyoten();

    Ui::frmKyotenMent* ui;
    bool addMode_ = false;
};

// iUsedFlg of an option of optUmFlg (0, 1, 2, 3, 9) and the option of an iUsedFlg (-1 for
// values that have none).
short usedFlgOfOption(int option);
int optionOfUsedFlg(int usedFlg);
