#pragma once

#include <QDateTime>
#include <QString>
#include <variant>

// A value of a database field as it reaches the program: null, integer, floating, text
// or date-time.
class FieldValue
{
public:
    enum class Kind { Null, Integer, Floating, Text, DateTime };

    FieldValue() = default; // null
    FieldValue(qint64 v) : v_(v) {}
    FieldValue(int v) : v_(qint64(v)) {}
    FieldValue(double v) : v_(v) {}
    FieldValue(const QString& v) : v_(v) {}
    FieldValue(QString&& v) : v_(std::move(v)) {}
    FieldValue(const QDateTime& v) : v_(v) {}

    Kind kind() const { return Kind(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Text form: integers in decimal, floating values in their shortest form, date-times
    // in the Japanese Windows form "yyyy/MM/dd H:mm:ss"; null gives empty text.
    QString toText() const;
    // Integer form; false in *ok when the value cannot be converted (null, non-numeric
    // text, out of the 32-bit range).
    qint64 toInteger(bool* ok = nullptr) const;
    QDateTime toDateTime() const;

    bool operator==(const FieldValue& o) const { return v_ == o.v_; }

private:
    std::variant<std::monostate, qint64, double, QString, QDateTime> v_;
};

// Empty text for null, otherwise the value as text with trailing blanks removed.
QString csNullToStr(const FieldValue& value);
// 0 for null or a value that cannot be converted, otherwise the value as a 32-bit integer.
qint32 nNullToLong(const FieldValue& value);
