#include "installation.h"
#include "platform/host.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

struct Ran {
    int code = -1;
    QString out;
};

// Runs a program to its end (at most `seconds`): its exit code (-1 when it did not end
// normally) and what it wrote to either channel.
Ran run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), int seconds = 60)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ended = p.waitForFinished(seconds * 1000);
    if (!ended)
        p.kill();
    p.waitForFinished();
    return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

} // namespace

// The package of this build tree, unpacked into a folder of its own (nothing is installed):
// its control fields and desktop files, then its topmenu command laying out a new program
// folder and starting that folder's TopMenu as the menu entry does, up to the first start's
// database rebuild and the first-time setup.
TEST(Package, UnpackedPackageLaysOutAndStartsANewInstallation)
{
    QTemporaryDir work;
    const QString build = QFileInfo(binDir() + "/..").canonicalFilePath();
    // gzip rather than xz: the same package, packed in a third of the time.
    const Ran cpack = run("cpack",
                          {"--config", build + "/CPackConfig.cmake", "-D",
                           "CPACK_DEBIAN_COMPRESSION_TYPE=gzip", "-B", work.path() + "/out"},
                          QProcessEnvironment::systemEnvironment(), 900);
    ASSERT_EQ(cpack.code, 0) << cpack.out.toStdString();
    const QStringList debs = QDir(work.path() + "/out").entryList({"topmenu_*.deb"});
    ASSERT_EQ(debs.size(), 1) << cpack.out.toStdString();
    const QString deb = work.path() + "/out/" + debs.first();

    const Ran fields = run("dpkg-deb", {"--field", deb, "Package", "Depends"});
    EXPECT_TRUE(fields.out.startsWith("Package: topmenu\n")) << fields.out.toStdString();
    // dpkg-shlibdeps found the programs' libraries; the font and Qt's texts are added.
    for (const char* dependency : {"libqt6widgets6", "libqt6printsupport6", "libsqlite3-0",
                                   "fonts-ipafont-gothic | fonts-noto-cjk", "qt6-translations-l10n"})
        EXPECT_TRUE(fields.out.contains(dependency)) << dependency << "\n" << fields.out.toStdString();
    // The build's own tools stay out (geoplaces reads GeoNames at build time).
    EXPECT_FALSE(fields.out.contains("libgeonames")) << fields.out.toStdString();

    const Ran lintian =
        run("lintian", {"--fail-on", "error,warning", deb}, QProcessEnvironment::systemEnvironment(), 300);
    EXPECT_EQ(lintian.code, 0) << lintian.out.toStdString();

    const QString root = work.path() + "/root";
    ASSERT_EQ(run("dpkg-deb", {"-x", deb, root}).code, 0);
    const QString appId = "jp.example.mirane.topmenu";
    for (const QStringList& validate :
         {QStringList{"desktop-file-validate", root + "/usr/share/applications/" + appId + ".desktop"},
          {"appstreamcli", "validate", "--no-net",
           root + "/usr/share/metainfo/" + appId + ".metainfo.xml"}}) {
        const Ran r = run(validate[0], validate.mid(1));
        EXPECT_EQ(r.code, 0) << r.out.toStdString();
    }
    for (const char* size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(QFile::exists(root + "/usr/share/icons/hicolor/" + size + "/apps/" + appId + ".png"))
            << size;

    // The user's and the system's configuration in folders of the test; no display, so
    // that the command speaks on its output channel only.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", work.path() + "/config");
    env.insert("XDG_CONFIG_DIRS", work.path() + "/system-config");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    const QString topmenu = root + "/usr/bin/topmenu";

    const Ran unconfigured = run(topmenu, {}, env);
    EXPECT_EQ(unconfigured.code, 1);
    EXPECT_TRUE(unconfigured.out.startsWith("拠点メニューのプログラムフォルダーがまだ設定されていません。\n"))
        << unconfigured.out.toStdString();

    TestInstallation site; // an empty folder: the layout may take it
    const Ran layout = run(topmenu, {"--new-installation", site.path()}, env, 300);
    ASSERT_EQ(layout.code, 0) << layout.out.toStdString();
    QFile conf(work.path() + "/config/topmenu/installation.conf");
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_EQ(conf.readAll(), "Folder=" + site.path().toUtf8() + "\n");
    // A folder that holds anything is never laid out over.
    const QByteArray massage = site.readBytes("Massage.ini");
    site.writeBytes("Massage.ini", "kept");
    EXPECT_EQ(run(topmenu, {"--new-installation", site.path()}, env).code, 1);
    EXPECT_EQ(site.readBytes("Massage.ini"), "kept");
    site.writeBytes("Massage.ini", massage);

    // A TopMenu left from an older package is replaced when the menu starts the folder.
    QFile old(site.file("TopMenu"));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        old.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
    old.close();

    // The menu entry's start: the rebuild question is answered, the database is built with
    // the postal dictionary, the first-time setup opens and is abandoned.
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TOPMENU_STANDIN_EXIT", "1");
    env.insert("TOPMENU_E2E_FROM_START", "1");
    env.insert("TOPMENU_E2E_STEPS", "answer:Ok;wait:frmFirstView;answer:Ok;key:btnCancel=Space");
    const Ran started = run(topmenu, {}, env, 300);
    EXPECT_EQ(started.code, 0) << started.out.toStdString();
    EXPECT_FALSE(started.out.contains("automation:")) << started.out.toStdString();
    EXPECT_EQ(QFileInfo(site.file("TopMenu")).lastModified(),
              QFileInfo(root + "/usr/lib/topmenu/TopMenu").lastModified());

    // (The whole adodb.ini: the launcher window's first-run test.)
    const QString server = platform::SystemHost().computerName() + "\\MIRANE";
    EXPECT_TRUE(site.exists("system.log")); // the database tool ran in the program folder
    EXPECT_GT(site.scalar("SELECT COUNT(*) FROM 郵便番号", server).toInt(), 140000);
    // The map companion the start ran writes its log on its own time; the folder outlives it.
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && site.readBytes("trtzenrin.log").isEmpty())
        QThread::msleep(50);
    EXPECT_FALSE(site.readBytes("trtzenrin.log").isEmpty());
}
