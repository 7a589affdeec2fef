#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/sqltext.h"

TEST(Script, BatchesDatabasesAndFailures)
{
    TestInstallation inst;
    const QString script = "CREATE DATABASE Scr\r\nGO\r\nUSE [Scr]\r\ngo\r\n"
                           "CREATE TABLE A (n INT);\r\nINSERT INTO A VALUES (1);\r\n  GO  \r\n"
                           "INSERT INTO NOPE VALUES (1)\r\nGO\r\n-- a comment only\r\nGO\r\n"
                           "INSERT INTO A VALUES (2)";
    db::ScriptResult r = db::runScript(script, kServer);
    EXPECT_EQ(r.log, QStringList({"バッチ 1: OK", "バッチ 2: OK", "バッチ 3: OK", "バッチ 4: エラー",
                                  "  no such table: NOPE (SQL State 42000, Native Error 1)",
                                  "  SQL=INSERT INTO NOPE VALUES (1)", "バッチ 5: OK"}));
    EXPECT_TRUE(inst.exists("SQLDATA/PC01_MIRANE/Scr.db"));
    EXPECT_EQ(inst.scalar("SELECT SUM(n) FROM A", kServer, "SCR"), "3");

    r = db::runScript("CREATE DATABASE SCR\nGO\nSELECT 1\nGO\nUSE Nowhere\nGO\n", kServer);
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(r.log.value(1), "  データベース 'SCR' は既に存在します。別のデータベース名を選択してください。 "
                              "(SQL State 42000, Native Error 0)");
    EXPECT_TRUE(r.log.join(u'\n').contains("データベースが選択されていません。"));

    // A failing batch is named by its head, cut after 80 characters.
    const QString head80 = "SELEC " + QString(74, u'x');
    r = db::runScript("USE Scr\r\nGO\r\n\r\n  " + head80 + "  \r\nFROM t\r\nGO\r\n" + head80 + "y\r\nGO\r\n",
                      kServer);
    EXPECT_EQ(r.log.filter("  SQL="), QStringList({"  SQL=" + head80, "  SQL=" + head80 + "・・・"}));

    // A batch that ends inside a comment is refused whole, as the server refuses it; one of
    // comments only is no batch. Comments nest; a /* in a text or a line comment opens none.
    const QString noEnd = "  終了コメント マーク '*/' がありません。 (SQL State 42000, Native Error 0)";
    r = db::runScript("INSERT INTO A VALUES (8) /* a /* b */\nGO\n/* only\nGO\n"
                      "INSERT INTO A VALUES (LENGTH('/*')) -- /*\nGO\n/* closed */\nGO\n",
                      kServer, "Scr");
    EXPECT_EQ(r.log, QStringList({"バッチ 1: エラー", noEnd, "  SQL=INSERT INTO A VALUES (8) /* a /* b */",
                                  "バッチ 2: エラー", noEnd, "  SQL=/* only", "バッチ 3: OK"}));
    EXPECT_EQ(inst.scalar("SELECT SUM(n) FROM A", kServer, "SCR"), "5");

    db::runScript("DROP DATABASE SCR\nGO", kServer, "Scr");
    EXPECT_FALSE(inst.exists("SQLDATA/PC01_MIRANE/Scr.db"));
}

