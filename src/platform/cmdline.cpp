#include "cmdline.h"

#include "paths.h"
#include "runtime.h"

#include <QDir>
#include <QFileInfo>

namespace platform
{

namespace
{

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The program name: quotes group and are dropped, backslashes are literal; it ends at the
// first blank outside quotes. Returns the position after it.
qsizetype parseProgramName(QStringView line, qsizetype i, QString* name)
{
    bool quoted = false;
    while (i < line.size()) {
        const QChar c = line[i];
        if (c == u'"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && isBlank(c))
            break;
        *name += c;
        ++i;
    }
    return i;
}

// The arguments after the program name, by the rules of the Microsoft C runtime.
QStringList splitArguments(QStringView line, qsizetype i)
{
    QStringList args;
    const qsizetype n = line.size();
    for (;;) {
        while (i < n && isBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        QString arg;
        bool quoted = false;
        for (;;) {
            qsizetype backslashes = 0;
            while (i < n && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            bool copy = true;
            if (i < n && line[i] == u'"') {
                if (backslashes % 2 == 0) {
                    if (quoted && i + 1 < n && line[i + 1] == u'"') {
                        ++i; // "" inside quotes is one literal quote
                    } else {
                        copy = false;
                        quoted = !quoted;
                    }
                }
                backslashes /= 2;
            }
            arg += QString(backslashes, u'\\');
            if (i >= n || (!quoted && isBlank(line[i])))
                break;
            if (copy)
                arg += line[i];
            ++i;
        }
        args << arg;
    }
    return args;
}

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

bool isFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

// The native program for a native path named in the suite's Windows form.
QString mapProgram(const QString& path)
{
#ifdef Q_OS_WIN
    return isFile(path) ? path : QString();
#else
    if (isExecutableFile(path))
        return path;
    const QString name = QFileInfo(path).fileName();
    const QString stem = path.left(path.size() - 4);
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && name.size() > 4) {
        const QString bare = nativePath(stem);
        if (isExecutableFile(bare))
            return bare;
    } else if ((name.endsWith(QLatin1String(".bat"), Qt::CaseInsensitive) ||
                name.endsWith(QLatin1String(".cmd"), Qt::CaseInsensitive)) &&
               name.size() > 4) {
        // A script runs with the shell when it is not marked executable.
        const QString script = nativePath(stem + QStringLiteral(".sh"));
        if (isFile(script))
            return script;
    }
    return {};
#endif
}

// A program named without a folder in one folder of the search: the name as given, then
// as Windows completes a name without extension.
QString findIn(const QString& folder, const QString& program)
{
    const QString path = nativePath(QDir(folder).filePath(program));
    QString found = mapProgram(path);
    if (!found.isEmpty() || !QFileInfo(program).suffix().isEmpty())
        return found;
    found = mapProgram(path + QStringLiteral(".exe"));
    if (found.isEmpty())
        found = mapProgram(path + QStringLiteral(".bat"));
    return found;
}

QString resolveWithShell(const QString& program, QStringList* arguments)
{
#ifdef Q_OS_WIN
    Q_UNUSED(arguments);
    return program;
#else
    if (!program.isEmpty() && !QFileInfo(program).isExecutable()) {
        arguments->prepend(program);
        return QStringLiteral("/bin/sh");
    }
    return program;
#endif
}

} // namespace

QStringList splitWindowsCommandLine(const QString& commandLine)
{
    qsizetype i = 0;
    while (i < commandLine.size() && isBlank(commandLine[i]))
        ++i;
    if (i >= commandLine.size())
        return {};
    QString program;
    i = parseProgramName(commandLine, i, &program);
    QStringList result{program};
    result += splitArguments(commandLine, i);
    return result;
}

QString resolveProgram(const QString& program)
{
    if (program.isEmpty())
        return {};
#ifdef Q_OS_WIN
    const QChar listSeparator = u';';
#else
    const QChar listSeparator = u':';
#endif
    const bool hasFolder =
        program.contains(u'\\') || program.contains(u'/') || (program.size() >= 2 && program[1] == u':');
    if (hasFolder) {
        const QString found = mapProgram(nativePath(program));
        return found.isEmpty() ? found : QFileInfo(found).absoluteFilePath();
    }

    QStringList folders;
    folders << gsAppPath() << QDir::currentPath();
    folders += qEnvironmentVariable("PATH").split(listSeparator, Qt::SkipEmptyParts);
    for (const QString& folder : std::as_const(folders)) {
        if (folder.isEmpty())
            continue;
        const QString found = findIn(folder, program);
        if (!found.isEmpty())
            return QFileInfo(found).absoluteFilePath();
    }
    return {};
}

ResolvedCommand resolveCommandLine(const QString& commandLine)
{
    ResolvedCommand result;
    qsizetype start = 0;
    while (start < commandLine.size() && isBlank(commandLine[start]))
        ++start;
    if (start >= commandLine.size())
        return result;

    QString program;
    const qsizetype end = parseProgramName(commandLine, start, &program);
    if (commandLine[start] != u'"') {
        // Unquoted: the program may run on past blanks ("C:\My Programs\Main.exe 11").
        // The shortest prefix ending at a blank that names a program wins.
        for (qsizetype i = end; i <= commandLine.size(); ++i) {
            if (i < commandLine.size() && !isBlank(commandLine[i]))
                continue;
            if (i > end && isBlank(commandLine[i - 1]))
                continue;
            const QString prefix = commandLine.mid(start, i - start);
            if (prefix.contains(u'"'))
                break; // quotes decide where the name ends
            const QString found = resolveProgram(prefix);
            if (!found.isEmpty()) {
                result.program = found;
                result.arguments = splitArguments(commandLine, i);
                result.program = resolveWithShell(result.program, &result.arguments);
                return result;
            }
        }
    }
    result.program = resolveProgram(program);
    result.arguments = splitArguments(commandLine, end);
    result.program = resolveWithShell(result.program, &result.arguments);
    return result;
}

} // namespace platform
