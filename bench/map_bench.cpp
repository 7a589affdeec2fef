// The map widget's redraw at five scales from the whole of Japan to 1:2,000, with every
// layer (coastline, lakes, rivers, prefecture borders, municipality names, the marker with
// its caption and the distance circles), offline and with the street tiles at hand; beside
// it, in the same run, the same widget drawing the coastline alone.
//
// The tiles come once from a local server into the cache folder and memory, as an office's
// map has them after a first look; the benchmark then redraws.
#include "../tests/map/httpserver.h"
#include "map/figures.h"
#include "map/geo.h"
#include "map/offlinemap.h"
#include "map/tiles.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace offlinemap;

namespace
{
const qint32 kScales[] = {20000000, 1000000, 100000, 10000, 2000};
// 東京都千代田区霞が関 (the whole of Japan is centred on Honshu).
const qint32 kX = milliseconds(139.7507), kY = milliseconds(35.6752);

struct Folders {
    QTemporaryDir all, coastOnly;
    std::unique_ptr<LocalHttpServer> server;
};

Folders& folders()
{
    static Folders f;
    return f;
}

std::unique_ptr<OfflineMapWidget> makeMap(const QString& folder, qint32 scale, bool figures)
{
    platform::runtime().gsAppPath = folder;
    auto map = std::make_unique<OfflineMapWidget>();
    map->setServer("JP", "host");
    map->setAuthorisationId("ID");
    map->setActive(true);
    map->resize(849, 657);
    qint32 x = scale >= 20000000 ? milliseconds(137.5) : kX, y = scale >= 20000000 ? milliseconds(36.5) : kY;
    map->move(0, x, y, 0, 0);
    map->setScale(scale);
    map->createLayer(QString(), 0);
    if (figures) {
        QString id;
        for (qint32 r : {160000, 80000, 60000, 40000, 20000, 10000, 30000, 50000, 70000}) {
            MapCircle c;
            c.Fixed = true;
            c.Radius = r;
            c.Brush = 2;
            c.EdgeColor = r == 160000 ? 0xFF0000 : 0x0000FF;
            c.width = 3;
            c.X = kX;
            c.Y = kY;
            map->addToLayer(0, c, id);
        }
        MapIcon marker;
        marker.X = kX;
        marker.Y = kY;
        marker.HotSpotX = marker.HotSpotY = 16;
        marker.Path = folder + QStringLiteral("/ICON/111.ico");
        marker.VisibleComment = 1;
        marker.Comment = QStringLiteral("東京都千代田区霞が関２丁目１－２");
        map->addToLayer(0, marker, id);
    }
    return map;
}

void redraw(benchmark::State& state, const QString& folder, bool figures, bool tiles)
{
    const qint32 scale = kScales[state.range(0)];
    auto map = makeMap(folder, scale, figures);
    QImage target(map->size(), QImage::Format_ARGB32_Premultiplied);
    if (tiles) { // fetched once, then at hand
        QElapsedTimer clock;
        clock.start();
        do {
            map->render(&target);
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        } while (!map->tiles()->covers(map->view()) && clock.elapsed() < 20000);
        if (!map->tiles()->covers(map->view()))
            state.SkipWithError("the tiles did not arrive");
    }
    for (auto _ : state) {
        map->render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
    state.SetLabel("1:" + std::to_string(scale) +
                   (tiles ? " tiles " + std::to_string(map->tilesDrawn()) : ""));
}

void BM_EveryLayerOffline(benchmark::State& state)
{
    redraw(state, folders().all.path() + "/offline", true, false);
}
void BM_EveryLayerWithTiles(benchmark::State& state)
{
    redraw(state, folders().all.path() + "/online", true, true);
}
void BM_CoastlineAlone(benchmark::State& state)
{
    redraw(state, folders().coastOnly.path(), false, false);
}
} // namespace

BENCHMARK(BM_EveryLayerOffline)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EveryLayerWithTiles)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoastlineAlone)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Folders& f = folders();
    const QString data = QStringLiteral(TOPMENU_MAPDATA_DIR);
    // Two program folders on the build's map data, one offline and one with tiles from the
    // local server; a third whose MAP holds the coastline alone.
    f.server = std::make_unique<LocalHttpServer>([](const QString& path) -> LocalHttpServer::Answer {
        // A tile of its own colour per tile, as a street map's tiles differ.
        const uint h = qHash(path);
        return {200, "image/png", tilePng(QColor::fromRgb(0x80 + h % 0x7f, 0x80 + (h >> 8) % 0x7f, 0xc0))};
    });
    for (const char* name : {"offline", "online"}) {
        const QString folder = f.all.path() + "/" + name;
        QDir().mkpath(folder);
        QFile::link(data + "/MAP", folder + "/MAP");
        QFile::link(data + "/ICON", folder + "/ICON");
        const QString tiles = QString(name) == "online" ? f.server->base() + "/{z}/{x}/{y}.png" : "off";
        textfile::write(folder + "/MapService.ini", "[Tiles]\r\nURL=" + tiles +
                                                        "\r\nCacheFolder=" + f.all.path() +
                                                        "/cache\r\n[AddressSearch]\r\nURL=off\r\n");
    }
    QDir().mkpath(f.coastOnly.path() + "/MAP");
    QFile::link(data + "/MAP/coast.txt", f.coastOnly.path() + "/MAP/coast.txt");
    for (const char* empty : {"lakes.txt", "rivers.txt", "borders.txt", "municipalities.txt"})
        textfile::writeBytes(f.coastOnly.path() + "/MAP/" + empty, ">\n");
    textfile::write(f.coastOnly.path() + "/MapService.ini",
                    "[Tiles]\r\nURL=off\r\n[AddressSearch]\r\nURL=off\r\n");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
