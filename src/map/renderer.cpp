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
const QColor kWater(0x4a, 0x90, 0xd0);
const QColor kBorder(0x90, 0x50, 0x90);

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

// Lines of the data in the view, each thinned to points a pixel apart: the whole of
// Japan's coast is some 70,000 points, a few thousand pixels.
void drawLines(QPainter& p, const MapView& v, const QVector<Polyline>& lines, const QPen& pen)
{
    const double lonHalf = v.lonSpan() / 2, latHalf = v.latSpan() / 2;
    const QRectF visible(QPointF(v.centreLon - lonHalf, v.centreLat - latHalf),
                         QPointF(v.centreLon + lonHalf, v.centreLat + latHalf));
    const double degPerPixel = v.latSpan() / std::max(1, v.height);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QVector<QPointF> pixels;
    for (const Polyline& s : lines) {
        if (!s.bounds.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).intersects(visible))
            continue;
        if (s.bounds.width() < degPerPixel && s.bounds.height() < degPerPixel)
            continue; // smaller than a pixel
        pixels.clear();
        for (const QPointF& q : s.points) {
            const QPointF px = v.toPixel(q.x(), q.y());
            if (pixels.isEmpty() || (px - pixels.last()).manhattanLength() >= 0.8)
                pixels.push_back(px);
        }
        if (pixels.last() != v.toPixel(s.points.last().x(), s.points.last().y()))
            pixels.push_back(v.toPixel(s.points.last().x(), s.points.last().y()));
        if (pixels.size() >= 2)
            p.drawPolyline(pixels.data(), int(pixels.size()));
    }
}

// Cities before wards, towns and villages when names compete for room.
int rank(const Place& pl)
{
    const QChar last = pl.name.isEmpty() ? QChar() : pl.name.back();
    return last == u'市' ? 0 : last == u'区' ? 1 : last == u'町' ? 2 : 3;
}

void drawText(QPainter& p, const QPointF& origin, const QFont& font, const QString& text,
              const QColor& colour)
{
    // A white halo keeps the name readable over lines: the text in white around it, then
    // the text itself (glyphs are cached; outlines of paths would cost a hundred names
    // tens of milliseconds).
    p.setFont(font);
    p.setPen(Qt::white);
    for (const QPointF& d : {QPointF(-1, -1), QPointF(1, -1), QPointF(-1, 1), QPointF(1, 1), QPointF(0, -1.4),
                             QPointF(0, 1.4), QPointF(-1.4, 0), QPointF(1.4, 0)})
        p.drawText(origin + d, text);
    p.setPen(colour);
    p.drawText(origin, text);
}

// Prefecture names over the country, municipality names from the prefecture's scale
// down; a name that would cover another, or a reserved area (the marker and its caption),
// is left out.
void drawPlaces(QPainter& p, const MapView& v, const MapData& d, const QVector<QRectF>& reserved)
{
    const bool prefectures = v.metresPerPixel >= 250;
    const bool municipalities = v.metresPerPixel <= 400;
    QVector<const Place*> shown;
    for (const Place& pl : d.places) {
        if (pl.isPrefecture() ? !prefectures : !municipalities)
            continue;
        const QPointF px = v.toPixel(degrees(pl.x), degrees(pl.y));
        if (px.x() >= -80 && px.x() <= v.width + 20 && px.y() >= -20 && px.y() <= v.height + 20)
            shown.push_back(&pl);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Place* a, const Place* b) {
        return a->isPrefecture() != b->isPrefecture() ? a->isPrefecture() : rank(*a) < rank(*b);
    });
    QVector<QRectF> taken = reserved;
    const QFont town = mapFont(13, true), pref = mapFont(15, true);
    const QFontMetrics townMetrics(town), prefMetrics(pref);
    for (const Place* pl : shown) {
        const QPointF px = v.toPixel(degrees(pl->x), degrees(pl->y));
        const bool isPref = pl->isPrefecture();
        const QFontMetrics& fm = isPref ? prefMetrics : townMetrics;
        const double w = fm.horizontalAdvance(pl->label()) + 4;
        const QRectF box = isPref
                               ? QRectF(px.x() - w / 2, px.y() - fm.height() / 2.0, w, fm.height())
                               : QRectF(px.x() - 5, px.y() - fm.ascent() / 2.0 - 2, w + 11, fm.height() + 2);
        if (std::any_of(taken.begin(), taken.end(), [&](const QRectF& r) { return r.intersects(box); }))
            continue;
        taken.push_back(box);
        if (isPref) {
            drawText(p, QPointF(box.left() + 2, px.y() + fm.ascent() / 2.0 - 1), pref, pl->label(),
                     QColor(0x70, 0x40, 0x70));
            continue;
        }
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(kPlace);
        p.drawEllipse(px, 3.5, 3.5);
        drawText(p, QPointF(px.x() + 8, px.y() + fm.ascent() / 2.0 - 1), town, pl->label(), kPlace);
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

void drawGeography(QPainter& p, const MapView& v, const MapData& d, bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.fillRect(QRectF(0, 0, v.width, v.height), kPaper);
    drawGrid(p, v);
    drawLines(p, v, d.rivers, QPen(kWater, 1.2));
    drawLines(p, v, d.lakes, QPen(kWater.darker(130), 1.5));
    drawLines(p, v, d.borders, QPen(kBorder, 1.5, Qt::DashDotLine));
    drawLines(p, v, d.coast, QPen(kCoast, 2));
    p.restore();
}

void drawPlaceNames(QPainter& p, const MapView& v, const MapData& d, const QVector<QRectF>& reserved,
                    bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    drawPlaces(p, v, d, reserved);
    if (!d.problems.isEmpty()) {
        p.setFont(mapFont(13, true));
        p.setPen(Qt::darkRed);
        p.drawText(QRectF(10, 20, v.width - 20, v.height - 60),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, d.problems.join(QLatin1Char('\n')));
    }
    p.restore();
}

void drawScale(QPainter& p, const MapView& v, bool smooth)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    drawScaleBar(p, v);
    p.restore();
}

