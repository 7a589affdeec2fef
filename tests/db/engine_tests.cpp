#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/sqltext.h"

#include <QElapsedTimer>

namespace
{

std::unique_ptr<cT_ADODB> connected(const QString& database = QStringLiteral("MIRANE45"))
{
    auto db = std::make_unique<cT_ADODB>();
    db->iInit(connectionString(database));
    EXPECT_EQ(db->iConnect(), 0) << db->sErrMsg.toStdString();
    return db;
}

QStringList column(cT_ADODB& db, const QString& sql)
{
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, sql), 0) << db.sErrMsg.toStdString();
    QStringList values;
    for (; !rs.eof(); rs.moveNext())
        values << rs.field(0).toText();
    rs.close();
    return values;
}

const QString kKyoten = QStringLiteral("CREATE TABLE KYOTEN (iKyotenCd SMALLINT, iKyotenEb SMALLINT, "
                                       "[cKyotenName] NVARCHAR(255), tUpDate DATETIME)");

} // namespace

TEST(EmbeddedEngine, DialectSubset)
{
    EXPECT_EQ(db::embeddedDialect(
                  QStringLiteral(" SELECT TOP 1 KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 3"
                                 " ORDER BY KYOTEN.iKyotenEb DESC")),
              QStringLiteral(" SELECT KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 3"
                             " ORDER BY KYOTEN.iKyotenEb DESC LIMIT 1"));
    EXPECT_EQ(db::embeddedDialect(
                  QStringLiteral("select distinct top (2) a from t; SELECT 'top 5' AS [TOP] -- TOP 3")),
              QStringLiteral("select distinct a from t LIMIT 2; SELECT 'top 5' AS [TOP] -- TOP 3"));

    TestInstallation inst;
    makeDatabase(kKyoten);
    auto db = connected();
    long n = -1;
    ASSERT_EQ(db->iExecSQL(QStringLiteral("INSERT INTO KYOTEN VALUES (1, 1, 'A', GETDATE());\n"
                                          "insert into [KYOTEN] values (1, 2, 'B', GetDate());\n"
                                          "INSERT INTO KYOTEN VALUES (1, 3, 'C', '2023-12-01 08:05:09.120')"),
                           &n),
              0)
        << db->sErrMsg.toStdString();
    EXPECT_EQ(n, 3);
    EXPECT_EQ(
        db->iExecSQL(QStringLiteral("UPDATE KYOTEN SET cKyotenName = cKyotenName WHERE iKyotenEb > 1"), &n),
        0);
    EXPECT_EQ(n, 2);

    EXPECT_EQ(
        column(*db, QStringLiteral(" SELECT TOP 1 KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 1"
                                   " AND KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenEb DESC")),
        QStringList{QStringLiteral("3")});
    EXPECT_TRUE(column(*db, QStringLiteral("select top 0 cKyotenName from KYOTEN")).isEmpty());
    EXPECT_EQ(column(*db, QStringLiteral("SELECT DISTINCT TOP 5 iKyotenCd FROM KYOTEN")),
              QStringList{u"1"_qs});
    EXPECT_EQ(
        column(*db, QStringLiteral("SELECT [cKyotenName] AS [名] FROM KYOTEN WHERE iKyotenEb IN "
                                   "(SELECT TOP 2 iKyotenEb FROM KYOTEN ORDER BY iKyotenEb) ORDER BY 1")),
        (QStringList{u"A"_qs, u"B"_qs}));
    // The rows of the last statement that has columns.
    EXPECT_EQ(column(*db, QStringLiteral(
                              "SELECT 1; UPDATE KYOTEN SET iKyotenCd = 1; SELECT COUNT (*) FROM KYOTEN")),
              QStringList{u"3"_qs});

    Recordset rs;
    ASSERT_EQ(db->iOpenRecSet(rs, QStringLiteral("SELECT * FROM KYOTEN ORDER BY iKyotenEb")), 0);
    const FieldValue now = rs.field(QStringLiteral("TUPDATE"));
    EXPECT_EQ(now.kind(), FieldValue::Kind::DateTime);
    EXPECT_EQ(now.toDateTime(), inst.clock.current);
    EXPECT_EQ(rs.field(0).kind(), FieldValue::Kind::Integer);
    EXPECT_TRUE(rs.field(QStringLiteral("nothing")).isNull());
    rs.moveNext();
    rs.moveNext();
    EXPECT_EQ(rs.field(3).toDateTime(), QDateTime(QDate(2023, 12, 1), QTime(8, 5, 9, 120)));
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(column(*db, QStringLiteral("SELECT getdate()")), QStringList{u"2024-01-31 09:00:00.000"_qs});

    // Quotes doubled: a name with apostrophes is stored as typed and changes no statement.
    const QString name = QStringLiteral("O'Brien's'); DELETE FROM KYOTEN; --");
    ASSERT_EQ(db->iExecSQL(
                  QStringLiteral("INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, cKyotenName) VALUES (2, 1, '") +
                  sqlText(name) + QStringLiteral("')")),
              0)
        << db->sErrMsg.toStdString();
    EXPECT_EQ(column(*db, QStringLiteral("SELECT cKyotenName FROM KYOTEN WHERE cKyotenName = '") +
                              sqlText(name) + u'\''),
              QStringList{name});
    EXPECT_EQ(column(*db, QStringLiteral("SELECT COUNT(*) FROM KYOTEN")), QStringList{u"4"_qs});
}

