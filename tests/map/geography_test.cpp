#include "map/geo.h"
#include "map/mapdata.h"
#include "map/offlinemap.h"
#include "map/renderer.h"
#include "map/zenrinCGI.h"
#include "mapfixture.h"
#include "platform/textfile.h"

#include <QDir>
#include <QImage>
#include <cstring>
#include <gtest/gtest.h>

using namespace offlinemap;

TEST(MapGeography, ExtractedDataAndAddressMatching)
{
    TestInstallation inst;
    installMapData(inst);
    const auto data = mapData();
    ASSERT_TRUE(data->problems.isEmpty()) << data->problems.join(' ').toStdString();
    EXPECT_GT(data->coast.size(), 1000);
    EXPECT_GT(data->places.size(), 500);

    struct Case {
        const char* address;
        const char* place;
        const char* prefecture;
    };
    for (const Case& c : {
             Case{"大阪府大阪市北区梅田３丁目", "大阪市", "大阪府"},
             Case{"愛知県名古屋市中区三の丸３－１－２", "名古屋市", "愛知県"},
             Case{"東京都八王子市元本郷町", "八王子市", "東京都"},
             Case{"東京都千代田区丸の内１－９－１", "東京都", "東京都"}, // no ward in the data: the seat
             Case{"三重県鈴鹿郡の山奥", "津市", "三重県"},               // nothing named: the seat
             Case{"札幌市中央区北１条西", "札幌市", "北海道"},           // no prefecture written
             Case{"滋賀県大津市京町", "大津市", "滋賀県"},               // not 大津 of 熊本県
         }) {
        const Place* p = matchAddress(*data, QString::fromUtf8(c.address));
        ASSERT_NE(p, nullptr) << c.address;
        EXPECT_EQ(p->name, QString::fromUtf8(c.place)) << c.address;
        EXPECT_EQ(p->prefecture, QString::fromUtf8(c.prefecture)) << c.address;
    }
    EXPECT_EQ(matchAddress(*data, QStringLiteral("どこにもない村１－２")), nullptr);
    EXPECT_EQ(matchAddress(*data, QStringLiteral("　 ")), nullptr);

    // The positions are GeoNames' own: Osaka within a few kilometres of Osaka station.
    const Place* osaka = matchAddress(*data, QStringLiteral("大阪府大阪市"));
    EXPECT_LT(greatCircleMetres(osaka->x, osaka->y, 487785424, 124928946), 3000);
}

TEST(MapGeography, MissingFilesAreSaidOnTheMap)
{
    TestInstallation inst;
    const auto data = mapData();
    ASSERT_EQ(data->problems.size(), 2);
    EXPECT_TRUE(data->problems[0].startsWith(QStringLiteral("海岸線データがありません")));
    EXPECT_EQ(matchAddress(*data, QStringLiteral("東京都")), nullptr);
    MapView v{139.7, 35.6, 10, 300, 200};
    const QImage image = renderMap(v, *data);
    EXPECT_EQ(image.size(), QSize(300, 200)); // still a map: sea, grid and scale bar

    EXPECT_EQ(parseCoast("> Shore Bin # 1, Level 1\n140.0\t35.0\n140.1\t35.2\n> x\n141 36\n").size(), 1);
    const QVector<Place> places = parsePlaces("横浜市\t神奈川県\t35.433330\t139.650000\t3574443\nbroken\n");
    ASSERT_EQ(places.size(), 1);
    EXPECT_EQ(places[0].y, 127559988);
    EXPECT_EQ(places[0].x, 502740000);
}

