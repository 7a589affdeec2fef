#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/recipe.h"

using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

const QString kClosedConnection = QStringLiteral("( 3709)接続が閉じているか、このコンテキストで無効です。");
const QString kNoSuchTable = QStringLiteral("no such table: NOPE");

// A provider whose queries fail with two records and whose rollback succeeds with a warning.
class TwoErrorProvider : public db::ProviderConnection
{
public:
    bool query(const QString&, db::ResultSet*, std::vector<db::ProviderError>& errors) override
    {
        errors.push_back(
            {-2147217900, QStringLiteral("first"), QStringLiteral("S"), QStringLiteral("42S02"), 208});
        errors.push_back(
            {-2147217900, QStringLiteral("second"), QStringLiteral("S"), QStringLiteral("01000"), 3621});
        return false;
    }
    bool execute(const QString&, long*, std::vector<db::ProviderError>&) override { return true; }
    bool beginTransaction(std::vector<db::ProviderError>&) override { return true; }
    bool commit(std::vector<db::ProviderError>&) override { return true; }
    bool rollback(std::vector<db::ProviderError>& errors) override
    {
        errors.push_back({5701, QStringLiteral("warn"), QStringLiteral("S"), QStringLiteral("01000"), 5701});
        return true;
    }
    void setCommandTimeout(int) override {}
};

struct FactoryGuard {
    ~FactoryGuard() { db::setProviderFactory({}); }
};

} // namespace

TEST(ConnectionString, AliasesQuotesAndDatabaseFile)
{
    TestInstallation inst;
    auto cs = db::ConnectionString::parse(connectionString());
    EXPECT_EQ(cs.provider, QStringLiteral("SQLOLEDB"));
    EXPECT_EQ(cs.dataSource, QStringLiteral("PC01\\MIRANE"));
    EXPECT_EQ(cs.database, QStringLiteral("MIRANE45"));
    EXPECT_EQ(cs.user, QStringLiteral("sa"));
    EXPECT_EQ(cs.password, QStringLiteral("mtr4827"));

    cs = db::ConnectionString::parse(
        QStringLiteral("server = 'a;b' ; INITIAL CATALOG=\"x\"\"y\";User ID=u;Password=p=q;junk"));
    EXPECT_EQ(cs.dataSource, QStringLiteral("a;b"));
    EXPECT_EQ(cs.database, QStringLiteral("x\"y"));
    EXPECT_EQ(cs.user, QStringLiteral("u"));
    EXPECT_EQ(cs.password, QStringLiteral("p=q"));

    EXPECT_EQ(db::embeddedDatabaseFile(QStringLiteral("pc01\\mirane"), QStringLiteral("MIRANE45")),
              inst.path() + QStringLiteral("/SQLDATA/PC01_MIRANE/MIRANE45.db"));
}

TEST(Connection, FailureTextsOfAClosedConnection)
{
    TestInstallation inst;
    cT_ADODB db;
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, QStringLiteral("SELECT 1")), -1);
    EXPECT_EQ(db.sErrMsg, kClosedConnection + QStringLiteral("\rSQL=SELECT 1"));
    EXPECT_EQ(db.iExecSQL(QStringLiteral("DELETE FROM T")), -1);
    EXPECT_EQ(db.sErrMsg,
              QStringLiteral("ERR:iExecSQL ") + kClosedConnection + QStringLiteral("\rSQL=DELETE FROM T"));
    EXPECT_EQ(db.iBeginTrans(), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("ERR:BeginTrans ") + kClosedConnection);
    EXPECT_EQ(db.iDisConnect(), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("( 3704)オブジェクトが閉じている場合は、操作は許可されません。"));

    EXPECT_EQ(db.iSetTimeout(0), 0);
    EXPECT_EQ(db.iSetTimeout(-5), 0);
    EXPECT_EQ(db.commandTimeout(), 30);
    EXPECT_EQ(db.iSetTimeout(7), 0);
    EXPECT_EQ(db.commandTimeout(), 7);
    EXPECT_EQ(cT_ADODB::csGetComputerName(), QStringLiteral("PC01"));
}

