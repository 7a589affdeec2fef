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
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace offlinemap;

TEST(MapGeography, MissingFilesEveryLayerAddressesOnTheirMunicipalityAndNamesClearOfTheMarker)
{
    TestInstallation inst;
    {
        const auto data = mapData();
        ASSERT_EQ(data->problems.size(), 5);
        EXPECT_TRUE(data->problems[0].startsWith(QStringLiteral("海岸線データがありません")));
        EXPECT_EQ(matchAddress(*data, QStringLiteral("東京都")), nullptr);
        const QImage image = renderMap(MapView{139.7, 35.6, 10, 300, 200}, *data);
        EXPECT_EQ(image.size(), QSize(300, 200)); // still a map: paper, grid and scale bar
    }
    EXPECT_EQ(parseLines("> Shore Bin # 1, Level 1\n140.0\t35.0\n140.1\t35.2\n> x\n141 36\n").size(), 1);
    const QVector<Place> places =
        parsePlaces("神奈川県\t横浜市\t35.433330\t139.650000\tOSM\n神奈川県\t\t35.4\t139.6\tOSM\nbroken\n");
    ASSERT_EQ(places.size(), 2);
    EXPECT_TRUE(places[0].isPrefecture());
    EXPECT_EQ(places[1].y, 127559988);
    EXPECT_EQ(places[1].x, 502740000);

    installMapData(inst);
    const auto data = mapData();
    ASSERT_TRUE(data->problems.isEmpty()) << data->problems.join(' ').toStdString();
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
        {"東京都千代田区霞が関２丁目１－２", "東京都", "千代田区", 35.6752, 139.7507, 2.5},
        {"東京都世田谷区世田谷４丁目２１－２７", "東京都", "世田谷区", 35.6464, 139.6531, 1},
        {"東京都江戸川区中央１丁目４－１", "東京都", "江戸川区", 35.7068, 139.8683, 4},
        {"東京都府中市宮西町２丁目２４", "東京都", "府中市", 35.6690, 139.4777, 1},
        {"〒279-8501 千葉県浦安市猫実１丁目１－１", "千葉県", "浦安市", 35.6536, 139.9019, 1},
        {"長野県北安曇郡白馬村大字北城７０２５", "長野県", "白馬村", 36.6982, 137.8619, 1},
        {"広島県府中市府川町３１５", "広島県", "府中市", 34.5683, 133.2366, 1},
        {"東京都東大和市中央３丁目９３０", "東京都", "東大和市", 35.7456, 139.4265, 1},
        {"埼玉県さいたま市浦和区常盤６丁目４－４", "埼玉県", "さいたま市", 35.8617, 139.6455, 1},
        {"札幌市中央区北１条西２丁目", "北海道", "札幌市", 43.0621, 141.3544, 1},
        {"大阪府　大阪市　北区梅田３丁目１－１", "大阪府", "大阪市", 34.702485, 135.495951, 2.5},
        {"京都府京都市中京区寺町通御池上る上本能寺前町４８８", "京都府", "京都市", 35.0116, 135.7681, 2},
        {"福岡県福岡市中央区天神１丁目８－１", "福岡県", "福岡市", 33.5902, 130.4017, 2},
        {"愛知県名古屋市中区三の丸３丁目１－１", "愛知県", "名古屋市", 35.1815, 136.9066, 1},
        {"高知県高岡郡梼原町梼原１４４４－１", "高知県", "梼原町", 33.3919, 132.9261, 2},
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

    // Chiyoda's name is drawn beside its point, and not where the marker's caption lies.
    const Place* chiyoda = matchAddress(*data, QStringLiteral("東京都千代田区"));
    const MapView around{degrees(chiyoda->x), degrees(chiyoda->y), 20, 400, 300};
    const QRect label(200 + 8, 150 - 10, 60, 20);
    auto render = [&](bool names, const QVector<QRectF>& reserved) {
        QImage image(400, 300, QImage::Format_RGB32);
        QPainter p(&image);
        drawGeography(p, around, *data);
        if (names)
            drawPlaceNames(p, around, *data, reserved);
        p.end();
        return image.copy(label);
    };
    const QImage bare = render(false, {});
    EXPECT_NE(render(true, {}), bare);
    MapIcon marker;
    marker.X = chiyoda->x;
    marker.Y = chiyoda->y;
    marker.HotSpotX = marker.HotSpotY = 16;
    marker.VisibleComment = 1;
    marker.Comment = QStringLiteral("東京都千代田区霞が関２丁目");
    EXPECT_EQ(render(true, figureAreas(around, {marker})), bare);
}

