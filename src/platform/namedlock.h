#pragma once

#include <QString>

// Locks between the processes of this machine that leave nothing in the suite's folders.
// On POSIX a lock is an flock on a file of the machine's lock folder (/run/lock/TopMenu, or
// TopMenu-locks in the temporary folder where the system has none), which the holder
// removes again before it lets go; on Windows it is a named mutex. The system lets go of
// the lock of a process that dies, however it dies.
namespace platform
{

// The lock of a file: named after the file's canonical path (its folder's, when the file
// does not exist yet), so that every way of naming one file meets one lock.
QString lockNameOfFile(const QString& path);

class NamedLock
{
public:
    enum class Wait { Yes, No };
    // Takes the lock of the name (letters, digits, '.', '-' and '_'), waiting for the holder
    // in another process, or not at all with Wait::No.
    explicit NamedLock(const QString& name, Wait wait = Wait::Yes);
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    bool locked() const { return handle_ != invalid(); }
    // Wait::No found another holder.
    bool busy() const { return busy_; }

private:
    static constexpr qintptr invalid() { return -1; }
    qintptr handle_ = invalid();
    bool busy_ = false;
    QString path_;
};

// The machine's folder of these lock files (POSIX); made when missing.
QString lockFolder();

} // namespace platform