TEST(MapGeography, ProjectionAndCoverage)
{
    MapView v{139.767125, 35.681236, 5.0, 849, 657};
    const QPointF centre = v.toPixel(139.767125, 35.681236);
    EXPECT_DOUBLE_EQ(centre.x(), 424.5);
    EXPECT_DOUBLE_EQ(centre.y(), 328.5);
    double lon = 0, lat = 0;
    v.fromPixel(QPointF(100, 600), &lon, &lat);
    const QPointF back = v.toPixel(lon, lat);
    EXPECT_NEAR(back.x(), 100, 1e-6);
    EXPECT_NEAR(back.y(), 600, 1e-6);
    // 100 pixels to the east at 5 m a pixel are 500 m on the ground.
    v.fromPixel(QPointF(524.5, 328.5), &lon, &lat);
    EXPECT_NEAR(greatCircleMetres(milliseconds(139.767125), milliseconds(35.681236), milliseconds(lon),
                                  milliseconds(lat)),
                500, 1);
    EXPECT_TRUE(insideCoverage(503161650, 128452450));
    EXPECT_FALSE(insideCoverage(milliseconds(-0.1276), milliseconds(51.5072))); // London
}

TEST(ImageMapLibrary, PicturesAndLookUps)
{
    TestInstallation inst;
    installMapData(inst);
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(inst.path()));
    // The build's fallback picture is one of these maps.
    EXPECT_EQ(QImage(inst.file("zenrinCGI/tokyostation.gif")).size(), QSize(849, 657));
    QDir("zenrinCGI").removeRecursively();

    EXPECT_NE(GifGet("128452450", "503161650", "", "849", "657", "36"), 0); // no key number
    EXPECT_FALSE(inst.exists("zenrinCGI/zenrin.gif"));
    EXPECT_NE(GifGet("185000000", "-460000", "K1", "849", "657", "36"), 0);   // London: outside the map
    EXPECT_NE(GifGet("128452450", "503161650", "K1", "849", "657", "99"), 0); // no such scale
    ASSERT_EQ(GifGet("128452450", "503161650", "K1", "849", "657", "62"), 0);
    EXPECT_TRUE(inst.readBytes("zenrinCGI/zenrin.gif").startsWith("GIF8"));
    const QImage gif(inst.file("zenrinCGI/zenrin.gif"));
    EXPECT_EQ(gif.size(), QSize(849, 657));

    char lat[kCgiTextSize], lon[kCgiTextSize];
    ASSERT_EQ(GetLatLonFromPixcel("K1", "128452450", "503161650", "424", "0", lat, lon, "849", "657", "62"),
              0);
    // The top edge lies 4.28 km north of the centre at scale 62.
    const qint32 north = QByteArray(lat).toInt();
    EXPECT_NEAR(greatCircleMetres(503161650, 128452450, QByteArray(lon).toInt(), north), 4280, 10);
    EXPECT_GT(north, 128452450);

    CgiLatLon rec;
    ASSERT_EQ(GetLanLonFromAddr(&rec, textfile::encode("大阪府　大阪市　北区").constData(), "00", "K1"), 0);
    EXPECT_STREQ(rec.code, "00");
    const Place* osaka = matchAddress(*mapData(), QStringLiteral("大阪府大阪市"));
    EXPECT_EQ(QByteArray(rec.lat).toInt(), osaka->y);
    EXPECT_EQ(QByteArray(rec.lon).toInt(), osaka->x);
    EXPECT_NE(GetLanLonFromAddr(&rec, textfile::encode("どこにもない").constData(), "00", "K1"), 0);
    EXPECT_STREQ(rec.lat, "");

    char clat[kCgiTextSize] = "128452450", clon[kCgiTextSize] = "503161650";
    ASSERT_EQ(GetCircleGifFromLatLonAllSetMap("K1", clat, clon, "72", "本店,新宿店", "128452450,128487316",
                                              "503161650,502920929", 2, "128452450", "503161650"),
              0);
    EXPECT_EQ(QImage(inst.file("zenrinCGI/getCircleGifFromLatLon.gif")).size(), QSize(849, 657));
    EXPECT_STREQ(clat, "128452450");

    QDir::setCurrent(old);
}
