// T-SQL batches whose statements follow each other without semicolons, as osql takes them.

#include "dbtest.h"

#include "db/sqllex.h"

namespace
{

// The statements the engine finds in a batch, trimmed.
QStringList statements(const QString& batch)
{
    QStringList out;
    for (const auto& [from, to] : db::lex::statementRanges(batch))
        out << batch.mid(from, to - from).trimmed();
    return out;
}

} // namespace

TEST(Batch, StatementsStartWhereNoStatementCanGoOn)
{
    // Each batch with '|' where the engine must find a statement's start.
    const QStringList marked = {
        "CREATE TABLE T1 (a int)\n|INSERT INTO T1 VALUES (1)",
        "INSERT INTO T2 (a) SELECT a FROM T1 UNION ALL SELECT 2 |SELECT COUNT(*) FROM T2",
        "CREATE VIEW V AS SELECT a FROM T1 UNION SELECT a FROM T2 EXCEPT SELECT 3",
        // Keywords in strings, bracketed names, comments and subqueries start nothing.
        "INSERT INTO T1 VALUES (3) |SELECT 'insert into x' AS [select], [delete] FROM T1 -- update\n"
        "/* drop */ WHERE a IN (SELECT a FROM T2) |DELETE FROM T1 WHERE a = 3",
        "WITH c (a) AS (SELECT 1) INSERT INTO T1 SELECT a FROM c |UPDATE T1 SET a = a "
        "|SELECT * FROM T1 WITH (NOLOCK)",
        "ALTER TABLE T1 ADD b INT |ALTER TABLE T1 DROP COLUMN b |ALTER TABLE T1 ADD CONSTRAINT f FOREIGN KEY "
        "(a) REFERENCES T2 (a) ON DELETE CASCADE ON UPDATE NO ACTION |DROP TABLE T3",
        "BEGIN TRANSACTION |INSERT INTO T1 VALUES (1) |COMMIT",
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c",
        // A trigger's body is the rest of its batch.
        "CREATE TRIGGER tr AFTER INSERT ON T1 BEGIN UPDATE T1 SET a = 1; END SELECT 1"};
    for (const QString& batch : marked) {
        SCOPED_TRACE(batch.toStdString());
        QStringList expected = batch.split(u'|');
        for (QString& statement : expected)
            statement = statement.trimmed();
        EXPECT_EQ(statements(QString(batch).remove(u'|')), expected);
    }
    EXPECT_TRUE(statements(" -- nothing\n").isEmpty());
}
