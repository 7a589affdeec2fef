// Deleting a base: the 66-table batch of iAllTblDelete, as the maintenance window runs it
// (read adodb.ini, connect, one transaction, disconnect), on a database of 1,000 bases and
// about 2 million rows over the 66 per-base tables. Measured against the sqlite3 shell
// running the same batch in one transaction on a copy of the same file, in the same run.

#include "bases/kyoten.h"
#include "benchinstall.h"
#include "db/cT_ADODB.h"
#include "db/tsqlscript.h"
#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace
{

constexpr int kBases = 1000;
constexpr int kRowsPerBase = 2030; // spread over the 65 tables besides KYOTEN (one in CORP_SUB)
constexpr int kIterations = 100;
constexpr int kRepetitions = 3;

QString gDatabase; // the file the program deletes from
QString gCopy;     // the shell's copy
std::vector<double> gProgramMs;
std::vector<double> gShellMs;
long long gRows = 0;

class ConsoleBoxes : public platform::MessageBoxes
{
public:
    platform::MsgAnswer show(const QString& text, const QString&, platform::MsgIcon,
                             platform::MsgButtons) override
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return platform::MsgAnswer::Ok;
    }
};

short baseCd(int i)
{
    return short(1 + i % 47);
}
short baseEb(int i)
{
    return short(1 + i / 47);
}

bool check(int rc, sqlite3* db, const char* what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    return false;
}

// Fills every per-base table with rows of every base: each column gets a value of its type
// (numbers counting up, so keys stay unique; texts; dates).
bool fillRows(const QString& file)
{
    sqlite3* db = nullptr;
    if (!check(sqlite3_open(file.toUtf8().constData(), &db), db, "open"))
        return false;
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    const QStringList tables = perBaseTables();
    const int perTable = kRowsPerBase / (tables.size() - 1);
    int extra = kRowsPerBase - perTable * (tables.size() - 1);
    bool ok = true;
    for (const QString& table : tables) {
        if (table == QLatin1String("KYOTEN"))
            continue;
        struct Column {
            QString name;
            QString type;
            bool key;
        };
        std::vector<Column> columns;
        sqlite3_stmt* info = nullptr;
        const QByteArray pragma = ("PRAGMA table_info([" + table + "])").toUtf8();
        sqlite3_prepare_v2(db, pragma.constData(), -1, &info, nullptr);
        while (sqlite3_step(info) == SQLITE_ROW)
            columns.push_back(
                {QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1))),
                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 2))).toUpper(),
                 sqlite3_column_int(info, 5) > 0});
        sqlite3_finalize(info);
        QStringList names, marks;
        for (const Column& c : columns) {
            names << "[" + c.name + "]";
            marks << "?";
        }
        const QByteArray insert =
            ("INSERT INTO [" + table + "] (" + names.join(',') + ") VALUES (" + marks.join(',') + ")")
                .toUtf8();
        sqlite3_stmt* st = nullptr;
        if (!check(sqlite3_prepare_v2(db, insert.constData(), -1, &st, nullptr), db, insert.constData())) {
            ok = false;
            break;
        }
        // A table keyed by the base alone holds one row a base; the others share the rest.
        const bool oneRow =
            std::none_of(columns.begin(), columns.end(),
                         [](const Column& c) {
                             return c.key && c.name != QLatin1String("iKyotenCd") &&
                                    c.name != QLatin1String("iKyotenEb");
                         }) &&
            std::any_of(columns.begin(), columns.end(), [](const Column& c) { return c.key; });
        int rows = oneRow ? 1 : perTable + (extra > 0 ? 1 : 0);
        if (!oneRow && extra > 0)
            --extra;
        for (int b = 0; b < kBases && ok; ++b) {
            for (int r = 0; r < rows && ok; ++r) {
                for (int c = 0; c < int(columns.size()); ++c) {
                    const Column& col = columns[size_t(c)];
                    if (col.name == QLatin1String("iKyotenCd"))
                        sqlite3_bind_int(st, c + 1, baseCd(b));
                    else if (col.name == QLatin1String("iKyotenEb"))
                        sqlite3_bind_int(st, c + 1, baseEb(b));
                    else if (col.type.contains("CHAR"))
                        sqlite3_bind_text(st, c + 1, "テキスト項目の値", -1, SQLITE_STATIC);
                    else if (col.type.contains("DATE"))
                        sqlite3_bind_text(st, c + 1, "2024-04-01 09:00:00.000", -1, SQLITE_STATIC);
                    else
                        sqlite3_bind_int(st, c + 1, 20240000 + r);
                }
                ok = check(sqlite3_step(st), db, "insert");
                ++gRows;
                sqlite3_reset(st);
            }
        }
        sqlite3_finalize(st);
        if (!ok)
            break;
    }
    // The bases themselves.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO KYOTEN VALUES (?, ?, 0, 'エリア', ?, '', 0, '', 0, '', 1)", -1, &st,
                       nullptr);
    for (int b = 0; b < kBases && ok; ++b) {
        sqlite3_bind_int(st, 1, baseCd(b));
        sqlite3_bind_int(st, 2, baseEb(b));
        const QByteArray name = QStringLiteral("拠点%1").arg(b).toUtf8();
        sqlite3_bind_text(st, 3, name.constData(), -1, SQLITE_TRANSIENT);
        ok = check(sqlite3_step(st), db, "kyoten");
        ++gRows;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && check(sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
                     db, "commit");
    sqlite3_close(db);
    return ok;
}

