// What a user waits for on every database step: the connection recipe (read adodb.ini,
// connect, one indexed query on KYOTEN by its key, disconnect) on a database of 1,000 bases.

#include "db/recipe.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/fieldvalue.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

constexpr int kAreas = 40;
constexpr int kBasesPerArea = 25;

bool makeInstallation(const QString& folder)
{
    platform::runtime().gsAppPath = folder;
    if (!textfile::write(folder + QStringLiteral("/adodb.ini"),
                         QStringLiteral("[接続情報]\r\n接続情報=Provider=SQLOLEDB;Data Source=PC01\\MIRANE;"
                                        "Database=MIRANE45;uid=sa;pwd=mtr4827\r\n")))
        return false;
    QString script =
        QStringLiteral("CREATE DATABASE MIRANE45\nGO\nUSE MIRANE45\nGO\n"
                       "CREATE TABLE KYOTEN (iKyotenCd SMALLINT NOT NULL, iKyotenEb SMALLINT NOT NULL,"
                       " iType SMALLINT, cAreaName NVARCHAR(255), cKyotenName NVARCHAR(255),"
                       " cComment NVARCHAR(1000), iLoginID SMALLINT, cLoginPass NVARCHAR(255),"
                       " iAdminID SMALLINT, cAdminPass NVARCHAR(255), iUsedFlg SMALLINT);\n"
                       "CREATE INDEX IX_KYOTEN_KYOTEN ON KYOTEN (iKyotenCd, iKyotenEb);\nGO\n"
                       "BEGIN;\n");
    for (int cd = 1; cd <= kAreas; ++cd)
        for (int eb = 1; eb <= kBasesPerArea; ++eb)
            script += QStringLiteral(
                          "INSERT INTO KYOTEN VALUES (%1, %2, 1, 'エリア%1', '拠点%1-%2', '', %2, 'pass',"
                          " 1, 'admin', 0);\n")
                          .arg(cd)
                          .arg(eb);
    script += QStringLiteral("COMMIT;\n");
    const db::ScriptResult r = db::runScript(script, QStringLiteral("PC01\\MIRANE"));
    if (r.failed != 0)
        std::fputs(r.log.join(u'\n').toLocal8Bit().constData(), stderr);
    return r.failed == 0;
}

void BM_RecipeIndexedKyotenRead(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        const int cd = 1 + n % kAreas;
        const int eb = 1 + (n / kAreas) % kBasesPerArea;
        ++n;
        auto db = openConnection(QStringLiteral("iKyotenBench() でエラー"));
        if (!db) {
            state.SkipWithError("connection failed");
            break;
        }
        Recordset rs;
        if (db->iOpenRecSet(rs, QStringLiteral(" SELECT * FROM KYOTEN WHERE KYOTEN.iKyotenCd = %1"
                                               " AND KYOTEN.iKyotenEb = %2")
                                    .arg(cd)
                                    .arg(eb)) != 0) {
            state.SkipWithError("query failed");
            break;
        }
        for (; !rs.eof(); rs.moveNext()) {
            benchmark::DoNotOptimize(nNullToLong(rs.field(QStringLiteral("iKyotenCd"))));
            benchmark::DoNotOptimize(csNullToStr(rs.field(QStringLiteral("cKyotenName"))));
        }
        rs.close();
        db->iDisConnect();
    }
}
BENCHMARK(BM_RecipeIndexedKyotenRead)->Unit(benchmark::kMicrosecond);

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
    return 0;
}
