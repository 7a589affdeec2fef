#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/recipe.h"

namespace
{

// A provider whose queries fail with two records and whose rollback succeeds with a warning.
class TwoErrorProvider : public db::ProviderConnection
{
public:
    bool query(const QString&, db::ResultSet*, std::vector<db::ProviderError>& errors) override
    {
        errors.push_back({-2147217900, "first", "S", "42S02", 208});
        errors.push_back({-2147217900, "second", "S", "01000", 3621});
        return false;
    }
    bool execute(const QString&, long*, std::vector<db::ProviderError>&) override { return true; }
    bool beginTransaction(std::vector<db::ProviderError>&) override { return true; }
    bool commit(std::vector<db::ProviderError>&) override { return true; }
    bool rollback(std::vector<db::ProviderError>& errors) override
    {
        errors.push_back({5701, "warn", "S", "01000", 5701});
        return true;
    }
    void setCommandTimeout(int) override {}
};

} // namespace

TEST(Connection, ItsStringAndTheFailureTextsOfAClosedConnection)
{
    TestInstallation inst;
    // The other names of the keys, quoted values (the plain form: Odbc.ConnectionString...).
    const auto cs = db::ConnectionString::parse(
        "server = 'a;b' ; INITIAL CATALOG=\"x\"\"y\";User ID=u;Password=p=q;junk");
    EXPECT_EQ(QStringList({cs.dataSource, cs.database, cs.user, cs.password}),
              QStringList({"a;b", "x\"y", "u", "p=q"}));
    EXPECT_EQ(db::embeddedDatabaseFile("pc01\\mirane", "MIRANE45"),
              inst.path() + "/SQLDATA/PC01_MIRANE/MIRANE45.db");

    cT_ADODB db;
    Recordset rs;
    const QString closed = "( 3709)接続が閉じているか、このコンテキストで無効です。";
    EXPECT_EQ(failure(db.iOpenRecSet(rs, "SELECT 1"), db), closed + "\rSQL=SELECT 1");
    EXPECT_EQ(failure(db.iBeginTrans(), db), "ERR:BeginTrans " + closed);
    EXPECT_EQ(failure(db.iRollback(), db), "ERR:Rollback " + closed);

    EXPECT_EQ(db.iSetTimeout(0), 0);
    EXPECT_EQ(db.commandTimeout(), 30);
}

TEST(Connection, TwoProviderErrorsLoggedOnce)
{
    TestInstallation inst;
    const std::shared_ptr<void> restore(nullptr, [](void*) { db::setProviderFactory({}); });
    db::setProviderFactory([](const QString&, std::vector<db::ProviderError>&) {
        return std::unique_ptr<db::ProviderConnection>(new TwoErrorProvider);
    });
    cT_ADODB db;
    ASSERT_EQ(db.iConnect(), 0);
    Recordset rs;
    EXPECT_EQ(failure(db.iOpenRecSet(rs, "SELECT x"), db),
              "(-2147217900)first\rSQL=SELECT x\rConnection State=1"
              "\rError Number: -2147217900\r  Description: first\r  Source: S"
              "\r  SQL State: 42S02\r  Native Error: 208"
              "\rError Number: -2147217900\r  Description: second\r  Source: S"
              "\r  SQL State: 01000\r  Native Error: 3621"
              "\r\r2 provider error(s) occurred.");

    // A rollback that succeeds but leaves a record fails and appends the record's log.
    ASSERT_EQ(db.iBeginTrans(), 0);
    db.sErrMsg = "before";
    EXPECT_EQ(failure(db.iRollback(), db),
              "before\rConnection State=1\rError Number: 5701\r  Description: warn"
              "\r  Source: S\r  SQL State: 01000\r  Native Error: 5701"
              "\r\r1 provider error(s) occurred.");
}

TEST(Recipe, MessagesNameTheProcedureAndSqlEngineIniChoosesTheEngine)
{
    TestInstallation inst;
    const QString proc = "iTest() でエラー";
    // The text of the last box, after a refused connection.
    const auto refusal = [&] {
        EXPECT_EQ(openConnection(proc), nullptr);
        return inst.messages.shown.empty() ? QString() : inst.messages.shown.back().text;
    };

    // Told without a box (the box: BackgroundWindow.MapKeyAndSecondInstance).
    QString error;
    inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=   \r\n");
    EXPECT_EQ(openConnectionQuiet(proc, &error), nullptr);
    EXPECT_EQ(error, proc + "\r\n接続文字列取得できません。");
    EXPECT_TRUE(inst.messages.shown.empty());
    inst.writeAdodbIni();
    EXPECT_EQ(refusal(), proc + "\r\n(-2147467259)SQL Server が存在しないか、アクセスが拒否されました。");
    makeDatabase(QString(), "OTHER");
    EXPECT_EQ(refusal(), proc + "\r\n(-2147467259)ログインで要求されたデータベース \"MIRANE45\" を開けま"
                                "せん。ログインに失敗しました。");

    makeDatabase(QString());
    const size_t shown = inst.messages.shown.size();
    EXPECT_NE(openConnection(proc), nullptr);
    EXPECT_EQ(inst.messages.shown.size(), shown);

    // The engine is chosen by SqlEngine.ini (ODBC: Odbc.EveryDiagnosticRecordBecomesAProviderError).
    cT_ADODB other;
    other.iInit(connectionString());
    inst.writeFile("SqlEngine.ini", "[SQLOLEDB]\r\nEngine=sqlite\r\n");
    EXPECT_EQ(failure(other.iConnect(), other),
              "(-2147467259)SqlEngine.ini の Engine=sqlite は使えません。embedded "
              "か odbc を指定してください。");

    inst.writeFile("SqlEngine.ini", "[SQLOLEDB]\r\nEngine=Embedded\r\n");
    EXPECT_EQ(other.iConnect(), 0) << other.sErrMsg.toStdString();
}
