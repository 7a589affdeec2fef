#include "bases/kyoten.h"

#include "db/recipe.h"
#include "db/sqltext.h"
#include "settings/conversions.h"
#include "settings/fieldvalue.h"

namespace
{

const QString kSetAreaLabel = QStringLiteral("iKyotenSetArea() でエラー");
const QString kCheckLabel = QStringLiteral("iKyotenCheck() でエラー");
const QString kEdMaxLabel = QStringLiteral("iKyotenEdMaxGet() でエラー");

QString num(int n)
{
    return QString::number(n);
}

// A text value as it goes between the quotes: trailing blanks removed, quotes doubled.
QString txt(const QString& s)
{
    return sqlText(rtrim(s));
}

// Begin, execute, commit; any failure after the connection is rolled back quietly.
int runWriting(const QString& sql, QString* failure)
{
    auto db = openConnection(kSetAreaLabel);
    if (!db)
        return -1;
    const auto fail = [&](bool rollback) {
        if (failure)
            *failure = db->sErrMsg;
        if (rollback)
            db->iRollback();
        db->iDisConnect();
        return -1;
    };
    if (db->iBeginTrans() != 0)
        return fail(false);
    if (db->iExecSQL(sql) != 0)
        return fail(true);
    if (db->iCommitTrans() != 0)
        return fail(true);
    db->iDisConnect();
    return 0;
}

// The first field of the first row of a counting statement, on its own connection; -1 on
// failure.
int countOf(const QString& sql)
{
    auto db = openConnection(kCheckLabel);
    if (!db)
        return -1;
    Recordset rs;
    if (db->iOpenRecSet(rs, sql) != 0) {
        db->iDisConnect();
        return -1;
    }
    int count = 0;
    if (!rs.eof())
        count = int(nNullToLong(rs.field(0)));
    rs.close();
    db->iDisConnect();
    return count;
}

} // namespace

const QStringList& perBaseTables()
{
    static const QStringList tables{
        QStringLiteral("ADDRESS"),
        QStringLiteral("CANCEL_KANJA"),
        QStringLiteral("CHUUBUNRUI"),
        QStringLiteral("CORP"),
        QStringLiteral("CORP_KOUZA"),
        QStringLiteral("DAIBUNRUI"),
        QStringLiteral("DOCTOR"),
        QStringLiteral("FUTANRITU"),
        QStringLiteral("HOLIDAY"),
        QStringLiteral("JISSEKI"),
        QStringLiteral("JISSEKI_HENREI"),
        QStringLiteral("JIYUU_MEISAI"),
        QStringLiteral("KYOTEN"),
        QStringLiteral("KYUYO"),
        QStringLiteral("KYUYO_CREATE"),
        QStringLiteral("NYUKIN_HOKENJA"),
        QStringLiteral("NYUKIN_HOKENSHA_H"),
        QStringLiteral("NYUKIN_HOKENSHA_M"),
        QStringLiteral("NYUKIN_JIKOFUTAN"),
        QStringLiteral("NYUKIN_JIKOFUTAN_H"),
        QStringLiteral("NYUKIN_JIKOFUTAN_M"),
        QStringLiteral("NYUKIN_JIKOFUTANMEISAI"),
        QStringLiteral("NYUKIN_KANJA"),
        QStringLiteral("NYUKIN_KANJA_H"),
        QStringLiteral("NYUKIN_KANJA_M"),
        QStringLiteral("NYUKIN_KANJAMEISAI"),
        QStringLiteral("RIYOUSHA_HENREI"),
        QStringLiteral("RIYOUSHA_JIYUU_MEISAI"),
        QStringLiteral("SCHEDULE"),
        QStringLiteral("SCHEDULE_JOIN"),
        QStringLiteral("SHOUBUNRUI"),
        QStringLiteral("RIYOUSHA"),
        QStringLiteral("SHOUHIN"),
        QStringLiteral("SHOUHIN_MEISAI"),
        QStringLiteral("STAFF"),
        QStringLiteral("STANDARD"),
        QStringLiteral("STANDARD_JOIN"),
        QStringLiteral("SYOUKAI"),
        QStringLiteral("TMP_JISSEKI"),
        QStringLiteral("TMP_NYUKIN_KANRI"),
        QStringLiteral("TMP_OURYOUUTIWAKE"),
        QStringLiteral("TMP_ROKULIST_KOJIN"),
        QStringLiteral("TMP_ROKULIST_RIREKI"),
        QStringLiteral("TMP_SEAL"),
        QStringLiteral("TMP_SEJYUTSULIST"),
        QStringLiteral("TMP_SINSEI"),
        QStringLiteral("TMP_SINSEIDAY"),
        QStringLiteral("TMP_STAFF"),
        QStringLiteral("TMP_UCHIWAKE"),
        QStringLiteral("患者タグ"),
        QStringLiteral("携帯実績"),
        QStringLiteral("月間実績"),
        QStringLiteral("月間実績_返戻"),
        QStringLiteral("月間実績管理"),
        QStringLiteral("NYUKIN_SHOUKAN_H"),
        QStringLiteral("NYUKIN_SHOUKAN_M"),
        QStringLiteral("RIYOUSHA_SUB"),
        QStringLiteral("FIRM_BANK"),
        QStringLiteral("CORP_SUB"),
        QStringLiteral("SHINSEISYO"),
        QStringLiteral("SHINSEISYO_SUB"),
        QStringLiteral("確定データ"),
        QStringLiteral("RIYOUSHA_FOLLOWUP"),
        QStringLiteral("RIYOUSHASCHEDULE"),
        QStringLiteral("REWARDDATA"),
        QStringLiteral("REWARDMAS"),
    };
    return tables;
}

