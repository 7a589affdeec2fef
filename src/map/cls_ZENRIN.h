#pragma once

#include "map/mapcontrols.h"

#include <QString>

// The one class through which the program drives the map components: sign-in and
// configuration, scale, move, address match, distance, drawing, print and the interaction
// switches. Every i... operation returns 0 for success and -1 for failure with sErrMsg set.
class cls_ZENRIN
{
public:
    cls_ZENRIN() = default;
    ~cls_ZENRIN();
    cls_ZENRIN(const cls_ZENRIN&) = delete;
    cls_ZENRIN& operator=(const cls_ZENRIN&) = delete;

    const QString& sErrMsg() const { return sErrMsg_; }
    // Replaces the sign-in component (its result event then reaches this object).
    void zdcLogin(offlinemap::MapSignIn* zLogin);
    double dblDistanceResult() const { return dblDistanceResult_; }

    short ihehe();
    short iInit(const QString& sUser, const QString& sPass, offlinemap::MapSignIn* zLogin,
                offlinemap::MapControl* zMap = nullptr, offlinemap::MapCalculator* zCalc = nullptr,
                offlinemap::MapMatcher* zMatch = nullptr);
    short iSetLoginID(offlinemap::MapSignIn* zLogin, offlinemap::MapControl* zMap = nullptr,
                      offlinemap::MapCalculator* zCalc = nullptr, offlinemap::MapMatcher* zMatch = nullptr);
    short iLogout();
    short iSetMapScale(qint32 nScale);
    short iDrawMapPos(qint32 n01_X, qint32 n01_Y);
    short iAddressMatch(const QString& sAddress, qint32& nZahyouX, qint32& nZahyouY);
    short iDistance(qint32 n01_X, qint32 n01_Y, qint32 n02_X, qint32 n02_Y);
    short iDispLine(qint32 nColor, qint32 nWidth, qint32 n01_X, qint32 n01_Y, qint32 n02_X, qint32 n02_Y,
                    QString& varFigID);
    short iDispIcon(qint32 nWidth, qint32 nHeight, const QString& sIconPath, qint32 nX, qint32 nY,
                    const QString& sComment, QString& varFigID);
    short iDeleteObject(const QString& sFigID);
    short iDeleteObjectInLayer(bool bRedrawFlg);
    short iPrintMap(const QString& sName, const QString& sZip, const QString& sAddress, const QString& sTel);
    short iEnableUI(bool bVal);

    // The sign-in and distance waits end with -1 when their result event has not come
    // within this many milliseconds (a component that never answers must not hold the
    // window forever).
    void setWaitLimit(qint64 milliseconds) { waitLimit_ = milliseconds; }
    static constexpr qint64 kDefaultWaitLimit = 60000;

    // The result events (public so that the components' events can be routed here).
    void m_zdcLogin_LoginResult(qint32 failed, qint32 code);
    void m_zdcCalc_MapResult(double distance, qint32 failed);

private:
    bool timeSettingIsNumeric() const;
    // Keeps window messages flowing until *status leaves 0; false when the limit passed.
    bool waitForResult(const short* status) const;
    void hook();
    void unhook();

    offlinemap::MapSignIn* m_zdcLogin = nullptr;
    offlinemap::MapControl* m_zdcMap = nullptr;
    offlinemap::MapCalculator* m_zdcCalc = nullptr;
    offlinemap::MapMatcher* m_zdcMatch = nullptr;
    short loginStatus_ = 0;
    short calcStatus_ = 0;
    double dblDistanceResult_ = 0;
    QString timeSetting_;
    QString sErrMsg_;
    qint64 waitLimit_ = kDefaultWaitLimit;
};

// The service paths of the sign-in.
QString zenrinAuthPath();
QString zenrinUpdatePath();
