// The connection class behaves the same on the embedded engine and on the ODBC provider. The
// ODBC path runs for real: unixODBC with Debian's SQLite ODBC driver on the same database
// file, configured here through a driver list of the test's own (ODBCSYSINI).

#include "dbtest.h"
#include "installation.h"
#include "odbcdrivers.h"

#include "db/provider.h"
#include "db/sqltext.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

class BothEngines : public ::testing::TestWithParam<QString>
{
protected:
    void SetUp() override
    {
        makeDatabase("CREATE TABLE T (n INT PRIMARY KEY, c NVARCHAR(50), f FLOAT, d DATETIME)");
        if (odbc()) {
            if (!odbcTestDrivers())
                GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) is not installed";
            useOdbcDriver(inst, kSqliteOdbcDriver);
        }
    }
    bool odbc() const { return GetParam() == "odbc"; }

    // A connection on the engine under test; the SQLite driver takes the file as its database.
    std::unique_ptr<cT_ADODB> open() const
    {
        auto db = std::make_unique<cT_ADODB>();
        db->iInit(odbc() ? "Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=" +
                               inst.file("SQLDATA/PC01_MIRANE/MIRANE45.db") + ";uid=sa;pwd=mtr4827"
                         : connectionString());
        EXPECT_EQ(db->iConnect(), 0) << db->sErrMsg.toStdString();
        return db;
    }

    TestInstallation inst;
};

} // namespace