// The positions the library gives, and the circle picture, are seen on the map screen.
TEST(ImageMapLibrary, RefusalsThePictureAndItsScale)
{
    TestInstallation inst;
    installMapData(inst);
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(inst.path()));
    QDir("zenrinCGI").removeRecursively();
    EXPECT_NE(GifGet("128452450", "503161650", "", "849", "657", "36"), 0); // no key number
    EXPECT_FALSE(inst.exists("zenrinCGI/zenrin.gif"));
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
// Doubles of the map components that record every call as text ("map 78|JP|http://..")
// into one shared log, in calling order, and answer as scripted.
struct CallLog {
    QStringList calls;

    static QString text(const QString& s) { return s; }
    static QString text(qint64 n) { return QString::number(n); }
    // Adds the line "name|argument|..." and gives back the answer.
    template <typename Answer, typename... Args>
    Answer add(Answer answer, const QString& name, const Args&... args)
    {
        QStringList parts{name};
        (parts.append(text(args)), ...);
        calls << parts.join('|');
        return answer;
    }
};

// What every double holds: the shared log.
struct Recording {
    explicit Recording(CallLog& log) : log_(log) {}
    CallLog& log_;
};

class RecordingSignIn : public offlinemap::MapSignIn, Recording
{
public:
    using Recording::Recording;
    void signIn(const QString& user, const QString& a2, const QString& a3, const QString& password,
                const QString& a5, qint32 a6, qint32 a7, qint32 a8, const QString& authPath,
                const QString& updatePath) override
    {
        log_.add(0, "login 12", user, a2, a3, password, a5, a6, a7, a8, authPath, updatePath);
        if (answer)
            QTimer::singleShot(0, [this, flag = failFlag] {
                if (onLoginResult)
                    onLoginResult(flag, 7, "t1", "t2", "t3", "t4");
            });
    }
    QString authorisationId() const override { return log_.add(id, "login 2"); }
    QString serverSettingA() const override { return log_.add(a, "login 3"); }
    QString serverSettingB() const override { return log_.add(b, "login 1"); }
    qint32 signOutState() override { return log_.add(signOutStateResult, "login 10"); }
    qint32 signOut() override { return log_.add(signOutResult, "login 11"); }

    // The event sent while the wrapper waits; none when answer is false.
    bool answer = true;
    qint32 failFlag = 0, signOutStateResult = 0, signOutResult = 0;
    QString id = QStringLiteral("ID1"), a = QStringLiteral("SA"), b = QStringLiteral("SB");
};

