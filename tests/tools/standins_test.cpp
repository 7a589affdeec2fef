#include "programs.h"

#include "platform/process.h"
#include "state/state.h"

#include <QFileInfo>
#include <QTest>

namespace
{

QStringList osqlArgs(const TestInstallation& inst, const QString& script)
{
    return {"-S", "PC01\\MIRANE", "-U", "sa", "-P", "mtr4827", "-i", inst.path() + '\\' + script,
            "-o", "system.log"};
}

} // namespace

TEST(Osql, BuildsTheSuiteDatabaseAndReportsFailedBatchesMissingScriptsAndBadArguments)
{
    TestInstallation inst;
    install(inst, "osql");
    inst.installFile("attach.SQL");
    inst.installFile("demo.SQL");

    // The first-run rebuild's command line, then the demo data with the options reordered.
    ASSERT_EQ(run(inst.path(), "osql", osqlArgs(inst, "attach.SQL")).code, 0)
        << inst.readText("system.log").toStdString();
    ASSERT_EQ(run(inst.path(), "osql", {"-i", "demo.SQL", "-E", "-o", "demo.log", "-SPC01\\MIRANE"}).code, 0)
        << inst.readText("demo.log").toStdString();

    // One area row per prefecture, named as the launcher names them; the demo's areas in use.
    EXPECT_EQ(inst.scalar("SELECT group_concat(cAreaName, ',') FROM (SELECT cAreaName FROM KYOTEN "
                          "WHERE iKyotenEb = 0 ORDER BY iKyotenCd)"),
              QStringList(gsPrefName().begin() + 1, gsPrefName().end()).join(u','));
    EXPECT_EQ(inst.scalar("SELECT group_concat(iKyotenCd, ',') FROM (SELECT iKyotenCd FROM KYOTEN "
                          "WHERE iKyotenEb = 0 AND iUsedFlg = 1 ORDER BY iKyotenCd)"),
              "1,13,27");

    // The demo accounts: password, area word, level, class.
    EXPECT_EQ(inst.scalar("SELECT group_concat(a, ',') FROM (SELECT cLoginId || ' ' || cLoginPass || ' ' || "
                          "cAreaWord || ' ' || iAccessLevel || ' ' || iKubun AS a FROM ACCOUNT ORDER BY 1)"),
              "admin admin 9999 10 1,staff staff 13011302 5 1,teishi teishi 1301 5 0");

    // A failed batch, a missing script, bad arguments.
    inst.writeFile("bad.SQL", "CREATE DATABASE T1\r\nGO\r\nUSE T1\r\nGO\r\nSELEC nonsense\r\nGO\r\n");
    EXPECT_EQ(run(inst.path(), "osql", osqlArgs(inst, "bad.SQL")).code, 1);
    EXPECT_TRUE(inst.exists("SQLDATA/PC01_MIRANE/T1.db"));
    EXPECT_EQ(inst.readBytes("system.log"),
              textfile::encode("バッチ 1: OK\r\nバッチ 2: OK\r\nバッチ 3: エラー\r\n  near \"SELEC\": "
                               "syntax error (SQL State 42000, Native Error 1)\r\n  SQL=SELEC nonsense\r\n"));

    EXPECT_EQ(run(inst.path(), "osql", osqlArgs(inst, "missing.SQL")).code, 1);
    EXPECT_EQ(inst.readText("system.log"),
              "スクリプトファイルを開けません: " + inst.path() + "\\missing.SQL\r\n");
    for (const QStringList& bad : {QStringList{"-S", "PC01\\MIRANE"}, {"-i", "bad.SQL", "-X"}, {"-i"}})
        EXPECT_EQ(run(inst.path(), "osql", bad).code, 2) << bad.join(' ').toStdString();
}

TEST(Sibling, ASecondMapCompanionHandsOverAndEnds)
{
    TestInstallation inst;
    install(inst, "trtzenrin");
    QProcess first;
    start(first, inst.path(), "trtzenrin");
    // Minimised once it listens for the next copy and for the launcher's close request.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return inst.readText("trtzenrin.log").contains("WINDOW minimised"); }, 10000));

    // The next launcher start adds no second copy.
    QProcess second;
    start(second, inst.path(), "trtzenrin", {"again"});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return inst.readText("trtzenrin.log").contains("HANDOVER again"); }, 10000));

    // The running copy still owns the window the exit closes.
    ASSERT_TRUE(platform::SystemProcesses().postClose("ThunderRT6FormDC", "QmapLogin"));
    ASSERT_TRUE(first.waitForFinished(15000));
    const QString cwd = QFileInfo(inst.path()).canonicalFilePath();
    EXPECT_EQ(inst.readText("trtzenrin.log"),
              "START trtzenrin\r\nARGS \r\nCWD " + cwd +
                  "\r\nWINDOW minimised\r\nSTART trtzenrin\r\nARGS again\r\nCWD " + cwd +
                  "\r\nHANDOVER again\r\nCLOSE\r\n");
}
