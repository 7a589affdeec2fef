#include "bases/frmCaution.h"
#include "ui_frmCaution.h"

#include "state/state.h"

#include <QStyle>

frmCaution::frmCaution(QWidget* parent) : QDialog(parent), ui(new Ui::frmCaution)
{
    ui->setupUi(this);
    ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    ui->lblKyoten->setText(state().gtKyoten.cKyotenName);
    // A stale confirmation from an earlier deletion must not count: only Command1 sets 1,
    // so closing the box any other way leaves the answer "cancelled".
    state().giCautionResult = 0;
    connect(ui->Command1, &QPushButton::clicked, this, &frmCaution::confirm);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmCaution::cancel);
}

frmCaution::~frmCaution()
{
    delete ui;
}

void frmCaution::confirm()
{
    state().giCautionResult = 1;
    accept();
}

void frmCaution::cancel()
{
    state().giCautionResult = 0;
    reject();
}