TEST_P(BothEngines, ReadsEveryValueType)
{
    auto db = open();
    const QString name = "施術 'O''Brien'";
    long n = -1;
    ASSERT_EQ(db->iExecSQL("INSERT INTO T VALUES (1, '" + sqlText(name) +
                               "', 2.5, '2023-12-01 08:05:09.120')\n"
                               "INSERT INTO T (n) VALUES (2)",
                           &n),
              0)
        << db->sErrMsg.toStdString();
    EXPECT_EQ(n, 2);
    Recordset rs;
    ASSERT_EQ(db->iOpenRecSet(rs, "SELECT TOP 5 n, c, f, d FROM T ORDER BY n"), 0)
        << db->sErrMsg.toStdString();
    EXPECT_EQ(rs.field("n").kind(), FieldValue::Kind::Integer);
    EXPECT_EQ(rs.field("N").toText(), "1");
    EXPECT_EQ(rs.field("c").toText(), name);
    EXPECT_EQ(rs.field("f").kind(), FieldValue::Kind::Floating);
    EXPECT_EQ(rs.field("f").toText(), "2.5");
    EXPECT_EQ(rs.field("d").toDateTime(), QDateTime(QDate(2023, 12, 1), QTime(8, 5, 9, 120)));
    rs.moveNext();
    EXPECT_TRUE(rs.field("c").isNull());
    EXPECT_TRUE(rs.field("d").isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    // A second open on an open recordset is refused (3705); closed, it opens again.
    EXPECT_EQ(failure(db->iOpenRecSet(rs, "SELECT 1"), *db),
              "( 3705)オブジェクトが開いている場合は、操作は許可されません。\rSQL=SELECT 1");
    rs.close();
    EXPECT_EQ(db->iOpenRecSet(rs, "SELECT COUNT(*) AS k FROM T WHERE d < GETDATE()"), 0)
        << db->sErrMsg.toStdString();
    EXPECT_EQ(rs.field("k").toText(), "1");
}

TEST_P(BothEngines, TransactionsFailuresAndTheClosedConnection)
{
    auto db = open();
    ASSERT_EQ(db->iBeginTrans(), 0) << db->sErrMsg.toStdString();
    ASSERT_EQ(db->iExecSQL("INSERT INTO T (n) VALUES (1)"), 0);
    ASSERT_EQ(db->iCommitTrans(), 0) << db->sErrMsg.toStdString();
    ASSERT_EQ(db->iBeginTrans(), 0);
    ASSERT_EQ(db->iExecSQL("INSERT INTO T (n) VALUES (2); INSERT INTO T (n) VALUES (3)"), 0);
    ASSERT_EQ(db->iRollback(), 0) << db->sErrMsg.toStdString();
    EXPECT_EQ(column(*db, "SELECT group_concat(n) FROM T"), QStringList{"1"});
    EXPECT_EQ(failure(db->iRollback(), *db),
              "ERR:Rollback (-2147168242)トランザクションがアクティブではありません。");

    // A failing statement: one provider record in the server's form, with the engine's own
    // words (the SQLite driver adds its code and gives the general state).
    const QString failed = failure(db->iExecSQL("INSERT INTO NOPE VALUES (1)"), *db);
    const QString missing = odbc() ? "no such table: NOPE (1)" : "no such table: NOPE";
    EXPECT_TRUE(failed.startsWith("ERR:iExecSQL (-2147217900)" + missing + "\rConnection State=1\r"))
        << failed.toStdString();
    EXPECT_TRUE(failed.endsWith("\r  SQL State: " + QString(odbc() ? "HY000" : "42000") +
                                "\r  Native Error: 1\r\r1 provider error(s) occurred.\rSQL=INSERT INTO NOPE "
                                "VALUES (1)"))
        << failed.toStdString();
    const QString unique = failure(db->iExecSQL("INSERT INTO T (n) VALUES (1)"), *db);
    EXPECT_TRUE(unique.startsWith(
        "ERR:iExecSQL (-2147217900)" +
        QString(odbc() ? "UNIQUE constraint failed: T.n (19)"
                       : "一意制約に違反しています。重複するキーは挿入できません。 (SQLite: UNIQUE "
                         "constraint failed: T.n)")))
        << unique.toStdString();

    ASSERT_EQ(db->iDisConnect(), 0);
    EXPECT_EQ(failure(db->iDisConnect(), *db),
              "( 3704)オブジェクトが閉じている場合は、操作は許可されません。");
    EXPECT_EQ(failure(db->iExecSQL("DELETE FROM T"), *db),
              "ERR:iExecSQL ( 3709)接続が閉じているか、このコンテキストで無効です。\rSQL=DELETE FROM T");
}

TEST_P(BothEngines, ALockOutlastingTheCommandTimeoutIsATimeout)
{
    auto holder = open();
    ASSERT_EQ(holder->iBeginTrans(), 0);
    ASSERT_EQ(holder->iExecSQL("INSERT INTO T (n) VALUES (1)"), 0) << holder->sErrMsg.toStdString();
    auto waiter = open();
    EXPECT_EQ(waiter->iSetTimeout(1), 0);
    const QString timeout = "クエリのタイムアウトが発生しました。";
    const QString failed = failure(waiter->iExecSQL("INSERT INTO T (n) VALUES (2)"), *waiter);
    EXPECT_TRUE(failed.startsWith("ERR:iExecSQL (-2147217871)" + timeout +
                                  "\rConnection State=1\rError Number: "
                                  "-2147217871\r  Description: " +
                                  timeout))
        << failed.toStdString();
    EXPECT_TRUE(failed.contains("\r  SQL State: HYT00\r")) << failed.toStdString();
    ASSERT_EQ(holder->iRollback(), 0);
    EXPECT_EQ(waiter->iExecSQL("INSERT INTO T (n) VALUES (2)"), 0) << waiter->sErrMsg.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, BothEngines, ::testing::Values(QString("embedded"), QString("odbc")),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

TEST(OdbcProvider, EveryDiagnosticRecordBecomesOneProviderError)
{
    if (!QFileInfo::exists(kOdbcDriverFolder + "libtdsodbc.so"))
        GTEST_SKIP() << "FreeTDS (tdsodbc) is not installed";
    TestInstallation inst;
    useOdbcDriver(inst, kFreeTdsOdbcDriver);
    // No server listens here: FreeTDS answers with more than one diagnostic record.
    std::vector<db::ProviderError> errors;
    EXPECT_EQ(
        db::openProvider("Provider=SQLOLEDB;Data Source=127.0.0.1;Database=MIRANE45;uid=sa;pwd=x", errors),
        nullptr);
    ASSERT_GE(errors.size(), 2u);
    QStringList descriptions;
    for (const db::ProviderError& e : errors)
        descriptions << e.description;
    // The driver's "[unixODBC][FreeTDS][SQL Server]" prefixes are not part of the server's text.
    EXPECT_TRUE(descriptions.contains("Unable to connect to data source"))
        << descriptions.join('|').toStdString();
    EXPECT_TRUE(descriptions.contains("Unable to connect: Adaptive Server is unavailable or does not exist"))
        << descriptions.join('|').toStdString();
    for (const db::ProviderError& e : errors) {
        EXPECT_EQ(e.number, db::kConnectionError);
        EXPECT_EQ(e.source, db::kProviderSource);
        EXPECT_EQ(e.sqlState.size(), 5);
    }

    // Through the connection class, the first record names the failure.
    cT_ADODB db;
    db.iInit("Provider=SQLOLEDB;Data Source=127.0.0.1;Database=MIRANE45;uid=sa;pwd=x");
    const QString refused = failure(db.iConnect(), db);
    EXPECT_TRUE(refused.startsWith("(-2147467259)Unable to connect")) << refused.toStdString();
}
