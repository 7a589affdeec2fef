#pragma once

#include "platform/process.h"

namespace desktop
{

// The system's processes, and the desktop's default handler for shellOpen.
class QtProcesses : public platform::SystemProcesses
{
public:
    bool shellOpen(const QString& address) override;
};

} // namespace desktop
