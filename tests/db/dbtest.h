#pragma once

#include "db/cT_ADODB.h"
#include "db/tsqlscript.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// The server and database every test of this folder uses, in the suite's form.
inline const QString kServer = QStringLiteral("PC01\\MIRANE");

inline QString connectionString(const QString& database = QStringLiteral("MIRANE45"))
{
    return "Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=" + database + ";uid=sa;pwd=mtr4827";
}

// Creates the database with the given tables (a script of its own, run batch by batch).
inline void makeDatabase(const QString& tables, const QString& database = QStringLiteral("MIRANE45"))
{
    const db::ScriptResult r =
        db::runScript(QString("CREATE DATABASE %1\nGO\nUSE %1\nGO\n").arg(database) + tables, kServer);
    ASSERT_EQ(r.failed, 0) << r.log.join(u'\n').toStdString();
}

// The provider log of one error record, as vAddAdoErrorLog writes it on an open connection.
inline QString oneErrorLog(long number, const QString& description, const QString& state, long native)
{
    return QStringLiteral(
               "\rConnection State=1\rError Number: %1\r  Description: %2\r  Source: Microsoft OLE DB "
               "Provider for SQL Server\r  SQL State: %3\r  Native Error: %4\r\r1 provider error(s) "
               "occurred.")
        .arg(QString::number(number), description, state, QString::number(native));
}

// An open connection (a test failure when it fails), to the test installation's database.
inline std::unique_ptr<cT_ADODB> connected(const QString& connection = connectionString())
{
    auto db = std::make_unique<cT_ADODB>();
    db->iInit(connection);
    EXPECT_EQ(db->iConnect(), 0) << db->sErrMsg.toStdString();
    return db;
}

inline QStringList column(cT_ADODB& db, const QString& sql)
{
    Recordset rs;
    EXPECT_EQ(db.iOpenRecSet(rs, sql), 0) << db.sErrMsg.toStdString();
    QStringList values;
    for (; !rs.eof(); rs.moveNext())
        values << rs.field(0).toText();
    rs.close();
    return values;
}

inline void exec(cT_ADODB& db, const QString& sql, long* rows = nullptr)
{
    ASSERT_EQ(db.iExecSQL(sql, rows), 0) << db.sErrMsg.toStdString() << "\nSQL=" << sql.toStdString();
}

inline void insertInTransaction(cT_ADODB& db, int n)
{
    ASSERT_EQ(db.iBeginTrans(), 0) << db.sErrMsg.toStdString();
    exec(db, QString("INSERT INTO T (n) VALUES (%1)").arg(n));
}
