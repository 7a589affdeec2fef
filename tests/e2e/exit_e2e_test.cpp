#include "e2e.h"
#include "launcher/startup.h"

// The real TopMenu on the demo installation: log in as admin and leave through the exit (F12,
// then the exit button): the account is logged out with its id kept for the next start. Then
// log in and open a base: it goes to the base program through Massage.ini and its command
// line, and the account stays logged in for that program.
TEST(EndToEnd, ExitLogsOutAndOpeningABaseHandsItToMain)
{
    TestInstallation inst;
    makeDemo(inst);
    EXPECT_TRUE(AplogRead().contains("ログイン：staff / staff")) << AplogRead().toStdString();
    const QString logIn = "set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;";
    const QString admin = "SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'";
    for (const QString exit : {"key:frmTopMenu=F12", "click:cmdExit"}) {
        SCOPED_TRACE(exit.toStdString());
        QFile::remove(inst.file("AreaSelect.ini"));
        ASSERT_EQ(runTopMenu(inst, logIn + "answer:Yes;" + exit), 0)
            << inst.readText("TopMenu.out").toStdString();

        // Logged in (the last user is admin) and logged out again.
        EXPECT_EQ(inst.scalar(admin, "DEMO\\MIRANE"), "0");
        EXPECT_FALSE(inst.exists("loginuser.kvx"));
        EXPECT_TRUE(inst.readText("AreaSelect.ini").endsWith("\r\n[LastLoginUser]=admin\r\n"))
            << inst.readText("AreaSelect.ini").toStdString();
    }

    ASSERT_EQ(runTopMenu(inst, logIn + "select:ListView1=0;key:ListView1=Return"), 0)
        << inst.readText("TopMenu.out").toStdString();
    // (The whole hand-off: the launcher window's launch tests.)
    const QString log = waitForLog(inst, "Main.log", "ZENRIN_PWD=");
    EXPECT_TRUE(log.startsWith("START Main\r\nARGS 北海道－札幌店|11|69\r\n")) << log.toStdString();
    EXPECT_EQ(inst.scalar(admin, "DEMO\\MIRANE"), "1");
}
