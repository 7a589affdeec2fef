#include "installation.h"
#include "launcher/baselist.h"
#include "launcher/launch.h"
#include "launcher/startup.h"
#include "platform/textfile.h"
#include "state/state.h"

#include "db/provider.h"
#include "db/readahead.h"
#include "db/recipe.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

using platform::MsgIcon;

namespace
{

const QString kBaseIni = "[運用拠点]\r\nBASEID=0000\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0102\r\n";
const QByteArray kOldMassage = "[PATH]\r\nSYSTEM_DATA=\\DATA\r\n";

// A logged-in staff account allowed on base 0102, which is selected.
void prepareLaunch(TestInstallation& inst)
{
    inst.writeFile("Massage0102.ini", kBaseIni);
    inst.writeBytes("Massage.ini", kOldMassage);
    inst.writeFile("QmapUser.ini", "ZENRIN_USER=zu01\r\nZENRIN_PWD=zp01\r\nUSER_CODE=7\r\n");
    state().giSelKyotenCd = 13;
    state().gtLoginUser = {0, 0, "yamada", "", "", "", "0102", 5, "", "101", 0, "0", "0"};
    state().gtKyoten = {1, 2, 0, "東京", "本店", "", 0, "", 0, "", 0};
}

} // namespace

TEST(Launch, AreaWordAccessCheck)
{
    TestInstallation inst;
    // "OK" when allowed, otherwise the title of the one refusal shown.
    auto check = [&](const char* area, const char* id, short level) -> QString {
        inst.messages.shown.clear();
        const tLoginUser u{0, 0, "", "", "", "", QString::fromUtf8(area), level, "", "", 0, "0", "0"};
        const bool allowed = checkAreaAccess(u, QString::fromUtf8(id));
        if (inst.messages.shown.size() != (allowed ? 0u : 1u))
            return "?";
        return allowed ? "OK" : inst.messages.shown[0].title;
    };
    // 4-character codes, never a substring; 9999 only alone.
    for (const auto& [area, id, level, result] : {std::tuple{"9999", "4705", 1, "OK"},
                                                  {" 0102 ", "0102", 1, "OK"},
                                                  {"01020103", "0103", 1, "OK"},
                                                  {"0101", "4705", 10, "OK"},
                                                  {"01020103", "0104", 9, "アクセス不可"},
                                                  {"01020103", "0201", 1, "アクセス不可"},
                                                  {"99990102", "0103", 1, "アクセス不可"},
                                                  {"", "0102", 10, "アクセス権限設定エラー"},
                                                  {"010", "0102", 10, "アクセス権限設定エラー"}})
        EXPECT_EQ(check(area, id, short(level)), QString::fromUtf8(result)) << area << " " << id;
    inst.expectLastBox("アクセス権限が設定されていません。", "アクセス権限設定エラー");
}

TEST(Launch, HandsTheBaseToMainProgram)
{
    TestInstallation inst;
    prepareLaunch(inst);
    // (The whole hand-off and the command lines: the launcher window's launch tests.)
    ASSERT_TRUE(launchKyoten(LaunchSource::IconList, 3, 1));
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_TRUE(inst.readText("Massage.ini").endsWith("[QMAP]\r\nZENRIN_USER=zu01\r\nZENRIN_PWD=zp01\r\n"));
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              QByteArray("[kyotenCd]= 13\r\n[Index]= 3\r\n[DB]= 1\r\n[LastLoginUser]=yamada\r\n"));
    ASSERT_EQ(inst.processes.started.size(), 1u);
    EXPECT_EQ(inst.processes.started[0].style, platform::WindowStyle::NormalFocus);

    // Without a map account its keys are empty.
    QFile::remove(inst.file("QmapUser.ini"));
    ASSERT_TRUE(launchKyoten(LaunchSource::PopupMenu, 2, 0));
    EXPECT_TRUE(inst.readText("Massage.ini").endsWith("[QMAP]\r\nZENRIN_USER=\r\nZENRIN_PWD=\r\n"));
}

TEST(Launch, FailuresStopBeforeTheStart)
{
    // (A missing environment and no selection: the launcher window's launch tests.)
    TestInstallation inst;
    prepareLaunch(inst);
    state().gtKyoten.iKyotenEb = 3;
    EXPECT_FALSE(launchKyoten(LaunchSource::IconList, 1, 0));
    EXPECT_EQ(inst.readBytes("Massage.ini"), kOldMassage);
    EXPECT_TRUE(inst.processes.started.empty());
    EXPECT_FALSE(inst.exists("AreaSelect.ini"));

    state().gtKyoten.iKyotenEb = 2;
    inst.processes.failStart = true;
    EXPECT_FALSE(launchKyoten(LaunchSource::IconList, 1, 0));
    inst.expectLastBox("環境ファイル更新中にエラーが発生しました。", "構築エラー");
}

