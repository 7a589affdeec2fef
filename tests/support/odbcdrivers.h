#pragma once

#include "installation.h"

#include "db/odbcprovider.h"
#include "db/provider.h"

// Debian's SQLite ODBC driver and FreeTDS, registered under names of the tests' own.
inline const QString kOdbcDriverFolder = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/");
inline const QString kSqliteOdbcDriver = QStringLiteral("TopMenu SQLite");
inline const QString kFreeTdsOdbcDriver = QStringLiteral("TopMenu FreeTDS");

// unixODBC reads where its files are once per process, before its first call, so the files
// are made as the test program starts and serve every test (child processes inherit them).
inline const bool odbcTestFilesMade = [] {
    static QTemporaryDir dir;
    const auto write = [](const QString& name, const QString& text) {
        QFile f(dir.path() + u'/' + name);
        return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
    };
    if (!db::odbcAvailable() || !dir.isValid() ||
        !QFileInfo::exists(kOdbcDriverFolder + "libsqlite3odbc.so") ||
        !write("odbcinst.ini",
               QStringLiteral("[%1]\nDriver=%2libsqlite3odbc.so\n\n[%3]\nDriver=%2libtdsodbc.so\n")
                   .arg(kSqliteOdbcDriver, kOdbcDriverFolder, kFreeTdsOdbcDriver)) ||
        !write("odbc.ini", QString()))
        return false;
    qputenv("ODBCSYSINI", dir.path().toUtf8());
    qputenv("ODBCINI", (dir.path() + "/odbc.ini").toUtf8());
    return true;
}();

// True when the SQLite ODBC driver can be used.
inline bool odbcTestDrivers()
{
    return odbcTestFilesMade;
}

// Lets the installation's programs reach their databases through the ODBC driver.
inline void useOdbcDriver(const TestInstallation& inst, const QString& driver,
                          const QString& options = QString())
{
    inst.writeFile("SqlEngine.ini", "[SQLOLEDB]\r\nEngine=odbc\r\nDriver=" + driver + "\r\n" +
                                        (options.isEmpty() ? QString() : "Options=" + options + "\r\n"));
}

// The suite's connection string for the SQLite ODBC driver: the database file as Database.
inline QString sqliteOdbcConnectionString(const QString& database = QStringLiteral("MIRANE45"))
{
    return "Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=" +
           db::embeddedDatabaseFile(QStringLiteral("PC01\\MIRANE"), database) + ";uid=sa;pwd=mtr4827";
}
