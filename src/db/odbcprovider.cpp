// The server engine: a real SQL Server through its ODBC driver. Statements go to the server
// as they are; every diagnostic record becomes one provider error record.

#include "db/provider.h"
#include "db/sqllex.h"

#ifdef TOPMENU_HAVE_ODBC

#include <sql.h>
#include <sqlext.h>

#include <QDateTime>
#include <QRegularExpression>
#include <climits>

namespace db
{

namespace
{

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

constexpr int kLoginTimeoutSeconds = 15;

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

// A value of a connection string for the driver: braced when it holds characters that
// would end or change the value.
QString odbcValue(const QString& value)
{
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') && value.trimmed() == value)
        return value;
    return u'{' + QString(value).replace(QLatin1String("}"), QLatin1String("}}")) + u'}';
}

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
        errors.push_back(
            {n, withoutPrefixes(fromWide(message.data(), std::min<qsizetype>(length, message.size()))),
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

class OdbcConnection : public ProviderConnection
{
public:
    ~OdbcConnection() override
    {
        if (dbc_) {
            if (inTransaction_)
                SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            if (connected_)
                SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    bool connect(const QString& connectionString, std::vector<ProviderError>& errors)
    {
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
        connectionString_ = connectionString;
        if (!driverConnect(connectionString, errors))
            return false;
        // SQL Server takes the statements as they are; another engine behind the driver (the
        // SQLite driver of the tests, say) gets the subset adapted as the embedded engine does.
        SQLWCHAR dbms[128] = {};
        SQLSMALLINT dbmsLength = 0;
        if (SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength)))
            sqlite_ = fromWide(dbms, dbmsLength / SQLSMALLINT(sizeof(SQLWCHAR)))
                          .contains(QLatin1String("SQLite"), Qt::CaseInsensitive);
        return true;
    }

    bool query(const QString& sql, ResultSet* result, std::vector<ProviderError>& errors) override
    {
        return run(sql, result, nullptr, errors);
    }
    bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) override
    {
        return run(sql, nullptr, affected, errors);
    }
    bool beginTransaction(std::vector<ProviderError>& errors) override
    {
        if (!applySqliteTimeout(errors) || !setAutoCommit(false, errors))
            return false;
        inTransaction_ = true;
        return true;
    }
    bool commit(std::vector<ProviderError>& errors) override { return endTransaction(SQL_COMMIT, errors); }
    bool rollback(std::vector<ProviderError>& errors) override
    {
        return endTransaction(SQL_ROLLBACK, errors);
    }
    void setCommandTimeout(int seconds) override { timeout_ = std::max(0, seconds); }

private:
    bool driverConnect(const QString& connectionString, std::vector<ProviderError>& errors)
    {
        std::vector<SQLWCHAR> text = toWide(connectionString);
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, text.data(), SQL_NTS, nullptr, 0, &outLength,
                                               SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            collect(SQL_HANDLE_DBC, dbc_, kConnectionError, errors);
            return false;
        }
        connected_ = true;
        return true;
    }

    // The SQLite driver waits for a lock as long as the Timeout of its connection string
    // (milliseconds) and takes no other setting: a changed command timeout connects the
    // handle again with it, between transactions.
    bool applySqliteTimeout(std::vector<ProviderError>& errors)
    {
        if (!sqlite_ || inTransaction_ || appliedTimeout_ == timeout_)
            return true;
        SQLDisconnect(dbc_);
        connected_ = false;
        const qint64 ms = timeout_ > 0 ? qint64(timeout_) * 1000 : qint64(INT_MAX);
        if (!driverConnect(connectionString_ + QStringLiteral(";Timeout=%1").arg(ms), errors))
            return false;
        appliedTimeout_ = timeout_;
        return true;
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

    bool fetchText(SQLHSTMT st, SQLUSMALLINT column, FieldValue* out)
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

    bool fetchValue(SQLHSTMT st, SQLUSMALLINT column, Read how, FieldValue* out)
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
            *out = FieldValue(QDateTime(QDate(v.year, v.month, v.day),
                                        QTime(v.hour, v.minute, v.second, int(v.fraction / 1000000))));
            return true;
        }
        case Read::Text:
            return fetchText(st, column, out);
        }
        return false;
    }

