#include "mapfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

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

void RecordingSignIn::signIn(const QString& user, const QString& a2, const QString& a3,
                             const QString& password, const QString& a5, qint32 a6, qint32 a7, qint32 a8,
                             const QString& authPath, const QString& updatePath)
{
    log_.add(0, "login 12", user, a2, a3, password, a5, a6, a7, a8, authPath, updatePath);
    if (answer) {
        const qint32 flag = failFlag;
        QTimer::singleShot(0, [this, flag] {
            if (onLoginResult)
                onLoginResult(flag, 7, "t1", "t2", "t3", "t4");
        });
    }
}

qint32 RecordingMap::addToLayer(short layer, const offlinemap::MapFigure& figure, QString& figId)
{
    if (const qint32 refused = call(86, layer))
        return refused;
    added.push_back(figure);
    figId = QStringLiteral("F%1").arg(added.size());
    return 0;
}

qint32 RecordingCalculator::start()
{
    if (log_.add(startResult, "calc 6") != 0)
        return startResult;
    const double metres = distances.value(starts_++, 0);
    if (answer) {
        const qint32 flag = errorFlag;
        QTimer::singleShot(0, [this, metres, flag] {
            if (onResult)
                onResult(0, metres, 0, 0, flag);
        });
    }
    return 0;
}
