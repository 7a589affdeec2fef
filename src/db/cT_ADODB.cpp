#include "db/cT_ADODB.h"

#include "platform/host.h"
#include "platform/runtime.h"
#include "settings/conversions.h"

#include <optional>

using db::ProviderError;

// The connection object: the open provider connection (none while closed) and the list of
// provider error records of its last failing call.
struct cT_ADODB::Connection {
    std::unique_ptr<db::ProviderConnection> provider;
    std::vector<ProviderError> errors;
};

namespace
{

// A raised error: its number and description, as the failure texts show them.
struct AdoError {
    long number;
    QString description;
};

const AdoError kObjectClosed{3704, QStringLiteral("オブジェクトが閉じている場合は、操作は許可されません。")};
const AdoError kObjectOpen{3705, QStringLiteral("オブジェクトが開いている場合は、操作は許可されません。")};
const AdoError kConnectionClosed{3709, QStringLiteral("接続が閉じているか、このコンテキストで無効です。")};
const AdoError kNoTransaction{-2147168242, QStringLiteral("トランザクションがアクティブではありません。")};
const AdoError kTransactionActive{
    -2147168237, QStringLiteral("このセッションでアクティブにできるトランザクションは 1 つだけです。")};
const AdoError kUnspecified{-2147467259, QStringLiteral("エラーを特定できません。")};

// "(" + number + ")" + description, the number with a blank in front when not negative.
QString numbered(const AdoError& e)
{
    return u'(' + vbStr(e.number) + u')' + e.description;
}

// One provider call as ADO makes it: records the call reports replace the connection's
// error list, and a failure raises the first record's number and description.
template <class Call> std::optional<AdoError> providerCall(std::vector<ProviderError>& list, Call call)
{
    std::vector<ProviderError> records;
    const bool ok = call(records);
    if (!records.empty())
        list = std::move(records);
    if (ok)
        return std::nullopt;
    if (list.empty())
        return kUnspecified;
    return AdoError{list.front().number, list.front().description};
}

// A statement as a failure text shows it: longer than 80 characters, its first 80 and "・・・".
QString shownStatement(const QString& sql)
{
    constexpr int kShown = 80;
    return sql.size() > kShown ? sql.left(kShown) + QStringLiteral("・・・") : sql;
}

} // namespace

void Recordset::moveNext()
{
    if (!eof())
        ++row_;
}

namespace
{
// Procedures read every field of every row by name, mostly spelt as the select list spells
// it: the exact comparison finds those cheaply before the case-insensitive one runs.
template <typename Name> qsizetype columnIndex(const QStringList& columns, Name column)
{
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i] == column)
            return i;
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

FieldValue Recordset::field(const QString& column) const
{
    return eof() ? FieldValue() : field(int(columnIndex(data_.columns, column)));
}

FieldValue Recordset::field(QLatin1String column) const
{
    return eof() ? FieldValue() : field(int(columnIndex(data_.columns, column)));
}

FieldValue Recordset::field(int index) const
{
    return fieldAt(index);
}

const FieldValue& Recordset::fieldAt(int index) const
{
    static const FieldValue null;
    if (eof() || index < 0 || index >= fieldCount())
        return null;
    return data_.rows[row_][size_t(index)];
}

const std::vector<FieldValue>& Recordset::currentRow() const
{
    static const std::vector<FieldValue> none;
    return eof() ? none : data_.rows[row_];
}

void Recordset::close()
{
    open_ = false;
    data_ = {};
    row_ = 0;
}

cT_ADODB::cT_ADODB() : conn_(std::make_unique<Connection>()) {}

cT_ADODB::~cT_ADODB()
{
    iDisConnect();
}

short cT_ADODB::iInit(const QString& sConnectionString)
{
    connectionString_ = sConnectionString;
    return 0;
}

QString cT_ADODB::csGetComputerName()
{
    const platform::Host* host = platform::runtime().host;
    if (!host)
        return {};
    QString name = rtrim(host->computerName());
    if (name.endsWith(QChar(u'\0')))
        name.chop(1);
    return name;
}

long cT_ADODB::state() const
{
    return conn_ && conn_->provider ? ado::adStateOpen : ado::adStateClosed;
}

void cT_ADODB::vAddAdoErrorLog(QString& csDstErrString)
{
    if (!conn_ || conn_->errors.empty())
        return;
    const QChar cr(u'\r');
    QString text = csDstErrString + cr + QStringLiteral("Connection State=") + QString::number(state());
    for (const ProviderError& e : conn_->errors) {
        text += cr + QStringLiteral("Error Number: ") + QString::number(e.number);
        text += cr + QStringLiteral("  Description: ") + e.description;
        text += cr + QStringLiteral("  Source: ") + e.source;
        text += cr + QStringLiteral("  SQL State: ") + e.sqlState;
        text += cr + QStringLiteral("  Native Error: ") + QString::number(e.nativeError);
    }
    text += QString(2, cr) + QString::number(conn_->errors.size()) +
            QStringLiteral(" provider error(s) occurred.");
    csDstErrString = text;
    conn_->errors.clear();
}

