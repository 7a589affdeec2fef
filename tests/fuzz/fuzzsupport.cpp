#include "fuzzsupport.h"

#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
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

class CountingBoxes : public platform::MessageBoxes
{
public:
    platform::MsgAnswer show(const QString&, const QString&, platform::MsgIcon, platform::MsgButtons) override
    {
        ++shown;
        return platform::MsgAnswer::Ok;
    }
    int shown = 0;
};

class AbortingTerminator : public platform::Terminator
{
public:
    [[noreturn]] void endProgram(int) override { fail("the program is never ended", QString()); }
};

struct Folder {
    Folder()
    {
        dir.setAutoRemove(true);
        auto& rt = platform::runtime();
        rt.messages = &boxes;
        rt.terminator = &terminator;
        rt.gsAppPath = dir.path();
    }
    QTemporaryDir dir;
    CountingBoxes boxes;
    AbortingTerminator terminator;
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

int boxesShown()
{
    return theFolder().boxes.shown;
}

void writeFile(const QString& relative, const QByteArray& bytes)
{
    const QString path = folder() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail("the fuzz folder can be written", path);
}

QByteArray readFile(const QString& relative)
{
    QFile f(folder() + QLatin1Char('/') + relative);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray input(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
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
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        lines << bytes.mid(start, i + 1 - start);
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

QStringList textLines(const QByteArray& bytes)
{
    QStringList lines;
    for (const QByteArray& raw : rawLines(bytes))
        lines << textfile::decode(raw).remove(u'\r').remove(u'\n');
    return lines;
}

QString trimmed(const QString& text, QStringView blanks)
{
    qsizetype b = 0, e = text.size();
    while (b < e && blanks.contains(text[b]))
        ++b;
    while (e > b && blanks.contains(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

void fail(const char* property, const QString& detail)
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
