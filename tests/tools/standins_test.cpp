#include "programs.h"

#include "platform/process.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace
{

// The installation's scripts are kept in UTF-8 with LF; installed, they are CP932 with CR LF.
void installScript(const TestInstallation& inst, const QString& name)
{
    QFile f(sourceDir() + "/installation/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    inst.writeFile(name, QString::fromUtf8(f.readAll()).replace(u'\n', "\r\n"));
}

QStringList osqlArgs(const TestInstallation& inst, const QString& script)
{
    return {"-S", "PC01\\MIRANE", "-U", "sa", "-P", "mtr4827", "-i", inst.path() + '\\' + script,
            "-o", "system.log"};
}

// Polls for up to ten seconds.
bool eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        QThread::msleep(100);
    return done();
}

// Whether the map companion listens for the launcher's close request.
bool companionListening()
{
    QLocalSocket socket;
    socket.connectToServer(platform::windowSocketName("ThunderRT6FormDC", "QmapLogin"));
    return socket.waitForConnected(100);
}

} // namespace

TEST(Osql, BuildsTheSuiteDatabaseFromTheInstallationScripts)
{
    TestInstallation inst;
    install(inst, "osql");
    installScript(inst, "attach.SQL");
    installScript(inst, "demo.SQL");

    // The first-run rebuild's command line, then the demo data with the options reordered.
    ASSERT_EQ(run(inst.path(), "osql", osqlArgs(inst, "attach.SQL")).code, 0)
        << inst.readText("system.log").toStdString();
    ASSERT_EQ(run(inst.path(), "osql", {"-i", "demo.SQL", "-E", "-o", "demo.log", "-SPC01\\MIRANE"}).code, 0)
        << inst.readText("demo.log").toStdString();

    // One area row per prefecture, named as the launcher names them; the demo's areas in use.
    QStringList prefectures;
    for (int code = 1; code <= 47; ++code)
        prefectures << gsPrefName()[code];
    EXPECT_EQ(inst.scalar("SELECT group_concat(cAreaName, ',') FROM (SELECT cAreaName FROM KYOTEN "
                          "WHERE iKyotenEb = 0 ORDER BY iKyotenCd)"),
              prefectures.join(u','));
    EXPECT_EQ(inst.scalar("SELECT group_concat(iKyotenCd, ',') FROM (SELECT iKyotenCd FROM KYOTEN "
                          "WHERE iKyotenEb = 0 AND iUsedFlg = 1 ORDER BY iKyotenCd)"),
              "1,13,27");

    // The demo accounts: password, area word, level, class.
    EXPECT_EQ(inst.scalar("SELECT group_concat(a, ',') FROM (SELECT cLoginId || ' ' || cLoginPass || ' ' || "
                          "cAreaWord || ' ' || iAccessLevel || ' ' || iKubun AS a FROM ACCOUNT ORDER BY 1)"),
              "admin admin 9999 10 1,staff staff 13011302 5 1,teishi teishi 1301 5 0");
}

TEST(Osql, ReportsFailedBatchesMissingScriptsAndBadArguments)
{
    TestInstallation inst;
    install(inst, "osql");
    inst.writeFile("bad.SQL", "CREATE DATABASE T1\r\nGO\r\nUSE T1\r\nGO\r\n"
                              "CREATE TABLE X (a INT);\r\nGO\r\nSELEC nonsense\r\nGO\r\n");
    EXPECT_EQ(run(inst.path(), "osql", osqlArgs(inst, "bad.SQL")).code, 1);
    EXPECT_TRUE(inst.exists("SQLDATA/PC01_MIRANE/T1.db"));
    EXPECT_EQ(inst.readBytes("system.log"),
              textfile::encode(
                  "バッチ 1: OK\r\nバッチ 2: OK\r\nバッチ 3: OK\r\nバッチ 4: エラー\r\n  near \"SELEC\": "
                  "syntax error (SQL State 42000, Native Error 1)\r\n  SQL=SELEC nonsense\r\n"));

    EXPECT_EQ(run(inst.path(), "osql", osqlArgs(inst, "missing.SQL")).code, 1);
    EXPECT_EQ(inst.readText("system.log"),
              "スクリプトファイルを開けません: " + inst.path() + "\\missing.SQL\r\n");
    for (const QStringList& bad : {QStringList{"-S", "PC01\\MIRANE"}, {"-i", "bad.SQL", "-X"}, {"-i"}})
        EXPECT_EQ(run(inst.path(), "osql", bad).code, 2) << bad.join(' ').toStdString();
}

TEST(Sibling, MainLogsItsCommandLineFolderAndHandOffKeys)
{
    TestInstallation inst;
    install(inst, "Main");
    inst.writeFile("Massage.ini",
                   "[PATH]\r\nSYSTEM_DATA=\\DATA\\Data1301\r\n[運用拠点]\r\nBASEID=1301\r\n[環境]\r\n"
                   "環境名=東京－本店\r\n[権限]\r\nJOBCODE=11011\r\n[QMAP]\r\nZENRIN_USER=demo-user\r\n"
                   "ZENRIN_PWD=demo-pass\r\n");
    ASSERT_EQ(run(inst.path(), "Main", {"東京－本店", "11", "69"}).code, 0);

    const QString cwd = QFileInfo(inst.path()).canonicalFilePath();
    EXPECT_EQ(inst.readBytes("Main.log"),
              textfile::encode("START Main\r\nARGS 東京－本店|11|69\r\nCWD " + cwd +
                               "\r\nBASEID=1301\r\n環境名=東京－本店\r\nJOBCODE=11011\r\n"
                               "ZENRIN_USER=demo-user\r\nZENRIN_PWD=demo-pass\r\n"));
}

TEST(Sibling, ASecondMapCompanionHandsOverAndEnds)
{
    TestInstallation inst;
    install(inst, "trtzenrin");
    QProcess first;
    start(first, inst.path(), "trtzenrin");
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(eventually(companionListening));
    ASSERT_TRUE(eventually([&] { return inst.readText("trtzenrin.log").contains("WINDOW minimised"); }));

    // The next launcher start adds no second copy.
    QProcess second;
    start(second, inst.path(), "trtzenrin", {"again"});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(eventually([&] { return inst.readText("trtzenrin.log").contains("HANDOVER again"); }));

    // The running copy still owns the window the exit closes.
    ASSERT_TRUE(platform::SystemProcesses().postClose("ThunderRT6FormDC", "QmapLogin"));
    ASSERT_TRUE(first.waitForFinished(15000));
    const QString cwd = QFileInfo(inst.path()).canonicalFilePath();
    EXPECT_EQ(inst.readText("trtzenrin.log"),
              "START trtzenrin\r\nARGS \r\nCWD " + cwd +
                  "\r\nWINDOW minimised\r\nSTART trtzenrin\r\nARGS again\r\nCWD " + cwd +
                  "\r\nHANDOVER again\r\nCLOSE\r\n");
}
