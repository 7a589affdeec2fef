// Lock waits: the window is told (begin, ticks, end); the user sees the wait cursor, then a note.

#include "dbtest.h"
#include "installation.h"

#include "app/busynote.h"
#include "db/provider.h"
#include "platform/busynotifier.h"
#include "platform/runtime.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <functional>

namespace
{

class RecordingNotifier : public platform::BusyNotifier
{
public:
    void begin() override { calls << "begin"; }
    void tick(qint64 waitedMs) override
    {
        if (calls.isEmpty() || calls.back() != "tick")
            calls << "tick";
        waited = waitedMs;
        if (onTick)
            onTick(waitedMs);
    }
    void end() override { calls << "end"; }

    QStringList calls; // consecutive ticks shown once
    qint64 waited = 0;
    std::function<void(qint64)> onTick;
};

} // namespace

TEST(BusyWait, TheWindowIsToldOfEveryLockWaitAndTheTimeoutStillDecides)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT)");
    RecordingNotifier notes;
    platform::runtime().busy = &notes;

    auto holder = connected();
    {
        // The handle the waiter takes served a connection with a one-second timeout.
        auto previous = connected();
        EXPECT_EQ(previous->iSetTimeout(1), 0);
    }
    auto waiter = connected();
    ASSERT_EQ(db::embeddedPoolStats().idle, 0);
    ASSERT_NO_FATAL_FAILURE(insertInTransaction(*holder, 1));

    // Readers never wait for a writer: nothing to tell.
    EXPECT_EQ(column(*waiter, "SELECT COUNT(*) FROM T"), QStringList{"0"});
    EXPECT_TRUE(notes.calls.isEmpty());

    EXPECT_EQ(waiter->iSetTimeout(2), 0);
    // A timeout (its text is checked with the timeouts of both engines).
    EXPECT_EQ(waiter->iExecSQL("INSERT INTO T VALUES (2)"), -1);
    EXPECT_EQ(notes.calls, QStringList({"begin", "tick", "end"}));
    // The wait lasted this connection's two seconds, not the one of the handle's last user
    // (told while it lasted).
    EXPECT_GE(notes.waited, 1500);

    // Threads that read ahead wait unseen.
    notes.calls.clear();
    std::vector<db::ProviderError> errors;
    auto quiet = db::openEmbeddedFileQuietly(db::embeddedDatabaseFile(kServer, "MIRANE45"), errors);
    ASSERT_TRUE(quiet);
    quiet->setCommandTimeout(1);
    EXPECT_FALSE(quiet->execute("INSERT INTO T VALUES (2)", nullptr, errors));
    EXPECT_EQ(errors.empty() ? QString() : errors.back().description, "クエリのタイムアウトが発生しました。");
    EXPECT_TRUE(notes.calls.isEmpty());

    // The lock goes while the statement waits: the wait ends and the statement runs.
    notes.onTick = [&](qint64) {
        if (holder->state() == ado::adStateOpen)
            holder->iDisConnect(); // rolls the holder's transaction back
    };
    exec(*waiter, "INSERT INTO T VALUES (3)");
    EXPECT_EQ(notes.calls, QStringList({"begin", "tick", "end"}));
    EXPECT_EQ(column(*waiter, "SELECT group_concat(n) FROM T"), QStringList{"3"});
}

TEST(BusyWait, WaitCursorAtOnceAndTheNoteAfterTwoSeconds)
{
    BusyNote note;
    note.begin();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    note.tick(1900);
    EXPECT_EQ(note.note(), nullptr);

    note.tick(2000);
    QDialog* shown = note.note();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(std::tuple(shown->isVisible(), shown->windowModality(), shown->windowTitle()),
              std::tuple(true, Qt::ApplicationModal, QString("TopMenu")));
    const auto* text = child<QLabel>(*shown, "lblDbWait");
    EXPECT_EQ(
        text ? text->text() : QString(),
        "データベースの応答を待っています。\n他の端末がデータベースを使用中です。しばらくお待ちください。");

    // A wait that begins inside this one (from a repaint) does not end it.
    note.begin();
    note.end();
    EXPECT_EQ(note.note(), shown);

    note.end();
    EXPECT_EQ(note.note(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
