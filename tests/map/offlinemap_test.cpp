#include "map/cls_ZENRIN.h"
#include "map/geo.h"
#include "map/mapcontrols.h"
#include "map/mapdata.h"
#include "map/offlinemap.h"
#include "map/renderer.h"
#include "map/zenrinCGI.h"
#include "mapfixture.h"
#include "platform/textfile.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace offlinemap;

TEST(MapGeography, MissingFilesEveryLayerAndAddressesOnTheirMunicipality)
{
    TestInstallation inst;
    {
        const auto data = mapData();
        ASSERT_EQ(data->problems.size(), 5);
        EXPECT_TRUE(data->problems[0].startsWith(QStringLiteral("海岸線データがありません")));
        const QImage image = renderMap(MapView{139.7, 35.6, 10, 300, 200}, *data);
        EXPECT_EQ(image.size(), QSize(300, 200)); // still a map: paper, grid and scale bar
    }
    EXPECT_EQ(parseLines("> Shore Bin # 1, Level 1\n140.0\t35.0\n140.1\t35.2\n> x\n141 36\n").size(), 1);
    const QVector<Place> places =
        parsePlaces("神奈川県\t横浜市\t35.433330\t139.650000\tOSM\n神奈川県\t\t35.4\t139.6\tOSM\nbroken\n");
    ASSERT_EQ(places.size(), 2);
    EXPECT_TRUE(places[0].isPrefecture());
    EXPECT_EQ(std::pair(places[1].x, places[1].y), std::pair(502740000, 127559988));

    installMapData(inst);
    const auto data = mapData();
    ASSERT_TRUE(data->problems.isEmpty()) << data->problems.join(' ').toStdString();
    // Every layer extracted whole, not a stray piece of it.
    EXPECT_GT(data->coast.size(), 1000);
    EXPECT_GT(data->lakes.size(), 20);
    EXPECT_GT(data->rivers.size(), 300);
    EXPECT_GT(data->borders.size(), 500);
    // The 47 prefectures first, then some 1,700 municipalities (every Tokyo ward), all in Japanese.
    ASSERT_GT(data->places.size(), 1700);
    const QRegularExpression japanese(
        QStringLiteral("^[\\x{3005}\\x{3041}-\\x{30ff}\\x{4e00}-\\x{9fff}ヶ]+[市区町村都道府県]$"));
    int wards = 0;
    for (qsizetype i = 0; i < data->places.size(); ++i) {
        const Place& p = data->places[i];
        EXPECT_EQ(p.isPrefecture(), i < 47) << i;
        EXPECT_TRUE(japanese.match(p.label()).hasMatch()) << p.label().toStdString();
        wards += p.prefecture == "東京都" && p.name.endsWith(u'区');
    }
    EXPECT_EQ(wards, 23);
    // The projection: centred, reversible, 5 m a pixel on the ground.
    const MapView v{139.767125, 35.681236, 5.0, 849, 657};
    EXPECT_EQ(v.toPixel(139.767125, 35.681236), QPointF(424.5, 328.5));
    double lon = 0, lat = 0;
    v.fromPixel(QPointF(524.5, 328.5), &lon, &lat);
    EXPECT_NEAR(greatCircleMetres(milliseconds(139.767125), milliseconds(35.681236), milliseconds(lon),
                                  milliseconds(lat)),
                500, 1);

    // Real addresses, the municipality they lie in, and where the address is (its municipal
    // office, or the named landmark). The offline map places an address on its municipality's
    // centre: within a few kilometres of the office, never in the wrong place.
    struct Row {
        const char *address, *prefecture, *municipality;
        double lat, lon, km;
    };
    const Row rows[] = {
        {"東京都千代田区丸の内１丁目９－１", "東京都", "千代田区", 35.681236, 139.767125, 2.5},
        {"東京都府中市宮西町２丁目２４", "東京都", "府中市", 35.6690, 139.4777, 1},
        {"〒279-8501 千葉県浦安市猫実１丁目１－１", "千葉県", "浦安市", 35.6536, 139.9019, 1},
        {"長野県北安曇郡白馬村大字北城７０２５", "長野県", "白馬村", 36.6982, 137.8619, 1},
        {"広島県府中市府川町３１５", "広島県", "府中市", 34.5683, 133.2366, 1},
        {"東京都東大和市中央３丁目９３０", "東京都", "東大和市", 35.7456, 139.4265, 1},
        {"札幌市中央区北１条西２丁目", "北海道", "札幌市", 43.0621, 141.3544, 1},
        {"大阪府　大阪市　北区梅田３丁目１－１", "大阪府", "大阪市", 34.702485, 135.495951, 2.5},
        {"京都府京都市中京区寺町通御池上る上本能寺前町４８８", "京都府", "京都市", 35.0116, 135.7681, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.address);
        const QString place = QString::fromUtf8(r.prefecture) + QString::fromUtf8(r.municipality);
        const Place* p = matchAddress(*data, QString::fromUtf8(r.address));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->prefecture + p->name, place);
        EXPECT_LT(greatCircleMetres(p->x, p->y, milliseconds(r.lon), milliseconds(r.lat)), r.km * 1000);
        EXPECT_TRUE(namesOnlyPlace(*data, place));
        EXPECT_FALSE(namesOnlyPlace(*data, QString::fromUtf8(r.address)));
    }
    // A prefecture alone lands on the prefecture; nothing known, nothing found.
    const Place* fukuoka = matchAddress(*data, QStringLiteral("福岡県どこか"));
    ASSERT_NE(fukuoka, nullptr);
    EXPECT_TRUE(fukuoka->isPrefecture());
    EXPECT_EQ(matchAddress(*data, QStringLiteral("どこにもない村１－２")), nullptr);
    EXPECT_EQ(matchAddress(*data, QStringLiteral("　 ")), nullptr);
    EXPECT_TRUE(namesOnlyPlace(*data, QStringLiteral("大阪府大阪市北区")));
}

