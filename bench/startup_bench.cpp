// What the user waits for at start: from starting TopMenu until the launcher window is
// ready, on an installation with 1,000 bases and a restored log-in, measured against a bare
// Qt program that only opens an empty window. Both programs run in the same benchmark run;
// at the end the medians and their ratio are printed.
//
// Needs TopMenu and bare_window built beside this program.

#include "db/cT_ADODB.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace
{

constexpr int kBases = 1000;
const QString kServer = QStringLiteral("PC01\\MIRANE");

QString sourceDir()
{
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/..");
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

// The demo installation with its bases replaced by 1,000 and admin still logged in.
class Installation
{
public:
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
              QStringLiteral("[kyotenCd]= 13\r\n[Index]= 500\r\n[DB]= 0\r\n[LastLoginUser]=admin\r\n"));
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
        for (int i = 0; ok && i < kBases; ++i) {
            const int code = 1 + i / 25;
            const int branch = 1 + i % 25;
            ok = db.iExecSQL(QStringLiteral(
                                 "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, iType, cAreaName, cKyotenName, "
                                 "cComment, iLoginID, cLoginPass, iAdminID, cAdminPass, iUsedFlg) VALUES "
                                 "(%1, %2, 0, '%3', '%3第%2事業所', '', 0, '', 0, '', %4)")
                                 .arg(code)
                                 .arg(branch)
                                 .arg(gsPrefName()[size_t(code)])
                                 .arg(i % 10 == 9 ? 9 : 1 + i % 3)) == 0;
        }
        ok = ok && db.iCommitTrans() == 0;
        db.iDisConnect();
        return ok;
    }

    QTemporaryDir dir_;
};

Installation* installation = nullptr;
// Seconds per run of each program, over all repetitions.
std::vector<double> topMenuSamples;
std::vector<double> bareSamples;

// Wall time of one run of the program until it ends; negative when it failed.
double runOnce(const QString& program, const QString& folder, bool benchReady)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (benchReady)
        env.insert(QStringLiteral("TOPMENU_BENCH_READY"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    p.start(program, {});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

void measure(benchmark::State& state, const QString& program, const QString& folder, bool benchReady,
             std::vector<double>* samples)
{
    for (auto _ : state) {
        const double seconds = runOnce(program, folder, benchReady);
        if (seconds < 0) {
            state.SkipWithError("the program did not end normally");
            return;
        }
        samples->push_back(seconds);
        state.SetIterationTime(seconds);
    }
}

void BM_TopMenuStartup(benchmark::State& state)
{
    measure(state, installation->file(QStringLiteral("TopMenu")), installation->file(QString()), true,
            &topMenuSamples);
}

void BM_BareWindow(benchmark::State& state)
{
    measure(state, binDir() + QStringLiteral("/bare_window"), binDir(), false, &bareSamples);
}

BENCHMARK(BM_TopMenuStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);
BENCHMARK(BM_BareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();
    Installation inst;
    QString error;
    if (!inst.build(&error)) {
        std::fprintf(stderr, "startup_bench: %s\n", qPrintable(error));
        return 1;
    }
    installation = &inst;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double topMenu = median(topMenuSamples);
    const double bare = median(bareSamples);
    if (topMenu > 0 && bare > 0) {
        std::printf("median start-up: TopMenu %.1f ms, bare window %.1f ms, ratio %.2f\n", topMenu * 1000,
                    bare * 1000, topMenu / bare);
    }
    return 0;
}
