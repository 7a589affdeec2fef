#include "e2e.h"
#include "platform/textfile.h"

namespace
{

// A program folder with the real TopMenu, the stand-ins, the demo database and the settings
// a launch needs.
void layOut(TestInstallation& inst)
{
    for (const QString program : {"TopMenu", "osql", "Main", "TrtTotalSchedule", "trtzenrin"})
        ASSERT_TRUE(QFile::copy(binDir() + '/' + program, inst.file(program))) << program.toStdString();
    inst.createDatabase("PC01\\MIRANE", true);
    inst.writeAdodbIni();
    inst.writeFile("Massage.ini",
                   "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wall.png\r\nWALLPAPER_TOP=top.png\r\n"
                   "[システム]\r\nミラネタイプ=0\r\nFC機能=0\r\nMENUCANCEL=0\r\n簡易メニュー=0\r\n");
    // Status 1: the image map, so no map companion is started.
    inst.writeFile("QMAPKEY.ini", "[キー情報]\r\nKeyNo=K-0001\r\nStatus=1\r\n");
    inst.writeFile("QmapUser.ini", "ZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\nUSER_CODE=9\r\n");
    inst.writePicture("ICON/wall.png");
    inst.writePicture("ICON/top.png");
    for (const QString id : {"0101", "1301", "1302", "1303", "2701"})
        inst.writeFile("Massage" + id + ".ini",
                       "[運用拠点]\r\nBASEID=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data" + id + "\r\n");
}

} // namespace

TEST(EndToEnd, LogInAndOpenABaseHandsItToMain)
{
    TestInstallation inst;
    layOut(inst);
    ASSERT_EQ(runTopMenu(inst, "set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;select:ListView1=0;"
                               "key:ListView1=Return"),
              0)
        << inst.readText("TopMenu.out").toStdString();

    const QString log = waitForLog(inst, "Main.log", "ZENRIN_PWD=");
    const QStringList lines = log.split("\r\n");
    ASSERT_GE(lines.size(), 8) << log.toStdString();
    EXPECT_EQ(lines[0], "START Main");
    EXPECT_EQ(lines[1], "ARGS 北海道－札幌店|11|69");
    EXPECT_TRUE(lines[2].startsWith("CWD ")) << lines[2].toStdString();
    EXPECT_EQ(lines.mid(3, 5), QStringList({"BASEID=0101", "環境名=北海道－札幌店", "JOBCODE=11111",
                                            "ZENRIN_USER=map01", "ZENRIN_PWD=pw01"}));

    // The account stays logged in for the base's program.
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'"), "1");
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              QByteArray("[kyotenCd]= 1\r\n[Index]= 1\r\n[DB]=-1\r\n[LastLoginUser]=admin\r\n"));
    EXPECT_EQ(inst.readBytes("Massage.ini"),
              textfile::encode("[運用拠点]\r\nBASEID=0101\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0101\r\n"
                               "[環境]\r\n環境名=北海道－札幌店\r\n[権限]\r\nJOBCODE=11111\r\n"
                               "[QMAP]\r\nZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\n"));
}
