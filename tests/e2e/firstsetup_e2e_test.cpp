#include "e2e.h"
#include "launcher/startup.h"
#include "platform/host.h"

// A new installation started for real: the database is built on the first start, the
// first-time setup is walked with the keyboard, forward and back, and saved, the launcher is killed in the
// middle of the save and the next start finishes it, and the installation's administrator
// then logs in and opens the new base.
TEST(FirstSetupEndToEnd, FreshInstallationToTheFirstBase)
{
    TestInstallation inst;
    makeDemo(inst, true);
    // The launcher's notes are the new installation's own, never the demo's accounts.
    const QString notes = AplogRead();
    EXPECT_TRUE(notes.contains("admin / admin")) << notes.toStdString();
    EXPECT_FALSE(notes.contains("staff") || notes.contains("デモ")) << notes.toStdString();

    // One line per page; back from the base creation, the practitioners, the corporation and
    // the final page, each page keeping what was entered.
    const QStringList steps{
        "answer:Ok", // rebuild the database
        "wait:frmFirstView;key:btnAdd=Space",
        "wait:frmFirstSetUp00;key:btnNext=Space",
        "wait:frmFirstLogin;key:btnCancel=Space",
        "wait:frmFirstSetUp00;key:btnNext=Space",
        "wait:frmFirstLogin;set:cmbChiku=北海道;set:imKyotenName=札幌治療院;answer:Yes;key:btnAdd=Space",
        "wait:frmFirstSetUpA0;key:optChk01_0=Space;key:optChk02_0=Space;key:btnNext=Space",
        // The whole postal code looks the address up.
        "wait:frmFirstSetUp01;set:txtDaihyouName=代表 太郎;type:posYubin=0600001;set:imLat=155000000;"
        "set:imLon=508000000;key:btnNext=Space",
        "wait:frmFirstSetUp02;set:txtName=施術 一郎;key:txtName=Return;key:btnCancel=Space",
        "wait:frmFirstSetUp01;key:btnCancel=Space",
        "wait:frmFirstSetUpA0;key:btnNext=Space",
        "wait:frmFirstSetUp01;key:btnNext=Space",
        "wait:frmFirstSetUp02;set:txtName=施術 二郎;key:txtName=Return;key:btnNext=Space",
        "wait:frmFirstSetUp03;set:txtName=利用 一子;key:txtName=Return;key:btnNext=Space",
        "wait:btnLast;key:btnCancel=Space",
        "wait:frmFirstSetUp03;key:btnNext=Space",
        "wait:btnLast;key:btnLast=Space",
    };
    const QString open = "wait:frmTopMenu;set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;"
                         "select:ListView1=0;key:ListView1=Return";
    // Killed while the save writes the practitioners; the next start offers to finish it.
    ASSERT_EQ(runTopMenu(inst, steps.join(';') + ';' + open, true, "save.staff.row#2"), -1);
    EXPECT_TRUE(inst.exists("~TopMenuSetup.json"));
    ASSERT_EQ(runTopMenu(inst, "answer:Yes;answer:Ok;" + open, true), 0)
        << inst.readText("TopMenu.out").toStdString();
    EXPECT_FALSE(inst.exists("~TopMenuSetup.json"));

    // The new base went to the base program: it was in the administrator's list.
    const QString log = waitForLog(inst, "Main.log", "環境名=");
    EXPECT_TRUE(log.contains("BASEID=0101\r\n環境名=北海道－札幌治療院\r\n")) << log.toStdString();

    const QString server = platform::SystemHost().computerName() + "\\MIRANE";
    EXPECT_EQ(
        inst.scalar("SELECT cShamei1 || '|' || cDaihyo || '|' || cYubinNo || '|' || nLat FROM CORP", server),
        "札幌治療院|代表 太郎|060-0001|155000000");
    EXPECT_EQ(inst.scalar("SELECT group_concat(nIDNo || ':' || cName, ',') FROM STAFF", server),
              "1:施術 一郎,2:施術 二郎");
}
