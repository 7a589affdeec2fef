#pragma once

#include "map/figures.h"

#include <QString>
#include <functional>

// The four map components the map wrapper drives, as interfaces: the calls, their order and
// the texts passed are what the wrapper relies on; a result of 0 means success. The member
// numbers of the components' dispatch interfaces are noted beside each call. The offline
// implementations are in offlinemap.h; tests put recording doubles behind the same
// interfaces.
namespace offlinemap
{

// Sign-in. The result of signIn always arrives later through onLoginResult, on the same
// thread, while the caller keeps the window messages flowing.
class MapSignIn
{
public:
    virtual ~MapSignIn() = default;
    // 12: user ID, "", "", password, "", 0, 1, 0, authentication path, update path.
    virtual void signIn(const QString& user, const QString& a2, const QString& a3, const QString& password,
                        const QString& a5, qint32 a6, qint32 a7, qint32 a8, const QString& authPath,
                        const QString& updatePath) = 0;
    virtual QString authorisationId() const = 0; // 2
    virtual QString serverSettingA() const = 0;  // 3
    virtual QString serverSettingB() const = 0;  // 1
    virtual qint32 signOutState() = 0;           // 10: 0 when a sign-out is due
    virtual qint32 signOut() = 0;                // 11

    // The result event: failure flag (0 = success), failure code, four texts.
    std::function<void(qint32 failed, qint32 code, const QString&, const QString&, const QString&,
                       const QString&)>
        onLoginResult;
};

// The map itself, with its drawing layer 0.
class MapControl
{
public:
    virtual ~MapControl() = default;
    virtual qint32 resetService(const QString& text, qint32 value) = 0;             // 83
    virtual qint32 setServer(const QString& settingB, const QString& settingA) = 0; // 78
    virtual qint32 setAuthorisationId(const QString& id) = 0;                       // 79
    virtual void setScale(qint32 scale) = 0;                                        // 26
    virtual qint32 scale() const = 0;
    virtual void setActive(bool on) = 0;                                                 // 1
    virtual qint32 createLayer(const QString& name, short layer) = 0;                    // 68
    virtual qint32 deleteLayer(short layer) = 0;                                         // 69
    virtual qint32 move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short) = 0;    // 64
    virtual qint32 newLine(MapLine& line) = 0;                                           // 96
    virtual qint32 newIcon(MapIcon& icon) = 0;                                           // 158
    virtual qint32 newCircle(MapCircle& circle) = 0;                                     // 101
    virtual qint32 addToLayer(short layer, const MapFigure& figure, QString& figId) = 0; // 86
    virtual qint32 deleteFigure(QString& figId) = 0;                                     // 75
    virtual void redraw(bool full) = 0;                                                  // 72
    virtual void setPrintSetting(short setting) = 0;                                     // 48
    virtual void setPrintCaption(const QString& caption) = 0;                            // 38
    virtual qint32 print() = 0;                                                          // 92
    virtual void setDragMoves(bool on) = 0;                                              // 149
    virtual void setWheelZooms(bool on) = 0;                                             // 150
    virtual void setDoubleClickCentres(bool on) = 0;                                     // 151

    // Events: an error (16-bit code, 32-bit detail) and the left button going down (button,
    // shift state, the point's X and Y, 0).
    std::function<void(short code, qint32 detail)> onError;
    std::function<void(qint32 button, qint32 shift, qint32 x, qint32 y, qint32)> onLButtonDown;
};

// Distance between points. The result of start always arrives through onResult.
class MapCalculator
{
public:
    virtual ~MapCalculator() = default;
    virtual qint32 initialise(const QString& settingB, const QString& settingA, const QString& id,
                              const QString& text) = 0; // 8
    virtual void clearPoints() = 0;                     // 4
    virtual void addPoint(qint32& x, qint32& y) = 0;    // 2
    virtual qint32 start() = 0;                         // 6
    // The result event: a value, the distance in metres, two words, the error flag (0 = success).
    std::function<void(qint32, double metres, qint32, qint32, qint32 failed)> onResult;
};

struct MatchResult {
    qint32 X = 0;
    qint32 Y = 0;
    // True when the position is no better than the centre of a municipality (or prefecture).
    bool centreOnly = false;
};

// Address matching.
class MapMatcher
{
public:
    virtual ~MapMatcher() = default;
    virtual void setMode(short mode) = 0; // 3
    virtual qint32 initialise(const QString& settingB, const QString& settingA, const QString& id,
                              const QString& text) = 0;      // 13
    virtual qint32 match(QString& address, short count) = 0; // 19
    virtual QVector<MatchResult> results() const = 0;        // 6
};

} // namespace offlinemap
