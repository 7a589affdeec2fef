#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
QByteArray optionBytes(const QString& values)
{
    const QStringList v = values.split(' ');
    return textfile::encode(
        QStringLiteral("[トップメニュー]\r\n接続先ユーザーを保持する=%1\r\nアカウント名を表示させない=%2\r\n"
                       "メニューGUI=%3\r\n二重ログインを管理する=%4\r\nバックアップの確認を行う=%5\r\n")
            .arg(v[0], v[1], v[2], v[3], v[4]));
}
} // namespace

TEST(OptionsWindow, OptionsTakeEffectAndExitCanBeDeclined)
{
    TestInstallation inst;
    inst.createDatabase("PC01\\MIRANE", true);
    inst.writeAdodbIni();
    inst.writeFile("Massage.ini",
                   "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER_TOP=top.png\r\n"
                   "[システム]\r\nミラネタイプ=0\r\nFC機能=0\r\nMENUCANCEL=0\r\n簡易メニュー=0\r\n");
    inst.writeFile("ICON/top.png", "");
    inst.writeBytes("Topmenu.ini", optionBytes("0 0 0 0 0"));
    inst.exec("UPDATE ACCOUNT SET iStatus = 1 WHERE cLoginId = 'staff'");
    state().gsMapKeyStatus = "1";
    frmTopMenu w;
    w.load();
    w.show();
    auto toggle = [&](const char* name) { w.findChild<QAction*>(name)->trigger(); };
    auto* userId = w.findChild<QLineEdit*>("txtUserId");

    toggle("mnAcc");
    EXPECT_EQ(userId->echoMode(), QLineEdit::Password);
    EXPECT_EQ(inst.readBytes("Topmenu.ini"), optionBytes("0 1 0 0 0"));
    toggle("mnSmartMenu");
    EXPECT_TRUE(w.findChild<QListView*>("List1")->isVisible());
    EXPECT_FALSE(w.findChild<QListView*>("ListView1")->isVisible());
    EXPECT_EQ(inst.readBytes("Topmenu.ini"), optionBytes("0 1 1 0 0"));
    toggle("mnBackUpCheck");
    toggle("mnUser");
    toggle("mnAcc");
    EXPECT_EQ(userId->echoMode(), QLineEdit::Normal);
    toggle("mnDouble");
    EXPECT_EQ(inst.readBytes("Topmenu.ini"), optionBytes("1 0 1 1 1"));

    // Double-login control: an account already logged in is refused below level 10.
    userId->setText("staff");
    w.findChild<QLineEdit*>("txtPassword")->setText("staff");
    QTest::mouseClick(w.findChild<QPushButton*>("btnLogin"), Qt::LeftButton);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_EQ(inst.messages.shown[0].text, QStringLiteral("このアカウントは現在ログイン中です"));
    EXPECT_FALSE(inst.exists("loginuser.kvx"));
    toggle("mnDouble");
    QTest::mouseClick(w.findChild<QPushButton*>("btnLogin"), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLabel*>("lblUserData_0")->text(), "staff");

    // "No" to the exit question changes nothing.
    inst.messages.answer(platform::MsgAnswer::No);
    QTest::mouseClick(w.findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
    ASSERT_EQ(inst.messages.shown.size(), 2u);
    EXPECT_EQ(inst.messages.shown[1].text, QStringLiteral("システムを終了します。よろしいですか？"));
    EXPECT_EQ(inst.messages.shown[1].title, QStringLiteral("拠点メニュー"));
    EXPECT_EQ(inst.messages.shown[1].buttons, platform::MsgButtons::YesNo);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "1");
}
