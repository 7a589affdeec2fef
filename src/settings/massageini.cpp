#include "settings/massageini.h"

#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace
{

const QString kWarningTitle = QStringLiteral("警告！");

// The suite trims keys of spaces only, as its other programs do.
QString trimSpaces(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

// "*" any run of characters, "?" one character, letter case ignored.
bool globMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// A directory search also lets "name.*" find a name without extension and "name." find
// only names without one ("*.*" finds every entry).
bool searchMatch(QStringView pattern, QStringView name)
{
    if (globMatch(pattern, name))
        return true;
    if (pattern.endsWith(QLatin1String(".*")))
        return globMatch(pattern.chopped(2), name);
    if (pattern.endsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('.')))
        return globMatch(pattern.chopped(1), name);
    return false;
}

qsizetype lastSeparator(const QString& path)
{
    qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    cut = std::max(cut, path.lastIndexOf(QLatin1Char('\\')));
#endif
    return cut;
}

QString folderLookup(const char* key)
{
    return platform::gsAppPath() + csGetMassageIni(QString::fromLatin1(key), true) + QLatin1Char('\\');
}

} // namespace

QString csGetMassageIni(const QString& csKey, bool bShowMsg)
{
    const QString path = platform::gsAppPath() + QStringLiteral("\\Massage.ini");
    if (!bFileExists(path)) {
        platform::msgBox(QStringLiteral("システム設定ファイルが見つかりません。"), kWarningTitle,
                         platform::MsgIcon::Critical, platform::MsgButtons::Ok);
        platform::endProgram(0);
    }

    QStringList lines;
    if (textfile::readLines(platform::nativePath(path), &lines)) {
        const QString wanted = trimSpaces(csKey);
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            if (trimSpaces(line.left(eq)) == wanted)
                return line.mid(eq + 1);
        }
    }

    if (bShowMsg)
        platform::msgBox(QStringLiteral("システム設定ファイルに、指定の項目が見つかりません。") +
                             QLatin1Char('\r') + QLatin1Char('[') + csKey + QLatin1Char(']'),
                         kWarningTitle, platform::MsgIcon::Critical, platform::MsgButtons::Ok);
    return {};
}

QString csGetSysPath()
{
    return folderLookup("SYSTEM_SYS");
}
QString csGetTmpPath()
{
    return folderLookup("SYSTEM_TMP");
}
QString csGetIconPath()
{
    return folderLookup("SYSTEM_ICON");
}
QString csGetDataPath()
{
    return folderLookup("SYSTEM_DATA");
}

QString csSetCurDir(const QString& folder)
{
    const QString native = platform::nativePath(folder);
    if (native.isEmpty() || !QDir::setCurrent(native))
        throw std::runtime_error("cannot make the folder current: " + folder.toStdString());
    return QDir::toNativeSeparators(QDir::currentPath());
}

bool bFileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString native = platform::nativePath(path);
    const qsizetype cut = lastSeparator(native);
    const QString pattern = native.mid(cut + 1);
    if (pattern.isEmpty())
        return false;
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?'))) {
        // The conversion has already matched existing names without regard to case.
        const QFileInfo fi(native);
        return fi.exists() || fi.isSymLink();
    }

    QString folder = cut < 0 ? QStringLiteral(".") : native.left(cut);
    if (folder.isEmpty() || folder.endsWith(QLatin1Char(':')))
        folder += QLatin1Char('/');
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    // "." and ".." are left out: a pattern asks for files, and an empty folder has none.
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (searchMatch(pattern, entry))
            return true;
    }
    return false;
}
