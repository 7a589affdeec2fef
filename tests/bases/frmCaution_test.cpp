#include "basefixture.h"
#include "bases/frmCaution.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

// The delete confirmation names the base, fits its text (no blank area), and its close box
// confirms nothing even after an earlier confirmation (its buttons: the delete tests).
TEST(CautionDialog, SizedToItsTextAndTheCloseBoxConfirmsNothing)
{
    TestInstallation inst;
    for (const QString& name : {QStringLiteral("新宿店"), QString(60, QChar(u'長'))}) {
        state().gtKyoten.cKyotenName = name;
        state().giCautionResult = 1;
        frmCaution dialog;
        EXPECT_EQ(dialog.findChild<QLabel*>("lblKyoten")->text(), name);
        dialog.show();
        for (auto* label : dialog.findChildren<QLabel*>(QRegularExpression("^lbl"))) {
            const QRect box = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                box, label->wordWrap() ? Qt::TextWordWrap : 0, label->text());
            EXPECT_TRUE(box.contains(needed) &&
                        box.height() <= needed.height() + label->fontMetrics().height())
                << label->objectName().toStdString() << " " << box.height() << " " << needed.height();
        }
        auto* question = dialog.findChild<QLabel*>("lblCaption"); // its lines are not broken
        for (const QString& line : question->text().split('\n'))
            EXPECT_LE(question->fontMetrics().horizontalAdvance(line), question->contentsRect().width());
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        dialog.exec();
        EXPECT_EQ(state().giCautionResult, 0);
    }
}
