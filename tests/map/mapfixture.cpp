#include "mapfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

void installMapData(const TestInstallation& inst)
{
    const QString cache = QDir(binDir() + QStringLiteral("/../mapdata")).absolutePath();
    if (!QFileInfo::exists(cache + QStringLiteral("/MAP/municipalities.txt"))) {
        const int rc =
            QProcess::execute(sourceDir() + QStringLiteral("/scripts/make-mapdata.sh"),
                              {binDir() + QStringLiteral("/geoplaces"), cache + QStringLiteral("/MAP")});
        ASSERT_EQ(rc, 0) << "make-mapdata.sh";
    }
    QDirIterator it(cache, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = inst.path() + source.mid(cache.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(source, target)) << target.toStdString();
    }
    // No test reaches the internet: the online services are off unless a test sets them.
    inst.writeFile("MapService.ini", "[Tiles]\r\nURL=off\r\n[AddressSearch]\r\nURL=off\r\n");
}

void installMapScreen(const TestInstallation& inst)
{
    installMapData(inst);
    inst.writeFile("Massage.ini",
                   "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\nSYSTEM_ICON=\\ICON\r\n"
                   "[システム]\r\nミラネタイプ=0\r\nLAST_CALC_FLG=0\r\nZENRIN_USER=demo-user\r\n"
                   "ZENRIN_PWD=demo-pass\r\n");
    inst.writeFile("Miranechan", "OFFLINE-demo-user\r\nhttp://offline-map.localhost\r\nJP\r\n");
    inst.writeFile("QMAPKEY.ini", "[キー情報]\r\nStatus=1\r\nKeyNo=K-0001\r\n");
}
