// Base creation, base deletion and the setup wizard's save in a real child process that is
// killed at each of their steps, or held there while a second one runs; then the next start.

#include "../bases/basefixture.h"
#include "../setup/setupfixture.h"
#include "bases/baseadmin.h"
#include "launcher/firstsetup.h"
#include "setup/setupjournal.h"
#include "setup/setupsave.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// admin_child on the installation, killing itself at crashAt, or holding at pauseAt until go().
struct Child {
    Child(const TestInstallation& inst, const QStringList& args, const QString& crashAt = {},
          const QString& pauseAt = {})
        : pauseAt_(pauses_.filePath(pauseAt))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TOPMENU_CRASH_AT", crashAt);
        env.insert("TOPMENU_PAUSE_AT", pauseAt);
        env.insert("TOPMENU_PAUSE_DIR", pauses_.path());
        p_.setProcessEnvironment(env);
        p_.start(binDir() + "/admin_child", QStringList{inst.path()} + args);
    }
    bool held()
    {
        const QDeadlineTimer deadline(60000);
        while (!QFile::exists(pauseAt_ + ".reached") && !deadline.hasExpired() &&
               p_.state() != QProcess::NotRunning)
            QThread::msleep(5);
        return QFile::exists(pauseAt_ + ".reached");
    }
    void go() { QFile(pauseAt_ + ".go").open(QIODevice::WriteOnly); }
    // Its output, or "killed" when it died by its own hand.
    QString result()
    {
        if (!p_.waitForFinished(120000))
            return "hung";
        if (p_.exitStatus() == QProcess::CrashExit)
            return "killed";
        return QString::fromLocal8Bit(p_.readAllStandardOutput()).trimmed();
    }
    QTemporaryDir pauses_;
    QString pauseAt_;
    QProcess p_;
};

QString run(const TestInstallation& inst, const QStringList& args, const QString& crashAt = {})
{
    return Child(inst, args, crashAt).result();
}

// Entries named "~…" (the procedures' own) where base files are.
QStringList ownEntries(const TestInstallation& inst)
{
    QStringList found;
    for (const QString folder : {"", "DATA", "drive_c/KVX/MASTER/DATA"})
        for (const QString& e : QDir(inst.file(folder)).entryList({"~*"}, QDir::AllEntries | QDir::Hidden))
            found << folder + '/' + e;
    return found;
}

// A base of area 13 as the child makes it: row, area in use, settings file with its own keys,
// every template file and the schedule settings (their contents: the base creation's own tests),
// the copies in the distribution folder.
void expectWholeBase(const BaseInstallation& inst, int eb, const QString& name)
{
    const QString nnnn = QString("13%1").arg(eb, 2, 10, QChar('0'));
    const auto files = [&](const QString& folder) { return QDir(inst.file(folder)).entryList(QDir::Files); };
    EXPECT_EQ(inst.kyotenRow(13, eb), QString("13|%1|0|東京|%2||0||0||1").arg(eb).arg(name));
    EXPECT_EQ(inst.areaFlag(13), "1");
    const QString settings = "[環境]\r\n環境名=" + name +
                             "\r\n[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_DATA=\\DATA\\Data" + nnnn + "\r\n";
    EXPECT_EQ(inst.readText("Massage" + nnnn + ".ini"), settings);
    EXPECT_EQ(files("DATA/Data" + nnnn), QStringList({"予定設定.ini", "帳票Format.ini", "患者管理設定.ini"}));
    EXPECT_EQ(inst.readText("drive_c/KVX/MASTER/Massage" + nnnn + ".ini"), settings);
    EXPECT_EQ(files("drive_c/KVX/MASTER/DATA/Data" + nnnn), files("DATA/Data" + nnnn));
}

void expectNoBase(const BaseInstallation& inst, int eb)
{
    EXPECT_EQ(inst.kyotenRow(13, eb), "");
    EXPECT_FALSE(inst.exists(QString("Massage130%1.ini").arg(eb)));
    EXPECT_FALSE(inst.exists(QString("DATA/Data130%1").arg(eb)));
}

} // namespace

