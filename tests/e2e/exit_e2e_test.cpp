#include "installation.h"

#include <QProcess>
#include <gtest/gtest.h>

// The real TopMenu on the demo installation: log in as admin, leave through the exit (F12,
// then the exit button), and find the account logged out with its id kept for the next start.
TEST(ExitEndToEnd, ExitLogsOutAndKeepsTheLastUser)
{
    TestInstallation inst;
    ASSERT_EQ(QProcess::execute("bash", {sourceDir() + "/scripts/make-demo.sh", binDir(), inst.path()}), 0);
    QFile::remove(inst.file("drive_c/KVX/utility/databackup.txt")); // no reminder dialog to answer

    for (const QString exit : {"key:frmTopMenu=F12", "click:cmdExit"}) {
        inst.exec("UPDATE ACCOUNT SET tLoginDate = '2024-04-01 09:00:00.000' WHERE cLoginId = 'admin'",
                  "DEMO\\MIRANE");
        QProcess topMenu;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TOPMENU_STANDIN_EXIT", "1");
        env.insert("TOPMENU_E2E_STEPS",
                   "set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;answer:Yes;" + exit);
        topMenu.setProcessEnvironment(env);
        topMenu.setWorkingDirectory(inst.path());
        topMenu.start(inst.file("TopMenu"), {});
        ASSERT_TRUE(topMenu.waitForFinished(60000)) << exit.toStdString();
        EXPECT_EQ(topMenu.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(topMenu.exitCode(), 0);

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
