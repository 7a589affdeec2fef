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

// A file as its lines of bytes, each with the bytes that ended it (CR LF, a lone LF, a lone
// CR, or nothing for a last line without a line end), and the lines decoded for reading
// the names. A write changes or inserts whole lines and puts every other byte back as it
// was, including bytes the code page cannot read. CR and LF never occur inside a CP932
// character, so the bytes can be split before decoding.
struct IniFile {
    struct Line {
        QByteArray bytes;
        QByteArray end;
    };
    std::vector<Line> raw;
    QStringList lines;
};

IniFile splitLines(const QByteArray& bytes)
{
    IniFile f;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        const qsizetype endLength = c == '\r' && i + 1 < n && bytes[i + 1] == '\n' ? 2 : 1;
        f.raw.push_back({bytes.mid(start, i - start), bytes.mid(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n)
        f.raw.push_back({bytes.mid(start), QByteArray()});
    // One conversion for the whole file; line by line only when a broken character took a
    // line end with it.
    const QString text = textfile::decode(bytes);
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        f.lines.append(text.mid(from, i - from));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    if (from < text.size())
        f.lines.append(text.mid(from));
    if (f.lines.size() != qsizetype(f.raw.size())) {
        f.lines.clear();
        for (const IniFile::Line& line : f.raw)
            f.lines.append(textfile::decode(line.bytes));
    }
    return f;
}

QByteArray joinLines(const IniFile& f)
{
    QByteArray out;
    for (const IniFile::Line& line : f.raw)
        out += line.bytes + line.end;
    return out;
}

void setLine(IniFile& f, qsizetype i, const QString& text)
{
    f.raw[size_t(i)].bytes = textfile::encode(text);
    f.lines[i] = text;
}

// A new line before line i (at the end when i is the line count); the line before it gets
// a line end when it had none.
void insertLine(IniFile& f, qsizetype i, const QString& text)
{
    if (i > 0 && f.raw[size_t(i - 1)].end.isEmpty())
        f.raw[size_t(i - 1)].end = "\r\n";
    f.raw.insert(f.raw.begin() + i, {textfile::encode(text), "\r\n"});
    f.lines.insert(i, text);
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

// The file's names are read without the blanks around them; the caller's are taken the
// same way, so that " BASEID" finds and replaces BASEID instead of adding a line per write.
QString name(const QString& s)
{
    return trimBlanks(s).toString();
}

bool representable(const QString& s)
{
    return textfile::decode(textfile::encode(s)) == s;
}

// Arguments whose line could not be read back as the same section, key and value. Names
// the code page cannot hold would be written as '?' and never be found again.
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
    return !k.isEmpty() && !k.startsWith(QLatin1Char(';')) && !k.startsWith(QLatin1Char('[')) &&
           representable(section) && representable(key);
}

// Writes one key into the lines, as iWriteProfileString does.
void put(IniFile& f, const QString& csSectionName, const QString& csKeyName, const QString& csWriteBuf)
{
    const QString section = name(csSectionName);
    const QString key = name(csKeyName);
    const QString entry = key + QLatin1Char('=') + csWriteBuf;
    const Location loc = locate(f.lines, section, key);
    if (loc.key >= 0)
        setLine(f, loc.key, entry);
    else if (loc.section >= 0)
        insertLine(f, loc.lastNonEmpty + 1, entry);
    else {
        insertLine(f, f.lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
        insertLine(f, f.lines.size(), entry);
    }
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
    QByteArray bytes;
    if (!textfile::readBytes(platform::nativePath(fileName_), &bytes))
        return {};
    const IniFile f = splitLines(bytes);
    const Location loc = locate(f.lines, name(csSectionName), name(csKeyName));
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
    return iWriteProfileStrings({{csSectionName, csKeyName, csWriteBuf}});
}

short clsOplIniFile::iWriteProfileStrings(const std::vector<ProfileEntry>& entries, const QString& baseFile)
{
    for (const ProfileEntry& e : entries) {
        if (!writable(e.section, e.key, e.value))
            return -1;
    }
    if (fileName_.isEmpty())
        return 0;
    const QString path = platform::nativePath(fileName_);
    // Another process may be writing the same file: without the lock its change would be
    // lost between our read and our replace.
    const textfile::FileLock lock(path);
    if (!lock.locked())
        return 0;
    const QString source = baseFile.isEmpty() ? path : platform::nativePath(baseFile);
    QByteArray bytes;
    // A file that exists but cannot be read is left alone rather than replaced by the new
    // keys; a base file must be read.
    if ((!baseFile.isEmpty() || QFileInfo::exists(source)) && !textfile::readBytes(source, &bytes))
        return 0;

    IniFile f = splitLines(bytes);
    for (const ProfileEntry& e : entries)
        put(f, e.section, e.key, e.value);
    return textfile::writeBytes(path, joinLines(f)) ? 1 : 0;
}
