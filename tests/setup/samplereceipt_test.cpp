#include "platform/process.h"
#include "platform/runtime.h"
#include "setup/setuppages.h"
#include "setupfixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

namespace
{

void printSample(const char* format)
{
    frmFirstSetUpA0 page;
    child<QRadioButton>(page, "optChk10_1")->click(); // 指定して使用
    child<QRadioButton>(page, format)->click();
    child<QPushButton>(page, "btnPrtSub")->click();
}

} // namespace

// The sample print run for real: the page, the print bridge and the report engine started as
// the installation starts it, down to the PDF of the receipt with the sample's values.
TEST(SampleReceipt, PreviewOfTheChosenFormHoldsItsSample)
{
    SetupInstallation inst;
    inst.installReportEngine();
    platform::SystemProcesses processes;
    platform::runtime().processes = &processes;
    qputenv("TOPMENU_STANDIN_EXIT", "1"); // the engine closes its preview once it is up
    printSample("opt_SelRyousyuu_0");     // 領収書
    const QString pdf = "TMP/領収書N2TAT01.pdf";
    for (QDeadlineTimer deadline(60000); !inst.exists(pdf) && !deadline.hasExpired();)
        QThread::msleep(100);
    qunsetenv("TOPMENU_STANDIN_EXIT");

    EXPECT_TRUE(inst.readText("TMP/WfdCom.dat")
                    .contains("SetDataText,\"施術明細書兼領収書\",\"" + inst.path() +
                              "\\TMP\\施術明細書兼領収書.csv\"\r\n"));
    ASSERT_TRUE(inst.exists(pdf));
    EXPECT_TRUE(inst.messages.shown.empty());
    const QString text = inst.pdfText(pdf);
    for (const char* value : {"山田 太郎", "佐藤 花子", "32,400", "令和6年5月10日", "ミラネ治療院 本店"})
        EXPECT_TRUE(text.contains(value)) << value << "\n" << text.toStdString();
}

// A sample that cannot be put into the work folder is said, and nothing is shown: an older
// copy there must not pass for the chosen format's sample.
TEST(SampleReceipt, ASampleThatCannotBeCopiedIsSaidAndNothingIsShown)
{
    SetupInstallation inst;
    const QString app = inst.path();
    inst.writeFile("SYS/明細付請求書.wfd", "WFD 1\r\n");
    inst.writeFile("TMP/明細データ.csv", "\"old\"\r\n");
    inst.writeFile("TMP/領収書イメージ/施術明細書兼領収書_06.csv", "\"a\"\r\n1\r\n");
    printSample("opt_SelRyousyuu_5"); // 明細付請求書: two samples, the second one missing
    inst.expectLastBox("印刷イメージのデータが見つかりません。\r\n" + app +
                           "\\TMP\\領収書イメージ\\明細データ.csv",
                       "申請書イメージ表示", platform::MsgIcon::Critical);

    inst.writeFile("TMP/領収書イメージ/明細データ.csv", "\"b\"\r\n2\r\n");
    QFile::remove(inst.file("TMP/施術明細書兼領収書.csv"));
    QDir().mkpath(inst.file("TMP/施術明細書兼領収書.csv")); // a folder holds the copy's name
    printSample("opt_SelRyousyuu_5");
    inst.expectLastBox("印刷イメージのデータを作業フォルダへコピーできません。\r\n" + app +
                           "\\TMP\\施術明細書兼領収書.csv",
                       "申請書イメージ表示", platform::MsgIcon::Critical);
    EXPECT_EQ(inst.messages.shown.size(), 2u);
    EXPECT_TRUE(inst.processes.started.empty());
    EXPECT_FALSE(inst.exists("TMP/WfdCom.dat"));

    // Both samples in place: both copied, and the job names both data files.
    QDir(inst.file("TMP/施術明細書兼領収書.csv")).removeRecursively();
    printSample("opt_SelRyousyuu_5");
    EXPECT_EQ(inst.readText("TMP/明細データ.csv"), "\"b\"\r\n2\r\n");
    EXPECT_TRUE(inst.readText("TMP/WfdCom.dat")
                    .contains("SetDataText,\"明細データ\",\"" + app + "\\TMP\\明細データ.csv\"\r\n"));
}
