#include "db/sqltext.h"
#include "installation.h"
#include "launcher/login.h"
#include "launcher/statefiles.h"
#include "state/state.h"

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
    const char* accounts[] = {"'stop', 'pw', 5, 0, 0",   "'case', 'Secret', 5, 1, 0",
                              "'lock5', 'pw', 5, 1, 9",  "'lock10', 'pw', 10, 1, 9",
                              "'busy', 'pw', 5, 1, 1",   "'nolevel', 'pw', 7, 1, 0",
                              "'o''neil', 'pw', 5, 1, 0"};
    for (const char* values : accounts)
        inst.exec(QStringLiteral(
                      "INSERT INTO ACCOUNT (cLoginId, cLoginPass, iAccessLevel, iKubun, iStatus, iKyotenCd, "
                      "iKyotenEb, cName, cNameKana, cAreaWord, tMakeDate, tLoginDate) VALUES (") +
                  values +
                  ", 13, 1, ' 山田 ', 'ﾔﾏﾀﾞ', '1301', '2024-01-01 00:00:00.000', '2024-01-30 18:05:00.000')");
}

} // namespace

TEST(Login, RefusalsInOrder)
{
    TestInstallation inst;
    prepareAccounts(inst);
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
    const QString unknown = QStringLiteral("ログインエラー|ユーザーアカウントが登録されていません。|1|0");
    EXPECT_EQ(refusal("nobody", "pw"), unknown);
    EXPECT_EQ(refusal("x' OR 'a'='a", "pw"), unknown);
    EXPECT_EQ(refusal("stop", "pw"),
              "ログインエラー|このアカウントは利用停止中のため、ログインできません。|1|1");
    EXPECT_EQ(refusal("case", "secret"), "パスワードエラー|パスワードが違います。|1|2");
    EXPECT_EQ(refusal("lock5", "pw"), "ログインエラー|現在システムにログインする事はできません。|2|1");
    EXPECT_EQ(refusal("busy", "pw", true), "ログインエラー|このアカウントは現在ログイン中です|2|1");
    EXPECT_EQ(refusal("nolevel", "pw"), "ログインエラー|アクセス権限の取得でエラーが発生しました。|1|0");
    EXPECT_FALSE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(statusOf(inst, "busy") + statusOf(inst, "nolevel"), QStringLiteral("10"));
}

TEST(Login, SuccessMarksTheAccountAndLogoutReverts)
{
    TestInstallation inst;
    prepareAccounts(inst);
    LoginFocus focus = LoginFocus::Password;
    ASSERT_EQ(LoginAccount("busy", "pw", false, &focus), 1);
    EXPECT_EQ(focus, LoginFocus::None);
    const tLoginUser& u = state().gtLoginUser;
    EXPECT_EQ(u.Name + "|" + u.AccessName + "|" + u.AccessJobNo + "|" + u.MakeDate + "|" + u.LoginDate,
              QStringLiteral("山田|スタッフ|101|45292|2024/01/30 18:05:00"));
    EXPECT_EQ(u.kyotenCd, 13);
    EXPECT_EQ(statusOf(inst, "busy"), QStringLiteral("1"));
    EXPECT_EQ(inst.scalar("SELECT tLoginDate FROM ACCOUNT WHERE cLoginId = 'busy'"),
              QStringLiteral("2024/01/31 9:00:00"));
    const QString file = inst.readText("loginuser.kvx");
    EXPECT_TRUE(file.contains("\r\n[LoginPass]=**\r\n") && file.contains("\r\n[AccessJobNo]=101\r\n"));

    // A locked account gets in at the administrator level; an apostrophe in an id is kept.
    ASSERT_EQ(LoginAccount("lock10", "pw", true, &focus), 1);
    ASSERT_EQ(LoginAccount("o'neil", "pw", true, &focus), 1);
    EXPECT_EQ(u.LoginId, QStringLiteral("o'neil"));
    EXPECT_EQ(statusOf(inst, "lock10") + statusOf(inst, "o'neil"), QStringLiteral("11"));

    inst.clock.current = QDateTime(QDate(2024, 2, 1), QTime(17, 30, 0));
    EXPECT_EQ(iAccountLogout("o'neil", 0), 0);
    EXPECT_EQ(iAccountLogout("lock5", 0), 0);
    EXPECT_EQ(statusOf(inst, "o'neil") + statusOf(inst, "lock5"), QStringLiteral("09"));
    EXPECT_EQ(inst.scalar("SELECT tLoginDate FROM ACCOUNT WHERE cLoginId = 'o''neil'"),
              QStringLiteral("2024/02/01 17:30:00"));
    EXPECT_TRUE(inst.messages.shown.empty());

    // Without adodb.ini both name the procedure.
    QFile::remove(inst.file("adodb.ini"));
    EXPECT_EQ(LoginAccount("busy", "pw", false, nullptr), -1);
    EXPECT_EQ(iAccountLogout("busy", 0), -1);
    ASSERT_EQ(inst.messages.shown.size(), 2u);
    for (const ShownMessage& m : inst.messages.shown)
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("btnOk_Click() でエラー\r\n")) &&
                    m.icon == MsgIcon::Critical);
}
