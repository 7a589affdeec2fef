#include "installation.h"
#include "launcher/statefiles.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(StateFiles, AreaSelectWrittenAndReadBack)
{
    TestInstallation inst;
    QString user = QStringLiteral("x");
    short index = 7, db = 8;
    EXPECT_EQ(iReadAreaSelect(user, index, db), 1);
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              QByteArray("[kyotenCd]= 1\r\n[Index]= 0\r\n[DB]= 0\r\n[LastLoginUser]=\r\n"));
    EXPECT_EQ(user + QString::number(index + db), QStringLiteral("15"));

    state().gtLoginUser.LoginId = QStringLiteral("  yamada ");
    EXPECT_EQ(iAreaSelMake(13, 2, -1), 0);
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              QByteArray("[kyotenCd]= 13\r\n[Index]= 2\r\n[DB]=-1\r\n[LastLoginUser]=yamada\r\n"));
    EXPECT_EQ(iReadAreaSelect(user, index, db), 13);
    EXPECT_EQ(user + QString::number(index * 10 + db), QStringLiteral("yamada19"));

    // Damaged: garbage reads as 0, a missing key leaves its output alone, the last one wins.
    inst.writeFile("AreaSelect.ini", QStringLiteral("[kyotenCd]=abc\r\n[Index]=  4x\r\n[Index]=5\r\n[DB"));
    EXPECT_EQ(iReadAreaSelect(user, index, db), 0);
    EXPECT_EQ(index * 10 + db, 49);

    QFile::remove(inst.file("AreaSelect.ini"));
    QDir().mkpath(inst.file("AreaSelect.ini/x")); // a folder cannot be replaced by the file
    EXPECT_EQ(iAreaSelMake(1, 0, 0), -1);
    inst.expectLastBox("拠点選択ファイルの作成に失敗しました。\rERROR:iAreaSelMake()", "ファイル作成失敗",
                       platform::MsgIcon::Critical);
}

TEST(StateFiles, LoginFileRoundTrip)
{
    TestInstallation inst;
    tLoginUser& u = state().gtLoginUser;
    // (The file's bytes and a whole round trip: HostileAccountTextsStayInTheirOwnFields.)
    // A comma in the id is written so that both files give it back whole.
    u.LoginId = QStringLiteral("a,b");
    EXPECT_EQ(LoginFileMake(QString()), 0);
    EXPECT_EQ(iAreaSelMake(1, 0, 0), 0);
    EXPECT_EQ(iLoadLoginUser(), 1);
    QString last;
    short i = 0, d = 0;
    iReadAreaSelect(last, i, d);
    EXPECT_EQ(u.LoginId + last, QStringLiteral("a,ba,b"));

    inst.writeFile("loginuser.kvx", QStringLiteral("[kyotenCd]=x1\r\n[LoginId]=sato\r\n[Access"));
    EXPECT_EQ(iLoadLoginUser(), 1);
    EXPECT_EQ(u.LoginId + u.MakeDate + u.AccessJobNo + QString::number(u.kyotenCd), QStringLiteral("sato00"));

    vDeleteLoginUser();
    EXPECT_EQ(iLoadLoginUser(), 2);
    EXPECT_TRUE(u.LoginId.isEmpty() && inst.messages.shown.empty());
}

