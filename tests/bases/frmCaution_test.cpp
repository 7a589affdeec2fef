#include "bases/frmCaution.h"
#include "installation.h"
#include "state/state.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(CautionDialog, ReportsConfirmationOnlyForTheConfirmButton)
{
    TestInstallation inst;
    state().gtKyoten.cKyotenName = QStringLiteral("新宿店");
    const auto press = [](const char* button) {
        frmCaution dialog;
        EXPECT_EQ(dialog.findChild<QLabel*>("lblKyoten")->text(), QStringLiteral("新宿店"));
        QTimer::singleShot(
            0, &dialog, [&] { QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton); });
        return dialog.exec();
    };

    EXPECT_EQ(press("Command1"), int(QDialog::Accepted));
    EXPECT_EQ(state().giCautionResult, 1);
    EXPECT_EQ(press("btnCancel"), int(QDialog::Rejected));
    EXPECT_EQ(state().giCautionResult, 0);

    // Closed with the close box after an earlier confirmation: not confirmed.
    state().giCautionResult = 1;
    frmCaution dialog;
    QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
    dialog.exec();
    EXPECT_EQ(state().giCautionResult, 0);
}