void drawBaseMap(QPainter& p, const MapView& v, const MapData& d, bool smooth,
                 const QVector<QRectF>& reserved)
{
    drawGeography(p, v, d, smooth);
    drawPlaceNames(p, v, d, reserved, smooth);
    drawScale(p, v, smooth);
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

namespace
{
// Where an icon's picture and its text go in the view.
struct IconLayout {
    QImage picture;
    QPointF topLeft;
    QString text;
    QFont font;
    QPointF textOrigin;
    QRectF textBox;
};

IconLayout layOut(const MapView& v, const MapIcon& icon)
{
    IconLayout l;
    l.picture = iconImage(icon.Path.isEmpty() ? QString() : platform::nativePath(icon.Path), 32, 32,
                          !icon.Text.isEmpty());
    const int w = l.picture.width(), h = l.picture.height();
    const QPointF at = v.toPixel(degrees(qint32(icon.X)), degrees(qint32(icon.Y)));
    l.topLeft = at - QPointF(icon.HotSpotX, icon.HotSpotY);
    QStringList texts;
    if (!icon.Text.isEmpty())
        texts << icon.Text;
    if (icon.VisibleComment && !icon.Comment.isEmpty())
        texts << icon.Comment;
    l.text = texts.join(QStringLiteral(" "));
    l.font = mapFont(13, icon.TextBold);
    const QFontMetrics fm(l.font);
    const int tw = fm.horizontalAdvance(l.text);
    l.textOrigin = icon.TextLayout == 4
                       ? QPointF(l.topLeft.x() + w / 2.0 - tw / 2.0, l.topLeft.y() + h + fm.ascent())
                       : QPointF(l.topLeft.x() + w + 3, l.topLeft.y() + h / 2.0 + fm.ascent() / 2.0);
    l.textBox = QRectF(l.textOrigin.x() - 2, l.textOrigin.y() - fm.ascent() - 2, tw + 4, fm.height() + 4);
    return l;
}
} // namespace

QVector<QRectF> figureAreas(const MapView& v, const QVector<MapFigure>& figures)
{
    QVector<QRectF> areas;
    for (const MapFigure& f : figures) {
        if (const auto* icon = std::get_if<MapIcon>(&f)) {
            const IconLayout l = layOut(v, *icon);
            areas << QRectF(l.topLeft, l.picture.size());
            if (!l.text.isEmpty())
                areas << l.textBox;
        }
    }
    return areas;
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
            const IconLayout l = layOut(v, *icon);
            p.drawImage(l.topLeft, l.picture);
            if (!l.text.isEmpty())
                drawText(p, l.textOrigin, l.font, l.text,
                         icon->Text.isEmpty() ? QColor(Qt::black) : colourOf(icon->TextColor));
        }
    }
    p.restore();
}

QImage renderMap(const MapView& view, const MapData& data, const QVector<MapFigure>& figures, bool smooth)
{
    QImage image(view.width, view.height, QImage::Format_RGB32);
    QPainter p(&image);
    drawBaseMap(p, view, data, smooth, figureAreas(view, figures));
    drawFigures(p, view, figures, smooth);
    p.end();
    return image;
}

} // namespace offlinemap
