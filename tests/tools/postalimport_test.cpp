#include "db/tsqlscript.h"
#include "installation.h"
#include "postaldictionary.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace
{

QString postalDir()
{
    const QByteArray env = qgetenv("TOPMENU_POSTAL_DIR");
    return env.isEmpty() ? sourceDir() + "/.cache/jquery-jpostal-ja/json" : QString::fromLocal8Bit(env);
}

// Runs postalimport from the installation's folder, where it finds the databases.
int import(const TestInstallation& inst, const QString& folder, QString* err = nullptr)
{
    QFile::remove(inst.file("postalimport"));
    EXPECT_TRUE(QFile::copy(binDir() + "/postalimport", inst.file("postalimport")));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    p.setProcessEnvironment(env);
    p.start(inst.file("postalimport"), {"-S", "PC01\\MIRANE", "-d", "MIRANE45", "-i", folder});
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
}

} // namespace

TEST(PostalImport, WholeDictionaryOncePerDatabaseAndTheScriptForOsql)
{
    TestInstallation inst;
    inst.createDatabase("PC01\\MIRANE", true); // the demo data brings a few rows of its own
    std::vector<postal::Entry> entries;
    QString error;
    ASSERT_TRUE(postal::readDictionary(postalDir(), &entries, &error)) << error.toStdString();
    ASSERT_GT(entries.size(), 140000u);

    ASSERT_EQ(import(inst, postalDir()), 0);
    const QString count = QString::number(entries.size());
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), count);
    EXPECT_EQ(inst.scalar("select max(ID) from 郵便番号"), count);
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号 where YuubinNo not like '___-____'"), "0");
    EXPECT_EQ(inst.scalar("select 名称 || '|' || かな from 郵便番号 where YuubinNo = '060-0042'"),
              "北海道札幌市中央区大通西|ﾎｯｶｲﾄﾞｳｻｯﾎﾟﾛｼﾁｭｳｵｳｸｵｵﾄﾞｵﾘﾆｼ");
    EXPECT_EQ(inst.scalar("select 名称 from 郵便番号 where YuubinNo = '907-1801'"),
              "沖縄県八重山郡与那国町与那国");

    // A second run replaces the rows; a broken file leaves the table as it was.
    QTemporaryDir broken;
    ASSERT_TRUE(QFile::copy(postalDir() + "/100.json", broken.filePath("100.json")));
    QFile bad(broken.filePath("101.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("jQuery_jpostal_callback([[\"_1010021\",\"東京都\"");
    bad.close();
    QString err;
    EXPECT_EQ(import(inst, broken.path(), &err), 1);
    EXPECT_TRUE(err.contains("101.json")) << err.toStdString();
    EXPECT_EQ(import(inst, inst.path() + "/nothing", &err), 1);
    EXPECT_TRUE(err.contains("no postal dictionary files")) << err.toStdString();
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), count);

    QFile::remove(broken.filePath("101.json"));
    ASSERT_EQ(import(inst, broken.path()), 0);
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号 where YuubinNo not like '100-%'"), "0");

    // The script for databases built by osql, from two files of the dictionary.
    std::vector<postal::Entry> some;
    ASSERT_TRUE(postal::readDictionary(postalDir(), &some, &error, {"100", "907"}));
    const QString script = postal::loadScript(some);
    EXPECT_TRUE(script.startsWith(
        "BEGIN TRANSACTION;\r\ndelete from 郵便番号;\r\ninsert into 郵便番号 (ID, YuubinNo, 名称, "
        "かな) values (1,'100-0000','東京都千代田区','ﾄｳｷｮｳﾄﾁﾖﾀﾞｸ'),(2,"));
    EXPECT_TRUE(script.contains(",'907-1801','沖縄県八重山郡与那国町与那国','ｵｷﾅﾜｹﾝﾔｴﾔﾏｸﾞﾝﾖﾅｸﾞﾆﾁｮｳﾖﾅｸﾞﾆ')"));
    EXPECT_TRUE(script.endsWith("');\r\nCOMMIT TRANSACTION;\r\nGO\r\n"));
    const db::ScriptResult ok = db::runScript("USE MIRANE45\r\nGO\r\n" + script, "PC01\\MIRANE");
    EXPECT_EQ(ok.failed, 0) << ok.log.join('\n').toStdString();
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), QString::number(some.size()));

    // A dictionary table without readings refuses the script's rows: the table keeps what it
    // had, the old rows included.
    inst.exec("DROP TABLE 郵便番号; CREATE TABLE 郵便番号 (ID INT NOT NULL PRIMARY KEY, YuubinNo NVARCHAR(8),"
              " 名称 NVARCHAR(255)); INSERT INTO 郵便番号 VALUES (1, '100-0005', '東京都千代田区丸の内')");
    const db::ScriptResult refused = db::runScript("USE MIRANE45\r\nGO\r\n" + script, "PC01\\MIRANE");
    EXPECT_EQ(refused.failed, 1);
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), "1");
}
