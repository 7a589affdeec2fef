#include "map/mapdata.h"

#include "map/geo.h"
#include "platform/runtime.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <algorithm>

namespace offlinemap
{

QString mapDataFolder()
{
    return platform::gsAppPath() + QStringLiteral("/MAP");
}

QVector<CoastSegment> parseCoast(const QByteArray& text)
{
    QVector<CoastSegment> segments;
    CoastSegment current;
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
            segments.push_back(std::move(current));
        }
        current = CoastSegment{};
    };
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty())
            continue;
        if (line.startsWith('>')) {
            finish();
            continue;
        }
        const QList<QByteArray> f = line.simplified().split(' ');
        const QList<QByteArray> g = f.size() >= 2 ? f : line.split('\t');
        if (g.size() < 2)
            continue;
        bool okX = false, okY = false;
        const double lon = g[0].toDouble(&okX);
        const double lat = g[1].toDouble(&okY);
        if (okX && okY)
            current.points.push_back(QPointF(lon, lat));
    }
    finish();
    return segments;
}

QVector<Place> parsePlaces(const QByteArray& text)
{
    QVector<Place> places;
    for (const QByteArray& raw : text.split('\n')) {
        const QList<QByteArray> f = raw.trimmed().split('\t');
        if (f.size() < 5)
            continue;
        bool okLat = false, okLon = false;
        Place p;
        p.name = QString::fromUtf8(f[0]);
        p.prefecture = QString::fromUtf8(f[1]);
        p.y = milliseconds(f[2].toDouble(&okLat));
        p.x = milliseconds(f[3].toDouble(&okLon));
        p.population = f[4].toInt();
        if (okLat && okLon && !p.name.isEmpty())
            places.push_back(p);
    }
    return places;
}

std::shared_ptr<const MapData> loadMapData(const QString& folder)
{
    static QMutex mutex;
    static QHash<QString, std::pair<QString, std::shared_ptr<const MapData>>> cache;
    const QString coastPath = folder + QStringLiteral("/coast.txt");
    const QString placesPath = folder + QStringLiteral("/places.txt");
    // A new extraction replaces the files; the stamp tells a stale copy from the current.
    auto stamp = [](const QString& p) {
        const QFileInfo fi(p);
        return fi.exists() ? QString::number(fi.size()) + QLatin1Char('@') +
                                 QString::number(fi.lastModified().toMSecsSinceEpoch())
                           : QStringLiteral("-");
    };
    const QString key = stamp(coastPath) + QLatin1Char('|') + stamp(placesPath);
    QMutexLocker lock(&mutex);
    auto it = cache.find(folder);
    if (it != cache.end() && it->first == key)
        return it->second;

    auto data = std::make_shared<MapData>();
    QFile coast(coastPath);
    if (coast.open(QIODevice::ReadOnly))
        data->coast = parseCoast(coast.readAll());
    if (data->coast.isEmpty())
        data->problems << QStringLiteral("海岸線データがありません（%1）").arg(coastPath);
    QFile places(placesPath);
    if (places.open(QIODevice::ReadOnly))
        data->places = parsePlaces(places.readAll());
    if (data->places.isEmpty())
        data->problems << QStringLiteral("地名データがありません（%1）").arg(placesPath);
    cache.insert(folder, {key, data});
    return data;
}

std::shared_ptr<const MapData> mapData()
{
    return loadMapData(mapDataFolder());
}

