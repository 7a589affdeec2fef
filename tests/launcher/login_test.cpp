#include "db/sqltext.h"
#include "installation.h"
#include "launcher/baselist.h"
#include "launcher/login.h"
#include "launcher/startup.h"
#include "launcher/statefiles.h"
#include "recorder.h"
#include "state/state.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::MsgIcon;

namespace
{

QString statusOf(const TestInstallation& inst, const QString& id)
{
    return inst.scalar(QStringLiteral("SELECT iStatus FROM ACCOUNT WHERE cLoginId = '") + sqlText(id) + "'");
}

void prepareAccounts(TestInstallation& inst)
{
    inst.createDatabase();
    inst.writeAdodbIni();
    // Level 5: job 2 has no flag (counts as 0), rows stored out of order. Level 7 has no rows.
    // The installation's own administrator and levels make way for these.
    inst.exec("DELETE FROM ACCOUNT; DELETE FROM ACCESS_LEVEL");
    inst.exec(
        "INSERT INTO ACCESS_LEVEL (iAccessLevel, cJobName, iJobCode, iJobFlg) VALUES (5, 'スタッフ', 3, 1), "
        "(5, 'スタッフ', 1, 1), (5, 'スタッフ', 2, NULL), (10, '管理者', 1, 1)");
    const char* accounts[] = {
        "'stop', 'pw', 5, 0, 0",    "'case', 'Secret', 5, 1, 0", "'lock5', 'pw', 5, 1, 9",
        "'lock10', 'pw', 10, 1, 9", "'busy', 'pw', 5, 1, 1",     "'nolevel', 'pw', 7, 1, 0",
        "'o''neil', 'pw', 5, 1, 0", "'stopbad', 'pw', 5, 0, 0",  "'lock11', 'pw', 11, 1, 9"};
    for (const char* values : accounts)
        inst.exec(QStringLiteral(
                      "INSERT INTO ACCOUNT (cLoginId, cLoginPass, iAccessLevel, iKubun, iStatus, iKyotenCd, "
                      "iKyotenEb, cName, cNameKana, cAreaWord, tMakeDate, tLoginDate) VALUES (") +
                  values +
                  ", 13, 1, ' 山田 ', 'ﾔﾏﾀﾞ', '1301', '2024-01-01 00:00:00.000', '2024-01-30 18:05:00.000')");
}

} // namespace

TEST(Login, SuccessMarksTheAccountAndLogoutReverts)
{
    TestInstallation inst;
    prepareAccounts(inst);
    LoginFocus focus = LoginFocus::Password;
    ASSERT_EQ(LoginAccount("busy", "pw", false, &focus), 1);
    const tLoginUser& u = state().gtLoginUser;
    EXPECT_EQ(u.Name + "|" + u.AccessName + "|" + u.AccessJobNo + "|" + u.MakeDate + "|" + u.LoginDate + "|" +
                  QString::number(u.kyotenCd),
              QStringLiteral("山田|スタッフ|101|45292|2024/01/30 18:05:00|13"));
    EXPECT_EQ(statusOf(inst, "busy"), QStringLiteral("1"));
    EXPECT_EQ(inst.scalar("SELECT tLoginDate FROM ACCOUNT WHERE cLoginId = 'busy'"),
              QStringLiteral("2024/01/31 9:00:00"));
    EXPECT_TRUE(inst.readText("loginuser.kvx").contains("\r\n[AccessJobNo]=101\r\n"));

    // Dates that are NULL.
    inst.exec("UPDATE ACCOUNT SET tMakeDate = NULL, tLoginDate = NULL WHERE cLoginId = 'case'");
    ASSERT_EQ(LoginAccount("case", "Secret", false, nullptr), 1);
    EXPECT_EQ(u.MakeDate + "|" + u.LoginDate, "0|");

    // A locked account gets in at the administrator level; an apostrophe in an id is kept.
    ASSERT_EQ(LoginAccount("lock10", "pw", true, &focus), 1);
    ASSERT_EQ(LoginAccount("o'neil", "pw", true, &focus), 1);
    EXPECT_EQ(u.LoginId + statusOf(inst, "lock10") + statusOf(inst, "o'neil"), QStringLiteral("o'neil11"));

    inst.clock.current = QDateTime(QDate(2024, 2, 1), QTime(17, 30, 0));
    EXPECT_EQ(iAccountLogout("o'neil", 0), 0);
    EXPECT_EQ(iAccountLogout("lock5", 0), 0);
    EXPECT_EQ(statusOf(inst, "o'neil") + statusOf(inst, "lock5"), QStringLiteral("09"));
    EXPECT_EQ(inst.scalar("SELECT tLoginDate FROM ACCOUNT WHERE cLoginId = 'o''neil'"),
              QStringLiteral("2024/02/01 17:30:00"));
    EXPECT_TRUE(inst.messages.shown.empty());
}

