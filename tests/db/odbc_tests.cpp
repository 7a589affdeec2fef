// The connection class on the embedded engine and on ODBC (SQLite ODBC driver; FreeTDS).

#include "dbtest.h"
#include "installation.h"
#include "odbcdrivers.h"

#include "db/odbcprovider.h"
#include "db/provider.h"
#include "db/sqltext.h"

#include <QElapsedTimer>

namespace
{

enum class Engine { Embedded, Odbc };

class ConnectionClassOnBothEngines : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        if (odbc()) {
            if (!odbcTestDrivers())
                GTEST_SKIP() << "no SQLite ODBC driver";
            useOdbcDriver(inst, kSqliteOdbcDriver);
        }
    }
    bool odbc() const { return GetParam() == Engine::Odbc; }

    // The suite's connection string; the SQLite driver takes the database file as Database.
    QString connection() const { return odbc() ? sqliteOdbcConnectionString() : connectionString(); }
    std::unique_ptr<cT_ADODB> connected() const { return ::connected(connection()); }
    // The first value of a query, read on a connection of its own.
    QString scalar(const QString& sql) const { return column(*connected(), sql).value(0); }

    TestInstallation inst;
};

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionClassOnBothEngines,
                         ::testing::Values(Engine::Embedded, Engine::Odbc),
                         [](const auto& info) { return info.param == Engine::Odbc ? "Odbc" : "Embedded"; });

const QString kTimeout = "クエリのタイムアウトが発生しました。";

} // namespace

TEST_P(ConnectionClassOnBothEngines, ConnectOnceTheFailureTextsOfEveryCallRowCountsAndTransactions)
{
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY, s NVARCHAR(20))");
    auto db = connected();
    EXPECT_EQ(db->commandTimeout(), 180);

    // A statement's error in the engine's words and the log of its own records (the list is cleared
    // once logged); a query's statement cut after 80 characters, iExecSQL's not (the timeouts).
    const QString missing = "no such table: NOPE" + QString(odbc() ? " (1)" : ""); // the driver adds the code
    const QString log = oneErrorLog(-2147217900, missing, odbc() ? "HY000" : "42000", 1);
    const QString sql80 = "SELECT * FROM NOPE WHERE n = " + QString(51, u'1'); // 80 characters
    Recordset rs;
    EXPECT_EQ(failure(db->iOpenRecSet(rs, sql80), *db), "(-2147217900)" + missing + "\rSQL=" + sql80 + log);

    // A temporary table lives as long as its connection: still there, so not reopened.
    exec(*db, "CREATE TEMP TABLE Mine (a INT)");
    EXPECT_EQ(db->iConnect(), 0);
    EXPECT_TRUE(column(*db, "SELECT * FROM Mine").isEmpty());

    EXPECT_EQ(db->iDisConnect(), 0);
    EXPECT_EQ(db->iExecSQL("DELETE FROM T"), -1);
    ASSERT_EQ(db->iConnect(), 0); // a fresh connection with the same string
    EXPECT_TRUE(failure(db->iOpenRecSet(rs, "SELECT * FROM Mine"), *db)
                    .startsWith("(-2147217900)no such table: Mine"));

    // Rows counted over a batch.
    const std::pair<const char*, long> counted[] = {
        {"INSERT INTO T VALUES (1, 'a');\nINSERT INTO T VALUES (2, 'b') INSERT INTO T VALUES (3, 'c')", 3},
        {"UPDATE T SET s = 'x' WHERE n > 1", 2},
        {"CREATE TABLE U (a INT)", 0},
        {"DELETE FROM T WHERE n <> 2", 2}};
    for (const auto& [sql, rows] : counted) {
        SCOPED_TRACE(sql);
        long n = -1;
        exec(*db, sql, &n);
        EXPECT_EQ(n, rows);
    }
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(n || s) FROM T"), "2x");

    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*db, 1));
    ASSERT_EQ(db->iCommitTrans(), 0) << db->sErrMsg.toStdString();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "2");
    EXPECT_TRUE(failure(db->iCommitTrans(), *db).startsWith("ERR:CommitTrans (-2147168242)"));

    // A failing statement inside leaves the transaction for the caller's rollback.
    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*db, 4));
    EXPECT_EQ(db->iExecSQL("INSERT INTO T (n) VALUES (1)"), -1);
    ASSERT_EQ(db->iRollback(), 0) << db->sErrMsg.toStdString();
    EXPECT_EQ(column(*db, "SELECT COUNT(*) FROM T"), QStringList{"2"});
}

