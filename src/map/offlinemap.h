#pragma once

#include "map/geo.h"
#include "map/mapcontrols.h"
#include "map/mapdata.h"

#include <QObject>
#include <QPoint>
#include <QVector>
#include <QWidget>
#include <map>
#include <memory>

// The offline map components: no service behind them, the geography of the MAP folder.
namespace offlinemap
{

// The host the wrapper names in its service paths.
inline const QString kServiceHost = QStringLiteral("http://offline-map.localhost");

// Signs in without a network: any non-empty user ID and password are accepted, and the
// sign-in texts name this map (authorisation ID, server setting A = the service host,
// server setting B = the covered area).
class OfflineSignIn : public QObject, public MapSignIn
{
    Q_OBJECT
public:
    using QObject::QObject;
    void signIn(const QString& user, const QString&, const QString&, const QString& password, const QString&,
                qint32, qint32, qint32, const QString& authPath, const QString& updatePath) override;
    QString authorisationId() const override { return id_; }
    QString serverSettingA() const override { return a_; }
    QString serverSettingB() const override { return b_; }
    qint32 signOutState() override { return signedIn_ ? 0 : 1; }
    qint32 signOut() override;

private:
    QString id_, a_, b_;
    bool signedIn_ = false;
};

class TileLayer;

// The scales the wheel and the map screen's zoom controls step through, finest first.
inline const QVector<qint32> kScaleSteps = {2000,   5000,    10000,   25000,   50000,    100000,  250000,
                                            500000, 1000000, 2500000, 5000000, 10000000, 20000000};

// The map widget: draws the geography around its centre at its scale (1:scale on a 96 dpi
// screen), the raster tiles of MapService.ini over it where they are at hand, and the
// figures of its drawing layers.
class OfflineMapWidget : public QWidget, public MapControl
{
    Q_OBJECT
public:
    explicit OfflineMapWidget(QWidget* parent = nullptr);

    qint32 resetService(const QString& text, qint32 value) override;
    qint32 setServer(const QString& settingB, const QString& settingA) override;
    qint32 setAuthorisationId(const QString& id) override;
    void setScale(qint32 scale) override;
    qint32 scale() const override { return scale_; }
    void setActive(bool on) override;
    qint32 createLayer(const QString& name, short layer) override;
    qint32 deleteLayer(short layer) override;
    qint32 move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short) override;
    qint32 newLine(MapLine& line) override;
    qint32 newIcon(MapIcon& icon) override;
    qint32 newCircle(MapCircle& circle) override;
    qint32 addToLayer(short layer, const MapFigure& figure, QString& figId) override;
    qint32 deleteFigure(QString& figId) override;
    void redraw(bool full) override;
    void setPrintSetting(short setting) override { printSetting_ = setting; }
    void setPrintCaption(const QString& caption) override { caption_ = caption; }
    qint32 print() override;
    void setDragMoves(bool on) override { drag_ = on; }
    void setWheelZooms(bool on) override { wheel_ = on; }
    void setDoubleClickCentres(bool on) override { doubleClick_ = on; }

    // What the widget shows (for the window and the tests).
    qint32 centreX() const { return x_; }
    qint32 centreY() const { return y_; }
    bool configured() const { return !id_.isEmpty() && !serverA_.isEmpty(); }
    QVector<MapFigure> figures() const;
    std::optional<MapFigure> figure(const QString& figId) const;
    MapView view() const;
    // The picture a print puts on paper: the map and the caption line above it.
    QImage printPage() const;
    QString printCaption() const { return caption_; }
    // Where print() wrote its last page.
    QString lastPrintFile() const { return lastPrint_; }
    // The tiles (null when MapService.ini switches them off), the tiles the last paint drew,
    // and the attribution it showed with them (empty when it drew none).
    TileLayer* tiles() const { return tiles_; }
    int tilesDrawn() const { return tilesDrawn_; }
    QString shownAttribution() const { return tilesDrawn_ > 0 ? attribution_ : QString(); }

signals:
    // The scale has changed (the wheel, or the scale property).
    void scaleChanged(qint32 scale);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;

private:
    void pointAt(QPointF pixel, qint32* x, qint32* y) const;
    // Offline map, tiles, scale bar, attribution and figures.
    void paintMap(QPainter& painter, const MapView& view) const;

    QString id_, serverA_, serverB_;
    bool active_ = false;
    qint32 scale_ = 10000;
    // Tokyo station until the first move: the place the map opens on.
    qint32 x_ = milliseconds(139.767125);
    qint32 y_ = milliseconds(35.681236);
    std::map<short, std::vector<std::pair<QString, MapFigure>>> layers_;
    qint64 nextFigure_ = 1;
    short printSetting_ = 0;
    QString caption_;
    QString lastPrint_;
    bool drag_ = false, wheel_ = false, doubleClick_ = false;
    bool dragging_ = false;
    TileLayer* tiles_ = nullptr;
    QString attribution_;
    mutable int tilesDrawn_ = 0;
    QPoint pressAt_;
    qint32 pressX_ = 0, pressY_ = 0;
};

// Great-circle distance along the points added, reported through the result event.
class OfflineCalculator : public QObject, public MapCalculator
{
    Q_OBJECT
public:
    using QObject::QObject;
    qint32 initialise(const QString& settingB, const QString& settingA, const QString& id,
                      const QString&) override;
    void clearPoints() override { points_.clear(); }
    void addPoint(qint32& x, qint32& y) override { points_.push_back({x, y}); }
    qint32 start() override;

private:
    bool ready_ = false;
    QVector<std::pair<qint32, qint32>> points_;
};

// Address matching against the place names of the map data.
class OfflineMatcher : public MapMatcher
{
public:
    void setMode(short mode) override { mode_ = mode; }
    qint32 initialise(const QString& settingB, const QString& settingA, const QString& id,
                      const QString&) override;
    qint32 match(QString& address, short count) override;
    QVector<MatchResult> results() const override { return results_; }

private:
    short mode_ = 0;
    bool ready_ = false;
    QVector<MatchResult> results_;
};

} // namespace offlinemap
