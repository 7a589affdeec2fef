// What a user waits for on every database step: the connection recipe (read adodb.ini,
// connect, one indexed query on KYOTEN by its key, disconnect) on the suite's own schema
// (installation/attach.SQL, every table and index) with 1,000 bases. The same query on a
// connection that stays open is the yardstick: what the recipe adds on top of the query.

#include "benchinstall.h"
#include "db/provider.h"
#include "db/recipe.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/fieldvalue.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

constexpr int kAreas = 40;
constexpr int kBasesPerArea = 25;

bool makeInstallation(const QString& folder)
{
    // Bases 1 to 25 of the first 40 areas; the schema already holds each area's own row.
    QString script = QStringLiteral("BEGIN;\n");
    for (int cd = 1; cd <= kAreas; ++cd)
        for (int eb = 1; eb <= kBasesPerArea; ++eb)
            script += QStringLiteral(
                          "INSERT INTO KYOTEN VALUES (%1, %2, 1, 'エリア%1', '拠点%1-%2', '', %2, 'pass',"
                          " 1, 'admin', 0);\n")
                          .arg(cd)
                          .arg(eb);
    script += QStringLiteral("COMMIT;\n");
    return makeBenchInstallation(folder, script);
}

QString kyotenQuery(int n)
{
    const int cd = 1 + n % kAreas;
    const int eb = 1 + (n / kAreas) % kBasesPerArea;
    return QStringLiteral(" SELECT * FROM KYOTEN WHERE KYOTEN.iKyotenCd = %1 AND KYOTEN.iKyotenEb = %2")
        .arg(cd)
        .arg(eb);
}

// Reads the row as the procedures do: by column name, through the null-safe conversions.
bool readKyoten(benchmark::State& state, cT_ADODB& db, int n)
{
    Recordset rs;
    if (db.iOpenRecSet(rs, kyotenQuery(n)) != 0) {
        state.SkipWithError("query failed");
        return false;
    }
    for (; !rs.eof(); rs.moveNext()) {
        benchmark::DoNotOptimize(nNullToLong(rs.field(QStringLiteral("iKyotenCd"))));
        benchmark::DoNotOptimize(csNullToStr(rs.field(QStringLiteral("cKyotenName"))));
    }
    rs.close();
    return true;
}

void BM_RecipeIndexedKyotenRead(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        auto db = openConnection(QStringLiteral("iKyotenBench() でエラー"));
        if (!db) {
            state.SkipWithError("connection failed");
            break;
        }
        if (!readKyoten(state, *db, n++))
            break;
        db->iDisConnect();
    }
    const db::EmbeddedPoolStats pool = db::embeddedPoolStats();
    state.counters["handles_opened"] = double(pool.opened);
}
BENCHMARK(BM_RecipeIndexedKyotenRead)->Unit(benchmark::kMicrosecond);

// The yardstick: the query alone, on a connection that stays open.
void BM_QueryOnOpenConnection(benchmark::State& state)
{
    auto db = openConnection(QStringLiteral("iKyotenBench() でエラー"));
    if (!db) {
        state.SkipWithError("connection failed");
        return;
    }
    int n = 0;
    for (auto _ : state)
        if (!readKyoten(state, *db, n++))
            break;
}
BENCHMARK(BM_QueryOnOpenConnection)->Unit(benchmark::kMicrosecond);

// The parts of the recipe on their own: reading adodb.ini, and a connection opened on a kept
// handle and closed again.
void BM_ReadConnectionString(benchmark::State& state)
{
    QString text, error;
    for (auto _ : state)
        benchmark::DoNotOptimize(readConnectionString(&text, &error));
}
BENCHMARK(BM_ReadConnectionString)->Unit(benchmark::kMicrosecond);

void BM_ConnectAndDisconnect(benchmark::State& state)
{
    QString text, error;
    readConnectionString(&text, &error);
    for (auto _ : state) {
        cT_ADODB db;
        db.iInit(text);
        benchmark::DoNotOptimize(db.iConnect());
        db.iDisConnect();
    }
}
BENCHMARK(BM_ConnectAndDisconnect)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();
    QTemporaryDir folder;
    if (!folder.isValid() || !makeInstallation(folder.path())) {
        std::fputs("db_bench: could not lay out the temporary installation\n", stderr);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    db::closeIdleEmbeddedConnections();
    return 0;
}
