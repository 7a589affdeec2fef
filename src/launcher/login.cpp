#include "launcher/login.h"

#include "db/recipe.h"
#include "db/sqltext.h"
#include "launcher/statefiles.h"
#include "platform/messagebox.h"
#include "settings/conversions.h"
#include "state/state.h"

#include <QDate>
#include <exception>

using platform::MsgIcon;

namespace
{

const QString kLiteral = QStringLiteral("btnOk_Click() でエラー");
const QString kLoginError = QStringLiteral("ログインエラー");

// The suite keeps the creation date as its whole day number (days since 1899-12-30).
QString dayNumber(const FieldValue& value)
{
    if (value.isNull())
        return QStringLiteral("0");
    const QDateTime when = value.toDateTime();
    if (!when.isValid())
        return QStringLiteral("0");
    return QString::number(QDate(1899, 12, 30).daysTo(when.date()));
}

short refuse(const QString& text, const QString& title, MsgIcon icon, LoginFocus where, LoginFocus* focus)
{
    platform::msgBox(text, title, icon);
    if (focus)
        *focus = where;
    return -1;
}

short loginAccount(const QString& loginId, const QString& password, bool doubleLoginControl,
                   LoginFocus* focus)
{
    std::unique_ptr<cT_ADODB> db = openConnection(kLiteral);
    if (!db)
        return -1;

    const QString select =
        QStringLiteral(
            "SELECT DISTINCT ACCOUNT.iKyotenCd, ACCOUNT.iKyotenEb, ACCOUNT.cLoginId, ACCOUNT.cLoginPass, "
            "ACCOUNT.cName, ACCOUNT.cNameKana, ACCOUNT.cAreaWord, ACCOUNT.iAccessLevel, ACCOUNT.iKubun, "
            "ACCOUNT.tMakeDate, ACCOUNT.tLoginDate, ACCOUNT.iStatus, ACCESS_LEVEL.cJobName FROM ACCOUNT "
            "LEFT JOIN ACCESS_LEVEL ON ACCOUNT.iAccessLevel = ACCESS_LEVEL.iAccessLevel WHERE cLoginId = '") +
        sqlText(loginId) + QLatin1Char('\'');
    Recordset rs;
    if (db->iOpenRecSet(rs, select, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText) != 0) {
        db->iDisConnect();
        platform::msgBox(QStringLiteral("ユーザーアカウントの認証に失敗しました。"), QString(),
                         MsgIcon::Exclamation);
        return -1;
    }
    if (rs.eof()) {
        rs.close();
        db->iDisConnect();
        platform::msgBox(QStringLiteral("ユーザーアカウントが登録されていません。"), kLoginError,
                         MsgIcon::Critical);
        return -1;
    }

    // The account is read into a record of its own: the signed-in account (or nobody) stays
    // signed in until every check has passed and the account is marked logged in.
    tLoginUser u;
    u.kyotenCd = fieldShort(rs, "iKyotenCd");
    u.kyotenEb = fieldShort(rs, "iKyotenEb");
    u.LoginId = fieldText(rs, "cLoginId");
    u.LoginPass = fieldText(rs, "cLoginPass");
    u.Name = fieldText(rs, "cName");
    u.NameKana = fieldText(rs, "cNameKana");
    u.AreaWord = fieldText(rs, "cAreaWord");
    u.AccessLevel = fieldShort(rs, "iAccessLevel");
    u.AccessName = fieldText(rs, "cJobName");
    u.AccessJobNo.clear();
    u.Kubun = fieldShort(rs, "iKubun");
    u.MakeDate = dayNumber(rs.field(QStringLiteral("tMakeDate")));
    // The record keeps the previous login time; the update below sets the new one.
    u.LoginDate = csNullToStr(rs.field(QStringLiteral("tLoginDate")));
    const short status = fieldShort(rs, "iStatus");
    rs.close();

    if (u.Kubun == 0) {
        db->iDisConnect();
        return refuse(QStringLiteral("このアカウントは利用停止中のため、ログインできません。"), kLoginError,
                      MsgIcon::Critical, LoginFocus::UserId, focus);
    }
    if (password != u.LoginPass) {
        db->iDisConnect();
        return refuse(QStringLiteral("パスワードが違います。"), QStringLiteral("パスワードエラー"),
                      MsgIcon::Critical, LoginFocus::Password, focus);
    }
    if (status == 9 && u.AccessLevel != 10) {
        db->iDisConnect();
        return refuse(QStringLiteral("現在システムにログインする事はできません。"), kLoginError,
                      MsgIcon::Exclamation, LoginFocus::UserId, focus);
    }
    if (doubleLoginControl && status != 0 && u.AccessLevel != 10) {
        db->iDisConnect();
        return refuse(QStringLiteral("このアカウントは現在ログイン中です"), kLoginError, MsgIcon::Exclamation,
                      LoginFocus::UserId, focus);
    }

    const QString jobs = QStringLiteral(" SELECT  ") + QStringLiteral("      iJobFlg  ") +
                         QStringLiteral("     ,iJobCode ") + QStringLiteral(" FROM ACCESS_LEVEL WHERE") +
                         QStringLiteral("      iAccessLevel = '") + QString::number(u.AccessLevel) +
                         QStringLiteral("'") + QStringLiteral(" ORDER BY iJobCode");
    Recordset jobRs;
    if (db->iOpenRecSet(jobRs, jobs, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText) != 0) {
        showDbError(kLiteral, *db);
        db->iDisConnect();
        return -1;
    }
    if (jobRs.eof()) {
        jobRs.close();
        db->iDisConnect();
        platform::msgBox(QStringLiteral("アクセス権限の取得でエラーが発生しました。"), kLoginError,
                         MsgIcon::Critical);
        return -1;
    }
    QString jobCodes;
    for (; !jobRs.eof(); jobRs.moveNext())
        jobCodes += QString::number(nNullToLong(jobRs.field(QStringLiteral("iJobFlg"))));
    jobRs.close();
    u.AccessJobNo = jobCodes;

    // With double-login control the update itself decides who gets the account: only a
    // row still logged out is taken, so two launchers can never both win it.
    const bool exclusive = doubleLoginControl && u.AccessLevel != 10;
    QString update = QStringLiteral(" UPDATE ") + QStringLiteral("      ACCOUNT") + QStringLiteral(" SET ") +
                     QStringLiteral("      tLoginDate = GETDATE()") + QStringLiteral("     ,iStatus = 1") +
                     QStringLiteral(" WHERE") + QStringLiteral(" cLoginId = '") + sqlText(loginId) +
                     QStringLiteral("'");
    if (exclusive)
        update += QStringLiteral(" AND iStatus = 0");
    long updated = 0;
    if (db->iExecSQL(update, &updated) != 0) {
        showDbError(kLiteral, *db);
        db->iDisConnect();
        return -1;
    }
    db->iDisConnect();
    if (exclusive && updated == 0)
        return refuse(QStringLiteral("このアカウントは現在ログイン中です"), kLoginError, MsgIcon::Exclamation,
                      LoginFocus::UserId, focus);

    tLoginUser previous = state().gtLoginUser;
    state().gtLoginUser = u;
    if (LoginFileMake(u.AccessJobNo) == -1) {
        // Without its login file the account is not logged in: the previous account stays,
        // and the account goes back to the status it had.
        state().gtLoginUser = std::move(previous);
        iAccountLogout(loginId, status);
        return -1;
    }
    return 1;
}

} // namespace

short LoginAccount(const QString& loginId, const QString& password, bool doubleLoginControl,
                   LoginFocus* focus)
{
    if (focus)
        *focus = LoginFocus::None;
    try {
        return loginAccount(loginId, password, doubleLoginControl, focus);
    } catch (const std::exception&) {
        platform::msgBox(QStringLiteral("ユーザーアカウントの読込みに失敗しました。"), QString(),
                         MsgIcon::Exclamation);
        return -1;
    }
}
