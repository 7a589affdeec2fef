#include "launcher/startup.h"

#include "db/readahead.h"
#include "db/recipe.h"
#include "launcher/baselist.h"
#include "launcher/cls_AnoExeKickV2.h"
#include "launcher/statefiles.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"
#include "settings/massageini.h"
#include "state/state.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <any>
#include <limits>

using platform::MsgIcon;

namespace
{

QString appFile(const QString& name)
{
    return platform::gsAppPath() + QLatin1Char('\\') + name;
}

// The fields of a notes file, each followed by CR LF.
bool appendFields(const QString& suitePath, QString* text)
{
    std::vector<QStringList> lines;
    if (!readStateFields(suitePath, &lines))
        return false;
    for (const QStringList& fields : lines)
        for (const QString& field : fields)
            *text += field + QStringLiteral("\r\n");
    return true;
}

} // namespace

short iAdoDbMake(const QString& cSorce, const QString& cAdoDb)
{
    const QStringList lines{
        QStringLiteral("[接続情報]"),
        QStringLiteral("接続情報=Provider=SQLOLEDB;Data Source=") + cSorce + QStringLiteral(";Database=") +
            cAdoDb + QStringLiteral(";uid=sa;pwd=") + csGetDbPass(),
        QStringLiteral("[資産管理情報]"),
        QStringLiteral("資源配布=C:\\KVX\\MASTER"),
        QStringLiteral("[監視時間msec]"),
        QStringLiteral("Time = 300000"),
    };
    if (!textfile::writeLines(platform::nativePath(appFile(QStringLiteral("adodb.ini"))), lines)) {
        platform::msgBox(QStringLiteral("構成ファイル（Adodb.ini）の作成に失敗しました。") +
                             QLatin1Char('\r') + QStringLiteral("ERROR:iAdoDbMake()"),
                         QStringLiteral("ファイル作成失敗"), MsgIcon::Critical);
        return -1;
    }
    return 0;
}

void iDBAttach()
{
    const QString quote(QLatin1Char('"'));
    const QString cmd = QStringLiteral("osql -S ") + quote + cT_ADODB::csGetComputerName() +
                        QStringLiteral("\\MIRANE") + quote + QStringLiteral(" -U sa -P mtr4827 -i ") + quote +
                        platform::gsAppPath() + QStringLiteral("\\attach.SQL") + quote +
                        QStringLiteral(" -o system.log");
    // The tool's own log tells what went wrong; the start-up goes on either way.
    cls_AnoExeKickV2 kick;
    kick.iExecCmd(cmd);
}

QString AplogRead()
{
    const QString ver = appFile(QStringLiteral("Mirane.ver"));
    if (!QFileInfo::exists(platform::nativePath(ver)))
        return {};
    QString text;
    if (iReadVersionNotes(platform::gsAppPath(), QStringLiteral("MiranePre"), &text) == 0) {
        text.clear();
        appendFields(ver, &text);
    }
    return text;
}

short iReadVersionNotes(const QString& folder, const QString& prefix, QString* text)
{
    short found = 0;
    text->clear();
    QDir dir(platform::nativePath(folder));
    // A directory search of the suite's system ignores letter case; the order of the
    // matches is the name order, so that the notes read the same on every system.
    dir.setNameFilters({prefix + QLatin1Char('*')});
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    const QStringList names = dir.entryList();
    for (const QString& name : names) {
        if (appendFields(folder + QLatin1Char('\\') + name, text))
            found = -1;
    }
    return found;
}

short iKyotenMaxGet()
{
    const QString literal = QStringLiteral("iKyotenMaxGet() でエラー");
    state().gtKyoten = tKyoten{};
    qint64 count = 0;
    QString connectionString;
    QString cause;
    std::any ahead;
    if (readConnectionString(&connectionString, &cause))
        ahead = db::readAhead().take(connectionString, kyotenCountSql());
    if (ahead.has_value()) {
        count = std::any_cast<qint64>(ahead);
    } else {
        std::unique_ptr<cT_ADODB> db = openConnection(literal);
        if (!db)
            return -1;
        Recordset rs;
        if (db->iOpenRecSet(rs, kyotenCountSql(), ado::adOpenForwardOnly, ado::adLockReadOnly,
                            ado::adCmdText) != 0) {
            showDbError(literal, *db);
            db->iDisConnect();
            return -1;
        }
        count = rs.eof() ? 0 : nNullToLong(rs.field(0));
        rs.close();
        db->iDisConnect();
    }
    if (count > std::numeric_limits<short>::max()) {
        platform::msgBox(QStringLiteral("拠点情報の読込みに失敗しました。"), QString(), MsgIcon::Exclamation);
        return -1;
    }
    return short(count);
}

