#include "installation.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

bool displayAnswers(const QString& display)
{
    QProcess p;
    p.start("xdpyinfo", {"-display", display});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

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

    TestInstallation inst;
    ASSERT_TRUE(QFile::copy(binDir() + "/wfrfv10", inst.file("wfrfv10")));
    for (const QString& f :
         {QString("SYS/領収書N2TAT01.wfd"), QString("TMP/領収書イメージ/施術明細書兼領収書_01.csv")}) {
        QFile in(sourceDir() + "/installation/" + f);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        inst.writeFile(f, QString::fromUtf8(in.readAll()).replace("\n", "\r\n"));
    }
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