// The positions the library gives, and the circle picture, are seen on the map screen.
TEST(ImageMapLibrary, RefusalsThePictureAndItsScale)
{
    TestInstallation inst;
    installMapData(inst);
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(inst.path()));
    QDir("zenrinCGI").removeRecursively();
    EXPECT_NE(GifGet("128452450", "503161650", "", "849", "657", "36"), 0);   // no key number
    EXPECT_NE(GifGet("185000000", "-460000", "K1", "849", "657", "36"), 0);   // London: outside the map
    EXPECT_NE(GifGet("128452450", "503161650", "K1", "849", "657", "99"), 0); // no such scale
    ASSERT_EQ(GifGet("128452450", "503161650", "K1", "849", "657", "62"), 0);
    EXPECT_TRUE(inst.readBytes("zenrinCGI/zenrin.gif").startsWith("GIF8"));
    EXPECT_EQ(QImage(inst.file("zenrinCGI/zenrin.gif")).size(), QSize(849, 657));

    char lat[kCgiTextSize], lon[kCgiTextSize];
    ASSERT_EQ(GetLatLonFromPixcel("K1", "128452450", "503161650", "424", "0", lat, lon, "849", "657", "62"),
              0);
    // The top edge lies 4.28 km north of the centre at scale 62.
    const qint32 north = QByteArray(lat).toInt();
    EXPECT_NEAR(greatCircleMetres(503161650, 128452450, QByteArray(lon).toInt(), north), 4280, 10);
    EXPECT_GT(north, 128452450);

    CgiLatLon rec;
    ASSERT_EQ(GetLanLonFromAddr(&rec, textfile::encode("大阪府　大阪市　北区").constData(), "00", "K1"), 0);
    EXPECT_STREQ(rec.code, "01"); // the city's centre
    EXPECT_NE(GetLanLonFromAddr(&rec, textfile::encode("どこにもない").constData(), "00", "K1"), 0);
    EXPECT_STREQ(rec.lat, ""); // nothing left of the last answer
    QDir::setCurrent(old);
}

namespace
{
// All four components in one: every call succeeds but the one whose member number is in
// `failing`; the sign-in answers through its event unless `silent`, the calculator always.
struct Failing : MapSignIn, MapControl, MapCalculator, MapMatcher {
    int failing = 0, inits = 0, starts = 0;
    bool silent = false;
    QVector<double> distances{1500.0, 2750.5};
    qint32 f(int member) const { return failing == member ? 1 : 0; }

