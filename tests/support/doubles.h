#pragma once

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/process.h"
#include "platform/terminator.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Test doubles of the platform seams.

struct ShownMessage {
    QString text;
    QString title;
    platform::MsgIcon icon;
    platform::MsgButtons buttons;
};

// Records every box; answers from a script, then with the default answer (the first
// button: Ok or Yes).
class FakeMessageBoxes : public platform::MessageBoxes
{
public:
    platform::MsgAnswer show(const QString& text, const QString& title, platform::MsgIcon icon,
                             platform::MsgButtons buttons) override;
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
    bool startDetached(const QString& commandLine, platform::WindowStyle style) override;
    bool startAndWait(const QString& commandLine, int* exitCode) override;
    // As startAndWait, or the limit runs out when `hang` is set.
    platform::WaitResult startAndWaitAtMost(const QString& commandLine, int limitMs, int* exitCode) override;
    bool postClose(const QString& windowClass, const QString& caption) override;
    bool shellOpen(const QString& address) override;

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