    bool readRows(SQLHSTMT st, SQLSMALLINT columns, ResultSet* rows)
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
                if (!fetchValue(st, SQLUSMALLINT(c), how[size_t(c - 1)], &row[size_t(c - 1)]))
                    return false;
            rows->rows.push_back(std::move(row));
        }
    }

    bool run(const QString& sql, ResultSet* result, long* affected, std::vector<ProviderError>& errors)
    {
        if (refuseNul(sql, errors))
            return false;
        long total = 0;
        ResultSet last;
        bool haveRows = false;
        if (!sqlite_) {
            if (!runOne(sql, result, &total, &last, &haveRows, errors))
                return false;
        } else {
            // The SQLite driver takes one statement per call.
            if (!applySqliteTimeout(errors))
                return false;
            for (const auto& [from, to] : lex::statementRanges(sql))
                if (!runOne(sqliteDialect(sql.mid(from, to - from)), result, &total, &last, &haveRows,
                            errors))
                    return false;
        }
        if (result)
            *result = haveRows ? std::move(last) : ResultSet{};
        if (affected)
            *affected = total;
        return true;
    }

    // GETDATE() as SQLite says it; then the rest of the subset as the embedded engine has it.
    static QString sqliteDialect(const QString& statement)
    {
        using namespace lex;
        QString out = statement;
        const std::vector<Token> t = tokenize(statement);
        for (size_t i = t.size(); i-- > 0;)
            if (i + 2 < t.size() && isWord(statement, t[i], QLatin1String("GETDATE")) &&
                isPunct(statement, t[i + 1], u'(') && isPunct(statement, t[i + 2], u')'))
                out.replace(t[i].pos, t[i + 2].end() - t[i].pos,
                            QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')"));
        return embeddedDialect(out);
    }

    bool runOne(const QString& sql, ResultSet* result, long* total, ResultSet* last, bool* haveRows,
                std::vector<ProviderError>& errors)
    {
        Statement st;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st.handle))) {
            st.handle = nullptr;
            collect(SQL_HANDLE_DBC, dbc_, kStatementError, errors);
            return false;
        }
        SQLSetStmtAttrW(st.handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(timeout_)),
                        0);
        std::vector<SQLWCHAR> text = toWide(sql);
        SQLRETURN rc = SQLExecDirectW(st.handle, text.data(), SQL_NTS);
        while (rc != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc)) {
                const size_t before = errors.size();
                collect(SQL_HANDLE_STMT, st.handle, kStatementError, errors);
                if (sqlite_)
                    describeSqlite(errors, before);
                return false;
            }
            SQLSMALLINT columns = 0;
            SQLNumResultCols(st.handle, &columns);
            if (columns > 0) {
                ResultSet rows;
                if (result && !readRows(st.handle, columns, &rows)) {
                    collect(SQL_HANDLE_STMT, st.handle, kStatementError, errors);
                    return false;
                }
                *last = std::move(rows);
                *haveRows = true;
            } else {
                SQLLEN count = 0;
                if (SQL_SUCCEEDED(SQLRowCount(st.handle, &count)) && count > 0)
                    *total += long(count);
            }
            rc = SQLMoreResults(st.handle);
        }
        return true;
    }

    // The SQLite driver reports every failure as a general error with the engine's code as
    // the native error: a lock wait that outlasted the busy timeout is the command timeout,
    // and the failures a user meets get the embedded engine's Japanese descriptions.
    static void describeSqlite(std::vector<ProviderError>& errors, size_t from)
    {
        static const QRegularExpression code(QStringLiteral(R"( \(\d+\)$)"));
        for (size_t i = from; i < errors.size(); ++i) {
            ProviderError& e = errors[i];
            const int primary = int(e.nativeError & 0xff);
            if (primary == 5 || primary == 6) {
                e = {kTimeoutError, QStringLiteral("クエリのタイムアウトが発生しました。"), kProviderSource,
                     QStringLiteral("HYT00"), e.nativeError};
                continue;
            }
            const QString text = QString(e.description).remove(code);
            // The driver gives the primary code only; the engine's text tells the constraint.
            int extended = int(e.nativeError);
            if (extended == 19) {
                if (text.startsWith(QLatin1String("UNIQUE")) || text.startsWith(QLatin1String("PRIMARY KEY")))
                    extended = 2067;
                else if (text.startsWith(QLatin1String("NOT NULL")))
                    extended = 1299;
                else if (text.startsWith(QLatin1String("FOREIGN KEY")))
                    extended = 787;
                else if (text.startsWith(QLatin1String("CHECK")))
                    extended = 275;
            }
            e.description = embeddedErrorDescription(extended, text);
            e.sqlState = primary == 1    ? QStringLiteral("42000")
                         : primary == 19 ? QStringLiteral("23000")
                                         : QStringLiteral("HY000");
        }
    }

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    bool connected_ = false;
    bool inTransaction_ = false;
    int timeout_ = 30;
    bool sqlite_ = false;
    QString connectionString_;
    int appliedTimeout_ = -1;
};

} // namespace

std::unique_ptr<ProviderConnection> openOdbc(const ConnectionString& connection, const QString& driver,
                                             std::vector<ProviderError>& errors)
{
    const QString text =
        QStringLiteral("DRIVER={") + QString(driver).replace(QLatin1String("}"), QLatin1String("}}")) +
        QStringLiteral("};SERVER=") + odbcValue(connection.dataSource) + QStringLiteral(";DATABASE=") +
        odbcValue(connection.database) + QStringLiteral(";UID=") + odbcValue(connection.user) +
        QStringLiteral(";PWD=") + odbcValue(connection.password);
    auto conn = std::make_unique<OdbcConnection>();
    if (!conn->connect(text, errors))
        return nullptr;
    return conn;
}

} // namespace db

#else // without ODBC

namespace db
{

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
