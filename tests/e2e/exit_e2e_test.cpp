#include "e2e.h"
#include "launcher/startup.h"

// The real TopMenu on the demo installation: log in as admin, leave through the exit (F12,
// then the exit button), and find the account logged out with its id kept for the next start.
TEST(ExitEndToEnd, ExitLogsOutAndKeepsTheLastUser)
{
    TestInstallation inst;
    makeDemo(inst);
    EXPECT_TRUE(AplogRead().contains("ログイン：staff / staff")) << AplogRead().toStdString();
    for (const QString exit : {"key:frmTopMenu=F12", "click:cmdExit"}) {
        SCOPED_TRACE(exit.toStdString());
        inst.exec("UPDATE ACCOUNT SET tLoginDate = '2024-04-01 09:00:00.000' WHERE cLoginId = 'admin'",
                  "DEMO\\MIRANE");
        ASSERT_EQ(
            runTopMenu(inst, "set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;answer:Yes;" + exit),
            0)
            << inst.readText("TopMenu.out").toStdString();

        // Logged in (the log-in time moved on) and logged out again.
        EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'", "DEMO\\MIRANE"), "0");
        EXPECT_NE(inst.scalar("SELECT COUNT(*) FROM ACCOUNT WHERE cLoginId = 'admin' AND tLoginDate > '2025'",
                              "DEMO\\MIRANE"),
                  "0");
        EXPECT_FALSE(inst.exists("loginuser.kvx"));
        EXPECT_TRUE(inst.readText("AreaSelect.ini").endsWith("\r\n[LastLoginUser]=admin\r\n"))
            << inst.readText("AreaSelect.ini").toStdString();
    }
}
