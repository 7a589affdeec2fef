#include "installation.h"
#include "print/cls_WfdPrintExe.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// An installation with the engine, the shipped layouts in SYS and the sample data of the
// receipt forms in TMP\領収書イメージ.
struct EngineFolder {
    EngineFolder()
    {
        inst.writeFile("Massage.ini", "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\n");
        for (const char* name : {"wfrfv10", "wfrimg10"})
            EXPECT_TRUE(QFile::copy(binDir() + '/' + name, inst.file(name))) << name;
        for (const QString& dir : {QString("SYS"), QString("TMP/領収書イメージ")}) {
            const QDir source(sourceDir() + "/installation/" + dir);
            for (const QString& f : source.entryList(QDir::Files)) {
                QFile in(source.filePath(f));
                EXPECT_TRUE(in.open(QIODevice::ReadOnly));
                inst.writeFile(dir + '/' + f, QString::fromUtf8(in.readAll()).replace("\n", "\r\n"));
            }
        }
    }
    QString app() const { return inst.path(); }
    // Runs the engine on the command file of the work folder, writing only the PDF.
    int run(const QString& program, const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(inst.path());
        p.start(inst.file(program), args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }
    int pdf(const QString& out = "out.pdf")
    {
        return run("wfrfv10", {"/c", app() + "\\TMP\\WfdCom.dat", "/pdf", inst.file(out)});
    }
    // The text of the PDF as pdftotext reads it back (the wave dash comes back as U+301C).
    QString text(const QString& out = "out.pdf") const
    {
        QProcess p;
        p.start("pdftotext", {"-layout", inst.file(out), "-"});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).replace(u'〜', u'～');
    }
    // The values of a CSV sample (CP932), without the title record.
    QStringList values(const QString& csv) const
    {
        QStringList out;
        const QStringList lines = inst.readText(csv).split("\r\n", Qt::SkipEmptyParts);
        for (int i = 1; i < lines.size(); ++i)
            for (QString v : lines[i].split("\",\""))
                out << v.remove('"');
        return out;
    }
    TestInstallation inst;
    QString errors;
};

struct Receipt {
    const char* form;
    const char* sample;
    bool detail;
};
const Receipt kReceipts[] = {
    {"領収書N2TAT01", "01", false},           {"請求書N2TAT01", "02", false},
    {"領収書請求書00", "03", false},          {"施術明細書兼領収書", "04", false},
    {"施術明細書兼領収書_鍼灸", "05", false}, {"明細付請求書", "06", true},
    {"請求書兼領収書_CARE", "07", false},
};