class RecordingMap : public offlinemap::MapControl, Recording
{
public:
    using Recording::Recording;
    qint32 resetService(const QString& text, qint32 value) override { return call(83, text, value); }
    qint32 setServer(const QString& b, const QString& a) override { return call(78, b, a); }
    qint32 setAuthorisationId(const QString& id) override { return call(79, id); }
    void setScale(qint32 scale) override
    {
        call(26, scale);
        scale_ = scale;
    }
    qint32 scale() const override { return scale_; }
    void setActive(bool on) override { call(1, on); }
    qint32 createLayer(const QString& name, short layer) override { return call(68, name, layer); }
    qint32 deleteLayer(short layer) override { return call(69, layer); }
    qint32 move(qint32 mode, qint32& x, qint32& y, qint32 redraw, short s) override
    {
        return call(64, mode, x, y, redraw, s);
    }
    qint32 newLine(offlinemap::MapLine& line) override { return handOut(96, line); }
    qint32 newIcon(offlinemap::MapIcon& icon) override { return handOut(158, icon); }
    qint32 newCircle(offlinemap::MapCircle& circle) override { return handOut(101, circle); }
    qint32 addToLayer(short layer, const offlinemap::MapFigure& figure, QString& figId) override
    {
        if (const qint32 refused = call(86, layer))
            return refused;
        added.push_back(figure);
        figId = QStringLiteral("F%1").arg(added.size());
        return 0;
    }
    qint32 deleteFigure(QString& figId) override { return call(75, figId); }
    void redraw(bool full) override { call(72, full); }
    void setPrintSetting(short setting) override { call(48, setting); }
    void setPrintCaption(const QString& caption) override { call(38, caption); }
    qint32 print() override { return call(92); }
    void setDragMoves(bool on) override { call(149, on); }
    void setWheelZooms(bool on) override { call(150, on); }
    void setDoubleClickCentres(bool on) override { call(151, on); }

    // Member number -> result it gives (0 when not named).
    QMap<int, qint32> results;
    QVector<offlinemap::MapFigure> added;
    qint32 scale_ = 0;

    // Logs "map <member>|arguments" and gives the member's scripted result.
    template <typename... Args> qint32 call(int member, const Args&... args)
    {
        return log_.add(results.value(member, 0), QStringLiteral("map %1").arg(member), args...);
    }
    // The figures come back empty, as the real map hands them out.
    template <typename Figure> qint32 handOut(int member, Figure& figure)
    {
        figure = {};
        return call(member);
    }
};

class RecordingCalculator : public offlinemap::MapCalculator, Recording
{
public:
    using Recording::Recording;
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override
    {
        return log_.add(initResult, "calc 8", b, a, id, t);
    }
    void clearPoints() override { log_.add(0, "calc 4"); }
    void addPoint(qint32& x, qint32& y) override { log_.add(0, "calc 2", x, y); }
    qint32 start() override
    {
        if (log_.add(startResult, "calc 6") != 0)
            return startResult;
        const double metres = distances.value(starts_++, 0);
        if (answer)
            QTimer::singleShot(0, [this, metres, flag = errorFlag] {
                if (onResult)
                    onResult(0, metres, 0, 0, flag);
            });
        return 0;
    }

    bool answer = true;
    qint32 initResult = 0, startResult = 0, errorFlag = 0;
    QVector<double> distances; // one per start, in order
    int starts_ = 0;
};

class RecordingMatcher : public offlinemap::MapMatcher, Recording
{
public:
    using Recording::Recording;
    void setMode(short mode) override { log_.add(0, "match 3", mode); }
    qint32 initialise(const QString& b, const QString& a, const QString& id, const QString& t) override
    {
        return log_.add(initResult, "match 13", b, a, id, t);
    }
    qint32 match(QString& address, short count) override
    {
        return log_.add(matchResult, "match 19", address, count);
    }
    QVector<offlinemap::MatchResult> results() const override { return found; }

    qint32 initResult = 0, matchResult = 0;
    QVector<offlinemap::MatchResult> found{{503161650, 128452450}};
};

void writeTime(const TestInstallation& inst, const QString& time)
{
    inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=x\r\n[監視時間msec]\r\nTime = " + time + "\r\n");
}

struct Components {
    CallLog log;
    RecordingSignIn login{log};
    RecordingMap map{log};
    RecordingCalculator calc{log};
    RecordingMatcher match{log};
};
} // namespace

