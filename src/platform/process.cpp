#include "process.h"

#include "cmdline.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform
{

namespace
{

// Sets up the process for a Windows command line; false when no program is found.
bool prepare(QProcess& process, const QString& commandLine)
{
    const ResolvedCommand command = resolveCommandLine(commandLine);
    if (command.program.isEmpty())
        return false;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setWorkingDirectory(QDir::currentPath());
    return true;
}

} // namespace

bool SystemProcesses::startDetached(const QString& commandLine, WindowStyle style)
{
    QProcess process;
    if (!prepare(process, commandLine))
        return false;
    // The suite's programs honour a minimised or hidden start; on this system they read the
    // style from their environment.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOPMENU_WINDOW_STYLE"), QString::number(int(style)));
    process.setProcessEnvironment(env);
    return process.startDetached();
}

bool SystemProcesses::startAndWait(const QString& commandLine, int* exitCode)
{
    QProcess process;
    if (!prepare(process, commandLine))
        return false;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

WaitResult SystemProcesses::startAndWaitAtMost(const QString& commandLine, int limitMs, int* exitCode)
{
    QProcess process;
    if (!prepare(process, commandLine))
        return WaitResult::NotStarted;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    const QDeadlineTimer deadline(limitMs);
    process.start();
    if (!process.waitForStarted(-1))
        return WaitResult::NotStarted;
    // Short waits in turn with the window system's events, so that the windows repaint;
    // the user's input waits until the program has ended, so that nothing starts twice.
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(20)) {
        if (deadline.hasExpired()) {
            process.kill();
            process.waitForFinished(5000);
            return WaitResult::TimedOut;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return WaitResult::Ended;
}

#ifdef Q_OS_UNIX
namespace
{

// The window's socket sits where Qt's local servers put a plain name: in the temporary folder.
bool sendToWindowSocket(const QString& name, const char* request)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const size_t length = std::strlen(request);
    size_t done = 0;
    while (sent && done < length) {
        const ssize_t n = ::send(fd, request + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        sent = n > 0;
        if (sent)
            done += size_t(n);
    }
    ::close(fd);
    return sent;
}

} // namespace
#endif

bool SystemProcesses::postClose(const QString& windowClass, const QString& caption)
{
#ifdef Q_OS_WIN
    HWND window = ::FindWindowW(reinterpret_cast<LPCWSTR>(windowClass.utf16()),
                                reinterpret_cast<LPCWSTR>(caption.utf16()));
    return window && ::PostMessageW(window, WM_CLOSE, 0, 0);
#else
    return sendToWindowSocket(windowSocketName(windowClass, caption), "WM_CLOSE\n");
#endif
}

bool SystemProcesses::shellOpen(const QString&)
{
    return false;
}

QString windowSocketName(const QString& windowClass, const QString& caption)
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    const QByteArray hash = QCryptographicHash::hash((windowClass + QLatin1Char('|') + caption).toUtf8(),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("topmenu-wnd-") + user + QLatin1Char('-') +
           QString::fromLatin1(hash.toHex().left(16));
}

} // namespace platform