    void signIn(const QString&, const QString&, const QString&, const QString&, const QString&, qint32,
                qint32, qint32, const QString&, const QString&) override
    {
        inits = 0;
        if (!silent)
            QTimer::singleShot(0, [this] { onLoginResult(0, 0, "", "", "", ""); });
    }
    QString authorisationId() const override { return "ID"; }
    QString serverSettingA() const override { return "A"; }
    QString serverSettingB() const override { return "B"; }
    qint32 signOutState() override { return 0; }
    qint32 signOut() override { return f(11); }
    qint32 resetService(const QString&, qint32) override { return 0; }
    qint32 setServer(const QString&, const QString&) override { return f(78); }
    qint32 setAuthorisationId(const QString&) override { return f(79); }
    void setScale(qint32) override {}
    qint32 scale() const override { return 0; }
    void setActive(bool) override {}
    qint32 createLayer(const QString&, short) override { return f(68); }
    qint32 deleteLayer(short) override { return f(69); }
    qint32 move(qint32, qint32&, qint32&, qint32, short) override { return f(64); }
    qint32 newLine(MapLine&) override { return f(96); }
    qint32 newIcon(MapIcon&) override { return f(158); }
    qint32 newCircle(MapCircle&) override { return f(101); }
    qint32 addToLayer(short, const MapFigure&, QString&) override { return f(86); }
    qint32 deleteFigure(QString&) override { return f(75); }
    void redraw(bool) override {}
    void setPrintSetting(short) override {}
    void setPrintCaption(const QString&) override {}
    qint32 print() override { return 0; }
    void setDragMoves(bool) override {}
    void setWheelZooms(bool) override {}
    void setDoubleClickCentres(bool) override {}
    // The calculator (8) and the matcher (13) share this; the calculator is set up first.
    qint32 initialise(const QString&, const QString&, const QString&, const QString&) override
    {
        return f(inits++ == 0 ? 8 : 13);
    }
    void clearPoints() override {}
    void addPoint(qint32&, qint32&) override {}
    qint32 start() override
    {
        QTimer::singleShot(0, [this, m = distances.value(starts++)] { onResult(0, m, 0, 0, 0); });
        return 0;
    }
    void setMode(short) override {}
    qint32 match(QString&, short) override { return f(19); }
    QVector<MatchResult> results() const override { return {{503161650, 128452450}}; }
};

void writeTime(const TestInstallation& inst, const QString& time)
{
    inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=x\r\n[監視時間msec]\r\nTime = " + time + "\r\n");
}
} // namespace

