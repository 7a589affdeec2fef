#include "host.h"

#include "namedlock.h"
#include "runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace platform
{

struct SystemHost::Lock {
    // Held until the process ends, however it ends; nothing of it is in the program folder.
    std::unique_ptr<NamedLock> held;
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

// Windows counts a previous instance per session, so on a terminal server every user may
// run the launcher once from the shared program folder: the lock is per user and program
// folder.
QString instanceLockName(const QString& programFolder)
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = QString::fromLatin1(qgetenv("USERNAME").toHex());
#endif
    return QStringLiteral("TopMenu.") + user + QLatin1Char('.') + lockNameOfFile(programFolder);
}

bool SystemHost::previousInstance()
{
    if (lock_->checked)
        return lock_->otherRunning;
    lock_->checked = true;

    QString folder = gsAppPath();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    auto lock = std::make_unique<NamedLock>(instanceLockName(QDir::fromNativeSeparators(folder)),
                                            NamedLock::Wait::No);
    // A machine that cannot hold the lock must not stop the program.
    lock_->otherRunning = lock->busy();
    if (lock->locked())
        lock_->held = std::move(lock);
    return lock_->otherRunning;
}

void SystemHost::releaseInstanceLock()
{
    lock_->held.reset();
}

} // namespace platform