bool makeInstallation(const QString& folder)
{
    if (!makeBenchInstallation(folder))
        return false;
    gDatabase = folder + QStringLiteral("/SQLDATA/PC01_MIRANE/MIRANE45.db");
    QElapsedTimer timer;
    timer.start();
    if (!fillRows(gDatabase))
        return false;
    gCopy = folder + QStringLiteral("/shell-copy.db");
    if (!QFile::copy(gDatabase, gCopy))
        return false;
    std::fprintf(stderr, "database of %d bases and %d rows made in %.1f s\n", kBases,
                 kBases * (kRowsPerBase + 1), timer.elapsed() / 1000.0);
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_KyotenDelete(benchmark::State& state)
{
    static int next = 0;
    for (auto _ : state) {
        const int b = next++ % kBases;
        ::state().gtKyoten.iKyotenCd = baseCd(b);
        ::state().gtKyoten.iKyotenEb = baseEb(b);
        QElapsedTimer t;
        t.start();
        if (iAllTblDelete() != 0) {
            state.SkipWithError("delete failed");
            break;
        }
        gProgramMs.push_back(t.nsecsElapsed() / 1e6);
    }
}
BENCHMARK(BM_KyotenDelete)->Unit(benchmark::kMillisecond)->Iterations(kIterations)->Repetitions(kRepetitions);

// The same batch on a connection opened beforehand: what the statements themselves cost,
// without reading adodb.ini and opening the database file.
void BM_KyotenDeleteOnOpenConnection(benchmark::State& state)
{
    static int next = kBases / 2;
    cT_ADODB db;
    db.iInit(
        QStringLiteral("Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=MIRANE45;uid=sa;pwd=mtr4827"));
    if (db.iConnect() != 0) {
        state.SkipWithError("connection failed");
        return;
    }
    for (auto _ : state) {
        const int b = next++ % kBases;
        if (db.iBeginTrans() != 0 || db.iExecSQL(allTblDeleteSql(baseCd(b), baseEb(b))) != 0 ||
            db.iCommitTrans() != 0) {
            state.SkipWithError("delete failed");
            break;
        }
    }
    db.iDisConnect();
}
BENCHMARK(BM_KyotenDeleteOnOpenConnection)->Unit(benchmark::kMillisecond)->Iterations(kIterations);

void BM_SqliteShellDelete(benchmark::State& state)
{
    static int next = 0;
    for (auto _ : state) {
        const int b = next++ % kBases;
        const QByteArray batch =
            ("BEGIN IMMEDIATE;\n" + allTblDeleteSql(baseCd(b), baseEb(b)) + "\nCOMMIT;\n").toUtf8();
        QElapsedTimer t;
        t.start();
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {gCopy});
        shell.write(batch);
        shell.closeWriteChannel();
        if (!shell.waitForFinished(60000) || shell.exitCode() != 0) {
            state.SkipWithError("sqlite3 failed");
            break;
        }
        gShellMs.push_back(t.nsecsElapsed() / 1e6);
    }
}
BENCHMARK(BM_SqliteShellDelete)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kIterations)
    ->Repetitions(kRepetitions);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ConsoleBoxes boxes;
    platform::runtime().messages = &boxes;
    QTemporaryDir folder;
    if (!folder.isValid() || !makeInstallation(folder.path()))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double program = median(gProgramMs);
    const double shell = median(gShellMs);
    std::printf("median delete of one base: TopMenu %.2f ms, sqlite3 shell %.2f ms, ratio %.2f\n", program,
                shell, shell > 0 ? program / shell : 0.0);
    return 0;
}
