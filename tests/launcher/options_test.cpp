#include "installation.h"
#include "launcher/options.h"
#include "platform/textfile.h"

#include <gtest/gtest.h>

TEST(Options, LoadAndSaveTopmenuIni)
{
    TestInstallation inst;
    LauncherOptions o;
    o.mnAcc = true;
    EXPECT_FALSE(vLoadOptions(&o)); // missing file: the designed state stays, nothing is written
    EXPECT_TRUE(o.mnAcc);
    vSaveOptions(o);
    EXPECT_FALSE(inst.exists("Topmenu.ini"));

    inst.writeFile("Topmenu.ini", "[トップメニュー]\r\n接続先ユーザーを保持する=1\r\nメニューGUI=abc\r\n");
    ASSERT_TRUE(vLoadOptions(&o));
    EXPECT_TRUE(o.mnUser);
    EXPECT_FALSE(o.mnAcc);
    EXPECT_FALSE(o.mnSmartMenu);  // not a number
    EXPECT_TRUE(o.mnBackUpCheck); // missing key: the reminder is on
    // (What is saved and read back: the launcher window's option test.)

    // Only 1 switches an option on; 2 is not 1 (and so leaves the reminder on).
    inst.writeFile("Topmenu.ini",
                   "[トップメニュー]\r\n接続先ユーザーを保持する=2\r\nアカウント名を表示させない=2\r\n"
                   "メニューGUI=2\r\n二重ログインを管理する=2\r\nバックアップの確認を行う=2\r\n");
    ASSERT_TRUE(vLoadOptions(&o));
    EXPECT_FALSE(o.mnUser || o.mnAcc || o.mnSmartMenu || o.mnDouble);
    EXPECT_TRUE(o.mnBackUpCheck);
}
