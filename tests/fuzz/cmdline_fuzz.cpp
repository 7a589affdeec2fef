// The Windows command-line splitter; input program NUL argument NUL ... (UTF-8). A line quoted
// by the Microsoft C runtime's rules splits back into exactly its parts; splitting any text,
// quoting the parts and splitting again gives the same parts.
#include "fuzzsupport.h"
#include "platform/cmdline.h"

#include <QRegularExpression>

namespace
{

// The quoting that CommandLineToArgvW and the C runtime undo. The program name is only
// grouped by quotes (it cannot hold one; its backslashes are literal); in an argument, a
// quote and the backslashes before a quote are escaped.
QString join(const QStringList& parts)
{
    static const QRegularExpression blankOrQuote(QStringLiteral("[ \\t\"\\n\\v]"));
    const QString& program = parts[0];
    QString line = program.contains(u' ') || program.contains(u'\t') ? u'"' + program + u'"' : program;
    static const QRegularExpression beforeQuote(QStringLiteral("(\\\\*)\""));
    static const QRegularExpression atEnd(QStringLiteral("(\\\\+)\\z"));
    for (QString arg : parts.mid(1)) {
        if (arg.isEmpty() || arg.contains(blankOrQuote))
            arg = u'"' +
                  arg.replace(beforeQuote, QStringLiteral("\\1\\1\\\""))
                      .replace(atEnd, QStringLiteral("\\1\\1")) +
                  u'"';
        line += u' ' + arg;
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);
    QStringList parts;
    for (const QByteArray& part : bytes.split('\0'))
        parts << QString::fromUtf8(part);
    parts[0].remove(u'"');
    if (parts[0].isEmpty() || parts[0].front().isSpace())
        parts[0].prepend(QStringLiteral("prog"));
    const QString line = join(parts);
    FUZZ_CHECK(platform::splitWindowsCommandLine(line) == parts, line);

    const QString any = QString::fromUtf8(bytes).replace(u'\0', u' ');
    const QStringList split = platform::splitWindowsCommandLine(any);
    if (!split.isEmpty() && !split[0].isEmpty())
        FUZZ_CHECK(platform::splitWindowsCommandLine(join(split)) == split, any);
    return 0;
}
