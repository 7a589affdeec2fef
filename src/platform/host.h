#pragma once

#include <QString>

namespace platform
{

class Host
{
public:
    virtual ~Host() = default;
    // The computer's network name: upper-case, at most 15 characters; empty on failure.
    virtual QString computerName() const = 0;
    // True when another instance of the program already runs from the program folder.
    // The first caller takes the instance lock (instanceLockName) and keeps it until the
    // process ends.
    virtual bool previousInstance() = 0;
};

// The name of the lock (namedlock.h) an instance running from the program folder holds.
QString instanceLockName(const QString& programFolder);

class SystemHost : public Host
{
public:
    SystemHost();
    ~SystemHost() override;
    QString computerName() const override;
    bool previousInstance() override;
    // Lets go of the instance lock (the program is ending), so that its file goes with it.
    void releaseInstanceLock();

private:
    struct Lock;
    Lock* lock_ = nullptr;
};

} // namespace platform
