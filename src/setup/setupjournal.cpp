#include "setup/setupjournal.h"

#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

QJsonArray entries(const std::vector<tSetupEntry>& list, qint32 count)
{
    QJsonArray out;
    const size_t n = std::min(list.size(), size_t(std::max(count, 0)));
    for (size_t i = 0; i < n; ++i)
        out.append(QJsonArray{list[i].ID, list[i].name});
    return out;
}

std::vector<tSetupEntry> entries(const QJsonArray& array)
{
    std::vector<tSetupEntry> out;
    out.reserve(size_t(array.size()));
    for (const QJsonValue& v : array) {
        const QJsonArray e = v.toArray();
        out.push_back({e.at(0).toDouble(), e.at(1).toString()});
    }
    return out;
}

// The text fields and the numbers of the record, by name.
struct TextField {
    const char* name;
    QString tSetupData::*field;
};
constexpr TextField kTexts[] = {
    {"companyName", &tSetupData::companyName},
    {"representative", &tSetupData::representative},
    {"postalCode", &tSetupData::postalCode},
    {"address", &tSetupData::address},
    {"addressKana", &tSetupData::addressKana},
    {"tel", &tSetupData::tel},
    {"fax", &tSetupData::fax},
};
struct ShortField {
    const char* name;
    short tSetupData::*field;
};
constexpr ShortField kShorts[] = {
    {"iHenkei", &tSetupData::iHenkei},
    {"holidayRule", &tSetupData::holidayRule},
    {"iReseptFixedMonth", &tSetupData::iReseptFixedMonth},
    {"iReseptFixedDay", &tSetupData::iReseptFixedDay},
    {"iChargeFixedMonth", &tSetupData::iChargeFixedMonth},
    {"iChargeFixedDay", &tSetupData::iChargeFixedDay},
    {"iConsentFixedMonth", &tSetupData::iConsentFixedMonth},
    {"iConsentFixedDay", &tSetupData::iConsentFixedDay},
    {"receiptFormatMode", &tSetupData::receiptFormatMode},
    {"receiptFormat", &tSetupData::receiptFormat},
    {"recordKeeping", &tSetupData::recordKeeping},
};

} // namespace

QString setupJournalPath()
{
    return platform::nativePath(platform::gsAppPath() + QStringLiteral("\\~TopMenuSetup.json"));
}

bool writeSetupJournal(const tSetupJournal& j)
{
    const tSetupData& d = j.data;
    QJsonObject data{{"staff", entries(d.staff, d.staffCount)},
                     {"users", entries(d.users, d.userCount)},
                     {"latitude", d.latitude},
                     {"longitude", d.longitude}};
    for (const TextField& f : kTexts)
        data.insert(QLatin1String(f.name), d.*f.field);
    for (const ShortField& f : kShorts)
        data.insert(QLatin1String(f.name), d.*f.field);
    const QJsonObject root{{"iKyotenCd", j.base.iKyotenCd},
                           {"iKyotenEb", j.base.iKyotenEb},
                           {"cAreaName", j.base.cAreaName},
                           {"cKyotenName", j.base.cKyotenName},
                           {"year", j.year},
                           {"data", data}};
    return textfile::writeBytes(setupJournalPath(), QJsonDocument(root).toJson(QJsonDocument::Compact));
}

bool readSetupJournal(tSetupJournal* j)
{
    QByteArray bytes;
    if (!textfile::readBytes(setupJournalPath(), &bytes))
        return false;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return false;
    const QJsonObject root = doc.object();
    const QJsonObject data = root.value("data").toObject();
    *j = tSetupJournal{};
    j->base.iKyotenCd = short(root.value("iKyotenCd").toInt());
    j->base.iKyotenEb = short(root.value("iKyotenEb").toInt());
    j->base.cAreaName = root.value("cAreaName").toString();
    j->base.cKyotenName = root.value("cKyotenName").toString();
    j->year = root.value("year").toInt();
    tSetupData& d = j->data;
    d.staff = entries(data.value("staff").toArray());
    d.staffCount = qint32(d.staff.size());
    d.users = entries(data.value("users").toArray());
    d.userCount = qint32(d.users.size());
    d.latitude = data.value("latitude").toInt();
    d.longitude = data.value("longitude").toInt();
    for (const TextField& f : kTexts)
        d.*f.field = data.value(QLatin1String(f.name)).toString();
    for (const ShortField& f : kShorts)
        d.*f.field = short(data.value(QLatin1String(f.name)).toInt());
    return j->base.iKyotenEb != 0;
}

void removeSetupJournal()
{
    QFile::remove(setupJournalPath());
}
