// The embedded engine on a network file system: how a folder's file system is told, the
// refusal on every way into a database, and the journal a single computer may use there.

#include "dbtest.h"
#include "installation.h"

#include "db/provider.h"
#include "db/recipe.h"
#include "platform/runtime.h"
#include "platform/volumes.h"

#include <tuple>

namespace
{

struct FakeVolumes : platform::Volumes {
    QString networkKind(const QString&) const override { return kind; }
    QString kind;
};

} // namespace

TEST(Volumes, TheMountHoldingAFolderTellsItsKind)
{
    // A line of /proc/self/mountinfo, a folder, its device and the kind expected.
    const std::tuple<const char*, const char*, const char*, const char*> mounts[] = {
        {"27 1 254:0 / / rw shared:1 - ext4 /dev/vda rw", "/home/KVX", "254:0", ""},
        {"40 27 0:40 / /home/share rw shared:5 - nfs4 srv:/export rw", "/home/share/KVX", "0:40", "nfs4"},
        {"41 27 0:41 / /mnt/smb rw - cifs //srv/share rw", "/mnt/smb/KVX", "", "cifs"},
        {"42 27 0:42 / /mnt/smb3 rw - smb3 //srv/share rw", "/mnt/smb3", "", "smb3"},
        {"46 27 0:46 / /mnt/ssh rw - fuse.sshfs u@srv:/d rw", "/mnt/ssh/KVX", "0:46", "fuse.sshfs"},
        {"47 27 0:47 / /mnt/old rw - fuse sshfs#u@srv:/d rw", "/mnt/old/KVX", "", "fuse"},
        {"49 27 8:17 / /media/usb rw - fuseblk /dev/sdb1 rw", "/media/usb/KVX", "8:17", ""},
        {"53 27 0:53 / /mnt/a\\040b rw - nfs srv:/x rw", "/mnt/a b/KVX", "", "nfs"},
        {"56 27 0:56 / /mnt/over rw - nfs srv:/over rw", "/mnt/smbx", "", ""},   // no folder of /mnt/smb
        {"57 56 0:57 / /mnt/over rw - tmpfs tmpfs rw", "/mnt/over/KVX", "", ""}, // mounted over
        {"58 27 0:58 / /mnt/x/y rw - nfs srv:/y rw", "/mnt/x/y/KVX", "", "nfs"},
        {"59 27 0:59 / /mnt/x rw - tmpfs tmpfs rw", "/mnt/x/y/KVX", "0:59", ""}, // hides /mnt/x/y
    };
    QByteArray table;
    for (const auto& [line, path, device, kind] : mounts)
        table += QByteArray(line) + '\n';
    for (const auto& [line, path, device, kind] : mounts)
        EXPECT_EQ(platform::networkKindInMountTable(path, device, table), QString(kind)) << line;
    for (const char* path : {"\\\\srv\\share\\KVX", "//srv/share/KVX", "\\\\?\\UNC\\srv\\s", "C:\\KVX",
                             "\\\\?\\C:\\KVX", "\\\\.\\pipe\\x"})
        EXPECT_EQ(platform::isUncPath(path), QByteArray(path).contains("srv")) << path;
}

TEST(NetworkFolder, RefusedOnEveryWayInUnlessAllowedThenWithTheRollbackJournal)
{
    TestInstallation inst;
    makeDatabase("CREATE TABLE T (n INT)");
    inst.writeAdodbIni();
    EXPECT_EQ(column(*connected(), "PRAGMA journal_mode"), QStringList{"wal"}); // this computer's disk
    db::closeIdleEmbeddedConnections();
    FakeVolumes volumes;
    volumes.kind = "nfs4";
    platform::runtime().volumes = &volumes;
    const QString refusal =
        "データベースのフォルダー \"" + inst.path() +
        "/SQLDATA/PC01_MIRANE\" はネットワーク上のファイル システム (nfs4) にあるため、開けません。"
        "組み込みデータベースは、共有フォルダーで複数のコンピューターから使うと壊れるおそれが"
        "あります。データベースはこのコンピューターのローカル ディスクに置くか、複数の"
        "コンピューターで使う場合は SQL Server を使用してください。";

    // The recipe's box, as for every connection failure; osql runs no batch (its log names none).
    EXPECT_EQ(openConnection("iTest() でエラー"), nullptr);
    inst.expectLastBox("iTest() でエラー\r\n(-2147467259)" + refusal, QString(), platform::MsgIcon::Critical);
    db::ScriptResult r = db::runScript("CREATE DATABASE NEW\nGO\nDROP DATABASE MIRANE45\nGO\n", kServer);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.log, QStringList({"接続: エラー", "  " + refusal + " (SQL State 08001, Native Error 14)"}));

    // Allowed: the reading ahead of another thread still never opens it (it reads no setting);
    // the program's own connections and osql take the rollback journal, for old and new files.
    inst.writeFile("SqlEngine.ini", "[SQLOLEDB]\r\nAllowNetworkFolder=1\r\n");
    std::vector<db::ProviderError> errors;
    EXPECT_EQ(db::openEmbeddedFileQuietly(db::embeddedDatabaseFile(kServer, "MIRANE45"), errors), nullptr);
    EXPECT_EQ(errors.size() == 1 ? errors[0].description : QString(), refusal);
    EXPECT_EQ(column(*connected(), "PRAGMA journal_mode"), QStringList{"delete"});
    r = db::runScript("CREATE DATABASE NET\nGO\nUSE NET\nGO\nCREATE TABLE U (n INT)\n", kServer);
    ASSERT_EQ(r.failed, 0) << r.log.join('\n').toStdString();
    EXPECT_EQ(column(*connected(connectionString("NET")), "PRAGMA journal_mode"), QStringList{"delete"});
}
