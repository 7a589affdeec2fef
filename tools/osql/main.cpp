// osql -S server -U user -P password -i script -o log
//
// Stands in for SQL Server's command-line tool on a machine without a server: the script
// runs on the embedded engine, whose databases live under SQLDATA in this program's folder.
// Exit code 0 when every batch succeeded, 1 when a batch failed, the script could not be
// read or the server's folder lies on a network file system (then no batch runs), 2 for bad
// arguments.

#include "db/tsqlscript.h"
#include "platform/host.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QDir>
#include <QStringList>
#include <cstdio>

namespace
{

struct Options {
    QString server;
    QString script;
    QString log;
};

void usage(const QString& why)
{
    const QString text =
        QStringLiteral("osql: ") + why +
        QStringLiteral("\nusage: osql -S server [-U user] [-P password] [-E] -i script [-o log]\n");
    std::fputs(text.toLocal8Bit().constData(), stderr);
}

// Options as osql takes them: "-S name" or "-Sname", letters in either case, any order.
bool parse(const QStringList& args, Options* o, QString* why)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a.size() < 2 || a[0] != QLatin1Char('-')) {
            *why = QStringLiteral("unexpected argument ") + a;
            return false;
        }
        const QChar letter = a[1].toUpper();
        if (letter == QLatin1Char('E') && a.size() == 2)
            continue; // trusted connection: the embedded engine has no logins
        QString value;
        if (a.size() > 2) {
            value = a.mid(2);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            *why = QStringLiteral("missing value for ") + a;
            return false;
        }
        switch (letter.unicode()) {
        case 'S':
            o->server = value;
            break;
        case 'U':
        case 'P':
            break; // the embedded engine keeps no logins
        case 'I':
            o->script = value;
            break;
        case 'O':
            o->log = value;
            break;
        default:
            *why = QStringLiteral("unknown option ") + a;
            return false;
        }
    }
    if (o->script.isEmpty()) {
        *why = QStringLiteral("no script (-i)");
        return false;
    }
    return true;
}

bool isRelative(const QString& windowsPath)
{
    if (windowsPath.size() >= 2 && windowsPath[1] == QLatin1Char(':'))
        return false;
    return !windowsPath.startsWith(QLatin1Char('\\')) && !windowsPath.startsWith(QLatin1Char('/'));
}

// Files named on the command line are in the suite's Windows form; a relative one is taken
// from the current folder, as the real tool does.
QString fileOf(const QString& windowsPath)
{
    QString p = windowsPath;
    if (isRelative(p))
        p = QDir::currentPath() + QLatin1Char('/') + p;
    return platform::nativePath(p);
}

} // namespace

int main(int argc, char** argv)
{
    // No application object: a tool that runs one script needs no event loop, and making
    // one costs a good part of a short run.
    platform::installSystemRuntime();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    Options o;
    QString why;
    if (!parse(args, &o, &why)) {
        usage(why);
        return 2;
    }
    // Without -S the real tool talks to the local default instance.
    if (o.server.isEmpty())
        o.server = platform::host().computerName();

    QStringList log;
    int exitCode = 0;
    QString script;
    if (!textfile::read(fileOf(o.script), &script)) {
        log << QStringLiteral("スクリプトファイルを開けません: ") + o.script;
        exitCode = 1;
    } else {
        const db::ScriptResult r = db::runScript(script, o.server);
        log << r.log;
        if (r.failed > 0)
            exitCode = 1;
    }

    if (o.log.isEmpty()) {
        for (const QString& line : log)
            std::printf("%s\n", line.toLocal8Bit().constData());
    } else if (!textfile::writeLines(fileOf(o.log), log, textfile::Sync::None)) {
        usage(QStringLiteral("cannot write ") + o.log);
        return 1;
    }
    return exitCode;
}
