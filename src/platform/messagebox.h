#pragma once

#include <QString>

namespace platform
{

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

// The title every box shows when the caller names none.
inline const QString kProgramTitle = QStringLiteral("TopMenu");

// Every message box of the program goes through this seam, so that tests can read what
// was shown and answer it.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // An empty title shows the program's title.
    virtual MsgAnswer show(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) = 0;
};

// For programs without windows (osql): the box is printed to standard error and answered
// with its default button, the first one. The windowed boxes live in src/desktop.
class ConsoleMessageBoxes : public MessageBoxes
{
public:
    MsgAnswer show(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
};

// Shorthand for the installed seam: msgBox(text, title, icon, buttons).
MsgAnswer msgBox(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None,
                 MsgButtons buttons = MsgButtons::Ok);

} // namespace platform
