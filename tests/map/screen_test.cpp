#include "map/frmSetMap.h"
#include "map/mapservice.h"
#include "map/offlinemap.h"
#include "mapfixture.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace offlinemap;

namespace
{
// A program folder with the map data, the demo database and the settings the map screen
// reads; the current folder is the program folder (the image library writes below it).
class MapScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installMapScreen(inst);
        inst.writeAdodbIni();
        inst.createDatabase(QStringLiteral("PC01\\MIRANE"), true);
        QDir().mkpath(inst.file("TMP"));
        inst.writeFile("SYS/地図印刷.wfd", "layout");
        old_ = QDir::currentPath();
        QDir::setCurrent(inst.path());
        state().giMapMode = 2;
        state().gsMapAddress = QStringLiteral("東京都八王子市元本郷町");
    }
    void TearDown() override { QDir::setCurrent(old_); }

    std::unique_ptr<frmSetMap> open(const QString& keyStatus)
    {
        state().gsMapKeyStatus = keyStatus;
        auto w = std::make_unique<frmSetMap>();
        qint32 mode = 2;
        w->vSetMapMode(mode);
        w->show();
        return w;
    }
    QString label(const frmSetMap& w, const char* name) { return child<QLabel>(w, name)->text(); }

    TestInstallation inst;
    QString old_;
};
} // namespace

TEST_F(MapScreen, ImageModeScaleStepsClicksCircleViewAndNoKeyNumber)
{
    state().gsMapAddress = QStringLiteral("大阪府 大阪市 北区 梅田");
    auto w = open("1");
    ASSERT_TRUE(inst.messages.shown.empty()) << inst.messages.shown[0].text.toStdString();
    // Half-width blanks went to the library as full-width ones, and are written back.
    EXPECT_EQ(state().gsMapAddress, QStringLiteral("大阪府　大阪市　北区　梅田"));
    const Place& osaka = *matchAddress(*mapData(), QStringLiteral("大阪府大阪市"));
    EXPECT_EQ(w->latText(), QString::number(osaka.y));
    EXPECT_EQ(label(*w, "lblCurrentLong"), QString::number(osaka.x));
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" 住所位置 緯度経度入力      【 大阪府 大阪市 北区 梅田 】"));
    EXPECT_FALSE(child<QLabel>(*w, "Picture1")->pixmap().isNull());
    EXPECT_EQ(label(*w, "Label2_5"), "55m");

    auto* bigger = child<QPushButton>(*w, "Command1_0");
    auto* slider = child<QSlider>(*w, "Slider1");
    QStringList codes;
    for (int i = 0; i < 5; ++i) {
        QTest::mouseClick(bigger, Qt::LeftButton);
        codes << w->scaleCode();
    }
    EXPECT_EQ(codes, QStringList({"49", "54", "58", "62", "62"}));
    EXPECT_EQ(slider->value(), 4);

    // A click moves the position texts, not the looked-up position.
    auto* picture = child<QLabel>(*w, "Picture1");
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(600, 100));
    EXPECT_GT(w->lonText().toInt(), osaka.x);
    EXPECT_GT(w->latText().toInt(), osaka.y);
    EXPECT_EQ(label(*w, "lblCurrentLat"), w->latText());
    EXPECT_EQ(w->latitude(), osaka.y);

    // The circle view: the clicked position is the result; the view is centred anew.
    const QString clickedLat = w->latText();
    QTest::mouseClick(child<QPushButton>(*w, "btnDispCircleKanja"), Qt::LeftButton);
    EXPECT_EQ(state().gnMapResultLat, clickedLat.toInt());
    EXPECT_TRUE(w->circleView());
    EXPECT_EQ(label(*w, "Label2_5"), "19.44km");
    EXPECT_EQ(label(*w, "Label2_3"), "16km");
    EXPECT_EQ(QImage(inst.file("zenrinCGI/getCircleGifFromLatLon.gif")).size(), QSize(849, 657));
    const QString latBefore = w->latText();
    const QByteArray gifBefore = inst.readBytes("zenrinCGI/zenrin.gif");
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(100, 100)); // ignored in the circle view
    EXPECT_EQ(w->latText(), latBefore);
    EXPECT_EQ(inst.readBytes("zenrinCGI/zenrin.gif"), gifBefore);
    QTest::mouseClick(child<QPushButton>(*w, "Command1_1"), Qt::LeftButton);
    EXPECT_EQ(label(*w, "Label2_5"), "8.39km");

    QTest::mouseClick(child<QPushButton>(*w, "btnDispCircleDel"), Qt::LeftButton);
    EXPECT_EQ(w->scaleCode(), "36");
    QTest::mouseClick(child<QPushButton>(*w, "Command1_1"), Qt::LeftButton);
    EXPECT_EQ(w->scaleCode(), "36"); // stays at the nearest

    // Without a key number the picture stays empty.
    inst.writeFile("QMAPKEY.ini", "[キー情報]\r\nStatus=1\r\nKeyNo=\r\n");
    auto w2 = open("1");
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    inst.expectLastBox("Form Load() でエラー\r\n接続文字列取得できません。", "", platform::MsgIcon::Critical);
    EXPECT_TRUE(child<QLabel>(*w2, "Picture1")->pixmap().isNull());
    EXPECT_FALSE(child<QWidget>(*w2, "zdcMap")->isVisible());
}

