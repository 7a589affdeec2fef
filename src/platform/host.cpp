#include "host.h"

#include "runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <memory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

namespace platform
{

struct SystemHost::Lock {
#ifdef Q_OS_UNIX
    // An flock on an open file: nothing is written at start, and the kernel lets go of it
    // when the process ends, however it ends.
    int fd = -1;
#else
    std::unique_ptr<QLockFile> file;
#endif
    bool checked = false;
    bool otherRunning = false;
};

SystemHost::SystemHost() : lock_(new Lock) {}

SystemHost::~SystemHost()
{
#ifdef Q_OS_UNIX
    if (lock_->fd >= 0)
        ::close(lock_->fd);
#endif
    delete lock_;
}

QString SystemHost::computerName() const
{
    QString name = QSysInfo::machineHostName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name.toUpper().left(15);
}

namespace
{

// Windows counts a previous instance per session, so on a terminal server every user may
// run the launcher once from the shared program folder: the lock is per user.
QString lockFileName()
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    return user.isEmpty() ? QStringLiteral("TopMenu.lock") : QStringLiteral("TopMenu.%1.lock").arg(user);
}

} // namespace

bool SystemHost::previousInstance()
{
    if (lock_->checked)
        return lock_->otherRunning;
    lock_->checked = true;

    QString folder = gsAppPath();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    const QString path = QDir(QDir::fromNativeSeparators(folder)).filePath(lockFileName());
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A folder that cannot hold the lock must not stop the program.
    if (fd < 0)
        return false;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        lock_->fd = fd;
        return false;
    }
    lock_->otherRunning = errno == EWOULDBLOCK;
    ::close(fd);
#else
    lock_->file = std::make_unique<QLockFile>(path);
    // Only a lock whose owner has died is stale; a live launcher keeps it however long it runs.
    lock_->file->setStaleLockTime(0);
    if (lock_->file->tryLock(0))
        return false;
    // A folder that cannot hold the lock must not stop the program.
    lock_->otherRunning = lock_->file->error() == QLockFile::LockFailedError;
    lock_->file.reset();
#endif
    return lock_->otherRunning;
}

} // namespace platform
