#include "map/cls_ZENRIN.h"

#include "map/offlinemap.h"
#include "platform/clock.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <exception>

using namespace offlinemap;

namespace
{
const QString kCrLf = QStringLiteral("\r\n");

// An unexpected error inside an operation: its name, the error number and description.
QString unexpected(const char* name, const std::exception& e)
{
    return QString::fromLatin1(name) + QStringLiteral("()でエラー") + kCrLf + QStringLiteral("0 ") +
           QString::fromLocal8Bit(e.what());
}

QString miranechanPath()
{
    return platform::nativePath(platform::gsAppPath() + QStringLiteral("\\Miranechan"));
}
} // namespace

QString zenrinAuthPath()
{
    return kServiceHost + QStringLiteral("/zdc_sdk_joi/ninnsyou");
}

QString zenrinUpdatePath()
{
    return kServiceHost + QStringLiteral("/zdc_sdk_joi/update");
}

cls_ZENRIN::~cls_ZENRIN()
{
    unhook();
}

void cls_ZENRIN::hook()
{
    if (m_zdcLogin)
        m_zdcLogin->onLoginResult = [this](qint32 failed, qint32 code, const QString&, const QString&,
                                           const QString&,
                                           const QString&) { m_zdcLogin_LoginResult(failed, code); };
    if (m_zdcCalc)
        m_zdcCalc->onResult = [this](qint32, double metres, qint32, qint32, qint32 failed) {
            m_zdcCalc_MapResult(metres, failed);
        };
    if (m_zdcMap)
        m_zdcMap->onError = [](short code, qint32 detail) {
            platform::msgBox(QString::number(code) + QLatin1Char(' ') + QString::number(detail), QString(),
                             platform::MsgIcon::None, platform::MsgButtons::Ok);
        };
}

void cls_ZENRIN::unhook()
{
    // The components may outlive the wrapper; their events must not reach it afterwards.
    if (m_zdcLogin)
        m_zdcLogin->onLoginResult = nullptr;
    if (m_zdcCalc)
        m_zdcCalc->onResult = nullptr;
    if (m_zdcMap)
        m_zdcMap->onError = nullptr;
}

void cls_ZENRIN::zdcLogin(MapSignIn* zLogin)
{
    if (m_zdcLogin)
        m_zdcLogin->onLoginResult = nullptr;
    m_zdcLogin = zLogin;
    hook();
}

short cls_ZENRIN::ihehe()
{
    return 0;
}

bool cls_ZENRIN::timeSettingIsNumeric() const
{
    bool ok = false;
    timeSetting_.trimmed().toDouble(&ok);
    return !timeSetting_.isEmpty() && ok;
}

bool cls_ZENRIN::waitForResult(const short* status) const
{
    const qint64 start = platform::clock().tickCount();
    while (*status == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (*status != 0)
            break;
        if (platform::clock().tickCount() - start >= waitLimit_)
            return false;
        QThread::msleep(2);
    }
    return true;
}

short cls_ZENRIN::iInit(const QString& sUser, const QString& sPass, MapSignIn* zLogin, MapControl* zMap,
                        MapCalculator* zCalc, MapMatcher* zMatch)
{
    try {
        unhook();
        m_zdcLogin = zLogin;
        m_zdcMap = zMap;
        m_zdcCalc = zCalc;
        m_zdcMatch = zMatch;
        hook();
        sErrMsg_.clear();

        clsOplIniFile ini;
        if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\adodb.ini")) != 0) {
            platform::msgBox(QStringLiteral("起動時エラー") + kCrLf + ini.csErrMsg(), QString(),
                             platform::MsgIcon::Critical, platform::MsgButtons::Ok);
            platform::endProgram();
        }
        timeSetting_ =
            rtrim(csCutAtNul(ini.csGetProfileString(QStringLiteral("監視時間msec"), QStringLiteral("Time"))));

        if (!timeSettingIsNumeric()) {
            if (!m_zdcLogin) {
                sErrMsg_ =
                    QStringLiteral("ZENRINサーバーへログインできません。") + kCrLf + QStringLiteral("-1");
                return -1;
            }
            loginStatus_ = 0;
            m_zdcLogin->signIn(sUser, QString(), QString(), sPass, QString(), 0, 1, 0, zenrinAuthPath(),
                               zenrinUpdatePath());
            if (!waitForResult(&loginStatus_)) {
                sErrMsg_ = QStringLiteral("ZENRINサーバーからログインの応答がありません。");
                loginStatus_ = -1;
            }
            return loginStatus_ == 1 ? 0 : -1;
        }

        if (!QFileInfo::exists(miranechanPath())) {
            sErrMsg_ = QStringLiteral("ZENRINログインファイルが見つかりません。");
            return -1;
        }
        if (iSetLoginID(m_zdcLogin, m_zdcMap, m_zdcCalc, m_zdcMatch) != 0)
            sErrMsg_ = QStringLiteral("コントロール初期化エラー") + kCrLf + sErrMsg_;
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iInit", e);
        return -1;
    }
}

