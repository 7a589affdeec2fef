#include "map/geo.h"

#include <cmath>
#include <numbers>

namespace offlinemap
{

namespace
{
constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kMetresPerDegree = kEarthRadiusMetres * kRad;
} // namespace

qint32 milliseconds(double degrees)
{
    return qint32(std::llround(degrees * kMsPerDegree));
}

double greatCircleMetres(qint32 x1, qint32 y1, qint32 x2, qint32 y2)
{
    const double lat1 = degrees(y1) * kRad;
    const double lat2 = degrees(y2) * kRad;
    const double dLat = lat2 - lat1;
    const double dLon = (degrees(x2) - degrees(x1)) * kRad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusMetres * std::asin(std::min(1.0, std::sqrt(a)));
}

bool insideCoverage(qint32 x, qint32 y)
{
    const double lon = degrees(x);
    const double lat = degrees(y);
    return lon >= 122.0 && lon <= 154.0 && lat >= 20.0 && lat <= 46.0;
}

QPointF MapView::toPixel(double lon, double lat) const
{
    const double kx = kMetresPerDegree * std::cos(centreLat * kRad) / metresPerPixel;
    const double ky = kMetresPerDegree / metresPerPixel;
    return {width / 2.0 + (lon - centreLon) * kx, height / 2.0 - (lat - centreLat) * ky};
}

void MapView::fromPixel(QPointF pixel, double* lon, double* lat) const
{
    const double kx = kMetresPerDegree * std::cos(centreLat * kRad) / metresPerPixel;
    const double ky = kMetresPerDegree / metresPerPixel;
    *lon = centreLon + (pixel.x() - width / 2.0) / kx;
    *lat = centreLat - (pixel.y() - height / 2.0) / ky;
}

double MapView::lonSpan() const
{
    return width * metresPerPixel / (kMetresPerDegree * std::cos(centreLat * kRad));
}

double MapView::latSpan() const
{
    return height * metresPerPixel / kMetresPerDegree;
}

double metresPerPixelForScale(double scale)
{
    return scale * 0.0254 / 96.0;
}

} // namespace offlinemap
