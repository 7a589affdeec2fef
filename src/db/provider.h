#pragma once

#include "settings/fieldvalue.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace db
{

// One provider error record, as the suite's connection class logs it.
struct ProviderError {
    long number = 0;
    QString description;
    QString source;
    QString sqlState;
    long nativeError = 0;
};

// A fully read result set: column names and rows of values.
struct ResultSet {
    QStringList columns;
    std::vector<std::vector<FieldValue>> rows;
};

// An open connection of an engine. Every failing call returns false and appends its
// records to `errors` (the first record describes the failure).
class ProviderConnection
{
public:
    // Takes the rows of a query one at a time (valid during the call only).
    using RowSink = std::function<void(const std::vector<FieldValue>& row)>;

    virtual ~ProviderConnection() = default;
    virtual bool query(const QString& sql, ResultSet* result, std::vector<ProviderError>& errors) = 0;
    // The same query with its rows handed over as they are read instead of kept: for reads
    // of many rows that the caller turns into something else at once. Rows of a failing
    // query may have been handed over before the failure.
    virtual bool queryRows(const QString& sql, const RowSink& sink, std::vector<ProviderError>& errors)
    {
        ResultSet rows;
        if (!query(sql, &rows, errors))
            return false;
        for (const std::vector<FieldValue>& row : rows.rows)
            sink(row);
        return true;
    }
    virtual bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) = 0;
    virtual bool beginTransaction(std::vector<ProviderError>& errors) = 0;
    virtual bool commit(std::vector<ProviderError>& errors) = 0;
    virtual bool rollback(std::vector<ProviderError>& errors) = 0;
    virtual void setCommandTimeout(int seconds) = 0;
};

// Opens a connection for an ADO connection string (Provider=SQLOLEDB;Data Source=...).
// The engine is picked by SqlEngine.ini of the program folder (embedded by default).
// Returns null and appends error records on failure.
std::unique_ptr<ProviderConnection> openProvider(const QString& connectionString,
                                                 std::vector<ProviderError>& errors);

// The keys of a connection string, upper-cased, with their values (quotes removed).
struct ConnectionString {
    QString provider, dataSource, database, user, password;
    static ConnectionString parse(const QString& text);
};

// <program folder>/SQLDATA/<DATA SOURCE, upper-case, "\" as "_">/<Database>.db
QString embeddedDatabaseFile(const QString& dataSource, const QString& database);

// The numbers and source the suite's provider gives its error records.
constexpr long kStatementError = -2147217900;  // errors in the command text
constexpr long kConnectionError = -2147467259; // the connection could not be opened
constexpr long kTimeoutError = -2147217871;    // the command timeout expired
inline const QString kProviderSource = QStringLiteral("Microsoft OLE DB Provider for SQL Server");

// The embedded engine on its own, whatever SqlEngine.ini says (the osql stand-in runs its
// scripts on it). The command timeout starts at 30 seconds; 0 means no limit.
std::unique_ptr<ProviderConnection> openEmbedded(const ConnectionString& connection,
                                                 std::vector<ProviderError>& errors);

// <program folder>/SQLDATA/<DATA SOURCE, upper-case, "\" as "_">: where the database
// files of a server are kept.
QString embeddedServerFolder(const QString& dataSource);

// The embedded engine serves one computer: its write-ahead log and its file locks do not
// hold between computers, so a database on a network file system is refused. SqlEngine.ini
// ([SQLOLEDB] AllowNetworkFolder=1) allows it for an installation of one computer only; its
// files then keep the rollback journal, which needs no memory shared between programs.
bool networkFolderAllowed();

enum class Journal { Wal, Delete };

// Whether the embedded engine may keep database files in the folder (made or not yet), and
// with which journal: WAL on this computer's own disk; on a network file system refused
// (false, with a connection error record that names the folder and says what to do)
// unless allowNetwork (asked only then; none: not allowed), and then the rollback journal.
bool embeddedFolderJournal(const QString& folder, bool (*allowNetwork)(), Journal* journal,
                           std::vector<ProviderError>& errors);

// The journal mode statement for a journal ("PRAGMA journal_mode=WAL").
const char* journalPragma(Journal journal);

// The database file a connection string names on the embedded engine; empty when it names
// none (no server, or a database name that would lead out of the server's folder).
QString embeddedFileOf(const ConnectionString& connection);

// The embedded engine on a database file found beforehand, for a thread other than the
// program's own: it reads no setting of the program, and waits for another terminal's lock
// are not shown (the windows belong to the program's thread).
std::unique_ptr<ProviderConnection> openEmbeddedFileQuietly(const QString& file,
                                                            std::vector<ProviderError>& errors);

// Whether openProvider picks the embedded engine (no SqlEngine.ini, or Engine=embedded).
bool embeddedEngineChosen();

// How many statements that change a database this process has run, on any engine and
// connection. Rows read earlier still stand for the database while it has not moved (as
// far as this process can tell: other terminals may write at any time, as always).
quint64 writeGeneration();
// Counts a change made where the engine cannot tell (the server engine's statements).
void noteWrite();

// The statement as the embedded engine runs it: "SELECT [DISTINCT] TOP n ..." becomes the
// same select without TOP and with " LIMIT n" at the end of its statement or subquery;
// everything else is left as it is.
QString embeddedDialect(const QString& sql);

// The description the embedded engine gives a failure. The failures a user can meet (busy
// or locked, read-only, cannot open, disk full, I/O error, corrupt file, constraint) are
// described in Japanese in the server's manner, with the engine's own text after them for
// support; errors in a statement keep the engine's words.
QString embeddedErrorDescription(int extendedCode, const QString& engineText);

// Text holding NUL can never reach an engine (the engine would end the statement there).
// True when sql holds one: an error record is appended and nothing may run.
bool refuseNul(const QString& sql, std::vector<ProviderError>& errors);

// The embedded engine keeps the handles of closed connections, as OLE DB's session pooling
// does, one pool per process keyed by database file: the next connection to the same file
// takes one back, reset (no transaction, no statement, the timeout set anew), instead of
// reading the file's schema again. Handles idle for a minute close, as do all at exit.
struct EmbeddedPoolStats {
    int opened = 0; // handles opened since the process started
    int reused = 0; // connections that took a kept handle
    int idle = 0;   // handles kept now
};
EmbeddedPoolStats embeddedPoolStats();
// Closes the kept handles of one database file, or all when file is empty.
void closeIdleEmbeddedConnections(const QString& file = {});

// Replaces the engine choice of openProvider, so that tests can hand cT_ADODB a provider
// of their own; an empty function restores the normal choice.
using ProviderFactory =
    std::function<std::unique_ptr<ProviderConnection>(const QString&, std::vector<ProviderError>&)>;
void setProviderFactory(ProviderFactory factory);

} // namespace db
