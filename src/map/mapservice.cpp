#include "map/mapservice.h"

#include "map/geo.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTimer>

namespace offlinemap
{

namespace
{
// A key's value: the default when the key is missing or empty, nothing when it says "off".
QString setting(const clsOplIniFile* ini, const QString& section, const QString& key, const QString& fallback)
{
    const QString value = ini ? ini->csGetProfileString(section, key).trimmed() : QString();
    if (value.isEmpty())
        return fallback;
    return value.compare(QStringLiteral("off"), Qt::CaseInsensitive) == 0 ? QString() : value;
}

int number(const clsOplIniFile* ini, const QString& section, const QString& key, int fallback, int low,
           int high)
{
    bool ok = false;
    const int n = setting(ini, section, key, QString()).toInt(&ok);
    return ok ? std::clamp(n, low, high) : fallback;
}
} // namespace

MapServiceSettings mapServiceSettings()
{
    clsOplIniFile file;
    const clsOplIniFile* ini =
        file.iInit(platform::gsAppPath() + QStringLiteral("\\MapService.ini")) == 0 ? &file : nullptr;
    const QString tiles = QStringLiteral("Tiles"), search = QStringLiteral("AddressSearch");
    MapServiceSettings s;
    s.tileUrl = setting(ini, tiles, QStringLiteral("URL"), kDefaultTileUrl);
    s.tileAttribution = setting(ini, tiles, QStringLiteral("Attribution"),
                                s.tileUrl == kDefaultTileUrl ? kDefaultTileAttribution : QString());
    // The cache is the program's own, so it lives in the user's cache folder, not among the
    // suite's files.
    const QString folder = setting(ini, tiles, QStringLiteral("CacheFolder"), QString());
    s.tileCacheFolder = folder.isEmpty()
                            ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                                  QStringLiteral("/TopMenu/tiles")
                            : platform::nativePath(folder);
    s.tileMaxZoom = number(ini, tiles, QStringLiteral("MaxZoom"), 18, 0, 22);
    s.searchUrl = setting(ini, search, QStringLiteral("URL"), kDefaultSearchUrl);
    s.searchTimeoutMs = number(ini, search, QStringLiteral("Timeout"), 3000, 100, 30000);
    return s;
}

std::optional<Located> searchOnline(const MapServiceSettings& settings, const QString& address)
{
    if (settings.searchUrl.isEmpty() || address.trimmed().isEmpty())
        return std::nullopt;
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(address.trimmed()));
    QString url = settings.searchUrl;
    if (url.contains(QStringLiteral("{address}")))
        url.replace(QStringLiteral("{address}"), encoded);
    else
        url += encoded;
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("TopMenu"));
    request.setTransferTimeout(settings.searchTimeoutMs);
    QNetworkReply* reply = network.get(request);
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    limit.start(settings.searchTimeoutMs);
    if (!reply->isFinished())
        wait.exec();
    std::unique_ptr<QNetworkReply> owned(reply);
    if (!reply->isFinished()) {
        reply->abort();
        return std::nullopt;
    }
    if (reply->error() != QNetworkReply::NoError ||
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return std::nullopt;
    // [{"geometry":{"coordinates":[lon,lat],...},"properties":{"title":"..."}}, ...]
    const QJsonArray features = QJsonDocument::fromJson(reply->readAll()).array();
    const QJsonObject first = features.at(0).toObject();
    const QJsonArray at = first[QLatin1String("geometry")].toObject()[QLatin1String("coordinates")].toArray();
    if (at.size() < 2 || !at[0].isDouble() || !at[1].isDouble())
        return std::nullopt;
    Located found;
    found.x = milliseconds(at[0].toDouble());
    found.y = milliseconds(at[1].toDouble());
    found.online = true;
    if (!insideCoverage(found.x, found.y))
        return std::nullopt;
    // An answer that names only the municipality is its centre, as the offline match is.
    const QString title = first[QLatin1String("properties")].toObject()[QLatin1String("title")].toString();
    found.precision = namesOnlyPlace(*mapData(), title) ? Precision::Municipality : Precision::Address;
    return found;
}

std::optional<Located> locateAddress(const QString& address)
{
    if (auto online = searchOnline(mapServiceSettings(), address))
        return online;
    const auto data = mapData();
    const Place* place = matchAddress(*data, address);
    if (!place)
        return std::nullopt;
    return Located{place->x, place->y,
                   place->isPrefecture() ? Precision::Prefecture : Precision::Municipality, false};
}

} // namespace offlinemap