short readProductType()
{
    bool ok = false;
    const int type = csGetMassageIni(QStringLiteral("ミラネタイプ"), true).trimmed().toInt(&ok);
    if (!ok)
        return 0;
    switch (type) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 9:
    case 10:
    case 20:
        return short(type);
    default:
        return 0;
    }
}

void startMapCompanion()
{
    if (state().gsMapKeyStatus == QStringLiteral("1"))
        return;
    clsOplIniFile ini;
    if (ini.iInit(appFile(QStringLiteral("adodb.ini"))) != 0) {
        platform::msgBox(QStringLiteral("起動時エラー") + QStringLiteral("\r\n") + ini.csErrMsg(), QString(),
                         MsgIcon::Critical);
        platform::endProgram();
    }
    const QString time =
        rtrim(csCutAtNul(ini.csGetProfileString(QStringLiteral("監視時間msec"), QStringLiteral("Time"))));
    bool numeric = false;
    time.trimmed().toDouble(&numeric);
    if (time.isEmpty() || !numeric)
        return;
    platform::processes().startDetached(appFile(QStringLiteral("trtzenrin.exe")),
                                        platform::WindowStyle::MinimizedFocus);
}

bool bDbEntryUsable(const tDbEntry& entry)
{
    if (!entry.server.trimmed().isEmpty() && !entry.database.trimmed().isEmpty())
        return true;
    platform::msgBox(
        QStringLiteral("DB.ini の %1 行目（%2）には、サーバー名またはデータベース名がありません。")
                .arg(entry.sourceLine)
                .arg(entry.displayName) +
            QStringLiteral("\r\n") + QStringLiteral("このデータベースには接続できません。"),
        QStringLiteral("データベース選択エラー"), MsgIcon::Exclamation);
    return false;
}

short iReadMapKey()
{
    const QString mapKey = appFile(QStringLiteral("QMAPKEY.ini"));
    if (!bFileExists(mapKey))
        return 0;
    clsOplIniFile ini;
    if (ini.iInit(mapKey) != 0) {
        platform::msgBox(QStringLiteral("setPosition() でエラー：iInit初期化") + QStringLiteral("\r\n") +
                             ini.csErrMsg(),
                         QString(), MsgIcon::Critical, platform::MsgButtons::Ok);
        return -1;
    }
    const QString section = QStringLiteral("キー情報");
    const QString keyNo = rtrim(csCutAtNul(ini.csGetProfileString(section, QStringLiteral("KeyNo"))));
    if (keyNo.isEmpty()) {
        platform::msgBox(QStringLiteral("setPosition() でエラー") + QStringLiteral("\r\n") +
                             QStringLiteral("接続文字列取得できません。"),
                         QString(), MsgIcon::Critical, platform::MsgButtons::Ok);
        return -1;
    }
    state().gsMapKeyStatus = rtrim(csCutAtNul(ini.csGetProfileString(section, QStringLiteral("Status"))));
    return 0;
}

QString csGetMakerSite()
{
    clsOplIniFile ini;
    if (ini.iInit(appFile(QStringLiteral("Mirane.ver"))) != 0)
        return {};
    const QString address =
        csCutAtNul(ini.csGetProfileString(QStringLiteral("Maker"), QStringLiteral("ADDRESS"))).trimmed();
    if (address.isEmpty())
        return {};
    // "http://...", "https://...", "file:..." are addresses; anything else is a page of the
    // program folder (a drive letter is a path as well, not a scheme).
    const QUrl url(address);
    if (url.isValid() && url.scheme().size() > 1)
        return address;
    return platform::nativePath(platform::gsAppPath() + QLatin1Char('\\') + address);
}

void vOpenMakerSite()
{
    const QString address = csGetMakerSite();
    if (address.isEmpty()) {
        platform::msgBox(
            QStringLiteral(
                "メーカーのサイトのアドレスが設定されていません（Mirane.ver の [Maker] ADDRESS）。"),
            QStringLiteral("起動エラー"), MsgIcon::Exclamation);
        return;
    }
    if (!platform::processes().shellOpen(address))
        platform::msgBox(QStringLiteral("ブラウザを起動できませんでした。") + QStringLiteral("\r\n") +
                             QStringLiteral("次のアドレスを開けません：") + address,
                         QStringLiteral("起動エラー"), MsgIcon::Exclamation);
}