QString kyotenCheckSql(short KyotenCd, short kyotenEb)
{
    QString sql = QStringLiteral(" SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND") +
                  QStringLiteral(" KYOTEN.iKyotenCd = ") + num(KyotenCd);
    if (kyotenEb != 0)
        sql += QStringLiteral(" AND KYOTEN.ikyotenEb = ") + num(kyotenEb);
    return sql;
}

QString kyotenInsertSql(const tKyoten& k)
{
    QString sql = QStringLiteral(" INSERT INTO ") + QStringLiteral("     KYOTEN (") +
                  QStringLiteral("     iKyotenCd   ") + QStringLiteral("    ,iKyotenEb   ") +
                  QStringLiteral("    ,iType       ") + QStringLiteral("    ,cAreaName   ") +
                  QStringLiteral("    ,cKyotenName ") + QStringLiteral("    ,cComment    ") +
                  QStringLiteral("    ,iLoginID    ") + QStringLiteral("    ,cLoginPass  ") +
                  QStringLiteral("    ,iAdminID    ") + QStringLiteral("    ,cAdminPass  ") +
                  QStringLiteral("    ,iUsedFlg    ") + QStringLiteral("    ) VALUES ") +
                  QStringLiteral("    (") + QStringLiteral("     ") + num(k.iKyotenCd) +
                  QStringLiteral("    ,") + num(k.iKyotenEb) + QStringLiteral("    ,") + num(k.iType);
    // The two login numbers go between quotes like the texts; the server converts them.
    for (const QString& value : {txt(k.cAreaName), txt(k.cKyotenName), txt(k.cComment), num(k.iLoginID),
                                 txt(k.cLoginPass), num(k.iAdminID), txt(k.cAdminPass)})
        sql += QStringLiteral("    ,'") + value + QLatin1Char('\'');
    sql += QStringLiteral("    ,") + num(k.iUsedFlg) + QStringLiteral("    )");
    return sql;
}