TEST(Login, TheSixLauncherStatementsByteForByte)
{
    TestInstallation inst;
    prepareAccounts(inst);
    StatementRecorder sent;
    ASSERT_EQ(LoginAccount("busy", "pw", false, nullptr), 1);
    ASSERT_EQ(iAccountLogout("busy", 0), 0);
    ASSERT_EQ(loadKyotenList(), 1);
    ASSERT_EQ(iKyotenMaxGet(), 0);
    EXPECT_EQ(
        sent.statements(),
        QStringList({
            "SELECT DISTINCT ACCOUNT.iKyotenCd, ACCOUNT.iKyotenEb, ACCOUNT.cLoginId, ACCOUNT.cLoginPass, "
            "ACCOUNT.cName, ACCOUNT.cNameKana, ACCOUNT.cAreaWord, ACCOUNT.iAccessLevel, ACCOUNT.iKubun, "
            "ACCOUNT.tMakeDate, ACCOUNT.tLoginDate, ACCOUNT.iStatus, ACCESS_LEVEL.cJobName FROM ACCOUNT "
            "LEFT JOIN ACCESS_LEVEL ON ACCOUNT.iAccessLevel = ACCESS_LEVEL.iAccessLevel WHERE cLoginId "
            "= 'busy'",
            " SELECT        iJobFlg       ,iJobCode  FROM ACCESS_LEVEL WHERE      iAccessLevel = '5' "
            "ORDER BY iJobCode",
            " UPDATE       ACCOUNT SET       tLoginDate = GETDATE()     ,iStatus = 1 WHERE cLoginId = "
            "'busy'",
            " UPDATE       ACCOUNT SET       tLoginDate = GETDATE()     ,iStatus =  0 WHERE cLoginId = "
            "'busy' and iStatus <> 9",
            "SELECT KYOTEN.iKyotenCd, KYOTEN.iKyotenEb, KYOTEN.iType, KYOTEN.cAreaName, "
            "KYOTEN.cKyotenName, KYOTEN.cComment, KYOTEN.iLoginID, KYOTEN.cLoginPass, KYOTEN.iAdminID, "
            "KYOTEN.cAdminPass, KYOTEN.iUsedFlg FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 ORDER BY "
            "KYOTEN.iKyotenCd,KYOTEN.iKyotenEb",
            "SELECT COUNT (*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0",
        }));

    // With double-login control the update takes only an account still logged out; an
    // administrator's update stays as it is.
    sent.clear();
    ASSERT_EQ(LoginAccount("case", "Secret", true, nullptr), 1);
    ASSERT_EQ(LoginAccount("case", "Secret", true, nullptr), -1); // refused before any update
    ASSERT_EQ(LoginAccount("lock10", "pw", true, nullptr), 1);
    const QStringList updates = sent.statements().filter("UPDATE");
    EXPECT_EQ(updates, QStringList({" UPDATE       ACCOUNT SET       tLoginDate = GETDATE()     ,iStatus = 1 "
                                    "WHERE cLoginId = 'case' AND iStatus = 0",
                                    " UPDATE       ACCOUNT SET       tLoginDate = GETDATE()     ,iStatus = 1 "
                                    "WHERE cLoginId = 'lock10'"}));
}

