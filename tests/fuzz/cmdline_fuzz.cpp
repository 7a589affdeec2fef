// The Windows command-line splitter.
// Input: program NUL argument NUL argument ... (UTF-8).
// Properties: a command line quoted by the rules of the Microsoft C runtime splits back into
// exactly its program and arguments; splitting any text, quoting the parts and splitting
// again gives the same parts.
#include "fuzzsupport.h"
#include "platform/cmdline.h"

namespace
{

// The quoting that CommandLineToArgvW and the C runtime undo.
QString quoteArgument(const QString& arg)
{
    if (!arg.isEmpty() && !arg.contains(u' ') && !arg.contains(u'\t') && !arg.contains(u'"') &&
        !arg.contains(u'\n') && !arg.contains(u'\v'))
        return arg;
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0;; ++i) {
        qsizetype backslashes = 0;
        while (i < arg.size() && arg[i] == u'\\') {
            ++i;
            ++backslashes;
        }
        if (i == arg.size()) {
            out += QString(backslashes * 2, u'\\');
            break;
        }
        if (arg[i] == u'"')
            out += QString(backslashes * 2 + 1, u'\\') + u'"';
        else
            out += QString(backslashes, u'\\') + arg[i];
    }
    return out + u'"';
}

// The program name: quotes only group (it cannot hold one), backslashes are literal.
QString quoteProgram(const QString& program)
{
    if (!program.isEmpty() && !program.contains(u' ') && !program.contains(u'\t'))
        return program;
    return u'"' + program + u'"';
}

QString join(const QStringList& parts)
{
    QString line = quoteProgram(parts.value(0));
    for (qsizetype i = 1; i < parts.size(); ++i)
        line += u' ' + quoteArgument(parts[i]);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
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
    if (split.isEmpty() || split[0].isEmpty())
        return 0;
    FUZZ_CHECK(platform::splitWindowsCommandLine(join(split)) == split, any);
    return 0;
}