namespace
{
// The seats of the prefectures' governments.
const QHash<QString, QString>& seats()
{
    static const QHash<QString, QString> table = {
        {"北海道", "札幌市"},   {"青森県", "青森市"},     {"岩手県", "盛岡市"},     {"宮城県", "仙台市"},
        {"秋田県", "秋田市"},   {"山形県", "山形市"},     {"福島県", "福島市"},     {"茨城県", "水戸市"},
        {"栃木県", "宇都宮市"}, {"群馬県", "前橋市"},     {"埼玉県", "さいたま市"}, {"千葉県", "千葉市"},
        {"東京都", "東京都"},   {"神奈川県", "横浜市"},   {"新潟県", "新潟市"},     {"富山県", "富山市"},
        {"石川県", "金沢市"},   {"福井県", "福井市"},     {"山梨県", "甲府市"},     {"長野県", "長野市"},
        {"岐阜県", "岐阜市"},   {"静岡県", "静岡市"},     {"愛知県", "名古屋市"},   {"三重県", "津市"},
        {"滋賀県", "大津市"},   {"京都府", "京都市"},     {"大阪府", "大阪市"},     {"兵庫県", "神戸市"},
        {"奈良県", "奈良市"},   {"和歌山県", "和歌山市"}, {"鳥取県", "鳥取市"},     {"島根県", "松江市"},
        {"岡山県", "岡山市"},   {"広島県", "広島市"},     {"山口県", "山口市"},     {"徳島県", "徳島市"},
        {"香川県", "高松市"},   {"愛媛県", "松山市"},     {"高知県", "高知市"},     {"福岡県", "福岡市"},
        {"佐賀県", "佐賀市"},   {"長崎県", "長崎市"},     {"熊本県", "熊本市"},     {"大分県", "大分市"},
        {"宮崎県", "宮崎市"},   {"鹿児島県", "鹿児島市"}, {"沖縄県", "那覇市"},
    };
    return table;
}

QString withoutCitySuffix(const QString& name)
{
    return name.endsWith(QChar(u'市')) && name.size() > 2 ? name.chopped(1) : name;
}

// "東京都" -> "東京"; 北海道 keeps its name.
QString shortPrefecture(const QString& name)
{
    if (name == QStringLiteral("北海道"))
        return name;
    return name.chopped(1);
}

bool isJapanese(const QString& name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

QString prefectureOf(const MapData& data, const QString& address)
{
    QString found;
    for (auto it = seats().begin(); it != seats().end(); ++it) {
        const QString& pref = it.key();
        if (address.contains(pref) || address.startsWith(shortPrefecture(pref))) {
            // "京都府" also holds "京都": the longer name wins.
            if (pref.size() > found.size())
                found = pref;
        }
    }
    Q_UNUSED(data);
    return found;
}
} // namespace

const Place* prefectureSeat(const MapData& data, const QString& prefecture)
{
    const QString seat = seats().value(prefecture);
    const Place* largest = nullptr;
    for (const Place& p : data.places) {
        if (p.prefecture != prefecture)
            continue;
        if (!seat.isEmpty() && (p.name == seat || p.name == withoutCitySuffix(seat)))
            return &p;
        if (!largest || p.population > largest->population)
            largest = &p;
    }
    // A seat the data lacks under a Japanese name: the largest place of the prefecture.
    return largest;
}

const Place* matchAddress(const MapData& data, const QString& rawAddress)
{
    QString address = rawAddress;
    address.remove(QChar(u'　'));
    address.remove(QLatin1Char(' '));
    if (address.isEmpty())
        return nullptr;
    const QString prefecture = prefectureOf(data, address);
    const Place* best = nullptr;
    qsizetype bestAt = 0;
    for (const Place& p : data.places) {
        if (!prefecture.isEmpty() && p.prefecture != prefecture)
            continue;
        if (!isJapanese(p.name))
            continue;
        const qsizetype at = address.indexOf(p.name);
        if (at < 0)
            continue;
        const bool better = !best || p.name.size() > best->name.size() ||
                            (p.name.size() == best->name.size() &&
                             (at < bestAt || (at == bestAt && p.population > best->population)));
        if (better) {
            best = &p;
            bestAt = at;
        }
    }
    if (best)
        return best;
    return prefecture.isEmpty() ? nullptr : prefectureSeat(data, prefecture);
}

} // namespace offlinemap
