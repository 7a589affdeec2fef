// Reads made ahead: handed over once, for the same statement and connection, while nothing was written.

#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/readahead.h"

#include <QFile>
#include <any>

namespace
{

const QString kRows = QStringLiteral("SELECT n, s FROM T ORDER BY n");

// A reading of kRows that keeps each row as "n:s".
db::ReadAhead::Read rowsAsText()
{
    auto texts = std::make_shared<QStringList>();
    return {
        kRows,
        [texts](const std::vector<FieldValue>& row) { *texts << row[0].toText() + ':' + row[1].toText(); },
        [texts] { return std::any(*texts); }};
}

QStringList taken(db::ReadAhead& ahead, const QString& sql = kRows,
                  const QString& connection = connectionString())
{
    const std::any value = ahead.take(connection, sql);
    return value.has_value() ? std::any_cast<QStringList>(value) : QStringList{"(nothing)"};
}

} // namespace

TEST(ReadAhead, HandsTheRowsOverOnceWhileNothingWasWrittenAndNeverWhereItCannotRead)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY, s NVARCHAR(10))\nGO\n"
                 "INSERT INTO T VALUES (2, '二'), (1, NULL), (3, ' c ')");

    db::ReadAhead ahead;
    ASSERT_TRUE(ahead.start(connectionString(), {rowsAsText()}));
    EXPECT_FALSE(ahead.start(connectionString(), {rowsAsText()})) << "one reading at a time";
    EXPECT_EQ(taken(ahead, "SELECT n FROM T"), QStringList{"(nothing)"}) << "another statement";
    EXPECT_EQ(taken(ahead), QStringList({"1:", "2:二", "3: c "}));
    EXPECT_EQ(taken(ahead), QStringList{"(nothing)"}) << "handed over once";

    // Read for another database: the launcher switched environments meanwhile.
    ASSERT_TRUE(ahead.start(connectionString(), {rowsAsText()}));
    EXPECT_EQ(taken(ahead, kRows, connectionString("OTHER")), QStringList{"(nothing)"});
    EXPECT_EQ(taken(ahead), QStringList{"(nothing)"}) << "dropped with the mismatch";

    // Any write of the process drops what was read (a change of rows, even of none, or of the
    // schema); a read does not.
    auto conn = connected();
    const std::pair<const char*, QStringList> statements[] = {
        {"SELECT COUNT(*) FROM T", {"1:", "2:二", "3: c "}},
        {"UPDATE T SET s = 'b' WHERE n = 99", {"(nothing)"}},
        {"CREATE INDEX IX_T_S ON T (s)", {"(nothing)"}}};
    for (const auto& [sql, expected] : statements) {
        ASSERT_TRUE(ahead.start(connectionString(), {rowsAsText()}));
        exec(*conn, sql);
        EXPECT_EQ(taken(ahead), expected) << sql;
    }

    // The same after the reading ended, and through a script (a write of rows).
    ASSERT_TRUE(ahead.start(connectionString(), {rowsAsText()}));
    ahead.take(connectionString(), "SELECT 1"); // waits for the reading to end
    ASSERT_EQ(db::runScript("USE MIRANE45\nGO\nINSERT INTO T VALUES (4, 'b')", kServer).failed, 0);
    EXPECT_EQ(taken(ahead), QStringList{"(nothing)"});

    // Nothing is handed over where the reading cannot be made. No such database: the caller's
    // own reading reports it.
    ASSERT_TRUE(ahead.start(connectionString("NOSUCH"), {rowsAsText()}));
    EXPECT_EQ(taken(ahead, kRows, connectionString("NOSUCH")), QStringList{"(nothing)"});
    EXPECT_FALSE(QFile::exists(db::embeddedDatabaseFile(kServer, "NOSUCH"))) << "never created";

    // A failing statement ends the reading; what was read before it is kept.
    ASSERT_TRUE(
        ahead.start(connectionString(), {rowsAsText(), {"SELECT x FROM NOSUCH", {}, {}}, rowsAsText()}));
    EXPECT_EQ(taken(ahead), QStringList({"1:", "2:二", "3: c ", "4:b"}));
    EXPECT_EQ(taken(ahead), QStringList{"(nothing)"});

    // No server named, or a name that leads out of the server's folder: nothing starts.
    EXPECT_FALSE(ahead.start("Provider=SQLOLEDB;Database=MIRANE45", {rowsAsText()}));
    EXPECT_FALSE(ahead.start(connectionString("..\\MIRANE45"), {rowsAsText()}));

    // Another engine chosen: the reading is left to it.
    inst.writeFile("SqlEngine.ini", "[SQLOLEDB]\r\nEngine=odbc\r\n");
    EXPECT_FALSE(ahead.start(connectionString(), {rowsAsText()}));
}
