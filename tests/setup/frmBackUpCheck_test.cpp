#include "installation.h"
#include "setup/frmBackUpCheck.h"
#include "state/state.h"

#include <gtest/gtest.h>

// (The dialog's buttons and date: the exit flow's reminder tests.)
TEST(BackUpCheck, EraDateAndTheCloseBox)
{
    EXPECT_EQ(eraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年04月30日"));
    EXPECT_EQ(eraDate(QDate(2019, 5, 1)), QStringLiteral("令和1年05月01日"));
    EXPECT_EQ(eraDate(QDate(1989, 1, 7)), QStringLiteral("昭和64年01月07日"));

    TestInstallation inst;
    frmBackUpCheck dialog;
    state().giDialogResult = 7;
    dialog.show();
    dialog.close(); // the close box answers nothing
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(state().giDialogResult, 7);
}
