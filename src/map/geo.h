#pragma once

#include <QPointF>
#include <QtGlobal>

// Positions of the offline map: 32-bit integers in milliseconds of arc, X the longitude and
// Y the latitude (WGS 84, as the place and coastline data come). Circle radii and other
// lengths on the map are in decimetres, so 160000 is a 16 km circle.
namespace offlinemap
{

constexpr double kMsPerDegree = 3600000.0;
constexpr double kDecimetresPerMetre = 10.0;
// The mean radius of the earth (IUGG), for great-circle distances.
constexpr double kEarthRadiusMetres = 6371008.8;

inline double degrees(qint32 ms)
{
    return ms / kMsPerDegree;
}
qint32 milliseconds(double degrees);

// Great-circle distance on the mean sphere (haversine), in metres. The calculator reports
// this figure: the offline map knows no roads.
double greatCircleMetres(qint32 x1, qint32 y1, qint32 x2, qint32 y2);

// True for a position inside the area the map data covers (Japan and its seas).
bool insideCoverage(qint32 x, qint32 y);

// A window onto the map: its centre, its ground resolution and its size in pixels. The
// projection is equirectangular around the centre (longitudes shortened by the cosine of
// the centre's latitude), which stays within a fraction of a percent over the 40 km the
// screens show.
struct MapView {
    double centreLon = 0; // degrees
    double centreLat = 0;
    double metresPerPixel = 1;
    int width = 0;
    int height = 0;

    QPointF toPixel(double lon, double lat) const;
    void fromPixel(QPointF pixel, double* lon, double* lat) const;
    // The longitude and latitude span of the whole window, in degrees.
    double lonSpan() const;
    double latSpan() const;
};

// Ground resolution of a map scale 1:scale on a 96 dpi screen.
double metresPerPixelForScale(double scale);

} // namespace offlinemap
