#pragma once

#include <QtGlobal>

namespace platform
{

// Told while a database statement waits for a lock that another terminal holds, so that the
// window can show that TopMenu is waiting rather than frozen. begin() comes at the first wait
// of a statement, tick() about every 100 ms while it still waits (with the milliseconds waited
// so far), end() once the statement goes on or gives up at its command timeout. The calls
// come from inside the database engine on the thread that runs the statement: an
// implementation must not touch the database nor act on user input.
class BusyNotifier
{
public:
    virtual ~BusyNotifier() = default;
    virtual void begin() = 0;
    virtual void tick(qint64 waitedMs) = 0;
    virtual void end() = 0;
};

} // namespace platform
