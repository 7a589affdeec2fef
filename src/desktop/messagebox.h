#pragma once

#include "platform/messagebox.h"

namespace desktop
{

// QMessageBox.
class QtMessageBoxes : public platform::MessageBoxes
{
public:
    platform::MsgAnswer show(const QString& text, const QString& title, platform::MsgIcon icon,
                             platform::MsgButtons buttons) override;
};

} // namespace desktop
