// The launcher's state files. An even first byte: the rest is every state file; each reader
// takes it without a message, numbers in range, a backup date real or empty. Odd: the texts
// of a login user and the job codes, NUL between them; the file gives every text back (a line
// end as a blank, characters CP932 lacks as '?'), texts without commas, quotes or line ends as
// the plain lines, and AreaSelect.ini gives back the login id.
#include "fuzzsupport.h"
#include "launcher/statefiles.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDate>
#include <QRegularExpression>
#include <tuple>

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

void roundTrip(const QByteArray& input)
{
    const std::vector<QByteArray> parts = fuzz::split(input, 10);
    QStringList t;
    for (const QByteArray& p : parts)
        t << QString::fromUtf8(p);
    const auto number = [&](int i) { return short(qChecksum(parts[size_t(i)]) - 32768); };
    const tLoginUser u{number(0), number(1), t[2],      t[3],      t[4], t[5], t[6],
                       number(7), t[8],      QString(), number(9), t[0], t[1]};
    const QString jobs = t[10];
    state().gtLoginUser = u;
    FUZZ_CHECK(LoginFileMake(jobs) == 0, QString());

    FUZZ_CHECK(iLoadLoginUser() == 1, QString());
    const tLoginUser& r = state().gtLoginUser;
    const auto n = [](short v) { return QString::number(v); };
    // Each field: its name in the file, the value written there and the value read back.
    const std::tuple<QString, QString, QString> fields[] = {
        {"kyotenCd", n(u.kyotenCd), n(r.kyotenCd)},
        {"kyotenEb", n(u.kyotenEb), n(r.kyotenEb)},
        {"LoginId", u.LoginId, r.LoginId},
        {"LoginPass", QString(u.LoginPass.toUcs4().size(), u'*'), r.LoginPass},
        {"Name", u.Name, r.Name},
        {"NameKana", u.NameKana, r.NameKana},
        {"AreaWord", u.AreaWord, r.AreaWord},
        {"AccessLevel", n(u.AccessLevel), n(r.AccessLevel)},
        {"AccessName", u.AccessName, r.AccessName},
        {"AccessJobNo", jobs, r.AccessJobNo},
        {"Kubun", n(u.Kubun), n(r.Kubun)},
        {"MakeDate", u.MakeDate, r.MakeDate},
        {"LoginDate", u.LoginDate, r.LoginDate}};
    QString lines;
    bool allPlain = true;
    for (const auto& [name, written, read] : fields) {
        FUZZ_CHECK(read == asRead(written),
                   name + QStringLiteral(": ") + read + QStringLiteral(" <> ") + written);
        lines += u'[' + name + QStringLiteral("]=") + written + QStringLiteral("\r\n");
        allPlain = allPlain && !written.contains(QRegularExpression(QStringLiteral("[,\"\r\n]")));
    }
    if (allPlain)
        FUZZ_CHECK(fuzz::readFile(QStringLiteral("loginuser.kvx")) == textfile::encode(lines), lines);

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
        readers(fuzz::input(data + 1, size - 1));
    else
        roundTrip(fuzz::input(data + 1, size - 1));
    return 0;
}