// Every refusal in the order of the checks, each with its one box and the field given the
// focus; the account signed in before stays signed in.
TEST(Login, ARefusalKeepsThePreviousAccountSignedIn)
{
    TestInstallation inst;
    prepareAccounts(inst);
    ASSERT_EQ(LoginAccount("o'neil", "pw", false, nullptr), 1);
    const QByteArray file = inst.readBytes("loginuser.kvx");
    // title|text|icon|focus of the one box a refused log-in shows.
    auto refusal = [&](const char* id, const char* pass, bool doubleControl = false) {
        inst.messages.shown.clear();
        LoginFocus focus = LoginFocus::None;
        if (LoginAccount(QString::fromUtf8(id), QString::fromUtf8(pass), doubleControl, &focus) != -1 ||
            inst.messages.shown.size() != 1)
            return QStringLiteral("?");
        const ShownMessage& m = inst.messages.shown[0];
        return QStringLiteral("%1|%2|%3|%4").arg(m.title, m.text).arg(int(m.icon)).arg(int(focus));
    };
    // The suspension comes before the password, passwords are case-sensitive, only level 10
    // passes a lock.
    EXPECT_EQ(QStringList({refusal("x' OR 'a'='a", "pw"), refusal("stopbad", "wrong"),
                           refusal("case", "secret"), refusal("lock10", "wrong"), refusal("lock5", "pw"),
                           refusal("lock11", "pw"), refusal("busy", "pw", true), refusal("nolevel", "pw")}),
              QStringList({"ログインエラー|ユーザーアカウントが登録されていません。|1|0",
                           "ログインエラー|このアカウントは利用停止中のため、ログインできません。|1|1",
                           "パスワードエラー|パスワードが違います。|1|2",
                           "パスワードエラー|パスワードが違います。|1|2",
                           "ログインエラー|現在システムにログインする事はできません。|2|1",
                           "ログインエラー|現在システムにログインする事はできません。|2|1",
                           "ログインエラー|このアカウントは現在ログイン中です|2|1",
                           "ログインエラー|アクセス権限の取得でエラーが発生しました。|1|0"}));

    const tLoginUser& now = state().gtLoginUser;
    EXPECT_EQ(now.LoginId + now.LoginPass + now.AreaWord + QString::number(now.AccessLevel) + now.AccessJobNo,
              "o'neilpw13015101");
    EXPECT_EQ(inst.readBytes("loginuser.kvx"), file);
    EXPECT_EQ(statusOf(inst, "o'neil") + statusOf(inst, "lock10") + statusOf(inst, "busy") +
                  statusOf(inst, "nolevel") + statusOf(inst, "lock11"),
              "19109");
}

// The database's failures all take one reporting path: the update's stands for them.
TEST(Login, FailuresLeaveEverythingAsItWas)
{
    TestInstallation inst;
    prepareAccounts(inst);
    StatementRecorder sent;
    sent.failWhenContains("iStatus = 1");
    EXPECT_EQ(LoginAccount("case", "Secret", false, nullptr), -1);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_TRUE(inst.messages.shown.back().text.startsWith("btnOk_Click() でエラー\r\nERR:iExecSQL "));
    EXPECT_EQ(inst.messages.shown.back().icon, MsgIcon::Critical);
    EXPECT_EQ(statusOf(inst, "case"), "0");
    EXPECT_FALSE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(state().gtLoginUser.LoginId, "");

    // Without its login file the log-in does not count: the account goes back to logged out.
    sent.failNothing();
    QDir().mkpath(inst.file("loginuser.kvx/x"));
    EXPECT_EQ(LoginAccount("case", "Secret", false, nullptr), -1);
    inst.expectLastBox("ログインファイルの作成に失敗しました。\rERROR:LoginFileMake()", "ログイン失敗",
                       MsgIcon::Critical);
    EXPECT_EQ(statusOf(inst, "case"), "0");
    EXPECT_EQ(state().gtLoginUser.LoginId, "");
    // ... and a locked administrator goes back to locked.
    EXPECT_EQ(LoginAccount("lock10", "pw", false, nullptr), -1);
    EXPECT_EQ(statusOf(inst, "lock10"), "9");
}

TEST(Login, ALostRaceForTheAccountIsRefused)
{
    TestInstallation inst;
    prepareAccounts(inst);
    ASSERT_EQ(LoginAccount("o'neil", "pw", false, nullptr), 1);
    StatementRecorder sent;
    // Another launcher takes the account between this one's check and its update.
    bool inside = false;
    sent.beforeStatement([&](const QString& sql) {
        if (inside || !sql.contains("iStatus = 1 WHERE cLoginId = 'case'"))
            return;
        inside = true;
        inst.exec("UPDATE ACCOUNT SET iStatus = 1 WHERE cLoginId = 'case'");
    });
    LoginFocus focus = LoginFocus::None;
    inst.messages.shown.clear();
    EXPECT_EQ(LoginAccount("case", "Secret", true, &focus), -1);
    EXPECT_TRUE(inside);
    EXPECT_EQ(inst.messages.shown.size(), 1u);
    inst.expectLastBox("このアカウントは現在ログイン中です", "ログインエラー", MsgIcon::Exclamation);
    EXPECT_EQ(focus, LoginFocus::UserId);
    EXPECT_EQ(state().gtLoginUser.LoginId, "o'neil");
    EXPECT_TRUE(inst.readText("loginuser.kvx").contains("[LoginId]=o'neil\r\n"));
}
