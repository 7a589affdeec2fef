#include "print/cls_WfdPrintExe.h"
#include "programs.h"

#include <QRegularExpression>
#include <QTest>

namespace
{

// An installation with the engine, its layouts in SYS and the receipt samples.
struct EngineFolder {
    EngineFolder()
    {
        inst.writeFile("Massage.ini", "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\n");
        inst.installReportEngine();
    }
    QString app() const { return inst.path(); }
    QString tmp() const { return app() + "\\TMP\\"; }
    // Runs the engine in the installation; each window it shows is noted and closed.
    int run(const QString& program, const QStringList& args)
    {
        const Ran ran = ::run(inst.path(), program, args);
        errors = ran.errors;
        return ran.code;
    }
    // Writes only the PDF of the command file of the work folder.
    int pdf(const QString& out = "out.pdf")
    {
        return run("wfrfv10", {"/c", tmp() + "WfdCom.dat", "/pdf", inst.file(out)});
    }
    // A receipt job over the CSV of the work folder, ended by the output command.
    void receiptJob(const QString& csv, const QString& output) const
    {
        inst.writeFile("TMP/WfdCom.dat", "FileName,\"" + app() +
                                             "\\SYS\\領収書N2TAT01.wfd\"\r\nTitle,\"領収書\"\r\n"
                                             "SetDataText,\"施術明細書兼領収書\",\"" +
                                             tmp() + csv + "\"\r\n" + output + "\r\n");
    }
    // The values of a CSV sample (CP932, every field quoted), without the title record.
    QStringList values(const QString& csv) const
    {
        const QString text = inst.readText(csv);
        return text.mid(text.indexOf('\n') + 1)
            .split(QRegularExpression("\"(,\"|\r\n\"?)?"), Qt::SkipEmptyParts);
    }
    TestInstallation inst;
    QString errors;
};

// The receipt forms in the order of their samples (_01 to _07).
const char* const kReceiptForms[] = {"領収書N2TAT01",      "請求書N2TAT01",           "領収書請求書00",
                                     "施術明細書兼領収書", "施術明細書兼領収書_鍼灸", "明細付請求書",
                                     "請求書兼領収書_CARE"};

} // namespace

