// An installation on a real network file system: a folder of this machine mounted with sshfs
// (FUSE), its SFTP server started by sshfs in place of the ssh connection to a file server.

#include "programs.h"

#include "db/provider.h"

#include <QDir>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

namespace
{

// Mounts remote/ of the installation at mnt/: empty when mounted, else why it cannot (sshfs
// tells when FUSE is missing here).
QString mountShare(const TestInstallation& inst)
{
    const QString sftpServer = "/usr/lib/openssh/sftp-server";
    if (QStandardPaths::findExecutable("sshfs").isEmpty() || !QFileInfo::exists(sftpServer))
        return "sshfs or " + sftpServer + " is missing (sshfs, openssh-sftp-server)";
    inst.writeFile("sftp", "#!/bin/sh\nexec " + sftpServer + "\n");
    QFile(inst.file("sftp")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    QDir().mkpath(inst.file("mnt"));
    QDir().mkpath(inst.file("remote"));
    QProcess sshfs;
    sshfs.setProcessChannelMode(QProcess::MergedChannels);
    sshfs.start("sshfs", {"-o", "ssh_command=" + inst.file("sftp"), "server:" + inst.file("remote"),
                          inst.file("mnt")});
    const bool mounted =
        sshfs.waitForFinished(30000) && sshfs.exitStatus() == QProcess::NormalExit && sshfs.exitCode() == 0;
    return mounted ? QString() : "sshfs could not mount: " + QString(sshfs.readAll());
}

} // namespace

TEST(NetworkFolder, OsqlRefusesAnInstallationOnAnSshfsShare)
{
    TestInstallation inst;
    if (const QString why = mountShare(inst); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    const auto unmount = qScopeGuard([&] {
        db::closeIdleEmbeddedConnections(); // kept database handles would hold the mount
        if (QProcess::execute("fusermount3", {"-u", inst.file("mnt")}) != 0)
            QProcess::execute("fusermount3", {"-u", "-z", inst.file("mnt")});
    });

    // The program folder on the share; its first-run rebuild makes nothing there.
    const QString program = QFileInfo(inst.file("mnt")).canonicalFilePath() + "/KVX";
    // A loaded machine has seen the first writes through a fresh mount fail: tried again briefly.
    QFile binary(binDir() + "/osql");
    for (int i = 0; i < 20 && !(QDir().mkpath(program) && binary.copy(program + "/osql")); ++i)
        QThread::msleep(250);
    ASSERT_TRUE(QFile::exists(program + "/osql")) << binary.errorString().toStdString();
    inst.writeFile("mnt/KVX/attach.SQL", "CREATE DATABASE MIRANE45\r\nGO\r\n");
    EXPECT_EQ(run(program, "osql", {"-S", "PC01\\MIRANE", "-i", "attach.SQL", "-o", "system.log"}).code, 1);
    const QString log = inst.readText("mnt/KVX/system.log");
    EXPECT_TRUE(log.startsWith(
        "接続: エラー\r\n  データベースのフォルダー \"" + program +
        "/SQLDATA/PC01_MIRANE\" はネットワーク上のファイル システム (fuse.sshfs) にあるため、"));
    EXPECT_FALSE(inst.exists("remote/KVX/SQLDATA"));
}
