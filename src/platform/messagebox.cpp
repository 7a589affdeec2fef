#include "messagebox.h"

#include "runtime.h"

#include <cstdio>

namespace platform
{

MsgAnswer ConsoleMessageBoxes::show(const QString& text, const QString& title, MsgIcon, MsgButtons buttons)
{
    const QString line =
        (title.isEmpty() ? kProgramTitle : title) + QStringLiteral(": ") + text + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
        return MsgAnswer::Retry;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgAnswer::Ok;
}

MsgAnswer msgBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    return runtime().messages->show(text, title, icon, buttons);
}

} // namespace platform
