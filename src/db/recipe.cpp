#include "db/recipe.h"

#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"

namespace
{
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

bool readConnectionString(QString* connectionString, QString* errorText)
{
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\adodb.ini")) != 0) {
        *errorText = ini.csErrMsg();
        return false;
    }
    const QString value =
        rtrim(csCutAtNul(ini.csGetProfileString(QStringLiteral("接続情報"), QStringLiteral("接続情報"))));
    if (value.isEmpty()) {
        *errorText = QStringLiteral("接続文字列取得できません。");
        return false;
    }
    *connectionString = value;
    return true;
}

std::unique_ptr<cT_ADODB> openConnectionQuiet(const QString& procLiteral, QString* errorText)
{
    QString connectionString;
    QString cause;
    if (!readConnectionString(&connectionString, &cause)) {
        *errorText = procLiteral + kCrLf + cause;
        return nullptr;
    }
    auto db = std::make_unique<cT_ADODB>();
    db->iInit(connectionString);
    if (db->iConnect() != 0) {
        *errorText = procLiteral + kCrLf + db->sErrMsg;
        return nullptr;
    }
    return db;
}

std::unique_ptr<cT_ADODB> openConnection(const QString& procLiteral)
{
    QString errorText;
    auto db = openConnectionQuiet(procLiteral, &errorText);
    if (!db)
        platform::msgBox(errorText, QString(), platform::MsgIcon::Critical, platform::MsgButtons::Ok);
    return db;
}

void showDbError(const QString& procLiteral, const cT_ADODB& db)
{
    platform::msgBox(procLiteral + kCrLf + db.sErrMsg, QString(), platform::MsgIcon::Critical,
                     platform::MsgButtons::Ok);
}

QString fieldText(const Recordset& rs, const char* column)
{
    return csNullToStr(rs.field(QLatin1String(column))).trimmed();
}

short fieldShort(const Recordset& rs, const char* column)
{
    return short(nNullToLong(rs.field(QLatin1String(column))));
}
