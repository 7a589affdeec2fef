// What the new customer waits for at the end of the first-time setup: the save of a large
// office, 1,000 practitioners and 10,000 users, with the office row, its defaults and the
// year's holidays, on the embedded database built by the installation's schema script.

#include "benchinstall.h"
#include "db/recipe.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "setup/setupsave.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

bool makeInstallation(const QString& folder)
{
    QDir(folder).mkpath(QStringLiteral("DATA/Data0101"));
    return makeBenchInstallation(folder);
}

void fillSetupData()
{
    State& st = state();
    st.gtKyoten.iKyotenCd = 1;
    st.gtKyoten.iKyotenEb = 1;
    tSetupData& d = st.gtSetupData;
    d.companyName = QStringLiteral("札幌治療院");
    d.postalCode = QStringLiteral("0600001");
    d.address = QStringLiteral("北海道札幌市中央区北一条西");
    d.holidayRule = 1;
    d.staff.clear();
    d.users.clear();
    for (int i = 1; i <= 1000; ++i)
        d.staff.push_back({double(i), QStringLiteral("施術者 %1").arg(i)});
    for (int i = 1; i <= 10000; ++i)
        d.users.push_back({double(i), QStringLiteral("利用者 %1").arg(i)});
    d.staffCount = qint32(d.staff.size());
    d.userCount = qint32(d.users.size());
}

bool clearBase()
{
    auto db = openConnection(QStringLiteral("clearBase() でエラー"));
    if (!db)
        return false;
    bool ok = true;
    for (const char* table : {"CORP", "CORP_SUB", "STAFF", "RIYOUSHA", "HOLIDAY"})
        ok = ok && db->iExecSQL(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))) == 0;
    db->iDisConnect();
    return ok;
}

void BM_SetupSave1000Staff10000Users(benchmark::State& bs)
{
    QTemporaryDir dir;
    if (!makeInstallation(dir.path())) {
        bs.SkipWithError("installation failed");
        return;
    }
    fillSetupData();
    for (auto _ : bs) {
        bs.PauseTiming();
        if (!clearBase()) {
            bs.SkipWithError("clean-up failed");
            break;
        }
        bs.ResumeTiming();
        if (!saveSetupData()) {
            bs.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_SetupSave1000Staff10000Users)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
