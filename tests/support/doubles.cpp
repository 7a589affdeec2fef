#include "doubles.h"

using platform::MsgAnswer;
using platform::MsgButtons;

MsgAnswer FakeMessageBoxes::show(const QString& text, const QString& title, platform::MsgIcon icon,
                                 MsgButtons buttons)
{
    shown.push_back({text, title, icon, buttons});
    if (!answers.empty()) {
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    default:
        return MsgAnswer::Ok;
    }
}

bool FakeProcesses::startDetached(const QString& commandLine, platform::WindowStyle style)
{
    started.push_back({commandLine, style, false});
    return !failStart;
}

bool FakeProcesses::startAndWait(const QString& commandLine, int* exitCode)
{
    started.push_back({commandLine, platform::WindowStyle::NormalFocus, true});
    if (failStart)
        return false;
    int code = 0;
    if (!exitCodes.empty()) {
        code = exitCodes.front();
        exitCodes.pop_front();
    }
    if (exitCode)
        *exitCode = code;
    return true;
}

platform::WaitResult FakeProcesses::startAndWaitAtMost(const QString& commandLine, int, int* exitCode)
{
    if (!startAndWait(commandLine, exitCode))
        return platform::WaitResult::NotStarted;
    return hang ? platform::WaitResult::TimedOut : platform::WaitResult::Ended;
}

bool FakeProcesses::postClose(const QString& windowClass, const QString& caption)
{
    const QString key = windowClass + QLatin1Char('|') + caption;
    if (!windows.contains(key))
        return false;
    closeRequests << key;
    return true;
}

bool FakeProcesses::shellOpen(const QString& address)
{
    opened << address;
    return !failOpen;
}
