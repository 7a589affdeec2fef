#include "installation.h"
#include "setup/frmBackUpCheck.h"
#include "state/state.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(BackUpCheck, EraDateAndAnswers)
{
    EXPECT_EQ(eraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年04月30日"));
    EXPECT_EQ(eraDate(QDate(2019, 5, 1)), QStringLiteral("令和1年05月01日"));
    EXPECT_EQ(eraDate(QDate(1989, 1, 7)), QStringLiteral("昭和64年01月07日"));

    TestInstallation inst;
    frmBackUpCheck dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("システムからのお知らせ"));
    dialog.setLastDate(QDate(2024, 1, 31));
    EXPECT_EQ(dialog.findChild<QLabel*>("lblLastDate")->text(), QStringLiteral("令和6年01月31日"));
    for (auto [button, result] : {std::pair{"btnLast", 0}, std::pair{"btnCancel", -1}}) {
        state().giDialogResult = 5;
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(state().giDialogResult, result) << button;
    }
    state().giDialogResult = 7;
    dialog.show();
    dialog.close(); // the close box answers nothing
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(state().giDialogResult, 7);
}
