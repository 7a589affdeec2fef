#pragma once

#include "map/cls_ZENRIN.h"

#include <QDialog>
#include <QStringList>
#include <memory>

namespace Ui
{
class frmSetMap;
}
class QAction;
namespace offlinemap
{
class OfflineSignIn;
class OfflineMapWidget;
class OfflineCalculator;
class OfflineMatcher;
} // namespace offlinemap

// The map screen in its address-position mode (2): looks the address of the map hand-off
// values up, shows the map around it with a marker, lets the user move the marker, zoom,
// show the distance circles with the neighbouring bases and parking places, print, and on
// registration leaves the position in the hand-off values. The online mode draws on the map
// widget through cls_ZENRIN; the image mode (map key status "1") shows the image-map
// library's GIF pictures.
class frmSetMap : public QDialog
{
    Q_OBJECT
public:
    explicit frmSetMap(QWidget* parent = nullptr);
    ~frmSetMap() override;

    void vSetMapMode(qint32& mode);

    // The handlers (public for the menu, the keys and the tests).
    void Form_Load();
    void Command1_Click(int index);
    void btnPoint_Click();
    void btnRegist_Click();
    void btnCancel_Click();
    void btnDispCircleKanja_Click();
    void btnDispCircleDel_Click();
    void btnHanrei_Click();
    void btnMapPrint_Click();
    void mnF09_Click();
    void mnF10_Click();
    void mnF12_Click();
    void mnDispHelp_Click();
    void Picture1_MouseDown(int x, int y);
    void zdcMap_LButtonDown(qint32 button, qint32 shift, qint32 x, qint32 y, qint32);

    // What the window holds, for the caller and the tests.
    bool imageMode() const { return imageMode_; }
    QString scaleCode() const { return scaleCode_; }
    bool circleView() const { return circleView_ != 0; }
    QString latText() const { return latText_; }
    QString lonText() const { return lonText_; }
    qint32 latitude() const { return lat_; }
    qint32 longitude() const { return lon_; }
    QString markerFigure() const { return markerFig_; }
    short registered() const { return registered_; }
    // The wrapper (online mode; null in image mode).
    cls_ZENRIN* wrapper() const { return zenrin_.get(); }
    offlinemap::OfflineMapWidget* mapWidget() const { return zdcMap_; }

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPosition();
    void dispMap16km(qint32 x, qint32 y);
    void dispMapKyoten(qint32 centreX, qint32 centreY);
    short zenrinCGIiAddressMatch(QString& address, qint32& lon, qint32& lat, QString* failure,
                                 bool* centreOnly);
    // The online mode's slider and scale label for the map's scale.
    void showScale(qint32 scale);
    // The key number of QMAPKEY.ini; empty after showing the failure with the procedure's name.
    QString readKeyNo(const QString& procName);
    void showPicture(const QString& file, const QString& fallback = QString());
    void showPosition();
    void setNormalCaptions();
    void setCircleCaptions();
    void drawMarker(const QString& comment);
    QString cgiFile(const QString& name) const;

    Ui::frmSetMap* ui;
    QAction* mnF09 = nullptr;
    QAction* mnF10 = nullptr;
    QAction* mnF12 = nullptr;
    QAction* mnDispHelp = nullptr;
    offlinemap::OfflineSignIn* zdcLogin_ = nullptr;
    offlinemap::OfflineMapWidget* zdcMap_ = nullptr;
    offlinemap::OfflineCalculator* zdcCalc_ = nullptr;
    std::unique_ptr<offlinemap::OfflineMatcher> zdcMatch_;
    std::unique_ptr<cls_ZENRIN> zenrin_;

    bool loaded_ = false;
    bool imageMode_ = false;
    qint32 screenMode_ = 0;
    qint32 lat_ = 0;
    qint32 lon_ = 0;
    QString latText_;
    QString lonText_;
    QString markerFig_;
    QString scaleCode_ = QStringLiteral("36");
    short circleView_ = 0;
    qint32 printUserId_ = 0;
    short registered_ = 0;
    QStringList circleFigs_;
};

// The image scale codes: the caption of Label2(5) for a code in the normal or circle view.
QString scaleLabelText(const QString& code, bool circleView);