short cT_ADODB::iConnect()
{
    if (!conn_)
        conn_ = std::make_unique<Connection>(); // a fresh connection object after iDisConnect
    if (!conn_->provider) {
        std::unique_ptr<db::ProviderConnection> opened;
        const auto error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            opened = db::openProvider(connectionString_, records);
            return opened != nullptr;
        });
        if (error) {
            sErrMsg = numbered(*error);
            conn_->errors.clear();
            return -1;
        }
        conn_->provider = std::move(opened);
    }
    iSetTimeout(180);
    return 0;
}

short cT_ADODB::iDisConnect()
{
    if (!conn_ || !conn_->provider) {
        if (!conn_)
            conn_ = std::make_unique<Connection>();
        sErrMsg = numbered(kObjectClosed);
        conn_->errors.clear();
        return -1;
    }
    conn_.reset(); // closes the provider connection; an open transaction is rolled back
    inTransaction_ = false;
    return 0;
}

short cT_ADODB::iOpenRecSet(Recordset& tbSrc, const QString& csSql, long, long, long)
{
    std::optional<AdoError> error;
    db::ResultSet rows;
    if (tbSrc.isOpen())
        error = kObjectOpen;
    else if (state() != ado::adStateOpen)
        error = kConnectionClosed;
    else
        error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            return conn_->provider->query(csSql, &rows, records);
        });
    if (error) {
        sErrMsg = numbered(*error) + QChar(u'\r') + QStringLiteral("SQL=") + shownStatement(csSql);
        vAddAdoErrorLog(sErrMsg);
        return -1;
    }
    tbSrc.data_ = std::move(rows);
    tbSrc.row_ = 0;
    tbSrc.open_ = true;
    return 0;
}

short cT_ADODB::iExecSQL(const QString& csSql, long* nKousinRecSuu)
{
    long affected = 0;
    std::optional<AdoError> error;
    if (state() != ado::adStateOpen)
        error = kConnectionClosed;
    else
        error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            return conn_->provider->execute(csSql, &affected, records);
        });
    if (error) {
        sErrMsg = QStringLiteral("ERR:iExecSQL ") + numbered(*error);
        vAddAdoErrorLog(sErrMsg);
        sErrMsg += QChar(u'\r') + QStringLiteral("SQL=") + csSql;
        return -1;
    }
    if (nKousinRecSuu)
        *nKousinRecSuu = affected;
    return 0;
}

short cT_ADODB::iBeginTrans()
{
    std::optional<AdoError> error;
    if (state() != ado::adStateOpen)
        error = kConnectionClosed;
    else if (inTransaction_)
        error = kTransactionActive;
    else
        error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            return conn_->provider->beginTransaction(records);
        });
    if (error) {
        sErrMsg = QStringLiteral("ERR:BeginTrans ") + numbered(*error);
        vAddAdoErrorLog(sErrMsg);
        return -1;
    }
    inTransaction_ = true;
    return 0;
}

short cT_ADODB::iCommitTrans()
{
    std::optional<AdoError> error;
    if (state() != ado::adStateOpen)
        error = kConnectionClosed;
    else if (!inTransaction_)
        error = kNoTransaction;
    else
        error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            return conn_->provider->commit(records);
        });
    if (error) {
        // A failed commit leaves the transaction open for the caller's rollback.
        sErrMsg = QStringLiteral("ERR:CommitTrans ") + numbered(*error);
        vAddAdoErrorLog(sErrMsg);
        return -1;
    }
    inTransaction_ = false;
    return 0;
}

short cT_ADODB::iRollback()
{
    std::optional<AdoError> error;
    if (state() != ado::adStateOpen) {
        error = kConnectionClosed;
    } else if (!inTransaction_) {
        error = kNoTransaction;
    } else {
        error = providerCall(conn_->errors, [&](std::vector<ProviderError>& records) {
            return conn_->provider->rollback(records);
        });
        inTransaction_ = false;
    }
    if (error) {
        sErrMsg = QStringLiteral("ERR:Rollback ") + numbered(*error);
        vAddAdoErrorLog(sErrMsg);
        return -1;
    }
    if (!conn_->errors.empty()) {
        vAddAdoErrorLog(sErrMsg);
        return -1;
    }
    return 0;
}

short cT_ADODB::iSetTimeout(short iTime)
{
    if (iTime > 0) {
        timeout_ = iTime;
        if (conn_ && conn_->provider)
            conn_->provider->setCommandTimeout(iTime);
    }
    return 0;
}
