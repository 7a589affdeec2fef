#include "map/offlinemap.h"

#include "map/mapservice.h"
#include "map/renderer.h"
#include "map/tiles.h"
#include "platform/process.h"
#include "platform/runtime.h"

#include <QDir>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace offlinemap
{

// ---- sign-in

void OfflineSignIn::signIn(const QString& user, const QString&, const QString&, const QString& password,
                           const QString&, qint32, qint32, qint32, const QString& authPath, const QString&)
{
    // The result always comes as an event, after the caller has started waiting for it.
    qint32 failed = 0, code = 0;
    if (user.trimmed().isEmpty()) {
        failed = 1;
        code = 101;
    } else if (password.isEmpty()) {
        failed = 1;
        code = 102;
    } else if (!authPath.startsWith(kServiceHost)) {
        failed = 1;
        code = 201;
    }
    if (!failed) {
        id_ = QStringLiteral("OFFLINE-") + user.trimmed();
        a_ = kServiceHost;
        b_ = QStringLiteral("JP");
        signedIn_ = true;
    }
    QTimer::singleShot(0, this, [this, failed, code] {
        if (onLoginResult)
            onLoginResult(failed, code, QString(), QString(), QString(), QString());
    });
}

qint32 OfflineSignIn::signOut()
{
    signedIn_ = false;
    id_.clear();
    return 0;
}

// ---- map widget

OfflineMapWidget::OfflineMapWidget(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
    setMouseTracking(false);
    setFocusPolicy(Qt::NoFocus);
    const MapServiceSettings settings = mapServiceSettings();
    if (!settings.tileUrl.isEmpty()) {
        tiles_ = new TileLayer(settings.tileUrl, settings.tileCacheFolder, settings.tileMaxZoom, this);
        attribution_ = settings.tileAttribution;
        connect(tiles_, &TileLayer::tileArrived, this, qOverload<>(&QWidget::update));
    }
}

qint32 OfflineMapWidget::resetService(const QString&, qint32)
{
    id_.clear();
    serverA_.clear();
    serverB_.clear();
    return 0;
}

qint32 OfflineMapWidget::setServer(const QString& settingB, const QString& settingA)
{
    if (settingA.trimmed().isEmpty() || settingB.trimmed().isEmpty())
        return 1;
    serverA_ = settingA;
    serverB_ = settingB;
    return 0;
}

qint32 OfflineMapWidget::setAuthorisationId(const QString& id)
{
    if (id.trimmed().isEmpty())
        return 1;
    id_ = id;
    return 0;
}

void OfflineMapWidget::setScale(qint32 scale)
{
    // 1:500 (a street) to 1:20,000,000 (the whole country).
    const qint32 before = scale_;
    scale_ = std::clamp<qint32>(scale, 500, 20000000);
    update();
    if (scale_ != before)
        emit scaleChanged(scale_);
}

void OfflineMapWidget::setActive(bool on)
{
    active_ = on;
    update();
}

qint32 OfflineMapWidget::createLayer(const QString&, short layer)
{
    if (layers_.count(layer))
        return 1;
    layers_[layer];
    return 0;
}

qint32 OfflineMapWidget::deleteLayer(short layer)
{
    return layers_.erase(layer) ? 0 : 1;
}

qint32 OfflineMapWidget::move(qint32, qint32& x, qint32& y, qint32 redraw, short)
{
    // The data covers Japan and its seas; elsewhere there is nothing to show.
    if (!insideCoverage(x, y))
        return 2;
    x_ = x;
    y_ = y;
    if (redraw)
        update();
    return 0;
}

qint32 OfflineMapWidget::newLine(MapLine& line)
{
    line = MapLine{};
    return 0;
}

qint32 OfflineMapWidget::newIcon(MapIcon& icon)
{
    icon = MapIcon{};
    return 0;
}

qint32 OfflineMapWidget::newCircle(MapCircle& circle)
{
    circle = MapCircle{};
    return 0;
}

qint32 OfflineMapWidget::addToLayer(short layer, const MapFigure& figure, QString& figId)
{
    auto it = layers_.find(layer);
    if (it == layers_.end())
        return 1;
    figId = QString::number(nextFigure_++);
    it->second.push_back({figId, figure});
    return 0;
}

qint32 OfflineMapWidget::deleteFigure(QString& figId)
{
    for (auto& [layer, list] : layers_) {
        auto f = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.first == figId; });
        if (f != list.end()) {
            list.erase(f);
            return 0;
        }
    }
    return 1;
}

