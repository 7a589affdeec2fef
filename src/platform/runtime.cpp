#include "runtime.h"

#include "clock.h"
#include "host.h"
#include "messagebox.h"
#include "process.h"
#include "terminator.h"

#include <QCoreApplication>
#include <QDir>

namespace platform
{

Runtime& runtime()
{
    static Runtime instance;
    return instance;
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

    QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    while (folder.endsWith(QDir::separator()))
        folder.chop(1);
    rt.gsAppPath = folder;
}

} // namespace platform