void cls_ZENRIN::m_zdcLogin_LoginResult(qint32 failed, qint32)
{
    try {
        if (failed != 0) {
            sErrMsg_ =
                QStringLiteral("ZENRINサーバーへログインできません。") + kCrLf + QString::number(failed);
            loginStatus_ = -1;
            return;
        }
        if (iSetLoginID(m_zdcLogin, m_zdcMap, m_zdcCalc, m_zdcMatch) == 0) {
            loginStatus_ = 1;
        } else {
            sErrMsg_ = QStringLiteral("コントロール初期化エラー") + kCrLf + sErrMsg_;
            loginStatus_ = -1;
        }
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("m_zdcLogin_LoginResult", e);
        loginStatus_ = -1;
    }
}

short cls_ZENRIN::iSetLoginID(MapSignIn* zLogin, MapControl* zMap, MapCalculator* zCalc, MapMatcher* zMatch)
{
    try {
        QString id, a, b;
        if (timeSettingIsNumeric()) {
            QStringList lines;
            textfile::readLines(miranechanPath(), &lines);
            id = lines.value(0);
            a = lines.value(1);
            b = lines.value(2);
        } else if (zLogin) {
            id = zLogin->authorisationId();
            a = zLogin->serverSettingA();
            b = zLogin->serverSettingB();
        }
        if (zMap) {
            zMap->resetService(QString(), 0);
            if (zMap->setServer(b, a) != 0) {
                sErrMsg_ = QStringLiteral("地図コントロール　サーバー設定でエラー");
                return -1;
            }
            if (zMap->setAuthorisationId(id) != 0) {
                sErrMsg_ = QStringLiteral("地図コントロール　認証承認ID設定でエラー");
                return -1;
            }
            zMap->setScale(short(10000));
            zMap->setActive(true);
            if (zMap->createLayer(QString(), 0) != 0) {
                sErrMsg_ = QStringLiteral("地図コントロール　レイヤー作成でエラー");
                return -1;
            }
        }
        if (zCalc && zCalc->initialise(b, a, id, QString()) != 0) {
            sErrMsg_ = QStringLiteral("距離計算コントロール　初期化でエラー");
            return -1;
        }
        if (!zMatch)
            return 0;
        zMatch->setMode(0);
        if (zMatch->initialise(b, a, id, QString()) != 0) {
            sErrMsg_ = QStringLiteral("住所マッチングコントロール　初期化でエラー");
            return -1;
        }
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iSetLoginID", e);
        return -1;
    }
}

short cls_ZENRIN::iLogout()
{
    try {
        if (!m_zdcLogin || m_zdcLogin->signOutState() != 0)
            return 0;
        if (m_zdcLogin->signOut() != 0) {
            sErrMsg_ = QStringLiteral("ログアウトができません。");
            return -1;
        }
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iLogout", e);
        return -1;
    }
}

namespace
{
const QString kNoMap = QStringLiteral("地図コントロールが設定されていません。");
}

short cls_ZENRIN::iSetMapScale(qint32 nScale)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        m_zdcMap->setScale(nScale);
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iSetMapScale", e);
        return -1;
    }
}

short cls_ZENRIN::iDrawMapPos(qint32 n01_X, qint32 n01_Y)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        qint32 x = n01_X, y = n01_Y;
        if (m_zdcMap->move(0, x, y, -1, 0) != 0) {
            sErrMsg_ = QStringLiteral("地図移動でエラー");
            return -1;
        }
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDrawMapPos", e);
        return -1;
    }
}

short cls_ZENRIN::iAddressMatch(const QString& sAddress, qint32& nZahyouX, qint32& nZahyouY)
{
    if (!m_zdcMatch) {
        sErrMsg_ = QStringLiteral("住所マッチングコントロールが設定されていません。");
        return -1;
    }
    try {
        QString address = sAddress;
        if (m_zdcMatch->match(address, 1) != 0) {
            sErrMsg_ = QStringLiteral("住所マッチング処理でエラー");
            return -1;
        }
        const QVector<MatchResult> results = m_zdcMatch->results();
        if (results.isEmpty()) {
            // A component that reports success with no result has not found the address.
            sErrMsg_ = QStringLiteral("住所マッチング処理でエラー");
            return -1;
        }
        const qint32 x = results[0].X, y = results[0].Y;
        if (iDrawMapPos(x, y) != 0)
            return -1;
        nZahyouX = x;
        nZahyouY = y;
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iAddressMatch", e);
        return -1;
    }
}

