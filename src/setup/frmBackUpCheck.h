#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

namespace Ui {
class frmBackUpCheck;
}

// "システムからのお知らせ": the last backup is more than a month old; back up now?
// btnLast sets giDialogResult to 0, btnCancel to -1; the close box leaves it unchanged.
class frmBackUpCheck : public QDialog
{
    Q_OBJECT
public:
    explicit frmBackUpCheck(QWidget* parent = nullptr);
    ~frmBackUpCheck() override;
    // The last backup date in the Japanese era form ggge年mm月dd日.
    void setLastDate(const QDate& date);

private:
    Ui::frmBackUpCheck* ui;
};

// ggge年mm月dd日: era name, era year as a number, two-digit month and day
// (2024/01/31 gives 令和6年01月31日).
QString eraDate(const QDate& date);
