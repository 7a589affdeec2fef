#include "httpserver.h"
#include "map/geo.h"
#include "map/mapservice.h"
#include "map/offlinemap.h"
#include "map/tiles.h"
#include "mapfixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace offlinemap;

namespace
{
QByteArray feature(double lon, double lat, const char* title)
{
    return QStringLiteral(R"([{"geometry":{"coordinates":[%1,%2],"type":"Point"},"type":"Feature",)"
                          R"("properties":{"addressCode":"","title":"%3"}}])")
        .arg(lon, 0, 'f', 7)
        .arg(lat, 0, 'f', 7)
        .arg(QString::fromUtf8(title))
        .toUtf8();
}

void useServices(const TestInstallation& inst, const QString& tiles, const QString& search)
{
    inst.writeFile("MapService.ini",
                   "[Tiles]\r\nURL=" + tiles + "\r\nAttribution=テスト地図\r\nCacheFolder=" + inst.path() +
                       "/tilecache\r\n[AddressSearch]\r\nURL=" + search + "\r\nTimeout=700\r\n");
}

// A configured map widget of 400 x 300 pixels on Tokyo station at the scale.
std::unique_ptr<OfflineMapWidget> mapOnTokyo(qint32 scale)
{
    auto map = std::make_unique<OfflineMapWidget>();
    map->setServer("JP", "host");
    map->setAuthorisationId("ID");
    map->setActive(true);
    map->resize(400, 300);
    qint32 x = 503161650, y = 128452450;
    map->move(0, x, y, 0, 0);
    map->setScale(scale);
    return map;
}

QColor centreOf(OfflineMapWidget& map)
{
    return map.grab().toImage().pixelColor(200, 150);
}
} // namespace

TEST(MapOnline, AddressSearchSendsOnlyTheAddressAndFallsBackOnEveryFailure)
{
    TestInstallation inst;
    installMapData(inst);
    const QByteArray json = "application/json";
    const QHash<QString, LocalHttpServer::Answer> answers = {
        {"ok", {200, json, feature(139.7507, 35.6752, "東京都千代田区霞が関二丁目")}},
        {"404", {404, "text/html", "<html>not found</html>"}},
        {"slow", {200, json, feature(139.7507, 35.6752, "x"), 3000}},
        {"london", {200, json, feature(-0.1276, 51.5072, "London")}},
        {"empty", {200, json, "[]"}},
        {"broken", {200, json, "[{\"geometry\": {\"coordinates\": [139.75,"}}};
    QString mode;
    LocalHttpServer server([&](const QString&) { return answers.value(mode); });
    useServices(inst, "off", server.base() + "/search?q={address}");
    const QString address = QStringLiteral("東京都千代田区霞が関２丁目１－２");

    mode = "ok";
    std::optional<Located> found = locateAddress(address);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->online);
    EXPECT_EQ(found->precision, Precision::Address);
    EXPECT_EQ(std::pair(found->x, found->y), std::pair(milliseconds(139.7507), milliseconds(35.6752)));
    ASSERT_EQ(server.paths.size(), 1);
    const QUrl asked(server.base() + server.paths[0]);
    EXPECT_EQ(QUrlQuery(asked).queryItemValue("q", QUrl::FullyDecoded), address);

    // Every failure gives the offline match: Chiyoda's centre, not better than the ward.
    const Place* chiyoda = matchAddress(*mapData(), address);
    ASSERT_TRUE(chiyoda);
    for (const char* failure : {"404", "slow", "london", "empty", "broken"}) {
        SCOPED_TRACE(failure);
        mode = failure;
        QElapsedTimer clock;
        clock.start();
        found = locateAddress(address);
        EXPECT_LT(clock.elapsed(), 2000); // the time limit, not the server's delay
        ASSERT_TRUE(found);
        EXPECT_FALSE(found->online);
        EXPECT_EQ(found->precision, Precision::Municipality);
        EXPECT_EQ(std::pair(found->x, found->y), std::pair(chiyoda->x, chiyoda->y));
    }

    // Switched off: nothing is asked.
    useServices(inst, "off", "off");
    EXPECT_FALSE(locateAddress(address)->online);
    EXPECT_EQ(server.paths.size(), 6);
}

TEST(MapOnline, TilesLoadWithoutWaitingAreCachedAndLeaveTheOfflineMapWhereMissing)
{
    TestInstallation inst;
    installMapData(inst);
    int delay = 0;
    LocalHttpServer server([&](const QString& path) -> LocalHttpServer::Answer {
        if (path.startsWith("/tiles/16/"))
            return {404, "text/plain", "no tile"};
        return {200, "image/png", tilePng(Qt::red), delay};
    });
    useServices(inst, server.base() + "/tiles/{z}/{x}/{y}.png", "off");

    auto map = mapOnTokyo(25000);
    EXPECT_NE(centreOf(*map), QColor(Qt::red)); // nothing at hand yet: the offline map
    QTRY_COMPARE_WITH_TIMEOUT(map->tilesDrawn() > 0 && centreOf(*map) == QColor(Qt::red), true, 5000);
    // 6.6 m a pixel at 1:25,000 is zoom 14, where Tokyo station lies in tile 14/14552/6451;
    // every request names a tile of the view.
    EXPECT_TRUE(server.paths.contains("/tiles/14/14552/6451.png")) << server.paths.join(' ').toStdString();
    for (const QString& p : server.paths)
        EXPECT_TRUE(p.startsWith("/tiles/14/1455") || p.startsWith("/tiles/14/1454")) << p.toStdString();
    EXPECT_EQ(map->shownAttribution(), QStringLiteral("テスト地図"));
    const qsizetype fetched = server.paths.size();

    // A new map on the same view takes the tiles from the cache folder.
    auto again = mapOnTokyo(25000);
    QTRY_COMPARE_WITH_TIMEOUT(centreOf(*again) == QColor(Qt::red), true, 5000);
    EXPECT_EQ(server.paths.size(), fetched);
    EXPECT_GT(again->tiles()->diskHits(), 0);

    // Tiles the server does not have (zoom 16, at 1:10,000): the offline map, no attribution,
    // no second request.
    again->setScale(10000);
    centreOf(*again);
    QTRY_COMPARE_WITH_TIMEOUT(server.paths.size() > fetched, true, 5000);
    QTest::qWait(300);
    EXPECT_NE(centreOf(*again), QColor(Qt::red));
    EXPECT_EQ(again->shownAttribution(), QString());
    const qsizetype after404 = server.paths.size();
    centreOf(*again);
    QTest::qWait(100);
    EXPECT_EQ(server.paths.size(), after404);

    // A slow tile: the map paints and the window handles its events meanwhile.
    delay = 1500;
    again->setScale(50000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_NE(centreOf(*again), QColor(Qt::red));
    bool ticked = false;
    QTimer::singleShot(20, [&] { ticked = true; });
    QTest::qWait(100);
    EXPECT_TRUE(ticked);
    EXPECT_LT(clock.elapsed(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(centreOf(*again) == QColor(Qt::red), true, 5000);
}
