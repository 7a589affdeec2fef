// The launcher's state files: every reader on any bytes, and the log-in file round trip.
// Input: a first byte that picks the case, then
//  - readers (even): the bytes of every state file; each reader takes them without a
//    message, numbers stay in range, a backup date is a real date or empty;
//  - round trip (odd): the texts of a login user and the job codes, NUL between them; the
//    file gives back every text as written (a line end read as a blank, characters the code
//    page lacks as '?') and no other field, AreaSelect.ini gives back the login id, and a
//    file of texts without commas, quotes or line ends has exactly the plain lines.
#include "fuzzsupport.h"
#include "launcher/statefiles.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDate>

namespace
{

void readers(const QByteArray& bytes)
{
    const int boxes = fuzz::boxesShown();
    for (const char* name : {"ServerName.kvx", "DB.ini", "AreaSelect.ini", "loginuser.kvx", "QmapUser.ini",
                             "drive_c/KVX/utility/databackup.txt"})
        fuzz::writeFile(QString::fromLatin1(name), bytes);
    FUZZ_CHECK(!csGetDbPass().isEmpty() || bytes.contains("[DBPass]="), QString());
    (void)csGetDbServer();
    const short entries = iReadDbList();
    FUZZ_CHECK(entries >= 0 && size_t(entries) == state().gtDbList.size(), QString::number(entries));
    FUZZ_CHECK(entries <= fuzz::rawLines(bytes).size(), QString::number(entries));
    QString last;
    short index = 0, db = 0;
    (void)iReadAreaSelect(last, index, db);
    FUZZ_CHECK(iLoadLoginUser() == 1, QString());
    QString user, password;
    FUZZ_CHECK(iReadQmapUser(user, password) == 1, QString());
    const QString date = csGetBackupDate();
    FUZZ_CHECK(date.isEmpty() || QDate::fromString(date, QStringLiteral("yyyy/MM/dd")).isValid(), date);
    FUZZ_CHECK(fuzz::boxesShown() == boxes, QStringLiteral("a reader showed a message"));
}

// A text as the file gives it back.
QString asRead(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    return textfile::decode(textfile::encode(t));
}

bool plain(const QString& text)
{
    return !text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n');
}

void roundTrip(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = fuzz::split(data, size, 10);
    QStringList t;
    for (const QByteArray& p : parts)
        t << QString::fromUtf8(p);
    tLoginUser u;
    const auto number = [&](int i) { return short(qChecksum(parts[size_t(i)]) - 32768); };
    u.kyotenCd = number(0);
    u.kyotenEb = number(1);
    u.LoginId = t[2];
    u.LoginPass = t[3];
    u.Name = t[4];
    u.NameKana = t[5];
    u.AreaWord = t[6];
    u.AccessLevel = number(7);
    u.AccessName = t[8];
    u.Kubun = number(9);
    u.MakeDate = t[0];
    u.LoginDate = t[1];
    const QString jobs = t[10];
    state().gtLoginUser = u;
    FUZZ_CHECK(LoginFileMake(jobs) == 0, QString());

    const QString mask(u.LoginPass.toUcs4().size(), u'*');
    bool allPlain = true;
    for (const QString& s :
         {u.LoginId, u.Name, u.NameKana, u.AreaWord, u.AccessName, jobs, u.MakeDate, u.LoginDate})
        allPlain = allPlain && plain(s);
    if (allPlain) {
        const QString lines =
            QStringLiteral("[kyotenCd]=%1\r\n[kyotenEb]=%2\r\n[LoginId]=%3\r\n[LoginPass]=%4\r\n[Name]=%5\r\n"
                           "[NameKana]=%6\r\n[AreaWord]=%7\r\n[AccessLevel]=%8\r\n[AccessName]=%9\r\n")
                .arg(QString::number(u.kyotenCd), QString::number(u.kyotenEb), u.LoginId, mask, u.Name,
                     u.NameKana, u.AreaWord, QString::number(u.AccessLevel), u.AccessName) +
            QStringLiteral("[AccessJobNo]=") + jobs + QStringLiteral("\r\n[Kubun]=") +
            QString::number(u.Kubun) + QStringLiteral("\r\n[MakeDate]=") + u.MakeDate +
            QStringLiteral("\r\n[LoginDate]=") + u.LoginDate + QStringLiteral("\r\n");
        FUZZ_CHECK(fuzz::readFile(QStringLiteral("loginuser.kvx")) == textfile::encode(lines), lines);
    }

    FUZZ_CHECK(iLoadLoginUser() == 1, QString());
    const tLoginUser& r = state().gtLoginUser;
    FUZZ_CHECK(r.kyotenCd == u.kyotenCd && r.kyotenEb == u.kyotenEb && r.AccessLevel == u.AccessLevel &&
                   r.Kubun == u.Kubun,
               QStringLiteral("%1 %2 %3 %4").arg(r.kyotenCd).arg(r.kyotenEb).arg(r.AccessLevel).arg(r.Kubun));
    FUZZ_CHECK(r.LoginPass == mask, r.LoginPass);
    const std::pair<const QString*, const QString*> texts[] = {
        {&r.LoginId, &u.LoginId},       {&r.Name, &u.Name},
        {&r.NameKana, &u.NameKana},     {&r.AreaWord, &u.AreaWord},
        {&r.AccessName, &u.AccessName}, {&r.AccessJobNo, &jobs},
        {&r.MakeDate, &u.MakeDate},     {&r.LoginDate, &u.LoginDate}};
    for (const auto& [read, written] : texts)
        FUZZ_CHECK(*read == asRead(*written), *read + QStringLiteral(" <> ") + *written);

    const short cd = number(3), index = number(4), db = number(5);
    FUZZ_CHECK(iAreaSelMake(cd, index, db) == 0, QString());
    QString last;
    short readIndex = 0, readDb = 0;
    FUZZ_CHECK(iReadAreaSelect(last, readIndex, readDb) == cd && readIndex == index && readDb == db,
               QStringLiteral("%1 %2 %3").arg(cd).arg(index).arg(db));
    FUZZ_CHECK(last == asRead(r.LoginId.trimmed()), last);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    (void)fuzz::folder();
    resetState();
    if (size == 0)
        return 0;
    if (data[0] % 2 == 0)
        readers(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    else
        roundTrip(data + 1, size - 1);
    return 0;
}