TEST(CrashSafety, CreationKilledAtEveryStepLeavesNoTraceOrTheWholeBase)
{
    for (const QString step :
         {"create.branch", "create.inserted", "create.folder", "create.copied", "create.schedule",
          "create.format", "create.aside", "create.marked", "create.folderPublished",
          "create.settingsPublished", "create.copiedBack", "create.committed", "create.done"}) {
        SCOPED_TRACE(step.toStdString());
        BaseInstallation inst;
        inst.addKyoten(13, 1, "本店");
        ASSERT_EQ(run(inst, {"create", "13", "新店", "copyback"}, step), "killed");
        const bool committed = !inst.kyotenRow(13, 2).isEmpty();
        EXPECT_EQ(committed, step == "create.committed" || step == "create.done");
        // Even before the next start, no settings file hands over the template's folder.
        if (inst.exists("Massage1302.ini"))
            EXPECT_TRUE(inst.readText("Massage1302.ini").contains("SYSTEM_DATA=\\DATA\\Data1302\r\n"));
        bases::vCleanLeftovers(); // the next start
        if (committed)
            expectWholeBase(inst, 2, "新店");
        else
            expectNoBase(inst, 2);
        EXPECT_EQ(ownEntries(inst), QStringList());
        // The next base takes nothing over.
        ASSERT_EQ(run(inst, {"create", "13", "次店", "copyback"}),
                  committed ? "created 13 3" : "created 13 2");
        expectWholeBase(inst, committed ? 3 : 2, "次店");
    }
}

TEST(CrashSafety, DeletionKilledAtEveryStepKeepsTheWholeBaseOrNothingOfIt)
{
    for (const QString step : {"delete.locked", "delete.aside", "delete.aside#2", "delete.rows",
                               "delete.committed", "delete.removed"}) {
        SCOPED_TRACE(step.toStdString());
        TwoBases inst;
        ASSERT_EQ(run(inst, {"delete", "13", "2"}, step), "killed");
        const int rows = inst.baseRowCount(13, 2);
        ASSERT_TRUE(rows == 0 || rows == 66) << rows;
        // A base made before the next start gets files of its own, never the deleted ones.
        ASSERT_EQ(run(inst, {"create", "13", "新店", "copyback"}), rows ? "created 13 3" : "created 13 2");
        expectWholeBase(inst, rows ? 3 : 2, "新店");
        bases::vCleanLeftovers(); // the next start
        EXPECT_EQ(inst.exists("DATA/Data1302/sub/memo.txt"), rows != 0);
        if (rows)
            EXPECT_EQ(inst.readText("Massage1302.ini"), "[環境]\r\n環境名=x\r\n");
        EXPECT_EQ(ownEntries(inst), QStringList());
        EXPECT_EQ(inst.baseRowCount(13, 1), 66);
    }
}

TEST(CrashSafety, AnUndoThatFailsIsReportedAndFinishedAtTheNextStart)
{
    BaseInstallation inst;
    Child a(inst, {"create", "13", "新店"}, {}, "create.folderPublished");
    ASSERT_TRUE(a.held());
    // The published folder cannot go again, and the settings file cannot be written.
    auto data = std::make_unique<Undeletable>(inst.file("DATA/Data1301"));
    auto folder = std::make_unique<Undeletable>(inst.path());
    if (!data->ok || !folder->ok)
        GTEST_SKIP() << "the file system cannot lock a folder";
    a.go();
    const QString result = a.result();
    folder.reset();
    data.reset();
    const QString marker = ownEntries(inst).value(0).mid(1);
    EXPECT_TRUE(marker.startsWith("~Massage1301.ini.13_1.") && marker.endsWith(".creating"));
    EXPECT_EQ(result, "failed 4 Error:設定ファイルに書き込めません。" + inst.path() + "\\Massage1301.ini|" +
                          inst.path() + "\\DATA\\Data1301\r\n" + inst.path() + "\\" + marker);
    EXPECT_EQ(inst.kyotenRow(13, 1), "");
    bases::vCleanLeftovers(); // the next start
    expectNoBase(inst, 1);
    EXPECT_EQ(ownEntries(inst), QStringList());
}

