#include "mapfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace
{
QString cacheFolder()
{
    return QDir(binDir() + QStringLiteral("/../mapdata")).absolutePath();
}

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(source, target)) << target.toStdString();
    }
}
} // namespace

void installMapData(const TestInstallation& inst)
{
    const QString cache = cacheFolder();
    if (!QFileInfo::exists(cache + QStringLiteral("/MAP/places.txt"))) {
        const int rc =
            QProcess::execute(sourceDir() + QStringLiteral("/scripts/make-mapdata.sh"),
                              {binDir() + QStringLiteral("/geoplaces"), cache + QStringLiteral("/MAP")});
        ASSERT_EQ(rc, 0) << "make-mapdata.sh";
    }
    copyTree(cache, inst.path());
}

// ---- doubles

void RecordingSignIn::signIn(const QString& user, const QString& a2, const QString& a3,
                             const QString& password, const QString& a5, qint32 a6, qint32 a7, qint32 a8,
                             const QString& authPath, const QString& updatePath)
{
    log_.calls << QStringList{"login 12",
                              user,
                              a2,
                              a3,
                              password,
                              a5,
                              QString::number(a6),
                              QString::number(a7),
                              QString::number(a8),
                              authPath,
                              updatePath}
                      .join('|');
    if (answer) {
        const qint32 flag = failFlag;
        QTimer::singleShot(0, [this, flag] {
            if (onLoginResult)
                onLoginResult(flag, 7, "t1", "t2", "t3", "t4");
        });
    }
}
QString RecordingSignIn::authorisationId() const
{
    log_.calls << "login 2";
    return id;
}
QString RecordingSignIn::serverSettingA() const
{
    log_.calls << "login 3";
    return a;
}
QString RecordingSignIn::serverSettingB() const
{
    log_.calls << "login 1";
    return b;
}
qint32 RecordingSignIn::signOutState()
{
    log_.calls << "login 10";
    return signOutStateResult;
}
qint32 RecordingSignIn::signOut()
{
    log_.calls << "login 11";
    return signOutResult;
}

qint32 RecordingMap::resetService(const QString& text, qint32 value)
{
    log_.calls << QStringLiteral("map 83|%1|%2").arg(text).arg(value);
    return result(83);
}
qint32 RecordingMap::setServer(const QString& b, const QString& a)
{
    log_.calls << QStringLiteral("map 78|%1|%2").arg(b, a);
    return result(78);
}
qint32 RecordingMap::setAuthorisationId(const QString& id)
{
    log_.calls << QStringLiteral("map 79|%1").arg(id);
    return result(79);
}
void RecordingMap::setScale(qint32 scale)
{
    log_.calls << QStringLiteral("map 26|%1").arg(scale);
    scale_ = scale;
}
void RecordingMap::setActive(bool on)
{
    log_.calls << QStringLiteral("map 1|%1").arg(on);
}
qint32 RecordingMap::createLayer(const QString& name, short layer)
{
    log_.calls << QStringLiteral("map 68|%1|%2").arg(name).arg(layer);
    return result(68);
}
qint32 RecordingMap::deleteLayer(short layer)
{
    log_.calls << QStringLiteral("map 69|%1").arg(layer);
    return result(69);
}
qint32 RecordingMap::move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short s)
{
    log_.calls << QStringLiteral("map 64|%1|%2|%3|%4|%5").arg(mode).arg(x).arg(y).arg(redraw).arg(s);
    return result(64);
}
qint32 RecordingMap::newLine(offlinemap::MapLine& line)
{
    log_.calls << "map 96";
    line = {};
    return result(96);
}
qint32 RecordingMap::newIcon(offlinemap::MapIcon& icon)
{
    log_.calls << "map 158";
    icon = {};
    return result(158);
}
qint32 RecordingMap::newCircle(offlinemap::MapCircle& circle)
{
    log_.calls << "map 101";
    circle = {};
    return result(101);
}
qint32 RecordingMap::addToLayer(short layer, const offlinemap::MapFigure& figure, QString& figId)
{
    log_.calls << QStringLiteral("map 86|%1").arg(layer);
    if (result(86) != 0)
        return result(86);
    added.push_back(figure);
    figId = QStringLiteral("F%1").arg(added.size());
    return 0;
}
qint32 RecordingMap::deleteFigure(QString& figId)
{
    log_.calls << QStringLiteral("map 75|%1").arg(figId);
    return result(75);
}
void RecordingMap::redraw(bool full)
{
    log_.calls << QStringLiteral("map 72|%1").arg(full);
}
void RecordingMap::setPrintSetting(short setting)
{
    log_.calls << QStringLiteral("map 48|%1").arg(setting);
}
void RecordingMap::setPrintCaption(const QString& caption)
{
    log_.calls << QStringLiteral("map 38|%1").arg(caption);
}
qint32 RecordingMap::print()
{
    log_.calls << "map 92";
    return result(92);
}
void RecordingMap::setDragMoves(bool on)
{
    log_.calls << QStringLiteral("map 149|%1").arg(on);
}
void RecordingMap::setWheelZooms(bool on)
{
    log_.calls << QStringLiteral("map 150|%1").arg(on);
}
void RecordingMap::setDoubleClickCentres(bool on)
{
    log_.calls << QStringLiteral("map 151|%1").arg(on);
}

qint32 RecordingCalculator::initialise(const QString& b, const QString& a, const QString& id,
                                       const QString& t)
{
    log_.calls << QStringLiteral("calc 8|%1|%2|%3|%4").arg(b, a, id, t);
    return initResult;
}
void RecordingCalculator::clearPoints()
{
    log_.calls << "calc 4";
}
void RecordingCalculator::addPoint(qint32& x, qint32& y)
{
    log_.calls << QStringLiteral("calc 2|%1|%2").arg(x).arg(y);
}
qint32 RecordingCalculator::start()
{
    log_.calls << "calc 6";
    if (startResult != 0)
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

void RecordingMatcher::setMode(short mode)
{
    log_.calls << QStringLiteral("match 3|%1").arg(mode);
}
qint32 RecordingMatcher::initialise(const QString& b, const QString& a, const QString& id, const QString& t)
{
    log_.calls << QStringLiteral("match 13|%1|%2|%3|%4").arg(b, a, id, t);
    return initResult;
}
qint32 RecordingMatcher::match(QString& address, short count)
{
    log_.calls << QStringLiteral("match 19|%1|%2").arg(address).arg(count);
    return matchResult;
}
