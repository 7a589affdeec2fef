#pragma once

#include "map/mapdata.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// The online services the map uses where the office reaches the internet: raster tiles
// under the drawing layer and an address search for the office's own address. Both are
// installation settings of MapService.ini in the program folder (README, "The map"); without
// the file the Geospatial Information Authority of Japan's services are used, and "off"
// switches one off. Neither is ever required: the offline map stands in for both.
namespace offlinemap
{

struct MapServiceSettings {
    // {z}, {x} and {y} stand for the tile's zoom and numbers; empty: no tiles.
    QString tileUrl;
    QString tileAttribution;
    // Where fetched tiles are kept between sessions.
    QString tileCacheFolder;
    int tileMaxZoom = 18;
    // {address} stands for the address, percent-encoded; empty: no online search.
    QString searchUrl;
    // How long the search may take before the offline match answers, in milliseconds.
    int searchTimeoutMs = 3000;
};

inline const QString kDefaultTileUrl =
    QStringLiteral("https://cyberjapandata.gsi.go.jp/xyz/std/{z}/{x}/{y}.png");
inline const QString kDefaultTileAttribution = QStringLiteral("地理院タイル");
inline const QString kDefaultSearchUrl =
    QStringLiteral("https://msearch.gsi.go.jp/address-search/AddressSearch?q={address}");

// The settings of <program folder>/MapService.ini, read at each call.
MapServiceSettings mapServiceSettings();

// Where an address lies, and how exactly.
enum class Precision {
    Address,      // the address itself (the online search found it)
    Municipality, // the centre of its municipality, at best
    Prefecture,   // the centre of its prefecture
};
struct Located {
    qint32 x = 0; // longitude, milliseconds of arc
    qint32 y = 0;
    Precision precision = Precision::Municipality;
    bool online = false;
};

// The message the map shows when a position is no better than its municipality.
inline const QString kMunicipalityCentreNote =
    QStringLiteral("市区町村の中心に置きました。地図をクリックして正しい位置を指定してください。");

// Asks the online search (when set) for the address, keeping window messages flowing for
// at most the search's time limit; any failure (no answer, an error status, an answer that
// is not the expected JSON, a position outside the map) falls back to the offline match.
// Null when neither finds the address. Only this address is sent.
std::optional<Located> locateAddress(const QString& address);

// The online search alone: the first feature of the answer, or null.
std::optional<Located> searchOnline(const MapServiceSettings& settings, const QString& address);

} // namespace offlinemap