TEST(EmbeddedEngine, TopRewriteNeverSplicesAndLeavesMalformedStatements)
{
    // Each TOP n or TOP (n) becomes the LIMIT of its own select; texts, names and comments stay.
    const std::pair<QString, QString> rewritten[] = {
        {"select distinct top (2) a from t; SELECT 'top 5' AS [TOP] -- TOP 3",
         "select distinct a from t LIMIT 2; SELECT 'top 5' AS [TOP] -- TOP 3"},
        {"SELECT TOP 2 a FROM (SELECT TOP 5 a FROM t ORDER BY a) x -- TOP 9\n",
         "SELECT a FROM (SELECT a FROM t ORDER BY a LIMIT 5) x LIMIT 2 -- TOP 9\n"},
        {"SELECT TOP 1 a FROM (SELECT a FROM t UNION SELECT b FROM u) x",
         "SELECT a FROM (SELECT a FROM t UNION SELECT b FROM u) x LIMIT 1"}};
    for (const auto& [sql, expected] : rewritten)
        EXPECT_EQ(db::embeddedDialect(sql), expected);
    // TOP n with nothing after it takes in no comment; the edits of two selects never meet.
    const QStringList unchanged = {
        "SELECT TOP 1 a FROM t UNION SELECT TOP 1 -- * FROM u",
        "SELECT TOP 3",
        "SELECT TOP 1; SELECT 2",
        "SELECT * FROM (SELECT TOP 1) x",
        // One member of a UNION has no LIMIT of its own: left for the engine to refuse.
        "SELECT a FROM t EXCEPT SELECT TOP 2 b FROM u",
        "SELECT TOP 5 PERCENT a FROM t",
        "SELECT TOP 5 WITH TIES a FROM t ORDER BY a",
        // A LIMIT after a string or quoted name left open would land inside it.
        "SELECT TOP 1 a FRT b 'FROM u",
        "SELECT TOP 1 [a FROM t",
        "SELECT TOP 1 a FROM t WHERE b = 'x''",
    };
    for (const QString& sql : unchanged)
        EXPECT_EQ(db::embeddedDialect(sql), sql);
}

TEST(EmbeddedEngine, ErrorsAUserMeetsAreJapaneseWithTheEnginesTextAndNulIsRefusedBeforeTheEngine)
{
    const QString corrupt = "データベース ファイルが壊れているか、データベースのファイルではありません。";
    // The codes no statement below meets.
    const std::pair<int, QString> described[] = {
        {5, "データベースは別の端末が使用中のため、ロックを取得できませんでした。しばらくしてからやり直し"
            "てください。"},
        {14, "データベース ファイルを開けません。ファイルの場所とアクセス許可を確認してください。"},
        {3, "データベース ファイルへのアクセスが拒否されました。"},
        {778, "データベース ファイルの読み取りまたは書き込みで I/O エラーが発生しました。"},
        {787, "FOREIGN KEY 制約に違反しています。"},
        {275, "CHECK 制約に違反しています。"},
        {19, "制約に違反しているため、ステートメントは終了しました。"},
        {18, "文字列またはデータが大きすぎるため、処理できません。"}};
    for (const auto& [code, text] : described)
        EXPECT_EQ(db::embeddedErrorDescription(code, "engine text"), text + " (SQLite: engine text)") << code;

    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY, b BLOB NOT NULL)");
    auto db = connected();
    exec(*db, "INSERT INTO T VALUES (1, x'00')");
    // A statement the engine refuses, with the description, SQL state and native error logged.
    const auto refused = [&](const QString& sql, const QString& description, const QString& state,
                             long native) {
        SCOPED_TRACE(sql.toStdString());
        EXPECT_EQ(failure(db->iExecSQL(sql), *db), "ERR:iExecSQL (-2147217900)" + description +
                                                       oneErrorLog(-2147217900, description, state, native) +
                                                       "\rSQL=" + sql);
    };
    refused("INSERT INTO T (n) VALUES (2)",
            "NULL 値は挿入できません。この列では NULL 値が許可されていません。 (SQLite: NOT NULL constraint "
            "failed: T.b)",
            "23000", 1299);
    refused(
        "INSERT INTO T VALUES (1, x'00')",
        "一意制約に違反しています。重複するキーは挿入できません。 (SQLite: UNIQUE constraint failed: T.n)",
        "23000", 1555);
    // A search text far longer than any address.
    refused(
        "SELECT n FROM T WHERE CAST(n AS TEXT) LIKE '%" + QString(17000, u'あ') + "%'",
        "検索する文字列が長すぎるため、検索できません。短くしてやり直してください。 (SQLite: LIKE or GLOB "
        "pattern too complex)",
        "42000", 1);

    // Text holding NUL is refused before the engine: in statements, and in osql's batches.
    const QString nul = "SQL 文に NUL 文字 (0x00) が含まれているため、実行できません。"
                        "NUL 文字を含む値はデータベースに渡せません。";
    refused("INSERT INTO T VALUES (2, '" + sqlText(QString("a") + QChar(0) + "b") + "')", nul, "22021", 0);
    Recordset rs; // a query's whole text: ConnectionClassOnBothEngines
    EXPECT_TRUE(failure(db->iOpenRecSet(rs, "SELECT '" + QString(QChar(0)) + "'"), *db).contains(nul));
    const db::ScriptResult r = db::runScript("INSERT INTO T VALUES (2, 'x')\nGO\nINSERT INTO T VALUES (3, '" +
                                                 QString(QChar(0)) + "')",
                                             kServer, "MIRANE45");
    EXPECT_EQ(r.log.mid(1, 2),
              QStringList({"バッチ 2: エラー", "  " + nul + " (SQL State 22021, Native Error 0)"}));
    EXPECT_EQ(column(*db, "SELECT group_concat(n) FROM T"), QStringList{"1,2"});

    exec(*db, "PRAGMA max_page_count = 1");
    refused("INSERT INTO T VALUES (4, zeroblob(100000))",
            "ディスクに空き領域がないため、データベースに書き込めません。 (SQLite: database or disk is full)",
            "HY000", 13);
    exec(*db, "PRAGMA query_only = ON");
    refused("DELETE FROM T",
            "データベースは読み取り専用であるため、更新できません。 (SQLite: attempt to write a readonly "
            "database)",
            "HY000", 8);

    // A file that is no database refuses the connection.
    inst.writeBytes("SQLDATA/PC01_MIRANE/BROKEN.db", QByteArray(4096, 'x'));
    cT_ADODB broken;
    broken.iInit(connectionString("BROKEN"));
    EXPECT_EQ(failure(broken.iConnect(), broken),
              "(-2147467259)" + corrupt + " (SQLite: file is not a database)");
}

