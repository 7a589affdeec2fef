// The embedded engine: one SQLite file per database stands in for the SQL Server instance.

#include "db/provider.h"
#include "db/sqllex.h"

#include "platform/busynotifier.h"
#include "platform/clock.h"
#include "platform/runtime.h"
#include "platform/volumes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <string_view>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace db
{

namespace
{

using SteadyClock = std::chrono::steady_clock;

// How long opening a database may wait for a lock, as the provider's login timeout.
constexpr int kLoginTimeoutSeconds = 15;

const QString kTimeoutText = QStringLiteral("クエリのタイムアウトが発生しました。");

// Statements of this process that changed a database (see writeGeneration).
std::atomic<quint64> gWrites{0};

ProviderError connectionError(const QString& description, long native)
{
    return {kConnectionError, description, kProviderSource, QStringLiteral("08001"), native};
}

// An engine failure on opening: described as the user should read it.
ProviderError openError(sqlite3* db, int rc)
{
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    return connectionError(embeddedErrorDescription(code, text), code);
}

// Which file a path names now: a database dropped and made again under the same name is
// another file, and a kept handle of the old one must not serve it.
struct FileId {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileId&) const = default;
};

// False when the path names no regular file.
bool identify(const QString& file, FileId* id)
{
#ifdef Q_OS_UNIX
    struct stat st {
    };
    if (::stat(file.toUtf8().constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    id->device = quint64(st.st_dev);
    id->inode = quint64(st.st_ino);
    return true;
#else
    // Windows keeps an open database file from being deleted or replaced.
    *id = {};
    return QFileInfo(file).isFile();
#endif
}

// The handles of closed connections, kept for the next connection to the same file.
class HandlePool
{
public:
    static HandlePool& instance()
    {
        static HandlePool pool;
        return pool;
    }
    ~HandlePool()
    {
        closeIf([](const Idle&) { return true; });
    }

    // A kept handle of the file, or null.
    sqlite3* take(const QString& file, const FileId& id)
    {
        sweep();
        std::lock_guard lock(mutex_);
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if (it->file != file || it->id != id)
                continue; // (a handle of a replaced file waits for the sweep)
            sqlite3* db = it->db;
            idle_.erase(std::next(it).base());
            ++reused_;
            return db;
        }
        return nullptr;
    }

    // ownThread: put back on the program's own thread, whose event loop may close it later.
    void put(const QString& file, const FileId& id, sqlite3* db, bool ownThread)
    {
        {
            std::lock_guard lock(mutex_);
            idle_.push_back({file, id, db, SteadyClock::now()});
            int sameFile = 0;
            for (const Idle& i : idle_)
                sameFile += i.file == file ? 1 : 0;
            // Beyond what a procedure nests, a kept handle only holds memory and a file.
            if (sameFile > kMaxPerFile || int(idle_.size()) > kMaxIdle) {
                const auto oldest = std::find_if(idle_.begin(), idle_.end(), [&](const Idle& i) {
                    return sameFile <= kMaxPerFile || i.file == file;
                });
                close(*oldest);
                idle_.erase(oldest);
            }
        }
        if (ownThread)
            armTimer();
    }

    void opened()
    {
        std::lock_guard lock(mutex_);
        ++opened_;
    }

    void closeFile(const QString& file)
    {
        closeIf([&](const Idle& i) { return file.isEmpty() || i.file == file; });
    }

    EmbeddedPoolStats stats()
    {
        std::lock_guard lock(mutex_);
        return {opened_, reused_, int(idle_.size())};
    }

private:
    static constexpr int kMaxPerFile = 4;
    static constexpr int kMaxIdle = 16;
    static constexpr std::chrono::seconds kIdleLife{60};

    struct Idle {
        QString file;
        FileId id;
        sqlite3* db;
        SteadyClock::time_point since;
    };

    // Closing the last handle of a file removes its WAL file by name. When the database was
    // dropped and made again meanwhile (by osql, say), that name belongs to the new file's
    // WAL: the handle of the old file must leave it alone.
    static void close(const Idle& idle)
    {
        FileId now;
        if (!identify(idle.file, &now) || now != idle.id) {
            int keep = 1;
            sqlite3_file_control(idle.db, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
        }
        sqlite3_close_v2(idle.db);
    }

    template <class Pred> void closeIf(Pred pred)
    {
        std::vector<Idle> closing;
        {
            std::lock_guard lock(mutex_);
            for (auto it = idle_.begin(); it != idle_.end();) {
                if (pred(*it)) {
                    closing.push_back(std::move(*it));
                    it = idle_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (const Idle& idle : closing)
            close(idle);
    }

    // Closes the handles idle for longer than their life.
    void sweep()
    {
        const auto limit = SteadyClock::now() - kIdleLife;
        closeIf([&](const Idle& i) { return i.since <= limit; });
    }

    // While handles are kept, a timer of the program's event loop closes them when their life
    // is over, so that an idle program holds no database file open. Without an event loop
    // the next connection sweeps them, and the process end closes the rest.
    void armTimer()
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() != app->thread())
            return;
        if (!timer_) {
            timer_ = new QTimer;
            timer_->setInterval(std::chrono::milliseconds(kIdleLife) / 4);
            QObject::connect(timer_, &QTimer::timeout, [this] {
                sweep();
                if (stats().idle == 0)
                    timer_->stop();
            });
            // The event loop ends with the application object: close everything then.
            qAddPostRoutine([] {
                HandlePool& pool = instance();
                delete pool.timer_;
                pool.timer_ = nullptr;
                pool.closeFile({});
            });
        }
        if (!timer_->isActive())
            timer_->start();
    }

    std::mutex mutex_;
    std::vector<Idle> idle_;
    int opened_ = 0;
    int reused_ = 0;
    QTimer* timer_ = nullptr;
};

bool isDateType(const char* declared)
{
    if (!declared)
        return false;
    const QByteArray t = QByteArray(declared).trimmed().toUpper();
    return t == "DATETIME" || t == "SMALLDATETIME" || t == "DATE" || t == "DATETIME2";
}

// "YYYY-MM-DD[ HH:MM[:SS[.fff]]]" (also with "/" or "T"), the forms date-times are stored in.
QDateTime parseDateTime(const QString& text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d+))?)?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QString fraction = (m.captured(7) + QStringLiteral("000")).left(3);
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), fraction.toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

// GETDATE(): the local time, from the program's clock when one is installed.
void getDate(sqlite3_context* context, int, sqlite3_value**)
{
    const platform::Clock* clock = platform::runtime().clock;
    const QDateTime now = clock ? clock->now() : QDateTime::currentDateTime();
    const QByteArray text = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
    sqlite3_result_text(context, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

class EmbeddedConnection : public ProviderConnection
{
public:
    // fresh: a handle just opened, else one taken back from the pool. showWaits: the
    // program's window is told of lock waits (only on the program's own thread).
    EmbeddedConnection(sqlite3* db, const QString& file, const FileId& id, bool fresh, bool showWaits)
        : db_(db), file_(file), id_(id), showWaits_(showWaits)
    {
        if (fresh) {
            sqlite3_extended_result_codes(db_, 1);
            sqlite3_create_function_v2(db_, "GETDATE", 0, SQLITE_UTF8, nullptr, &getDate, nullptr, nullptr,
                                       nullptr);
        }
        sqlite3_busy_handler(db_, &EmbeddedConnection::onBusy, this);
        sqlite3_progress_handler(db_, 1000, &EmbeddedConnection::onProgress, this);
    }
    ~EmbeddedConnection() override
    {
        sqlite3_busy_handler(db_, nullptr, nullptr);
        sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        if (reset())
            HandlePool::instance().put(file_, id_, db_, showWaits_);
        else
            sqlite3_close_v2(db_);
    }

    // Switches the file to WAL, so that several launchers can share it (or, on a network
    // folder allowed for one computer, to the rollback journal). Also the first read of the
    // file: a file that is no database fails here, as a connection failure.
    bool prepareFile(Journal journal, std::vector<ProviderError>& errors)
    {
        arm(kLoginTimeoutSeconds);
        QByteArray mode;
        const int rc = sqlite3_exec(
            db_, journalPragma(journal),
            [](void* out, int, char** values, char**) {
                *static_cast<QByteArray*>(out) = values[0];
                return 0;
            },
            &mode, nullptr);
        endWait();
        if (rc != SQLITE_OK) {
            errors.push_back(openError(db_, rc));
        } else if (journal == Journal::Delete && mode != "delete") {
            // A file that another program still holds in WAL stays in WAL, which a network
            // folder must never see.
            errors.push_back(
                connectionError(embeddedErrorDescription(SQLITE_BUSY, QStringLiteral("journal_mode=") +
                                                                          QString::fromLatin1(mode)),
                                SQLITE_BUSY));
        } else {
            return true;
        }
        broken_ = true;
        return false;
    }

    bool query(const QString& sql, ResultSet* result, std::vector<ProviderError>& errors) override
    {
        return run(sql, result, nullptr, errors);
    }
    bool queryRows(const QString& sql, const RowSink& sink, std::vector<ProviderError>& errors) override
    {
        sink_ = &sink;
        ResultSet none;
        const bool ok = run(sql, &none, nullptr, errors);
        sink_ = nullptr;
        return ok;
    }
    bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) override
    {
        return run(sql, nullptr, affected, errors);
    }
    // IMMEDIATE takes the write lock at once (waiting up to the command timeout), so a
    // transaction never fails half-way because another launcher wrote in between.
    bool beginTransaction(std::vector<ProviderError>& errors) override
    {
        return run(QStringLiteral("BEGIN IMMEDIATE"), nullptr, nullptr, errors);
    }
    bool commit(std::vector<ProviderError>& errors) override
    {
        return run(QStringLiteral("COMMIT"), nullptr, nullptr, errors);
    }
    bool rollback(std::vector<ProviderError>& errors) override
    {
        // An interrupted statement may already have rolled the transaction back.
        if (sqlite3_get_autocommit(db_))
            return true;
        return run(QStringLiteral("ROLLBACK"), nullptr, nullptr, errors);
    }
    void setCommandTimeout(int seconds) override { timeout_ = std::max(0, seconds); }

private:
    QString message() const { return QString::fromUtf8(sqlite3_errmsg(db_)); }

    // Makes the handle fit for the next connection: no statement left, no transaction open.
    // A handle whose session was changed (settings, temporary objects, attached files) is
    // not kept: the next connection must find the database as a new one does.
    bool reset()
    {
        while (sqlite3_stmt* st = sqlite3_next_stmt(db_, nullptr))
            sqlite3_finalize(st);
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return !broken_ && !sessionChanged_ && sqlite3_get_autocommit(db_) && !sqlite3_db_name(db_, 2);
    }

    // Statements that change the session rather than the database.
    void noteSessionChanges(const QString& sql, const std::vector<lex::Token>& tokens,
                            const std::vector<size_t>& starts)
    {
        using namespace lex;
        for (size_t i : starts)
            if (isWord(sql, tokens[i], QLatin1String("PRAGMA")) ||
                isWord(sql, tokens[i], QLatin1String("ATTACH")) ||
                isWord(sql, tokens[i], QLatin1String("DETACH")))
                sessionChanged_ = true;
        for (const Token& t : tokens)
            if (isWord(sql, t, QLatin1String("TEMP")) || isWord(sql, t, QLatin1String("TEMPORARY")))
                sessionChanged_ = true;
    }

    // The window is told of a wait for another terminal's lock: at its start, while it lasts,
    // and at its end.
    void noteWait()
    {
        if (!waiting_) {
            notifier_ = showWaits_ ? platform::runtime().busy : nullptr;
            waiting_ = true;
            waitStart_ = SteadyClock::now();
            if (notifier_)
                notifier_->begin();
        } else if (notifier_) {
            notifier_->tick(
                std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - waitStart_)
                    .count());
        }
    }
    void endWait()
    {
        if (!waiting_)
            return;
        waiting_ = false;
        if (notifier_)
            notifier_->end();
        notifier_ = nullptr;
    }

    // The command timeout covers the whole call: lock waits and running time alike.
    void arm(int seconds)
    {
        timedOut_ = false;
        limited_ = seconds > 0;
        deadline_ = SteadyClock::now() + std::chrono::seconds(seconds);
    }
    bool expired()
    {
        if (limited_ && SteadyClock::now() >= deadline_)
            timedOut_ = true;
        return timedOut_;
    }
    static int onProgress(void* self) { return static_cast<EmbeddedConnection*>(self)->expired() ? 1 : 0; }
    static int onBusy(void* self, int count)
    {
        auto* c = static_cast<EmbeddedConnection*>(self);
        if (c->expired())
            return 0;
        c->noteWait();
        static constexpr int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
        int ms = count < int(std::size(delays)) ? delays[count] : 100;
        if (c->limited_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(c->deadline_ - SteadyClock::now())
                    .count();
            ms = int(std::clamp<long long>(left + 1, 1, ms));
        }
        sqlite3_sleep(ms);
        return 1;
    }

    void fail(int rc, std::vector<ProviderError>& errors)
    {
        const long native = sqlite3_extended_errcode(db_);
        const int primary = rc & 0xff;
        // After a failure of the file itself the handle is not kept: the next connection
        // opens the file afresh.
        if (primary == SQLITE_IOERR || primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ||
            primary == SQLITE_CANTOPEN || primary == SQLITE_FULL)
            broken_ = true;
        if (timedOut_ || primary == SQLITE_INTERRUPT) {
            errors.push_back({kTimeoutError, kTimeoutText, kProviderSource, QStringLiteral("HYT00"), native});
            return;
        }
        QString state = QStringLiteral("HY000");
        if (primary == SQLITE_ERROR)
            state = QStringLiteral("42000");
        else if (primary == SQLITE_CONSTRAINT)
            state = QStringLiteral("23000");
        errors.push_back({kStatementError, embeddedErrorDescription(int(native), message()), kProviderSource,
                          state, native});
    }

    // How a column of a result is read: whether its declared type makes its texts dates, and
    // the last text read from it. Values repeat down a column (the area of a base, an empty
    // comment), and a repeated text shares the one string read before instead of converting
    // and holding the same characters again.
    struct ColumnReader {
        bool dates = false;
        std::string lastBytes; // (its room is reused from row to row)
        FieldValue lastText;
    };

    static FieldValue value(sqlite3_stmt* st, int column, ColumnReader& reader)
    {
        // One look-up of the column's value instead of one per question asked of it; the
        // handle is used by this thread alone.
        sqlite3_value* v = sqlite3_column_value(st, column);
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return FieldValue(qint64(sqlite3_value_int64(v)));
        case SQLITE_FLOAT:
            return FieldValue(sqlite3_value_double(v));
        case SQLITE_NULL:
            return FieldValue();
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const int bytes = sqlite3_value_bytes(v);
            const std::string_view utf8(text, size_t(bytes));
            if (!reader.lastText.isNull() && reader.lastBytes == utf8)
                return reader.lastText;
            FieldValue result(QString::fromUtf8(text, bytes));
            if (reader.dates) {
                const QDateTime dt = parseDateTime(result.toText());
                if (dt.isValid())
                    result = FieldValue(dt);
            }
            reader.lastBytes.assign(utf8);
            reader.lastText = result;
            return result;
        }
        }
    }

    // Runs a batch statement by statement; statements may follow each other without
    // semicolons, as on the server. A query keeps the rows of its last statement that has
    // columns; the affected count is the sum over the statements that change rows.
    bool run(const QString& sql, ResultSet* result, long* affected, std::vector<ProviderError>& errors)
    {
        if (refuseNul(sql, errors))
            return false;
        arm(timeout_);
        const std::vector<lex::Token> tokens = lex::tokenize(sql);
        const std::vector<size_t> starts = lex::statementStarts(sql, tokens);
        noteSessionChanges(sql, tokens, starts);
        long total = 0;
        ResultSet last;
        bool ok = true;
        for (size_t s = 0; ok && s < starts.size(); ++s) {
            const qsizetype from = s == 0 ? 0 : tokens[starts[s]].pos;
            const qsizetype to = s + 1 < starts.size() ? tokens[starts[s + 1]].pos : sql.size();
            ok = runText(embeddedDialect(sql.mid(from, to - from)), result, &total, &last, errors);
        }
        endWait();
        if (!ok)
            return false;
        if (result)
            *result = std::move(last);
        if (affected)
            *affected = total;
        return true;
    }

    // Runs one statement of a batch (or several joined by semicolons).
    bool runText(const QString& sql, ResultSet* result, long* total, ResultSet* last,
                 std::vector<ProviderError>& errors)
    {
        const QByteArray text = sql.toUtf8();
        const char* tail = text.constData();
        const char* const end = tail + text.size();
        while (tail < end) {
            sqlite3_stmt* st = nullptr;
            const char* const before = tail;
            int rc = sqlite3_prepare_v2(db_, tail, int(end - tail), &st, &tail);
            if (rc != SQLITE_OK) {
                fail(rc, errors);
                return false;
            }
            if (!st) {
                if (tail <= before)
                    break;
                continue; // blanks or comments only
            }
            if (!sqlite3_stmt_readonly(st))
                noteWrite();
            const int columns = sqlite3_column_count(st);
            ResultSet rows;
            std::vector<ColumnReader> readers;
            if (result && columns > 0) {
                readers.resize(size_t(columns));
                for (int c = 0; c < columns; ++c) {
                    rows.columns << QString::fromUtf8(sqlite3_column_name(st, c));
                    readers[size_t(c)].dates = isDateType(sqlite3_column_decltype(st, c));
                }
            }
            const sqlite3_int64 changesBefore = sqlite3_total_changes64(db_);
            std::vector<FieldValue> streamed; // the one row handed to a row sink, reused
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                if (!result || columns == 0)
                    continue;
                std::vector<FieldValue>& row = sink_ ? streamed : rows.rows.emplace_back();
                row.clear();
                row.reserve(size_t(columns));
                for (int c = 0; c < columns; ++c)
                    row.push_back(value(st, c, readers[size_t(c)]));
                if (sink_)
                    (*sink_)(row);
            }
            if (rc != SQLITE_DONE) {
                fail(rc, errors);
                sqlite3_finalize(st);
                return false;
            }
            // Rows changed by this statement itself, not by triggers; nothing for statements
            // that change no rows.
            if (sqlite3_total_changes64(db_) != changesBefore)
                *total += long(sqlite3_changes64(db_));
            sqlite3_finalize(st);
            if (result && columns > 0)
                *last = std::move(rows);
        }
        return true;
    }

    sqlite3* db_;
    QString file_;
    FileId id_;
    int timeout_ = 30;
    bool limited_ = false;
    bool timedOut_ = false;
    SteadyClock::time_point deadline_;
    bool sessionChanged_ = false;
    bool broken_ = false;
    bool showWaits_ = true;
    const RowSink* sink_ = nullptr; // queryRows: where rows go instead of a result
    bool waiting_ = false;
    platform::BusyNotifier* notifier_ = nullptr;
    SteadyClock::time_point waitStart_;
};