QString kyotenUpdateSql(const tKyoten& k, short iJobType)
{
    QString sql = QStringLiteral(" UPDATE ") + QStringLiteral("     KYOTEN") + QStringLiteral(" SET ");
    if (iJobType == 9) {
        sql += QStringLiteral("     iKyotenCd   = '") + num(k.iKyotenCd) + QLatin1Char('\'');
        const std::pair<const char*, QString> columns[] = {
            {"    ,iKyotenEb   = '", num(k.iKyotenEb)},  {"    ,iType       = '", num(k.iType)},
            {"    ,cAreaName   = '", txt(k.cAreaName)},  {"    ,cKyotenName = '", txt(k.cKyotenName)},
            {"    ,cComment    = '", txt(k.cComment)},   {"    ,iLoginID    = '", num(k.iLoginID)},
            {"    ,cLoginPass  = '", txt(k.cLoginPass)}, {"    ,iAdminID    = '", num(k.iAdminID)},
            {"    ,cAdminPass  = '", txt(k.cAdminPass)}, {"    ,iUsedFlg    = '", num(k.iUsedFlg)},
        };
        for (const auto& [piece, value] : columns)
            sql += QLatin1String(piece) + value + QLatin1Char('\'');
        sql += QStringLiteral(" WHERE") + QStringLiteral("     iKyotenCd = ") + num(k.iKyotenCd) +
               QStringLiteral(" AND iKyotenEb = ") + num(k.iKyotenEb);
    } else {
        sql += QStringLiteral("    iUsedFlg   = '") + num(iJobType) + QLatin1Char('\'') +
               QStringLiteral(" WHERE") + QStringLiteral("     iKyotenCd = ") + num(k.iKyotenCd) +
               QStringLiteral(" AND iKyotenEb = 0");
    }
    return sql;
}

QString allTblDeleteSql(short KyotenCd, short kyotenEb)
{
    const QString where = QStringLiteral(" WHERE iKyotenCd = ") + num(KyotenCd) +
                          QStringLiteral("   AND iKyotenEb = ") + num(kyotenEb) + QStringLiteral("; ");
    QString sql;
    for (const QString& table : perBaseTables())
        sql += QStringLiteral("DELETE FROM ") + table + where;
    return sql;
}

QString kyotenEdMaxGetSql(short KyotenCd)
{
    return QStringLiteral(" SELECT TOP 1 KYOTEN.iKyotenEb") +
           QStringLiteral(" FROM KYOTEN WHERE KYOTEN.iKyotenCd = ") + num(KyotenCd) +
           QStringLiteral(" AND KYOTEN.iKyotenEb <> 0") + QStringLiteral(" ORDER BY KYOTEN.iKyotenEb DESC");
}

QString kyotenNameCountSql(short KyotenCd, short ownEb, const QString& name)
{
    return QStringLiteral(" SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND") +
           QStringLiteral(" KYOTEN.iKyotenCd = ") + num(KyotenCd) +
           QStringLiteral(" AND KYOTEN.iKyotenEb <> ") + num(ownEb) +
           QStringLiteral(" AND KYOTEN.cKyotenName = '") + txt(name) + QLatin1Char('\'');
}

int iKyotenCheck(short KyotenCd, short kyotenEb)
{
    return countOf(kyotenCheckSql(KyotenCd, kyotenEb));
}

int iKyotenNameCount(short KyotenCd, short ownEb, const QString& name)
{
    return countOf(kyotenNameCountSql(KyotenCd, ownEb, name));
}

int iKyotenUpdate(short iJobType, QString* failure)
{
    return runWriting(kyotenUpdateSql(state().gtKyoten, iJobType), failure);
}

int iAllTblDelete(QString* failure)
{
    const tKyoten& k = state().gtKyoten;
    return runWriting(allTblDeleteSql(k.iKyotenCd, k.iKyotenEb), failure);
}

int iKyotenEdMaxGet(short KyotenCd)
{
    auto db = openConnection(kEdMaxLabel);
    if (!db)
        return -1;
    Recordset rs;
    if (db->iOpenRecSet(rs, kyotenEdMaxGetSql(KyotenCd)) != 0) {
        db->iDisConnect();
        return -1;
    }
    int next = 1;
    if (!rs.eof()) {
        const FieldValue v = rs.field(QLatin1String("iKyotenEb"));
        if (!v.isNull())
            next = int(nNullToLong(v)) + 1;
    }
    rs.close();
    db->iDisConnect();
    return next;
}
