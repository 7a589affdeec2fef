// The Massage.ini scanner and the hand-off written through the INI class; input key NUL value
// NUL file bytes. The scanner's value follows a "=" of the file; a key written that no line
// held is found with its value (the INI class keeps the other lines, which its own target checks).
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
    const QString text = textfile::decode(parts[2]);
    const QString found = csGetMassageIni(key, false);
    FUZZ_CHECK(!found.contains(u'\r') && !found.contains(u'\n'), found);
    FUZZ_CHECK(found.isEmpty() || text.contains(u'=' + found), found);

    // The hand-off: a key written into a section through the INI class.
    clsOplIniFile ini;
    ini.iInit(fuzz::path(QStringLiteral("Massage.ini")));
    if (ini.iWriteProfileString(QStringLiteral("運用拠点"), key, value) != 1)
        return 0;
    // A key no line held (a tab around it, which the INI class drops and the scanner keeps,
    // aside) is found with its value.
    if (!text.contains(key.trimmed(), Qt::CaseInsensitive) && !key.contains(u'\t'))
        FUZZ_CHECK(csGetMassageIni(key, false) == textfile::decode(textfile::encode(value)),
                   csGetMassageIni(key, false) + QStringLiteral(" <> ") + value);
    return 0;
}
