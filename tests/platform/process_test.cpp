#include "desktop/desktopruntime.h"
#include "desktop/messagebox.h"
#include "platform/cmdline.h"
#include "platform/namedlock.h"
#include "platform/paths.h"
#include "windows.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>

TEST(SystemProcesses, HostPathsSplitResolveStartAndCloseAsWindowsWould)
{
    using namespace platform;
    EXPECT_EQ(splitWindowsCommandLine("\"C:\\My Apps\\x.exe\"  \"a b\"\tc\"d e\"f \"\""),
              QStringList({"C:\\My Apps\\x.exe", "a b", "cd ef", ""}));
    // Backslashes count only before a quote; the program name keeps them all.
    EXPECT_EQ(splitWindowsCommandLine("C:\\p\\ a\\\\b \\\\\\\"c d\\\\\"e f\" \"x\"\"y\""),
              QStringList({"C:\\p\\", "a\\\\b", "\\\"c", "d\\e f", "x\"y"}));
    EXPECT_EQ(splitWindowsCommandLine("   "), QStringList());

    TestInstallation inst;
    {
        SystemHost first;
        // A NetBIOS name: upper case, at most 15 characters, no domain.
        const QString name = first.computerName();
        EXPECT_TRUE(QRegularExpression("^[^.a-z]{1,15}$").match(name).hasMatch()) << name.toStdString();
        EXPECT_FALSE(first.previousInstance());
        EXPECT_FALSE(first.previousInstance());       // the holder asking again
        EXPECT_TRUE(SystemHost().previousInstance()); // a second instance
        // Nothing of the lock in the program folder.
        EXPECT_TRUE(QDir(inst.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
    const QString lockFile = lockFolder() + '/' + instanceLockName(inst.path());
    EXPECT_FALSE(QFileInfo::exists(lockFile)); // gone with its holder

    // A process holding the lock (the shell, become the sleep) is an instance until killed; the
    // file it leaves holds nobody.
    QProcess holder;
    holder.start("sh", {"-c", "exec 9>>\"$0\" && flock -n 9 && echo held && exec sleep 60", lockFile});
    ASSERT_TRUE(holder.waitForReadyRead(10000)); // "held"
    EXPECT_TRUE(SystemHost().previousInstance());
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_FALSE(SystemHost().previousInstance());

    const QString app = inst.path();
    // Windows paths: drives mapped, names matched whatever their case.
    EXPECT_EQ(nativePath("C:\\KVX\\utility\\databackup.txt"), app + "/drive_c/KVX/utility/databackup.txt");
    EXPECT_EQ(nativePath("d:\\"), app + "/drive_d");
    EXPECT_EQ(nativePath("C:\\..\\KVX\\.\\MASTER\\"), app + "/drive_c/KVX/MASTER");

    // The suite writes DATA\Data0501 and reads it back as DATA\DATA0501.
    inst.writeFile("DATA/Data0501/x.ini", "x");
    EXPECT_EQ(nativePath(app + "\\DATA\\DATA0501\\X.INI"), app + "/DATA/Data0501/x.ini");
    // What does not exist keeps the name given, below a matched folder too.
    EXPECT_EQ(nativePath(app + "\\data\\DATA0502\\New.ini"), app + "/DATA/DATA0502/New.ini");
    EXPECT_EQ(nativePath(app + "\\Data\\data0501\\..\\Other"), app + "/DATA/Other");

    // Absolute paths outside the program folder stay absolute.
    EXPECT_EQ(nativePath("\\nonexistent-root\\A"), "/nonexistent-root/A");

    const auto makeProgram = [&](const QString& relative, const QByteArray& script, bool executable = true) {
        inst.writeBytes(relative, script);
        if (executable)
            QFile::setPermissions(inst.file(relative),
                                  QFile::permissions(inst.file(relative)) | QFile::ExeOwner);
    };
    makeProgram("Main", "#!/bin/sh\n");
    makeProgram("logoff.sh", "exit 0\n", false);
    makeProgram("My Tools/Util", "#!/bin/sh\n");

    EXPECT_EQ(resolveProgram("sh").isEmpty(), false); // found on PATH

    // A full-width minus stays in one argument; an unquoted blank gives the shortest prefix
    // naming a program; a script not executable runs with sh.
    const auto resolved = [](const QString& commandLine) {
        const ResolvedCommand c = resolveCommandLine(commandLine);
        return QStringList{c.program} + c.arguments;
    };
    EXPECT_EQ(resolved(app + "\\Main.exe 東京－本店 11 69"),
              QStringList({app + "/Main", "東京－本店", "11", "69"}));
    EXPECT_EQ(resolved(app + "\\My Tools\\Util.exe -x"), QStringList({app + "/My Tools/Util", "-x"}));
    EXPECT_EQ(resolved("logoff.bat a"), QStringList({"/bin/sh", app + "/logoff.sh", "a"}));
    EXPECT_TRUE(resolveCommandLine("NoSuchProgram.exe a").program.isEmpty());

    SystemProcesses processes; // started and waited for, or detached; windows closed by their class and title
    makeProgram("attach.sh", "[ \"$1\" = \"東京\" ] && exit 3\nexit 1\n", false);
    int code = 0;
    ASSERT_TRUE(processes.startAndWait("attach.bat 東京", &code));
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(processes.startAndWait("NoSuchProgram.exe", &code));
    // A bounded wait: the exit code, or at the limit a timeout, events handled all along.
    EXPECT_EQ(processes.startAndWaitAtMost("attach.bat 東京", 20000, &code), WaitResult::Ended);
    EXPECT_EQ(code, 3);
    makeProgram("hang.sh", "exec sleep 30\n", false);
    int ticks = 0;
    QTimer timer;
    timer.callOnTimeout([&] { ++ticks; });
    timer.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(processes.startAndWaitAtMost("hang.bat", 500, &code), WaitResult::TimedOut);
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_GT(ticks, 10);
    EXPECT_EQ(processes.startAndWaitAtMost("NoSuchProgram.exe", 500, &code), WaitResult::NotStarted);
    EXPECT_FALSE(processes.startDetached("NoSuchProgram.exe", WindowStyle::NormalFocus));

    // Nobody listens: no window. A window's name differs by title.
    EXPECT_FALSE(processes.postClose("ThunderRT6FormDC", "地図"));
    EXPECT_NE(windowSocketName("ThunderRT6FormDC", "地図"), windowSocketName("ThunderRT6FormDC", "地図2"));
    // Delivery to a listening window is checked with the map companion stand-in.
}

TEST(MessageBoxesAndFont, ConsoleAndDesktopBoxesAndAnInstalledFontCoveringJapanese)
{
    using namespace platform;
    ConsoleMessageBoxes boxes; // without a desktop each box takes its first answer
    EXPECT_EQ(boxes.show("終了しますか？", QString(), MsgIcon::Question, MsgButtons::YesNo), MsgAnswer::Yes);
    EXPECT_EQ(boxes.show("再試行", "確認", MsgIcon::None, MsgButtons::RetryCancel), MsgAnswer::Retry);

    TestInstallation inst; // on the desktop: the program's title, the default button, the answer clicked
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->windowTitle(), kProgramTitle);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(
        desktop::QtMessageBoxes().show("終了しますか？", QString(), MsgIcon::Question, MsgButtons::YesNo),
        MsgAnswer::No);

    // An installed Japanese font: Japanese text finds its glyphs in the application font.
    const QFont before = QApplication::font();
    ASSERT_TRUE(desktop::useJapaneseFont());
    const QFont font = QApplication::font();
    EXPECT_EQ(font.pointSizeF(), before.pointSizeF());
    EXPECT_TRUE(QFontDatabase::writingSystems(font.families().value(0)).contains(QFontDatabase::Japanese));
    const QFontMetrics metrics(font);
    for (const char32_t c : std::u32string_view(U"拠点メニューをｱ選択"))
        EXPECT_TRUE(metrics.inFontUcs4(c)) << int(c);
    QApplication::setFont(before);
}
