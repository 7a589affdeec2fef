#pragma once

#include "db/cT_ADODB.h"

#include <QString>
#include <memory>

// The connection recipe every data-access procedure follows: read the connection string
// from adodb.ini of the program folder, connect, and name the procedure in every message
// ("iKyotenBtnSet() でエラー" and the like).

// Reads the connection string (key 接続情報 of section 接続情報, cut at NUL, trailing
// blanks removed). False with *errorText set when adodb.ini cannot be opened (the INI
// class's text) or the value is empty ("接続文字列取得できません。").
bool readConnectionString(QString* connectionString, QString* errorText);

// Opens a connection for the procedure. On failure shows the critical message
// procLiteral + CR LF + cause, and returns null.
std::unique_ptr<cT_ADODB> openConnection(const QString& procLiteral);

// The same without any message: on failure returns null with *errorText set to
// procLiteral + CR LF + cause.
std::unique_ptr<cT_ADODB> openConnectionQuiet(const QString& procLiteral, QString* errorText);

// Shows procLiteral + CR LF + the connection's sErrMsg in a critical message box.
void showDbError(const QString& procLiteral, const cT_ADODB& db);

// A field of the current row through the null-safe conversions, as every procedure reads
// its rows: text with surrounding blanks removed (empty for null), numbers as 16-bit values
// (0 for null or text that is no number).
QString fieldText(const Recordset& rs, const char* column);
short fieldShort(const Recordset& rs, const char* column);
