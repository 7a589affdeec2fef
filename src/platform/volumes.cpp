#include "volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

namespace platform
{

namespace
{

// File systems whose files live on another computer, or are shared with one: network file
// systems, cluster file systems several computers mount at once, and folders a virtual
// machine shares with its host.
const QSet<QString>& networkTypes()
{
    static const QSet<QString> types{
        QStringLiteral("nfs"),    QStringLiteral("nfs4"),     QStringLiteral("cifs"),
        QStringLiteral("smb3"),   QStringLiteral("smbfs"),    QStringLiteral("ncpfs"),
        QStringLiteral("ncp"),    QStringLiteral("9p"),       QStringLiteral("afs"),
        QStringLiteral("coda"),   QStringLiteral("ceph"),     QStringLiteral("glusterfs"),
        QStringLiteral("lustre"), QStringLiteral("gpfs"),     QStringLiteral("beegfs"),
        QStringLiteral("fhgfs"),  QStringLiteral("orangefs"), QStringLiteral("pvfs2"),
        QStringLiteral("gfs2"),   QStringLiteral("ocfs2"),    QStringLiteral("davfs"),
        QStringLiteral("sshfs"),  QStringLiteral("vboxsf"),   QStringLiteral("vmhgfs"),
        QStringLiteral("prl_fs"), QStringLiteral("virtiofs"),
    };
    return types;
}

// The programs behind FUSE mounts ("fuse.<name>") that reach files over the network.
const QSet<QString>& networkFuseTypes()
{
    static const QSet<QString> types{
        QStringLiteral("sshfs"),     QStringLiteral("rclone"),     QStringLiteral("s3fs"),
        QStringLiteral("gcsfuse"),   QStringLiteral("goofys"),     QStringLiteral("davfs"),
        QStringLiteral("davfs2"),    QStringLiteral("glusterfs"),  QStringLiteral("ceph"),
        QStringLiteral("ceph-fuse"), QStringLiteral("cephfs"),     QStringLiteral("mfs"),
        QStringLiteral("lizardfs"),  QStringLiteral("juicefs"),    QStringLiteral("smbnetfs"),
        QStringLiteral("curlftpfs"), QStringLiteral("httpdirfs"),  QStringLiteral("blobfuse"),
        QStringLiteral("blobfuse2"), QStringLiteral("gvfsd-fuse"), QStringLiteral("vmhgfs-fuse"),
        QStringLiteral("ossfs"),     QStringLiteral("cvmfs"),      QStringLiteral("weed"),
    };
    return types;
}

// Mount points and sources in the mount table write blanks, tabs, line ends and
// backslashes as "\ooo".
QString unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QFile::decodeName(out);
}

bool holds(const QString& mountPoint, const QString& path)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == mountPoint || (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

// The folder itself, or its nearest parent that exists.
QString existingFolder(const QString& folder)
{
    QString path = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(folder)).absoluteFilePath());
    while (!QFileInfo::exists(path)) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

QString networkKindOf(const QString& type, const QString& source)
{
    if (networkTypes().contains(type))
        return type;
    if (type.startsWith(QLatin1String("fuse.")))
        return networkFuseTypes().contains(type.mid(5)) ? type : QString();
    // A FUSE mount without a subtype (older sshfs, some others): its source tells,
    // "sshfs#user@host:/dir", "user@host:/dir", "remote:" or an address "https://...".
    if (type == QLatin1String("fuse")) {
        if (source.startsWith(QLatin1String("sshfs#")) || source.contains(QLatin1String("://")) ||
            (!source.startsWith(u'/') && source.contains(u':')))
            return type;
    }
    return {};
}

QString networkKindInMountTable(const QString& path, const QString& device, const QByteArray& mountInfo)
{
    // "id parent major:minor root mount-point options [optional...] - type source super-options"
    struct Best {
        bool deviceMatches = false;
        qsizetype length = -1;
        QString kind;
    } best;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf(QByteArray("-"), 6);
        if (f.size() < 6 || dash < 0 || dash + 2 >= f.size())
            continue;
        const QString mountPoint = unescape(f[4]);
        if (!holds(mountPoint, path))
            continue;
        const bool deviceMatches = !device.isEmpty() && QString::fromLatin1(f[2]) == device;
        // A later line with the same standing is mounted over the earlier one.
        if (deviceMatches < best.deviceMatches ||
            (deviceMatches == best.deviceMatches && mountPoint.size() < best.length))
            continue;
        best = {deviceMatches, mountPoint.size(),
                networkKindOf(QString::fromLatin1(f[dash + 1]), unescape(f[dash + 2]))};
    }
    return best.kind;
}

bool isUncPath(const QString& path)
{
    QString p = path;
    p.replace(u'/', u'\\');
    if (p.startsWith(QLatin1String("\\\\?\\UNC\\"), Qt::CaseInsensitive))
        return true;
    // \\?\C:\... and \\.\device name local things.
    return p.startsWith(QLatin1String("\\\\")) && p.size() > 2 && p[2] != u'?' && p[2] != u'.' &&
           p[2] != u'\\';
}

QString SystemVolumes::networkKind(const QString& folder) const
{
    const QString path = existingFolder(folder);
#if defined(Q_OS_WIN)
    // Not built on the development machines (Linux); kept to the documented calls.
    if (isUncPath(path) || isUncPath(folder))
        return QStringLiteral("UNC パス");
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    wchar_t volume[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(native.c_str(), volume, MAX_PATH + 1))
        return {};
    if (isUncPath(QString::fromWCharArray(volume)))
        return QStringLiteral("UNC パス");
    if (::GetDriveTypeW(volume) == DRIVE_REMOTE)
        return QStringLiteral("ネットワーク ドライブ");
    return {};
#elif defined(Q_OS_LINUX)
    QString device;
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        device = QStringLiteral("%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return {};
    return networkKindInMountTable(path, device, table.readAll());
#else
    Q_UNUSED(path);
    return {};
#endif
}

} // namespace platform
