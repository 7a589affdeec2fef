#include "process.h"

#include "cmdline.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <unistd.h>
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

bool QtProcesses::startDetached(const QString& commandLine, WindowStyle style)
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

bool QtProcesses::startAndWait(const QString& commandLine, int* exitCode)
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

bool QtProcesses::postClose(const QString& windowClass, const QString& caption)
{
    QLocalSocket socket;
    socket.connectToServer(windowSocketName(windowClass, caption));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("WM_CLOSE\n");
    socket.flush();
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool QtProcesses::shellOpen(const QString& address)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
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