TEST(EmbeddedEngine, TransactionsCommitAndRollBack)
{
    TestInstallation inst;
    makeDatabase(QStringLiteral("CREATE TABLE T (n INT PRIMARY KEY)"));
    auto db = connected();
    ASSERT_EQ(db->iBeginTrans(), 0);
    ASSERT_EQ(db->iExecSQL(QStringLiteral("INSERT INTO T VALUES (1)")), 0);
    EXPECT_EQ(db->iBeginTrans(), -1);
    EXPECT_TRUE(db->sErrMsg.startsWith(QStringLiteral("ERR:BeginTrans (-2147168237)")));
    ASSERT_EQ(db->iCommitTrans(), 0);
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM T")), QStringLiteral("1"));

    ASSERT_EQ(db->iBeginTrans(), 0);
    ASSERT_EQ(db->iExecSQL(QStringLiteral("INSERT INTO T VALUES (2)")), 0);
    ASSERT_EQ(db->iRollback(), 0);
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM T")), QStringLiteral("1"));

    // Closing with an open transaction leaves nothing behind.
    ASSERT_EQ(db->iBeginTrans(), 0);
    ASSERT_EQ(db->iExecSQL(QStringLiteral("INSERT INTO T VALUES (3)")), 0);
    ASSERT_EQ(db->iDisConnect(), 0);
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT COUNT(*) FROM T")), QStringLiteral("1"));
}

TEST(EmbeddedEngine, CommandTimeoutEndsLockWaitsAndLongStatements)
{
    TestInstallation inst;
    makeDatabase(QStringLiteral("CREATE TABLE T (n INT)"));
    auto holder = connected();
    ASSERT_EQ(holder->iBeginTrans(), 0);
    ASSERT_EQ(holder->iExecSQL(QStringLiteral("INSERT INTO T VALUES (1)")), 0);

    auto waiter = connected();
    EXPECT_EQ(waiter->iSetTimeout(1), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(waiter->iExecSQL(QStringLiteral("INSERT INTO T VALUES (2)")), -1);
    EXPECT_GE(timer.elapsed(), 950);
    EXPECT_LT(timer.elapsed(), 5000);
    const QString timeout = QStringLiteral("クエリのタイムアウトが発生しました。");
    EXPECT_EQ(waiter->sErrMsg, QStringLiteral("ERR:iExecSQL (-2147217871)") + timeout +
                                   oneErrorLog(-2147217871, timeout, QStringLiteral("HYT00"), 5) +
                                   QStringLiteral("\rSQL=INSERT INTO T VALUES (2)"));
    // Readers are not blocked by the writer.
    EXPECT_EQ(column(*waiter, QStringLiteral("SELECT COUNT(*) FROM T")), QStringList{u"0"_qs});
    ASSERT_EQ(holder->iRollback(), 0);

    const QString endless = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                                           "SELECT COUNT(*) FROM c");
    Recordset rs;
    timer.restart();
    EXPECT_EQ(waiter->iOpenRecSet(rs, endless), -1);
    EXPECT_GE(timer.elapsed(), 950);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(waiter->sErrMsg, QStringLiteral("(-2147217871)") + timeout + QStringLiteral("\rSQL=") +
                                   endless.left(80) + QStringLiteral("・・・") +
                                   oneErrorLog(-2147217871, timeout, QStringLiteral("HYT00"), 9));
    EXPECT_EQ(waiter->iExecSQL(QStringLiteral("INSERT INTO T VALUES (2)")), 0)
        << waiter->sErrMsg.toStdString();
}

TEST(Script, BatchesDatabasesAndFailures)
{
    TestInstallation inst;
    const QString script = QStringLiteral("CREATE DATABASE Scr\r\nGO\r\nUSE [Scr]\r\ngo\r\n"
                                          "CREATE TABLE A (n INT);\r\nINSERT INTO A VALUES (1);\r\n  GO  \r\n"
                                          "INSERT INTO NOPE VALUES (1)\r\nGO\r\n-- a comment only\r\nGO\r\n"
                                          "INSERT INTO A VALUES (2)");
    db::ScriptResult r = db::runScript(script, kServer);
    EXPECT_EQ(r.batches, 5);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.log,
              (QStringList{u"バッチ 1: OK"_qs, u"バッチ 2: OK"_qs, u"バッチ 3: OK"_qs, u"バッチ 4: エラー"_qs,
                           u"  no such table: NOPE (SQL State 42000, Native Error 1)"_qs,
                           u"  SQL=INSERT INTO NOPE VALUES (1)"_qs, u"バッチ 5: OK"_qs}));
    EXPECT_TRUE(inst.exists(QStringLiteral("SQLDATA/PC01_MIRANE/Scr.db")));
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT SUM(n) FROM A"), kServer, QStringLiteral("SCR")),
              QStringLiteral("3"));

    r = db::runScript(QStringLiteral("CREATE DATABASE SCR\nGO\nSELECT 1\nGO\nUSE Nowhere\nGO\n"), kServer);
    EXPECT_EQ(r.batches, 3);
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(
        r.log.value(1),
        QStringLiteral(
            "  データベース 'SCR' は既に存在します。別のデータベース名を選択してください。 (SQL State 42000, "
            "Native Error 0)"));
    EXPECT_TRUE(r.log.join(u'\n').contains(QStringLiteral("データベースが選択されていません。")));

    r = db::runScript(QStringLiteral("INSERT INTO A VALUES (4)\nGO\nDROP DATABASE SCR\nGO"), kServer,
                      QStringLiteral("Scr"));
    EXPECT_EQ(r.failed, 0) << r.log.join(u'\n').toStdString();
    EXPECT_FALSE(inst.exists(QStringLiteral("SQLDATA/PC01_MIRANE/Scr.db")));
}
