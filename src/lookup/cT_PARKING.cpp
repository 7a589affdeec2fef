#include "lookup/cT_PARKING.h"

#include "db/cT_ADODB.h"
#include "settings/fieldvalue.h"
#include "state/state.h"

namespace
{
// Texts are read without the blanks around them (spaces only, as the suite trims), then
// null-safe.
QString text(const Recordset& rs, const char* column)
{
    const QString v = csNullToStr(rs.field(QLatin1String(column)));
    qsizetype start = 0;
    while (start < v.size() && v.at(start) == QLatin1Char(' '))
        ++start;
    return v.mid(start);
}
qint32 number(const Recordset& rs, const char* column)
{
    return nNullToLong(rs.field(QLatin1String(column)));
}
} // namespace

short cT_PARKING::iInit(cT_ADODB* cADO)
{
    db_ = cADO;
    records_.clear();
    nデータ数 = 0;
    return 0;
}

QString cT_PARKING::sqlDataRead(const cD_PARKING& cData)
{
    QString sql =
        QStringLiteral("select PARKING.iKyotenCd as iKyotenCd, PARKING.iKyotenEb as iKyotenEb,"
                       " PARKING.nIDNo as nIDNo, PARKING.cParkingName as cParkingName,"
                       " PARKING.iType as iType, PARKING.cYubinNo as cYubinNo,"
                       " PARKING.cAddress1 as cAddress1, PARKING.nLat as nLat, PARKING.nLon as nLon,"
                       " PARKING.cBikou as cBikou, PARKING.iDelFlg as iDelFlg from PARKING");
    QString join = QStringLiteral(" where ");
    if (cData.nIDNo > -1) {
        sql += join + QStringLiteral("nIDNo = ") + QString::number(cData.nIDNo);
        join = QStringLiteral(" and ");
    }
    sql += join + QStringLiteral("iKyotenCd = ") + QString::number(state().giRecKyotenCd);
    sql += QStringLiteral(" and iKyotenEb = ") + QString::number(state().giRecKyotenEb);
    sql += QStringLiteral(" order by nIDNo");
    return sql;
}

short cT_PARKING::iDataRead(const cD_PARKING* cData)
{
    if (!cData) {
        sErrMsg = QStringLiteral("PARKINGが無効です。");
        return -1;
    }
    if (!db_) {
        // A gateway used before iInit has no connection to read from.
        sErrMsg = QStringLiteral("(3709)接続が閉じているか、このコンテキストで無効です。");
        return -1;
    }
    Recordset rs;
    if (db_->iOpenRecSet(rs, sqlDataRead(*cData)) != 0) {
        sErrMsg = db_->sErrMsg;
        return -1;
    }
    nデータ数 = 0;
    records_.clear();
    while (!rs.eof()) {
        cD_PARKING r;
        r.iKyotenCd = number(rs, "iKyotenCd");
        r.iKyotenEb = number(rs, "iKyotenEb");
        r.nIDNo = number(rs, "nIDNo");
        r.cParkingName = text(rs, "cParkingName");
        r.iType = number(rs, "iType");
        r.cYubinNo = text(rs, "cYubinNo");
        r.cAddress1 = text(rs, "cAddress1");
        r.nLat = number(rs, "nLat");
        r.nLon = number(rs, "nLon");
        r.cBikou = text(rs, "cBikou");
        r.iDelFlg = number(rs, "iDelFlg");
        records_.push_back(std::move(r));
        ++nデータ数;
        rs.moveNext();
    }
    rs.close();
    return 0;
}