TEST(Connection, ConnectOnceRollbackWithoutTransactionDisconnectTwice)
{
    TestInstallation inst;
    makeDatabase(QStringLiteral("CREATE TABLE T (n INT PRIMARY KEY)"));
    cT_ADODB db;
    db.iInit(connectionString());
    ASSERT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
    EXPECT_EQ(db.state(), ado::adStateOpen);
    EXPECT_EQ(db.commandTimeout(), 180);

    // A temporary table lives only as long as its connection: still there, so not reopened.
    ASSERT_EQ(db.iExecSQL(QStringLiteral("CREATE TEMP TABLE Mine (a INT)")), 0);
    EXPECT_EQ(db.iConnect(), 0);
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, QStringLiteral("SELECT * FROM Mine")), 0) << db.sErrMsg.toStdString();

    EXPECT_EQ(db.iRollback(), -1);
    EXPECT_EQ(db.sErrMsg,
              QStringLiteral("ERR:Rollback (-2147168242)トランザクションがアクティブではありません。"));
    EXPECT_EQ(db.iCommitTrans(), -1);
    EXPECT_TRUE(db.sErrMsg.startsWith(QStringLiteral("ERR:CommitTrans (-2147168242)")));

    EXPECT_EQ(db.iDisConnect(), 0);
    EXPECT_EQ(db.state(), ado::adStateClosed);
    EXPECT_EQ(db.iDisConnect(), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("( 3704)オブジェクトが閉じている場合は、操作は許可されません。"));
    EXPECT_EQ(db.iConnect(), 0); // a fresh connection object with the same string
}

TEST(Connection, StatementCutAt80AndProviderLog)
{
    TestInstallation inst;
    makeDatabase(QStringLiteral("CREATE TABLE T (n INT PRIMARY KEY)"));
    cT_ADODB db;
    db.iInit(connectionString());
    ASSERT_EQ(db.iConnect(), 0);
    const QString log = oneErrorLog(-2147217900, kNoSuchTable, QStringLiteral("42000"), 1);

    const QString head = QStringLiteral("SELECT * FROM NOPE WHERE n = ");
    const QString sql80 = head + QString(80 - head.size(), u'1');
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, sql80), -1);
    EXPECT_EQ(db.sErrMsg,
              QStringLiteral("(-2147217900)") + kNoSuchTable + QStringLiteral("\rSQL=") + sql80 + log);
    EXPECT_EQ(db.iOpenRecSet(rs, sql80 + u'1'), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("(-2147217900)") + kNoSuchTable + QStringLiteral("\rSQL=") + sql80 +
                              QStringLiteral("・・・") + log);

    const QString longInsert = QStringLiteral("INSERT INTO NOPE VALUES (") + QString(200, u'9') + u')';
    EXPECT_EQ(db.iExecSQL(longInsert), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("ERR:iExecSQL (-2147217900)") + kNoSuchTable + log +
                              QStringLiteral("\rSQL=") + longInsert);

    ASSERT_EQ(db.iExecSQL(QStringLiteral("INSERT INTO T VALUES (1)")), 0);
    EXPECT_EQ(db.iExecSQL(QStringLiteral("INSERT INTO T VALUES (1)")), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("ERR:iExecSQL (-2147217900)UNIQUE constraint failed: T.n") +
                              oneErrorLog(-2147217900, QStringLiteral("UNIQUE constraint failed: T.n"),
                                          QStringLiteral("23000"), 1555) +
                              QStringLiteral("\rSQL=INSERT INTO T VALUES (1)"));
}

TEST(Connection, TwoProviderErrorsLoggedOnce)
{
    TestInstallation inst;
    FactoryGuard guard;
    db::setProviderFactory([](const QString&, std::vector<db::ProviderError>&) {
        return std::unique_ptr<db::ProviderConnection>(new TwoErrorProvider);
    });
    cT_ADODB db;
    ASSERT_EQ(db.iConnect(), 0);
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, QStringLiteral("SELECT x")), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("(-2147217900)first\rSQL=SELECT x\rConnection State=1"
                                         "\rError Number: -2147217900\r  Description: first\r  Source: S"
                                         "\r  SQL State: 42S02\r  Native Error: 208"
                                         "\rError Number: -2147217900\r  Description: second\r  Source: S"
                                         "\r  SQL State: 01000\r  Native Error: 3621"
                                         "\r\r2 provider error(s) occurred."));
    QString other = QStringLiteral("x");
    db.vAddAdoErrorLog(other);
    EXPECT_EQ(other, QStringLiteral("x")); // the list was cleared once logged

    // A rollback that succeeds but leaves a record fails and appends the record's log.
    ASSERT_EQ(db.iBeginTrans(), 0);
    db.sErrMsg = QStringLiteral("before");
    EXPECT_EQ(db.iRollback(), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("before\rConnection State=1\rError Number: 5701\r  Description: warn"
                                         "\r  Source: S\r  SQL State: 01000\r  Native Error: 5701"
                                         "\r\r1 provider error(s) occurred."));
}

