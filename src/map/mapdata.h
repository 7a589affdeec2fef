#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// The geography the offline map draws and searches, made once at installation by
// scripts/make-mapdata.sh into the MAP folder of the program folder: the coastline, lake
// shores and rivers of Japan (GSHHG, as GMT writes them), the borders between prefectures
// (R's mapdata) and every prefecture and municipality with its Japanese name and position
// (OpenStreetMap through detect-location-jp, GeoNames where it lacks one).
namespace offlinemap
{

// A prefecture (empty name) or a municipality: city, Tokyo ward, town or village.
struct Place {
    QString name;
    QString prefecture;
    qint32 x = 0; // longitude, milliseconds of arc
    qint32 y = 0; // latitude
    bool isPrefecture() const { return name.isEmpty(); }
    // What the map writes beside the point.
    const QString& label() const { return name.isEmpty() ? prefecture : name; }
};

struct Polyline {
    QVector<QPointF> points; // (longitude, latitude) in degrees
    QRectF bounds;           // the same units
};

struct MapData {
    QVector<Polyline> coast, lakes, rivers, borders;
    QVector<Place> places; // prefectures first, then municipalities
    // What could not be read, for the map to say; empty when every file was read.
    QStringList problems;
};

// <program folder>/MAP
QString mapDataFolder();

// The data of the folder, read once per process and folder; a file that is missing or
// unreadable is named in problems.
std::shared_ptr<const MapData> loadMapData(const QString& folder);
// The same for mapDataFolder().
std::shared_ptr<const MapData> mapData();

// Parsers of the two file formats (exposed for the tests): GMT's segments, and the
// municipality lines (prefecture, municipality, latitude, longitude, source; tab-separated).
QVector<Polyline> parseLines(const QByteArray& gmtText);
QVector<Place> parsePlaces(const QByteArray& utf8Text);

// The place of an address: its municipality (the one named first, within the prefecture the
// address names), else the prefecture it names. Null when neither is found. A ward of a
// designated city lands on its city.
const Place* matchAddress(const MapData& data, const QString& address);

// True when the address says no more than the municipality (or prefecture) that
// matchAddress finds for it: its position is then that place's centre at best.
bool namesOnlyPlace(const MapData& data, const QString& address);

} // namespace offlinemap
