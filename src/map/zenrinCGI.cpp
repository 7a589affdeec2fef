#include "map/zenrinCGI.h"

#include "map/gifwriter.h"
#include "map/mapdata.h"
#include "map/mapservice.h"
#include "map/renderer.h"
#include "platform/textfile.h"

#include <QDir>
#include <cstring>

using namespace offlinemap;

namespace
{
QString text(const char* s)
{
    return s ? textfile::decode(QByteArray(s)) : QString();
}

bool toInt(const char* s, qint64* value)
{
    bool ok = false;
    *value = text(s).trimmed().toLongLong(&ok);
    return ok;
}

void put(char* buffer, const QString& value)
{
    const QByteArray bytes = textfile::encode(value).left(kCgiTextSize - 1);
    std::memset(buffer, 0, kCgiTextSize);
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
}

bool viewFor(const char* lat, const char* lon, const char* width, const char* height, const char* scale,
             MapView* v)
{
    qint64 y = 0, x = 0, w = 0, h = 0;
    if (!toInt(lat, &y) || !toInt(lon, &x) || !toInt(width, &w) || !toInt(height, &h))
        return false;
    const double reach = cgiReachMetres(text(scale));
    if (reach <= 0 || w <= 0 || h <= 0 || w > 4000 || h > 4000 || !insideCoverage(qint32(x), qint32(y)))
        return false;
    v->centreLon = degrees(qint32(x));
    v->centreLat = degrees(qint32(y));
    v->width = int(w);
    v->height = int(h);
    v->metresPerPixel = reach / (h / 2.0);
    return true;
}

bool validKey(const char* keyNo)
{
    return !text(keyNo).trimmed().isEmpty();
}

QString outputFile(const QString& name)
{
    QDir().mkpath(QStringLiteral("zenrinCGI"));
    return QDir::current().filePath(QStringLiteral("zenrinCGI/") + name);
}

bool writeGif(const QString& path, const QImage& image)
{
    const QByteArray gif = encodeGif(image);
    return !gif.isEmpty() && textfile::writeBytes(path, gif);
}

MapIcon marker(qint32 x, qint32 y, const QString& label = {}, qint32 colour = 0)
{
    MapIcon icon;
    icon.X = x;
    icon.Y = y;
    icon.HotSpotX = 16;
    icon.HotSpotY = 16;
    icon.Text = label;
    icon.TextColor = colour;
    icon.TextBold = true;
    icon.TextLayout = 4;
    return icon;
}
} // namespace

namespace offlinemap
{

double cgiReachMetres(const QString& code)
{
    static const QHash<QString, double> reach = {{"36", 55},   {"49", 520},  {"54", 1020}, {"58", 2290},
                                                 {"62", 4280}, {"67", 8390}, {"72", 19440}};
    return reach.value(code.trimmed(), 0);
}

bool writeMapGif(const QString& path, qint32 lat, qint32 lon, const QString& scaleCode, int width, int height)
{
    const QByteArray la = QByteArray::number(lat), lo = QByteArray::number(lon), sc = scaleCode.toLatin1();
    const QByteArray w = QByteArray::number(width), h = QByteArray::number(height);
    MapView v;
    if (!viewFor(la.constData(), lo.constData(), w.constData(), h.constData(), sc.constData(), &v))
        return false;
    return writeGif(path, renderMap(v, *mapData(), {marker(lon, lat)}, false));
}

} // namespace offlinemap

qint32 GifGet(const char* lat, const char* lon, const char* keyNo, const char* width, const char* height,
              const char* scale)
{
    if (!validKey(keyNo))
        return 1;
    MapView v;
    if (!viewFor(lat, lon, width, height, scale, &v))
        return 2;
    const QImage image =
        renderMap(v, *mapData(), {marker(milliseconds(v.centreLon), milliseconds(v.centreLat))}, false);
    return writeGif(outputFile(QStringLiteral("zenrin.gif")), image) ? 0 : 3;
}

qint32 GetLatLonFromPixcel(const char* keyNo, const char* lat, const char* lon, const char* x, const char* y,
                           char* outLat, char* outLon, const char* width, const char* height,
                           const char* scale)
{
    if (!validKey(keyNo))
        return 1;
    MapView v;
    qint64 px = 0, py = 0;
    if (!viewFor(lat, lon, width, height, scale, &v) || !toInt(x, &px) || !toInt(y, &py))
        return 2;
    double plon = 0, plat = 0;
    v.fromPixel(QPointF(px, py), &plon, &plat);
    put(outLat, QString::number(milliseconds(plat)));
    put(outLon, QString::number(milliseconds(plon)));
    return 0;
}

qint32 GetLanLonFromAddr(CgiLatLon* result, const char* address, const char* code, const char* keyNo)
{
    put(result->code, QString());
    put(result->lat, QString());
    put(result->lon, QString());
    if (!validKey(keyNo))
        return 1;
    Q_UNUSED(code);
    const std::optional<Located> found = locateAddress(text(address));
    if (!found) {
        put(result->code, QStringLiteral("99"));
        return 3;
    }
    put(result->code, found->precision == Precision::Address ? QStringLiteral("00") : QStringLiteral("01"));
    put(result->lat, QString::number(found->y));
    put(result->lon, QString::number(found->x));
    return 0;
}

qint32 GetCircleGifFromLatLonAllSetMap(const char* keyNo, char* lat, char* lon, const char* scale,
                                       const char* names, const char* lats, const char* lons, qint32 count,
                                       const char* centreLat, const char* centreLon)
{
    if (!validKey(keyNo))
        return 1;
    qint64 y = 0, x = 0;
    if (!toInt(lat, &y) || !toInt(lon, &x))
        return 2;
    MapView v;
    if (!viewFor(centreLat, centreLon, "849", "657", scale, &v))
        return 2;
    QVector<MapFigure> figures;
    // The rings: 16 km (blue), 8, 6, 4, 2 km (red), and the odd kilometres thin and green.
    const qint32 green = 0x00A000, red = 0x0000FF, blue = 0xFF0000;
    for (qint32 r : {160000, 80000, 60000, 40000, 20000}) {
        MapCircle c;
        c.Fixed = true;
        c.Radius = r;
        c.Brush = 2;
        c.BrushColor = green;
        c.EdgeColor = r == 160000 ? blue : red;
        c.width = 3;
        c.X = qint32(x);
        c.Y = qint32(y);
        figures.push_back(c);
    }
    for (qint32 r : {10000, 30000, 50000, 70000}) {
        MapCircle c;
        c.Fixed = true;
        c.Radius = r;
        c.Brush = 2;
        c.BrushColor = green;
        c.EdgeColor = green;
        c.width = 1;
        c.X = qint32(x);
        c.Y = qint32(y);
        figures.push_back(c);
    }
    const QStringList n = text(names).split(QLatin1Char(','));
    const QStringList la = text(lats).split(QLatin1Char(','));
    const QStringList lo = text(lons).split(QLatin1Char(','));
    for (qint32 i = 0; i < count && i < n.size() && i < la.size() && i < lo.size(); ++i) {
        bool okY = false, okX = false;
        const qint32 by = la[i].trimmed().toInt(&okY), bx = lo[i].trimmed().toInt(&okX);
        if (okY && okX)
            figures.push_back(marker(bx, by, n[i], 0x0000FF));
    }
    figures.push_back(marker(qint32(x), qint32(y)));
    put(lat, QString::number(y));
    put(lon, QString::number(x));
    const QImage image = renderMap(v, *mapData(), figures, false);
    return writeGif(outputFile(QStringLiteral("getCircleGifFromLatLon.gif")), image) ? 0 : 3;
}
