#include "db/provider.h"
#include "db/tsqlscript.h"
#include "installation.h"

#include <gtest/gtest.h>

TEST(ScriptLog, AFailingBatchIsNamedByItsHeadCutAfter80Characters)
{
    TestInstallation inst;
    const QString head80 = QStringLiteral("SELEC ") + QString(74, QLatin1Char('x'));
    const QString head81 = head80 + QLatin1Char('y');
    ASSERT_EQ(head80.size(), 80);
    const db::ScriptResult r =
        db::runScript(QStringLiteral("CREATE DATABASE T\r\nGO\r\nUSE T\r\nGO\r\n\r\n  ") + head80 +
                          QStringLiteral("  \r\nFROM t\r\nGO\r\n") + head81 + QStringLiteral("\r\nGO\r\n"),
                      QStringLiteral("PC01\\MIRANE"));
    EXPECT_EQ(r.failed, 2);
    const QStringList heads = r.log.filter(QStringLiteral("  SQL="));
    EXPECT_EQ(heads, QStringList({QStringLiteral("  SQL=") + head80,
                                  QStringLiteral("  SQL=") + head80 + QStringLiteral("・・・")}));
}

TEST(ScriptLog, TopWithPercentOrTiesIsLeftAsWritten)
{
    for (const char* sql : {"SELECT TOP 5 PERCENT a FROM t", "SELECT TOP 5 WITH TIES a FROM t ORDER BY a",
                            "SELECT TOP (5) PERCENT a FROM t"})
        EXPECT_EQ(db::embeddedDialect(QString::fromUtf8(sql)), QString::fromUtf8(sql));
    EXPECT_EQ(db::embeddedDialect(QStringLiteral("SELECT TOP 5 a FROM t")),
              QStringLiteral("SELECT a FROM t LIMIT 5"));
}
