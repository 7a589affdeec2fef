#include "programs.h"

#include "state/state.h"

#include <QTest>

TEST(Osql, BuildsTheSuiteDatabaseAndReportsFailedBatchesMissingScriptsAndBadArguments)
{
    TestInstallation inst;
    install(inst, "osql");
    inst.installFile("attach.SQL");
    inst.installFile("demo.SQL");
    const auto osql = [&](const QString& script) {
        const QStringList args{"-S", "PC01\\MIRANE", "-U", "sa",
                               "-P", "mtr4827",      "-i", inst.path() + '\\' + script};
        return run(inst.path(), "osql", args + QStringList{"-o", "system.log"}).code;
    };

    // The first-run rebuild's command line, then the demo data with the options reordered.
    ASSERT_EQ(osql("attach.SQL"), 0) << inst.readText("system.log").toStdString();
    ASSERT_EQ(run(inst.path(), "osql", {"-i", "demo.SQL", "-E", "-o", "demo.log", "-SPC01\\MIRANE"}).code, 0)
        << inst.readText("demo.log").toStdString();

    // One area row per prefecture, named as the launcher names them.
    EXPECT_EQ(inst.scalar("SELECT group_concat(cAreaName, ',') FROM (SELECT cAreaName FROM KYOTEN "
                          "WHERE iKyotenEb = 0 ORDER BY iKyotenCd)"),
              QStringList(gsPrefName().begin() + 1, gsPrefName().end()).join(u','));

    // The demo accounts: password, area word, level, class.
    EXPECT_EQ(inst.scalar("SELECT group_concat(a, ',') FROM (SELECT cLoginId || ' ' || cLoginPass || ' ' || "
                          "cAreaWord || ' ' || iAccessLevel || ' ' || iKubun AS a FROM ACCOUNT ORDER BY 1)"),
              "admin admin 9999 10 1,staff staff 13011302 5 1,teishi teishi 1301 5 0");

    // A failed batch, a missing script, bad arguments.
    inst.writeFile("bad.SQL", "CREATE DATABASE T1\r\nGO\r\nUSE T1\r\nGO\r\nSELEC nonsense\r\nGO\r\n");
    EXPECT_EQ(osql("bad.SQL"), 1);
    EXPECT_TRUE(inst.exists("SQLDATA/PC01_MIRANE/T1.db"));
    EXPECT_EQ(inst.readBytes("system.log"),
              textfile::encode("バッチ 1: OK\r\nバッチ 2: OK\r\nバッチ 3: エラー\r\n  near \"SELEC\": "
                               "syntax error (SQL State 42000, Native Error 1)\r\n  SQL=SELEC nonsense\r\n"));

    EXPECT_EQ(osql("missing.SQL"), 1);
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
    EXPECT_EQ(run(inst.path(), "trtzenrin", {"again"}, 15).code, 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return inst.readText("trtzenrin.log").contains("HANDOVER again"); }, 10000));

    // The running copy still owns the window the exit closes.
    ASSERT_TRUE(platform::SystemProcesses().postClose("ThunderRT6FormDC", "QmapLogin"));
    ASSERT_TRUE(first.waitForFinished(15000));
    const QString log = "START trtzenrin\r\nARGS \r\nCWD %1\r\nWINDOW minimised\r\n"
                        "START trtzenrin\r\nARGS again\r\nCWD %1\r\nHANDOVER again\r\nCLOSE\r\n";
    EXPECT_EQ(inst.readText("trtzenrin.log"), log.arg(QFileInfo(inst.path()).canonicalFilePath()));
}
