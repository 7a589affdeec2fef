#include "runtime.h"

#include "clock.h"
#include "host.h"
#include "messagebox.h"
#include "process.h"
#include "terminator.h"
#include "volumes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform
{

namespace
{

// The folder of the running executable, also before the application object is made (the
// launcher starts reading ahead then).
QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
#ifdef Q_OS_LINUX
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!exe.isEmpty())
        return QFileInfo(exe).absolutePath();
#endif
    return QDir::currentPath();
}

SystemVolumes& systemVolumes()
{
    static SystemVolumes volumes;
    return volumes;
}

} // namespace

Runtime& runtime()
{
    static Runtime instance;
    return instance;
}

const Volumes& volumes()
{
    const Volumes* installed = runtime().volumes;
    return installed ? *installed : systemVolumes();
}

void installSystemRuntime()
{
    // The real seams live until the process ends; nothing tears them down.
    static ConsoleMessageBoxes messageBoxes;
    static SystemProcesses systemProcesses;
    static SystemClock systemClock;
    static SystemHost systemHost;
    static ProcessTerminator terminator;

    Runtime& rt = runtime();
    rt.messages = &messageBoxes;
    rt.processes = &systemProcesses;
    rt.clock = &systemClock;
    rt.host = &systemHost;
    rt.terminator = &terminator;
    rt.volumes = &systemVolumes();

    QString folder = QDir::toNativeSeparators(executableFolder());
    while (folder.endsWith(QDir::separator()))
        folder.chop(1);
    rt.gsAppPath = folder;
}

} // namespace platform
