#include "db/cT_ADODB.h"
#include "installation.h"
#include "lookup/cT_PARKING.h"
#include "state/state.h"

namespace
{

const char* kInsert =
    "INSERT INTO PARKING (iKyotenCd, iKyotenEb, nIDNo, cParkingName, iType, cYubinNo, cAddress1,"
    " nLat, nLon, cBikou, iDelFlg, cPcName, tUpDateTime) VALUES ";

// Every field of a place as read, in declaration order, separated by '|'.
QString fields(const cD_PARKING& p)
{
    const auto n = [](qint32 v) { return QString::number(v); };
    return QStringList{n(p.iKyotenCd), n(p.iKyotenEb), n(p.nIDNo),   p.cParkingName, n(p.iType),
                       p.cYubinNo,     p.cAddress1,    n(p.nLat),    n(p.nLon),      p.cBikou,
                       n(p.iDelFlg),   p.cPcName,      p.tUpDateTime}
        .join('|');
}

} // namespace

TEST(Parking, StatementsAndReadsOfTheRecordBaseAndFailures)
{
    TestInstallation inst;
    inst.createDatabase();
    for (const char* row : {"(0, 0, 2, '  駅前　', 3, '100-0005', ' 丸の内 ', 128452450, 503161650, NULL, 1,"
                            " 'PC9', '2024-04-01 09:00:00.000')",
                            "(0, 0, 0, '本店裏', 1, NULL, NULL, NULL, -5, '夜間不可', NULL, NULL, NULL)",
                            "(0, 0, 1, '公道', 5, '', '', 1, 2, '', 0, '', NULL)",
                            "(13, 1, 1, '他拠点', 2, '', '', 9, 9, '', 0, '', NULL)"})
        inst.exec(QString(kInsert) + row);
    cT_ADODB db;
    db.iInit("Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=MIRANE45;uid=sa;pwd=x");
    ASSERT_EQ(db.iConnect(), 0);
    const QString columns =
        "select PARKING.iKyotenCd as iKyotenCd, PARKING.iKyotenEb as iKyotenEb,"
        " PARKING.nIDNo as nIDNo, PARKING.cParkingName as cParkingName, PARKING.iType as iType,"
        " PARKING.cYubinNo as cYubinNo, PARKING.cAddress1 as cAddress1, PARKING.nLat as nLat,"
        " PARKING.nLon as nLon, PARKING.cBikou as cBikou, PARKING.iDelFlg as iDelFlg from PARKING";
    cD_PARKING zero, all;
    all.nIDNo = -1;
    EXPECT_EQ(cT_PARKING::sqlDataRead(zero),
              columns + " where nIDNo = 0 and iKyotenCd = 0 and iKyotenEb = 0 order by nIDNo");

    cT_PARKING parking;
    ASSERT_EQ(parking.iInit(&db), 0);

    // Every place of base 0/0, deleted ones included, in number order.
    ASSERT_EQ(parking.iDataRead(&all), 0) << parking.sErrMsg.toStdString();
    ASSERT_EQ(parking.nデータ数, 3);
    // NULLs read as 0 and ""; blanks trimmed (not the full-width one); no PC name or time.
    EXPECT_EQ(fields(parking.clsPARKING(0)), "0|0|0|本店裏|1|||0|-5|夜間不可|0||");
    EXPECT_EQ(fields(parking.clsPARKING(2)), "0|0|2|駅前　|3|100-0005|丸の内|128452450|503161650||1||");

    // The default pattern (number 0) selects only place 0; a second read replaces the list.
    ASSERT_EQ(parking.iDataRead(&zero), 0);
    ASSERT_EQ(parking.nデータ数, 1);
    EXPECT_EQ(parking.clsPARKING(0).cBikou, "夜間不可");

    // The gateway never closes the caller's connection, and shows nothing.
    EXPECT_EQ(db.state(), ado::adStateOpen);

    inst.exec("DROP TABLE PARKING"); // failures come back as -1 with their text; the earlier list stays
    EXPECT_EQ(parking.iDataRead(&all), -1);
    EXPECT_TRUE(parking.sErrMsg.startsWith("(-2147217900)")) << parking.sErrMsg.toStdString();
    EXPECT_TRUE(parking.sErrMsg.contains("\rSQL=" + columns.left(80) + "・・・\r"));
    EXPECT_EQ(parking.nデータ数, 1);
    EXPECT_TRUE(inst.messages.shown.empty());

    state().giRecKyotenCd = 13; // number -1 reads every place of the record base
    state().giRecKyotenEb = 1;
    EXPECT_EQ(cT_PARKING::sqlDataRead(all),
              columns + " where iKyotenCd = 13 and iKyotenEb = 1 order by nIDNo");
}
