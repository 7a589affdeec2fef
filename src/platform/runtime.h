#pragma once

#include <QString>

namespace platform
{

class MessageBoxes;
class Processes;
class Clock;
class Host;
class Terminator;
class BusyNotifier;
class Volumes;

// The seams the program talks to the desktop and the operating system through, and the
// program folder. The program installs the real implementations once at start; tests
// install their doubles (and a program folder of their own) before each case.
struct Runtime {
    MessageBoxes* messages = nullptr;
    Processes* processes = nullptr;
    Clock* clock = nullptr;
    Host* host = nullptr;
    Terminator* terminator = nullptr;
    // Told while a statement waits for another terminal's lock; none: nothing is shown.
    BusyNotifier* busy = nullptr;
    // Whether a folder lies on a network file system; none: the system's answer.
    Volumes* volumes = nullptr;
    // gsAppPath: the folder of the running program, without a trailing separator.
    QString gsAppPath;
};

Runtime& runtime();

// Installs the real implementations without windows (kept for the life of the process:
// message boxes on standard error, processes, clock, host, terminator, volumes) and sets the program
// folder to the folder of the running executable. Programs with windows install the
// desktop's ones on top (desktop/desktopruntime.h).
void installSystemRuntime();

inline MessageBoxes& messages()
{
    return *runtime().messages;
}
inline Processes& processes()
{
    return *runtime().processes;
}
inline Clock& clock()
{
    return *runtime().clock;
}
inline Host& host()
{
    return *runtime().host;
}
// The installed volumes, or the system's own when none is installed: the embedded engine
// asks on every thread and in every program, and must never go without an answer.
const Volumes& volumes();
inline const QString& gsAppPath()
{
    return runtime().gsAppPath;
}

} // namespace platform
