#include "basefixture.h"
#include "bases/kyoten.h"
#include "db/cT_ADODB.h"

#include <QFile>
#include <gtest/gtest.h>

using platform::MsgIcon;

TEST(KyotenStatements, PieceForPiece)
{
    EXPECT_EQ(kyotenCheckSql(13, 2),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = "
              "13 AND KYOTEN.ikyotenEb = 2");
    EXPECT_EQ(kyotenCheckSql(13, 0),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = 13");

    tKyoten k = kyotenRecord(5, 1, "秋田", "O'Hara店  ", 3, "角の店");
    k.iType = 2;
    k.iLoginID = 7;
    k.cLoginPass = "pw";
    k.iAdminID = 8;
    k.cAdminPass = "ad";
    EXPECT_EQ(
        kyotenInsertSql(k),
        " INSERT INTO      KYOTEN (     iKyotenCd       ,iKyotenEb       ,iType           ,cAreaName       "
        ",cKyotenName     ,cComment        ,iLoginID        ,cLoginPass      ,iAdminID        ,cAdminPass  "
        "    ,iUsedFlg        ) VALUES     (     5    ,1    ,2    ,'秋田'    ,'O''Hara店'    ,'角の店'    "
        ",'7'  "
        "  ,'pw'    ,'8'    ,'ad'    ,3    )");
    EXPECT_EQ(
        kyotenUpdateSql(k, 9),
        " UPDATE      KYOTEN SET      iKyotenCd   = '5'    ,iKyotenEb   = '1'    ,iType       = '2'    "
        ",cAreaName   = '秋田'    ,cKyotenName = 'O''Hara店'    ,cComment    = '角の店'    ,iLoginID    = "
        "'7'  "
        "  ,cLoginPass  = 'pw'    ,iAdminID    = '8'    ,cAdminPass  = 'ad'    ,iUsedFlg    = '3' WHERE     "
        "iKyotenCd = 5 AND iKyotenEb = 1");
    EXPECT_EQ(kyotenUpdateSql(k, 1),
              " UPDATE      KYOTEN SET     iUsedFlg   = '1' WHERE     iKyotenCd = 5 AND iKyotenEb = 0");
    EXPECT_EQ(kyotenUpdateSql(k, 0),
              " UPDATE      KYOTEN SET     iUsedFlg   = '0' WHERE     iKyotenCd = 5 AND iKyotenEb = 0");
    EXPECT_EQ(kyotenEdMaxGetSql(13),
              " SELECT TOP 1 KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 13 AND "
              "KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenEb DESC");

    const QString del = allTblDeleteSql(13, 2);
    ASSERT_EQ(perBaseTables().size(), 66);
    EXPECT_TRUE(del.startsWith(
        "DELETE FROM ADDRESS WHERE iKyotenCd = 13   AND iKyotenEb = 2; DELETE FROM CANCEL_KANJA "
        "WHERE iKyotenCd = 13   AND iKyotenEb = 2; "));
    EXPECT_TRUE(del.contains(
        "; DELETE FROM 患者タグ WHERE iKyotenCd = 13   AND iKyotenEb = 2; DELETE FROM 携帯実績 "));
    EXPECT_TRUE(del.endsWith("DELETE FROM REWARDMAS WHERE iKyotenCd = 13   AND iKyotenEb = 2; "));
    EXPECT_EQ(del.count("DELETE FROM "), 66);
}

TEST(KyotenOperations, InsertUpdateCheckAndNextBranch)
{
    BaseInstallation inst;
    EXPECT_EQ(iKyotenEdMaxGet(13), 1);
    EXPECT_EQ(iKyotenCheck(13, 0), 0);

    // Apostrophes, percent, underscore, full-width blanks and NEC extension characters are
    // stored as typed.
    const QString name = "O'Brien's 100%_店　①㈱";
    state().gtKyoten = kyotenRecord(13, 1, "東京", name, 1, "it's");
    ASSERT_EQ(iKyotenInsert(), 0);
    EXPECT_EQ(inst.kyotenRow(13, 1), "13|1|0|東京|" + name + "|it's|0||0||1");
    EXPECT_EQ(iKyotenUpdate(1), 0);
    EXPECT_EQ(inst.areaFlag(13), "1");

    inst.addKyoten(13, 3, "三号店");
    EXPECT_EQ(iKyotenEdMaxGet(13), 4); // gaps are not reused
    EXPECT_EQ(iKyotenCheck(13, 0), 2);
    EXPECT_EQ(iKyotenCheck(13, 3), 1);
    EXPECT_EQ(iKyotenCheck(13, 2), 0);

    state().gtKyoten.cKyotenName = "新'名";
    state().gtKyoten.iUsedFlg = 9;
    ASSERT_EQ(iKyotenUpdate(9), 0);
    EXPECT_EQ(inst.kyotenRow(13, 1), "13|1|0|東京|新'名|it's|0||0||9");
    EXPECT_EQ(inst.kyotenRow(13, 3), "13|3|0|東京|三号店||0||0||1"); // only its own row

    EXPECT_EQ(iKyotenUpdate(0), 0);
    EXPECT_EQ(inst.areaFlag(13), "0");

    // The same key twice: the statement fails, quietly, with its text for the window.
    QString failure;
    EXPECT_EQ(iKyotenInsert(&failure), -1);
    EXPECT_TRUE(failure.startsWith("ERR:iExecSQL")) << failure.toStdString();
    EXPECT_TRUE(inst.messages.shown.empty());
}

TEST(KyotenOperations, ConnectionFailuresAreShownWithTheProcedureLabel)
{
    BaseInstallation inst;
    QFile::remove(inst.file("adodb.ini"));
    state().gtKyoten = kyotenRecord(13, 1, "東京", "本店", 1);

    EXPECT_EQ(iKyotenCheck(13, 1), -1);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_TRUE(inst.messages.shown.back().text.startsWith("iKyotenCheck() でエラー\r\n指定されたIni（"));
    EXPECT_EQ(inst.messages.shown.back().icon, MsgIcon::Critical);
    EXPECT_EQ(inst.messages.shown.back().title, "");

    for (const auto& op : {+[] { return iKyotenInsert(); }, +[] { return iKyotenUpdate(9); },
                           +[] { return iAllTblDelete(); }}) {
        inst.messages.shown.clear();
        EXPECT_EQ(op(), -1);
        ASSERT_EQ(inst.messages.shown.size(), 1u);
        EXPECT_TRUE(inst.messages.shown.back().text.startsWith("iKyotenSetArea() でエラー\r\n"));
    }
    inst.messages.shown.clear();
    EXPECT_EQ(iKyotenEdMaxGet(13), -1);
    EXPECT_TRUE(inst.messages.shown.back().text.startsWith("iKyotenEdMaxGet() でエラー\r\n"));

    inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=\r\n");
    inst.messages.shown.clear();
    EXPECT_EQ(iKyotenInsert(), -1);
    inst.expectLastBox("iKyotenSetArea() でエラー\r\n接続文字列取得できません。", "", MsgIcon::Critical);
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0"), "0");
}
