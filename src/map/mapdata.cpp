#include "map/mapdata.h"

#include "map/geo.h"
#include "platform/runtime.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <algorithm>

namespace offlinemap
{

QString mapDataFolder()
{
    return platform::gsAppPath() + QStringLiteral("/MAP");
}

QVector<Polyline> parseLines(const QByteArray& text)
{
    QVector<Polyline> lines;
    Polyline current;
    auto finish = [&] {
        if (current.points.size() >= 2) {
            double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
            for (const QPointF& p : current.points) {
                x0 = std::min(x0, p.x());
                x1 = std::max(x1, p.x());
                y0 = std::min(y0, p.y());
                y1 = std::max(y1, p.y());
            }
            current.bounds = QRectF(QPointF(x0, y0), QPointF(x1, y1));
            lines.push_back(std::move(current));
        }
        current = Polyline{};
    };
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(pos, end - pos).simplified();
        pos = end + 1;
        if (line.isEmpty())
            continue;
        if (line.startsWith('>')) {
            finish();
            continue;
        }
        const qsizetype blank = line.indexOf(' ');
        if (blank < 0)
            continue;
        bool okX = false, okY = false;
        const double lon = line.left(blank).toDouble(&okX);
        const double lat = line.mid(blank + 1).split(' ').value(0).toDouble(&okY);
        if (okX && okY)
            current.points.push_back(QPointF(lon, lat));
    }
    finish();
    return lines;
}

QVector<Place> parsePlaces(const QByteArray& text)
{
    QVector<Place> places;
    for (const QByteArray& raw : text.split('\n')) {
        const QList<QByteArray> f = raw.split('\t');
        if (f.size() < 4)
            continue;
        bool okLat = false, okLon = false;
        Place p;
        p.prefecture = QString::fromUtf8(f[0]).trimmed();
        p.name = QString::fromUtf8(f[1]).trimmed();
        p.y = milliseconds(f[2].toDouble(&okLat));
        p.x = milliseconds(f[3].toDouble(&okLon));
        if (okLat && okLon && !p.prefecture.isEmpty())
            places.push_back(p);
    }
    // Prefectures first: the matcher and the labels take them in that order.
    std::stable_partition(places.begin(), places.end(), [](const Place& p) { return p.isPrefecture(); });
    return places;
}

std::shared_ptr<const MapData> loadMapData(const QString& folder)
{
    static QMutex mutex;
    static QHash<QString, std::pair<QString, std::shared_ptr<const MapData>>> cache;
    const QStringList files = {QStringLiteral("coast.txt"), QStringLiteral("lakes.txt"),
                               QStringLiteral("rivers.txt"), QStringLiteral("borders.txt"),
                               QStringLiteral("municipalities.txt")};
    // A new extraction replaces the files; the stamps tell a stale copy from the current.
    QString key;
    for (const QString& f : files) {
        const QFileInfo fi(folder + QLatin1Char('/') + f);
        key += fi.exists() ? QString::number(fi.size()) + QLatin1Char('@') +
                                 QString::number(fi.lastModified().toMSecsSinceEpoch()) + QLatin1Char('|')
                           : QStringLiteral("-|");
    }
    QMutexLocker lock(&mutex);
    auto it = cache.find(folder);
    if (it != cache.end() && it->first == key)
        return it->second;

    auto data = std::make_shared<MapData>();
    auto read = [&](const QString& name, const QString& what) {
        QFile f(folder + QLatin1Char('/') + name);
        QByteArray bytes;
        if (f.open(QIODevice::ReadOnly))
            bytes = f.readAll();
        if (bytes.isEmpty())
            data->problems << QStringLiteral("%1がありません（%2）").arg(what, f.fileName());
        return bytes;
    };
    data->coast = parseLines(read(files[0], QStringLiteral("海岸線データ")));
    data->lakes = parseLines(read(files[1], QStringLiteral("湖沼データ")));
    data->rivers = parseLines(read(files[2], QStringLiteral("河川データ")));
    data->borders = parseLines(read(files[3], QStringLiteral("都道府県境データ")));
    data->places = parsePlaces(read(files[4], QStringLiteral("市区町村データ")));
    cache.insert(folder, {key, data});
    return data;
}

std::shared_ptr<const MapData> mapData()
{
    return loadMapData(mapDataFolder());
}

namespace
{
// The address without blanks and without a leading postal code ("〒100-0005").
QString normalised(const QString& raw)
{
    QString a = raw;
    a.remove(QChar(u'　'));
    a.remove(QLatin1Char(' '));
    static const QRegularExpression postal(QStringLiteral("^〒?[0-9０-９]{3}[-－ー‐]?[0-9０-９]{4}"));
    a.remove(postal);
    return a;
}

// "東京都" -> "東京"; 北海道 keeps its name.
QString shortPrefecture(const QString& name)
{
    return name == QStringLiteral("北海道") ? name : name.chopped(1);
}

struct Match {
    const Place* place = nullptr;
    qsizetype end = 0; // where the matched name ends in the normalised address
};

Match find(const MapData& data, const QString& address)
{
    // The prefecture is written first, in full or without 都府県 ("東京都府中市" holds
    // "京都府" in its middle, never at its start).
    const Place* prefecture = nullptr;
    qsizetype from = 0;
    for (const Place& p : data.places) {
        if (!p.isPrefecture())
            break;
        for (const QString& form : {p.prefecture, shortPrefecture(p.prefecture)}) {
            if (address.startsWith(form) && form.size() > from) {
                prefecture = &p;
                from = form.size();
            }
        }
    }
    // The municipality named first after it; the longer name where two start together
    // (東大和市 before 大和市).
    Match best;
    qsizetype bestAt = -1;
    for (const Place& p : data.places) {
        if (p.isPrefecture() || (prefecture && p.prefecture != prefecture->prefecture))
            continue;
        const qsizetype at = address.indexOf(p.name, from);
        if (at < 0)
            continue;
        if (!best.place || at < bestAt || (at == bestAt && p.name.size() > best.place->name.size())) {
            best = {&p, at + p.name.size()};
            bestAt = at;
        }
    }
    if (!best.place && prefecture)
        best = {prefecture, from};
    return best;
}
} // namespace

const Place* matchAddress(const MapData& data, const QString& address)
{
    const QString a = normalised(address);
    return a.isEmpty() ? nullptr : find(data, a).place;
}

bool namesOnlyPlace(const MapData& data, const QString& address)
{
    const QString a = normalised(address);
    const Match m = find(data, a);
    if (!m.place)
        return false;
    // What follows may still be a ward of a designated city ("大阪市北区").
    const QString rest = a.mid(m.end);
    static const QRegularExpression ward(QStringLiteral("^[^0-9０-９丁番町目]{1,4}区$"));
    return rest.isEmpty() || ward.match(rest).hasMatch();
}

} // namespace offlinemap
