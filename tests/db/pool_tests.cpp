// Kept handles of closed connections: nothing one connection did reaches the next on its handle.

#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"

#include <QFile>

namespace
{

// What the pool did since the test began.
struct PoolCounts {
    db::EmbeddedPoolStats start = db::embeddedPoolStats();
    int opened() const { return db::embeddedPoolStats().opened - start.opened; }
    int reused() const { return db::embeddedPoolStats().reused - start.reused; }
    int idle() const { return db::embeddedPoolStats().idle; }
};

} // namespace

TEST(ConnectionPool, NoTransactionStatementOrLockReachesTheNextConnection)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY)");
    PoolCounts pool;

    // A connection closed in the middle of a transaction: rolled back, its lock released.
    auto a = connected();
    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*a, 1));
    ASSERT_EQ(a->iDisConnect(), 0);
    auto b = connected(); // on a's handle (the counts below)
    EXPECT_EQ(column(*b, "SELECT COUNT(*) FROM T"), QStringList{"0"});
    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*b, 2)); // no transaction was left open
    ASSERT_EQ(b->iCommitTrans(), 0);

    // Two connections at once get two handles; the second is not held up by the first.
    auto w = connected();
    EXPECT_EQ(pool.opened(), 2);
    exec(*w, "INSERT INTO T VALUES (3)");

    // The next connection on a reader's handle reads what was written since, not its snapshot.
    EXPECT_EQ(column(*b, "SELECT COUNT(*) FROM T"), QStringList{"2"});
    ASSERT_EQ(b->iDisConnect(), 0);
    ASSERT_EQ(w->iExecSQL("INSERT INTO T VALUES (4)"), 0);
    auto c = connected();
    EXPECT_EQ(pool.reused(), 2);
    EXPECT_EQ(column(*c, "SELECT COUNT(*) FROM T"), QStringList{"3"});
}

TEST(ConnectionPool, ChangedSessionsAndReplacedFilesAreNotHandedOn)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT PRIMARY KEY)");
    PoolCounts pool;

    // A session setting: the next connection writes as any new one does.
    auto a = connected();
    ASSERT_EQ(a->iExecSQL("PRAGMA query_only = ON"), 0);
    ASSERT_EQ(a->iDisConnect(), 0);
    auto b = connected();
    EXPECT_EQ(pool.reused(), 0);
    exec(*b, "INSERT INTO T VALUES (1)");

    ASSERT_EQ(b->iDisConnect(), 0);
    EXPECT_EQ(pool.idle(), 1);

    // The database made again by another program (as osql does): a kept handle of the old
    // file must not serve the new one, nor take the new file's WAL with it when closed.
    makeDatabase("CREATE TABLE U (m INT)", "OTHER");
    const QString file = inst.file("SQLDATA/PC01_MIRANE/MIRANE45.db");
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(file + suffix);
    ASSERT_TRUE(QFile::copy(inst.file("SQLDATA/PC01_MIRANE/OTHER.db"), file));
    const int reusedBefore = pool.reused();
    auto d = connected();
    EXPECT_EQ(pool.reused(), reusedBefore);
    exec(*d, "INSERT INTO U VALUES (1)");
    db::closeIdleEmbeddedConnections();
    EXPECT_EQ(column(*connected(), "SELECT COUNT(*) FROM U"), QStringList{"1"});

    // Gone: no handle answers for a missing database, and no file is made for it.
    ASSERT_EQ(d->iDisConnect(), 0);
    ASSERT_TRUE(QFile::remove(file));
    cT_ADODB e;
    e.iInit(connectionString());
    EXPECT_EQ(e.iConnect(), -1); // its text: Recipe.MessagesNameTheProcedureAndSqlEngineIniChoosesTheEngine
    EXPECT_FALSE(QFile::exists(file));
}
