#include "odbcdrivers.h"
#include "platform/textfile.h"
#include "setup/setupsave.h"
#include "setupfixture.h"

#include <QFile>
#include <gtest/gtest.h>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

// The record the wizard leaves: quotes in names, the rules of a base that keeps its own holidays.
tSetupData sample()
{
    return {.staff = {{1, "施術 一郎"}, {2, "D'Arcy"}},
            .staffCount = 2,
            .users = {{7, "利用 七子"}},
            .userCount = 1,
            .companyName = "O'Hara治療院",
            .representative = "代表 太郎",
            .postalCode = "0600001",
            .address = "北海道札幌市中央区北一条西",
            .addressKana = "ﾎｯｶｲﾄﾞｳ",
            .latitude = 155000000,
            .longitude = 508000000,
            .tel = "011-000-0000",
            .fax = "011-000-0001",
            .holidayRule = 2,
            .iReseptFixedMonth = 1,
            .iReseptFixedDay = 10,
            .iChargeFixedDay = -1,
            .iConsentFixedMonth = 1,
            .iConsentFixedDay = 15,
            .recordKeeping = 1};
}

} // namespace

TEST(SetupStatements, OfficeRowItsDefaultsPractitionerUserAndHolidayByteForByte)
{
    const tSetupData d = sample();
    EXPECT_EQ(corpCheckSql(1, 2), " select nIDNo FROM CORP where     iKyotenCd = 1 and iKyotenEb = 2");
    EXPECT_EQ(
        corpInsertSql(d, 1, 2),
        " insert into    CORP (      iKyotenCd,      iKyotenEb,      cAddress1     ,cAddress2     "
        ",cAddressKana"
        "     ,cDaihyo     ,cDaihyoKana     ,cFaxNo     ,cKinyuName     ,cKinyuSiten     ,cKozaBangou"
        "     ,cKozaKana     ,cKozaMeigi1     ,cKozaMeigi2     ,cShamei1     ,cShamei2     ,cShameiKana1"
        "     ,cShameiKana2     ,cTelNo     ,cYubinNo     ,iKinSiten     ,iKinSyubetsu     ,iKozaKubun"
        "     ,iKozaType     ,iType     ,nIDNo     ,nLat     ,nLon     ,cPcName     ,tUpDateTime     "
        ",cKinyuNo"
        "     ,cKinyuSitenNo     ,cJigyousyoNo     ,cJigyousyoNo2     ,cJigyouReceiptName     "
        ",cMailDestination"
        "     ,cMailDestinationZipNo )values(       '1',      '2',      '北海道札幌市中央区北一条西'     ,''"
        "     ,'ﾎｯｶｲﾄﾞｳ'     ,'代表 太郎'     ,''     ,'011-000-0001'     ,''     ,''     ,''     ,''     ,''"
        "     ,''     ,'O''Hara治療院'     ,''     ,''     ,''     ,'011-000-0000'     ,'060-0001'     , 0"
        "     , 0     , 0     , 0     , 0     , 1     , 155000000     , 508000000     ,''     , GetDate()"
        "     ,''     ,''     ,''     ,''     ,''     ,''     ,'' ) ");
    // (Codes typed whole, short or with blanks: the corporation page's tests.)
    EXPECT_EQ(corpPostalCode(""), "-");

    const QString sub = corpSubInsertSql(d, 1, 2);
    EXPECT_TRUE(
        sub.startsWith(" insert into    CORP_SUB (      iKyotenCd,      iKyotenEb,      iClosingMonth,"));
    EXPECT_TRUE(
        sub.contains("      iSaiDouiSet     ,tUpDateTime     ,iDouiUpdatePermitDay     ,nRtion10Per"));
    EXPECT_TRUE(
        sub.contains(" )values(       '1',      '2',      '3',      '-1',      '-1',      '1',      '不詳',"
                     "      '不詳',      '1',      '4',      '本人',      '',      '上記傷病名に同じ',"
                     "      '上記傷病名に同じ',      '1',      '1'     , GetDate()     ,'1'     ,''"));
    EXPECT_TRUE(
        sub.endsWith("     ,''     ,'10'     ,'-1'     ,'15'     ,'0'     ,'0'     ,'1'     ,'1'     ,'1'"
                     "     ,'1'     ,'1'     ,'1'     ,'0'     ,'1'     ,'1'     ,'0' ) "));
    EXPECT_EQ(sub.count("     ,''"), 24);

    EXPECT_EQ(staffCheckSql(1, 2, 99999998),
              " select nIDNo FROM STAFF where     iKyotenCd = 1 and iKyotenEb = 2 and nIDNo = 99999998");
    const QString staff = staffInsertSql(1, 2, 12, "D'Arcy");
    EXPECT_TRUE(staff.startsWith(" insert into    STAFF (      iKyotenCd     ,iKyotenEb     ,cAdress1"));
    EXPECT_TRUE(
        staff.endsWith("     ,cTourokuNo2 )values(        1     , 2     ,''     ,''     ,''     ,''     ,''"
                       "     ,''     ,''     ,'D''Arcy'     ,''     ,''     ,''     ,''     ,''     ,''"
                       "     , 0     , 0     , 0     , 0     , 0     , 12     ,''     , 0     , 0     ,''"
                       "     , 0     ,''     ,''     ,''     , Null     , Null     , Null     , Null"
                       "     , Null     ,''     , GetDate()     ,'' ) "));
    EXPECT_EQ(riyoushaCheckSql(1, 2, 700),
              " select nIDNo FROM RIYOUSHA where     iKyotenCd = 1 and iKyotenEb = 2 and nIDNo = 700");
    const QString user = riyoushaInsertSql(1, 2, 700, "利用 七子");
    EXPECT_TRUE(user.startsWith(
        " insert into    RIYOUSHA (      iKyotenCd     ,iKyotenEb     ,nIDNo     ,cAddressKana"));
    EXPECT_TRUE(user.contains("     ,cMobNo     ,cName     ,cNameKana"));
    EXPECT_TRUE(user.contains("     ,cPcName     ,tUpDateTime     ,cBikou02"));
    EXPECT_TRUE(user.contains(" )values(        1     , 2     , 700     ,''"));
    EXPECT_TRUE(user.endsWith("     ,'利用 七子'" + QString("     ,''").repeated(31) + "     , GetDate()" +
                              QString("     ,''").repeated(8) + " ) "));
    EXPECT_EQ(user.count("     ,''"), 89);

    EXPECT_EQ(holidayDeleteSql(2024, 1, 2),
              " delete from     HOLIDAY where         nDate >= 20240101 and    nDate <= "
              "20241231 and iKyotenCd = 1 and iKyotenEb = 2");
    EXPECT_EQ(
        holidayInsertSql(1, 2, QDate(2024, 1, 6)),
        " insert into    HOLIDAY (      iKyotenCd     ,iKyotenEb     ,nDate     ,iYear     ,iMonth     ,iDay"
        " )values(        1     , 2     ,20240106     ,2024     ,01     ,06 ) ");
}

