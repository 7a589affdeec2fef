// geoplaces <detect-location-jp folder> <postal dictionary json folder>: writes the
// prefectures and municipalities of Japan with their Japanese names and positions, one a
// line: prefecture, municipality (empty on a prefecture's own line), latitude, longitude and
// the source of the position, separated by tabs, in UTF-8.
//
// The positions come from detect-location-jp (OpenStreetMap). The postal dictionary names
// every municipality that exists today: an OpenStreetMap entry it does not know is left out
// (former towns, names in romaji), and a municipality OpenStreetMap lacks takes its position
// from GeoNames (libgeonames) when GeoNames knows it under its Japanese name.
#include <geonames.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
struct Entry {
    QString prefecture, name;
    double lat = 0, lon = 0;
    const char* source = "";
};

QJsonArray readArray(const QString& path, bool callback)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = f.readAll();
    if (callback) { // jQuery_jpostal_callback( [...] );
        const qsizetype a = text.indexOf('['), b = text.lastIndexOf(']');
        text = a >= 0 && b > a ? text.mid(a, b - a + 1) : QByteArray();
    }
    return QJsonDocument::fromJson(text).array();
}

// "北安曇郡白馬村" -> "白馬村", "大阪市北区" -> "大阪市"; Tokyo's wards stay.
QString municipalityOf(QString city)
{
    const qsizetype gun = city.indexOf(QChar(u'郡'));
    if (gun > 0 && gun + 1 < city.size())
        city = city.mid(gun + 1);
    for (qsizetype i = 1; i + 1 < city.size(); ++i) {
        if (city[i] == QChar(u'市') && city.endsWith(QChar(u'区')) && !city.mid(i + 1).contains(QChar(u'市')))
            return city.left(i + 1);
    }
    return city;
}

// One spelling for the variants the sources use (檮原町 / 梼原町).
QString canonical(QString name)
{
    name.replace(QChar(0x6aae), QChar(0x68bc));
    return name;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: geoplaces <detect-location-jp folder> <postal json folder>\n");
        return 2;
    }
    const QString osmDir = QString::fromLocal8Bit(argv[1]), postalDir = QString::fromLocal8Bit(argv[2]);

    // Every municipality of today, by prefecture.
    QHash<QString, QSet<QString>> known;
    for (const QString& file : QDir(postalDir).entryList({QStringLiteral("*.json")}, QDir::Files)) {
        for (const QJsonValue& row : readArray(postalDir + QLatin1Char('/') + file, true)) {
            const QJsonArray r = row.toArray();
            if (r.size() > 2)
                known[r[1].toString()].insert(canonical(municipalityOf(r[2].toString())));
        }
    }
    qsizetype municipalities = 0;
    for (const auto& set : std::as_const(known))
        municipalities += set.size();
    if (municipalities < 1700) {
        std::fprintf(stderr, "geoplaces: the postal dictionary in %s names only %lld municipalities\n",
                     argv[2], static_cast<long long>(municipalities));
        return 1;
    }

    QVector<Entry> out;
    QHash<QString, QSet<QString>> placed;
    for (const QJsonValue& v : readArray(osmDir + QStringLiteral("/japan_states.json"), false)) {
        const QJsonObject o = v.toObject();
        out.push_back({o[QLatin1String("state_ja")].toString(), QString(),
                       o[QLatin1String("latitude")].toDouble(), o[QLatin1String("longitude")].toDouble(),
                       "OSM"});
    }
    int dropped = 0;
    for (const QJsonValue& v : readArray(osmDir + QStringLiteral("/japan_cities.json"), false)) {
        const QJsonObject o = v.toObject();
        const QString pref = o[QLatin1String("state_ja")].toString();
        const QString name = canonical(o[QLatin1String("city_ja")].toString());
        if (!known.value(pref).contains(name) || placed[pref].contains(name)) {
            ++dropped;
            continue;
        }
        placed[pref].insert(name);
        out.push_back({pref, name, o[QLatin1String("latitude")].toDouble(),
                       o[QLatin1String("longitude")].toDouble(), "OSM"});
    }
    if (out.size() < 1500) {
        std::fprintf(stderr, "geoplaces: %s holds too few municipalities\n", argv[1]);
        return 1;
    }

    // GeoNames for the municipalities OpenStreetMap lacks ("直方" is 直方市 when the
    // prefecture has a 直方市 without a position).
    setenv("LANGUAGE", "ja", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    int filled = 0;
    const int n = geonames_get_n_cities();
    for (int i = 0; i < n; ++i) {
        GeonamesCity* city = geonames_get_city(i);
        if (!city)
            continue;
        if (std::strcmp(geonames_city_get_country_code(city), "JP") == 0) {
            const QString pref = QString::fromUtf8(geonames_city_get_state(city));
            const QString base = canonical(QString::fromUtf8(geonames_city_get_name(city)));
            for (const QString& name : {base, base + u'市', base + u'町', base + u'村'}) {
                if (known.value(pref).contains(name) && !placed[pref].contains(name)) {
                    placed[pref].insert(name);
                    out.push_back({pref, name, geonames_city_get_latitude(city),
                                   geonames_city_get_longitude(city), "GeoNames"});
                    ++filled;
                    break;
                }
            }
        }
        geonames_city_free(city);
    }

    for (const Entry& e : out)
        std::printf("%s\t%s\t%.7f\t%.7f\t%s\n", e.prefecture.toUtf8().constData(),
                    e.name.toUtf8().constData(), e.lat, e.lon, e.source);
    std::fprintf(
        stderr, "geoplaces: %lld of %lld municipalities placed (%d from GeoNames), %d entries left out\n",
        static_cast<long long>(out.size() - 47), static_cast<long long>(municipalities), filled, dropped);
    return 0;
}
