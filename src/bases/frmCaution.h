#pragma once

#include <QDialog>

namespace Ui
{
class frmCaution;
}

// The warning shown before a base and all of its data are deleted. It reports the user's
// choice in state().giCautionResult: 1 when confirmed, 0 otherwise.
class frmCaution : public QDialog
{
    Q_OBJECT
public:
    explicit frmCaution(QWidget* parent = nullptr);
    ~frmCaution() override;

private:
    void confirm();
    void cancel();

    Ui::frmCaution* ui;
};
