// clsOplIniFile: input section NUL key NUL value NUL file bytes (CP932). A write is refused
// (-1) with the file untouched, or every line it did not write keeps its bytes (line end
// included), a plain value and every other key read back, and writing again changes nothing.
#include "fuzzsupport.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"

#include <tuple>

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
    // The other keys probed by the names of the file's lines (at most 40), with their values;
    // a name read differently here only skips more of them.
    std::vector<std::tuple<QString, QString, QString>> others;
    QString s;
    for (const QString& text : textfile::splitLines(textfile::decode(before))) {
        const QString line = text.trimmed(), k = line.left(line.indexOf(u'='));
        if (line.startsWith(u'[') && line.contains(u']'))
            s = line.mid(1, line.indexOf(u']') - 1);
        else if (!k.isEmpty() && k != line && others.size() < 40)
            others.emplace_back(s, k, ini.csGetProfileString(s, k));
    }

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

    // A value with nothing to drop, cut or convert reads back as written.
    if (value == value.trimmed() && !value.startsWith(u'"') && !value.startsWith(u'\'') &&
        textfile::encodedLength(value) <= 255 && textfile::decode(textfile::encode(value)) == value)
        FUZZ_CHECK(ini.csGetProfileString(section, key) == value, ini.csGetProfileString(section, key));
    const auto same = [](const QString& a, const QString& b) {
        return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
    };
    for (const auto& [s, k, v] : others) {
        if (!same(s, section) || !same(k, key))
            FUZZ_CHECK(ini.csGetProfileString(s, k) == v, QStringLiteral("[%1] %2 changed").arg(s, k));
    }

    FUZZ_CHECK(ini.iWriteProfileString(section, key, value) == 1, QStringLiteral("second write"));
    FUZZ_CHECK(fuzz::readFile(QStringLiteral("f.ini")) == after,
               QStringLiteral("a second write changed the file"));
    return 0;
}