TEST_F(MapScreen, ImageModePrintKeepsOneBitmapAndHandsTheJobOver)
{
    auto w = open("1");
    ASSERT_TRUE(inst.messages.shown.empty());
    QTest::mouseClick(child<QPushButton>(*w, "btnMapPrint"), Qt::LeftButton);
    inst.clock.current = inst.clock.current.addSecs(75);
    inst.messages.answer(platform::MsgAnswer::Yes);
    w->mnF09_Click(); // F9 in image mode prints the sheet
    inst.expectLastBox("現在の画面を印刷します。\rよろしいですか。", "　画面の印刷",
                       platform::MsgIcon::Question, platform::MsgButtons::YesNo);

    EXPECT_EQ(QDir(inst.file("TMP")).entryList({"MAP*.bmp"}, QDir::Files),
              QStringList({"MAP00000000_20240131090115.bmp"}));
    EXPECT_EQ(QImage(inst.file("TMP/MAP00000000_20240131090115.bmp")).size(), QSize(849, 657));
    const QString bmp = inst.path() + "\\TMP\\MAP00000000_20240131090115.bmp";
    EXPECT_EQ(inst.readBytes("TMP/地図印刷.csv"),
              textfile::encode("\"利用者ID\",\"画像Path\"\r\n0,\"" + bmp + "\"\r\n"));
    EXPECT_EQ(inst.commandLines().value(1), "wfrfv10.exe /c " + inst.path() + "\\TMP\\WfdCom.dat");
    EXPECT_EQ(inst.readText("TMP/WfdCom.dat"),
              "FileName,\"" + inst.path() +
                  "\\SYS\\地図印刷.wfd\"\r\nTitle,\"地図印刷\"\r\nSetDataText,\"地図印刷\",\"" + inst.path() +
                  "\\TMP\\地図印刷.csv\"\r\nPrintPaper, A4\r\nPrintOutFromDialog\r\n");

    // A work folder that cannot be written stops the print before the job.
    QDir(inst.file("TMP")).removeRecursively();
    inst.writeFile("TMP", "not a folder");
    w->btnMapPrint_Click();
    EXPECT_EQ(inst.messages.shown.back().text, QStringLiteral("地図画像を保存できません。\r\n") + bmp);
    EXPECT_EQ(inst.processes.started.size(), 2u);
    QFile::remove(inst.file("TMP"));
    QDir().mkpath(inst.file("TMP"));

    // Without its layout the job stops with the bridge's text.
    QFile::remove(inst.file("SYS/地図印刷.wfd"));
    w->btnMapPrint_Click();
    EXPECT_TRUE(inst.messages.shown.back().text.startsWith(QStringLiteral("帳票の印刷に失敗しました。\r[")));
    EXPECT_EQ(inst.processes.started.size(), 2u);
}

TEST_F(MapScreen, OnlineModeMarkerClicksRegistration)
{
    auto w = open("0");
    ASSERT_TRUE(inst.messages.shown.empty()) << inst.messages.shown[0].text.toStdString();
    OfflineMapWidget* map = w->mapWidget();
    EXPECT_TRUE(map->isVisible());
    EXPECT_FALSE(child<QWidget>(*w, "Picture1")->isVisible());
    const Place& hachioji = *matchAddress(*mapData(), QStringLiteral("東京都八王子市"));
    EXPECT_EQ(map->centreX(), hachioji.x);
    // Only the city's centre is known: the user is told, and the map opens wide enough.
    EXPECT_EQ(label(*w, "lblMessage"), kMunicipalityCentreNote);
    EXPECT_EQ(map->scale(), 50000);

    // The zoom controls, visible in this mode too: 詳細, 広域, the slider and the wheel.
    auto* slider = child<QSlider>(*w, "Slider1");
    for (const char* name : {"Command1_0", "Command1_1", "Slider1", "Label2_0", "Label2_5"})
        EXPECT_TRUE(child<QWidget>(*w, name)->isVisible()) << name;
    const auto click = [&](const char* button, int times) {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(child<QPushButton>(*w, button), Qt::LeftButton);
        return map->scale();
    };
    EXPECT_EQ(click("Command1_1", 2), 10000);
    EXPECT_EQ(click("Command1_0", 3), 100000);
    EXPECT_EQ(slider->value(), 5);
    slider->setValue(0);
    EXPECT_EQ(map->scale(), 2000);
    EXPECT_EQ(label(*w, "Label2_5"), "1:2,000");
    QWheelEvent back(QPointF(50, 50), map->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -240), Qt::NoButton,
                     {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &back);
    EXPECT_EQ(map->scale(), 10000);
    EXPECT_EQ(slider->value(), 2);
    auto marker = std::get<MapIcon>(*map->figure(w->markerFigure()));
    EXPECT_EQ(marker.Comment, QStringLiteral("東京都八王子市元本郷町"));
    EXPECT_TRUE(marker.Path.endsWith(QStringLiteral("111.ico")));

    // A click moves the marker to the clicked point, without a comment.
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(map->width() / 2 + 100, map->height() / 2));
    EXPECT_GT(w->longitude(), hachioji.x);
    EXPECT_NEAR(w->latitude(), hachioji.y, 50); // half a pixel
    EXPECT_EQ(map->figures().size(), 1);
    marker = std::get<MapIcon>(*map->figure(w->markerFigure()));
    EXPECT_EQ(marker.X, w->longitude());
    EXPECT_EQ(marker.Comment, QString());
    // The read-out follows the marker; the position is the user's now.
    EXPECT_EQ(label(*w, "lblCurrentLong"), QString::number(w->longitude()));
    EXPECT_EQ(label(*w, "lblCurrentLat"), QString::number(w->latitude()));
    EXPECT_EQ(label(*w, "lblMessage"), QString());

    // Other map modes do not take clicks.
    state().giMapMode = 1;
    const qint32 lon = w->longitude();
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(w->longitude(), lon);
    state().giMapMode = 2;

    // F10 through the key the user presses: the position is taken only by btnPoint.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : w.get();
    QTest::keyClick(focus, Qt::Key_F10);
    EXPECT_EQ(state().giMapRegist, 1);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(state().gnMapResultLon, 0);

    auto w2 = open("0");
    QTest::mouseClick(w2->mapWidget(), Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseClick(child<QPushButton>(*w2, "btnRegist"), Qt::LeftButton);
    EXPECT_EQ(state().gnMapResultLon, w2->longitude());
    EXPECT_EQ(state().gnMapResultLat, w2->latitude());
    EXPECT_EQ(std::get<MapIcon>(*w2->mapWidget()->figure(w2->markerFigure())).Comment, state().gsMapAddress);
    EXPECT_TRUE(inst.messages.shown.empty());
}

