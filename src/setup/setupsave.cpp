#include "setup/setupsave.h"

#include "bases/basefiles.h"
#include "db/recipe.h"
#include "db/sqltext.h"
#include "platform/clock.h"
#include "platform/crashpoint.h"
#include "platform/messagebox.h"
#include "platform/namedlock.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "setup/setupjournal.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

const QString kCrLf = QStringLiteral("\r\n");

QString num(qint64 n)
{
    return QString::number(n);
}

// "     ,'value'" with the value's quotes doubled.
QString textValue(const QString& value)
{
    return QStringLiteral("     ,'") + sqlText(value) + QLatin1Char('\'');
}

const QString kEmpty = QStringLiteral("     ,''");
const QString kZero = QStringLiteral("     , 0");
const QString kNull = QStringLiteral("     , Null");
const QString kNow = QStringLiteral("     , GetDate()");

QString columnList(const QStringList& columns)
{
    QString sql;
    for (const QString& c : columns)
        sql += QStringLiteral("     ,") + c;
    return sql;
}

// The window stays responsive while the rows go in one by one; a look now and then is
// enough and costs nothing per row.
void keepResponsive(int row)
{
    if (row % 64 == 0 && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// Runs a statement; on failure shows the procedure's message. False on failure.
bool execReported(cT_ADODB& db, const QString& label, const QString& sql)
{
    if (db.iExecSQL(sql) == 0)
        return true;
    showDbError(label, db);
    return false;
}

// 1 when the query finds a row, 0 when not, -1 on failure (message shown).
int rowExists(cT_ADODB& db, const QString& label, const QString& sql)
{
    Recordset rs;
    if (db.iOpenRecSet(rs, sql) != 0) {
        showDbError(label, db);
        return -1;
    }
    const bool found = !rs.eof();
    rs.close();
    return found ? 1 : 0;
}

// The rows of a loop go in one by one, but are committed together: a commit per row would
// make the disk wait for every one of thousands of users. A failed statement may end the
// whole transaction with it (SQL Server does so on some errors, and a commit then keeps
// nothing), so after a failure, or a commit that fails, the group is rolled back and the
// rows that went in before are inserted again and committed: the rows saved before a
// failure stay on every engine. Nothing is held open while a message box waits.
class Grouped
{
public:
    explicit Grouped(cT_ADODB& db) : db_(db) { open_ = db_.iBeginTrans() == 0; }
    ~Grouped() { commit(); }
    bool exec(const QString& sql)
    {
        if (db_.iExecSQL(sql) != 0)
            return false;
        if (open_)
            done_ << sql;
        return true;
    }
    void commit()
    {
        if (open_ && db_.iCommitTrans() != 0)
            keepBeforeFailure();
        open_ = false;
        done_.clear();
    }
    void reopen()
    {
        if (!open_)
            open_ = db_.iBeginTrans() == 0;
    }
    // After a failed statement: the rows before it, committed; the connection's error text
    // stays the failure's.
    void keepBeforeFailure()
    {
        const QString failure = db_.sErrMsg;
        db_.iRollback();
        if (!done_.isEmpty() && db_.iBeginTrans() == 0) {
            bool replayed = true;
            for (const QString& sql : std::as_const(done_))
                replayed = replayed && db_.iExecSQL(sql) == 0;
            if (!replayed || db_.iCommitTrans() != 0)
                db_.iRollback();
        }
        open_ = false;
        done_.clear();
        db_.sErrMsg = failure;
    }

private:
    cT_ADODB& db_;
    bool open_ = false;
    QStringList done_;
};

QString yyyymmdd(const QDate& d)
{
    return d.toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

QString corpPostalCode(const QString& code)
{
    QString chars = code.trimmed();
    chars.remove(QLatin1Char('-'));
    static const QString format = QStringLiteral("&&&-&&&&");
    QString out;
    int next = int(chars.size()) - 1;
    for (int i = int(format.size()) - 1; i >= 0; --i) {
        if (format[i] == QLatin1Char('&')) {
            if (next >= 0)
                out.prepend(chars[next--]);
        } else {
            out.prepend(format[i]);
        }
    }
    // Characters beyond the placeholders stay in front, as the formatting keeps them.
    if (next >= 0)
        out.prepend(chars.left(next + 1));
    return out;
}

QString corpCheckSql(short cd, short eb)
{
    return QStringLiteral(" select nIDNo FROM CORP") + QStringLiteral(" where") +
           QStringLiteral("     iKyotenCd = ") + num(cd) + QStringLiteral(" and iKyotenEb = ") + num(eb);
}

QString corpInsertSql(const tSetupData& d, short cd, short eb)
{
    QString sql = QStringLiteral(" insert into ") + QStringLiteral("   CORP (") +
                  QStringLiteral("      iKyotenCd,") + QStringLiteral("      iKyotenEb,") +
                  QStringLiteral("      cAddress1");
    sql += columnList({"cAddress2",
                       "cAddressKana",
                       "cDaihyo",
                       "cDaihyoKana",
                       "cFaxNo",
                       "cKinyuName",
                       "cKinyuSiten",
                       "cKozaBangou",
                       "cKozaKana",
                       "cKozaMeigi1",
                       "cKozaMeigi2",
                       "cShamei1",
                       "cShamei2",
                       "cShameiKana1",
                       "cShameiKana2",
                       "cTelNo",
                       "cYubinNo",
                       "iKinSiten",
                       "iKinSyubetsu",
                       "iKozaKubun",
                       "iKozaType",
                       "iType",
                       "nIDNo",
                       "nLat",
                       "nLon",
                       "cPcName",
                       "tUpDateTime",
                       "cKinyuNo",
                       "cKinyuSitenNo",
                       "cJigyousyoNo",
                       "cJigyousyoNo2",
                       "cJigyouReceiptName",
                       "cMailDestination",
                       "cMailDestinationZipNo"});
    sql += QStringLiteral(" )values( ");
    sql += QStringLiteral("      '") + num(cd) + QStringLiteral("',");
    sql += QStringLiteral("      '") + num(eb) + QStringLiteral("',");
    sql += QStringLiteral("      '") + sqlText(d.address) + QStringLiteral("'");
    sql += kEmpty;                      // cAddress2
    sql += textValue(d.addressKana);    // cAddressKana
    sql += textValue(d.representative); // cDaihyo
    sql += kEmpty;                      // cDaihyoKana
    sql += textValue(d.fax);            // cFaxNo
    for (int i = 0; i < 6; ++i)         // cKinyuName .. cKozaMeigi2
        sql += kEmpty;
    sql += textValue(d.companyName); // cShamei1
    for (int i = 0; i < 3; ++i)      // cShamei2, cShameiKana1, cShameiKana2
        sql += kEmpty;
    sql += textValue(d.tel);                        // cTelNo
    sql += textValue(corpPostalCode(d.postalCode)); // cYubinNo
    for (int i = 0; i < 5; ++i)                     // iKinSiten .. iType
        sql += kZero;
    sql += QStringLiteral("     , 1"); // nIDNo
    sql += QStringLiteral("     , ") + num(d.latitude);
    sql += QStringLiteral("     , ") + num(d.longitude);
    sql += kEmpty; // cPcName
    sql += kNow;   // tUpDateTime
    for (int i = 0; i < 7; ++i)
        sql += kEmpty;
    sql += QStringLiteral(" ) ");
    return sql;
}

QString corpSubCheckSql(short cd, short eb)
{
    return QStringLiteral(" select * FROM CORP_SUB") + QStringLiteral(" where") +
           QStringLiteral("     iKyotenCd = ") + num(cd) + QStringLiteral(" and iKyotenEb = ") + num(eb);
}

QString corpSubInsertSql(const tSetupData& d, short cd, short eb)
{
    // The defaults up to iSaiDouiSet are listed with a trailing comma, the rest with a
    // leading one.
    static const QStringList head{
        "iKyotenCd",         "iKyotenEb",           "iClosingMonth",     "nDairiID_Def",
        "nTantou_Def",       "nAddress_Def",        "tHatsubyou_Def",    "cGeninKeika_Def",
        "iSeiKyuKubun_Def",  "iJikofutanKubun_Def", "cSetaiTsuzuki_Def", "iRoujinInp_Def",
        "cDouiByoumei1_Def", "cDouiByoumei2_Def",   "iDouiKaryoSet",     "iSaiDouiSet"};
    QStringList tail{"tUpDateTime", "iDouiUpdatePermitDay"};
    for (const char* suffix : {"", "Total", "1Part", "2Part", "3Part", "4Part"}) {
        for (const char* ratio : {"nRtion10Per", "nRtion20Per", "nRtion30Per", "nRtionOther"})
            tail << QLatin1String(ratio) + QLatin1String(suffix);
    }
    tail << QStringList{"iReseptFixedDay",     "iChargeFixedDay",   "iConsentFixedDay",
                        "iRyousyuuType",       "iHenkei",           "iRangeTruncatedType",
                        "iDispKingakuJisseki", "iRootJiyuuCalc",    "iHenreiHokenSeikyu",
                        "iDistanceUnit",       "iReseptFixedMonth", "iChargeFixedMonth",
                        "iConsentFixedMonth",  "iDouiHogo",         "iCalcDistanceMethod"};

    QString sql = QStringLiteral(" insert into ") + QStringLiteral("   CORP_SUB (");
    for (qsizetype i = 0; i < head.size(); ++i)
        sql += QStringLiteral("      ") + head[i] + (i + 1 < head.size() ? QStringLiteral(",") : QString());
    sql += columnList(tail);
    sql += QStringLiteral(" )values( ");
    sql += QStringLiteral("      '") + num(cd) + QStringLiteral("',");
    sql += QStringLiteral("      '") + num(eb) + QStringLiteral("',");
    for (const char* v : {"3", "-1", "-1", "1", "不詳", "不詳", "1", "4", "本人", "", "上記傷病名に同じ",
                          "上記傷病名に同じ", "1"})
        sql += QStringLiteral("      '") + QString::fromUtf8(v) + QStringLiteral("',");
    sql += QStringLiteral("      '1'"); // iSaiDouiSet
    sql += kNow;
    sql += QStringLiteral("     ,'1'"); // iDouiUpdatePermitDay
    for (int i = 0; i < 24; ++i)
        sql += kEmpty;
    const auto value = [](short v) { return QStringLiteral("     ,'") + num(v) + QLatin1Char('\''); };
    sql += value(d.iReseptFixedDay) + value(d.iChargeFixedDay) + value(d.iConsentFixedDay);
    sql += QStringLiteral("     ,'0'"); // iRyousyuuType
    sql += value(d.iHenkei);
    for (int i = 0; i < 5; ++i)
        sql += QStringLiteral("     ,'1'");
    sql += value(d.iReseptFixedMonth) + value(d.iChargeFixedMonth) + value(d.iConsentFixedMonth);
    sql += QStringLiteral("     ,'1'"); // iDouiHogo
    sql += QStringLiteral("     ,'0'"); // iCalcDistanceMethod
    sql += QStringLiteral(" ) ");
    return sql;
}

namespace
{
// The duplicate check of the practitioner and user lists: the same statement on each table.
QString memberCheckSql(const QString& table, short cd, short eb, qint64 id)
{
    return QStringLiteral(" select nIDNo FROM ") + table + QStringLiteral(" where") +
           QStringLiteral("     iKyotenCd = ") + num(cd) + QStringLiteral(" and iKyotenEb = ") + num(eb) +
           QStringLiteral(" and nIDNo = ") + num(id);
}
} // namespace

QString staffCheckSql(short cd, short eb, qint64 id)
{
    return memberCheckSql(QStringLiteral("STAFF"), cd, eb, id);
}

QString staffInsertSql(short cd, short eb, qint64 id, const QString& name)
{
    static const QString head = [] {
        return QStringLiteral(" insert into ") + QStringLiteral("   STAFF (") +
               QStringLiteral("      iKyotenCd") +
               columnList({"iKyotenEb",   "cAdress1",   "cAdress2",      "cFaxNo",         "cKaiNo",
                           "cKaiNo2",     "cKaiNo3",    "cMobNo",        "cName",          "cNameKana",
                           "cNameRyaku",  "cRken",      "cRno",          "cTelNo",         "cYubinNo",
                           "iChusiFlg",   "iSexKubun",  "iShikakuKubun", "iSyokushuKubun", "iYaku",
                           "nIDNo",       "cEmail",     "iTecAbi",       "iSpeechAbi",     "cPhysical",
                           "iClaimRate",  "cSikaku",    "cTourokuNo",    "cSmileCd",       "tBirthday",
                           "tKousinDay",  "tNyusyaDay", "tRday",         "tTourokuDay",    "cPcName",
                           "tUpDateTime", "cTourokuNo2"}) +
               QStringLiteral(" )values( ");
    }();
    QString sql = head + QStringLiteral("       ") + num(cd) + QStringLiteral("     , ") + num(eb);
    for (int i = 0; i < 7; ++i) // cAdress1 .. cMobNo
        sql += kEmpty;
    sql += textValue(name);
    for (int i = 0; i < 6; ++i) // cNameKana .. cYubinNo
        sql += kEmpty;
    for (int i = 0; i < 5; ++i) // iChusiFlg .. iYaku
        sql += kZero;
    sql += QStringLiteral("     , ") + num(id);
    sql += kEmpty;                   // cEmail
    sql += kZero + kZero;            // iTecAbi, iSpeechAbi
    sql += kEmpty;                   // cPhysical
    sql += kZero;                    // iClaimRate
    sql += kEmpty + kEmpty + kEmpty; // cSikaku, cTourokuNo, cSmileCd
    for (int i = 0; i < 5; ++i)      // tBirthday .. tTourokuDay
        sql += kNull;
    sql += kEmpty; // cPcName
    sql += kNow;
    sql += kEmpty; // cTourokuNo2
    sql += QStringLiteral(" ) ");
    return sql;
}

QString riyoushaCheckSql(short cd, short eb, qint64 storedId)
{
    return memberCheckSql(QStringLiteral("RIYOUSHA"), cd, eb, storedId);
}

QString riyoushaInsertSql(short cd, short eb, qint64 storedId, const QString& name)
{
    static const QStringList before{"cAddressKana",
                                    "cAdress1",
                                    "cAdress2",
                                    "cBikou",
                                    "cByoumei",
                                    "cCareManager",
                                    "cCareManagerTel",
                                    "cCityNo",
                                    "cComment",
                                    "cDairiName",
                                    "cDouiByoumei1",
                                    "cDouiByoumei2",
                                    "cDouiIsiAdd1",
                                    "cDouiIsiAdd2",
                                    "cDouiIsiKikan1",
                                    "cDouiIsiKikan2",
                                    "cDouiIsiName1",
                                    "cDouiIsiName2",
                                    "cFaxNo",
                                    "cFutanNo",
                                    "cGeninKeika",
                                    "cHihoNo1",
                                    "cHihoNo2",
                                    "cHKSyobyouName",
                                    "cHokenJname",
                                    "cHokenJname2",
                                    "cHokenKigouNo",
                                    "cHokenKigouNo2",
                                    "cHokenNo",
                                    "cHokenNo2",
                                    "cHTIryoAdd",
                                    "cHTIryoName",
                                    "cHTIryoYubin",
                                    "cHTno",
                                    "cHTRiyuu",
                                    "cJukyuNo",
                                    "cKaigoHiHoNo",
                                    "cKaigoHokenNo",
                                    "ckaigoJigyosyoTantou",
                                    "ckaigoKeikaku",
                                    "cKinkyuRenraku1",
                                    "cKinkyuRenraku2",
                                    "cKinkyuRenrakuTel1",
                                    "cKinkyuRenrakuTel2",
                                    "cKinName",
                                    "cKinSiten",
                                    "cKozaKana",
                                    "cKozaName",
                                    "cKozaNo",
                                    "cMobNo"};
    static const QStringList after{"cNameKana",       "cNameRyaku",    "cSetaiAddKana", "cSetaiAdress1",
                                   "cSetaiAdress2",   "cSetaiFaxNo",   "cSetaiKana",    "cSetaiKinmuAdr",
                                   "cSetaiKinmusaki", "cSetaiMobNo",   "cSetaiName",    "cSetaiTelNo",
                                   "cSetaiTsuzuki",   "cSetaiYubinNo", "cSinseiAdd",    "cSinseiAtena",
                                   "cSinseiName",     "cSinseiTel",    "cSinseiYubin",  "cSyogaiFname",
                                   "cSyogaiJu",       "cSyoukaiName",  "cSyoumeiAdd",   "cSyoumeiName",
                                   "cSyoumeiTel",     "cSyoumeiYubin", "cTekiyou",      "cTelNo",
                                   "cYotei",          "cYubinNo",      "cPcName"};
    static const QStringList last{"cBikou02",
                                  "iRoomAnbunUmu",
                                  "iHokouType",
                                  "cSinseiAtenaJosei",
                                  "cSinseiAtenaKeisyou",
                                  "cSinseiAtenaJoseiKeisyou",
                                  "cYubinNo2",
                                  "cYubinNo3"};
    static const QString head = [] {
        return QStringLiteral(" insert into ") + QStringLiteral("   RIYOUSHA (") +
               QStringLiteral("      iKyotenCd") + columnList({"iKyotenEb", "nIDNo"}) + columnList(before) +
               columnList({"cName"}) + columnList(after) + columnList({"tUpDateTime"}) + columnList(last) +
               QStringLiteral(" )values( ");
    }();
    static const QString emptyBefore = kEmpty.repeated(before.size());
    static const QString emptyAfter = kEmpty.repeated(after.size());
    static const QString emptyLast = kEmpty.repeated(last.size());
    return head + QStringLiteral("       ") + num(cd) + QStringLiteral("     , ") + num(eb) +
           QStringLiteral("     , ") + num(storedId) + emptyBefore + textValue(name) + emptyAfter + kNow +
           emptyLast + QStringLiteral(" ) ");
}

QString holidayDeleteSql(int year, short cd, short eb)
{
    // The whole year, first and last day included, so a second save finds no row left of
    // the days it inserts again.
    return QStringLiteral(" delete from ") + QStringLiteral("    ") + QStringLiteral("HOLIDAY") +
           QStringLiteral(" where ") + QStringLiteral("        nDate >= ") + yyyymmdd(QDate(year, 1, 1)) +
           QStringLiteral(" and    nDate <= ") + yyyymmdd(QDate(year, 12, 31)) +
           QStringLiteral(" and iKyotenCd = ") + num(cd) + QStringLiteral(" and iKyotenEb = ") + num(eb);
}

QString holidayInsertSql(short cd, short eb, const QDate& day)
{
    return QStringLiteral(" insert into ") + QStringLiteral("   ") + QStringLiteral("HOLIDAY") +
           QStringLiteral(" (") + QStringLiteral("      iKyotenCd") + QStringLiteral("     ,iKyotenEb") +
           QStringLiteral("     ,nDate") + QStringLiteral("     ,iYear") + QStringLiteral("     ,iMonth") +
           QStringLiteral("     ,iDay") + QStringLiteral(" )values( ") + QStringLiteral("       ") + num(cd) +
           QStringLiteral("     , ") + num(eb) + QStringLiteral("     ,") + yyyymmdd(day) +
           QStringLiteral("     ,") + day.toString(QStringLiteral("yyyy")) + QStringLiteral("     ,") +
           day.toString(QStringLiteral("MM")) + QStringLiteral("     ,") +
           day.toString(QStringLiteral("dd")) + QStringLiteral(" ) ");
}

QList<QDate> holidays(int year, short rule)
{
    QList<QDate> days;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1)) {
        // Sunday 1 .. Saturday 7.
        const int weekday = d.dayOfWeek() % 7 + 1;
        if ((rule == 1 && (weekday == 1 || weekday == 7)) || (rule == 2 && weekday == 7) ||
            (rule == 3 && weekday == 1))
            days << d;
    }
    return days;
}

namespace
{

// A save run again after a crash cut it short: rows of the base already stored are that
// save's own, taken as saved without a word.
bool gResuming = false;

} // namespace

int iDataSaveCorp()
{
    static const QString label = QStringLiteral("iDataSaveCorp() でエラー");
    const tKyoten& k = state().gtKyoten;
    auto db = openConnection(label);
    if (!db)
        return -1;
    const int found = rowExists(*db, label, corpCheckSql(k.iKyotenCd, k.iKyotenEb));
    if (found != 0) {
        db->iDisConnect();
        if (found == 1 && gResuming)
            return 0;
        if (found == 1)
            platform::msgBox(QStringLiteral("既に往療起点の情報は登録されています。"),
                             QStringLiteral("往療起点登録エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
        return -1;
    }
    const bool ok = execReported(*db, label, corpInsertSql(state().gtSetupData, k.iKyotenCd, k.iKyotenEb));
    db->iDisConnect();
    return ok ? 0 : -1;
}

int iDataSaveCorpSub()
{
    static const QString label = QStringLiteral("iDataSaveCorpSub() でエラー");
    const tKyoten& k = state().gtKyoten;
    auto db = openConnection(label);
    if (!db)
        return -1;
    const int found = rowExists(*db, label, corpSubCheckSql(k.iKyotenCd, k.iKyotenEb));
    bool ok = found == 1;
    if (found == 0)
        ok = execReported(*db, label, corpSubInsertSql(state().gtSetupData, k.iKyotenCd, k.iKyotenEb));
    db->iDisConnect();
    return ok ? 0 : -1;
}

namespace
{

// The practitioner and user loops: each entry checked, reported and skipped when its code
// is stored already, otherwise inserted. A failed statement ends the loop.
int saveMembers(const QString& label, const std::vector<tSetupEntry>& entries, qint32 count, int factor,
                QString (*check)(short, short, qint64),
                QString (*insert)(short, short, qint64, const QString&), const QString& duplicate,
                const QString& who, const QString& suffix, const QString& title, const char* step)
{
    const tKyoten& k = state().gtKyoten;
    auto db = openConnection(label);
    if (!db)
        return -1;
    const size_t n = std::min(entries.size(), size_t(std::max(count, 0)));
    Grouped group(*db);
    const auto failed = [&] {
        group.keepBeforeFailure();
        showDbError(label, *db);
        db->iDisConnect();
        return -1;
    };
    for (size_t i = 0; i < n; ++i) {
        const tSetupEntry& e = entries[i];
        const qint64 code = qint64(e.ID);
        const qint64 stored = code * factor;
        Recordset rs;
        if (db->iOpenRecSet(rs, check(k.iKyotenCd, k.iKyotenEb, stored)) != 0)
            return failed();
        const bool found = !rs.eof();
        rs.close();
        if (found && gResuming)
            continue;
        if (found) {
            group.commit();
            platform::msgBox(duplicate + kCrLf + kCrLf + who + num(code) + suffix + e.name + kCrLf + kCrLf +
                                 QStringLiteral("このデータは登録されません。"),
                             title, MsgIcon::Exclamation, MsgButtons::Ok);
            group.reopen();
            continue;
        }
        if (!group.exec(insert(k.iKyotenCd, k.iKyotenEb, stored, e.name)))
            return failed();
        platform::crashPoint(step);
        keepResponsive(int(i));
    }
    group.commit();
    db->iDisConnect();
    return 0;
}

} // namespace

int iDataSaveStaff()
{
    const tSetupData& d = state().gtSetupData;
    return saveMembers(QStringLiteral("iDataSaveStaff() でエラー"), d.staff, d.staffCount, 1, staffCheckSql,
                       staffInsertSql, QStringLiteral("既に同じ施術者IDのデータが存在します。"),
                       QStringLiteral("・施術者 "), QStringLiteral("："),
                       QStringLiteral("施術者ID重複エラー"), "save.staff.row");
}

int iDataSaveRiyousha()
{
    const tSetupData& d = state().gtSetupData;
    return saveMembers(QStringLiteral("iDataSaveRiyousha() でエラー"), d.users, d.userCount, 100,
                       riyoushaCheckSql, riyoushaInsertSql,
                       QStringLiteral("既に同じ利用者IDのデータが存在します。"), QStringLiteral("・利用者 "),
                       QStringLiteral("00："), QStringLiteral("利用者ID重複エラー"), "save.riyousha.row");
}

namespace
{

short saveHolidays(int year)
{
    static const QString label = QStringLiteral("iDataCallenderCorp() でエラー");
    const tKyoten& k = state().gtKyoten;
    auto db = openConnection(label);
    if (!db)
        return -1;
    if (!execReported(*db, label, holidayDeleteSql(year, k.iKyotenCd, k.iKyotenEb))) {
        db->iDisConnect();
        return -1;
    }
    int row = 0;
    Grouped group(*db);
    for (const QDate& day : holidays(year, state().gtSetupData.holidayRule)) {
        if (!group.exec(holidayInsertSql(k.iKyotenCd, k.iKyotenEb, day))) {
            group.keepBeforeFailure();
            showDbError(label, *db);
            db->iDisConnect();
            return -1;
        }
        platform::crashPoint("save.holiday.row");
        keepResponsive(row++);
    }
    group.commit();
    db->iDisConnect();
    return 0;
}

} // namespace

short iDataCallenderCorp()
{
    return saveHolidays(platform::clock().today().year());
}

namespace
{

void writeIniKey(const QString& file, const QString& section, const QString& key, const QString& value)
{
    clsOplIniFile ini;
    ini.iInit(file); // a missing file is made by the write
    if (ini.iWriteProfileString(section, key, value) != 1)
        platform::msgBox(QStringLiteral("Error:") + ini.csErrMsg(), QString(), MsgIcon::Critical,
                         MsgButtons::Ok);
}

} // namespace

void vSetIniFile_Riyousha(short iHenkeiFlg)
{
    // The base's own data folder: SYSTEM_DATA of its settings file, which the suite copies
    // over Massage.ini when the base is opened.
    const tKyoten& k = state().gtKyoten;
    clsOplIniFile settings;
    QString data;
    if (settings.iInit(bases::settingsFile(k.iKyotenCd, k.iKyotenEb)) == 0)
        data = settings.csGetProfileString(QStringLiteral("PATH"), QStringLiteral("SYSTEM_DATA"));
    const QString folder =
        data.isEmpty() ? bases::dataFolder(k.iKyotenCd, k.iKyotenEb) : platform::gsAppPath() + data;
    const QString file = folder + QStringLiteral("\\患者管理設定.ini");
    const QString value = num(iHenkeiFlg);
    for (const char* key : {"変形徒手での運用有無", "変形徒手等施術期間", "変形マッサ変更"})
        writeIniKey(file, QStringLiteral("施術期間"), QString::fromUtf8(key), value);
}

void vSetIniFile_QMAP(short iJissekiType)
{
    writeIniKey(platform::gsAppPath() + QStringLiteral("\\QmapUser.ini"), QStringLiteral("実績管理"),
                QStringLiteral("実績運用タイプ"), num(iJissekiType));
}

bool writeTutorialMarker()
{
    const QString path = platform::nativePath(platform::gsAppPath() + QStringLiteral("\\Tutorial.kvx"));
    QFile::remove(path);
    return textfile::write(path, QStringLiteral("[tutorial]= 1\r\n"));
}

namespace
{

// The save's steps in order; those with a title ask whether to go on when they fail.
struct SaveStep {
    const char* name;
    int (*run)(const tSetupJournal&);
    const char* title;
};
const SaveStep kSaveSteps[] = {
    {"corp", [](const tSetupJournal&) { return iDataSaveCorp(); }, "往療拠点登録エラー"},
    {"corpsub", [](const tSetupJournal&) { return iDataSaveCorpSub(); }, "会社補助情報登録エラー"},
    {"staff", [](const tSetupJournal&) { return iDataSaveStaff(); }, "施術者登録エラー"},
    {"riyousha", [](const tSetupJournal&) { return iDataSaveRiyousha(); }, "利用者登録エラー"},
    {"holiday", [](const tSetupJournal& j) { return int(saveHolidays(j.year)); }, "カレンダ登録エラー"},
    {"riyoushaIni",
     [](const tSetupJournal& j) {
         vSetIniFile_Riyousha(j.data.iHenkei);
         return 0;
     },
     nullptr},
    {"qmap",
     [](const tSetupJournal& j) {
         vSetIniFile_QMAP(j.data.recordKeeping);
         return 0;
     },
     nullptr},
};

// The lock a saving launcher holds, so that another one of this machine does not offer to
// finish the save meanwhile.
QString saveLockName()
{
    return platform::lockNameOfFile(setupJournalPath());
}

// Runs the steps; the journal goes once the save has ended. False when the user stopped it.
bool runSaveSteps(const tSetupJournal& journal)
{
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    for (const SaveStep& step : kSaveSteps) {
        const int result = step.run(journal);
        platform::crashPoint((QByteArrayLiteral("save.") + step.name).constData());
        if (result != 0 && step.title) {
            if (gui)
                QGuiApplication::restoreOverrideCursor();
            if (platform::msgBox(QStringLiteral("このまま処理を継続しますか？"),
                                 QString::fromUtf8(step.title), MsgIcon::Question,
                                 MsgButtons::YesNo) != MsgAnswer::Yes)
                return false;
            if (gui)
                QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
    removeSetupJournal();
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    return true;
}

} // namespace

bool saveSetupData()
{
    const platform::NamedLock saving(saveLockName(), platform::NamedLock::Wait::No);
    const tSetupJournal journal{state().gtKyoten, platform::clock().today().year(), state().gtSetupData};
    // Without its record the save still runs; only a crash could not be finished later.
    writeSetupJournal(journal);
    platform::crashPoint("save.journal");
    if (!runSaveSteps(journal))
        return false;
    state().giDialogResult = 1;
    return true;
}

bool setupSaveRunning()
{
    return platform::NamedLock(saveLockName(), platform::NamedLock::Wait::No).busy();
}

bool finishSetupSave()
{
    tSetupJournal journal;
    if (!readSetupJournal(&journal))
        return false;
    const platform::NamedLock saving(saveLockName(), platform::NamedLock::Wait::No);
    if (saving.busy())
        return false;
    State& st = state();
    const tKyoten kyoten = st.gtKyoten;
    const tSetupData data = st.gtSetupData;
    st.gtKyoten = journal.base;
    st.gtSetupData = journal.data;
    gResuming = true;
    const bool finished = runSaveSteps(journal);
    gResuming = false;
    st.gtKyoten = kyoten;
    st.gtSetupData = data;
    return finished;
}
