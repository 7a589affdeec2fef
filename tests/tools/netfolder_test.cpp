// An installation on a real network file system: a folder of this machine served by an sshd
// of the test's own on 127.0.0.1 and mounted with sshfs (FUSE), as a shared drive is.

#include "programs.h"

#include "db/provider.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace
{

QString tool(const QString& name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"});
}

bool mounted(const QString& folder)
{
    QFile table("/proc/self/mountinfo");
    return table.open(QIODevice::ReadOnly) && table.readAll().contains(" " + QFile::encodeName(folder) + " ");
}

// <folder>/remote served over SSH and mounted at <folder>/mnt, until it goes.
struct SshfsShare {
    const TestInstallation& inst;
    const QString remote = inst.file("remote"), mount = inst.file("mnt"), keys = inst.file("keys");
    QProcess sshd, sshfs;

    ~SshfsShare()
    {
        db::closeIdleEmbeddedConnections(); // kept database handles would hold the mount
        if (mounted(mount) && QProcess::execute(tool("fusermount3"), {"-u", mount}) != 0)
            QProcess::execute(tool("fusermount3"), {"-u", "-z", mount});
        for (QProcess* p : {&sshfs, &sshd}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
        }
    }

    // Empty when mounted, else why this machine cannot.
    QString start()
    {
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0)
            return "FUSE is missing here (/dev/fuse cannot be opened)";
        ::close(fuse);
        if (tool("sshd").isEmpty() || tool("sshfs").isEmpty() || tool("fusermount3").isEmpty())
            return "sshd, sshfs or fusermount3 is missing (openssh-server, sshfs)";
        // sshd started by root wants the privilege separation folder its service makes.
        if ((::getuid() == 0 && !QDir().mkpath("/run/sshd")) || !QDir().mkpath(mount) ||
            !QDir().mkpath(remote))
            return "/run/sshd or the test's folders cannot be made";
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const QString port = QString::number(probe.serverPort());
        probe.close();
        inst.writeFile("keys/sshd_config",
                       QString("ListenAddress 127.0.0.1:%1\nHostKey %2/host\nAuthorizedKeysFile "
                               "%2/client.pub\nPidFile none\nStrictModes no\nUsePAM no\n"
                               "Subsystem sftp internal-sftp\n")
                           .arg(port, keys));
        for (const char* key : {"host", "client"})
            QProcess::execute(tool("ssh-keygen"), {"-q", "-t", "ed25519", "-N", "", "-f", keys + "/" + key});
        sshd.setProcessChannelMode(QProcess::MergedChannels);
        sshfs.setProcessChannelMode(QProcess::MergedChannels);
        sshd.start(tool("sshd"), {"-D", "-e", "-f", keys + "/sshd_config"});
        const QStringList args =
            QString("-f -p %1 -F /dev/null -o BatchMode=yes -o StrictHostKeyChecking=no -o "
                    "UserKnownHostsFile=/dev/null -o IdentityFile=%2/client %3@127.0.0.1:%4 %5")
                .arg(port, keys, ::getpwuid(::getuid())->pw_name, remote, mount)
                .split(' ');
        // sshfs gives up at once while sshd is not listening yet: started again for up to 30 seconds.
        for (int i = 0; i < 300 && !mounted(mount) && sshd.state() != QProcess::NotRunning; ++i) {
            if (sshfs.state() == QProcess::NotRunning)
                sshfs.start(tool("sshfs"), args);
            sshfs.waitForFinished(100); // (and notices that it ended: there is no event loop)
        }
        return mounted(mount) ? QString()
                              : "sshfs could not mount: " + QString(sshd.readAll() + sshfs.readAll());
    }
};

} // namespace

TEST(NetworkFolder, OsqlRefusesAnInstallationOnAnSshfsShare)
{
    TestInstallation inst;
    SshfsShare share{inst};
    if (const QString why = share.start(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();

    // The program folder on the share; its first-run rebuild makes nothing there.
    const QString program = QFileInfo(share.mount).canonicalFilePath() + "/KVX";
    // A loaded machine has seen the first writes through a fresh mount fail: tried again briefly.
    QFile binary(binDir() + "/osql");
    for (int i = 0; i < 20 && !(QDir().mkpath(program) && binary.copy(program + "/osql")); ++i)
        QThread::msleep(250);
    ASSERT_TRUE(QFile::exists(program + "/osql")) << binary.errorString().toStdString();
    inst.writeFile("mnt/KVX/attach.SQL", "CREATE DATABASE MIRANE45\r\nGO\r\n");
    EXPECT_EQ(run(program, "osql", {"-S", "PC01\\MIRANE", "-i", "attach.SQL", "-o", "system.log"}, 60).code,
              1);
    const QString refusal =
        "データベースのフォルダー \"" + program +
        "/SQLDATA/PC01_MIRANE\" はネットワーク上のファイル システム (fuse.sshfs) にあるため、";
    EXPECT_TRUE(inst.readText("mnt/KVX/system.log").startsWith("接続: エラー\r\n  " + refusal));
    EXPECT_FALSE(QFile::exists(share.remote + "/KVX/SQLDATA"));
}
