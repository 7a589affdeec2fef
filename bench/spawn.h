#pragma once

// One whole run of a program for the start-up benchmarks: wall time from start to end and
// the program's peak resident memory, as the kernel accounts them for that one process.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench
{

struct Run {
    bool ok = false;    // started and ended with exit code 0
    double seconds = 0; // from start until the process ended
    double peakMiB = 0; // peak resident memory of the process
};

// Runs program with args in folder, with extra "NAME=value" environment entries, standard
// output and error to /dev/null.
inline Run runProgram(const QString& program, const QStringList& args, const QString& folder,
                      const QStringList& extraEnvironment = {})
{
    // Everything the child needs is built before the fork.
    QList<QByteArray> argBytes{program.toLocal8Bit()};
    for (const QString& a : args)
        argBytes << a.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QList<QByteArray> envBytes;
    for (const QString& e : extraEnvironment)
        envBytes << e.toLocal8Bit();
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        bool replaced = false;
        for (const QByteArray& extra : envBytes)
            replaced = replaced || QByteArray(*e).startsWith(extra.left(extra.indexOf('=') + 1));
        if (!replaced)
            envp.push_back(*e);
    }
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray dir = folder.toLocal8Bit();

    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        return run;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::chdir(dir.constData()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = double(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// One run of the measured program and one of its yardstick, in an order that swaps from one
// iteration to the next (the yardstick first on even ones), so that the machine's noise
// falls on both alike. False when either did not end normally.
template <class Measured, class Yardstick>
bool runInTurns(int iteration, Measured measured, Yardstick yardstick, Run* run, Run* yard)
{
    if (iteration % 2 == 0)
        *yard = yardstick();
    *run = measured();
    if (iteration % 2 != 0)
        *yard = yardstick();
    return run->ok && yard->ok;
}

// The median of the samples (the mean of the middle two for an even count); 0 for none.
inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace bench
