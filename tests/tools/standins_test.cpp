#include "installation.h"

#include "platform/process.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// Puts a built program into the installation's folder: the stand-ins work on the folder
// they sit in.
void install(const TestInstallation& inst, const QString& program)
{
    QFile::remove(inst.file(program));
    ASSERT_TRUE(QFile::copy(binDir() + QLatin1Char('/') + program, inst.file(program)))
        << program.toStdString();
}

QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TOPMENU_STANDIN_EXIT"), QStringLiteral("1"));
    return env;
}

int run(const TestInstallation& inst, const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessEnvironment(toolEnvironment());
    p.setWorkingDirectory(inst.path());
    p.start(inst.file(program), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    return p.exitCode();
}

// The installation's scripts are kept in UTF-8 with LF; installed, they are CP932 with CR LF.
void installScript(const TestInstallation& inst, const QString& name)
{
    QFile f(sourceDir() + QStringLiteral("/installation/") + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    inst.writeFile(name, QString::fromUtf8(f.readAll()).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}

QStringList osqlArgs(const TestInstallation& inst, const QString& script)
{
    return {QStringLiteral("-S"), QStringLiteral("PC01\\MIRANE"),
            QStringLiteral("-U"), QStringLiteral("sa"),
            QStringLiteral("-P"), QStringLiteral("mtr4827"),
            QStringLiteral("-i"), inst.path() + QLatin1Char('\\') + script,
            QStringLiteral("-o"), QStringLiteral("system.log")};
}

const char* const kBaseTables[] = {"ADDRESS",
                                   "CANCEL_KANJA",
                                   "CHUUBUNRUI",
                                   "CORP",
                                   "CORP_KOUZA",
                                   "DAIBUNRUI",
                                   "DOCTOR",
                                   "FUTANRITU",
                                   "HOLIDAY",
                                   "JISSEKI",
                                   "JISSEKI_HENREI",
                                   "JIYUU_MEISAI",
                                   "KYOTEN",
                                   "KYUYO",
                                   "KYUYO_CREATE",
                                   "NYUKIN_HOKENJA",
                                   "NYUKIN_HOKENSHA_H",
                                   "NYUKIN_HOKENSHA_M",
                                   "NYUKIN_JIKOFUTAN",
                                   "NYUKIN_JIKOFUTAN_H",
                                   "NYUKIN_JIKOFUTAN_M",
                                   "NYUKIN_JIKOFUTANMEISAI",
                                   "NYUKIN_KANJA",
                                   "NYUKIN_KANJA_H",
                                   "NYUKIN_KANJA_M",
                                   "NYUKIN_KANJAMEISAI",
                                   "RIYOUSHA_HENREI",
                                   "RIYOUSHA_JIYUU_MEISAI",
                                   "SCHEDULE",
                                   "SCHEDULE_JOIN",
                                   "SHOUBUNRUI",
                                   "RIYOUSHA",
                                   "SHOUHIN",
                                   "SHOUHIN_MEISAI",
                                   "STAFF",
                                   "STANDARD",
                                   "STANDARD_JOIN",
                                   "SYOUKAI",
                                   "TMP_JISSEKI",
                                   "TMP_NYUKIN_KANRI",
                                   "TMP_OURYOUUTIWAKE",
                                   "TMP_ROKULIST_KOJIN",
                                   "TMP_ROKULIST_RIREKI",
                                   "TMP_SEAL",
                                   "TMP_SEJYUTSULIST",
                                   "TMP_SINSEI",
                                   "TMP_SINSEIDAY",
                                   "TMP_STAFF",
                                   "TMP_UCHIWAKE",
                                   "患者タグ",
                                   "携帯実績",
                                   "月間実績",
                                   "月間実績_返戻",
                                   "月間実績管理",
                                   "NYUKIN_SHOUKAN_H",
                                   "NYUKIN_SHOUKAN_M",
                                   "RIYOUSHA_SUB",
                                   "FIRM_BANK",
                                   "CORP_SUB",
                                   "SHINSEISYO",
                                   "SHINSEISYO_SUB",
                                   "確定データ",
                                   "RIYOUSHA_FOLLOWUP",
                                   "RIYOUSHASCHEDULE",
                                   "REWARDDATA",
                                   "REWARDMAS"};

} // namespace

TEST(Osql, BuildsTheSuiteDatabaseFromTheInstallationScripts)
{
    TestInstallation inst;
    install(inst, QStringLiteral("osql"));
    installScript(inst, QStringLiteral("attach.SQL"));
    installScript(inst, QStringLiteral("demo.SQL"));

    // The first-run rebuild's command line, then the demo data with the options reordered.
    ASSERT_EQ(run(inst, QStringLiteral("osql"), osqlArgs(inst, QStringLiteral("attach.SQL"))), 0)
        << inst.readText(QStringLiteral("system.log")).toStdString();
    const QByteArray log = inst.readBytes(QStringLiteral("system.log"));
    EXPECT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.endsWith("\r\n"));
    EXPECT_EQ(log.count('\n'), log.count("\r\n"));
    EXPECT_TRUE(inst.exists(QStringLiteral("SQLDATA/PC01_MIRANE/MIRANE45.db")));
    ASSERT_EQ(run(inst, QStringLiteral("osql"),
                  {QStringLiteral("-i"), QStringLiteral("demo.SQL"), QStringLiteral("-E"),
                   QStringLiteral("-o"), QStringLiteral("demo.log"), QStringLiteral("-SPC01\\MIRANE")}),
              0)
        << inst.readText(QStringLiteral("demo.log")).toStdString();

    // One area row per prefecture, named as the launcher names them; the demo's areas in use.
    QStringList prefectures;
    for (int code = 1; code <= 47; ++code)
        prefectures << gsPrefName()[code];
    EXPECT_EQ(
        inst.scalar(QStringLiteral("SELECT group_concat(cAreaName, ',') FROM (SELECT cAreaName FROM KYOTEN "
                                   "WHERE iKyotenEb = 0 ORDER BY iKyotenCd)")),
        prefectures.join(QLatin1Char(',')));
    EXPECT_EQ(
        inst.scalar(QStringLiteral("SELECT group_concat(iKyotenCd, ',') FROM (SELECT iKyotenCd FROM KYOTEN "
                                   "WHERE iKyotenEb = 0 AND iUsedFlg = 1 ORDER BY iKyotenCd)")),
        QStringLiteral("1,13,27"));
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0")),
              QStringLiteral("5"));

    // The demo accounts: area word / level / class.
    const QString account = QStringLiteral("SELECT cLoginPass || ' ' || cAreaWord || ' ' || iAccessLevel || "
                                           "' ' || iKubun FROM ACCOUNT WHERE cLoginId = '%1'");
    EXPECT_EQ(inst.scalar(account.arg(QStringLiteral("admin"))), QStringLiteral("admin 9999 10 1"));
    EXPECT_EQ(inst.scalar(account.arg(QStringLiteral("staff"))), QStringLiteral("staff 13011302 5 1"));
    EXPECT_EQ(inst.scalar(account.arg(QStringLiteral("teishi"))), QStringLiteral("teishi 1301 5 0"));

    // The setup wizard's inserts name every column of these tables.
    const QString columns = QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('%1')");
    EXPECT_EQ(inst.scalar(columns.arg(QStringLiteral("CORP"))), QStringLiteral("37"));
    EXPECT_EQ(inst.scalar(columns.arg(QStringLiteral("CORP_SUB"))), QStringLiteral("57"));
    EXPECT_EQ(inst.scalar(columns.arg(QStringLiteral("STAFF"))), QStringLiteral("38"));
    EXPECT_EQ(inst.scalar(columns.arg(QStringLiteral("RIYOUSHA"))), QStringLiteral("94"));

    // Deleting a base clears 66 tables in one batch: every one of them must take it.
    QString batch;
    for (const char* table : kBaseTables)
        batch += QStringLiteral("DELETE FROM ") + QString::fromUtf8(table) +
                 QStringLiteral(" WHERE iKyotenCd = 13   AND iKyotenEb = 1; ");
    inst.exec(batch);
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0")),
              QStringLiteral("4"));
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenCd = 13")),
              QStringLiteral("3"));
}

