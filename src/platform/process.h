#pragma once

#include <QString>
#include <QStringList>

namespace platform
{

// Window styles of a started program, with the values the suite's programs know.
enum class WindowStyle {
    Hide = 0,
    NormalFocus = 1,
    MinimizedFocus = 2,
    MaximizedFocus = 3,
    NormalNoFocus = 4,
    MinimizedNoFocus = 6,
};

// How a bounded wait for a program ended.
enum class WaitResult { NotStarted, Ended, TimedOut };

// Starting other programs. Command lines are always in their Windows form; the real
// implementation splits and maps them (see cmdline.h).
class Processes
{
public:
    virtual ~Processes() = default;
    // Starts without waiting; false when the program could not be started.
    virtual bool startDetached(const QString& commandLine, WindowStyle style) = 0;
    // Starts and waits without time limit. Returns false when the program could not be
    // started; otherwise true with its exit code in *exitCode.
    virtual bool startAndWait(const QString& commandLine, int* exitCode) = 0;
    // Starts and waits at most limitMs, keeping the windows painted meanwhile (the events
    // of the window system are handled, the user's input is not); a program still running
    // at the limit is ended. The exit code is set when the program has ended.
    virtual WaitResult startAndWaitAtMost(const QString& commandLine, int limitMs, int* exitCode) = 0;
    // Finds the top-level window of the class and caption and posts it a close request
    // without waiting. False when no such window exists.
    virtual bool postClose(const QString& windowClass, const QString& caption) = 0;
    // Opens a document or web address with the desktop's default handler ("Open" verb).
    virtual bool shellOpen(const QString& address) = 0;
};

// QProcess, and on POSIX a plain local socket per window for postClose. Without a desktop
// there is nothing to open documents with: shellOpen fails. The desktop's shell open lives
// in src/desktop.
class SystemProcesses : public Processes
{
public:
    bool startDetached(const QString& commandLine, WindowStyle style) override;
    bool startAndWait(const QString& commandLine, int* exitCode) override;
    WaitResult startAndWaitAtMost(const QString& commandLine, int limitMs, int* exitCode) override;
    bool postClose(const QString& windowClass, const QString& caption) override;
    bool shellOpen(const QString& address) override;
};

// Name of the local socket that stands for a top-level window on POSIX; a program that
// owns such a window listens on it and closes the window when a client sends "WM_CLOSE".
QString windowSocketName(const QString& windowClass, const QString& caption);

} // namespace platform
