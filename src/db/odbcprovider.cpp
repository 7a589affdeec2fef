// The server engine: a real SQL Server through its ODBC driver. Statements go to the server
// as they are; every diagnostic record becomes one provider error record. A data source of
// another engine (SQLite through its ODBC driver) gets the T-SQL subset adapted as the
// embedded engine adapts it.

#include "db/odbcprovider.h"
#include "db/sqllex.h"

#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"

namespace db
{

QString defaultOdbcDriver()
{
#ifdef Q_OS_WIN
    return QStringLiteral("SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

namespace
{

// A value of a connection string for the driver: braced when it holds characters that
// would end or change the value.
QString odbcValue(const QString& value)
{
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') && value.trimmed() == value)
        return value;
    return u'{' + QString(value).replace(QLatin1String("}"), QLatin1String("}}")) + u'}';
}

// GETDATE() as SQLite's local time, in the form date-times are stored in.
QString sqliteGetDate(const QString& sql)
{
    if (!sql.contains(QLatin1String("getdate"), Qt::CaseInsensitive))
        return sql;
    using namespace lex;
    const std::vector<Token> t = tokenize(sql);
    QString out = sql;
    for (size_t i = t.size(); i-- > 0;) {
        if (i + 2 < t.size() && isWord(sql, t[i], QLatin1String("GETDATE")) && isPunct(sql, t[i + 1], u'(') &&
            isPunct(sql, t[i + 2], u')'))
            out.replace(t[i].pos, t[i + 2].end() - t[i].pos,
                        QStringLiteral("strftime('%Y-%m-%d %H:%M:%f','now','localtime')"));
    }
    return out;
}

// The statements of a batch at its top-level semicolons. The body of a CREATE TRIGGER
// (BEGIN ... END) and CASE ... END hold semicolons or ENDs of their own.
QStringList splitAtSemicolons(const QString& sql)
{
    using namespace lex;
    const std::vector<Token> t = tokenize(sql);
    QStringList out;
    size_t first = 0; // the first token of the current statement
    int depth = 0;
    bool trigger = false;
    const auto flush = [&](size_t endToken) {
        if (endToken > first)
            out << sql.mid(t[first].pos, t[endToken - 1].end() - t[first].pos);
        first = endToken + 1;
        depth = 0;
        trigger = false;
    };
    for (size_t i = 0; i < t.size(); ++i) {
        if (i == first + 1 && isWord(sql, t[first], QLatin1String("CREATE")))
            trigger = isWord(sql, t[i], QLatin1String("TRIGGER")) ||
                      ((isWord(sql, t[i], QLatin1String("TEMP")) ||
                        isWord(sql, t[i], QLatin1String("TEMPORARY"))) &&
                       i + 1 < t.size() && isWord(sql, t[i + 1], QLatin1String("TRIGGER")));
        if (isWord(sql, t[i], QLatin1String("CASE")) ||
            (trigger && isWord(sql, t[i], QLatin1String("BEGIN"))))
            ++depth;
        else if (isWord(sql, t[i], QLatin1String("END")) && depth > 0)
            --depth;
        else if (depth == 0 && isPunct(sql, t[i], u';'))
            flush(i);
    }
    if (first < t.size())
        flush(t.size());
    return out;
}

} // namespace

OdbcDialect odbcDialect(const QString& dbmsName)
{
    if (dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return OdbcDialect::SqlServer;
    if (dbmsName.startsWith(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return OdbcDialect::Sqlite;
    return OdbcDialect::Other;
}

QStringList odbcStatements(const QString& sql, OdbcDialect dialect)
{
    switch (dialect) {
    case OdbcDialect::SqlServer:
        return {sql};
    case OdbcDialect::Other:
        return {embeddedDialect(sql)};
    case OdbcDialect::Sqlite:
        break;
    }
    // Statements of a batch may follow each other without semicolons, as on the server; the
    // driver takes one at a time.
    const QString adapted = sqliteGetDate(embeddedDialect(sql));
    QStringList out;
    for (const auto& [from, to] : lex::statementRanges(adapted))
        out << splitAtSemicolons(adapted.mid(from, to - from));
    return out;
}

QString odbcConnectionString(const ConnectionString& connection, const QString& driver,
                             const QString& options)
{
    const QString name = driver.trimmed().isEmpty() ? defaultOdbcDriver() : driver.trimmed();
    QString server = connection.dataSource.trimmed();
    QString port;
    // FreeTDS takes the port as a keyword of its own and knows no "(local)".
    if (name.contains(QLatin1String("tds"), Qt::CaseInsensitive)) {
        if (server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
            server = server.mid(4);
        const qsizetype comma = server.lastIndexOf(u',');
        if (comma >= 0) {
            port = server.mid(comma + 1).trimmed();
            server = server.left(comma).trimmed();
        }
        const qsizetype slash = server.indexOf(u'\\');
        const QString host = slash < 0 ? server : server.left(slash);
        if (host == QLatin1String(".") || host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
            server = QStringLiteral("localhost") + (slash < 0 ? QString() : server.mid(slash));
    }
    QString text = QStringLiteral("DRIVER={") +
                   QString(name).replace(QLatin1String("}"), QLatin1String("}}")) +
                   QStringLiteral("};SERVER=") + odbcValue(server);
    if (!port.isEmpty())
        text += QStringLiteral(";PORT=") + odbcValue(port);
    text += QStringLiteral(";DATABASE=") + odbcValue(connection.database) + QStringLiteral(";UID=") +
            odbcValue(connection.user) + QStringLiteral(";PWD=") + odbcValue(connection.password);
    const QString extra = options.trimmed();
    if (!extra.isEmpty() && extra != QLatin1String(";"))
        text += (extra.startsWith(u';') ? QString() : QStringLiteral(";")) + extra;
    return text;
}

} // namespace db

#ifdef TOPMENU_HAVE_ODBC

#ifdef _WIN32
#include <windows.h> // the ODBC headers of Windows build on its types
#endif
#include <sql.h>
#include <sqlext.h>

#include <QDateTime>
#include <QRegularExpression>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#ifndef _WIN32
#include <QLibrary>

// The driver manager is loaded when the first ODBC connection is made, not at every start of
// every program: most installations never use it, and loading it (with its own libraries)
// is a noticeable part of a short program's run.
namespace
{

#define TOPMENU_ODBC_FUNCTIONS(X)                                                                            \
    X(SQLAllocHandle)                                                                                        \
    X(SQLFreeHandle)                                                                                         \
    X(SQLSetEnvAttr)                                                                                         \
    X(SQLSetConnectAttrW)                                                                                    \
    X(SQLDriverConnectW)                                                                                     \
    X(SQLDisconnect)                                                                                         \
    X(SQLGetDiagRecW)                                                                                        \
    X(SQLGetInfoW)                                                                                           \
    X(SQLSetStmtAttrW)                                                                                       \
    X(SQLGetStmtAttrW)                                                                                       \
    X(SQLExecDirectW)                                                                                        \
    X(SQLNumResultCols)                                                                                      \
    X(SQLDescribeColW)                                                                                       \
    X(SQLFetch)                                                                                              \
    X(SQLGetData)                                                                                            \
    X(SQLRowCount)                                                                                           \
    X(SQLMoreResults)                                                                                        \
    X(SQLEndTran)                                                                                            \
    X(SQLCancel)

struct OdbcApi {
#define TOPMENU_ODBC_POINTER(name) decltype(&::name) name = nullptr;
    TOPMENU_ODBC_FUNCTIONS(TOPMENU_ODBC_POINTER)
#undef TOPMENU_ODBC_POINTER
    bool loaded = false;
};

const OdbcApi& odbcApi()
{
    static const OdbcApi api = [] {
        OdbcApi a;
        QLibrary library(QStringLiteral("odbc"), 2);
        if (!library.load()) {
            library.setFileName(QStringLiteral("odbc"));
            if (!library.load())
                return a;
        }
        bool all = true;
#define TOPMENU_ODBC_RESOLVE(name)                                                                           \
    a.name = reinterpret_cast<decltype(a.name)>(library.resolve(#name));                                     \
    all = all && a.name;
        TOPMENU_ODBC_FUNCTIONS(TOPMENU_ODBC_RESOLVE)
#undef TOPMENU_ODBC_RESOLVE
        a.loaded = all;
        return a; // (the library stays loaded for the life of the process)
    }();
    return api;
}

} // namespace

#define SQLAllocHandle odbcApi().SQLAllocHandle
#define SQLFreeHandle odbcApi().SQLFreeHandle
#define SQLSetEnvAttr odbcApi().SQLSetEnvAttr
#define SQLSetConnectAttrW odbcApi().SQLSetConnectAttrW
#define SQLDriverConnectW odbcApi().SQLDriverConnectW
#define SQLDisconnect odbcApi().SQLDisconnect
#define SQLGetDiagRecW odbcApi().SQLGetDiagRecW
#define SQLGetInfoW odbcApi().SQLGetInfoW
#define SQLSetStmtAttrW odbcApi().SQLSetStmtAttrW
#define SQLGetStmtAttrW odbcApi().SQLGetStmtAttrW
#define SQLExecDirectW odbcApi().SQLExecDirectW
#define SQLNumResultCols odbcApi().SQLNumResultCols
#define SQLDescribeColW odbcApi().SQLDescribeColW
#define SQLFetch odbcApi().SQLFetch
#define SQLGetData odbcApi().SQLGetData
#define SQLRowCount odbcApi().SQLRowCount
#define SQLMoreResults odbcApi().SQLMoreResults
#define SQLEndTran odbcApi().SQLEndTran
#define SQLCancel odbcApi().SQLCancel

namespace
{
bool odbcLoaded()
{
    return odbcApi().loaded;
}
} // namespace
#else
namespace
{
bool odbcLoaded()
{
    return true;
}
} // namespace
#endif

namespace db
{

bool odbcAvailable()
{
    return true;
}

namespace
{

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

using SteadyClock = std::chrono::steady_clock;

constexpr int kLoginTimeoutSeconds = 15;

// SQLite's code for a lock held by another connection (its native error number).
constexpr long kSqliteBusy = 5;

// The text of a command timeout the provider enforces itself, as the embedded engine words it.
const QString kTimeoutText = QStringLiteral("クエリのタイムアウトが発生しました。");

QString fromWide(const SQLWCHAR* text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

std::vector<SQLWCHAR> toWide(const QString& text)
{
    std::vector<SQLWCHAR> out(size_t(text.size()) + 1, 0);
    std::copy(text.utf16(), text.utf16() + text.size(), out.begin());
    return out;
}

// The driver manager and driver put "[vendor][component]" before the server's text; the
// suite shows the server's text alone, as its provider did.
QString withoutPrefixes(const QString& message)
{
    static const QRegularExpression prefixes(QStringLiteral(R"(^(\[[^\]]*\])+)"));
    return QString(message).remove(prefixes);
}

// Every diagnostic record of the handle, in order, as one provider error record each.
void collect(SQLSMALLINT type, SQLHANDLE handle, long number, std::vector<ProviderError>& errors)
{
    const size_t before = errors.size();
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(size_t(length) + 1);
            rc = SQLGetDiagRecW(type, handle, i, state, &native, message.data(), SQLSMALLINT(message.size()),
                                &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        const QString sqlState = fromWide(state, 5);
        const long n = sqlState.startsWith(QLatin1String("HYT")) ? kTimeoutError : number;
        errors.push_back({n,
                          withoutPrefixes(fromWide(
                              message.data(), std::min<qsizetype>(length, qsizetype(message.size()) - 1))),
                          kProviderSource, sqlState, long(native)});
    }
    if (errors.size() == before)
        errors.push_back({number, QStringLiteral("エラーを特定できません。"), kProviderSource,
                          QStringLiteral("HY000"), 0});
}

enum class Read { Integer, Floating, DateTime, Text };

Read readAs(SQLSMALLINT type, SQLULEN size, SQLSMALLINT digits)
{
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return Read::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return Read::Floating;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return digits == 0 && size <= 18 ? Read::Integer : Read::Floating;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return Read::DateTime;
    default:
        return Read::Text;
    }
}

// Cancels a statement when its time is up, for drivers that do not keep the query timeout
// themselves. SQLCancel is the one call ODBC lets another thread make on a running statement.
class Watchdog
{
public:
    Watchdog(SQLHSTMT statement, SteadyClock::time_point deadline)
        : thread_([this, statement, deadline] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!wake_.wait_until(lock, deadline, [this] { return done_; })) {
                  fired_ = true;
                  SQLCancel(statement);
              }
          })
    {
    }
    ~Watchdog() { stop(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Ends the watch; true when the statement was cancelled.
    bool stop()
    {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_ = true;
            }
            wake_.notify_all();
            thread_.join();
        }
        return fired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool fired_ = false;
    std::thread thread_; // last: started once the members above exist
};

class OdbcConnection : public ProviderConnection
{
public:
    ~OdbcConnection() override
    {
        if (dbc_) {
            if (inTransaction_) {
                std::vector<ProviderError> ignored;
                rollback(ignored);
            }
            if (connected_)
                SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    bool connect(const QString& connectionString, std::vector<ProviderError>& errors)
    {
        if (!odbcLoaded()) {
            errors.push_back(
                {kConnectionError,
                 QStringLiteral("ODBC のドライバーマネージャー (unixODBC の libodbc) を読み込めません。"),
                 kProviderSource, QStringLiteral("IM003"), 0});
            return false;
        }
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
            env_ = nullptr;
            errors.push_back({kConnectionError, QStringLiteral("ODBC の環境を用意できません。"),
                              kProviderSource, QStringLiteral("HY001"), 0});
            return false;
        }
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
            dbc_ = nullptr;
            collect(SQL_HANDLE_ENV, env_, kConnectionError, errors);
            return false;
        }
        SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                           reinterpret_cast<SQLPOINTER>(SQLULEN(kLoginTimeoutSeconds)), 0);
        std::vector<SQLWCHAR> text = toWide(connectionString);
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, text.data(), SQL_NTS, nullptr, 0, &outLength,
                                               SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            collect(SQL_HANDLE_DBC, dbc_, kConnectionError, errors);
            return false;
        }
        connected_ = true;

        SQLWCHAR name[128] = {};
        SQLSMALLINT nameLength = 0;
        if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DBMS_NAME, name, SQLSMALLINT(sizeof name), &nameLength)))
            dialect_ = odbcDialect(
                fromWide(name, std::min<qsizetype>(nameLength / qsizetype(sizeof(SQLWCHAR)), 127)));
        // The SQLite driver waits for another terminal's lock by itself, as long as its own
        // Timeout (100 s by default) and beyond the reach of SQLCancel. Opened again with a
        // wait of 1 ms, it reports the lock at once and the command timeout decides.
        if (dialect_ == OdbcDialect::Sqlite) {
            SQLDisconnect(dbc_);
            connected_ = false;
            std::vector<SQLWCHAR> again = toWide(connectionString + QStringLiteral(";Timeout=1"));
            if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc_, nullptr, again.data(), SQL_NTS, nullptr, 0, &outLength,
                                                 SQL_DRIVER_NOPROMPT))) {
                collect(SQL_HANDLE_DBC, dbc_, kConnectionError, errors);
                return false;
            }
            connected_ = true;
        }
        driverKeepsTimeout_ = probeQueryTimeout();
        return true;
    }

    bool query(const QString& sql, ResultSet* result, std::vector<ProviderError>& errors) override
    {
        return run(sql, result, nullptr, errors);
    }
    bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) override
    {
        noteWrite(); // (the driver does not tell whether a statement changed anything)
        return run(sql, nullptr, affected, errors);
    }

    // SQLite takes the write lock at the start, as the embedded engine does, so that a
    // transaction never fails half-way because another terminal wrote in between. A server
    // runs in manual-commit mode.
    bool beginTransaction(std::vector<ProviderError>& errors) override
    {
        const bool begun = dialect_ == OdbcDialect::Sqlite
                               ? run(QStringLiteral("BEGIN IMMEDIATE"), nullptr, nullptr, errors)
                               : setAutoCommit(false, errors);
        inTransaction_ = begun;
        return begun;
    }
    bool commit(std::vector<ProviderError>& errors) override
    {
        if (dialect_ == OdbcDialect::Sqlite) {
            // A failed commit leaves the transaction open for the caller's rollback.
            if (!run(QStringLiteral("COMMIT"), nullptr, nullptr, errors))
                return false;
            inTransaction_ = false;
            return true;
        }
        return endTransaction(SQL_COMMIT, errors);
    }
    bool rollback(std::vector<ProviderError>& errors) override
    {
        if (dialect_ != OdbcDialect::Sqlite)
            return endTransaction(SQL_ROLLBACK, errors);
        inTransaction_ = false;
        std::vector<ProviderError> records;
        if (run(QStringLiteral("ROLLBACK"), nullptr, nullptr, records))
            return true;
        // A statement that was cancelled or failed on a lock has already rolled it back.
        if (records.size() == 1 &&
            records.front().description.contains(QLatin1String("no transaction is active")))
            return true;
        errors.insert(errors.end(), records.begin(), records.end());
        return false;
    }
    void setCommandTimeout(int seconds) override { timeout_ = std::max(0, seconds); }

private:
    // True when the driver takes SQL_ATTR_QUERY_TIMEOUT (a SQL Server driver does); the
    // SQLite driver reads it back as 0 and the provider keeps the time itself.
    bool probeQueryTimeout()
    {
        Statement st;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st.handle))) {
            st.handle = nullptr;
            return false;
        }
        constexpr SQLULEN probe = 30;
        if (!SQL_SUCCEEDED(
                SQLSetStmtAttrW(st.handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(probe), 0)))
            return false;
        SQLULEN value = 0;
        return SQL_SUCCEEDED(SQLGetStmtAttrW(st.handle, SQL_ATTR_QUERY_TIMEOUT, &value, 0, nullptr)) &&
               value == probe;
    }

    bool setAutoCommit(bool on, std::vector<ProviderError>& errors)
    {
        const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
        if (SQL_SUCCEEDED(
                SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0)))
            return true;
        collect(SQL_HANDLE_DBC, dbc_, kStatementError, errors);
        return false;
    }

    bool endTransaction(SQLSMALLINT how, std::vector<ProviderError>& errors)
    {
        const bool ended = SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, how));
        if (!ended)
            collect(SQL_HANDLE_DBC, dbc_, kStatementError, errors);
        if (ended || how == SQL_ROLLBACK) {
            inTransaction_ = false;
            return setAutoCommit(true, errors) && ended;
        }
        return false;
    }

    struct Statement {
        SQLHSTMT handle = nullptr;
        ~Statement()
        {
            if (handle)
                SQLFreeHandle(SQL_HANDLE_STMT, handle);
        }
    };

    static bool fetchText(SQLHSTMT st, SQLUSMALLINT column, FieldValue* out)
    {
        QString text;
        SQLWCHAR buffer[2048];
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(st, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                return false;
            if (indicator == SQL_NULL_DATA) {
                *out = FieldValue();
                return true;
            }
            const SQLLEN room = SQLLEN(sizeof buffer - sizeof(SQLWCHAR));
            const SQLLEN bytes = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
            text += fromWide(buffer, bytes / SQLLEN(sizeof(SQLWCHAR)));
            if (rc == SQL_SUCCESS)
                break;
        }
        *out = FieldValue(text);
        return true;
    }

    static bool fetchTyped(SQLHSTMT st, SQLUSMALLINT column, Read how, FieldValue* out)
    {
        SQLLEN indicator = 0;
        switch (how) {
        case Read::Integer: {
            SQLBIGINT v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st, column, SQL_C_SBIGINT, &v, 0, &indicator)))
                return false;
            *out = indicator == SQL_NULL_DATA ? FieldValue() : FieldValue(qint64(v));
            return true;
        }
        case Read::Floating: {
            double v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(st, column, SQL_C_DOUBLE, &v, 0, &indicator)))
                return false;
            *out = indicator == SQL_NULL_DATA ? FieldValue() : FieldValue(v);
            return true;
        }
        case Read::DateTime: {
            SQL_TIMESTAMP_STRUCT v{};
            if (!SQL_SUCCEEDED(SQLGetData(st, column, SQL_C_TYPE_TIMESTAMP, &v, 0, &indicator)))
                return false;
            if (indicator == SQL_NULL_DATA) {
                *out = FieldValue();
                return true;
            }
            const QDateTime value(QDate(v.year, v.month, v.day),
                                  QTime(v.hour, v.minute, v.second, int(v.fraction / 1000000)));
            if (!value.isValid())
                return false;
            *out = FieldValue(value);
            return true;
        }
        case Read::Text:
            return fetchText(st, column, out);
        }
        return false;
    }

    // A value as its column's type reads it. A value the type cannot hold is read as text.
    static bool fetchValue(SQLHSTMT st, SQLUSMALLINT column, Read how, FieldValue* out)
    {
        return fetchTyped(st, column, how, out) || (how != Read::Text && fetchText(st, column, out));
    }

    // SQLite keeps any value in any column (text written into a number or date column stays
    // text) and its driver hands every value over as text; converting text that is no
    // number overruns the driver's buffer. So its values are read as text and take the
    // column's type where they have its form, as the embedded engine reads them.
    static bool fetchSqliteValue(SQLHSTMT st, SQLUSMALLINT column, Read how, FieldValue* out)
    {
        if (!fetchText(st, column, out))
            return false;
        if (out->kind() != FieldValue::Kind::Text || how == Read::Text)
            return true;
        const QString text = out->toText();
        bool ok = false;
        if (how == Read::Integer) {
            const qint64 v = text.toLongLong(&ok);
            if (ok)
                *out = FieldValue(v);
        } else if (how == Read::Floating) {
            const double v = text.toDouble(&ok);
            if (ok)
                *out = FieldValue(v);
        } else {
            static const QString forms[] = {QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"),
                                            QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                            QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy-MM-dd")};
            for (const QString& form : forms) {
                const QDateTime v = QDateTime::fromString(text, form);
                if (v.isValid()) {
                    *out = FieldValue(v);
                    break;
                }
            }
        }
        return true;
    }

    bool readRows(SQLHSTMT st, SQLSMALLINT columns, ResultSet* rows) const
    {
        std::vector<Read> how;
        for (SQLSMALLINT c = 1; c <= columns; ++c) {
            SQLWCHAR name[256];
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            if (!SQL_SUCCEEDED(SQLDescribeColW(st, SQLUSMALLINT(c), name, 256, &nameLength, &type, &size,
                                               &digits, &nullable)))
                return false;
            rows->columns << fromWide(name, std::min<SQLSMALLINT>(nameLength, 255));
            how.push_back(readAs(type, size, digits));
        }
        for (;;) {
            const SQLRETURN rc = SQLFetch(st);
            if (rc == SQL_NO_DATA)
                return true;
            if (!SQL_SUCCEEDED(rc))
                return false;
            std::vector<FieldValue> row(static_cast<size_t>(columns));
            for (SQLSMALLINT c = 1; c <= columns; ++c)
                if (!(dialect_ == OdbcDialect::Sqlite ? fetchSqliteValue : fetchValue)(
                        st, SQLUSMALLINT(c), how[size_t(c - 1)], &row[size_t(c - 1)]))
                    return false;
            rows->rows.push_back(std::move(row));
        }
    }

    // Runs a batch. A query keeps the rows of its last statement that has columns; the
    // affected count is the sum over the statements that change rows. The command timeout
    // covers the whole call.
    bool run(const QString& sql, ResultSet* result, long* affected, std::vector<ProviderError>& errors)
    {
        if (refuseNul(sql, errors))
            return false;
        std::optional<SteadyClock::time_point> deadline;
        if (timeout_ > 0)
            deadline = SteadyClock::now() + std::chrono::seconds(timeout_);
        long total = 0;
        ResultSet last;
        bool haveRows = false;
        for (const QString& statement : odbcStatements(sql, dialect_))
            if (!runOne(statement, deadline, result ? &last : nullptr, &haveRows, &total, errors))
                return false;
        if (result)
            *result = haveRows ? std::move(last) : ResultSet{};
        if (affected)
            *affected = total;
        return true;
    }

    // Runs one statement. SQLite's driver reports a lock held by another terminal at once
    // (see connect); the statement is tried again, as the embedded engine's busy handler
    // does, until the command timeout is up.
    bool runOne(const QString& sql, std::optional<SteadyClock::time_point> deadline, ResultSet* last,
                bool* haveRows, long* total, std::vector<ProviderError>& errors)
    {
        static constexpr int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
        for (size_t attempt = 0;; ++attempt) {
            std::vector<ProviderError> records;
            const Outcome outcome = attemptOne(sql, deadline, last, haveRows, total, records);
            if (outcome == Outcome::Done)
                return true;
            if (outcome == Outcome::Busy) {
                auto wait = std::chrono::milliseconds(attempt < std::size(delays) ? delays[attempt] : 100);
                if (deadline)
                    wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              *deadline - SteadyClock::now()) +
                                              std::chrono::milliseconds(1));
                std::this_thread::sleep_for(wait);
                continue;
            }
            errors.insert(errors.end(), records.begin(), records.end());
            return false;
        }
    }

    enum class Outcome { Done, Failed, Busy };

    Outcome attemptOne(const QString& sql, std::optional<SteadyClock::time_point> deadline, ResultSet* last,
                       bool* haveRows, long* total, std::vector<ProviderError>& errors)
    {
        Statement st;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st.handle))) {
            st.handle = nullptr;
            collect(SQL_HANDLE_DBC, dbc_, kStatementError, errors);
            return Outcome::Failed;
        }
        std::optional<Watchdog> watchdog;
        if (driverKeepsTimeout_)
            SQLSetStmtAttrW(st.handle, SQL_ATTR_QUERY_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(SQLULEN(timeout_)), 0);
        else if (deadline)
            watchdog.emplace(st.handle, *deadline);

        // A failure after the time was up is the timeout, whatever the driver calls it (an
        // interrupted statement, a lock that was still held).
        const auto fail = [&] {
            const bool cancelled = watchdog && watchdog->stop();
            std::vector<ProviderError> records;
            collect(SQL_HANDLE_STMT, st.handle, kStatementError, records);
            if (!driverKeepsTimeout_ && (cancelled || (deadline && SteadyClock::now() >= *deadline))) {
                errors.push_back({kTimeoutError, kTimeoutText, kProviderSource, QStringLiteral("HYT00"),
                                  records.front().nativeError});
                return Outcome::Failed;
            }
            const bool busy =
                dialect_ == OdbcDialect::Sqlite && (records.front().nativeError & 0xff) == kSqliteBusy;
            errors.insert(errors.end(), records.begin(), records.end());
            return busy ? Outcome::Busy : Outcome::Failed;
        };

        std::vector<SQLWCHAR> text = toWide(sql);
        SQLRETURN rc = SQLExecDirectW(st.handle, text.data(), SQL_NTS);
        while (rc != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc))
                return fail();
            SQLSMALLINT columns = 0;
            SQLNumResultCols(st.handle, &columns);
            if (columns > 0) {
                if (last) {
                    ResultSet rows;
                    if (!readRows(st.handle, columns, &rows))
                        return fail();
                    *last = std::move(rows);
                    *haveRows = true;
                }
            } else {
                SQLLEN count = 0;
                if (total && SQL_SUCCEEDED(SQLRowCount(st.handle, &count)) && count > 0)
                    *total += long(count);
            }
            rc = SQLMoreResults(st.handle);
        }
        if (watchdog)
            watchdog->stop();
        return Outcome::Done;
    }

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool connected_ = false;
    bool inTransaction_ = false;
    OdbcDialect dialect_ = OdbcDialect::SqlServer;
    bool driverKeepsTimeout_ = false;
    int timeout_ = 30;
};

} // namespace

std::unique_ptr<ProviderConnection> openOdbc(const ConnectionString& connection, const QString& driver,
                                             std::vector<ProviderError>& errors)
{
    auto conn = std::make_unique<OdbcConnection>();
    QString options;
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\SqlEngine.ini")) == 0)
        options = ini.csGetProfileString(QStringLiteral("SQLOLEDB"), QStringLiteral("Options"));
    if (!conn->connect(odbcConnectionString(connection, driver, options), errors))
        return nullptr;
    return conn;
}

} // namespace db

#else // without ODBC

namespace db
{

bool odbcAvailable()
{
    return false;
}

std::unique_ptr<ProviderConnection> openOdbc(const ConnectionString&, const QString&,
                                             std::vector<ProviderError>& errors)
{
    errors.push_back(
        {kConnectionError,
         QStringLiteral("このプログラムは ODBC なしで作られているため、Engine=odbc は使えません。"),
         kProviderSource, QStringLiteral("IM002"), 0});
    return nullptr;
}

} // namespace db

#endif
