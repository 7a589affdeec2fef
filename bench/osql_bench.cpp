// The osql stand-in running one query, whole process (start, the query, the log, the end),
// against the sqlite3 shell running the same query on the same database file. The two run
// alternately, run by run; the benchmark reports osql's time, the shell's, and both peak
// memories, and at the end the medians and their ratios are printed.
//
// Needs osql built beside this program and the sqlite3 shell on PATH.

#include "spawn.h"

#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace
{

const QString kQuery =
    QStringLiteral("SELECT cKyotenName FROM KYOTEN WHERE iKyotenCd = 13 AND iKyotenEb = 1");

QTemporaryDir* folder = nullptr;
QString sqliteShell;
std::vector<double> osqlSeconds, osqlPeak, shellSeconds, shellPeak;

bool runInstallationScript(const QString& name)
{
    QFile f(QStringLiteral(TOPMENU_SOURCE_DIR "/installation/") + name);
    return f.open(QIODevice::ReadOnly) &&
           db::runScript(QString::fromUtf8(f.readAll()), QStringLiteral("PC01\\MIRANE")).failed == 0;
}

void BM_OneQuery(benchmark::State& state)
{
    const QString dir = folder->path();
    const auto osql = [&] {
        return bench::runProgram(dir + QStringLiteral("/osql"),
                                 {QStringLiteral("-S"), QStringLiteral("PC01\\MIRANE"), QStringLiteral("-E"),
                                  QStringLiteral("-i"), QStringLiteral("query.sql"), QStringLiteral("-o"),
                                  QStringLiteral("query.log")},
                                 dir);
    };
    const auto shell = [&] {
        return bench::runProgram(sqliteShell,
                                 {dir + QStringLiteral("/SQLDATA/PC01_MIRANE/MIRANE45.db"), kQuery}, dir);
    };
    int turn = 0;
    for (auto _ : state) {
        bench::Run run;
        bench::Run other;
        if (!bench::runInTurns(turn++, osql, shell, &run, &other)) {
            state.SkipWithError("a program did not end normally");
            return;
        }
        state.SetIterationTime(run.seconds);
        osqlSeconds.push_back(run.seconds);
        osqlPeak.push_back(run.peakMiB);
        shellSeconds.push_back(other.seconds);
        shellPeak.push_back(other.peakMiB);
    }
    state.counters["sqlite3_ms"] = bench::median(shellSeconds) * 1000;
    state.counters["ratio"] = bench::median(osqlSeconds) / bench::median(shellSeconds);
    state.counters["peak_MiB"] = bench::median(osqlPeak);
    state.counters["sqlite3_peak_MiB"] = bench::median(shellPeak);
    state.counters["peak_ratio"] = bench::median(osqlPeak) / bench::median(shellPeak);
}

BENCHMARK(BM_OneQuery)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();
    QTemporaryDir dir;
    sqliteShell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    platform::runtime().gsAppPath = dir.path();
    if (sqliteShell.isEmpty() ||
        !QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/osql"),
                     dir.filePath(QStringLiteral("osql"))) ||
        !runInstallationScript(QStringLiteral("attach.SQL")) ||
        !runInstallationScript(QStringLiteral("demo.SQL")) ||
        !textfile::write(dir.filePath(QStringLiteral("query.sql")),
                         QStringLiteral("USE MIRANE45\r\nGO\r\n") + kQuery + QStringLiteral("\r\nGO\r\n"))) {
        std::fprintf(stderr, "osql_bench: osql beside the benchmark, the sqlite3 shell and the installation "
                             "scripts are needed\n");
        return 1;
    }
    folder = &dir;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!osqlSeconds.empty())
        std::printf(
            "one query, whole process: osql %.1f ms against sqlite3 %.1f ms (%.2fx); peak memory %.1f MiB "
            "against %.1f MiB (%.2fx); medians of %zu alternating runs\n",
            bench::median(osqlSeconds) * 1000, bench::median(shellSeconds) * 1000,
            bench::median(osqlSeconds) / bench::median(shellSeconds), bench::median(osqlPeak),
            bench::median(shellPeak), bench::median(osqlPeak) / bench::median(shellPeak), osqlSeconds.size());
    return 0;
}
