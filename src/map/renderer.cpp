#include "map/renderer.h"

#include "platform/paths.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace offlinemap
{

namespace
{
// Paper, not sea: the coastline data gives lines, not land areas.
const QColor kPaper(0xf6, 0xf3, 0xea);
const QColor kCoast(0x20, 0x50, 0x90);
const QColor kGrid(0xb0, 0xb0, 0xa8);
const QColor kPlace(0x30, 0x30, 0x30);

QFont mapFont(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// Grid steps in milliseconds of arc, from one second to five degrees.
const qint64 kGridSteps[] = {1000,   2000,   5000,    10000,   30000,   60000,   120000,
                             300000, 600000, 1200000, 1800000, 3600000, 7200000, 18000000};

QString dms(qint64 ms)
{
    const qint64 s = std::llabs(ms) / 1000;
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    if (s % 3600 == 0)
        return sign + QStringLiteral("%1°").arg(s / 3600);
    if (s % 60 == 0)
        return sign + QStringLiteral("%1°%2'").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0'));
    return sign + QStringLiteral("%1°%2'%3\"")
                      .arg(s / 3600)
                      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(s % 60, 2, 10, QLatin1Char('0'));
}

void drawGrid(QPainter& p, const MapView& v)
{
    const double pxPerDegLat = v.height / v.latSpan();
    qint64 step = kGridSteps[std::size(kGridSteps) - 1];
    for (qint64 s : kGridSteps) {
        if (s / kMsPerDegree * pxPerDegLat >= 90) {
            step = s;
            break;
        }
    }
    p.setPen(QPen(kGrid, 1, Qt::DotLine));
    p.setFont(mapFont(10));
    const double lon0 = v.centreLon - v.lonSpan() / 2, lon1 = v.centreLon + v.lonSpan() / 2;
    const double lat0 = v.centreLat - v.latSpan() / 2, lat1 = v.centreLat + v.latSpan() / 2;
    for (qint64 m = qint64(std::ceil(lon0 * kMsPerDegree / step)) * step; m <= lon1 * kMsPerDegree;
         m += step) {
        const double x = v.toPixel(m / kMsPerDegree, v.centreLat).x();
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(x, 0), QPointF(x, v.height));
        p.setPen(kGrid.darker(160));
        p.drawText(QPointF(x + 2, 11), dms(m));
    }
    for (qint64 m = qint64(std::ceil(lat0 * kMsPerDegree / step)) * step; m <= lat1 * kMsPerDegree;
         m += step) {
        const double y = v.toPixel(v.centreLon, m / kMsPerDegree).y();
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(0, y), QPointF(v.width, y));
        p.setPen(kGrid.darker(160));
        p.drawText(QPointF(2, y - 2), dms(m));
    }
}

void drawCoast(QPainter& p, const MapView& v, const MapData& d)
{
    const double lonHalf = v.lonSpan() / 2, latHalf = v.latSpan() / 2;
    const QRectF visible(QPointF(v.centreLon - lonHalf, v.centreLat - latHalf),
                         QPointF(v.centreLon + lonHalf, v.centreLat + latHalf));
    p.setPen(QPen(kCoast, 2));
    p.setBrush(Qt::NoBrush);
    QVector<QPointF> pixels;
    for (const CoastSegment& s : d.coast) {
        if (!s.bounds.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).intersects(visible))
            continue;
        pixels.resize(s.points.size());
        std::transform(s.points.begin(), s.points.end(), pixels.begin(),
                       [&](const QPointF& q) { return v.toPixel(q.x(), q.y()); });
        p.drawPolyline(pixels.data(), int(pixels.size()));
    }
}

void drawPlaces(QPainter& p, const MapView& v, const MapData& d)
{
    QVector<const Place*> shown;
    for (const Place& pl : d.places) {
        const QPointF px = v.toPixel(degrees(pl.x), degrees(pl.y));
        if (px.x() >= -50 && px.x() <= v.width + 50 && px.y() >= -20 && px.y() <= v.height + 20)
            shown.push_back(&pl);
    }
    // The larger places first; a name that would cover another is left out.
    std::sort(shown.begin(), shown.end(),
              [](const Place* a, const Place* b) { return a->population > b->population; });
    QVector<QRectF> taken;
    const QFont font = mapFont(13, true);
    const QFontMetrics fm(font);
    p.setFont(font);
    for (const Place* pl : shown) {
        const QPointF px = v.toPixel(degrees(pl->x), degrees(pl->y));
        const QRectF box(px.x() + 6, px.y() - fm.ascent() / 2.0 - 2, fm.horizontalAdvance(pl->name) + 4,
                         fm.height() + 2);
        if (std::any_of(taken.begin(), taken.end(), [&](const QRectF& r) { return r.intersects(box); }))
            continue;
        taken.push_back(box);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(kPlace);
        p.drawEllipse(px, 4, 4);
        // A white halo keeps the name readable over lines.
        QPainterPath path;
        path.addText(QPointF(box.left() + 2, px.y() + fm.ascent() / 2.0 - 1), font, pl->name);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(kPlace);
        p.drawPath(path);
    }
}