void OfflineMapWidget::redraw(bool)
{
    update();
}

QVector<MapFigure> OfflineMapWidget::figures() const
{
    QVector<MapFigure> all;
    for (const auto& [layer, list] : layers_)
        for (const auto& e : list)
            all.push_back(e.second);
    return all;
}

std::optional<MapFigure> OfflineMapWidget::figure(const QString& figId) const
{
    for (const auto& [layer, list] : layers_)
        for (const auto& e : list)
            if (e.first == figId)
                return e.second;
    return std::nullopt;
}

MapView OfflineMapWidget::view() const
{
    MapView v;
    v.centreLon = degrees(x_);
    v.centreLat = degrees(y_);
    v.metresPerPixel = metresPerPixelForScale(scale_);
    v.width = width();
    v.height = height();
    return v;
}

void OfflineMapWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!configured() || !active_) {
        p.fillRect(rect(), QColor(0xe8, 0xe8, 0xe8));
        p.setPen(Qt::darkGray);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("地図は初期化されていません"));
        return;
    }
    paintMap(p, view());
}

void OfflineMapWidget::paintMap(QPainter& p, const MapView& v) const
{
    const QVector<MapFigure> figs = figures();
    const auto data = mapData();
    // Where the tiles cover the whole view the offline map under them is not drawn.
    const bool offline = !(tiles_ && tiles_->covers(v));
    if (offline) {
        drawGeography(p, v, *data);
        drawPlaceNames(p, v, *data, figureAreas(v, figs));
    } else {
        p.fillRect(QRectF(0, 0, v.width, v.height), Qt::white);
    }
    tilesDrawn_ = tiles_ ? tiles_->draw(p, v).first : 0;
    drawScale(p, v);
    // The municipalities' positions come from OpenStreetMap, whose licence asks for this credit
    // wherever they are shown.
    QStringList credits;
    if (offline)
        credits << QStringLiteral("© OpenStreetMap contributors");
    if (!shownAttribution().isEmpty())
        credits << shownAttribution();
    if (const QString attribution = credits.join(QStringLiteral(" | ")); !attribution.isEmpty()) {
        QFont f(QStringLiteral("IPAGothic"));
        f.setPixelSize(12);
        p.setFont(f);
        const QFontMetrics fm(f);
        const QRectF box(v.width - fm.horizontalAdvance(attribution) - 12, v.height - fm.height() - 6,
                         fm.horizontalAdvance(attribution) + 12, fm.height() + 6);
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, attribution);
    }
    drawFigures(p, v, figs);
}

void OfflineMapWidget::pointAt(QPointF pixel, qint32* x, qint32* y) const
{
    double lon = 0, lat = 0;
    view().fromPixel(pixel, &lon, &lat);
    *x = milliseconds(lon);
    *y = milliseconds(lat);
}

void OfflineMapWidget::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !configured())
        return;
    pressAt_ = e->position().toPoint();
    pressX_ = x_;
    pressY_ = y_;
    dragging_ = false;
    qint32 x = 0, y = 0;
    pointAt(e->position(), &x, &y);
    const qint32 shift = (e->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    if (onLButtonDown)
        onLButtonDown(1, shift, x, y, 0);
}