short cls_ZENRIN::iDistance(qint32 n01_X, qint32 n01_Y, qint32 n02_X, qint32 n02_Y)
{
    if (!m_zdcCalc) {
        sErrMsg_ = QStringLiteral("距離計算コントロールが設定されていません。");
        return -1;
    }
    try {
        m_zdcCalc->clearPoints();
        qint32 x1 = n01_X, y1 = n01_Y, x2 = n02_X, y2 = n02_Y;
        m_zdcCalc->addPoint(x1, y1);
        m_zdcCalc->addPoint(x2, y2);
        if (m_zdcCalc->start() != 0) {
            sErrMsg_ = QStringLiteral("2点間距離計算処理でエラー");
            return -1;
        }
        // Cleared after the start and before the wait: a second call never returns the
        // first call's distance.
        dblDistanceResult_ = 0;
        calcStatus_ = 0;
        if (!waitForResult(&calcStatus_)) {
            sErrMsg_ = QStringLiteral("距離計算の応答がありません。");
            calcStatus_ = -1;
        }
        return calcStatus_ == 1 ? 0 : -1;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDistance", e);
        return -1;
    }
}

void cls_ZENRIN::m_zdcCalc_MapResult(double distance, qint32 failed)
{
    if (failed != 0) {
        sErrMsg_ = QStringLiteral("計算処理でエラーが発生しました");
        calcStatus_ = -1;
        return;
    }
    dblDistanceResult_ = distance;
    calcStatus_ = 1;
}

short cls_ZENRIN::iDispLine(qint32 nColor, qint32 nWidth, qint32 n01_X, qint32 n01_Y, qint32 n02_X,
                            qint32 n02_Y, QString& varFigID)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        MapLine line;
        if (m_zdcMap->newLine(line) != 0) {
            sErrMsg_ = QStringLiteral("ライン作成処理でエラー");
            return -1;
        }
        line.Color = nColor;
        line.width = nWidth;
        line.Add(n01_X, n01_Y);
        line.Add(n02_X, n02_Y);
        QString figId;
        if (m_zdcMap->addToLayer(0, line, figId) != 0) {
            sErrMsg_ = QStringLiteral("ラインをレイヤーに追加処理でエラー");
            return -1;
        }
        m_zdcMap->redraw(false);
        varFigID = figId;
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDispLine", e);
        return -1;
    }
}

short cls_ZENRIN::iDispIcon(qint32 nWidth, qint32 nHeight, const QString& sIconPath, qint32 nX, qint32 nY,
                            const QString& sComment, QString& varFigID)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        MapIcon icon;
        if (m_zdcMap->newIcon(icon) != 0) {
            sErrMsg_ = QStringLiteral("アイコン作成処理でエラー");
            return -1;
        }
        icon.X = nX;
        icon.Y = nY;
        // The icon's centre sits on the point.
        icon.HotSpotX = nWidth / 2.0;
        icon.HotSpotY = nHeight / 2.0;
        icon.Path = sIconPath;
        icon.VisibleComment = 1;
        icon.Comment = sComment;
        QString figId;
        if (m_zdcMap->addToLayer(0, icon, figId) != 0) {
            sErrMsg_ = QStringLiteral("アイコンをレイヤーに追加処理でエラー");
            return -1;
        }
        m_zdcMap->redraw(false);
        varFigID = figId;
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDispIcon", e);
        return -1;
    }
}

short cls_ZENRIN::iDeleteObject(const QString& sFigID)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        QString figId = sFigID;
        if (m_zdcMap->deleteFigure(figId) != 0) {
            sErrMsg_ = QStringLiteral("オブジェクトを削除処理でエラー");
            return -1;
        }
        m_zdcMap->redraw(false);
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDeleteObject", e);
        return -1;
    }
}

short cls_ZENRIN::iDeleteObjectInLayer(bool bRedrawFlg)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    try {
        if (m_zdcMap->deleteLayer(0) != 0) {
            sErrMsg_ = QStringLiteral("レイヤーを削除処理でエラー");
            return -1;
        }
        if (m_zdcMap->createLayer(QString(), 0) != 0) {
            sErrMsg_ = QStringLiteral("レイヤー作成でエラー");
            return -1;
        }
        if (bRedrawFlg)
            m_zdcMap->redraw(false);
        return 0;
    } catch (const std::exception& e) {
        sErrMsg_ = unexpected("iDeleteObjectInLayer", e);
        return -1;
    }
}

short cls_ZENRIN::iPrintMap(const QString& sName, const QString&, const QString& sAddress,
                            const QString& sTel)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    m_zdcMap->setPrintSetting(3);
    m_zdcMap->setPrintCaption(QStringLiteral("　患者：") + sName + QStringLiteral("様　") + sAddress +
                              QStringLiteral("　") + sTel);
    m_zdcMap->print();
    return 0;
}

short cls_ZENRIN::iEnableUI(bool bVal)
{
    if (!m_zdcMap) {
        sErrMsg_ = kNoMap;
        return -1;
    }
    m_zdcMap->setDragMoves(bVal);
    m_zdcMap->setWheelZooms(bVal);
    m_zdcMap->setDoubleClickCentres(bVal);
    return 0;
}
