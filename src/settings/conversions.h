#pragma once

#include <QString>
#include <QVariant>

// The text up to, not including, its first NUL; the whole text when it holds none.
QString csCutAtNul(const QString& text);

// Removes trailing blanks (spaces only, as the suite's programs do).
QString rtrim(const QString& text);

// The classic number-to-text form of the suite's files: a leading blank before
// non-negative numbers (" 1", "-1").
QString vbStr(qint64 number);

// Reads the leading number of a text as the suite's programs do: leading blanks are
// skipped, an optional sign and digits are taken, anything after them is ignored; a text
// without digits gives 0.
qint64 vbVal(const QString& text);
