#include "host.h"

#include "runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QSysInfo>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform
{

struct SystemHost::Lock {
    std::unique_ptr<QLockFile> file;
    bool checked = false;
    bool otherRunning = false;
};

SystemHost::SystemHost() : lock_(new Lock) {}

SystemHost::~SystemHost()
{
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
    lock_->file =
        std::make_unique<QLockFile>(QDir(QDir::fromNativeSeparators(folder)).filePath(lockFileName()));
    // Only a lock whose owner has died is stale; a live launcher keeps it however long it runs.
    lock_->file->setStaleLockTime(0);
    if (lock_->file->tryLock(0))
        return false;
    // A folder that cannot hold the lock must not stop the program.
    lock_->otherRunning = lock_->file->error() == QLockFile::LockFailedError;
    lock_->file.reset();
    return lock_->otherRunning;
}

} // namespace platform
