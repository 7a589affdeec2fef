#include "crashpoint.h"

#ifdef TOPMENU_CRASH_POINTS

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QList>
#include <QThread>
#include <mutex>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace platform
{

namespace
{

// "step" or "step#n" of a list; true when the step's count reached reaches n.
bool named(const QByteArray& list, const QByteArray& step, int reached)
{
    for (const QByteArray& entry : list.split(',')) {
        const qsizetype hash = entry.indexOf('#');
        const QByteArray name = hash < 0 ? entry : entry.left(hash);
        const int n = hash < 0 ? 1 : entry.mid(hash + 1).toInt();
        if (name == step && reached == n)
            return true;
    }
    return false;
}

} // namespace

void crashPoint(const char* step)
{
    static const QByteArray crashAt = qgetenv("TOPMENU_CRASH_AT");
    static const QByteArray pauseAt = qgetenv("TOPMENU_PAUSE_AT");
    static const QByteArray pauseDir = qgetenv("TOPMENU_PAUSE_DIR");
    if (crashAt.isEmpty() && pauseAt.isEmpty())
        return;
    static std::mutex guard;
    static QHash<QByteArray, int> counts;
    const QByteArray name(step);
    int reached;
    {
        const std::lock_guard<std::mutex> lock(guard);
        reached = ++counts[name];
    }
    if (named(crashAt, name, reached)) {
#ifdef Q_OS_WIN
        TerminateProcess(GetCurrentProcess(), 9);
#else
        ::kill(::getpid(), SIGKILL);
#endif
    }
    if (!pauseDir.isEmpty() && named(pauseAt, name, reached)) {
        const QString folder = QFile::decodeName(pauseDir) + QLatin1Char('/') + QString::fromLatin1(name);
        QFile reachedFile(folder + QStringLiteral(".reached"));
        if (reachedFile.open(QIODevice::WriteOnly))
            reachedFile.close();
        // A test that never answers does not keep the process for ever.
        const QDeadlineTimer deadline(120000);
        while (!QFile::exists(folder + QStringLiteral(".go")) && !deadline.hasExpired())
            QThread::msleep(5);
    }
}

} // namespace platform

#endif