TEST_F(MapScreen, OnlineModeCirclesNeighboursAndFailures)
{
    state().gsMapAddress = QStringLiteral("東京都千代田区丸の内");
    state().giSetupKyotenCd = 13;
    state().giSetupKyotenEb = 1;
    auto w = open("0");
    QTest::mouseClick(child<QPushButton>(*w, "btnDispCircleKanja"), Qt::LeftButton);
    ASSERT_TRUE(inst.messages.shown.empty()) << inst.messages.shown[0].text.toStdString();
    QVector<qint32> radii;
    QStringList texts;
    for (const MapFigure& f : w->mapWidget()->figures()) {
        if (const auto* c = std::get_if<MapCircle>(&f)) {
            radii << c->Radius;
            EXPECT_EQ(c->X, w->longitude());
            EXPECT_TRUE(c->Fixed);
        }
        if (const auto* i = std::get_if<MapIcon>(&f))
            if (!i->Text.isEmpty())
                texts << i->Text + (i->Path.endsWith("pmark01.ico") ? "/P" : "");
    }
    EXPECT_EQ(radii, QVector<qint32>({160000, 80000, 60000, 40000, 20000, 10000, 30000, 50000, 70000}));
    // The base being set up (13-01 本店) is left out; the parking places of record base 0-0.
    EXPECT_EQ(texts, QStringList({"新宿店", "渋谷店", "梅田店", "札幌店", "東京駅前/P", "新宿駅西口/P",
                                  "大阪駅前/P", "西東京市役所前/P", "堺市役所前/P"}));
    QTest::mouseClick(child<QPushButton>(*w, "btnDispCircleKanja"), Qt::LeftButton);
    const auto circles = [&] {
        return std::ranges::count_if(w->mapWidget()->figures(),
                                     [](const MapFigure& f) { return std::holds_alternative<MapCircle>(f); });
    };
    EXPECT_EQ(circles(), 9); // shown again, never doubled
    QTest::mouseClick(child<QPushButton>(*w, "btnDispCircleDel"), Qt::LeftButton);
    EXPECT_EQ(circles(), 0);

    // F9 prints the map with its caption line; No prints nothing.
    inst.messages.answer(platform::MsgAnswer::No);
    w->mnF09_Click();
    EXPECT_TRUE(inst.processes.opened.isEmpty());
    inst.messages.answer(platform::MsgAnswer::Yes);
    w->mnF09_Click();
    EXPECT_EQ(w->mapWidget()->printCaption(), QStringLiteral("　患者：様　　"));
    ASSERT_EQ(inst.processes.opened.size(), 1);
    EXPECT_TRUE(QFileInfo(w->mapWidget()->lastPrintFile()).size() > 0);

    // An address the map cannot place is reported, and the window stays without a position.
    state().gsMapAddress = QStringLiteral("どこにもない村");
    inst.messages.shown.clear();
    auto w2 = open("0");
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    inst.expectLastBox("住所マッチング処理でエラー", "地図初期化エラー", platform::MsgIcon::Critical);
    EXPECT_TRUE(w2->markerFigure().isEmpty());

    inst.messages.shown.clear();
    auto w3 = open("1");
    inst.expectLastBox("住所の位置が見つかりません。\r\nどこにもない村", "地図初期化エラー",
                       platform::MsgIcon::Critical);
}