TEST(StateFiles, HostileAccountTextsStayInTheirOwnFields)
{
    TestInstallation inst;
    tLoginUser& u = state().gtLoginUser;
    const QString name = "x\",[kyotenCd]=99,[kyotenEb]=9,\"", access = "スタッフ\",[AccessLevel]=10,\"";
    u = {13, 1, "yamada", "pw", name, "\"ﾔﾏﾀﾞ ﾀﾛｳ\"", "1301", 5, access, "", 1, "a\"b", "2024/01/30"};
    const tLoginUser written = u;
    EXPECT_EQ(LoginFileMake(QStringLiteral("1,\r\n[LoginId]=admin")), 0);
    EXPECT_EQ(inst.readBytes("loginuser.kvx"),
              textfile::encode(
                  QStringLiteral("[kyotenCd]=13\r\n[kyotenEb]=1\r\n[LoginId]=yamada\r\n[LoginPass]=**\r\n"
                                 "\"[Name]=x\"\",[kyotenCd]=99,[kyotenEb]=9,\"\"\"\r\n[NameKana]=\"ﾔﾏﾀﾞ "
                                 "ﾀﾛｳ\"\r\n[AreaWord]=1301\r\n"
                                 "[AccessLevel]=5\r\n\"[AccessName]=スタッフ\"\",[AccessLevel]=10,\"\"\"\r\n"
                                 "\"[AccessJobNo]=1, [LoginId]=admin\"\r\n[Kubun]=1\r\n[MakeDate]=a\"b\r\n"
                                 "[LoginDate]=2024/01/30\r\n")));
    EXPECT_EQ(iLoadLoginUser(), 1);
    const auto fields = [](const tLoginUser& v) {
        return QStringList({QString::number(v.kyotenCd * 100 + v.kyotenEb), QString::number(v.AccessLevel),
                            v.LoginId, v.Name, v.NameKana, v.AreaWord, v.AccessName, v.MakeDate,
                            v.LoginDate});
    };
    EXPECT_EQ(fields(u), fields(written));
    EXPECT_EQ(u.LoginPass, "**"); // the mask, never the password
    EXPECT_EQ(u.AccessJobNo, QStringLiteral("1, [LoginId]=admin"));

    // A file of an older launcher with the quote left as it was: the line written for each
    // key counts, not a later field that a name smuggled in.
    inst.writeFile("loginuser.kvx",
                   QStringLiteral("[kyotenCd]=13\r\n[kyotenEb]=1\r\n[LoginId]=yamada\r\n"
                                  "\"[Name]=x\",[kyotenCd]=99,[kyotenEb]=9,\"\"\r\n[AccessLevel]=5\r\n"
                                  "\"[AccessName]=スタッフ\",[AccessLevel]=10,\"\"\r\n[LoginId]=admin\r\n"));
    EXPECT_EQ(iLoadLoginUser(), 1);
    EXPECT_EQ(QStringLiteral("%1-%2 %3 %4").arg(u.kyotenCd).arg(u.kyotenEb).arg(u.AccessLevel).arg(u.LoginId),
              QStringLiteral("13-1 5 yamada"));

    // The last user of AreaSelect.ini cannot change the numbers before it either.
    u.LoginId = QStringLiteral("\"u\",[kyotenCd]=7");
    EXPECT_EQ(iAreaSelMake(2, 3, 4), 0);
    EXPECT_EQ(
        inst.readBytes("AreaSelect.ini"),
        QByteArray(
            "[kyotenCd]= 2\r\n[Index]= 3\r\n[DB]= 4\r\n\"[LastLoginUser]=\"\"u\"\",[kyotenCd]=7\"\r\n"));
    QString last;
    short index = 0, db = 0;
    EXPECT_EQ(iReadAreaSelect(last, index, db), 2);
    EXPECT_EQ(last, u.LoginId);
}

TEST(StateFiles, DbListAndBackupDate)
{
    TestInstallation inst;
    EXPECT_EQ(iReadDbList(), 0);
    inst.writeFile(
        "DB.ini",
        QStringLiteral("本番,PC01\\MIRANE,MIRANE45\r\n\r\n\"検証,旧\",PC02,OLD45\r\nテスト,PC03\r\n"));
    const auto& list = state().gtDbList;
    ASSERT_EQ(iReadDbList(), 3);
    const auto entries = [&] {
        QStringList all;
        for (const auto& e : list)
            all << e.displayName + "|" + e.server + "|" + e.database;
        return all;
    };
    EXPECT_EQ(entries(), QStringList({"本番|PC01\\MIRANE|MIRANE45", "検証,旧|PC02|OLD45", "テスト|PC03|"}));
    inst.writeFile("ServerName.kvx", QStringLiteral("[DBServer]=  SV02  \r\n"));
    ASSERT_EQ(iReadDbList(), 3);
    EXPECT_EQ(entries(), QStringList({"本番|SV02\\MIRANE|MIRANE45", "検証,旧|SV02|OLD45", "テスト|SV02|"}));

    EXPECT_TRUE(csGetBackupDate().isEmpty());
    // Only the first line counts.
    for (const auto& [text, date] : {std::pair{"2024/1/5,ok", "2024/01/05"},
                                     {"2024-02-29 10:15:00", "2024/02/29"},
                                     {"20240131", "2024/01/31"},
                                     {"2024/02/30", ""},
                                     {"2024/05/01\r\n2025/06/30", "2024/05/01"},
                                     {"\r\n2025/06/30", ""}}) {
        inst.writeFile("drive_c/KVX/utility/databackup.txt", QString::fromUtf8(text) + "\r\n");
        EXPECT_EQ(csGetBackupDate(), QString::fromUtf8(date)) << text;
    }
}
