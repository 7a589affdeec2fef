#include "launcher/baselist.h"

#include "db/recipe.h"
#include "platform/messagebox.h"
#include "settings/conversions.h"

#include <exception>
#include <limits>
#include <stdexcept>

using platform::MsgIcon;

namespace
{

const QString kLiteral = QStringLiteral("iKyotenBtnSet() でエラー");

short readList()
{
    QString cause;
    QString connectionString;
    if (!readConnectionString(&connectionString, &cause)) {
        platform::msgBox(kLiteral + QStringLiteral("\r\n") + cause, QString(), MsgIcon::Critical);
        return -1;
    }
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
    const QString sql = QStringLiteral(
        "SELECT KYOTEN.iKyotenCd, KYOTEN.iKyotenEb, KYOTEN.iType, KYOTEN.cAreaName, KYOTEN.cKyotenName, "
        "KYOTEN.cComment, KYOTEN.iLoginID, KYOTEN.cLoginPass, KYOTEN.iAdminID, KYOTEN.cAdminPass, "
        "KYOTEN.iUsedFlg "
        "FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenCd,KYOTEN.iKyotenEb");
    if (db->iOpenRecSet(rs, sql, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText) != 0) {
        showDbError(kLiteral, *db);
        db->iDisConnect();
        return -1;
    }

    // The columns come in the order of the select list, so each row is read by position.
    enum Column {
        Cd,
        Eb,
        Type,
        AreaName,
        KyotenName,
        Comment,
        LoginID,
        LoginPass,
        AdminID,
        AdminPass,
        UsedFlg
    };
    // (trimmed() takes the trailing blanks csNullToStr takes, and the leading ones too.)
    const auto text = [&rs](Column c) { return rs.fieldAt(int(c)).toText().trimmed(); };
    const auto number = [&rs](Column c) { return short(nNullToLong(rs.fieldAt(int(c)))); };
    std::vector<tKyoten> list;
    list.reserve(rs.rowCount());
    for (; !rs.eof(); rs.moveNext()) {
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
        list.push_back(std::move(k));
    }
    rs.close();
    db->iDisConnect();
    if (list.size() >= size_t(std::numeric_limits<short>::max()))
        throw std::length_error("too many bases");
    state().gtKyotenList = std::move(list);
    return short(1 + state().gtKyotenList.size());
}

} // namespace

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