TEST(Osql, ReportsFailedBatchesMissingScriptsAndBadArguments)
{
    TestInstallation inst;
    install(inst, QStringLiteral("osql"));
    inst.writeFile(QStringLiteral("bad.SQL"),
                   QStringLiteral("CREATE DATABASE T1\r\nGO\r\nUSE T1\r\nGO\r\n"
                                  "CREATE TABLE X (a INT);\r\nGO\r\nSELEC nonsense\r\nGO\r\n"));
    EXPECT_EQ(run(inst, QStringLiteral("osql"), osqlArgs(inst, QStringLiteral("bad.SQL"))), 1);
    EXPECT_TRUE(inst.exists(QStringLiteral("SQLDATA/PC01_MIRANE/T1.db")));
    EXPECT_FALSE(inst.readBytes(QStringLiteral("system.log")).isEmpty());

    EXPECT_EQ(run(inst, QStringLiteral("osql"), osqlArgs(inst, QStringLiteral("missing.SQL"))), 1);
    EXPECT_EQ(inst.readText(QStringLiteral("system.log")),
              QStringLiteral("スクリプトファイルを開けません: ") + inst.path() +
                  QStringLiteral("\\missing.SQL\r\n"));

    EXPECT_EQ(run(inst, QStringLiteral("osql"), {QStringLiteral("-S"), QStringLiteral("PC01\\MIRANE")}), 2);
    EXPECT_EQ(run(inst, QStringLiteral("osql"),
                  {QStringLiteral("-i"), QStringLiteral("bad.SQL"), QStringLiteral("-X")}),
              2);
    EXPECT_EQ(run(inst, QStringLiteral("osql"), {QStringLiteral("-i")}), 2);
}

