// The postal-code search over the whole dictionary as the user waits for it (connection
// recipe, statement, result grid filled), against the sqlite3 shell running the same
// statement on the same database file in the same run:
//   contains: Search, 名称 like '%…%' (a scan of every address)
//   prefix:   SearchAdd, YuubinNo like '…%'

#include "benchinstall.h"
#include "db/cT_ADODB.h"
#include "db/provider.h"
#include "db/tsqlscript.h"
#include "lookup/frmSearchAdd.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "postaldictionary.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

QString gDatabaseFile;
int gRows = 0;

bool makeInstallation(const QString& folder, const QString& postalDir)
{
    if (!makeBenchInstallation(folder))
        return false;
    std::vector<postal::Entry> entries;
    QString error;
    cT_ADODB db;
    db.iInit(QStringLiteral("Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=MIRANE45"));
    if (!postal::readDictionary(postalDir, &entries, &error) || db.iConnect() != 0 ||
        !postal::loadDictionary(db, entries, &error)) {
        std::fputs(error.toLocal8Bit().constData(), stderr);
        return false;
    }
    gRows = int(entries.size());
    gDatabaseFile = db::embeddedDatabaseFile(QStringLiteral("PC01\\MIRANE"), QStringLiteral("MIRANE45"));
    return true;
}

// The search of the dialog, as the user starts it with F4.
void search(benchmark::State& state, short mode, const QString& text)
{
    frmSearchAdd dialog;
    dialog.iYmode = mode;
    dialog.txtAdd()->setText(text);
    dialog.show(); // the load: the dictionary's columns are looked at once
    int rows = 0;
    for (auto _ : state) {
        if (mode == 0)
            dialog.SearchAdd();
        else
            dialog.Search();
        rows = dialog.findChild<QTableView*>(QStringLiteral("fpSpread01"))->model()->rowCount();
    }
    state.counters["rows"] = rows;
}

// The sqlite3 shell: one process per search, the rows written to a pipe and read.
void shell(benchmark::State& state, const QString& sql)
{
    qsizetype bytes = 0;
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {gDatabaseFile, sql});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("sqlite3 failed");
            break;
        }
        bytes = p.readAllStandardOutput().size();
    }
    state.counters["bytes"] = double(bytes);
}

const QString kContains = QStringLiteral("千代田");
const QString kPrefix = QStringLiteral("100");

void BM_Contains_TopMenu(benchmark::State& state)
{
    search(state, 1, kContains);
}
void BM_Contains_Sqlite3Shell(benchmark::State& state)
{
    shell(state, db::embeddedDialect(frmSearchAdd::searchSql(kContains, true, true)));
}
void BM_Prefix_TopMenu(benchmark::State& state)
{
    search(state, 0, kPrefix);
}
void BM_Prefix_Sqlite3Shell(benchmark::State& state)
{
    shell(state, db::embeddedDialect(frmSearchAdd::searchAddSql(kPrefix, true, true)));
}
BENCHMARK(BM_Contains_TopMenu)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contains_Sqlite3Shell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prefix_TopMenu)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prefix_Sqlite3Shell)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::installSystemRuntime();
    const QByteArray env = qgetenv("TOPMENU_POSTAL_DIR");
    const QString postalDir = env.isEmpty()
                                  ? QStringLiteral(TOPMENU_SOURCE_DIR "/.cache/jquery-jpostal-ja/json")
                                  : QString::fromLocal8Bit(env);
    QTemporaryDir folder;
    if (!folder.isValid() || !makeInstallation(folder.path(), postalDir)) {
        std::fputs("lookup_bench: could not lay out the installation with the postal dictionary\n", stderr);
        return 1;
    }
    std::printf("postal dictionary: %d rows in %s\n", gRows, gDatabaseFile.toLocal8Bit().constData());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
