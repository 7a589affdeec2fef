#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

// What every fuzz target shares: a program folder of its own (set as gsAppPath, made on first
// use, with boxes only recorded and a terminator that throws), the input cut into parts, and
// the failure of a property.
namespace fuzz
{

QString folder();
QString path(const QString& relative); // in folder()
int boxesShown();
void writeFile(const QString& relative, const QByteArray& bytes);
QByteArray readFile(const QString& relative);

inline QByteArray input(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
// The input cut at its first `count` NUL bytes: `count` parts (missing ones empty) and the rest.
std::vector<QByteArray> split(const QByteArray& input, int count);

// Lines of bytes, each with the bytes that ended it (CR LF, LF, CR or none).
QList<QByteArray> rawLines(const QByteArray& bytes);

// Reports a property that does not hold and aborts, so that libFuzzer keeps the input and
// the replay of a corpus fails.
[[noreturn]] void fail(const char* property, const QString& detail);

} // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            fuzz::fail(#condition, detail);                                                                  \
    } while (0)