bool isSetOperator(const QString& sql, const lex::Token& token)
{
    return lex::isWord(sql, token, QLatin1String("UNION")) ||
           lex::isWord(sql, token, QLatin1String("EXCEPT")) ||
           lex::isWord(sql, token, QLatin1String("INTERSECT"));
}

bool plainDatabaseName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':');
}

// The folder whose file system the database file lies on: that of the file a link names.
QString folderOf(const QString& file)
{
    const QString target = QFileInfo(file).canonicalFilePath();
    return QDir::toNativeSeparators(QFileInfo(target.isEmpty() ? file : target).absolutePath());
}

// Opens the database file, taking a kept handle of it when there is one (its folder was
// looked at when the handle was opened). allowNetwork: where the installation's setting
// that allows a folder on a network file system is read; none: not allowed.
std::unique_ptr<ProviderConnection> openFile(const QString& file, const FileId& id, bool showWaits,
                                             bool (*allowNetwork)(), std::vector<ProviderError>& errors)
{
    if (sqlite3* kept = HandlePool::instance().take(file, id))
        return std::make_unique<EmbeddedConnection>(kept, file, id, false, showWaits);

    Journal journal = Journal::Wal;
    if (!embeddedFolderJournal(folderOf(file), allowNetwork, &journal, errors))
        return nullptr;

    sqlite3* db = nullptr;
    // Never creates: a database exists only once a script has created it. SQLite takes
    // UTF-8 file names on every system. A handle serves one connection at a time, and a
    // connection one thread at a time (the pool hands handles over under its own lock), so
    // the engine's per-call locking of the handle is left out: it cost more than reading
    // the rows themselves.
    const int rc =
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        errors.push_back(openError(db, rc));
        sqlite3_close_v2(db);
        return nullptr;
    }
    HandlePool::instance().opened();
    auto conn = std::make_unique<EmbeddedConnection>(db, file, id, true, showWaits);
    if (!conn->prepareFile(journal, errors))
        return nullptr;
    return conn;
}

} // namespace