void OfflineMapWidget::mouseMoveEvent(QMouseEvent* e)
{
    if (!drag_ || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint d = e->position().toPoint() - pressAt_;
    if (!dragging_ && d.manhattanLength() < 4)
        return;
    dragging_ = true;
    // Drag the map under the pointer: the centre moves the other way.
    MapView v = view();
    v.centreLon = degrees(pressX_);
    v.centreLat = degrees(pressY_);
    double lon = 0, lat = 0;
    v.fromPixel(QPointF(width() / 2.0 - d.x(), height() / 2.0 - d.y()), &lon, &lat);
    qint32 x = milliseconds(lon), y = milliseconds(lat);
    move(0, x, y, -1, 0);
}

void OfflineMapWidget::mouseReleaseEvent(QMouseEvent*)
{
    dragging_ = false;
}

void OfflineMapWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!doubleClick_ || e->button() != Qt::LeftButton)
        return;
    qint32 x = 0, y = 0;
    pointAt(e->position(), &x, &y);
    move(0, x, y, -1, 0);
}

void OfflineMapWidget::wheelEvent(QWheelEvent* e)
{
    if (!wheel_)
        return;
    // One scale step a notch: forward shows more detail.
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const qsizetype above =
        std::lower_bound(kScaleSteps.begin(), kScaleSteps.end(), scale_) - kScaleSteps.begin();
    const bool onStep = above < kScaleSteps.size() && kScaleSteps[above] == scale_;
    const qsizetype at = steps > 0 ? above - steps : above - steps - (onStep ? 0 : 1);
    setScale(kScaleSteps[std::clamp<qsizetype>(at, 0, kScaleSteps.size() - 1)]);
}

QImage OfflineMapWidget::printPage() const
{
    const int w = std::max(width(), 849), h = std::max(height(), 657);
    QImage page(w, h + 40, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(18);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, w, 40), Qt::AlignVCenter | Qt::AlignLeft, caption_);
    MapView v = view();
    v.width = w;
    v.height = h;
    p.translate(0, 40);
    paintMap(p, v);
    return page;
}

qint32 OfflineMapWidget::print()
{
    // Print setting 3: the map fitted to one A4 page in landscape, with the caption line.
    const QString path = QDir::temp().filePath(QStringLiteral("TopMenu地図印刷.pdf"));
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(printSetting_ == 3 ? QPageLayout::Landscape : QPageLayout::Portrait);
    pdf.setResolution(150);
    QPainter p(&pdf);
    if (!p.isActive())
        return 1;
    const QImage page = printPage();
    const QRect target = p.viewport();
    const QSize fitted = page.size().scaled(target.size(), Qt::KeepAspectRatio);
    p.drawImage(QRect(target.topLeft(), fitted), page);
    p.end();
    lastPrint_ = path;
    if (platform::runtime().processes)
        platform::processes().shellOpen(QUrl::fromLocalFile(path).toString());
    return 0;
}

// ---- calculator

qint32 OfflineCalculator::initialise(const QString& settingB, const QString& settingA, const QString& id,
                                     const QString&)
{
    ready_ = !settingB.isEmpty() && !settingA.isEmpty() && !id.isEmpty();
    return ready_ ? 0 : 1;
}

qint32 OfflineCalculator::start()
{
    if (!ready_ || points_.size() < 2)
        return 1;
    double metres = 0;
    for (qsizetype i = 1; i < points_.size(); ++i)
        metres += greatCircleMetres(points_[i - 1].first, points_[i - 1].second, points_[i].first,
                                    points_[i].second);
    QTimer::singleShot(0, this, [this, metres] {
        if (onResult)
            onResult(0, metres, 0, 0, 0);
    });
    return 0;
}

// ---- address matching: the online search where it answers, else the municipality data

qint32 OfflineMatcher::initialise(const QString& settingB, const QString& settingA, const QString& id,
                                  const QString&)
{
    ready_ = !settingB.isEmpty() && !settingA.isEmpty() && !id.isEmpty();
    return ready_ ? 0 : 1;
}

qint32 OfflineMatcher::match(QString& address, short)
{
    results_.clear();
    if (!ready_)
        return 1;
    const std::optional<Located> found = locateAddress(address);
    if (!found)
        return 3; // not found
    results_.push_back({found->x, found->y, found->precision != Precision::Address});
    return 0;
}

} // namespace offlinemap
