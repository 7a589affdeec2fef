#include "settings/fieldvalue.h"

#include "settings/conversions.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace
{

// Day 0 of the suite's date numbers.
const QDate kDayZero(1899, 12, 30);

// Rounds half to even, as the suite's programs do when they make whole numbers; false for
// values outside the 32-bit range.
bool roundToLong(double v, qint64* out)
{
    if (!std::isfinite(v))
        return false;
    const double r = v - std::floor(v) == 0.5 ? 2.0 * std::round(v / 2.0) : std::round(v);
    if (r < double(std::numeric_limits<qint32>::min()) || r > double(std::numeric_limits<qint32>::max()))
        return false;
    *out = qint64(r);
    return true;
}

bool inLongRange(qint64 v)
{
    return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
}

QDateTime fromDayNumber(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return {};
    const double whole = std::floor(days);
    const qint64 msecs = qint64(std::llround((days - whole) * 86400000.0));
    return QDateTime(kDayZero.addDays(qint64(whole)), QTime(0, 0)).addMSecs(msecs);
}

QDateTime parseDateTime(const QString& text)
{
    const QString t = text.trimmed();
    static const char* const formats[] = {
        "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss.zzz",
        "yyyy-MM-ddTHH:mm:ss",     "yyyy/MM/dd H:mm:ss",  "yyyy/M/d H:mm:ss", "yyyy/MM/dd H:mm",
    };
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(f));
        if (dt.isValid())
            return dt;
    }
    for (const char* f : {"yyyy-MM-dd", "yyyy/MM/dd", "yyyy/M/d"}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(f));
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    return {};
}

} // namespace

QString FieldValue::toText() const
{
    switch (kind()) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return QString::number(std::get<qint64>(v_));
    case Kind::Floating: {
        // Plain digits over the range amounts and counts live in ("100000", not "1e+05");
        // the exponent form only for the very large and very small, as the suite shows them.
        const double v = std::get<double>(v_);
        const double a = std::fabs(v);
        const bool plain = a == 0.0 || (a >= 1e-5 && a < 1e15);
        return QString::number(v, plain ? 'f' : 'G', QLocale::FloatingPointShortest);
    }
    case Kind::Text:
        return std::get<QString>(v_);
    case Kind::DateTime: {
        const QDateTime& dt = std::get<QDateTime>(v_);
        if (!dt.isValid())
            return {};
        // The suite shows a date without a time of day as the date alone.
        if (dt.time() == QTime(0, 0))
            return dt.toString(QStringLiteral("yyyy/MM/dd"));
        return dt.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
    }
    }
    return {};
}

qint64 FieldValue::toInteger(bool* ok) const
{
    qint64 result = 0;
    bool good = false;
    switch (kind()) {
    case Kind::Null:
        break;
    case Kind::Integer:
        result = std::get<qint64>(v_);
        good = inLongRange(result);
        break;
    case Kind::Floating:
        good = roundToLong(std::get<double>(v_), &result);
        break;
    case Kind::Text: {
        const QString t = std::get<QString>(v_).trimmed();
        bool parsed = false;
        const double d = QLocale::c().toDouble(t, &parsed);
        good = parsed && roundToLong(d, &result);
        break;
    }
    case Kind::DateTime: {
        const QDateTime& dt = std::get<QDateTime>(v_);
        if (dt.isValid()) {
            result = kDayZero.daysTo(dt.date());
            good = inLongRange(result);
        }
        break;
    }
    }
    if (!good)
        result = 0;
    if (ok)
        *ok = good;
    return result;
}

QDateTime FieldValue::toDateTime() const
{
    switch (kind()) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return fromDayNumber(double(std::get<qint64>(v_)));
    case Kind::Floating:
        return fromDayNumber(std::get<double>(v_));
    case Kind::Text:
        return parseDateTime(std::get<QString>(v_));
    case Kind::DateTime:
        return std::get<QDateTime>(v_);
    }
    return {};
}

QString csNullToStr(const FieldValue& value)
{
    return value.isNull() ? QString() : rtrim(value.toText());
}

qint32 nNullToLong(const FieldValue& value)
{
    bool ok = false;
    const qint64 v = value.toInteger(&ok);
    return ok ? qint32(v) : 0;
}
