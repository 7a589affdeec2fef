#pragma once

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/process.h"
#include "platform/terminator.h"

#include <QDateTime>
#include <QStringList>
#include <deque>
#include <vector>

struct ShownMessage {
    QString text;
    QString title;
    platform::MsgIcon icon;
    platform::MsgButtons buttons;
};

// Records every box; answers from a script, then with the first button (Ok, Yes or Retry).
class FakeMessageBoxes : public platform::MessageBoxes
{
public:
    platform::MsgAnswer show(const QString& text, const QString& title, platform::MsgIcon icon,
                             platform::MsgButtons buttons) override
    {
        using enum platform::MsgButtons;
        shown.push_back({text, title, icon, buttons});
        if (answers.empty())
            return buttons == YesNo || buttons == YesNoCancel ? platform::MsgAnswer::Yes
                   : buttons == RetryCancel                   ? platform::MsgAnswer::Retry
                                                              : platform::MsgAnswer::Ok;
        const platform::MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void answer(platform::MsgAnswer a) { answers.push_back(a); }
    std::vector<ShownMessage> shown;
    std::deque<platform::MsgAnswer> answers;
};

struct StartedProcess {
    QString commandLine;
    platform::WindowStyle style;
    bool waited;
};

// Records command lines; start-and-wait returns scripted exit codes (0 by default).
class FakeProcesses : public platform::Processes
{
public:
    bool startDetached(const QString& commandLine, platform::WindowStyle style) override
    {
        started.push_back({commandLine, style, false});
        return !failStart;
    }
    bool startAndWait(const QString& commandLine, int* exitCode) override
    {
        started.push_back({commandLine, platform::WindowStyle::NormalFocus, true});
        if (!failStart && exitCode)
            *exitCode = exitCodes.empty() ? 0 : exitCodes.front();
        if (!failStart && !exitCodes.empty())
            exitCodes.pop_front();
        return !failStart;
    }
    // As startAndWait, or the limit runs out when `hang` is set.
    platform::WaitResult startAndWaitAtMost(const QString& commandLine, int, int* exitCode) override
    {
        using enum platform::WaitResult;
        return !startAndWait(commandLine, exitCode) ? NotStarted : hang ? TimedOut : Ended;
    }
    bool postClose(const QString& windowClass, const QString& caption) override
    {
        const QString key = windowClass + u'|' + caption;
        if (windows.contains(key))
            closeRequests << key;
        return windows.contains(key);
    }
    bool shellOpen(const QString& address) override
    {
        opened << address;
        return !failOpen;
    }

    std::vector<StartedProcess> started;
    std::deque<int> exitCodes;
    bool failStart = false;    // every start fails
    bool hang = false;         // a bounded wait runs out
    bool failOpen = false;     // no browser opens (shellOpen reports failure)
    QStringList windows;       // "class|caption" of windows that exist
    QStringList closeRequests; // "class|caption" posted a close
    QStringList opened;        // shell-opened addresses
};

// Thrown by ThrowingTerminator instead of ending the process.
struct ProgramEnded {
    int exitCode;
};

class ThrowingTerminator : public platform::Terminator
{
public:
    [[noreturn]] void endProgram(int exitCode) override { throw ProgramEnded{exitCode}; }
};

class FixedClock : public platform::Clock
{
public:
    QDateTime now() const override { return current; }
    qint64 tickCount() const override { return ticks += 11; }
    QDateTime current = QDateTime(QDate(2024, 1, 31), QTime(9, 0, 0));
    mutable qint64 ticks = 0;
};

class FixedHost : public platform::Host
{
public:
    QString computerName() const override { return name; }
    bool previousInstance() override { return running; }
    QString name = QStringLiteral("PC01");
    bool running = false;
};