std::unique_ptr<ProviderConnection> openEmbedded(const ConnectionString& connection,
                                                 std::vector<ProviderError>& errors)
{
    const QString serverMissing = QStringLiteral("SQL Server が存在しないか、アクセスが拒否されました。");
    if (connection.dataSource.trimmed().isEmpty()) {
        errors.push_back(connectionError(serverMissing, SQLITE_CANTOPEN));
        return nullptr;
    }
    const QString file = embeddedDatabaseFile(connection.dataSource, connection.database);
    FileId id;
    if (!plainDatabaseName(connection.database) || !identify(file, &id)) {
        if (!QFileInfo(file).dir().exists())
            errors.push_back(connectionError(serverMissing, SQLITE_CANTOPEN));
        else
            errors.push_back(connectionError(
                QStringLiteral(
                    "ログインで要求されたデータベース \"%1\" を開けません。ログインに失敗しました。")
                    .arg(connection.database),
                SQLITE_CANTOPEN));
        return nullptr;
    }
    return openFile(file, id, true, &networkFolderAllowed, errors);
}

QString embeddedFileOf(const ConnectionString& connection)
{
    if (connection.dataSource.trimmed().isEmpty() || !plainDatabaseName(connection.database))
        return {};
    return embeddedDatabaseFile(connection.dataSource, connection.database);
}