TEST(MapWrapper, SignInEndsTheProgramWithoutAdodbIniConfiguresInOrderAndFailsOnEachStepWaitOrFile)
{
    TestInstallation inst;
    Components c;
    cls_ZENRIN z;
    EXPECT_THROW(z.iInit("u", "p", &c.login), ProgramEnded);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_TRUE(inst.messages.shown[0].text.startsWith(QStringLiteral("起動時エラー\r\n")));
    EXPECT_EQ(inst.messages.shown[0].icon, platform::MsgIcon::Critical);
    EXPECT_TRUE(c.log.calls.isEmpty());

    writeTime(inst, "");
    ASSERT_EQ(z.iInit("user1", "pw1", &c.login, &c.map, &c.calc, &c.match), 0) << z.sErrMsg().toStdString();
    EXPECT_EQ(c.log.calls,
              QStringList({"login 12|user1|||pw1||0|1|0|http://offline-map.localhost/zdc_sdk_joi/ninnsyou|"
                           "http://offline-map.localhost/zdc_sdk_joi/update",
                           "login 2", "login 3", "login 1", "map 83||0", "map 78|SB|SA", "map 79|ID1",
                           "map 26|10000", "map 1|1", "map 68||0", "calc 8|SB|SA|ID1|", "match 3|0",
                           "match 13|SB|SA|ID1|"}));

    // Only the sign-in: the configuration skips what is absent.
    EXPECT_EQ(z.iInit("u", "p", &c.login), 0);
    EXPECT_EQ(z.iSetLoginID(&c.login), 0);

    writeTime(inst, "abc"); // not numeric: online
    Components refused;
    refused.login.failFlag = 3;
    EXPECT_EQ(z.iInit("u", "p", &refused.login, &refused.map), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINサーバーへログインできません。\r\n3"));

    Components badMap;
    badMap.map.results[79] = 5;
    EXPECT_EQ(z.iInit("u", "p", &badMap.login, &badMap.map, &badMap.calc), -1);
    EXPECT_EQ(z.sErrMsg(),
              QStringLiteral("コントロール初期化エラー\r\n地図コントロール　認証承認ID設定でエラー"));
    EXPECT_FALSE(badMap.log.calls.contains("map 68||0")); // the steps after a failure do not run

    // A sign-in whose result event never comes ends the wait instead of holding the window.
    Components silent;
    silent.login.answer = false;
    z.setWaitLimit(500);
    EXPECT_EQ(z.iInit("u", "p", &silent.login, &silent.map), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINサーバーからログインの応答がありません。"));
    EXPECT_EQ(silent.log.calls.size(), 1);

    // A monitoring time: the sign-in file instead of the service.
    writeTime(inst, "300000");
    c.log.calls.clear();
    EXPECT_EQ(z.iInit("u", "p", &c.login, &c.map, &c.calc, &c.match), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ZENRINログインファイルが見つかりません。"));
    EXPECT_TRUE(c.log.calls.isEmpty()); // no sign-in at all

    // Two lines: server setting B is missing, the map refuses it; iInit still returns 0.
    inst.writeFile("Miranechan", "AUTH9\r\nhost-a\r\n");
    c.map.results[78] = 1;
    EXPECT_EQ(z.iInit("u", "p", &c.login, &c.map, &c.calc, &c.match), 0);
    EXPECT_EQ(z.sErrMsg(),
              QStringLiteral("コントロール初期化エラー\r\n地図コントロール　サーバー設定でエラー"));
    EXPECT_EQ(c.log.calls, QStringList({"map 83||0", "map 78||host-a"}));

    c.log.calls.clear();
    c.map.results.clear();
    inst.writeFile("Miranechan", "AUTH9\r\nhost-a\r\nhost-b\r\n");
    EXPECT_EQ(z.iInit("u", "p", &c.login, &c.map, &c.calc, &c.match), 0);
    EXPECT_EQ(z.sErrMsg(), QString()); // the last failure's text is gone
    EXPECT_EQ(c.log.calls.mid(0, 3), QStringList({"map 83||0", "map 78|host-b|host-a", "map 79|AUTH9"}));
    EXPECT_EQ(c.log.calls.last(), "match 13|host-b|host-a|AUTH9|");

    // The real map takes the file's texts and refuses a position outside its data (London).
    OfflineSignIn login;
    OfflineMapWidget map;
    ASSERT_EQ(z.iInit("u", "p", &login, &map), 0);
    EXPECT_EQ(z.iDrawMapPos(offlinemap::milliseconds(-0.1276), offlinemap::milliseconds(51.5072)), -1);
}

TEST(MapWrapper, DistanceWaitsForItsOwnResultDrawingOperationsAndTheirFailureTexts)
{
    TestInstallation inst;
    writeTime(inst, "");
    Components c;
    cls_ZENRIN z;
    QString fig;
    const QString noMap = QStringLiteral("地図コントロールが設定されていません。");
    for (short status :
         {z.iSetMapScale(2000), z.iDrawMapPos(1, 2), z.iDispLine(1, 1, 1, 1, 2, 2, fig),
          z.iDispIcon(32, 32, "a.ico", 1, 2, "c", fig), z.iDeleteObject("1"), z.iDeleteObjectInLayer(true)}) {
        EXPECT_EQ(status, -1);
        EXPECT_EQ(z.sErrMsg(), noMap);
    }
    EXPECT_EQ(z.iDistance(1, 2, 3, 4), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("距離計算コントロールが設定されていません。"));
    c.calc.distances = {1500.0, 2750.5};
    ASSERT_EQ(z.iInit("u", "p", &c.login, nullptr, &c.calc), 0);
    c.log.calls.clear();
    ASSERT_EQ(z.iDistance(10, 20, 30, 40), 0);
    EXPECT_DOUBLE_EQ(z.dblDistanceResult(), 1500.0);
    ASSERT_EQ(z.iDistance(10, 20, 50, 60), 0);
    EXPECT_DOUBLE_EQ(z.dblDistanceResult(), 2750.5); // the second distance, never the first
    EXPECT_EQ(c.log.calls.mid(0, 4), QStringList({"calc 4", "calc 2|10|20", "calc 2|30|40", "calc 6"}));

    c.calc.errorFlag = 1;
    EXPECT_EQ(z.iDistance(1, 2, 3, 4), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("計算処理でエラーが発生しました"));
    c.calc.startResult = 9;
    EXPECT_EQ(z.iDistance(1, 2, 3, 4), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("2点間距離計算処理でエラー"));
    c.calc.startResult = 0;
    c.calc.errorFlag = 0;
    c.calc.answer = false;
    z.setWaitLimit(300);
    EXPECT_EQ(z.iDistance(1, 2, 3, 4), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("距離計算の応答がありません。"));
    EXPECT_EQ(z.dblDistanceResult(), 0.0);

    ASSERT_EQ(z.iInit("u", "p", &c.login, &c.map, nullptr, &c.match), 0);
    c.log.calls.clear();

    ASSERT_EQ(z.iDispIcon(32, 32, "C:\\ICON\\111.ico", 503161650, 128452450, "東京駅", fig), 0);
    EXPECT_EQ(fig, "F1");
    const MapIcon& icon = std::get<MapIcon>(c.map.added.at(0));
    EXPECT_EQ(
        QVariantList({icon.HotSpotX, icon.HotSpotY, icon.X, icon.Path, icon.VisibleComment, icon.Comment}),
        QVariantList({16.0, 16.0, 503161650.0, "C:\\ICON\\111.ico", 1, "東京駅"}));
    ASSERT_EQ(z.iDispLine(0xFF, 3, 1, 2, 3, 4, fig), 0);
    const auto& line = std::get<offlinemap::MapLine>(c.map.added.at(1));
    EXPECT_EQ(QVariantList({line.Color, line.width, line.points.size()}), QVariantList({0xFF, 3, 2}));
    EXPECT_EQ(c.log.calls,
              QStringList({"map 158", "map 86|0", "map 72|0", "map 96", "map 86|0", "map 72|0"}));

    c.log.calls.clear();
    EXPECT_EQ(z.iPrintMap("山田太郎", "100-0005", "東京都千代田区丸の内", "03-1234-5678"), 0);
    EXPECT_EQ(z.iEnableUI(true), 0);
    EXPECT_EQ(z.iDeleteObjectInLayer(false), 0);
    EXPECT_EQ(z.iSetMapScale(2000), 0);
    EXPECT_EQ(z.iDrawMapPos(5, 6), 0);
    EXPECT_EQ(c.log.calls,
              QStringList({"map 48|3", "map 38|　患者：山田太郎様　東京都千代田区丸の内　03-1234-5678",
                           "map 92", "map 149|1", "map 150|1", "map 151|1", "map 69|0", "map 68||0",
                           "map 26|2000", "map 64|0|5|6|-1|0"}));

    struct Case {
        int member;
        std::function<short()> call;
        QString text;
    };
    const std::vector<Case> cases = {
        {158, [&] { return z.iDispIcon(32, 32, "", 1, 2, "", fig); }, "アイコン作成処理でエラー"},
        {86, [&] { return z.iDispIcon(32, 32, "", 1, 2, "", fig); }, "アイコンをレイヤーに追加処理でエラー"},
        {96, [&] { return z.iDispLine(0, 1, 1, 2, 3, 4, fig); }, "ライン作成処理でエラー"},
        {86, [&] { return z.iDispLine(0, 1, 1, 2, 3, 4, fig); }, "ラインをレイヤーに追加処理でエラー"},
        {75, [&] { return z.iDeleteObject("F1"); }, "オブジェクトを削除処理でエラー"},
        {69, [&] { return z.iDeleteObjectInLayer(true); }, "レイヤーを削除処理でエラー"},
        {68, [&] { return z.iDeleteObjectInLayer(true); }, "レイヤー作成でエラー"},
        {64, [&] { return z.iDrawMapPos(1, 2); }, "地図移動でエラー"},
    };
    for (const Case& k : cases) {
        c.map.results.clear();
        c.map.results[k.member] = 1;
        EXPECT_EQ(k.call(), -1) << k.member;
        EXPECT_EQ(z.sErrMsg(), k.text);
    }
    c.map.results.clear();

    // Address matching: the first result centres the map and comes back.
    c.log.calls.clear();
    qint32 x = 0, y = 0;
    ASSERT_EQ(z.iAddressMatch("東京都千代田区丸の内", x, y), 0);
    EXPECT_EQ(std::pair(x, y), std::pair(503161650, 128452450));
    EXPECT_EQ(c.log.calls,
              QStringList({"match 19|東京都千代田区丸の内|1", "map 64|0|503161650|128452450|-1|0"}));
    c.match.matchResult = 3;
    x = y = 7;
    EXPECT_EQ(z.iAddressMatch("どこにもない", x, y), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("住所マッチング処理でエラー"));
    EXPECT_EQ(x, 7);

    // Sign-out only when one is due.
    c.log.calls.clear();
    c.login.signOutStateResult = 1;
    EXPECT_EQ(z.iLogout(), 0);
    c.login.signOutStateResult = 0;
    c.login.signOutResult = 4;
    EXPECT_EQ(z.iLogout(), -1);
    EXPECT_EQ(z.sErrMsg(), QStringLiteral("ログアウトができません。"));
    EXPECT_EQ(c.log.calls, QStringList({"login 10", "login 10", "login 11"}));

    // The map's error event is shown as code and detail.
    c.map.onError(12, 3456);
    inst.expectLastBox("12 3456", "", platform::MsgIcon::None, platform::MsgButtons::Ok);

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
