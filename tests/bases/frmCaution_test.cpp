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

// The box is as large as its text: every line of the question shows whole, the name of a
// short or a long base fits, and no blank area is left under the text.
TEST(CautionDialog, SizedToItsText)
{
    TestInstallation inst;
    for (const QString& name : {QStringLiteral("本店"), QString(60, QChar(u'長'))}) {
        state().gtKyoten.cKyotenName = name;
        frmCaution dialog;
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        for (const char* labelName : {"lblKyoten", "lblCaption"}) {
            auto* label = dialog.findChild<QLabel*>(labelName);
            const QRect needed = label->fontMetrics().boundingRect(
                label->contentsRect(), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                label->text());
            EXPECT_LE(needed.height(), label->contentsRect().height()) << labelName;
            EXPECT_LE(needed.width(), label->contentsRect().width()) << labelName;
            EXPECT_LE(label->contentsRect().height(), needed.height() + label->fontMetrics().height())
                << labelName;
        }
        // The question's lines are not broken.
        auto* caption = dialog.findChild<QLabel*>("lblCaption");
        for (const QString& line : caption->text().split('\n'))
            EXPECT_LE(caption->fontMetrics().horizontalAdvance(line), caption->contentsRect().width());
    }
}