TEST(BaseList, ReadsBasesInKeyOrder)
{
    TestInstallation inst;
    inst.createDatabase();
    inst.writeAdodbIni();
    inst.exec(
        "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, iType, cAreaName, cKyotenName, cComment, iLoginID, "
        "cLoginPass, iAdminID, cAdminPass, iUsedFlg) VALUES "
        "(13, 2, 0, ' 東京 ', '新宿店  ', 'c', 0, NULL, 0, '', 9), (5, 12, 1, '秋田', '本店', '', 3, 'x', 4, "
        "'y', 2)");
    EXPECT_EQ(loadKyotenList(), 3);
    const auto& list = state().gtKyotenList;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(kyotenItemKey(list[0]), "KEY:0512");
    EXPECT_EQ(kyotenIcon(list[0]) * 10 + kyotenIcon(list[1]), 24);
    EXPECT_EQ(kyotenListLine(list[1]), "1302：新宿店(東京)");
    EXPECT_TRUE(inst.messages.shown.empty());

    inst.writeAdodbIni("PC01\\MIRANE", "NOSUCHDB");
    EXPECT_EQ(loadKyotenList(), -1);
    EXPECT_TRUE(state().gtKyotenList.empty());
    inst.expectLastBox("サーバーに接続できませんでした。\r\nサーバーメンテナンス中の可能性があります。\r\n"
                       "しばらく経過してから接続して下さい。",
                       "", MsgIcon::Exclamation);
}

TEST(BaseList, TheListReadAtStartIsTakenOnceUnlessThisProcessWroteMeanwhile)
{
    TestInstallation inst;
    inst.createDatabase();
    inst.writeAdodbIni();
    const QString columns =
        "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, iType, cAreaName, cKyotenName, cComment, "
        "iLoginID, cLoginPass, iAdminID, cAdminPass, iUsedFlg) VALUES ";
    inst.exec(columns + "(13, 1, 0, '東京', '本店', '', 0, '', 0, '', 1)");

    // Another terminal adds a base after the program started reading: the launcher shows
    // what was read at start, as it would had it read a moment earlier, and reads anew later.
    startKyotenListAhead();
    QString connection, cause;
    ASSERT_TRUE(readConnectionString(&connection, &cause));
    db::readAhead().take(connection, "SELECT 'nothing'"); // waits until the reading is over
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db::embeddedDatabaseFile("PC01\\MIRANE", "MIRANE45").toUtf8().constData(), &other),
              SQLITE_OK);
    sqlite3_busy_timeout(other, 5000);
    ASSERT_EQ(sqlite3_exec(other,
                           (columns + "(13, 2, 0, '東京', '支店', '', 0, '', 0, '', 1)").toUtf8().constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(iKyotenMaxGet(), 1);
    EXPECT_EQ(loadKyotenList(), 2);
    EXPECT_EQ(iKyotenMaxGet(), 2);
    EXPECT_EQ(loadKyotenList(), 3);

    // A write of this program after the start (the alteration script, say): read anew.
    startKyotenListAhead();
    inst.exec("UPDATE KYOTEN SET cKyotenName = '新本店' WHERE iKyotenEb = 1");
    EXPECT_EQ(loadKyotenList(), 3);
    ASSERT_EQ(state().gtKyotenList.size(), 2u);
    EXPECT_EQ(state().gtKyotenList[0].cKyotenName, "新本店");
    EXPECT_TRUE(inst.messages.shown.empty());
}

TEST(Launch, HandOffReplacesMassageIniWholeOrNotAtAll)
{
    TestInstallation inst;
    prepareLaunch(inst);
    // A job code list or a base name with a line end cannot be handed off (the INI class
    // refuses it): no key of the launch is written, nothing is started or remembered.
    state().gtKyoten.cKyotenName = "本\n店";
    EXPECT_FALSE(launchKyoten(LaunchSource::IconList, 1, 0));
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    inst.expectLastBox("Error:", "", MsgIcon::None);
    EXPECT_EQ(inst.readBytes("Massage.ini"), kOldMassage);
    EXPECT_TRUE(inst.processes.started.empty());
    EXPECT_FALSE(inst.exists("AreaSelect.ini"));
    // The base's file is read as bytes: what the code page lacks reaches Main.exe unchanged.
    inst.writeBytes("Massage0102.ini", "[PATH]\r\nLOGO=\x80\xfd\r\n");
    state().gtKyoten.cKyotenName = "本店";
    ASSERT_TRUE(launchKyoten(LaunchSource::IconList, 1, 0));
    EXPECT_TRUE(inst.readBytes("Massage.ini").startsWith("[PATH]\r\nLOGO=\x80\xfd\r\n[\x89\x5e"));
}