TEST(Sibling, MainLogsItsCommandLineFolderAndHandOffKeys)
{
    TestInstallation inst;
    install(inst, QStringLiteral("Main"));
    inst.writeFile(
        QStringLiteral("Massage.ini"),
        QStringLiteral("[PATH]\r\nSYSTEM_DATA=\\DATA\\Data1301\r\n[運用拠点]\r\nBASEID=1301\r\n[環境]\r\n"
                       "環境名=東京－本店\r\n[権限]\r\nJOBCODE=11011\r\n[QMAP]\r\nZENRIN_USER=demo-user\r\n"
                       "ZENRIN_PWD=demo-pass\r\n"));
    const QStringList args{QStringLiteral("東京－本店"), QStringLiteral("11"), QStringLiteral("69")};
    ASSERT_EQ(run(inst, QStringLiteral("Main"), args), 0);
    ASSERT_EQ(run(inst, QStringLiteral("Main"), {QStringLiteral("11")}), 0);

    const QString cwd = QFileInfo(inst.path()).canonicalFilePath();
    const QString keys =
        QStringLiteral("BASEID=1301\r\n環境名=東京－本店\r\nJOBCODE=11011\r\nZENRIN_USER=demo-user\r\n"
                       "ZENRIN_PWD=demo-pass\r\n");
    EXPECT_EQ(inst.readBytes(QStringLiteral("Main.log")),
              textfile::encode(QStringLiteral("START Main\r\nARGS 東京－本店|11|69\r\nCWD ") + cwd +
                               QStringLiteral("\r\n") + keys +
                               QStringLiteral("START Main\r\nARGS 11\r\nCWD ") + cwd +
                               QStringLiteral("\r\n") + keys));
}

TEST(Sibling, MapCompanionClosesOnTheLaunchersCloseRequest)
{
    TestInstallation inst;
    install(inst, QStringLiteral("trtzenrin"));
    QProcess p;
    p.setProcessEnvironment(toolEnvironment());
    p.setWorkingDirectory(inst.path());
    p.start(inst.file(QStringLiteral("trtzenrin")), {});
    ASSERT_TRUE(p.waitForStarted());

    const QString name =
        platform::windowSocketName(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("QmapLogin"));
    QLocalSocket socket;
    for (int i = 0; i < 100 && socket.state() != QLocalSocket::ConnectedState; ++i) {
        socket.connectToServer(name);
        if (!socket.waitForConnected(100))
            QThread::msleep(100);
    }
    ASSERT_EQ(socket.state(), QLocalSocket::ConnectedState);
    socket.write("WM_CLOSE\n");
    socket.flush();
    socket.waitForBytesWritten(1000);

    // It quits on the request, well before its own 20-second limit.
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(inst.readText(QStringLiteral("trtzenrin.log")),
              QStringLiteral("START trtzenrin\r\nARGS \r\nCWD ") +
                  QFileInfo(inst.path()).canonicalFilePath() + QStringLiteral("\r\nCLOSE\r\n"));
}
