#pragma once

#include <QString>
#include <QtGlobal>

// The image-map library: map pictures as GIF files in ./zenrinCGI/ of the current folder,
// and the position look-ups that go with them. Texts are ANSI (CP932) strings; positions
// are decimal integers in milliseconds of arc; a result of 0 means success. The scale code
// says how far the picture reaches: code "36" shows 55 m from the centre to the top edge,
// "49" 520 m, "54" 1.02 km, "58" 2.29 km, "62" 4.28 km, "67" 8.39 km, "72" 19.44 km.

// 128-character text fields, as the callers' buffers hold them.
constexpr int kCgiTextSize = 128;

struct CgiLatLon {
    char code[kCgiTextSize];
    char lat[kCgiTextSize];
    char lon[kCgiTextSize];
};

// Writes ./zenrinCGI/zenrin.gif centred on the position, with a marker on it.
qint32 GifGet(const char* lat, const char* lon, const char* keyNo, const char* width, const char* height,
              const char* scale);
// The position under pixel (x, y) of the picture centred on (lat, lon).
qint32 GetLatLonFromPixcel(const char* keyNo, const char* lat, const char* lon, const char* x, const char* y,
                           char* outLat, char* outLon, const char* width, const char* height,
                           const char* scale);
// The position of an address with the latitude and longitude: code "00" for the address
// itself, "01" for the centre of its municipality (or prefecture), "99" when not found.
qint32 GetLanLonFromAddr(CgiLatLon* result, const char* address, const char* code, const char* keyNo);
// Writes ./zenrinCGI/getCircleGifFromLatLon.gif: the distance circles (2 to 16 km) around
// the position (lat, lon; both written back in normal form), the bases named in the lists,
// centred on (centreLat, centreLon).
qint32 GetCircleGifFromLatLonAllSetMap(const char* keyNo, char* lat, char* lon, const char* scale,
                                       const char* names, const char* lats, const char* lons, qint32 count,
                                       const char* centreLat, const char* centreLon);

namespace offlinemap
{
// Metres from the centre to the top edge for a scale code; 0 for an unknown code.
double cgiReachMetres(const QString& scaleCode);
// Renders a map picture of the image library into the file (GIF); false when it cannot.
bool writeMapGif(const QString& path, qint32 lat, qint32 lon, const QString& scaleCode, int width,
                 int height);
} // namespace offlinemap
