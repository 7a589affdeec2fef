// The embedded engine: one SQLite file per database stands in for the SQL Server instance.

#include "db/provider.h"
#include "db/sqllex.h"

#include "platform/clock.h"
#include "platform/runtime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <sqlite3.h>

namespace db
{

namespace
{

using SteadyClock = std::chrono::steady_clock;

// How long opening a database may wait for a lock, as the provider's login timeout.
constexpr int kLoginTimeoutSeconds = 15;

const QString kTimeoutText = QStringLiteral("クエリのタイムアウトが発生しました。");

ProviderError connectionError(const QString& description, long native)
{
    return {kConnectionError, description, kProviderSource, QStringLiteral("08001"), native};
}

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
    explicit EmbeddedConnection(sqlite3* db) : db_(db)
    {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_handler(db_, &EmbeddedConnection::onBusy, this);
        sqlite3_progress_handler(db_, 1000, &EmbeddedConnection::onProgress, this);
        sqlite3_create_function_v2(db_, "GETDATE", 0, SQLITE_UTF8, nullptr, &getDate, nullptr, nullptr,
                                   nullptr);
    }
    ~EmbeddedConnection() override { sqlite3_close_v2(db_); }

    // Switches the file to WAL, so that several launchers can share it. Also the first
    // read of the file: a file that is no database fails here, as a connection failure.
    bool prepareFile(std::vector<ProviderError>& errors)
    {
        arm(kLoginTimeoutSeconds);
        if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK)
            return true;
        errors.push_back(connectionError(message(), sqlite3_extended_errcode(db_)));
        return false;
    }

    bool query(const QString& sql, ResultSet* result, std::vector<ProviderError>& errors) override
    {
        return run(embeddedDialect(sql), result, nullptr, errors);
    }
    bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) override
    {
        return run(embeddedDialect(sql), nullptr, affected, errors);
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
        if (timedOut_ || primary == SQLITE_INTERRUPT) {
            errors.push_back({kTimeoutError, kTimeoutText, kProviderSource, QStringLiteral("HYT00"), native});
            return;
        }
        QString state = QStringLiteral("HY000");
        if (primary == SQLITE_ERROR)
            state = QStringLiteral("42000");
        else if (primary == SQLITE_CONSTRAINT)
            state = QStringLiteral("23000");
        errors.push_back({kStatementError, message(), kProviderSource, state, native});
    }

    static FieldValue value(sqlite3_stmt* st, int column, bool dateColumn)
    {
        switch (sqlite3_column_type(st, column)) {
        case SQLITE_INTEGER:
            return FieldValue(qint64(sqlite3_column_int64(st, column)));
        case SQLITE_FLOAT:
            return FieldValue(sqlite3_column_double(st, column));
        case SQLITE_NULL:
            return FieldValue();
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
            const QString s = QString::fromUtf8(text, sqlite3_column_bytes(st, column));
            if (dateColumn) {
                const QDateTime dt = parseDateTime(s);
                if (dt.isValid())
                    return FieldValue(dt);
            }
            return FieldValue(s);
        }
        }
    }

    // Runs a batch statement by statement. A query keeps the rows of its last statement
    // that has columns; the affected count is the sum over the statements that change rows.
    bool run(const QString& sql, ResultSet* result, long* affected, std::vector<ProviderError>& errors)
    {
        arm(timeout_);
        const QByteArray text = sql.toUtf8();
        const char* tail = text.constData();
        const char* const end = tail + text.size();
        long total = 0;
        ResultSet last;
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
            const int columns = sqlite3_column_count(st);
            ResultSet rows;
            std::vector<bool> dates;
            if (result && columns > 0) {
                for (int c = 0; c < columns; ++c) {
                    rows.columns << QString::fromUtf8(sqlite3_column_name(st, c));
                    dates.push_back(isDateType(sqlite3_column_decltype(st, c)));
                }
            }
            const sqlite3_int64 changesBefore = sqlite3_total_changes64(db_);
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                if (!result || columns == 0)
                    continue;
                std::vector<FieldValue> row;
                row.reserve(size_t(columns));
                for (int c = 0; c < columns; ++c)
                    row.push_back(value(st, c, dates[size_t(c)]));
                rows.rows.push_back(std::move(row));
            }
            if (rc != SQLITE_DONE) {
                fail(rc, errors);
                sqlite3_finalize(st);
                return false;
            }
            // Rows changed by this statement itself, not by triggers; nothing for statements
            // that change no rows.
            if (sqlite3_total_changes64(db_) != changesBefore)
                total += long(sqlite3_changes64(db_));
            sqlite3_finalize(st);
            if (result && columns > 0)
                last = std::move(rows);
        }
        if (result)
            *result = std::move(last);
        if (affected)
            *affected = total;
        return true;
    }

    sqlite3* db_;
    int timeout_ = 30;
    bool limited_ = false;
    bool timedOut_ = false;
    SteadyClock::time_point deadline_;
};

bool plainDatabaseName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':');
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
    const QFileInfo info(file);
    if (!info.dir().exists()) {
        errors.push_back(connectionError(serverMissing, SQLITE_CANTOPEN));
        return nullptr;
    }
    if (!plainDatabaseName(connection.database) || !info.isFile()) {
        errors.push_back(connectionError(
            QStringLiteral("ログインで要求されたデータベース \"%1\" を開けません。ログインに失敗しました。")
                .arg(connection.database),
            SQLITE_CANTOPEN));
        return nullptr;
    }
    sqlite3* db = nullptr;
    // Never creates: a database exists only once a script has created it. SQLite takes
    // UTF-8 file names on every system.
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        errors.push_back(connectionError(
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc)), rc));
        sqlite3_close_v2(db);
        return nullptr;
    }
    auto conn = std::make_unique<EmbeddedConnection>(db);
    if (!conn->prepareFile(errors))
        return nullptr;
    return conn;
}

QString embeddedDialect(const QString& sql)
{
    if (!sql.contains(QLatin1String("top"), Qt::CaseInsensitive))
        return sql;
    using namespace lex;
    const std::vector<Token> t = tokenize(sql);
    const int n = int(t.size());
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
        // The end of this select: the ")" closing its subquery, or the end of its statement.
        int depth = 0;
        int stop = k;
        for (; stop < n; ++stop) {
            if (isPunct(sql, t[size_t(stop)], u'('))
                ++depth;
            else if (isPunct(sql, t[size_t(stop)], u')') && depth-- == 0)
                break;
            else if (depth == 0 && isPunct(sql, t[size_t(stop)], u';'))
                break;
        }
        const int removeEnd = k < n ? t[size_t(k)].pos : int(sql.size());
        edits.push_back({t[size_t(j)].pos, removeEnd - t[size_t(j)].pos, QString()});
        const int insertAt = stop > k ? t[size_t(stop - 1)].end() : removeEnd;
        edits.push_back({insertAt, 0, QStringLiteral(" LIMIT ") + count});
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.pos > b.pos; });
    QString out = sql;
    for (const Edit& e : edits)
        out.replace(e.pos, e.len, e.text);
    return out;
}

} // namespace db
