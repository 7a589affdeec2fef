#pragma once

#include "installation.h"
#include "map/mapcontrols.h"

#include <QStringList>

// The map's geography and pictures in a test installation: MAP/, zenrinCGI/tokyostation.gif
// and the marker icons, copied from the build's extraction (made by the build, or here by
// scripts/make-mapdata.sh when the cache is missing).
void installMapData(const TestInstallation& inst);

// Doubles of the map components that record every call as text ("map 78 JP|http://..")
// into one shared log, in calling order, and answer as scripted.
struct CallLog {
    QStringList calls;
};

class RecordingSignIn : public offlinemap::MapSignIn
{
public:
    explicit RecordingSignIn(CallLog& log) : log_(log) {}
    void signIn(const QString& user, const QString& a2, const QString& a3, const QString& password,
                const QString& a5, qint32 a6, qint32 a7, qint32 a8, const QString& authPath,
                const QString& updatePath) override;
    QString authorisationId() const override;
    QString serverSettingA() const override;
    QString serverSettingB() const override;
    qint32 signOutState() override;
    qint32 signOut() override;

    // The event sent while the wrapper waits; none when answer is false.
    bool answer = true;
    qint32 failFlag = 0;
    qint32 signOutStateResult = 0;
    qint32 signOutResult = 0;
    QString id = QStringLiteral("ID1"), a = QStringLiteral("SA"), b = QStringLiteral("SB");

private:
    CallLog& log_;
};

class RecordingMap : public offlinemap::MapControl
{
public:
    explicit RecordingMap(CallLog& log) : log_(log) {}
    qint32 resetService(const QString& text, qint32 value) override;
    qint32 setServer(const QString& b, const QString& a) override;
    qint32 setAuthorisationId(const QString& id) override;
    void setScale(qint32 scale) override;
    qint32 scale() const override { return scale_; }
    void setActive(bool on) override;
    qint32 createLayer(const QString& name, short layer) override;
    qint32 deleteLayer(short layer) override;
    qint32 move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short s) override;
    qint32 newLine(offlinemap::MapLine& line) override;
    qint32 newIcon(offlinemap::MapIcon& icon) override;
    qint32 newCircle(offlinemap::MapCircle& circle) override;
    qint32 addToLayer(short layer, const offlinemap::MapFigure& figure, QString& figId) override;
    qint32 deleteFigure(QString& figId) override;
    void redraw(bool full) override;
    void setPrintSetting(short setting) override;
    void setPrintCaption(const QString& caption) override;
    qint32 print() override;
    void setDragMoves(bool on) override;
    void setWheelZooms(bool on) override;
    void setDoubleClickCentres(bool on) override;

    // Member number -> result it gives (0 when not named).
    QMap<int, qint32> results;
    QVector<offlinemap::MapFigure> added;
    qint32 scale_ = 0;

private:
    qint32 result(int member) const { return results.value(member, 0); }
    CallLog& log_;
};

class RecordingCalculator : public offlinemap::MapCalculator
{
public:
    explicit RecordingCalculator(CallLog& log) : log_(log) {}
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override;
    void clearPoints() override;
    void addPoint(qint32& x, qint32& y) override;
    qint32 start() override;

    bool answer = true;
    qint32 initResult = 0, startResult = 0, errorFlag = 0;
    QVector<double> distances; // one per start, in order

private:
    CallLog& log_;
    int starts_ = 0;
};

class RecordingMatcher : public offlinemap::MapMatcher
{
public:
    explicit RecordingMatcher(CallLog& log) : log_(log) {}
    void setMode(short mode) override;
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override;
    qint32 match(QString& address, short count) override;
    QVector<offlinemap::MatchResult> results() const override { return found; }

    qint32 initResult = 0, matchResult = 0;
    QVector<offlinemap::MatchResult> found{{503161650, 128452450}};

private:
    CallLog& log_;
};
