#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// The geography the offline map draws and searches: the coastline of Japan (GSHHG, as GMT
// writes it) and the places with their Japanese names and positions (GeoNames). Both files
// are made once at installation by scripts/make-mapdata.sh into the MAP folder of the
// program folder.
namespace offlinemap
{

struct Place {
    QString name;
    QString prefecture;
    qint32 x = 0; // longitude, milliseconds of arc
    qint32 y = 0; // latitude
    qint32 population = 0;
};

struct CoastSegment {
    QVector<QPointF> points; // (longitude, latitude) in degrees
    QRectF bounds;           // the same units
};

struct MapData {
    QVector<CoastSegment> coast;
    QVector<Place> places;
    // What could not be read, for the map to say; empty when both files were read.
    QStringList problems;
};

// <program folder>/MAP
QString mapDataFolder();

// The data of the folder, read once per process and folder (the coastline is a few
// megabytes); a file that is missing or unreadable is named in problems.
std::shared_ptr<const MapData> loadMapData(const QString& folder);
// The same for mapDataFolder().
std::shared_ptr<const MapData> mapData();

// Parsers of the two file formats (exposed for the tests).
QVector<CoastSegment> parseCoast(const QByteArray& gmtText);
QVector<Place> parsePlaces(const QByteArray& utf8Text);

// The position of an address: the place with the longest name the address contains
// (within the address's prefecture when it names one), else the seat of the prefecture it
// names. Null when neither is found.
const Place* matchAddress(const MapData& data, const QString& address);

// The seat of a prefecture named in full ("三重県"), or null.
const Place* prefectureSeat(const MapData& data, const QString& prefecture);

} // namespace offlinemap
