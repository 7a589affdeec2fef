#include "fuzzsupport.h"

#include "doubles.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz
{

namespace
{

struct Folder {
    Folder()
    {
        auto& rt = platform::runtime();
        rt.messages = &boxes;
        rt.terminator = &terminator;
        rt.gsAppPath = dir.path();
    }
    QTemporaryDir dir;
    FakeMessageBoxes boxes;
    ThrowingTerminator terminator; // never caught: the end of the program is a crash here
};

Folder& theFolder()
{
    static Folder f;
    return f;
}

} // namespace

QString folder()
{
    return theFolder().dir.path();
}

QString path(const QString& relative)
{
    return folder() + QLatin1Char('/') + relative;
}

int boxesShown()
{
    return int(theFolder().boxes.shown.size());
}

void writeFile(const QString& relative, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path(relative)).absolutePath());
    QFile f(path(relative));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail("the fuzz folder can be written", path(relative));
}

QByteArray readFile(const QString& relative)
{
    QFile f(path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<QByteArray> split(const QByteArray& input, int count)
{
    QList<QByteArray> pieces = input.split('\0');
    std::vector<QByteArray> parts(pieces.begin(), pieces.begin() + qMin(pieces.size(), qsizetype(count)));
    parts.resize(size_t(count));
    parts.push_back(pieces.size() > count ? pieces.mid(count).join('\0') : QByteArray());
    return parts;
}

QList<QByteArray> rawLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (qsizetype start = 0, end = 0; start < bytes.size(); start = end) {
        end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        end += bytes.mid(end, 2) == "\r\n" ? 2 : end < bytes.size() ? 1 : 0;
        lines << bytes.mid(start, end - start);
    }
    return lines;
}

void fail(const char* property, const QString& detail)
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
