#pragma once

#include "map/geo.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;
class QPainter;

// Standard XYZ raster tiles (Web Mercator, 256 pixels) under the map's drawing layer. A tile
// is drawn when it is at hand; one that is not is asked for (from the disk cache on a worker
// thread, else from the network) and the map is repainted when it arrives, so the window
// never waits for a tile. Fetched tiles are kept in the cache folder; a tile that cannot be
// had is asked for again only after a minute.
namespace offlinemap
{

class TileLayer : public QObject
{
    Q_OBJECT
public:
    // urlTemplate with {z}, {x} and {y}.
    TileLayer(const QString& urlTemplate, const QString& cacheFolder, int maxZoom, QObject* parent = nullptr);

    // The zoom whose tiles suit the view: the nearest to its ground resolution.
    int zoomFor(const MapView& view) const;
    // Draws the tiles of the view that are at hand and asks for the others; the number
    // drawn and the number the view needs.
    std::pair<int, int> draw(QPainter& painter, const MapView& view);
    // True when every tile of the view is at hand.
    bool covers(const MapView& view) const;

    // What was asked of the network, in order (URLs), and how many tiles came from disk.
    const QStringList& requested() const { return requested_; }
    int diskHits() const { return diskHits_; }
    // Tiles held in memory.
    int held() const { return int(memory_.size()); }

signals:
    // A tile has arrived: the map repaints.
    void tileArrived();

private:
    struct Key {
        int z, x, y;
    };
    struct Range {
        int z, x0, x1, y0, y1;
    };
    Range rangeOf(const MapView& view) const;
    static quint64 id(const Key& k) { return (quint64(k.z) << 48) | (quint64(k.x) << 24) | quint64(k.y); }
    QString fileOf(const Key& k) const;
    void ask(const Key& k);
    void fetch(const Key& k);
    void arrived(quint64 key, const QImage& image);

    QString urlTemplate_;
    QString folder_;
    int maxZoom_;
    QNetworkAccessManager* network_;
    QCache<quint64, QImage> memory_;
    QSet<quint64> pending_;
    QHash<quint64, qint64> failedAt_; // when a tile could not be had (ms since the epoch)
    QStringList requested_;
    int diskHits_ = 0;
};

} // namespace offlinemap