std::unique_ptr<ProviderConnection> openEmbeddedFileQuietly(const QString& file,
                                                            std::vector<ProviderError>& errors)
{
    FileId id;
    if (!identify(file, &id)) {
        errors.push_back(
            connectionError(QStringLiteral("データベースのファイルがありません: ") + file, SQLITE_CANTOPEN));
        return nullptr;
    }
    // This thread reads no setting: a network folder is left to the program's own thread.
    return openFile(file, id, false, nullptr, errors);
}

const char* journalPragma(Journal journal)
{
    return journal == Journal::Wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE";
}

bool embeddedFolderJournal(const QString& folder, bool (*allowNetwork)(), Journal* journal,
                           std::vector<ProviderError>& errors)
{
    const QString kind = platform::volumes().networkKind(folder);
    *journal = kind.isEmpty() ? Journal::Wal : Journal::Delete;
    if (kind.isEmpty() || (allowNetwork && allowNetwork()))
        return true;
    errors.push_back(connectionError(
        QStringLiteral("データベースのフォルダー \"%1\" はネットワーク上のファイル システム (%2) にあるため、"
                       "開けません。組み込みデータベースは、共有フォルダーで複数のコンピューターから使うと"
                       "壊れるおそれがあります。データベースはこのコンピューターのローカル ディスクに置くか、"
                       "複数のコンピューターで使う場合は SQL Server を使用してください。")
            .arg(QDir::toNativeSeparators(folder), kind),
        SQLITE_CANTOPEN));
    return false;
}