void drawScaleBar(QPainter& p, const MapView& v)
{
    double length = 1;
    for (double decade = 0.1; decade < 1e7; decade *= 10) {
        for (double f : {1.0, 2.0, 5.0}) {
            if (decade * f / v.metresPerPixel <= 150)
                length = decade * f;
        }
    }
    const double px = length / v.metresPerPixel;
    const QPointF origin(14, v.height - 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(QRectF(origin.x() - 6, origin.y() - 22, px + 12, 30));
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(origin, origin + QPointF(px, 0));
    p.drawLine(origin, origin - QPointF(0, 6));
    p.drawLine(origin + QPointF(px, 0), origin + QPointF(px, -6));
    p.setFont(mapFont(12));
    p.drawText(QPointF(origin.x() + 2, origin.y() - 8), lengthText(length));
}
} // namespace

QColor colourOf(qint32 value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

QString lengthText(double metres)
{
    if (metres < 1000)
        return QString::number(metres, 'g', 3) + QStringLiteral("m");
    return QString::number(metres / 1000, 'g', 4) + QStringLiteral("km");
}

void drawBaseMap(QPainter& p, const MapView& v, const MapData& d, bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    p.fillRect(QRectF(0, 0, v.width, v.height), kPaper);
    drawGrid(p, v);
    drawCoast(p, v, d);
    drawPlaces(p, v, d);
    drawScaleBar(p, v);
    if (!d.problems.isEmpty()) {
        p.setFont(mapFont(13, true));
        p.setPen(Qt::darkRed);
        p.drawText(QRectF(10, 20, v.width - 20, v.height - 60),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, d.problems.join(QLatin1Char('\n')));
    }
    p.restore();
}

QImage iconImage(const QString& path, int width, int height, bool labelled)
{
    QImage image;
    if (!path.isEmpty() && image.load(path) && !image.isNull())
        return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (labelled) {
        // A place with a name (a base): a blue square.
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(QColor(0x20, 0x50, 0xc0));
        p.drawRect(QRectF(width / 4.0, height / 4.0, width / 2.0, height / 2.0));
        return image;
    }
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0xd0, 0x20, 0x20));
    const double r = std::min(width, height) / 2.0 - 2;
    p.drawEllipse(QPointF(width / 2.0, height / 2.0), r, r);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(width / 2.0, height / 2.0), r / 3, r / 3);
    return image;
}

void drawFigures(QPainter& p, const MapView& v, const QVector<MapFigure>& figures, bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    for (const MapFigure& f : figures) {
        if (const auto* line = std::get_if<MapLine>(&f)) {
            QVector<QPointF> pts;
            for (auto [x, y] : line->points)
                pts.push_back(v.toPixel(degrees(x), degrees(y)));
            p.setPen(QPen(colourOf(line->Color), std::max(1, line->width)));
            p.drawPolyline(pts.data(), int(pts.size()));
        } else if (const auto* c = std::get_if<MapCircle>(&f)) {
            const QPointF centre = v.toPixel(degrees(c->X), degrees(c->Y));
            const double r = c->Radius / kDecimetresPerMetre / v.metresPerPixel;
            QColor fill = colourOf(c->BrushColor);
            if (c->Brush == 2)
                fill.setAlpha(14);
            p.setBrush(c->Brush == 1 ? QBrush(Qt::NoBrush) : QBrush(fill));
            p.setPen(QPen(colourOf(c->EdgeColor), std::max<short>(1, c->width)));
            p.drawEllipse(centre, r, r);
        } else if (const auto* icon = std::get_if<MapIcon>(&f)) {
            const QImage picture =
                iconImage(icon->Path.isEmpty() ? QString() : platform::nativePath(icon->Path), 32, 32,
                          !icon->Text.isEmpty());
            const int w = picture.width(), h = picture.height();
            const QPointF at = v.toPixel(degrees(qint32(icon->X)), degrees(qint32(icon->Y)));
            const QPointF topLeft = at - QPointF(icon->HotSpotX, icon->HotSpotY);
            p.drawImage(topLeft, picture);
            QStringList texts;
            if (!icon->Text.isEmpty())
                texts << icon->Text;
            if (icon->VisibleComment && !icon->Comment.isEmpty())
                texts << icon->Comment;
            if (!texts.isEmpty()) {
                const QFont font = mapFont(13, icon->TextBold);
                const QFontMetrics fm(font);
                const QString text = texts.join(QStringLiteral(" "));
                const int tw = fm.horizontalAdvance(text);
                const QPointF origin =
                    icon->TextLayout == 4
                        ? QPointF(topLeft.x() + w / 2.0 - tw / 2.0, topLeft.y() + h + fm.ascent())
                        : QPointF(topLeft.x() + w + 3, topLeft.y() + h / 2.0 + fm.ascent() / 2.0);
                QPainterPath path;
                path.addText(origin, font, text);
                p.setPen(QPen(Qt::white, 3));
                p.setBrush(Qt::NoBrush);
                p.drawPath(path);
                p.setPen(Qt::NoPen);
                p.setBrush(icon->Text.isEmpty() ? QColor(Qt::black) : colourOf(icon->TextColor));
                p.drawPath(path);
            }
        }
    }
    p.restore();
}

QImage renderMap(const MapView& view, const MapData& data, const QVector<MapFigure>& figures, bool smooth)
{
    QImage image(view.width, view.height, QImage::Format_RGB32);
    QPainter p(&image);
    drawBaseMap(p, view, data, smooth);
    drawFigures(p, view, figures, smooth);
    p.end();
    return image;
}

} // namespace offlinemap
