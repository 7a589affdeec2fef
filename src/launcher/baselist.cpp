#include "launcher/baselist.h"

#include "db/readahead.h"
#include "db/recipe.h"
#include "platform/messagebox.h"
#include "settings/conversions.h"

#include <any>
#include <exception>
#include <limits>
#include <stdexcept>

using platform::MsgIcon;

namespace
{

const QString kLiteral = QStringLiteral("iKyotenBtnSet() でエラー");

// The columns come in the order of the select list, so each row is read by position.
enum Column { Cd, Eb, Type, AreaName, KyotenName, Comment, LoginID, LoginPass, AdminID, AdminPass, UsedFlg };

const QString kListSql = QStringLiteral(
    "SELECT KYOTEN.iKyotenCd, KYOTEN.iKyotenEb, KYOTEN.iType, KYOTEN.cAreaName, KYOTEN.cKyotenName, "
    "KYOTEN.cComment, KYOTEN.iLoginID, KYOTEN.cLoginPass, KYOTEN.iAdminID, KYOTEN.cAdminPass, "
    "KYOTEN.iUsedFlg "
    "FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenCd,KYOTEN.iKyotenEb");
const QString kCountSql = QStringLiteral("SELECT COUNT (*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0");

// (trimmed() takes the trailing blanks csNullToStr takes, and the leading ones too.)
tKyoten kyotenFromRow(const std::vector<FieldValue>& row)
{
    static const FieldValue null;
    const auto field = [&row](Column c) -> const FieldValue& {
        return size_t(c) < row.size() ? row[size_t(c)] : null;
    };
    const auto text = [&](Column c) { return field(c).toText().trimmed(); };
    const auto number = [&](Column c) { return short(nNullToLong(field(c))); };
    tKyoten k;
    k.iKyotenCd = number(Cd);
    k.iKyotenEb = number(Eb);
    k.iType = number(Type);
    k.cAreaName = text(AreaName);
    k.cKyotenName = text(KyotenName);
    k.cComment = text(Comment);
    k.iLoginID = number(LoginID);
    k.cLoginPass = text(LoginPass);
    k.iAdminID = number(AdminID);
    k.cAdminPass = text(AdminPass);
    k.iUsedFlg = number(UsedFlg);
    return k;
}

short keepList(std::vector<tKyoten> list)
{
    if (list.size() >= size_t(std::numeric_limits<short>::max()))
        throw std::length_error("too many bases");
    state().gtKyotenList = std::move(list);
    return short(1 + state().gtKyotenList.size());
}

short readList()
{
    QString cause;
    QString connectionString;
    if (!readConnectionString(&connectionString, &cause)) {
        platform::msgBox(kLiteral + QStringLiteral("\r\n") + cause, QString(), MsgIcon::Critical);
        return -1;
    }
    std::any ahead = db::readAhead().take(connectionString, kListSql);
    if (ahead.has_value())
        return keepList(std::any_cast<std::vector<tKyoten>>(std::move(ahead)));

    std::unique_ptr<cT_ADODB> db = openConnectionQuiet(kLiteral, &cause);
    if (!db) {
        // An unreachable server is the usual case here (maintenance), so the user gets advice
        // instead of the provider's text.
        platform::msgBox(QStringLiteral("サーバーに接続できませんでした。") + QStringLiteral("\r\n") +
                             QStringLiteral("サーバーメンテナンス中の可能性があります。") +
                             QStringLiteral("\r\n") + QStringLiteral("しばらく経過してから接続して下さい。"),
                         QString(), MsgIcon::Exclamation, platform::MsgButtons::Ok);
        return -1;
    }

    Recordset rs;
    if (db->iOpenRecSet(rs, kListSql, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText) != 0) {
        showDbError(kLiteral, *db);
        db->iDisConnect();
        return -1;
    }
    std::vector<tKyoten> list;
    list.reserve(rs.rowCount());
    for (; !rs.eof(); rs.moveNext())
        list.push_back(kyotenFromRow(rs.currentRow()));
    rs.close();
    db->iDisConnect();
    return keepList(std::move(list));
}

} // namespace

const QString& kyotenCountSql()
{
    return kCountSql;
}

void startKyotenListAhead()
{
    QString connectionString;
    QString cause;
    if (!readConnectionString(&connectionString, &cause))
        return; // the launcher's own reading tells the user
    auto count = std::make_shared<qint64>(0);
    auto list = std::make_shared<std::vector<tKyoten>>();
    db::readAhead().start(
        connectionString,
        {{kCountSql,
          [count](const std::vector<FieldValue>& row) {
              if (!row.empty())
                  *count = nNullToLong(row[0]);
          },
          [count] { return std::any(*count); }},
         {kListSql, [list](const std::vector<FieldValue>& row) { list->push_back(kyotenFromRow(row)); },
          [list] { return std::any(std::move(*list)); }}});
}

short loadKyotenList()
{
    State& s = state();
    // A failed load leaves no stale bases behind.
    s.gtKyotenList.clear();
    s.gtKyoten = tKyoten{};
    try {
        return readList();
    } catch (const std::exception&) {
        s.gtKyotenList.clear();
        platform::msgBox(QStringLiteral("拠点情報の読込みに失敗しました。"), QString(), MsgIcon::Exclamation);
        return -1;
    }
}

QString kyotenListLine(const tKyoten& k)
{
    return baseId(k.iKyotenCd, k.iKyotenEb) + QStringLiteral("：") + k.cKyotenName + QLatin1Char('(') +
           k.cAreaName + QLatin1Char(')');
}

int kyotenIcon(const tKyoten& k)
{
    return k.iUsedFlg == 9 ? 4 : k.iUsedFlg;
}

QString kyotenItemKey(const tKyoten& k)
{
    return QStringLiteral("KEY:") + baseId(k.iKyotenCd, k.iKyotenEb);
}

QStringList kyotenSubItems(const tKyoten& k)
{
    return {QString::number(k.iKyotenCd),
            QString::number(k.iKyotenEb),
            QString::number(k.iType),
            k.cAreaName,
            k.cKyotenName,
            k.cComment,
            QString::number(k.iLoginID),
            k.cLoginPass,
            QString::number(k.iAdminID),
            k.cAdminPass,
            QString::number(k.iUsedFlg)};
}

tKyoten kyotenFromSubItems(const QStringList& subItems)
{
    auto number = [&](int i) { return short(subItems.value(i).trimmed().toShort()); };
    tKyoten k;
    k.iKyotenCd = number(0);
    k.iKyotenEb = number(1);
    k.iType = number(2);
    k.cAreaName = subItems.value(3);
    k.cKyotenName = subItems.value(4);
    k.cComment = subItems.value(5);
    k.iLoginID = number(6);
    k.cLoginPass = subItems.value(7);
    k.iAdminID = number(8);
    k.cAdminPass = subItems.value(9);
    k.iUsedFlg = number(10);
    return k;
}