quint64 writeGeneration()
{
    return gWrites.load(std::memory_order_relaxed);
}

void noteWrite()
{
    gWrites.fetch_add(1, std::memory_order_relaxed);
}

EmbeddedPoolStats embeddedPoolStats()
{
    return HandlePool::instance().stats();
}

void closeIdleEmbeddedConnections(const QString& file)
{
    HandlePool::instance().closeFile(file);
}

QString embeddedErrorDescription(int extendedCode, const QString& engineText)
{
    QString text;
    switch (extendedCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        text = QStringLiteral("データベースは別の端末が使用中のため、ロックを取得できませんでした。"
                              "しばらくしてからやり直してください。");
        break;
    case SQLITE_READONLY:
        text = QStringLiteral("データベースは読み取り専用であるため、更新できません。");
        break;
    case SQLITE_CANTOPEN:
        text = QStringLiteral(
            "データベース ファイルを開けません。ファイルの場所とアクセス許可を確認してください。");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        text = QStringLiteral("データベース ファイルへのアクセスが拒否されました。");
        break;
    case SQLITE_FULL:
        text = QStringLiteral("ディスクに空き領域がないため、データベースに書き込めません。");
        break;
    case SQLITE_IOERR:
        text = QStringLiteral("データベース ファイルの読み取りまたは書き込みで I/O エラーが発生しました。");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        text = QStringLiteral("データベース ファイルが壊れているか、データベースのファイルではありません。");
        break;
    case SQLITE_NOMEM:
        text = QStringLiteral("メモリが不足しているため、処理を続行できません。");
        break;
    case SQLITE_CONSTRAINT:
        switch (extendedCode) {
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_UNIQUE:
            text = QStringLiteral("一意制約に違反しています。重複するキーは挿入できません。");
            break;
        case SQLITE_CONSTRAINT_NOTNULL:
            text = QStringLiteral("NULL 値は挿入できません。この列では NULL 値が許可されていません。");
            break;
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            text = QStringLiteral("FOREIGN KEY 制約に違反しています。");
            break;
        case SQLITE_CONSTRAINT_CHECK:
            text = QStringLiteral("CHECK 制約に違反しています。");
            break;
        default:
            text = QStringLiteral("制約に違反しているため、ステートメントは終了しました。");
            break;
        }
        break;
    case SQLITE_TOOBIG:
        text = QStringLiteral("文字列またはデータが大きすぎるため、処理できません。");
        break;
    default:
        // A search text that the engine cannot match against (a LIKE pattern of tens of
        // thousands of characters) is the user's, not a fault in the statement.
        if (engineText == QLatin1String("LIKE or GLOB pattern too complex")) {
            text =
                QStringLiteral("検索する文字列が長すぎるため、検索できません。短くしてやり直してください。");
            break;
        }
        return engineText;
    }
    return text + QStringLiteral(" (SQLite: ") + engineText + u')';
}

