#include "installation.h"
#include "platform/textfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// A program folder with the real TopMenu, the stand-ins, the demo database and the settings
// a launch needs.
void layOut(TestInstallation& inst)
{
    for (const char* program : {"TopMenu", "osql", "Main", "TrtTotalSchedule", "trtzenrin"}) {
        const QString name = QString::fromLatin1(program);
        ASSERT_TRUE(QFile::copy(binDir() + QLatin1Char('/') + name, inst.file(name))) << program;
    }
    inst.createDatabase(QStringLiteral("PC01\\MIRANE"), true);
    inst.writeAdodbIni();
    inst.writeFile(
        "Massage.ini",
        QStringLiteral(
            "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wall.png\r\nWALLPAPER_TOP=top.png\r\n"
            "[システム]\r\nミラネタイプ=0\r\nFC機能=0\r\nMENUCANCEL=0\r\n簡易メニュー=0\r\n"));
    // Status 1: the image map, so no map companion is started.
    inst.writeFile("QMAPKEY.ini", QStringLiteral("[キー情報]\r\nKeyNo=K-0001\r\nStatus=1\r\n"));
    inst.writeFile("QmapUser.ini", QStringLiteral("ZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\nUSER_CODE=9\r\n"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QDir().mkpath(inst.file("ICON"));
    ASSERT_TRUE(image.save(inst.file("ICON/wall.png"), "PNG"));
    ASSERT_TRUE(image.save(inst.file("ICON/top.png"), "PNG"));
    for (const char* id : {"0101", "1301", "1302", "1303", "2701"}) {
        inst.writeFile(
            QStringLiteral("Massage%1.ini").arg(id),
            QStringLiteral("[運用拠点]\r\nBASEID=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data%1\r\n").arg(id));
    }
}

// Runs the real program with the replayed steps until it ends; its exit code, or -1.
int runTopMenu(const TestInstallation& inst, const QString& steps, QString* output)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TOPMENU_STANDIN_EXIT"), QStringLiteral("1"));
    env.insert(QStringLiteral("TOPMENU_E2E_STEPS"), steps);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(inst.path());
    // The output goes to a file, not a pipe: the programs started detached inherit it and
    // must not lose their output channel when TopMenu ends.
    const QString outputFile = inst.file(QStringLiteral("TopMenu.out"));
    p.setStandardOutputFile(outputFile);
    p.setStandardErrorFile(outputFile, QIODevice::Append);
    p.start(inst.file("TopMenu"), {});
    const bool finished = p.waitForFinished(60000);
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    *output = inst.readText(QStringLiteral("TopMenu.out"));
    return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The log of a started stand-in, once it holds the given text (the program runs detached).
QString waitForLog(const TestInstallation& inst, const QString& name, const QString& until)
{
    const QDeadlineTimer deadline(20000);
    QString text;
    while (!deadline.hasExpired()) {
        text = inst.readText(name);
        if (text.contains(until))
            break;
        QThread::msleep(50);
    }
    return text;
}

} // namespace

TEST(EndToEnd, LogInAndOpenABaseHandsItToMain)
{
    TestInstallation inst;
    layOut(inst);
    QString output;
    const int code = runTopMenu(
        inst,
        QStringLiteral("set:txtUserId=admin;set:txtPassword=admin;click:btnLogin;select:ListView1=0;"
                       "key:ListView1=Return"),
        &output);
    ASSERT_EQ(code, 0) << output.toStdString();

    const QString log = waitForLog(inst, QStringLiteral("Main.log"), QStringLiteral("ZENRIN_PWD="));
    const QStringList lines = log.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 8) << log.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("START Main"));
    EXPECT_EQ(lines[1], QStringLiteral("ARGS 北海道－札幌店|11|69"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("CWD "))) << lines[2].toStdString();
    EXPECT_EQ(lines.mid(3, 5), QStringList({"BASEID=0101", "環境名=北海道－札幌店", "JOBCODE=11111",
                                            "ZENRIN_USER=map01", "ZENRIN_PWD=pw01"}));

    // The account stays logged in for the base's program.
    EXPECT_EQ(inst.scalar(QStringLiteral("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'")), "1");
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              QByteArray("[kyotenCd]= 1\r\n[Index]= 1\r\n[DB]=-1\r\n[LastLoginUser]=admin\r\n"));
    EXPECT_EQ(inst.readBytes("Massage.ini"),
              textfile::encode(
                  QStringLiteral("[運用拠点]\r\nBASEID=0101\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0101\r\n"
                                 "[環境]\r\n環境名=北海道－札幌店\r\n[権限]\r\nJOBCODE=11111\r\n"
                                 "[QMAP]\r\nZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\n")));
}
