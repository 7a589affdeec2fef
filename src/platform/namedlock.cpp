#include "namedlock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform
{

QString lockNameOfFile(const QString& path)
{
    const QFileInfo info(path);
    QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty()) {
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        canonical = (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
    }
#ifdef Q_OS_WIN
    canonical = canonical.toLower(); // one file, whatever the letter case of its name
#endif
    return QString::fromLatin1(
               QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".lock");
}

#ifdef Q_OS_WIN

QString lockFolder()
{
    return {};
}

NamedLock::NamedLock(const QString& name, Wait wait)
{
    const QString global = QStringLiteral("Global\\TopMenu.") + name;
    const HANDLE h = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(global.utf16()));
    if (!h)
        return;
    // A holder that died leaves the mutex abandoned, and it is ours.
    const DWORD got = WaitForSingleObject(h, wait == Wait::Yes ? INFINITE : 0);
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) {
        busy_ = got == WAIT_TIMEOUT;
        CloseHandle(h);
        return;
    }
    handle_ = qintptr(h);
}

NamedLock::~NamedLock()
{
    if (!locked())
        return;
    ReleaseMutex(HANDLE(handle_));
    CloseHandle(HANDLE(handle_));
}

#else

QString lockFolder()
{
    static const QString folder = [] {
        for (const QString& base : {QStringLiteral("/run/lock"), QDir::tempPath()}) {
            const QString candidate =
                base + (base == QLatin1String("/run/lock") ? QStringLiteral("/TopMenu")
                                                           : QStringLiteral("/TopMenu-locks"));
            const QByteArray name = QFile::encodeName(candidate);
            // Every user of the machine keeps locks here: open to all, each removing only
            // its own files (the sticky bit), as /tmp is.
            if (::mkdir(name.constData(), 01777) == 0)
                ::chmod(name.constData(), 01777);
            struct stat st;
            if (::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
                ::access(name.constData(), W_OK | X_OK) == 0)
                return candidate;
        }
        return QDir::tempPath();
    }();
    return folder;
}

NamedLock::NamedLock(const QString& name, Wait wait)
{
    path_ = lockFolder() + QLatin1Char('/') + name;
    const QByteArray file = QFile::encodeName(path_);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // Open what is there first: a file another user made cannot be opened for creation
        // in a sticky folder where the system protects such files.
        int fd = ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(file.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd >= 0)
                ::fchmod(fd, 0644);
        }
        if (fd < 0)
            return;
        int rc;
        do
            rc = ::flock(fd, wait == Wait::Yes ? LOCK_EX : LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            busy_ = errno == EWOULDBLOCK;
            ::close(fd);
            return;
        }
        // The holder before us removes the file as it lets go: a lock on a file that no
        // longer has the name is no lock, so start again on the name's new file.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(file.constData(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            handle_ = fd;
            return;
        }
        ::close(fd);
    }
}

NamedLock::~NamedLock()
{
    if (!locked())
        return;
    // Removed while still held, so that a waiter that opened it finds the name gone. A file
    // of another user stays (the sticky folder protects it) and serves as well.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(int(handle_));
}

#endif

} // namespace platform
