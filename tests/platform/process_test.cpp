#include "installation.h"
#include "platform/cmdline.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/process.h"

#include <QApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

void makeProgram(const TestInstallation& inst, const QString& relative, const QByteArray& script,
                 bool executable = true)
{
    inst.writeBytes(relative, script);
    if (executable)
        QFile::setPermissions(inst.file(relative), QFile::permissions(inst.file(relative)) | QFile::ExeOwner);
}

} // namespace

TEST(CommandLine, SplitsByWindowsRules)
{
    using platform::splitWindowsCommandLine;
    EXPECT_EQ(splitWindowsCommandLine("C:\\TopMenu\\Main.exe 東京－本店 11 69"),
              QStringList({"C:\\TopMenu\\Main.exe", "東京－本店", "11", "69"}));
    EXPECT_EQ(splitWindowsCommandLine("\"C:\\My Apps\\x.exe\"  \"a b\"\tc\"d e\"f \"\""),
              QStringList({"C:\\My Apps\\x.exe", "a b", "cd ef", ""}));
    // Backslashes count only before a quote; the program name keeps them all.
    EXPECT_EQ(splitWindowsCommandLine("C:\\p\\ a\\\\b \\\\\\\"c d\\\\\"e f\" \"x\"\"y\""),
              QStringList({"C:\\p\\", "a\\\\b", "\\\"c", "d\\e f", "x\"y"}));
    EXPECT_EQ(splitWindowsCommandLine("   "), QStringList());
}

TEST(CommandLine, ResolvesProgramsAsWindowsWould)
{
    using platform::resolveCommandLine;
    using platform::resolveProgram;
    TestInstallation inst;
    const QString app = inst.path();
    makeProgram(inst, "Main", "#!/bin/sh\n");
    makeProgram(inst, "logoff.sh", "exit 0\n", false);
    makeProgram(inst, "My Tools/Util", "#!/bin/sh\n");

    EXPECT_EQ(resolveProgram(app + "\\MAIN.exe"), app + "/Main");
    EXPECT_EQ(resolveProgram("Main.exe"), app + "/Main");
    EXPECT_EQ(resolveProgram(app + "\\logoff.bat"), app + "/logoff.sh");
    EXPECT_EQ(resolveProgram("sh").isEmpty(), false); // found on PATH
    EXPECT_EQ(resolveProgram(app + "\\Missing.exe"), QString());

    // Program and arguments: a name with a full-width minus stays one argument; an unquoted
    // blank gives the shortest prefix naming a program; a script not executable runs with sh.
    const auto resolved = [](const QString& commandLine) {
        const platform::ResolvedCommand c = resolveCommandLine(commandLine);
        return QStringList{c.program} + c.arguments;
    };
    EXPECT_EQ(resolved(app + "\\Main.exe 東京－本店 11 69"),
              QStringList({app + "/Main", "東京－本店", "11", "69"}));
    EXPECT_EQ(resolved(app + "\\My Tools\\Util.exe -x"), QStringList({app + "/My Tools/Util", "-x"}));
    EXPECT_EQ(resolved("logoff.bat a"), QStringList({"/bin/sh", app + "/logoff.sh", "a"}));
    EXPECT_TRUE(resolveCommandLine("NoSuchProgram.exe a").program.isEmpty());
}

TEST(QtProcesses, StartsWaitsAndClosesWindows)
{
    TestInstallation inst;
    platform::QtProcesses processes;
    makeProgram(inst, "attach.sh", "[ \"$1\" = \"東京\" ] && exit 3\nexit 1\n", false);
    int code = 0;
    ASSERT_TRUE(processes.startAndWait("attach.bat 東京", &code));
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(processes.startAndWait("NoSuchProgram.exe", &code));
    EXPECT_FALSE(processes.startDetached("NoSuchProgram.exe", platform::WindowStyle::NormalFocus));

    // Nobody listens: no window.
    const QString form = "ThunderRT6FormDC";
    EXPECT_FALSE(processes.postClose(form, "地図"));

    const QString name = platform::windowSocketName(form, "地図");
    EXPECT_TRUE(QRegularExpression("^topmenu-wnd-\\d+-[0-9a-f]{16}$").match(name).hasMatch())
        << name.toStdString();
    EXPECT_NE(name, platform::windowSocketName(form, "地図2"));
    QLocalServer::removeServer(name);
    QLocalServer server;
    ASSERT_TRUE(server.listen(name));
    EXPECT_TRUE(processes.postClose(form, "地図"));
    ASSERT_TRUE(server.waitForNewConnection(2000));
    QLocalSocket* client = server.nextPendingConnection();
    while (!client->canReadLine() && client->waitForReadyRead(2000)) {
    }
    EXPECT_EQ(client->readLine(), QByteArray("WM_CLOSE\n"));
}

TEST(SystemHost, NamesTheComputerAndHoldsTheInstanceLock)
{
    TestInstallation inst;
    platform::SystemHost first;
    const QString name = first.computerName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 15);
    EXPECT_EQ(name, name.toUpper());
    EXPECT_FALSE(name.contains(u'.'));

    EXPECT_FALSE(first.previousInstance());
    EXPECT_FALSE(first.previousInstance());                 // the holder asking again
    EXPECT_TRUE(platform::SystemHost().previousInstance()); // a second instance
}

TEST(QtMessageBoxes, ShowsTheProgramTitleAndMapsTheAnswer)
{
    TestInstallation inst;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        title = box->windowTitle();
        icon = box->icon();
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::No)->click();
    });
    platform::QtMessageBoxes boxes;
    EXPECT_EQ(
        boxes.show("終了しますか？", QString(), platform::MsgIcon::Question, platform::MsgButtons::YesNo),
        platform::MsgAnswer::No);
    EXPECT_EQ(title, platform::kProgramTitle);
    EXPECT_EQ(icon, QMessageBox::Question);
}