QString embeddedDialect(const QString& sql)
{
    if (!sql.contains(QLatin1String("top"), Qt::CaseInsensitive))
        return sql;
    using namespace lex;
    const std::vector<Token> t = tokenize(sql);
    const int n = int(t.size());
    // A string or quoted name left open runs to the end of the text: a LIMIT added after it
    // would land inside it. Such a statement is malformed and stays as it is.
    if (n > 0 && !isClosedQuote(sql, t.back()))
        return sql;
    struct Edit {
        int pos;
        int len;
        QString text;
    };
    std::vector<Edit> edits;
    for (int i = 0; i < n; ++i) {
        if (!isWord(sql, t[size_t(i)], QLatin1String("SELECT")))
            continue;
        int j = i + 1;
        if (j < n && (isWord(sql, t[size_t(j)], QLatin1String("DISTINCT")) ||
                      isWord(sql, t[size_t(j)], QLatin1String("ALL"))))
            ++j;
        if (j >= n || !isWord(sql, t[size_t(j)], QLatin1String("TOP")))
            continue;
        int k = j + 1;
        QString count;
        if (k < n && t[size_t(k)].kind == Kind::Number) {
            count = sql.mid(t[size_t(k)].pos, t[size_t(k)].len);
            ++k;
        } else if (k + 2 < n && isPunct(sql, t[size_t(k)], u'(') && t[size_t(k + 1)].kind == Kind::Number &&
                   isPunct(sql, t[size_t(k + 2)], u')')) {
            count = sql.mid(t[size_t(k + 1)].pos, t[size_t(k + 1)].len);
            k += 3;
        } else {
            continue;
        }
        bool digits = !count.isEmpty();
        for (QChar c : count)
            digits = digits && c.isDigit();
        // TOP n PERCENT and WITH TIES have no counterpart; such a statement stays as it is.
        if (!digits || (k < n && (isWord(sql, t[size_t(k)], QLatin1String("PERCENT")) ||
                                  isWord(sql, t[size_t(k)], QLatin1String("WITH")))))
            continue;
        // TOP with nothing after it is a malformed select: left for the engine to refuse.
        if (k >= n || isPunct(sql, t[size_t(k)], u';') || isPunct(sql, t[size_t(k)], u')'))
            continue;
        // The end of this select: the ")" closing its subquery, or the end of its statement.
        int depth = 0;
        int stop = k;
        bool compound = i > 0 && isSetOperator(sql, t[size_t(i - 1)]);
        for (; stop < n; ++stop) {
            if (isPunct(sql, t[size_t(stop)], u'('))
                ++depth;
            else if (isPunct(sql, t[size_t(stop)], u')') && depth-- == 0)
                break;
            else if (depth == 0 && isPunct(sql, t[size_t(stop)], u';'))
                break;
            else if (depth == 0 && isSetOperator(sql, t[size_t(stop)]))
                compound = true;
        }
        // In a UNION the TOP of one member has no LIMIT that means the same (a LIMIT at the
        // end limits the whole union): such a statement stays as it is and the engine
        // refuses it, rather than giving other rows.
        if (compound)
            continue;
        edits.push_back({t[size_t(j)].pos, t[size_t(k)].pos - t[size_t(j)].pos, QString()});
        edits.push_back({t[size_t(stop - 1)].end(), 0, QStringLiteral(" LIMIT ") + count});
    }
    // Edits never overlap; if they would, the statement is left as it is.
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.pos < b.pos || (a.pos == b.pos && a.len < b.len);
    });
    for (size_t e = 1; e < edits.size(); ++e)
        if (edits[e - 1].pos + edits[e - 1].len > edits[e].pos)
            return sql;
    QString out = sql;
    for (auto e = edits.rbegin(); e != edits.rend(); ++e)
        out.replace(e->pos, e->len, e->text);
    return out;
}

} // namespace db
