#include "basefixture.h"
#include "bases/kyoten.h"

#include <QFile>
#include <functional>

using platform::MsgIcon;

TEST(KyotenOperations, StatementsPieceForPieceAndConnectionFailuresWithTheProcedureLabel)
{
    EXPECT_EQ(kyotenCheckSql(13, 2),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = "
              "13 AND KYOTEN.ikyotenEb = 2");
    EXPECT_EQ(kyotenCheckSql(13, 0),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = 13");

    const tKyoten k{5, 1, 2, "秋田", "O'Hara店  ", "角の店", 7, "pw", 8, "ad", 3};
    EXPECT_EQ(kyotenInsertSql(k),
              " INSERT INTO      KYOTEN (     iKyotenCd       ,iKyotenEb       ,iType           "
              ",cAreaName       ,cKyotenName     ,cComment        ,iLoginID        ,cLoginPass      "
              ",iAdminID        ,cAdminPass      ,iUsedFlg        ) VALUES     (     5    ,1    ,2    "
              ",'秋田'    ,'O''Hara店'    ,'角の店'    ,'7'    ,'pw'    ,'8'    ,'ad'    ,3    )");
    EXPECT_EQ(kyotenUpdateSql(k, 9),
              " UPDATE      KYOTEN SET      iKyotenCd   = '5'    ,iKyotenEb   = '1'    ,iType       = '2'    "
              ",cAreaName   = '秋田'    ,cKyotenName = 'O''Hara店'    ,cComment    = '角の店'    "
              ",iLoginID    = '7'    ,cLoginPass  = 'pw'    ,iAdminID    = '8'    ,cAdminPass  = 'ad'    "
              ",iUsedFlg    = '3' WHERE     iKyotenCd = 5 AND iKyotenEb = 1");
    EXPECT_EQ(kyotenUpdateSql(k, 1),
              " UPDATE      KYOTEN SET     iUsedFlg   = '1' WHERE     iKyotenCd = 5 AND iKyotenEb = 0");
    EXPECT_EQ(kyotenUpdateSql(k, 0),
              " UPDATE      KYOTEN SET     iUsedFlg   = '0' WHERE     iKyotenCd = 5 AND iKyotenEb = 0");
    EXPECT_EQ(kyotenEdMaxGetSql(13),
              " SELECT TOP 1 KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 13 AND "
              "KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenEb DESC");

    const QString del = allTblDeleteSql(13, 2);
    EXPECT_TRUE(del.startsWith(
        "DELETE FROM ADDRESS WHERE iKyotenCd = 13   AND iKyotenEb = 2; DELETE FROM CANCEL_KANJA "
        "WHERE iKyotenCd = 13   AND iKyotenEb = 2; "));
    EXPECT_TRUE(del.contains(
        "; DELETE FROM 患者タグ WHERE iKyotenCd = 13   AND iKyotenEb = 2; DELETE FROM 携帯実績 "));
    EXPECT_TRUE(del.endsWith("DELETE FROM REWARDMAS WHERE iKyotenCd = 13   AND iKyotenEb = 2; "));
    EXPECT_EQ(del.count("DELETE FROM "), 66);

    // Connection failures show the procedure's label (each statement's effect: the window tests).
    BaseInstallation inst;
    QFile::remove(inst.file("adodb.ini"));
    state().gtKyoten = kyotenRecord(13, 1, "東京", "本店", 1);
    const auto failure = [&](const std::function<int()>& op) { // each shows a box of its own
        const int result = op();
        const ShownMessage m = inst.messages.shown.at(inst.messages.shown.size() - 1);
        EXPECT_EQ(m.icon, MsgIcon::Critical);
        return QString::number(result) + " " + m.title + "|" + m.text.left(m.text.indexOf("\r\n") + 2);
    };
    EXPECT_EQ(failure([] { return iKyotenCheck(13, 1); }), "-1 |iKyotenCheck() でエラー\r\n");
    EXPECT_TRUE(inst.messages.shown.back().text.endsWith("adodb.ini）ファイルが見つかりません。"));
    EXPECT_EQ(failure([] { return iKyotenUpdate(9); }), "-1 |iKyotenSetArea() でエラー\r\n");
    EXPECT_EQ(failure([] { return iKyotenEdMaxGet(13); }), "-1 |iKyotenEdMaxGet() でエラー\r\n");
}
