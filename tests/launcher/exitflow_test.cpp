#include "installation.h"
#include "launcher/exitflow.h"
#include "state/state.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
// Runs the reminder on the given day and answers its dialog with the button; returns the
// date the dialog showed, empty when no dialog came up.
QString exitOn(TestInstallation& inst, QDate today, const char* button, bool option = true)
{
    inst.clock.current = QDateTime(today, QTime(18, 0));
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shown = dialog->findChild<QLabel*>("lblLastDate")->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        }
    });
    runBackupReminder(option);
    QCoreApplication::processEvents();
    return shown;
}

void installProgram(TestInstallation& inst, const QString& relative)
{
    inst.writeFile(relative, "#!/bin/sh\n");
    QFile::setPermissions(inst.file(relative), QFile::permissions(inst.file(relative)) | QFile::ExeOwner);
}
} // namespace

TEST(ExitFlow, BackupReminderAndUtility)
{
    // (31 January to 29 February and 1 March 2024: the reminder below.)
    EXPECT_FALSE(isBackupDue("2024/12/15", QDate(2025, 1, 15)));

    TestInstallation inst;
    inst.writeFile("drive_c/KVX/utility/databackup.txt", "2024/01/31\r\n");
    installProgram(inst, "drive_c/KVX/utility/TrtUtility45");
    // No reminder, and no utility although the dialog result still holds its start-up 0.
    EXPECT_EQ(exitOn(inst, QDate(2024, 2, 29), "btnLast"), "");
    EXPECT_EQ(exitOn(inst, QDate(2024, 5, 1), "btnLast", false), "");
    state().giProductType = 2;
    EXPECT_EQ(exitOn(inst, QDate(2024, 5, 1), "btnLast"), "");
    state().giProductType = 1;
    EXPECT_EQ(exitOn(inst, QDate(2024, 3, 1), "btnCancel"), QStringLiteral("令和6年01月31日"));

    EXPECT_NE(exitOn(inst, QDate(2024, 3, 1), "btnLast"), "");
    ASSERT_EQ(inst.commandLines(), QStringList{"C:\\KVX\\utility\\TrtUtility45.exe"});
    EXPECT_EQ(inst.processes.started[0].style, platform::WindowStyle::NormalFocus);

    QFile::remove(inst.file("drive_c/KVX/utility/TrtUtility45"));
    EXPECT_NE(exitOn(inst, QDate(2024, 3, 1), "btnLast"), "");
    EXPECT_EQ(inst.processes.started.size(), 1u);
    inst.expectLastBox("ユーティリティを起動できません。", "起動エラー", platform::MsgIcon::Critical);
}

TEST(ExitFlow, ClosingSequenceLogsOutAndKeepsTheLastUser)
{
    TestInstallation inst;
    inst.createDatabase("PC01\\MIRANE", true);
    inst.writeAdodbIni();
    installProgram(inst, "logoff.sh");
    inst.processes.windows << "ThunderRT6FormDC|QmapLogin";
    state().gtLoginUser.LoginId = "admin";
    state().giSelKyotenCd = 3;

    // (The account logged out and its file gone: the end-to-end exit.)
    runClosingSequence(2, 1);
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              "[kyotenCd]= 3\r\n[Index]= 2\r\n[DB]= 1\r\n[LastLoginUser]=admin\r\n");
    EXPECT_EQ(inst.processes.closeRequests, QStringList{"ThunderRT6FormDC|QmapLogin"});
    EXPECT_TRUE(inst.processes.started.empty()); // no log-off script for product type 0

    state().giProductType = 20;
    runClosingSequence(0, 0);
    ASSERT_EQ(inst.commandLines(), QStringList{inst.path() + "\\logoff.bat"});
    EXPECT_EQ(inst.processes.started[0].style, platform::WindowStyle::MinimizedNoFocus);
    EXPECT_TRUE(inst.messages.shown.empty());
}