TEST(ReportEngine, EveryReceiptFormFromTheBridgeTheMapSheetAndACombinedReport)
{
    EngineFolder f;
    f.inst.writeBytes("TMP/明細データ.csv", f.inst.readBytes("TMP/領収書イメージ/明細データ.csv"));
    for (int i = 0; i < 7; ++i) {
        const QString form = kReceiptForms[i],
                      sample = QString("TMP/領収書イメージ/施術明細書兼領収書_0%1.csv").arg(i + 1);
        const bool detail = form == "明細付請求書";
        f.inst.writeBytes("TMP/施術明細書兼領収書.csv", f.inst.readBytes(sample));
        // The job exactly as the billing page's sample print writes it.
        cls_WfdPrintExe job;
        ASSERT_EQ(job.iInit(f.app() + "\\SYS\\" + form + ".wfd", "領収書"), 0);
        job.iSetDataText(1, "施術明細書兼領収書", "施術明細書兼領収書.csv");
        if (detail)
            job.iSetDataText(2, "明細データ", "明細データ.csv");
        job.iSetOffset(0, 0);
        job.iSetItemValue(form, "", "発行日", "令和6年5月31日");
        ASSERT_EQ(job.iPreview(), 0);

        ASSERT_EQ(f.pdf(), 0) << form.toStdString() << f.errors.toStdString();
        const QString text = f.inst.pdfText("out.pdf");
        EXPECT_EQ(text.count(u'\f'), 2) << form.toStdString(); // one page per patient
        for (const QString& v : f.values(sample) + (detail ? f.values("TMP/明細データ.csv") : QStringList()) +
                                    QStringList{"令和6年5月31日"})
            EXPECT_TRUE(text.contains(v)) << form.toStdString() << " " << v.toStdString();
    }

    // The map sheet.
    f.inst.writePicture("TMP/MAP00000001_20240131090000.bmp");
    f.inst.writeFile("TMP/地図印刷.csv", "\"利用者ID\",\"画像Path\"\r\n4711,\"" + f.app() +
                                             "\\TMP\\MAP00000001_20240131090000.bmp\"\r\n");
    cls_WfdPrintExe map;
    ASSERT_EQ(map.iInit(f.app() + "\\SYS\\地図印刷.wfd", "地図印刷"), 0);
    map.iSetDataText(1, "地図印刷", "地図印刷.csv");
    ASSERT_EQ(map.iPrintDialog(), 0);
    ASSERT_EQ(f.pdf(), 0) << f.errors.toStdString();
    const QString sheet = f.inst.pdfText("out.pdf");
    EXPECT_TRUE(sheet.contains("4711"));
    EXPECT_FALSE(sheet.contains("画像がありません"));
    EXPECT_EQ(sheet.count(u'\f'), 1);

    // Two receipts combined by wfrimg10 as the bridge starts it, then shown from tmp.wfd.
    f.inst.writeFile("TMP/b.csv",
                     f.inst.readText("TMP/領収書イメージ/施術明細書兼領収書_04.csv").replace("山田", "田中"));
    const QString combine =
        "setTitle,\"まとめ\"\r\n"
        "SetDataText,\"施術明細書兼領収書\",\"%1領収書イメージ\\施術明細書兼領収書_01.csv\","
        "\", \"\"\"\", True\r\n"
        "setreport,\"%2\\SYS\\領収書N2TAT01.wfd\"\r\nAddReport\r\n"
        "SetDataText,\"施術明細書兼領収書\",\"%1b.csv\",\", \"\"\"\", True\r\n"
        "setreport,\"%2\\SYS\\施術明細書兼領収書.wfd\"\r\n";
    f.inst.writeFile("TMP/WfdCom.dat", combine.arg(f.tmp(), f.app()));
    ASSERT_EQ(f.run("wfrimg10", {f.tmp() + "tmp.wfd", "/c", f.tmp() + "WfdCom.dat"}), 0)
        << f.errors.toStdString();
    f.inst.writeFile("TMP/WfdCom.dat",
                     "Title,\"まとめ\"\r\nFileName,\"" + f.tmp() + "tmp.wfd\"\r\nPrintOutFromDialog\r\n");
    ASSERT_EQ(f.pdf(), 0) << f.errors.toStdString();
    const QString combined = f.inst.pdfText("out.pdf");
    EXPECT_EQ(combined.count(u'\f'), 4);
    EXPECT_TRUE(combined.contains("山田 太郎"));
    EXPECT_TRUE(combined.contains("田中 太郎"));
}