TEST_P(ConnectionClassOnBothEngines, ReadsEveryValueType)
{
    makeDatabase("CREATE TABLE V (n INT, f FLOAT, s NVARCHAR(255), d DATETIME, memo NVARCHAR(4000))");
    auto db = connected();
    const QString name = "訪問マッサージ O'Brien";
    const QString memo = QString(3000, u'あ') + "end";
    exec(*db,
         "INSERT INTO V VALUES (7, 2.5, '" + sqlText(name) + "', '2023-12-01 08:05:09.120', '" + memo +
             "');\nINSERT INTO V (n) VALUES (-3000000000);\nINSERT INTO V (n, d) VALUES ('12a', '31/12')");

    Recordset rs;
    ASSERT_EQ(db->iOpenRecSet(rs, "SELECT n, f, s, d, memo FROM V ORDER BY n DESC"), 0);
    // SQLite keeps text written into a number or date column as text (texts sort last).
    EXPECT_EQ(std::pair(rs.field(0), rs.field(3)),
              std::pair(FieldValue(QString("12a")), FieldValue(QString("31/12"))));
    rs.moveNext();
    EXPECT_EQ(std::tuple(rs.field("N"), rs.field("f"), rs.field("s"), rs.field("d"), rs.field("memo")),
              std::tuple(FieldValue(7), FieldValue(2.5), FieldValue(name),
                         FieldValue(QDateTime(QDate(2023, 12, 1), QTime(8, 5, 9, 120))), FieldValue(memo)));
    rs.moveNext();
    EXPECT_EQ(rs.field(0), FieldValue(qint64(-3000000000)));
    for (int c = 1; c < 5; ++c)
        EXPECT_TRUE(rs.field(c).isNull()) << c;
    rs.close();

    // The rows of the last statement that has columns; a TOP limits its own statement (the
    // SQLite driver's rewrite runs over the whole batch: there, with a semicolon between).
    EXPECT_EQ(column(*db, "SELECT 1; UPDATE V SET n = n; SELECT COUNT(*) FROM V"), QStringList{"3"});
    EXPECT_EQ(column(*db, "SELECT TOP 1 n FROM V ORDER BY n" + QString(odbc() ? ";" : "") +
                              " SELECT TOP 2 n FROM V ORDER BY n DESC"),
              QStringList({"12a", "7"}));
}

TEST_P(ConnectionClassOnBothEngines, CommandTimeoutEndsLockWaitsAndLongStatements)
{
    makeDatabase("CREATE TABLE T (n INT)");
    auto holder = connected();
    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*holder, 1));

    auto waiter = connected();
    EXPECT_EQ(waiter->iSetTimeout(1), 0);
    QElapsedTimer timer;
    // Not before the second is up (the upper bound only catches a wait without limit).
    const auto timed = [&](int status) {
        EXPECT_GE(timer.elapsed(), 950);
        EXPECT_LT(timer.elapsed(), 10000);
        return failure(status, *waiter);
    };
    const QString insert = "INSERT INTO T VALUES (" + QString(90, u'2') + ")";
    timer.start();
    EXPECT_EQ(timed(waiter->iExecSQL(insert)), "ERR:iExecSQL (-2147217871)" + kTimeout +
                                                   oneErrorLog(-2147217871, kTimeout, "HYT00", 5) +
                                                   "\rSQL=" + insert);
    ASSERT_EQ(holder->iRollback(), 0);

    const QString endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                            "SELECT COUNT(*) FROM c";
    Recordset rs;
    timer.restart();
    EXPECT_EQ(timed(waiter->iOpenRecSet(rs, endless)), "(-2147217871)" + kTimeout +
                                                           "\rSQL=" + endless.left(80) + "・・・" +
                                                           oneErrorLog(-2147217871, kTimeout, "HYT00", 9));
    exec(*waiter, "INSERT INTO T VALUES (2)");
}

