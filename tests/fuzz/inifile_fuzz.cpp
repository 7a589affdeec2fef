// clsOplIniFile: input section NUL key NUL value NUL file bytes (CP932). A write is refused
// (-1) with the file untouched, or every line it did not write keeps its bytes (line end
// included), the value and every other key read back, and writing again changes nothing.
#include "fuzzsupport.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"

#include <utility>

namespace
{

const QStringView kBlanks = u" \t";

// The value as a reader gets it back: blanks around it and one pair of quotes dropped,
// at most 255 bytes, trailing blanks removed.
QString readBack(const QString& written)
{
    QString v = fuzz::trimmed(textfile::decode(textfile::encode(written)), kBlanks);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return rtrim(textfile::cutToBytes(v, 255));
}

// Section and key names as they stand in the file (at most 40 pairs).
std::vector<std::pair<QString, QString>> namesIn(const QByteArray& bytes)
{
    std::vector<std::pair<QString, QString>> names;
    QString section;
    for (const QString& text : fuzz::textLines(bytes)) {
        const QString line = fuzz::trimmed(text, kBlanks);
        if (line.startsWith(u'[') && line.contains(u']'))
            section = line.mid(1, line.indexOf(u']') - 1);
        else if (line.indexOf(u'=') > 0 && names.size() < 40)
            names.emplace_back(section, line.left(line.indexOf(u'=')));
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = fuzz::split(fuzz::input(data, size), 3);
    const QString section = textfile::decode(parts[0]);
    const QString key = textfile::decode(parts[1]);
    const QString value = textfile::decode(parts[2]);
    const QByteArray before = parts[3];
    fuzz::writeFile(QStringLiteral("f.ini"), before);
    clsOplIniFile ini;
    ini.iInit(fuzz::path(QStringLiteral("f.ini")));
    const auto names = namesIn(before);
    QStringList valuesBefore;
    for (const auto& [s, k] : names)
        valuesBefore << ini.csGetProfileString(s, k);

    const short r = ini.iWriteProfileString(section, key, value);
    const QByteArray after = fuzz::readFile(QStringLiteral("f.ini"));
    if (r == -1) {
        FUZZ_CHECK(after == before, QStringLiteral("a refused write changed the file"));
        return 0;
    }
    FUZZ_CHECK(r == 1, QString::number(r));

    // Untouched lines: a common head and tail of lines, and between them at most the one line
    // written (or the last line, when it gained its line end).
    const QList<QByteArray> a = fuzz::rawLines(before), b = fuzz::rawLines(after);
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const qsizetype changed = a.size() - head - tail;
    const qsizetype added = b.size() - head - tail;
    FUZZ_CHECK(changed <= 1 && added >= changed && added <= changed + 2,
               QStringLiteral("changed %1, added %2").arg(changed).arg(added));
    if (changed == 1 && added > 1) {
        const QByteArray& old = a[head];
        FUZZ_CHECK(head == a.size() - 1 && !old.endsWith('\n') && !old.endsWith('\r') &&
                       b[head] == old + "\r\n",
                   QStringLiteral("only an unended last line gains a line end"));
    }

    FUZZ_CHECK(ini.csGetProfileString(section, key) == readBack(value),
               ini.csGetProfileString(section, key) + QStringLiteral(" <> ") + readBack(value));
    const auto same = [](const QString& a, const QString& b) {
        return fuzz::trimmed(a, kBlanks).compare(fuzz::trimmed(b, kBlanks), Qt::CaseInsensitive) == 0;
    };
    for (size_t i = 0; i < names.size(); ++i) {
        const auto& [s, k] = names[i];
        if (!same(s, section) || !same(k, key))
            FUZZ_CHECK(ini.csGetProfileString(s, k) == valuesBefore[qsizetype(i)],
                       QStringLiteral("[%1] %2 changed").arg(s, k));
    }

    FUZZ_CHECK(ini.iWriteProfileString(section, key, value) == 1, QStringLiteral("second write"));
    FUZZ_CHECK(fuzz::readFile(QStringLiteral("f.ini")) == after,
               QStringLiteral("a second write changed the file"));
    return 0;
}