TEST(MapWrapper, EndsWithoutAdodbIniFailureTextOfEachStepAndTheDistanceOfItsOwnCall)
{
    TestInstallation inst;
    Failing d;
    cls_ZENRIN z;
    EXPECT_THROW(z.iInit("u", "p", &d), ProgramEnded);
    inst.expectLastBox("起動時エラー\r\n指定されたIni（" + inst.path() +
                           "\\adodb.ini）ファイルが見つかりません。",
                       "", platform::MsgIcon::Critical);

    EXPECT_EQ(z.iDrawMapPos(1, 2), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("地図コントロールが設定されていません。"));

    writeTime(inst, ""); // not numeric: the sign-in through the service
    ASSERT_EQ(z.iInit("u", "p", &d, &d, &d, &d), 0) << z.sErrMsg().toStdString();
    const auto init = [&] { return z.iInit("u", "p", &d, &d, &d, &d); };
    const QString failed = QStringLiteral("コントロール初期化エラー\r\n");
    QString fig;
    qint32 x = 7, y = 7;
    struct Row {
        int failing;
        std::function<short()> call;
        QString text;
    };
    const std::vector<Row> rows = {
        {78, init, failed + "地図コントロール　サーバー設定でエラー"},
        {79, init, failed + "地図コントロール　認証承認ID設定でエラー"},
        {68, init, failed + "地図コントロール　レイヤー作成でエラー"},
        {8, init, failed + "距離計算コントロール　初期化でエラー"},
        {13, init, failed + "住所マッチングコントロール　初期化でエラー"},
        {158, [&] { return z.iDispIcon(32, 32, "", 1, 2, "", fig); }, "アイコン作成処理でエラー"},
        {86, [&] { return z.iDispIcon(32, 32, "", 1, 2, "", fig); }, "アイコンをレイヤーに追加処理でエラー"},
        {75, [&] { return z.iDeleteObject("F1"); }, "オブジェクトを削除処理でエラー"},
        {69, [&] { return z.iDeleteObjectInLayer(true); }, "レイヤーを削除処理でエラー"},
        {68, [&] { return z.iDeleteObjectInLayer(true); }, "レイヤー作成でエラー"},
        {64, [&] { return z.iDrawMapPos(1, 2); }, "地図移動でエラー"},
        {19, [&] { return z.iAddressMatch("どこにもない", x, y); }, "住所マッチング処理でエラー"},
    };
    for (const Row& r : rows) {
        d.failing = r.failing;
        EXPECT_EQ(r.call(), -1) << r.failing;
        EXPECT_EQ(z.sErrMsg(), r.text) << r.failing;
    }
    EXPECT_EQ(x, 7); // a failed match leaves the position alone

    // The distance waits for its own result.
    d.failing = 0;
    ASSERT_EQ(z.iDistance(10, 20, 30, 40), 0);
    EXPECT_DOUBLE_EQ(z.dblDistanceResult(), 1500.0);
    ASSERT_EQ(z.iDistance(10, 20, 50, 60), 0);
    EXPECT_DOUBLE_EQ(z.dblDistanceResult(), 2750.5); // the second distance, never the first
    // A sign-in whose result event never comes ends the wait instead of holding the window.
    d.silent = true;
    z.setWaitLimit(300);
    EXPECT_EQ(init(), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINサーバーからログインの応答がありません。"));

    // The map's error event is shown as code and detail.
    d.onError(12, 3456);
    inst.expectLastBox("12 3456", "", platform::MsgIcon::None, platform::MsgButtons::Ok);

    // A monitoring time: the sign-in file instead of the service. The real map takes the file's
    // texts and refuses a position outside its data (London).
    writeTime(inst, "300000");
    OfflineMapWidget map;
    EXPECT_EQ(z.iInit("u", "p", &d, &map), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINログインファイルが見つかりません。"));
    inst.writeFile("Miranechan", "AUTH9\r\nhost-a\r\nhost-b\r\n");
    ASSERT_EQ(z.iInit("u", "p", &d, &map), 0);
    EXPECT_EQ(z.sErrMsg(), QString()); // the last failure's text is gone
    EXPECT_EQ(z.iDrawMapPos(offlinemap::milliseconds(-0.1276), offlinemap::milliseconds(51.5072)), -1);
    ASSERT_EQ(z.iDispIcon(32, 32, "", 503161650, 128452450, "", fig), 0);
    EXPECT_EQ(std::get<MapIcon>(*map.figure(fig)).HotSpotX, 16.0); // the icon's centre on the point
    EXPECT_EQ(z.iPrintMap("山田太郎", "", "東京都千代田区丸の内", "03-1234-5678"), 0);
    EXPECT_EQ(map.printCaption(), QStringLiteral("　患者：山田太郎様　東京都千代田区丸の内　03-1234-5678"));

    writeTime(inst, "");
    // The real calculator: Tokyo to Osaka station is the great-circle distance.
    OfflineSignIn login;
    OfflineCalculator calc;
    ASSERT_EQ(z.iInit("user", "pass", &login, nullptr, &calc), 0) << z.sErrMsg().toStdString();
    // Tokyo station 35.681236 N 139.767125 E, Osaka station 34.702485 N 135.495951 E.
    ASSERT_EQ(z.iDistance(503161650, 128452450, 487785424, 124928946), 0);
    // The spherical figure (mean radius 6371008.8 m): 403058 m, within 0.2 % of GMT's geodesic
    // on the WGS 84 ellipsoid (gmt mapproject -G+ue -je): 403826.7 m.
    EXPECT_NEAR(z.dblDistanceResult(), 403058.1, 1.0);

    // An empty user ID is refused through the result event.
    EXPECT_EQ(z.iInit("", "pass", &login), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINサーバーへログインできません。\r\n1"));
}
