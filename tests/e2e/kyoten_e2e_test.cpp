#include "e2e.h"

#include <QDirIterator>

namespace
{

QStringList allFiles(const TestInstallation& inst)
{
    QStringList files;
    QDirIterator it(inst.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(inst.path()).relativeFilePath(it.next());
    return files;
}

const char* const kServer = "DEMO\\MIRANE";

// Logs in as admin, replays the steps and leaves through the exit button; no step failed.
void runAsAdmin(const TestInstallation& inst, const QString& steps)
{
    SCOPED_TRACE(steps.toStdString());
    ASSERT_EQ(runTopMenu(inst, "set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;" + steps +
                                   ";answer:Yes;click:cmdExit"),
              0);
    const QString output = inst.readText("TopMenu.out");
    EXPECT_FALSE(output.contains("automation:")) << output.toStdString();
}

} // namespace

// The demo installation as ./run lays it out: an administrator adds a base through the base
// list's pop-up, renames it, and deletes it, each in a run of its own; nothing of TopMenu's
// own is left behind.
TEST(KyotenEndToEnd, AddRenameAndDeleteABase)
{
    TestInstallation inst;
    makeDemo(inst);
    const QStringList shipped = allFiles(inst);
    const QString row =
        "SELECT cAreaName || '|' || cKyotenName || '|' || iUsedFlg FROM KYOTEN WHERE iKyotenCd = 13 "
        "AND iKyotenEb = 4";

    runAsAdmin(inst, "popup:ListView1=-1;click:popMenu01;set:cmbChiku=東京;set:imKyotenName=池袋店;"
                     "set:cmbMin=20;answer:Yes;click:btnAdd");
    EXPECT_EQ(inst.scalar(row, kServer), "東京|池袋店|1");

    // The new base is the fifth icon (bases in code and branch order).
    runAsAdmin(inst, "popup:ListView1=4;click:popMenu02;set:imKyotenName=池袋東口店;click:optUmFlg_3;"
                     "answer:Ok;click:btnRegist");
    EXPECT_EQ(inst.scalar(row, kServer), "東京|池袋東口店|3");

    runAsAdmin(inst, "popup:ListView1=4;click:popMenu02;click:btnDel;answer:Ok;click:Command1");
    EXPECT_FALSE(inst.exists("Massage1304.ini"));
    EXPECT_FALSE(inst.exists("DATA/Data1304"));
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0", kServer), "5");

    // Three whole runs with INI writes, a base made and deleted: no file of TopMenu's own
    // (locks, temporaries) stays in the program folder or a data folder.
    QStringList added;
    for (const QString& file : allFiles(inst)) {
        const bool suites = file == "AreaSelect.ini" || file.startsWith("SQLDATA/") || file.endsWith(".log");
        if (!shipped.contains(file) && !suites && file != "TopMenu.out")
            added << file;
    }
    EXPECT_EQ(added, QStringList());
}