TEST(SetupSave, WritesEveryTableAndFileOnce)
{
    SetupInstallation inst;
    inst.writeFile("QmapUser.ini", "ZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\nUSER_CODE=9\r\n");
    state().gtSetupData = sample();
    state().giDialogResult = 0;
    ASSERT_TRUE(saveSetupData());
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_EQ(state().giDialogResult, 1);

    // 2024 (the clock's year) begins on a Monday: 52 Saturdays.
    EXPECT_EQ(inst.count("HOLIDAY"), 52);

    EXPECT_EQ(inst.readBytes("DATA/Data0101/患者管理設定.ini"),
              textfile::encode(
                  "[施術期間]\r\n変形徒手での運用有無=0\r\n変形徒手等施術期間=0\r\n変形マッサ変更=0\r\n"));
    // The map account's three lines stay as the launcher reads them; the section follows.
    EXPECT_EQ(inst.readBytes("QmapUser.ini"),
              textfile::encode("ZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\nUSER_CODE=9\r\n[実績管理]\r\n"
                               "実績運用タイプ=1\r\n"));

    // A second save: the office row is there (question), the codes are there (each reported
    // and skipped), the year's holidays are replaced, not doubled.
    state().gtSetupData.holidayRule = 1;
    inst.messages.answer(MsgAnswer::Ok);
    inst.messages.answer(MsgAnswer::Yes);
    ASSERT_TRUE(saveSetupData());
    QStringList boxes; // "title: text"
    for (const ShownMessage& m : inst.messages.shown)
        boxes << m.title + ": " + m.text;
    const QString duplicate =
        "ID重複エラー: 既に同じ%1IDのデータが存在します。\r\n\r\n・%1 %2\r\n\r\nこのデータは登録されません。";
    EXPECT_EQ(boxes, QStringList({"往療起点登録エラー: 既に往療起点の情報は登録されています。",
                                  "往療拠点登録エラー: このまま処理を継続しますか？",
                                  "施術者" + duplicate.arg("施術者", "1：施術 一郎"),
                                  "施術者" + duplicate.arg("施術者", "2：D'Arcy"),
                                  "利用者" + duplicate.arg("利用者", "700：利用 七子")}));
    EXPECT_EQ(inst.messages.shown[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(inst.count("CORP"), 1);
    EXPECT_EQ(inst.count("CORP_SUB"), 1);
    EXPECT_EQ(inst.count("STAFF"), 2);
    // Rule 1: every Saturday and Sunday of 2024, the old rows gone.
    EXPECT_EQ(inst.count("HOLIDAY"), 104);
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM HOLIDAY WHERE nDate IN (20240106, 20240107, 20241229)"), "3");
}

TEST(SetupSave, NoStopsTheSaveAndHolidayRules)
{
    SetupInstallation inst;
    inst.exec("INSERT INTO CORP (iKyotenCd, iKyotenEb, nIDNo) VALUES (1, 1, 1)");
    state().gtSetupData = sample();
    state().giDialogResult = 0;
    inst.messages.answer(MsgAnswer::Ok);
    inst.messages.answer(MsgAnswer::No);
    EXPECT_FALSE(saveSetupData());
    EXPECT_EQ(state().giDialogResult, 0);
    EXPECT_EQ(inst.count("CORP_SUB"), 0);
    EXPECT_FALSE(inst.exists("QmapUser.ini"));

    // 2022 begins on a Saturday: 53 Saturdays, 52 Sundays.
    inst.clock.current = QDateTime(QDate(2022, 6, 1), QTime(10, 0));
    state().gtSetupData.holidayRule = 2;
    EXPECT_EQ(iDataCallenderCorp(), 0);
    EXPECT_EQ(inst.count("HOLIDAY"), 53);
    EXPECT_EQ(inst.scalar("SELECT MIN(nDate) || '|' || MAX(nDate) FROM HOLIDAY"), "20220101|20221231");
    state().gtSetupData.holidayRule = 3;
    EXPECT_EQ(iDataCallenderCorp(), 0);
    EXPECT_EQ(inst.count("HOLIDAY"), 52);
    EXPECT_EQ(holidays(2022, 0).size(), 0);
}

class SetupSaveOnBothEngines : public ::testing::TestWithParam<bool>
{
};

INSTANTIATE_TEST_SUITE_P(Engines, SetupSaveOnBothEngines, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Embedded"; });

// A failed statement in the practitioner, user or holiday loop ends the step; the rows that
// went in before it stay, also when the failure ends the whole transaction, as some of SQL
// Server's do.
TEST_P(SetupSaveOnBothEngines, RowsBeforeAFailureThatEndsTheTransactionStay)
{
    SetupInstallation inst;
    state().gtSetupData = sample();
    tSetupData& d = state().gtSetupData;
    d.staff = {{1, "一"}, {2, "二"}, {3, "三"}, {4, "四"}};
    d.users = d.staff;
    d.staffCount = d.userCount = 4;
    for (const QString& refusal :
         {"STAFF WHEN NEW.nIDNo = 3", "RIYOUSHA WHEN NEW.nIDNo = 300", "HOLIDAY WHEN NEW.nDate = 20240203"})
        inst.exec("CREATE TRIGGER [refuse " + refusal.left(4) + "] BEFORE INSERT ON " + refusal +
                  " BEGIN SELECT RAISE(ROLLBACK, 'refused'); END");
    if (GetParam()) {
        if (!odbcTestDrivers())
            GTEST_SKIP() << "no SQLite ODBC driver";
        // (The test's own statements above went to the embedded engine.)
        useOdbcDriver(inst, kSqliteOdbcDriver);
        inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=" + sqliteOdbcConnectionString() + "\r\n");
    }
    EXPECT_EQ(iDataSaveStaff(), -1);
    EXPECT_EQ(iDataSaveRiyousha(), -1);
    EXPECT_EQ(iDataCallenderCorp(), -1);
    QFile::remove(inst.file("SqlEngine.ini")); // read back on the embedded engine
    EXPECT_EQ(inst.scalar("SELECT group_concat(nIDNo) FROM STAFF"), "1,2");
    EXPECT_EQ(inst.scalar("SELECT group_concat(nIDNo) FROM RIYOUSHA"), "100,200");
    EXPECT_EQ(inst.scalar("SELECT group_concat(nDate) FROM HOLIDAY"), "20240106,20240113,20240120,20240127");
    ASSERT_EQ(inst.messages.shown.size(), 3u);
    int i = 0;
    for (const char* step : {"iDataSaveStaff", "iDataSaveRiyousha", "iDataCallenderCorp"}) {
        const ShownMessage& m = inst.messages.shown[size_t(i++)];
        EXPECT_TRUE(m.text.startsWith(QString(step) + "() でエラー\r\n")) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains("refused")) << m.text.toStdString();
        EXPECT_EQ(m.icon, MsgIcon::Critical);
    }
}
