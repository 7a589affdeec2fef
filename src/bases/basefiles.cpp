#include "bases/basefiles.h"

#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"
#include "state/state.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace bases
{

namespace
{

const QString kCrLf = QStringLiteral("\r\n");

QString native(const QString& suitePath)
{
    return platform::nativePath(suitePath);
}

#ifdef Q_OS_LINUX
// Immutable and append-only entries cannot be removed (nor, for folders, emptied), not even
// by an administrator.
bool lockedByAttributes(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// Entries of the folder can be added and removed.
bool folderChangeable(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0 && !lockedByAttributes(folder);
}
#endif

// "Error:" and the settings class's text; a write it refused without a text names the file.
QString writeRefused(const clsOplIniFile& ini)
{
    const QString text = ini.csErrMsg().isEmpty()
                             ? QStringLiteral("設定ファイルに書き込めません。") + ini.fileName()
                             : ini.csErrMsg();
    return QStringLiteral("Error:") + text;
}

} // namespace

QString settingsFile(short KyotenCd, short kyotenEb)
{
    return platform::gsAppPath() + QStringLiteral("\\Massage") + baseId(KyotenCd, kyotenEb) +
           QStringLiteral(".ini");
}

QString dataFolder(short KyotenCd, short kyotenEb)
{
    return platform::gsAppPath() + QStringLiteral("\\DATA\\Data") + baseId(KyotenCd, kyotenEb);
}

bool readDistributionFolder(QString* folder)
{
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\adodb.ini")) != 0)
        return false;
    *folder =
        rtrim(csCutAtNul(ini.csGetProfileString(QStringLiteral("資産管理情報"), QStringLiteral("資源配布"))));
    return true;
}

QString missingTemplates(const QString& templateFolder)
{
    const QString settings = templateFolder + QStringLiteral("\\Massage0000.ini");
    const QString data = templateFolder + QStringLiteral("\\DATA\\DATA0000");
    QStringList missing;
    if (!QFileInfo(native(settings)).isFile())
        missing << settings;
    if (!QFileInfo(native(data)).isDir())
        missing << data;
    if (missing.isEmpty())
        return {};
    return QStringLiteral("事業所のひな形が見つかりません。") + kCrLf + missing.join(kCrLf);
}

bool writeSettingsFile(const QString& templateFile, const QString& file, const QString& kyotenName,
                       const QString& nnnn, QString* error)
{
    clsOplIniFile ini;
    ini.iInit(file);
    const std::vector<ProfileEntry> keys{
        {QStringLiteral("環境"), QStringLiteral("環境名"), kyotenName},
        {QStringLiteral("PATH"), QStringLiteral("SYSTEM_DATA"), QStringLiteral("\\DATA\\Data") + nnnn},
    };
    if (ini.iWriteProfileStrings(keys, templateFile) != 1) {
        // The file is new: the settings class's text would only say it was missing.
        *error = QStringLiteral("Error:設定ファイルに書き込めません。") + file;
        return false;
    }
    return true;
}

bool copyFolderFiles(const QString& source, const QString& target, const QString& shownTarget, QString* error)
{
    const QDir from(native(source));
    const QDir to(native(target));
    const QStringList files = from.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : files) {
        if (!textfile::copy(from.filePath(name), to.filePath(name))) {
            *error = QStringLiteral("ファイルを複写できません。") + kCrLf + source + QLatin1Char('\\') +
                     name + kCrLf + shownTarget;
            return false;
        }
    }
    return true;
}

bool removePath(const QString& path)
{
    const QString p = native(path);
    const QFileInfo info(p);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink())
        return QDir(p).removeRecursively();
    return QFile::remove(p);
}

bool canRemove(const QString& path, QString* blocker)
{
#ifdef Q_OS_LINUX
    const QString p = native(path);
    const QFileInfo info(p);
    if (!info.exists())
        return true;
    const auto blocked = [&](const QString& entry) {
        *blocker = entry;
        return false;
    };
    if (!folderChangeable(info.absolutePath()) || lockedByAttributes(p))
        return blocked(p);
    if (!info.isDir() || info.isSymLink())
        return true;
    if (!folderChangeable(p))
        return blocked(p);
    QDirIterator it(p, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        if (lockedByAttributes(entry.filePath()))
            return blocked(entry.filePath());
        if (entry.isDir() && !entry.isSymLink() && !folderChangeable(entry.filePath()))
            return blocked(entry.filePath());
    }
    return true;
#else
    // Forced deletion clears read-only attributes; what a running program holds open shows
    // when the deletion is tried.
    Q_UNUSED(path);
    Q_UNUSED(blocker);
    return true;
#endif
}

QString formatTime(int hhmm)
{
    return QString::number(hhmm / 100) + QLatin1Char(':') +
           QStringLiteral("%1").arg(hhmm % 100, 2, 10, QLatin1Char('0'));
}

bool vMakeYoteiIni(short interval, short startTime, short endTime, short lunchTime, short closingTime,
                   const QString& dataFolder)
{
    Q_UNUSED(endTime); // the end of business is asked for but kept nowhere
    const QString file = native(dataFolder + QStringLiteral("\\予定設定.ini"));
    const QStringList lines{
        QStringLiteral("[予定表]"),
        QStringLiteral("時間行数=2"),
        QStringLiteral("開始時間=") + formatTime(startTime),
        QStringLiteral("時間間隔=") + QString::number(interval),
        QStringLiteral("負担率色分=0"),
        QStringLiteral("基準赤線1=") + formatTime(lunchTime),
        QStringLiteral("基準赤線2=") + formatTime(closingTime),
        QStringLiteral("患者表示=0"),
        QStringLiteral("患者ソート=0"),
        QString(),
        QStringLiteral("[時候挨拶文]"),
        QStringLiteral("備考 = いつも格別なお引き立てを賜り厚くお礼申し上げます｡"),
    };
    if (QFileInfo::exists(file) && !QFile::remove(file))
        return false;
    return textfile::writeLines(file, lines);
}

bool vSetIniFile_ChohyoFormat(short interval, const QString& file, QString* error)
{
    clsOplIniFile ini;
    if (ini.iInit(file) != 0)
        return true;
    QString report = QStringLiteral("週間全予定表30.wfd");
    if (interval == 15)
        report = QStringLiteral("週間全予定表15.wfd");
    else if (interval == 20)
        report = QStringLiteral("週間全予定表20.wfd");
    if (ini.iWriteProfileString(QStringLiteral("全施術者予定表"), QStringLiteral("全施術者予定表"), report) !=
        1) {
        *error = writeRefused(ini);
        return false;
    }
    return true;
}

void showNewBaseFilesNotMade(const QString& error, const QString& undoFailure)
{
    if (undoFailure.isEmpty() && error.startsWith(QStringLiteral("Error:"))) {
        platform::msgBox(error, QString(), platform::MsgIcon::None, platform::MsgButtons::Ok);
        return;
    }
    const QString undone =
        undoFailure.isEmpty()
            ? QStringLiteral("事業所の追加は取り消しました。")
            : QStringLiteral("事業所の追加を取り消せませんでした。次のものが残っています。") + kCrLf +
                  undoFailure;
    platform::msgBox(
        QStringLiteral("事業所のファイルを作成できませんでした。") + kCrLf + error + kCrLf + undone,
        QStringLiteral("事業所追加エラー"), platform::MsgIcon::Critical, platform::MsgButtons::Ok);
}

} // namespace bases
