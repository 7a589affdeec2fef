// The launcher's state files. An even first byte: the rest is every state file; each reader
// takes it without a message, numbers in range, a backup date real or empty. Odd: the texts
// of a login user and the job codes, NUL between them; the file gives the numbers and every
// plain text back, what it gave back is written again unchanged, and AreaSelect.ini gives back
// the login id.
#include "fuzzsupport.h"
#include "launcher/statefiles.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDate>
#include <QRegularExpression>

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
    FUZZ_CHECK(entries <= textfile::splitLines(textfile::decode(bytes)).size(), QString::number(entries));
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

    const QByteArray file = fuzz::readFile(QStringLiteral("loginuser.kvx"));
    FUZZ_CHECK(iLoadLoginUser() == 1, QString());
    const tLoginUser& r = state().gtLoginUser;
    // The numbers, and a text with nothing to quote, join or convert, read back as written.
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    const auto same = [](const QString& written, const QString& read) {
        return read == written || written.contains(special) ||
               textfile::decode(textfile::encode(written)) != written;
    };
    FUZZ_CHECK(r.kyotenCd == u.kyotenCd && r.kyotenEb == u.kyotenEb && r.AccessLevel == u.AccessLevel &&
                   r.Kubun == u.Kubun && same(u.LoginId, r.LoginId) && same(u.Name, r.Name) &&
                   same(u.NameKana, r.NameKana) && same(u.AreaWord, r.AreaWord) &&
                   same(u.AccessName, r.AccessName) && same(jobs, r.AccessJobNo) &&
                   same(u.MakeDate, r.MakeDate) && same(u.LoginDate, r.LoginDate),
               QString::fromUtf8(file));
    // What the file gave back is written again byte for byte.
    FUZZ_CHECK(LoginFileMake(r.AccessJobNo) == 0 && fuzz::readFile(QStringLiteral("loginuser.kvx")) == file,
               QString::fromUtf8(file));

    const short cd = number(3), index = number(4), db = number(5);
    FUZZ_CHECK(iAreaSelMake(cd, index, db) == 0, QString());
    QString last;
    short readIndex = 0, readDb = 0;
    FUZZ_CHECK(iReadAreaSelect(last, readIndex, readDb) == cd && readIndex == index && readDb == db,
               QStringLiteral("%1 %2 %3").arg(cd).arg(index).arg(db));
    FUZZ_CHECK(last == r.LoginId.trimmed(), last);
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