// What the engine cannot paint is refused before any output: exit code 1, a message that names
// what failed and the file, and neither the PDF nor its partial file. Writing only the PDF, the
// engine tells it on standard error alone; started for a preview or a print, in an error box.
// A good preview writes the PDF beside the command file first, then waits for the user.
TEST(ReportEngine, RefusesWhatItCannotPaintBeforeAnyOutput)
{
    EngineFolder f;
    f.inst.writeBytes("TMP/big.csv", "\"a\"\r\n");
    QFile(f.inst.file("TMP/big.csv")).resize(17 << 20);
    const QByteArray plain = "\"a\"\r\n1\r\n";
    struct Case {
        QString layout; // the layout's lines after "WFD 1", "PAGES d", or "@" and the path FileName names
        QString data;   // the path of data d; empty: TMP\t.csv
        QByteArray csv; // TMP\t.csv
        QString settings;
        QString expected; // in each text %1 is the work folder, %2 the program folder
    };
    const Case cases[] = {
        {"FIELD 10 10 50 5 9 L b", "", plain, "", "帳票データ「d」に列「b」がありません。: %1t.csv"},
        {"", "", QString("\"a\"\r\n\"地図\"\r\n").toUtf8(), "", "(CP932) ではありません (UTF-8)。: %1t.csv"},
        {"@%2\\SYS\\ない.wfd", "", plain, "", "帳票定義ファイルが見つかりません。: %2\\SYS\\ない.wfd"},
        {"TABLE x 10 10 5 3 9\r\nEND", "", plain, "",
         "帳票定義ファイルの 3 行目の表に列 (COL) がありません。"},
        {"@/dev/zero", "", plain, "", "帳票定義ファイルが通常のファイルではありません。: /dev/zero"},
        {"", "/dev/zero", plain, "", "帳票データが通常のファイルではありません。: /dev/zero"},
        {"", "%1big.csv", plain, "", "帳票データが大きすぎます (上限 16 MB)。: %1big.csv"},
        {"", "", QByteArray(2000000, ','), "", "帳票データの項目が多すぎます (上限 2000000 項目)。"},
        {"", "", "\"a\"\r\n" + QByteArray("1\r\n").repeated(10001), "",
         "帳票のページ数が多すぎます (上限 10000 ページ)。"},
        {"IMAGE 10 10 50 50 a", "", "\"a\"\r\n/dev/zero\r\n", "",
         "画像ファイルが通常のファイルではありません。: /dev/zero"},
        {"", "", plain, "SectionRepeatStart,-2147483648", "コマンドファイルの 3 行目の数値が範囲外です。"},
        {"TEXT 10 10 50 5 1e9 L x", "", plain, "", "帳票定義ファイルの 3 行目の数値が範囲外です。"},
        {"TABLE d 10 10 5 1e300 9\r\nCOL 20 L a\r\nEND", "", plain, "",
         "帳票定義ファイルの 3 行目の数値が範囲外です。"},
        {"BOX nan 10 10 10", "", plain, "", "帳票定義ファイルの 3 行目の数値が範囲外です。"},
    };
    const auto fill = [&](QString text) { return text.replace("%1", f.tmp()).replace("%2", f.app()); };
    for (const Case& c : cases) {
        f.inst.writeFile("SYS/t.wfd", "WFD 1\r\nPAGES d\r\n" + c.layout + "\r\n");
        f.inst.writeBytes("TMP/t.csv", c.csv);
        f.inst.writeFile(
            "TMP/WfdCom.dat",
            "FileName,\"" + (c.layout.startsWith('@') ? fill(c.layout.mid(1)) : f.app() + "\\SYS\\t.wfd") +
                "\"\r\nSetDataText,\"d\",\"" + (c.data.isEmpty() ? f.tmp() + "t.csv" : fill(c.data)) +
                "\"\r\n" + (c.settings.isEmpty() ? "" : c.settings + "\r\n") + "PrintOutFromDialog\r\n");
        EXPECT_EQ(f.pdf(), 1) << c.expected.toStdString();
        EXPECT_TRUE(f.errors.contains(fill(c.expected)) && !f.errors.contains("shown"))
            << f.errors.toStdString();
        EXPECT_FALSE(f.inst.exists("out.pdf") || f.inst.exists("out.pdf.part")) << c.expected.toStdString();
    }
    // No command file; a combination over missing data leaves no combined layout.
    EXPECT_EQ(f.run("wfrfv10", {"/c", f.tmp() + "ない.dat", "/pdf", f.inst.file("out.pdf")}), 1);
    EXPECT_TRUE(f.errors.contains("コマンドファイルが見つかりません。"));
    f.inst.writeFile("TMP/WfdCom.dat", "setTitle,\"T\"\r\nSetDataText,\"a\",\"" + f.tmp() +
                                           "ない.csv\",\", \"\"\"\", True\r\nsetreport,\"" + f.app() +
                                           "\\SYS\\地図印刷.wfd\"\r\n");
    EXPECT_EQ(f.run("wfrimg10", {f.tmp() + "tmp.wfd", "/c", f.tmp() + "WfdCom.dat"}), 1);
    EXPECT_FALSE(f.inst.exists("TMP/tmp.wfd"));

    const QString said = "帳票データが見つかりません。: " + f.tmp() + "ない.csv";
    for (const char* output : {"ShowWindow,2", "PrintOut", "PrintOutFromDialog"}) {
        f.receiptJob("ない.csv", output);
        EXPECT_EQ(f.run("wfrfv10", {"/c", f.tmp() + "WfdCom.dat"}), 1) << output;
        EXPECT_TRUE(f.errors.contains("shown \"帳票印刷\": " + said)) << f.errors.toStdString();
    }

    f.receiptJob("領収書イメージ\\施術明細書兼領収書_01.csv", "ShowWindow,2");
    QProcess engine;
    start(engine, f.app(), "wfrfv10", {"/c", f.tmp() + "WfdCom.dat"}, true);
    QTest::qWaitFor([&] { return f.inst.exists("TMP/領収書N2TAT01.pdf"); }, 30000);
    EXPECT_FALSE(engine.waitForFinished(2000)) << engine.readAllStandardError().toStdString();
    engine.kill();
    engine.waitForFinished();
    EXPECT_EQ(f.run("wfrfv10", {"/c", f.tmp() + "WfdCom.dat"}), 0) << f.errors.toStdString();
    EXPECT_TRUE(f.errors.contains("shown \"印刷プレビュー - 領収書\"")) << f.errors.toStdString();
}