bool displayAnswers(const QString& display)
{
    QProcess p;
    p.start("xdpyinfo", {"-display", display});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(ReportEngine, EveryReceiptFormFromTheBridge)
{
    EngineFolder f;
    for (const Receipt& r : kReceipts) {
        const QString sample = QString("TMP/領収書イメージ/施術明細書兼領収書_") + r.sample + ".csv";
        QFile::remove(f.inst.file("TMP/施術明細書兼領収書.csv"));
        ASSERT_TRUE(QFile::copy(f.inst.file(sample), f.inst.file("TMP/施術明細書兼領収書.csv")));
        QFile::remove(f.inst.file("TMP/明細データ.csv"));
        ASSERT_TRUE(
            QFile::copy(f.inst.file("TMP/領収書イメージ/明細データ.csv"), f.inst.file("TMP/明細データ.csv")));
        // The job exactly as the billing page's sample print writes it.
        cls_WfdPrintExe job;
        ASSERT_EQ(job.iInit(f.app() + "\\SYS\\" + r.form + ".wfd", "領収書"), 0) << r.form;
        job.iSetDataText(1, "施術明細書兼領収書", "施術明細書兼領収書.csv");
        if (r.detail)
            job.iSetDataText(2, "明細データ", "明細データ.csv");
        job.iSetOffset(0, 0);
        job.iSetItemValue(r.form, "", "発行日", "令和6年5月31日");
        ASSERT_EQ(job.iPreview(), 0);
        EXPECT_EQ(f.inst.commandLines().back(), "wfrfv10.exe /c " + f.app() + "\\TMP\\WfdCom.dat");

        ASSERT_EQ(f.pdf(), 0) << r.form << f.errors.toStdString();
        const QString text = f.text();
        EXPECT_EQ(text.count(u'\f'), 2) << r.form; // one page per patient
        for (const QString& v : f.values(sample))
            EXPECT_TRUE(text.contains(v)) << r.form << " " << v.toStdString();
        EXPECT_TRUE(text.contains("令和6年5月31日")) << r.form;
        if (r.detail)
            for (const QString& v : f.values("TMP/領収書イメージ/明細データ.csv"))
                EXPECT_TRUE(text.contains(v)) << v.toStdString();
    }
}

TEST(ReportEngine, MapSheetAndCombinedReports)
{
    EngineFolder f;
    f.inst.writePicture("TMP/MAP00000001_20240131090000.bmp");
    f.inst.writeFile("TMP/地図印刷.csv", "\"利用者ID\",\"画像Path\"\r\n4711,\"" + f.app() +
                                             "\\TMP\\MAP00000001_20240131090000.bmp\"\r\n");
    cls_WfdPrintExe map;
    ASSERT_EQ(map.iInit(f.app() + "\\SYS\\地図印刷.wfd", "地図印刷"), 0);
    map.iSetDataText(1, "地図印刷", "地図印刷.csv");
    ASSERT_EQ(map.iPrintDialog(), 0);
    ASSERT_EQ(f.pdf(), 0) << f.errors.toStdString();
    const QString sheet = f.text();
    EXPECT_TRUE(sheet.contains("地図印刷"));
    EXPECT_TRUE(sheet.contains("4711"));
    EXPECT_FALSE(sheet.contains("画像がありません"));
    EXPECT_EQ(sheet.count(u'\f'), 1);

    // Two receipts combined by wfrimg10, then shown from tmp.wfd. The bridge's combination
    // step is run here for real, as the process seam would start it.
    f.inst.writeFile("TMP/a.csv", f.inst.readText("TMP/領収書イメージ/施術明細書兼領収書_01.csv"));
    f.inst.writeFile("TMP/b.csv",
                     f.inst.readText("TMP/領収書イメージ/施術明細書兼領収書_04.csv").replace("山田", "田中"));
    const QString tmp = f.app() + "\\TMP\\";
    const QString combine = "setTitle,\"まとめ\"\r\n"
                            "SetDataText,\"施術明細書兼領収書\",\"%1a.csv\",\", \"\"\"\", True\r\n"
                            "setreport,\"%2\\SYS\\領収書N2TAT01.wfd\"\r\nAddReport\r\n"
                            "SetDataText,\"施術明細書兼領収書\",\"%1b.csv\",\", \"\"\"\", True\r\n"
                            "setreport,\"%2\\SYS\\施術明細書兼領収書.wfd\"\r\n";
    f.inst.writeFile("TMP/WfdCom.dat", combine.arg(tmp, f.app()));
    ASSERT_EQ(f.run("wfrimg10", {tmp + "tmp.wfd", "/c", tmp + "WfdCom.dat"}), 0) << f.errors.toStdString();
    f.inst.writeFile("TMP/WfdCom.dat",
                     "Title,\"まとめ\"\r\nFileName,\"" + tmp + "tmp.wfd\"\r\nPrintOutFromDialog\r\n");
    ASSERT_EQ(f.pdf(), 0) << f.errors.toStdString();
    const QString combined = f.text();
    EXPECT_EQ(combined.count(u'\f'), 4);
    EXPECT_TRUE(combined.contains("山田 太郎"));
    EXPECT_TRUE(combined.contains("田中 太郎"));
}

TEST(ReportEngine, BadInputIsRefusedAndWritesNothing)
{
    EngineFolder f;
    const QString tmp = f.app() + "\\TMP\\";
    const auto job = [&](const QString& layout, const QString& csv) {
        f.inst.writeFile("TMP/WfdCom.dat", "FileName,\"" + f.app() + "\\SYS\\" + layout +
                                               "\"\r\nSetDataText,\"地図印刷\",\"" + tmp + csv +
                                               "\"\r\nPrintPaper, A4\r\nPrintOutFromDialog\r\n");
    };
    // A column the layout needs is missing.
    f.inst.writeFile("TMP/地図印刷.csv", "\"利用者ID\",\"画像\"\r\n1,\"x.bmp\"\r\n");
    job("地図印刷.wfd", "地図印刷.csv");
    EXPECT_EQ(f.pdf(), 1);
    EXPECT_TRUE(f.errors.contains("帳票データ「地図印刷」に列「画像Path」がありません。"))
        << f.errors.toStdString();
    // Data in UTF-8, or with bytes that are no CP932.
    f.inst.writeBytes("TMP/地図印刷.csv",
                      QString("\"利用者ID\",\"画像Path\"\r\n1,\"地図.bmp\"\r\n").toUtf8());
    EXPECT_EQ(f.pdf(), 1);
    EXPECT_TRUE(f.errors.contains("文字コードが Shift_JIS (CP932) ではありません (UTF-8)"))
        << f.errors.toStdString();
    f.inst.writeBytes("TMP/地図印刷.csv", QByteArray("\"ID\",\"\xff\xfe\"\r\n"));
    EXPECT_EQ(f.pdf(), 1);
    EXPECT_TRUE(f.errors.contains("(not CP932)")) << f.errors.toStdString();
    // A layout that does not exist; a command file that does not exist.
    job("ない.wfd", "地図印刷.csv");
    EXPECT_EQ(f.pdf(), 1);
    EXPECT_TRUE(f.errors.contains("帳票定義ファイルが見つかりません。")) << f.errors.toStdString();
    EXPECT_EQ(f.run("wfrfv10", {"/c", tmp + "ない.dat", "/pdf", f.inst.file("out.pdf")}), 1);
    EXPECT_TRUE(f.errors.contains("コマンドファイルが見つかりません。"));
    // A combination over a missing data file leaves no tmp.wfd behind.
    f.inst.writeFile("TMP/WfdCom.dat", "setTitle,\"T\"\r\nSetDataText,\"a\",\"" + tmp +
                                           "ない.csv\",\", \"\"\"\", True\r\nsetreport,\"" + f.app() +
                                           "\\SYS\\地図印刷.wfd\"\r\n");
    EXPECT_EQ(f.run("wfrimg10", {tmp + "tmp.wfd", "/c", tmp + "WfdCom.dat"}), 1);
    EXPECT_FALSE(f.inst.exists("TMP/tmp.wfd"));
    EXPECT_FALSE(f.inst.exists("out.pdf"));
    EXPECT_FALSE(f.inst.exists("out.pdf.part"));
}

// A receipt page in the engine's preview window, on a virtual X display (Xvfb), captured
// from the screen into the build folder's screenshots/.
TEST(Screenshot, ReceiptPreviewWindow)
{
    const QByteArray env = qgetenv("TOPMENU_SCREENSHOT_DISPLAY");
    const QString display = env.isEmpty() ? QStringLiteral(":16") : QString::fromLocal8Bit(env);
    QProcess xvfb;
    if (!displayAnswers(display)) {
        xvfb.start("Xvfb", {display, "-screen", "0", "1024x1100x24", "-nolisten", "tcp"});
        ASSERT_TRUE(xvfb.waitForStarted(10000));
        for (int i = 0; i < 100 && !displayAnswers(display); ++i)
            QThread::msleep(100);
        ASSERT_TRUE(displayAnswers(display));
    }

    EngineFolder f;
    const TestInstallation& inst = f.inst;
    inst.writeFile("TMP/WfdCom.dat",
                   "FileName,\"" + inst.path() +
                       "\\SYS\\領収書N2TAT01.wfd\"\r\nTitle,\"領収書\"\r\n"
                       "SetDataText,\"施術明細書兼領収書\",\"" +
                       inst.path() +
                       "\\TMP\\領収書イメージ\\施術明細書兼領収書_01.csv\"\r\nPrintPaper, A4\r\n"
                       "ShowWindow,2\r\n");
    QProcess engine;
    QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
    penv.insert("ASAN_OPTIONS", "detect_leaks=0");
    penv.insert("QT_QPA_PLATFORM", "xcb");
    penv.insert("DISPLAY", display);
    engine.setProcessEnvironment(penv);
    engine.start(inst.file("wfrfv10"), {"/c", inst.path() + "\\TMP\\WfdCom.dat"});
    ASSERT_TRUE(engine.waitForStarted(10000));
    // The PDF beside the command file comes first, then the window.
    for (int i = 0; i < 300 && !inst.exists("TMP/領収書N2TAT01.pdf"); ++i)
        QThread::msleep(100);
    EXPECT_TRUE(inst.exists("TMP/領収書N2TAT01.pdf"));
    QThread::msleep(3000);
    const QString dir = binDir() + "/../screenshots";
    QDir().mkpath(dir);
    const QString shot = dir + "/receipt_preview.png";
    QFile::remove(shot);
    QProcess import;
    import.start("import", {"-display", display, "-window", "root", shot});
    ASSERT_TRUE(import.waitForFinished(30000));
    EXPECT_FALSE(engine.waitForFinished(10)) << "the preview stays open until it is closed";
    engine.kill();
    engine.waitForFinished(10000);
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(10000);
    }
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    // The page shows: white paper with dark print on it.
    int dark = 0, white = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) {
            const int g = qGray(image.pixel(x, y));
            dark += g < 80;
            white += g > 245;
        }
    EXPECT_GT(dark, 100);
    EXPECT_GT(white, 10000);
}