// Repeated texts share one string; each row reads as stored (other text, prefix, null, empty).
TEST(EmbeddedEngine, RepeatedValuesDownAColumnReadAsStored)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY, c NVARCHAR(50), d DATETIME)");
    auto db = connected();
    exec(*db, "INSERT INTO T VALUES (1, '東京都', '2024-04-01 09:00:00');"
              "INSERT INTO T VALUES (2, '東京都', '2024-04-01 09:00:00');"
              "INSERT INTO T VALUES (3, '東京', 'not a date');"
              "INSERT INTO T VALUES (4, NULL, 'not a date');"
              "INSERT INTO T VALUES (5, '東京', NULL);"
              "INSERT INTO T VALUES (6, 7, '2024-04-01 09:00:00');"
              "INSERT INTO T VALUES (7, '7', '');"
              "INSERT INTO T VALUES (8, '', '')");
    Recordset rs;
    ASSERT_EQ(db->iOpenRecSet(rs, "SELECT c, d FROM T ORDER BY n"), 0) << db->sErrMsg.toStdString();
    EXPECT_TRUE(rs.field("nothing").isNull());
    QStringList texts, kinds;
    for (; !rs.eof(); rs.moveNext()) {
        texts << rs.fieldAt(0).toText() + u'|' + rs.fieldAt(1).toText();
        kinds << QString::number(int(rs.fieldAt(0).kind())) + QString::number(int(rs.field(1).kind()));
    }
    EXPECT_EQ(texts, QStringList({"東京都|2024/04/01 9:00:00", "東京都|2024/04/01 9:00:00", "東京|not a date",
                                  "|not a date", "東京|", "7|2024/04/01 9:00:00", "7|", "|"}));
    // Null 0, text 3, date-time 4 (the 7 is stored as text: the column holds texts).
    EXPECT_EQ(kinds, QStringList({"34", "34", "33", "03", "30", "34", "33", "33"}));
    EXPECT_TRUE(rs.fieldAt(0).isNull()); // past the last row
    rs.close();
    // GETDATE is the program's clock, in the form the engine's dates compare by.
    EXPECT_EQ(column(*db, "SELECT getdate()"), QStringList{"2024-01-31 09:00:00.000"});
}
