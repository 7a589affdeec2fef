#pragma once

#include "db/provider.h"

#include <QString>
#include <QStringList>

// The server engine: ODBC through the system's driver manager (unixODBC on Linux).
namespace db
{

// False when the program was built without an ODBC driver manager.
bool odbcAvailable();

// The driver used when SqlEngine.ini names none.
QString defaultOdbcDriver();

// The driver's connection string for the suite's connection: Data Source (with its
// instance) as SERVER, Database, uid and pwd, each value braced when it needs it. For
// FreeTDS a port written the server's way ("host,1433") becomes PORT, and "(local)" or "."
// becomes localhost. options (the Options key of SqlEngine.ini: further keywords of the
// driver, such as TDS_Version=7.4 for FreeTDS or Encrypt=yes for Microsoft's) go at the end.
QString odbcConnectionString(const ConnectionString& connection, const QString& driver,
                             const QString& options = QString());

// What the data source is, as the driver's DBMS name (SQLGetInfo SQL_DBMS_NAME) tells.
enum class OdbcDialect { SqlServer, Sqlite, Other };
OdbcDialect odbcDialect(const QString& dbmsName);

// The statements that carry out a T-SQL batch on the data source: a SQL Server gets the batch
// unchanged; another engine gets the subset the embedded engine adapts (TOP n as LIMIT n),
// and SQLite, whose driver takes one statement per call, also gets GETDATE() as its local
// time and the batch statement by statement.
QStringList odbcStatements(const QString& sql, OdbcDialect dialect);

// Opens a connection through the named driver (empty: defaultOdbcDriver()), with the
// Options of SqlEngine.ini.
std::unique_ptr<ProviderConnection> openOdbc(const ConnectionString& connection, const QString& driver,
                                             std::vector<ProviderError>& errors);

} // namespace db
