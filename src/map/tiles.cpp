#include "map/tiles.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QSaveFile>
#include <QTimer>
#include <cmath>
#include <numbers>

namespace offlinemap
{

namespace
{
constexpr double kPi = std::numbers::pi;
// Ground metres of a zoom-0 pixel at the equator (Web Mercator, 256-pixel tiles).
constexpr double kZoom0MetresPerPixel = 2 * kPi * 6378137.0 / 256;
constexpr qint64 kRetryAfterMs = 60000;
constexpr qint64 kFreshForMs = 30LL * 24 * 3600 * 1000;

double tileX(double lon, int z)
{
    return (lon + 180.0) / 360.0 * std::ldexp(1.0, z);
}
double tileY(double lat, int z)
{
    const double r = lat * kPi / 180.0;
    return (1.0 - std::asinh(std::tan(r)) / kPi) / 2.0 * std::ldexp(1.0, z);
}
double lonOf(double x, int z)
{
    return x / std::ldexp(1.0, z) * 360.0 - 180.0;
}
double latOf(double y, int z)
{
    return std::atan(std::sinh(kPi * (1.0 - 2.0 * y / std::ldexp(1.0, z)))) * 180.0 / kPi;
}
} // namespace

TileLayer::TileLayer(const QString& urlTemplate, const QString& cacheFolder, int maxZoom, QObject* parent)
    : QObject(parent), urlTemplate_(urlTemplate), maxZoom_(maxZoom),
      network_(new QNetworkAccessManager(this)), memory_(160)
{
    // One cache folder holds the tiles of several servers side by side.
    const QByteArray tag =
        QCryptographicHash::hash(urlTemplate.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    folder_ = cacheFolder + QLatin1Char('/') + QString::fromLatin1(tag);
}

int TileLayer::zoomFor(const MapView& v) const
{
    const double lat = std::clamp(v.centreLat, -85.0, 85.0);
    const double z = std::log2(kZoom0MetresPerPixel * std::cos(lat * kPi / 180.0) / v.metresPerPixel);
    return std::clamp(int(std::lround(z)), 0, maxZoom_);
}

QString TileLayer::fileOf(const Key& k) const
{
    return folder_ + QStringLiteral("/%1/%2/%3.tile").arg(k.z).arg(k.x).arg(k.y);
}

TileLayer::Range TileLayer::rangeOf(const MapView& v) const
{
    const int z = zoomFor(v);
    const int last = (1 << z) - 1;
    const double lonHalf = v.lonSpan() / 2, latHalf = v.latSpan() / 2;
    return {z, std::clamp(int(std::floor(tileX(v.centreLon - lonHalf, z))), 0, last),
            std::clamp(int(std::floor(tileX(v.centreLon + lonHalf, z))), 0, last),
            std::clamp(int(std::floor(tileY(std::min(v.centreLat + latHalf, 85.0), z))), 0, last),
            std::clamp(int(std::floor(tileY(std::max(v.centreLat - latHalf, -85.0), z))), 0, last)};
}

bool TileLayer::covers(const MapView& v) const
{
    const Range r = rangeOf(v);
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x)
            if (!memory_.contains(id({r.z, x, y})))
                return false;
    return true;
}

std::pair<int, int> TileLayer::draw(QPainter& p, const MapView& v)
{
    const auto [z, x0, x1, y0, y1] = rangeOf(v);
    int drawn = 0, needed = 0;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            ++needed;
            const Key k{z, x, y};
            if (const QImage* image = memory_.object(id(k))) {
                // Corners through the map's own projection, so tiles meet the drawing layer.
                const QPointF nw = v.toPixel(lonOf(x, z), latOf(y, z));
                const QPointF se = v.toPixel(lonOf(x + 1, z), latOf(y + 1, z));
                p.drawImage(QRectF(nw, se), *image);
                ++drawn;
            } else {
                ask(k);
            }
        }
    }
    p.restore();
    return {drawn, needed};
}

void TileLayer::ask(const Key& k)
{
    const quint64 key = id(k);
    if (pending_.contains(key))
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (failedAt_.contains(key) && now - failedAt_.value(key) < kRetryAfterMs)
        return;
    pending_.insert(key);
    const QFileInfo file(fileOf(k));
    if (!file.exists()) {
        fetch(k);
        return;
    }
    // One tile from disk per pass of the event loop: a short step, never a wait.
    QTimer::singleShot(0, this,
                       [this, k, key, path = file.filePath(),
                        stale = now - file.lastModified().toMSecsSinceEpoch() > kFreshForMs] {
                           const QImage image(path);
                           if (image.isNull()) {
                               fetch(k);
                               return;
                           }
                           ++diskHits_;
                           arrived(key, image);
                           if (stale) { // shown as it is, and fetched anew for the next time
                               pending_.insert(key);
                               fetch(k);
                           }
                       });
}

void TileLayer::fetch(const Key& k)
{
    QString url = urlTemplate_;
    url.replace(QStringLiteral("{z}"), QString::number(k.z))
        .replace(QStringLiteral("{x}"), QString::number(k.x))
        .replace(QStringLiteral("{y}"), QString::number(k.y));
    requested_ << url;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("TopMenu"));
    request.setTransferTimeout(15000);
    QNetworkReply* reply = network_->get(request);
    const quint64 key = id(k);
    const QString path = fileOf(k);
    connect(reply, &QNetworkReply::finished, this, [this, reply, key, path] {
        reply->deleteLater();
        const QByteArray bytes = reply->readAll();
        QImage image;
        if (reply->error() == QNetworkReply::NoError &&
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200)
            image.loadFromData(bytes);
        if (image.isNull()) {
            pending_.remove(key);
            failedAt_.insert(key, QDateTime::currentMSecsSinceEpoch());
            return;
        }
        // Kept whole or not at all (QSaveFile writes aside and renames).
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile out(path);
        if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size())
            out.commit();
        arrived(key, image);
    });
}

void TileLayer::arrived(quint64 key, const QImage& image)
{
    pending_.remove(key);
    failedAt_.remove(key);
    memory_.insert(key, new QImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
    emit tileArrived();
}

} // namespace offlinemap
