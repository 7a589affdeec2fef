#pragma once

#include "installation.h"
#include "map/mapcontrols.h"

#include <QStringList>

// The map's geography and pictures in a test installation: MAP/, zenrinCGI/tokyostation.gif
// and the marker icons, copied from the build's extraction (made by the build, or here by
// scripts/make-mapdata.sh when the cache is missing), and a MapService.ini that switches the
// online services off.
void installMapData(const TestInstallation& inst);

// Doubles of the map components that record every call as text ("map 78|JP|http://..")
// into one shared log, in calling order, and answer as scripted.
struct CallLog {
    QStringList calls;

    static QString text(const QString& s) { return s; }
    static QString text(qint64 n) { return QString::number(n); }
    // Adds the line "name|argument|..." and gives back the answer.
    template <typename Answer, typename... Args>
    Answer add(Answer answer, const QString& name, const Args&... args)
    {
        QStringList parts{name};
        (parts.append(text(args)), ...);
        calls << parts.join('|');
        return answer;
    }
};

class RecordingSignIn : public offlinemap::MapSignIn
{
public:
    explicit RecordingSignIn(CallLog& log) : log_(log) {}
    void signIn(const QString& user, const QString& a2, const QString& a3, const QString& password,
                const QString& a5, qint32 a6, qint32 a7, qint32 a8, const QString& authPath,
                const QString& updatePath) override;
    QString authorisationId() const override { return log_.add(id, "login 2"); }
    QString serverSettingA() const override { return log_.add(a, "login 3"); }
    QString serverSettingB() const override { return log_.add(b, "login 1"); }
    qint32 signOutState() override { return log_.add(signOutStateResult, "login 10"); }
    qint32 signOut() override { return log_.add(signOutResult, "login 11"); }

    // The event sent while the wrapper waits; none when answer is false.
    bool answer = true;
    qint32 failFlag = 0, signOutStateResult = 0, signOutResult = 0;
    QString id = QStringLiteral("ID1"), a = QStringLiteral("SA"), b = QStringLiteral("SB");

private:
    CallLog& log_;
};

class RecordingMap : public offlinemap::MapControl
{
public:
    explicit RecordingMap(CallLog& log) : log_(log) {}
    qint32 resetService(const QString& text, qint32 value) override { return call(83, text, value); }
    qint32 setServer(const QString& b, const QString& a) override { return call(78, b, a); }
    qint32 setAuthorisationId(const QString& id) override { return call(79, id); }
    void setScale(qint32 scale) override
    {
        call(26, scale);
        scale_ = scale;
    }
    qint32 scale() const override { return scale_; }
    void setActive(bool on) override { call(1, on); }
    qint32 createLayer(const QString& name, short layer) override { return call(68, name, layer); }
    qint32 deleteLayer(short layer) override { return call(69, layer); }
    qint32 move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short s) override
    {
        return call(64, mode, x, y, redraw, s);
    }
    qint32 newLine(offlinemap::MapLine& line) override { return handOut(96, line); }
    qint32 newIcon(offlinemap::MapIcon& icon) override { return handOut(158, icon); }
    qint32 newCircle(offlinemap::MapCircle& circle) override { return handOut(101, circle); }
    qint32 addToLayer(short layer, const offlinemap::MapFigure& figure, QString& figId) override;
    qint32 deleteFigure(QString& figId) override { return call(75, figId); }
    void redraw(bool full) override { call(72, full); }
    void setPrintSetting(short setting) override { call(48, setting); }
    void setPrintCaption(const QString& caption) override { call(38, caption); }
    qint32 print() override { return call(92); }
    void setDragMoves(bool on) override { call(149, on); }
    void setWheelZooms(bool on) override { call(150, on); }
    void setDoubleClickCentres(bool on) override { call(151, on); }

    // Member number -> result it gives (0 when not named).
    QMap<int, qint32> results;
    QVector<offlinemap::MapFigure> added;
    qint32 scale_ = 0;

private:
    // Logs "map <member>|arguments" and gives the member's scripted result.
    template <typename... Args> qint32 call(int member, const Args&... args)
    {
        return log_.add(results.value(member, 0), QStringLiteral("map %1").arg(member), args...);
    }
    // The figures come back empty, as the real map hands them out.
    template <typename Figure> qint32 handOut(int member, Figure& figure)
    {
        figure = {};
        return call(member);
    }
    CallLog& log_;
};

class RecordingCalculator : public offlinemap::MapCalculator
{
public:
    explicit RecordingCalculator(CallLog& log) : log_(log) {}
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override
    {
        return log_.add(initResult, "calc 8", b, a, id, t);
    }
    void clearPoints() override { log_.add(0, "calc 4"); }
    void addPoint(qint32& x, qint32& y) override { log_.add(0, "calc 2", x, y); }
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
    void setMode(short mode) override { log_.add(0, "match 3", mode); }
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override
    {
        return log_.add(initResult, "match 13", b, a, id, t);
    }
    qint32 match(QString& address, short count) override
    {
        return log_.add(matchResult, "match 19", address, count);
    }
    QVector<offlinemap::MatchResult> results() const override { return found; }

    qint32 initResult = 0, matchResult = 0;
    QVector<offlinemap::MatchResult> found{{503161650, 128452450}};

private:
    CallLog& log_;
};
