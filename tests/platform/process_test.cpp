#include "installation.h"
#include "platform/cmdline.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"

#include <QApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
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
    EXPECT_EQ(platform::splitWindowsCommandLine(QStringLiteral("C:\\TopMenu\\Main.exe 東京－本店 11 69")),
              (QStringList{"C:\\TopMenu\\Main.exe", QStringLiteral("東京－本店"), "11", "69"}));
    EXPECT_EQ(
        platform::splitWindowsCommandLine(QStringLiteral("\"C:\\My Apps\\x.exe\"  \"a b\"\tc\"d e\"f \"\"")),
        (QStringList{"C:\\My Apps\\x.exe", "a b", "cd ef", ""}));
    // Backslashes count only before a quote; the program name keeps them all.
    EXPECT_EQ(
        platform::splitWindowsCommandLine(QStringLiteral("C:\\p\\ a\\\\b \\\\\\\"c d\\\\\"e f\" \"x\"\"y\"")),
        (QStringList{"C:\\p\\", "a\\\\b", "\\\"c", "d\\e f", "x\"y"}));
    EXPECT_EQ(platform::splitWindowsCommandLine(QStringLiteral("   ")), QStringList());
}

TEST(CommandLine, ResolvesProgramsAsWindowsWould)
{
    TestInstallation inst;
    const QString app = inst.path();
    makeProgram(inst, QStringLiteral("Main"), "#!/bin/sh\n");
    makeProgram(inst, QStringLiteral("logoff.sh"), "exit 0\n", false);
    makeProgram(inst, QStringLiteral("My Tools/Util"), "#!/bin/sh\n");

    EXPECT_EQ(platform::resolveProgram(app + QStringLiteral("\\MAIN.exe")), app + QStringLiteral("/Main"));
    EXPECT_EQ(platform::resolveProgram(QStringLiteral("Main.exe")), app + QStringLiteral("/Main"));
    EXPECT_EQ(platform::resolveProgram(app + QStringLiteral("\\logoff.bat")),
              app + QStringLiteral("/logoff.sh"));
    EXPECT_EQ(platform::resolveProgram(QStringLiteral("sh")).isEmpty(), false); // found on PATH
    EXPECT_EQ(platform::resolveProgram(app + QStringLiteral("\\Missing.exe")), QString());

    // The environment name with a full-width minus passes through as one argument.
    platform::ResolvedCommand c =
        platform::resolveCommandLine(app + QStringLiteral("\\Main.exe 東京－本店 11 69"));
    EXPECT_EQ(c.program, app + QStringLiteral("/Main"));
    EXPECT_EQ(c.arguments, (QStringList{QStringLiteral("東京－本店"), "11", "69"}));
    // An unquoted folder with a blank: the shortest prefix that names a program.
    c = platform::resolveCommandLine(app + QStringLiteral("\\My Tools\\Util.exe -x"));
    EXPECT_EQ(c.program, app + QStringLiteral("/My Tools/Util"));
    EXPECT_EQ(c.arguments, QStringList{"-x"});
    // A script that is not executable runs with the shell.
    c = platform::resolveCommandLine(QStringLiteral("logoff.bat a"));
    EXPECT_EQ(c.program, QStringLiteral("/bin/sh"));
    EXPECT_EQ(c.arguments, (QStringList{app + QStringLiteral("/logoff.sh"), "a"}));
    EXPECT_TRUE(platform::resolveCommandLine(QStringLiteral("NoSuchProgram.exe a")).program.isEmpty());
}

TEST(QtProcesses, StartsWaitsAndClosesWindows)
{
    TestInstallation inst;
    platform::QtProcesses processes;
    makeProgram(inst, QStringLiteral("attach.sh"), "[ \"$1\" = \"東京\" ] && exit 3\nexit 1\n", false);
    int code = 0;
    ASSERT_TRUE(processes.startAndWait(QStringLiteral("attach.bat 東京"), &code));
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(processes.startAndWait(QStringLiteral("NoSuchProgram.exe"), &code));
    EXPECT_FALSE(
        processes.startDetached(QStringLiteral("NoSuchProgram.exe"), platform::WindowStyle::NormalFocus));

    // Nobody listens: no window.
    EXPECT_FALSE(processes.postClose(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("地図")));

    const QString name =
        platform::windowSocketName(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("地図"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^topmenu-wnd-\\d+-[0-9a-f]{16}$")).match(name).hasMatch())
        << name.toStdString();
    EXPECT_NE(name, platform::windowSocketName(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("地図2")));
    QLocalServer::removeServer(name);
    QLocalServer server;
    ASSERT_TRUE(server.listen(name));
    EXPECT_TRUE(processes.postClose(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("地図")));
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
    EXPECT_FALSE(first.previousInstance()); // the holder asking again
    {
        platform::SystemHost second;
        EXPECT_TRUE(second.previousInstance());
    }
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
    EXPECT_EQ(boxes.show(QStringLiteral("終了しますか？"), QString(), platform::MsgIcon::Question,
                         platform::MsgButtons::YesNo),
              platform::MsgAnswer::No);
    EXPECT_EQ(title, platform::kProgramTitle);
    EXPECT_EQ(icon, QMessageBox::Question);
}
