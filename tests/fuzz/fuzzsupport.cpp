#include "fuzzsupport.h"

#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "platform/terminator.h"

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

std::vector<QByteArray> split(const uint8_t* data, size_t size, int count)
{
    const QByteArray all(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<QByteArray> parts;
    qsizetype pos = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype nul = pos <= all.size() ? all.indexOf('\0', pos) : -1;
        if (nul < 0) {
            parts.push_back(all.mid(pos));
            pos = all.size() + 1;
            continue;
        }
        parts.push_back(all.mid(pos, nul - pos));
        pos = nul + 1;
    }
    parts.push_back(pos <= all.size() ? all.mid(pos) : QByteArray());
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

void fail(const char* property, const QString& detail)
{
    std::fprintf(stderr, "property failed: %s\n%s\n", property, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
