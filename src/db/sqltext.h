#pragma once

#include <QString>

// A text value joined into SQL between single quotes, with its own single quotes doubled,
// so that an apostrophe in a name or login id is stored as typed and never changes the
// statement. Callers write the surrounding quotes themselves: "cLoginId = '" +
// sqlText(id) + "'". A value holding NUL passes through unchanged: every engine refuses a
// statement holding NUL before running it, with a Japanese message naming the cause.
inline QString sqlText(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}