TEST(Recipe, MessagesNameTheProcedure)
{
    TestInstallation inst;
    const QString proc = QStringLiteral("iTest() でエラー");
    const auto lastText = [&] {
        return inst.messages.shown.empty() ? QString() : inst.messages.shown.back().text;
    };

    EXPECT_EQ(openConnection(proc), nullptr);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_EQ(lastText(), proc + QStringLiteral("\r\n指定されたIni（") + inst.path() +
                              QStringLiteral("\\adodb.ini）ファイルが見つかりません。"));
    EXPECT_EQ(inst.messages.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(inst.messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(inst.messages.shown[0].title, QString());

    inst.writeFile(QStringLiteral("adodb.ini"), QStringLiteral("[接続情報]\r\n接続情報=   \r\n"));
    EXPECT_EQ(openConnection(proc), nullptr);
    EXPECT_EQ(lastText(), proc + QStringLiteral("\r\n接続文字列取得できません。"));

    inst.writeAdodbIni();
    EXPECT_EQ(openConnection(proc), nullptr);
    EXPECT_EQ(lastText(),
              proc +
                  QStringLiteral("\r\n(-2147467259)SQL Server が存在しないか、アクセスが拒否されました。"));
    makeDatabase(QString(), QStringLiteral("OTHER"));
    EXPECT_EQ(openConnection(proc), nullptr);
    EXPECT_EQ(lastText(),
              proc + QStringLiteral("\r\n(-2147467259)ログインで要求されたデータベース \"MIRANE45\" を開けま"
                                    "せん。ログインに失敗しました。"));

    makeDatabase(QString());
    const size_t shown = inst.messages.shown.size();
    auto db = openConnection(proc);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->state(), ado::adStateOpen);
    EXPECT_EQ(inst.messages.shown.size(), shown);

    QString error;
    inst.writeFile(QStringLiteral("adodb.ini"), QStringLiteral("[接続情報]\r\n"));
    EXPECT_EQ(openConnectionQuiet(proc, &error), nullptr);
    EXPECT_EQ(error, proc + QStringLiteral("\r\n接続文字列取得できません。"));
    EXPECT_EQ(inst.messages.shown.size(), shown);

    db->sErrMsg = QStringLiteral("cause");
    showDbError(proc, *db);
    EXPECT_EQ(lastText(), proc + QStringLiteral("\r\ncause"));
}

TEST(Engines, ChoiceBySqlEngineIni)
{
    TestInstallation inst;
    cT_ADODB db;
    db.iInit(connectionString());
    inst.writeFile(QStringLiteral("SqlEngine.ini"),
                   QStringLiteral("[SQLOLEDB]\r\nEngine=odbc\r\nDriver=NoSuchDriver\r\n"));
    EXPECT_EQ(db.iConnect(), -1);
    EXPECT_TRUE(db.sErrMsg.startsWith(QStringLiteral("(-2147467259)"))) << db.sErrMsg.toStdString();
    EXPECT_GT(db.sErrMsg.size(), 20);

    inst.writeFile(QStringLiteral("SqlEngine.ini"), QStringLiteral("[SQLOLEDB]\r\nEngine=sqlite\r\n"));
    EXPECT_EQ(db.iConnect(), -1);
    EXPECT_EQ(db.sErrMsg, QStringLiteral("(-2147467259)SqlEngine.ini の Engine=sqlite は使えません。embedded "
                                         "か odbc を指定してください。"));

    makeDatabase(QString());
    inst.writeFile(QStringLiteral("SqlEngine.ini"), QStringLiteral("[SQLOLEDB]\r\nEngine=Embedded\r\n"));
    EXPECT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
}
