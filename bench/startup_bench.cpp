// What the user waits for at start: from starting TopMenu until the launcher window is
// ready, on installations with 100, 1,000 and 10,000 bases and a restored log-in, against
// the yardstick label_window (a bare Qt window showing one Japanese label, ending the way
// TopMenu's ready hook ends). TopMenu and the yardstick run alternately, run by run; each
// benchmark reports TopMenu's time, the yardstick's, and both peak memories, and at the end
// the medians and their ratios are printed.
//
// Needs TopMenu and label_window built beside this program (Release, build/bench).
// "startup_bench --keep <bases>" only lays out one installation, keeps it and prints its
// folder, for profiling TopMenu by hand (TOPMENU_BENCH_READY=1 ends it when ready).

#include "spawn.h"

#include "db/cT_ADODB.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace
{

const QString kServer = QStringLiteral("PC01\\MIRANE");

QString sourceDir()
{
    return QStringLiteral(TOPMENU_SOURCE_DIR);
}
QString binDir()
{
    return QCoreApplication::applicationDirPath();
}

bool runInstallationScript(const QString& name)
{
    QFile f(sourceDir() + QStringLiteral("/installation/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return db::runScript(QString::fromUtf8(f.readAll()), kServer).failed == 0;
}

// The demo installation with its bases replaced by the given number and admin still
// logged in.
class Installation
{
public:
    explicit Installation(int bases) : bases_(bases) {}

    bool build(QString* error)
    {
        if (!dir_.isValid())
            return fail(error, "no temporary folder");
        if (!QFile::copy(binDir() + QStringLiteral("/TopMenu"), file("TopMenu")))
            return fail(error, "TopMenu is not built beside the benchmark");
        platform::runtime().gsAppPath = dir_.path();
        if (!runInstallationScript(QStringLiteral("attach.SQL")) ||
            !runInstallationScript(QStringLiteral("demo.SQL")))
            return fail(error, "the installation scripts failed");
        if (!insertBases())
            return fail(error, "the bases could not be inserted");

        write("adodb.ini", QStringLiteral("[接続情報]\r\n接続情報=Provider=SQLOLEDB;Data Source=PC01\\MIRANE;"
                                          "Database=MIRANE45;uid=sa;pwd=mtr4827\r\n[資産管理情報]\r\n"
                                          "資源配布=C:\\KVX\\MASTER\r\n[監視時間msec]\r\nTime = 300000\r\n"));
        write("Massage.ini",
              QStringLiteral("[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wallpaper.jpg\r\n"
                             "WALLPAPER_TOP=top.jpg\r\n[システム]\r\nミラネタイプ=0\r\nFC機能=0\r\n"
                             "MENUCANCEL=0\r\n簡易メニュー=0\r\n"));
        write("QMAPKEY.ini", QStringLiteral("[キー情報]\r\nKeyNo=K-0001\r\nStatus=1\r\n"));
        write("AreaSelect.ini",
              QStringLiteral("[kyotenCd]= 13\r\n[Index]= %1\r\n[DB]= 0\r\n[LastLoginUser]=admin\r\n")
                  .arg(bases_ / 2));
        write("loginuser.kvx",
              QStringLiteral("[kyotenCd]=13\r\n[kyotenEb]=1\r\n[LoginId]=admin\r\n[LoginPass]=*****\r\n"
                             "[Name]=管理 一郎\r\n[NameKana]=カンリ イチロウ\r\n[AreaWord]=9999\r\n"
                             "[AccessLevel]=10\r\n[AccessName]=管理者\r\n[AccessJobNo]=11111\r\n[Kubun]=1\r\n"
                             "[MakeDate]=45383\r\n[LoginDate]=2024/04/01 9:00:00\r\n"));
        // Pictures as the suite delivers them: JPEG, the wallpaper in full-HD.
        QDir().mkpath(file("ICON"));
        if (!gradient(1920, 1080).save(file("ICON/wallpaper.jpg"), "JPEG", 90) ||
            !gradient(1280, 96).save(file("ICON/top.jpg"), "JPEG", 90))
            return fail(error, "the wallpapers could not be written");
        return true;
    }

    QString file(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    void keep() { dir_.setAutoRemove(false); }

private:
    static bool fail(QString* error, const char* text)
    {
        *error = QString::fromUtf8(text);
        return false;
    }

    static QImage gradient(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] =
                    qRgb(30 + 60 * x / width, 80 + 60 * y / height, 150 + 80 * (x + y) / (width + height));
        }
        return image;
    }

    void write(const char* name, const QString& text) const
    {
        textfile::write(file(QString::fromUtf8(name)), text);
    }

    bool insertBases() const
    {
        cT_ADODB db;
        db.iInit(QStringLiteral("Provider=SQLOLEDB;Data Source=") + kServer +
                 QStringLiteral(";Database=MIRANE45;uid=sa;pwd=mtr4827"));
        if (db.iConnect() != 0 || db.iBeginTrans() != 0)
            return false;
        bool ok = db.iExecSQL(QStringLiteral("DELETE FROM KYOTEN WHERE iKyotenEb <> 0")) == 0;
        for (int i = 0; ok && i < bases_; ++i) {
            const int code = 1 + i / 250;
            const int branch = 1 + i % 250;
            ok = db.iExecSQL(QStringLiteral(
                                 "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, iType, cAreaName, cKyotenName, "
                                 "cComment, iLoginID, cLoginPass, iAdminID, cAdminPass, iUsedFlg) VALUES "
                                 "(%1, %2, 0, '%3', '%3第%2事業所', '', 0, '', 0, '', %4)")
                                 .arg(code)
                                 .arg(branch)
                                 .arg(gsPrefName()[size_t(1 + (code - 1) % 47)])
                                 .arg(i % 10 == 9 ? 9 : 1 + i % 3)) == 0;
        }
        ok = ok && db.iCommitTrans() == 0;
        db.iDisConnect();
        return ok;
    }

    int bases_;
    QTemporaryDir dir_;
};

std::map<int, std::unique_ptr<Installation>> installations; // by number of bases

struct Samples {
    std::vector<double> seconds, peakMiB, yardSeconds, yardPeakMiB;
};
std::map<int, Samples> samples; // by number of bases

// One run of TopMenu and one of the yardstick per iteration, in turns that swap, so that the
// machine's noise falls on both alike.
void BM_StartUp(benchmark::State& state)
{
    const int bases = int(state.range(0));
    const Installation& inst = *installations.at(bases);
    Samples& s = samples[bases];
    const auto topMenu = [&] {
        return bench::runProgram(
            inst.file(QStringLiteral("TopMenu")), {}, inst.file(QString()),
            {QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("TOPMENU_BENCH_READY=1")});
    };
    const auto yardstick = [&] {
        return bench::runProgram(binDir() + QStringLiteral("/label_window"), {}, binDir(),
                                 {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
    };
    int turn = 0;
    for (auto _ : state) {
        bench::Run run;
        bench::Run yard;
        if (!bench::runInTurns(turn++, topMenu, yardstick, &run, &yard)) {
            state.SkipWithError("a program did not end normally");
            return;
        }
        state.SetIterationTime(run.seconds);
        s.seconds.push_back(run.seconds);
        s.peakMiB.push_back(run.peakMiB);
        s.yardSeconds.push_back(yard.seconds);
        s.yardPeakMiB.push_back(yard.peakMiB);
    }
    state.counters["yardstick_ms"] = bench::median(s.yardSeconds) * 1000;
    state.counters["ratio"] = bench::median(s.seconds) / bench::median(s.yardSeconds);
    state.counters["peak_MiB"] = bench::median(s.peakMiB);
    state.counters["yardstick_peak_MiB"] = bench::median(s.yardPeakMiB);
    state.counters["peak_ratio"] = bench::median(s.peakMiB) / bench::median(s.yardPeakMiB);
}

BENCHMARK(BM_StartUp)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();
    if (argc == 3 && QByteArray(argv[1]) == "--keep") {
        Installation inst(QByteArray(argv[2]).toInt());
        QString error;
        if (!inst.build(&error)) {
            std::fprintf(stderr, "startup_bench: %s\n", qPrintable(error));
            return 1;
        }
        inst.keep();
        std::printf("%s\n", qPrintable(inst.file(QString())));
        return 0;
    }
    for (const int bases : {100, 1000, 10000}) {
        auto inst = std::make_unique<Installation>(bases);
        QString error;
        if (!inst->build(&error)) {
            std::fprintf(stderr, "startup_bench: %s\n", qPrintable(error));
            return 1;
        }
        installations[bases] = std::move(inst);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    for (const auto& [bases, s] : samples) {
        if (s.seconds.empty())
            continue;
        std::printf("%5d bases: start to ready %.1f ms against %.1f ms (%.2fx); peak memory %.1f MiB against "
                    "%.1f MiB (%.2fx); medians of %zu alternating runs\n",
                    bases, bench::median(s.seconds) * 1000, bench::median(s.yardSeconds) * 1000,
                    bench::median(s.seconds) / bench::median(s.yardSeconds), bench::median(s.peakMiB),
                    bench::median(s.yardPeakMiB), bench::median(s.peakMiB) / bench::median(s.yardPeakMiB),
                    s.seconds.size());
    }
    return 0;
}
