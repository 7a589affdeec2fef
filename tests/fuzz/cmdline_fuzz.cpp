// The Windows command-line splitter; input program NUL argument NUL ... (UTF-8). Any text
// splits without a crash; parts without quotes, each put in quotes, split back into exactly
// the parts (quotes group blanks; a backslash no quote follows is literal).
#include "fuzzsupport.h"
#include "platform/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    (void)platform::splitWindowsCommandLine(QString::fromUtf8(bytes).replace(u'\0', u' '));
    QStringList parts;
    QString line;
    for (const QByteArray& part : bytes.split('\0')) {
        parts << QString::fromUtf8(part).remove(u'"');
        if (parts.back().endsWith(u'\\'))
            parts.back() += u'x';
        line += (parts.size() > 1 ? QStringLiteral(" \"") : QStringLiteral("\"")) + parts.back() + u'"';
    }
    FUZZ_CHECK(platform::splitWindowsCommandLine(line) == parts, line);
    return 0;
}
