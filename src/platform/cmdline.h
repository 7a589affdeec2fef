#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Splits a Windows command line into its program and arguments by the rules of the
// Microsoft C runtime (quotes group, backslashes are literal unless they precede a quote,
// 2n backslashes + quote give n backslashes and toggle quoting, 2n+1 give n and a quote).
// The program name itself ends at the first blank outside quotes; backslashes in it are
// always literal.
QStringList splitWindowsCommandLine(const QString& commandLine);

// The native program to run for a program named in a Windows command line:
//  - a name with a folder is converted with nativePath(); an existing file runs as it is,
//    "X.exe" runs "X" when "X.exe" is missing, "X.bat" runs "X.sh";
//  - a name without a folder is looked for as Windows does: the program folder, the
//    current folder, then PATH (with the same .exe/.bat mapping).
// Returns an empty text when nothing runnable is found.
QString resolveProgram(const QString& program);

struct ResolvedCommand {
    QString program;         // native path of the program to run, empty when not found
    QStringList arguments;   // the arguments, split by the Windows rules
};

// Splits and resolves a whole command line. An unquoted program name that contains blanks
// is tried as Windows tries it: the shortest prefix ending at a blank that names a
// program wins.
ResolvedCommand resolveCommandLine(const QString& commandLine);

} // namespace platform