TEST(CrashSafety, SetupSaveKilledAtEveryStepIsFinishedAtTheNextStart)
{
    const auto stored = [](const SetupInstallation& inst) {
        QStringList rows;
        for (const QString sql :
             {"SELECT cShamei1 || cAddress1 || nLat || cYubinNo || COUNT(*) FROM CORP",
              "SELECT iReseptFixedDay || iChargeFixedDay || COUNT(*) FROM CORP_SUB",
              "SELECT group_concat(nIDNo || cName) FROM (SELECT * FROM STAFF ORDER BY nIDNo)",
              "SELECT group_concat(nIDNo || cName) FROM (SELECT * FROM RIYOUSHA ORDER BY nIDNo)",
              "SELECT COUNT(*) || MIN(nDate) || MAX(nDate) FROM HOLIDAY"})
            rows << inst.scalar(sql);
        return rows << inst.readText("DATA/Data0101/患者管理設定.ini") << inst.readText("QmapUser.ini");
    };
    QStringList expected; // of a save that was not interrupted
    {
        SetupInstallation inst;
        ASSERT_EQ(run(inst, {"save", "1", "1"}), "saved");
        expected = stored(inst);
        EXPECT_FALSE(QFile::exists(setupJournalPath()));
    }
    ASSERT_EQ(expected[2], "1施術者'1,2施術者'2,3施術者'3");

    for (const QString step : {"save.journal", "save.corp", "save.corpsub", "save.staff.row#2", "save.staff",
                               "save.riyousha.row#3", "save.riyousha", "save.holiday.row#20", "save.holiday",
                               "save.riyoushaIni", "save.qmap"}) {
        SCOPED_TRACE(step.toStdString());
        SetupInstallation inst;
        ASSERT_EQ(run(inst, {"save", "1", "1"}, step), "killed");
        // The next start asks; No asks again at the start after.
        inst.messages.answer(platform::MsgAnswer::No);
        offerToFinishSetup();
        offerToFinishSetup();
        ASSERT_EQ(inst.messages.shown.size(), 3u);
        EXPECT_EQ(
            inst.messages.shown[1].text,
            "前回の初期データ設定の保存が完了していません。\r\n事業所：札幌\r\n\r\n保存を完了しますか？\r\n"
            "（「いいえ」の場合は次回の起動時にもう一度確認します）");
        EXPECT_EQ(inst.messages.shown[2].text, "初期データ設定の保存が完了しました。");
        EXPECT_EQ(stored(inst), expected);
        EXPECT_FALSE(QFile::exists(setupJournalPath()));
    }

    SetupInstallation inst;
    // A launcher of this machine that is saving now is left alone.
    Child saving(inst, {"save", "1", "1"}, {}, "save.journal");
    ASSERT_TRUE(saving.held());
    offerToFinishSetup();
    saving.go();
    EXPECT_EQ(saving.result(), "saved");
    // A record whose base is gone goes without a word.
    ASSERT_EQ(run(inst, {"save", "1", "1"}, "save.corp"), "killed");
    inst.exec("DELETE FROM KYOTEN WHERE iKyotenEb = 1");
    offerToFinishSetup();
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_FALSE(QFile::exists(setupJournalPath()));
}

// A is held at a step while B runs whole; then A goes on.
TEST(Races, TwoCreationsInOneAreaTheLoserTakesTheNextNumberOrFailsOnTheSameName)
{
    for (const auto& [aName, aResult] :
         {std::pair{"A店", "created 13 3"},
          {"B店", "failed 5 同じ都道府県に同じ事業所名称の事業所が既に登録されています。"}}) {
        SCOPED_TRACE(aName);
        BaseInstallation inst;
        inst.addKyoten(13, 1, "本店");
        // A has read branch 2 when B makes base 1302.
        Child a(inst, {"create", "13", aName, "copyback"}, {}, "create.branch");
        ASSERT_TRUE(a.held());
        EXPECT_EQ(run(inst, {"create", "13", "B店", "copyback"}), "created 13 2");
        a.go();
        const QString result = a.result();
        EXPECT_TRUE(result.startsWith(aResult)) << result.toStdString();
        expectWholeBase(inst, 2, "B店");
        if (QString(aName) == "A店")
            expectWholeBase(inst, 3, "A店");
        else
            expectNoBase(inst, 3);
    }
}

TEST(Races, ADeletionNeverRemovesTheFilesOfABaseMadeAfterItsRowsWent)
{
    TwoBases inst;
    // A's rows of 1302 are gone when B makes a new 1302.
    Child a(inst, {"delete", "13", "2"}, {}, "delete.committed");
    ASSERT_TRUE(a.held());
    EXPECT_EQ(run(inst, {"create", "13", "新店", "copyback"}), "created 13 2");
    a.go();
    EXPECT_EQ(a.result(), "deleted");
    expectWholeBase(inst, 2, "新店");
    EXPECT_EQ(ownEntries(inst), QStringList());

    // A deletion in the area waits while a creation makes its files.
    Child b(inst, {"create", "13", "三号店", "copyback"}, {}, "create.folderPublished");
    ASSERT_TRUE(b.held());
    Child c(inst, {"delete", "13", "2"});
    QThread::msleep(300);
    EXPECT_FALSE(inst.kyotenRow(13, 2).isEmpty());
    b.go();
    EXPECT_EQ(b.result(), "created 13 3");
    EXPECT_EQ(c.result(), "deleted");
    expectNoBase(inst, 2);
    expectWholeBase(inst, 3, "三号店");
}
