#pragma once

#include <QDate>
#include <QDateTime>

namespace platform {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // Milliseconds since an arbitrary start, for short waits.
    virtual qint64 tickCount() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
    qint64 tickCount() const override;
};

} // namespace platform
