#include "installation.h"
#include "platform/textfile.h"
#include "print/cls_WfdPrintExe.h"

#include <QDir>
#include <gtest/gtest.h>

namespace
{

// A program folder with the work folder TMP and the system folder SYS holding the layouts.
struct PrintFolder {
    PrintFolder()
    {
        inst.writeFile("Massage.ini", "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\n");
        inst.writeFile("SYS/地図印刷.wfd", "WFDLAYOUT 1\r\n");
        QDir().mkpath(inst.file("TMP"));
    }
    // The command file as bytes, for lines given without their CR LF.
    static QByteArray bytes(const QStringList& lines)
    {
        return textfile::encode(lines.join("\r\n") + "\r\n");
    }
    QByteArray commandFile() const { return inst.readBytes("TMP/WfdCom.dat"); }
    TestInstallation inst;
    const QString app = inst.path();
    const QString layout = app + "\\SYS\\地図印刷.wfd";
    const QString tmp = app + "\\TMP\\";
};

} // namespace

TEST(WfdPrint, TheCommandFileOfEachOutput)
{
    PrintFolder f;
    cls_WfdPrintExe job;
    ASSERT_EQ(job.iInit(f.layout), 0) << job.sErrMsg.toStdString();
    ASSERT_EQ(job.iPrintDialog(), 0);
    EXPECT_EQ(f.commandFile(),
              PrintFolder::bytes({"FileName,\"" + f.layout + "\"", "PrintPaper, A4", "PrintOutFromDialog"}));
    EXPECT_EQ(f.inst.commandLines(), QStringList{"wfrfv10.exe /c " + f.tmp + "WfdCom.dat"});
    EXPECT_EQ(f.inst.processes.started.back().style, platform::WindowStyle::MinimizedFocus);

    // Zoom 2 is the default and writes nothing; the other settings write in table order,
    // whatever order they were set in; -1 leaves the paper out.
    cls_WfdPrintExe all;
    ASSERT_EQ(all.iInit(f.layout, "見本"), 0);
    all.iSetItemValue("領収書", "  ", "氏名", "山田 太郎");
    all.iSetItemValue("領収書", "明細", "金額", "1,500");
    all.iSetRepeatStart(3);
    all.iSetPrintZoom(1);
    all.iSetOffset(-12, 40);
    all.iSetDataTextNoTitle(3, "明細", "/data/明細.csv");
    all.iSetDataText(1, "患者", "患者.csv");
    ASSERT_EQ(all.iPreview(cls_WfdPrintExe::kNoPaper), 0);
    EXPECT_EQ(f.commandFile(),
              PrintFolder::bytes({"FileName,\"" + f.layout + "\"", "Title,\"見本\"",
                                  "SetDataText,\"患者\",\"" + f.tmp + "患者.csv\"",
                                  "SetDataText,\"明細\",\"/data/明細.csv\",,,1", "PrintOffsetX, -12",
                                  "PrintOffsetY, 40", "PrintZoom, 1", "SectionRepeatStart, 3",
                                  "SetItemValue,\"領収書.氏名\",\"山田 太郎\"",
                                  "SetItemValue,\"領収書.明細.金額\",\"1,500\"", "ShowWindow,2"}));

    // A new job on the same object keeps the data slots but nothing else; the file is replaced
    // whole, and nothing else is left in the work folder.
    all.iSetPrintZoom(2);
    ASSERT_EQ(all.iInit(f.layout), 0);
    ASSERT_EQ(all.iPrintBk(), 0);
    EXPECT_EQ(
        f.commandFile(),
        PrintFolder::bytes({"FileName,\"" + f.layout + "\"", "SetDataText,\"患者\",\"" + f.tmp + "患者.csv\"",
                            "SetDataText,\"明細\",\"/data/明細.csv\",,,1", "PrintPaper, A4", "PrintOut"}));
    EXPECT_EQ(QDir(f.inst.file("TMP")).entryList(QDir::Files), QStringList{"WfdCom.dat"});
    // An offset of 0, 0 writes nothing.
    for (auto [paper, line] :
         {std::pair<short, const char*>{1, "PrintPaper, A5"}, {2, "PrintPaper, B5"}, {7, "PrintPaper, A4"}}) {
        cls_WfdPrintExe p;
        p.iInit(f.layout);
        p.iSetOffset(0, 0);
        ASSERT_EQ(p.iPreview(paper), 0);
        EXPECT_EQ(f.commandFile(),
                  PrintFolder::bytes({"FileName,\"" + f.layout + "\"", line, "ShowWindow,2"}));
    }

    // The embedded-preview viewer: maximised, with its relative command file. The data-only
    // preview writes the file and starts nothing.
    ASSERT_EQ(all.iPreviewActX(), 0);
    EXPECT_EQ(f.inst.commandLines().back(), "WrVb6Viewer.exe /c ./TMP\\WfdCom.dat");
    EXPECT_EQ(f.inst.processes.started.back().style, platform::WindowStyle::MaximizedFocus);
    QFile::remove(f.inst.file("TMP/WfdCom.dat"));
    ASSERT_EQ(all.iPreviewData(), 0);
    EXPECT_EQ(f.inst.processes.started.size(), 7u);
    EXPECT_TRUE(f.commandFile().endsWith("PrintPaper, A4\r\nShowWindow,2\r\n"));
}

