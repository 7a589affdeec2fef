#include "settings/clsOplIniFile.h"

#include "platform/paths.h"
#include "platform/textfile.h"
#include "settings/conversions.h"
#include "settings/massageini.h"

#include <QFileInfo>
#include <QStringList>

namespace
{

// The profile functions hand back at most this many bytes of a value.
constexpr int kMaxValueBytes = 255;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The lines of a file and whether its last line was ended. CR LF, a lone LF and a lone CR
// each end a line, so hand-edited files read the same as the ones we write.
struct IniLines {
    QStringList lines;
    bool lastLineEnded = true;
};

IniLines splitLines(const QString& text)
{
    IniLines r;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        r.lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n) {
        r.lines.append(text.mid(start));
        r.lastLineEnded = false;
    }
    return r;
}

QString joinLines(const IniLines& f)
{
    if (f.lines.isEmpty())
        return {};
    QString out = f.lines.join(QStringLiteral("\r\n"));
    if (f.lastLineEnded)
        out += QStringLiteral("\r\n");
    return out;
}

bool isComment(QStringView line)
{
    const QStringView t = trimBlanks(line);
    return t.startsWith(QLatin1Char(';'));
}

// "[name]" with blanks allowed around the brackets and the name; anything after the
// closing bracket is ignored.
bool sectionHeader(QStringView line, QStringView* name)
{
    const QStringView t = trimBlanks(line);
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = trimBlanks(t.mid(1, close - 1));
    return true;
}

// "key=value": both sides without the blanks around them.
bool keyLine(QStringView line, QStringView* key, QStringView* value)
{
    if (isComment(line))
        return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = trimBlanks(line.left(eq));
    *value = trimBlanks(line.mid(eq + 1));
    return true;
}

// Where a key stands: the first section of the name, the first key of the name in it, and
// the last non-empty line of that section (its header when it holds nothing else).
struct Location {
    qsizetype section = -1;
    qsizetype key = -1;
    qsizetype lastNonEmpty = -1;
};

Location locate(const QStringList& lines, QStringView section, QStringView key)
{
    Location loc;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        QStringView name;
        if (sectionHeader(line, &name)) {
            if (loc.section >= 0)
                break;
            if (sameName(name, section)) {
                loc.section = i;
                loc.lastNonEmpty = i;
            }
            continue;
        }
        if (loc.section < 0)
            continue;
        if (!trimBlanks(line).isEmpty())
            loc.lastNonEmpty = i;
        QStringView k, v;
        if (loc.key < 0 && keyLine(line, &k, &v) && sameName(k, key))
            loc.key = i;
    }
    return loc;
}

bool holdsLineEnd(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

// Arguments whose line could not be read back as the same section, key and value.
bool writable(const QString& section, const QString& key, const QString& value)
{
    const QChar nul(u'\0');
    if (section.contains(nul) || key.contains(nul) || value.contains(nul))
        return false;
    if (holdsLineEnd(section) || holdsLineEnd(key) || holdsLineEnd(value))
        return false;
    if (section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')))
        return false;
    // A blank key, or one that would read back as a comment or a section header.
    const QStringView k = trimBlanks(key);
    return !k.isEmpty() && !k.startsWith(QLatin1Char(';')) && !k.startsWith(QLatin1Char('['));
}

} // namespace

short clsOplIniFile::iInit(const QString& csFileName)
{
    if (csFileName.isEmpty()) {
        errMsg_ = QStringLiteral("Iniファイル名を指定してください。");
        return -1;
    }
    fileName_ = csFileName;
    if (!bFileExists(csFileName)) {
        errMsg_ =
            QStringLiteral("指定されたIni（") + csFileName + QStringLiteral("）ファイルが見つかりません。");
        return -1;
    }
    return 0;
}

QString clsOplIniFile::csGetProfileString(const QString& csSectionName, const QString& csKeyName) const
{
    if (fileName_.isEmpty())
        return {};
    QString text;
    if (!textfile::read(platform::nativePath(fileName_), &text))
        return {};
    const IniLines f = splitLines(text);
    const Location loc = locate(f.lines, csSectionName, csKeyName);
    if (loc.key < 0)
        return {};
    QStringView key, value;
    keyLine(f.lines[loc.key], &key, &value);
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return rtrim(textfile::cutToBytes(csCutAtNul(value.toString()), kMaxValueBytes));
}

short clsOplIniFile::iWriteProfileString(const QString& csSectionName, const QString& csKeyName,
                                         const QString& csWriteBuf)
{
    if (!writable(csSectionName, csKeyName, csWriteBuf))
        return -1;
    if (fileName_.isEmpty())
        return 0;
    const QString path = platform::nativePath(fileName_);
    QString text;
    // A file that exists but cannot be read is left alone rather than replaced by the one
    // new key.
    if (QFileInfo::exists(path) && !textfile::read(path, &text))
        return 0;

    IniLines f = splitLines(text);
    const QString entry = csKeyName + QLatin1Char('=') + csWriteBuf;
    const Location loc = locate(f.lines, csSectionName, csKeyName);
    if (loc.key >= 0) {
        f.lines[loc.key] = entry;
    } else if (loc.section >= 0) {
        if (loc.lastNonEmpty + 1 == f.lines.size())
            f.lastLineEnded = true;
        f.lines.insert(loc.lastNonEmpty + 1, entry);
    } else {
        f.lines.append(QLatin1Char('[') + csSectionName + QLatin1Char(']'));
        f.lines.append(entry);
        f.lastLineEnded = true;
    }
    return textfile::write(path, joinLines(f)) ? 1 : 0;
}