TEST(Odbc, ConnectionStringAndStatementsForTheDataSource)
{
    const QString odd =
        "Provider=SQLOLEDB;Data Source=(local)\\MIRANE,1433;Database=M 45 ;uid=sa;pwd=\"p;w}d\"";
    // Connection, driver, options, the driver's connection string.
    const std::tuple<QString, QString, QString, QString> cases[] = {
        {connectionString(), "", "",
         "DRIVER={FreeTDS};SERVER=PC01\\MIRANE;DATABASE=MIRANE45;UID=sa;PWD=mtr4827"},
        {odd, " FreeTDS ", "",
         "DRIVER={FreeTDS};SERVER=localhost\\MIRANE;PORT=1433;DATABASE=M 45;UID=sa;PWD={p;w}}d}"},
        {odd, "ODBC Driver 18 for SQL Server", "",
         "DRIVER={ODBC Driver 18 for SQL Server};SERVER=(local)\\MIRANE,1433;DATABASE=M "
         "45;UID=sa;PWD={p;w}}d}"},
        {"Data Source=tcp:.,1500;Database= a ;pwd={x}", "FreeTDS", " TDS_Version=7.4;ClientCharset=UTF-8 ",
         "DRIVER={FreeTDS};SERVER=localhost;PORT=1500;DATABASE=a;UID=;PWD={{x}}};TDS_Version=7.4;"
         "ClientCharset=UTF-8"}};
    for (const auto& [connection, driver, options, expected] : cases)
        EXPECT_EQ(db::odbcConnectionString(db::ConnectionString::parse(connection), driver, options),
                  expected);

    // Statements as the data source takes them.
    EXPECT_EQ(db::odbcDialect("Microsoft SQL Server"), db::OdbcDialect::SqlServer); // SQLite: the ODBC runs

    const QString batch = "SELECT TOP 1 a FROM T ORDER BY a; UPDATE T SET d = GETDATE() WHERE s = 'x;y'";
    EXPECT_EQ(db::odbcStatements(batch, db::OdbcDialect::SqlServer), QStringList{batch});
    EXPECT_EQ(db::odbcStatements(batch, db::OdbcDialect::Other),
              QStringList{"SELECT a FROM T ORDER BY a LIMIT 1; UPDATE T SET d = GETDATE() WHERE s = 'x;y'"});
    EXPECT_EQ(
        db::odbcStatements(batch, db::OdbcDialect::Sqlite),
        QStringList({"SELECT a FROM T ORDER BY a LIMIT 1",
                     "UPDATE T SET d = strftime('%Y-%m-%d %H:%M:%f','now','localtime') WHERE s = 'x;y'"}));
    // A trigger's body and CASE ... END stay inside their statements; empty pieces go.
    const QString trigger =
        "CREATE TRIGGER tr AFTER INSERT ON T BEGIN UPDATE T SET a = CASE WHEN a > 0 THEN 1 "
        "ELSE 0 END; DELETE FROM U; END";
    EXPECT_EQ(db::odbcStatements(" ; " + trigger + ";\n-- [x;]\n;SELECT [a;b] FROM T -- ;",
                                 db::OdbcDialect::Sqlite),
              QStringList({trigger, "SELECT [a;b] FROM T"}));
}

TEST(Odbc, EveryDiagnosticRecordBecomesAProviderError)
{
    TestInstallation inst;
    if (!odbcTestDrivers() || !QFileInfo::exists(kOdbcDriverFolder + "libtdsodbc.so"))
        GTEST_SKIP() << "no ODBC drivers";
    // FreeTDS reports a refused connection with two records.
    useOdbcDriver(inst, kFreeTdsOdbcDriver, "TDS_Version=7.4");
    std::vector<db::ProviderError> errors;
    EXPECT_EQ(
        db::openProvider("Provider=SQLOLEDB;Data Source=127.0.0.1,1;Database=MIRANE45;uid=sa;pwd=x", errors),
        nullptr);
    ASSERT_EQ(errors.size(), 2u);
    const auto fields = [](const db::ProviderError& e) {
        return QStringList{QString::number(e.number), e.description, e.source, e.sqlState,
                           QString::number(e.nativeError)};
    };
    const QString source = "Microsoft OLE DB Provider for SQL Server";
    EXPECT_EQ(
        fields(errors[0]),
        QStringList({"-2147467259", "Unable to connect: Adaptive Server is unavailable or does not exist",
                     source, "08S01", "20009"}));
    EXPECT_EQ(fields(errors[1]).mid(1),
              QStringList({"Unable to connect to data source", source, "08001", "0"}));

    // The driver manager's own record, when the driver cannot be loaded.
    useOdbcDriver(inst, "NoSuchDriver");
    cT_ADODB db;
    db.iInit(connectionString());
    EXPECT_EQ(failure(db.iConnect(), db), "(-2147467259)Can't open lib 'NoSuchDriver' : file not found");
}
