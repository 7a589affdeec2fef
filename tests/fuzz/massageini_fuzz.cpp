// The Massage.ini scanner and the hand-off written through the INI class; input key NUL value
// NUL file bytes. The scanner's value is the rest of a line after its first "="; a key written
// that no line held is found with its value; every key found before keeps its value.
#include "fuzzsupport.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/massageini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = fuzz::split(fuzz::input(data, size), 2);
    const QString key = textfile::decode(parts[0]);
    const QString value = textfile::decode(parts[1]);
    fuzz::writeFile(QStringLiteral("Massage.ini"), parts[2]);
    const QStringList lines = fuzz::textLines(parts[2]);

    QStringList keys, values; // of the lines with a "="
    for (const QString& line : lines) {
        if (line.contains(u'=')) {
            keys << fuzz::trimmed(line.left(line.indexOf(u'=')), u" ");
            values << line.mid(line.indexOf(u'=') + 1);
        }
    }
    const QString found = csGetMassageIni(key, false);
    FUZZ_CHECK(!found.contains(u'\r') && !found.contains(u'\n'), found);
    FUZZ_CHECK(found.isEmpty() || values.contains(found), found);
    const QStringList checked = keys.mid(0, 40);
    QStringList before;
    for (const QString& k : checked)
        before << csGetMassageIni(k, false);

    // The hand-off: a key written into a section through the INI class.
    clsOplIniFile ini;
    ini.iInit(fuzz::path(QStringLiteral("Massage.ini")));
    if (ini.iWriteProfileString(QStringLiteral("運用拠点"), key, value) != 1)
        return 0;
    // The INI class also drops tabs around a name, the scanner only spaces.
    if (!keys.contains(fuzz::trimmed(key, u" ")) && !key.contains(u'\t'))
        FUZZ_CHECK(csGetMassageIni(key, false) == textfile::decode(textfile::encode(value)),
                   csGetMassageIni(key, false) + QStringLiteral(" <> ") + value);
    for (qsizetype i = 0; i < checked.size(); ++i) {
        if (checked[i].compare(fuzz::trimmed(key, u" "), Qt::CaseInsensitive) != 0)
            FUZZ_CHECK(csGetMassageIni(checked[i], false) == before[i], checked[i]);
    }
    return 0;
}