TEST(WfdPrint, CombinedReportsAndRefusals)
{
    PrintFolder f;
    cls_WfdPrintExe job;
    ASSERT_EQ(job.iInit(f.layout), 0);
    ASSERT_EQ(job.addPrint(2, "請求", {"a.csv", "b.csv"}, {"A.wfd", "B.wfd"}, "請求書"), 0);
    // The combination step runs to its end before the second command file replaces the first.
    ASSERT_EQ(f.inst.processes.started.size(), 2u);
    EXPECT_TRUE(f.inst.processes.started[0].waited);
    EXPECT_EQ(f.inst.processes.started[0].commandLine,
              "wfrimg10.exe " + f.tmp + "tmp.wfd /c " + f.tmp + "WfdCom.dat");
    EXPECT_FALSE(f.inst.processes.started[1].waited);
    EXPECT_EQ(f.inst.processes.started[1].commandLine, "wfrfv10.exe /c " + f.tmp + "WfdCom.dat");
    EXPECT_EQ(f.commandFile(), PrintFolder::bytes({"Title,\"請求書\"", "FileName,\"" + f.tmp + "tmp.wfd\"",
                                                   "PrintOutFromDialog"}));

    // The first command file, as the combination step read it: kept by a job whose step
    // fails (exit code 1), which then starts no engine.
    f.inst.processes.exitCodes = {1};
    cls_WfdPrintExe two;
    two.iInit(f.layout);
    EXPECT_EQ(two.addPrint_addCSV(2, "請求", {"a.csv", "b.csv"}, "明細", {"a2.csv", "b2.csv"},
                                  {"A.wfd", "B.wfd"}, "T"),
              -1);
    EXPECT_EQ(
        f.commandFile(),
        PrintFolder::bytes({"setTitle,\"T\"", "SetDataText,\"請求\",\"a.csv\",\", \"\"\"\", True",
                            "SetDataText,\"明細\",\"a2.csv\",\", \"\"\"\", True", "setreport,\"A.wfd\"",
                            "AddReport", "SetDataText,\"請求\",\"b.csv\",\", \"\"\"\", True",
                            "SetDataText,\"明細\",\"b2.csv\",\", \"\"\"\", True", "setreport,\"B.wfd\""}));
    EXPECT_EQ(f.inst.processes.started.size(), 3u);
    EXPECT_EQ(f.inst.messages.shown.back().icon, platform::MsgIcon::Critical);
    // A combination step that does not end within the limit: said, and no engine started.
    f.inst.processes.hang = true;
    EXPECT_EQ(two.addPrint(1, "請求", {"a.csv"}, {"A.wfd"}, "T"), -1);
    f.inst.expectLastBox("帳票の結合 (wfrimg10.exe) が 60 秒たっても終わらないため、印刷を中止しました。", "",
                         platform::MsgIcon::Critical);
    EXPECT_EQ(f.inst.processes.started.size(), 4u);
    f.inst.processes.hang = false;
    EXPECT_EQ(two.addPrint(3, "請求", {"a.csv"}, {"A.wfd"}, "T"), -1); // fewer paths than reports

    // A layout that is not there is refused; so are data numbers outside 1 to 5.
    cls_WfdPrintExe job2;
    EXPECT_EQ(job2.iInit(f.app + "\\SYS\\ない.wfd"), -1);
    EXPECT_EQ(job2.sErrMsg, "(53)ファイルが見つかりません。\r\n" + f.app + "\\SYS\\ない.wfd");
    ASSERT_EQ(job2.iInit(f.layout), 0);
    EXPECT_EQ(job2.iSetDataText(0, "x", "x.csv"), -1);
    EXPECT_EQ(job2.iSetDataText(6, "x", "x.csv"), -1);
    EXPECT_EQ(job2.sErrMsg, "(9)インデックスが有効範囲にありません。");
    EXPECT_EQ(job2.iSetDataText(5, "x", "x.csv"), 0);

    // An engine that cannot be started: a message, status -1.
    f.inst.processes.failStart = true;
    EXPECT_EQ(job2.iPrintDialog(), -1);
    f.inst.expectLastBox("(53)ファイルが見つかりません。\r\nwfrfv10.exe", "", platform::MsgIcon::Critical);

    // A work folder that is missing: the message of the file write, nothing started.
    f.inst.processes.failStart = false;
    QDir(f.inst.file("TMP")).removeRecursively();
    const size_t started = f.inst.processes.started.size();
    EXPECT_EQ(job2.iPrintDialog(), -1);
    f.inst.expectLastBox("(76)パスが見つかりません。", "", platform::MsgIcon::Critical);
    EXPECT_EQ(f.inst.processes.started.size(), started);
}
