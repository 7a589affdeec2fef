#include "installation.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/file.h>
#include <unistd.h>

TEST(TextFile, Cp932RoundTripsLineSplitsAndStrictReadsRefusingOtherEncodings)
{
    // The full-width minus and NEC and IBM extension characters keep their CP932 codes.
    const QString named = "東京－本店①髙～";
    const QByteArray bytes("\x93\x8c\x8b\x9e\x81\x7c\x96\x7b\x93\x58\x87\x40\xfb\xfc\x81\x60");
    EXPECT_EQ(textfile::encode(named), bytes);
    EXPECT_EQ(textfile::decode(bytes), named);
    // Characters the code page lacks become one '?' each, surrogate pairs included.
    EXPECT_EQ(textfile::encode("aé😀b"), "a??b");

    // Broken bytes never fail the read; a NUL stays. The NEC duplicate reads as the IBM one; a
    // lead byte at the end is a broken byte, not dropped, and half of a character before another.
    const std::pair<QByteArray, QString> decoded[] = {
        {QByteArray("a\x81\0b\xffz", 6), QString::fromLatin1("a\x1a\0b\x1az", 6)},
        {"\xee\xe0", "髙"},
        {"ab\x82", "ab\x1a"},
        {"\x80\x82", "\x1a\x1a"},
        {"\x82\xa0\x82", "あ\x1a"}};
    for (const auto& [in, out] : decoded)
        EXPECT_EQ(textfile::decode(in), out) << in.toHex().toStdString();
    // (Lengths and cutting: the code page's fuzz target.)

    TestInstallation inst;
    const auto linesOf = [&](const QByteArray& bytes) {
        inst.writeBytes("lines.txt", bytes);
        QStringList lines{"stale"};
        EXPECT_TRUE(textfile::readLines(inst.file("lines.txt"), &lines));
        return lines;
    };
    EXPECT_EQ(linesOf("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(linesOf("a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_EQ(linesOf("\r\r\n"), (QStringList{"", ""}));
    EXPECT_EQ(linesOf(""), QStringList());
    EXPECT_EQ(linesOf("[\x93\x8c]\r\n"), QStringList{"[東]"});

    EXPECT_EQ(linesOf(QByteArray(1 << 20, 'x') + "\r\nend"), (QStringList{QString(1 << 20, u'x'), "end"}));

    QStringList none;
    EXPECT_FALSE(textfile::readLines(inst.file("missing.txt"), &none));

    QString text, why;
    const auto read = [&](const char* name, const QByteArray& bytes) {
        inst.writeBytes(name, bytes);
        return textfile::readStrict(inst.file(name), &text, &why);
    };
    ASSERT_TRUE(read("sjis.csv", "\"\x8e\x81\x96\xbc\",\"\xb1\"\r\n"))
        << why.toStdString(); // 氏名, half-width ｱ
    EXPECT_EQ(text, "\"氏名\",\"ｱ\"\r\n");
    EXPECT_TRUE(read("ascii.csv", "a,b\r\n"));

    const std::pair<QByteArray, QString> refused[] = {{QString("\"氏名\"\r\n").toUtf8(), "UTF-8"},
                                                      {"\xEF\xBB\xBF\x61\r\n", "UTF-8 (BOM)"},
                                                      {"a\xff\xfe\r\n", "not CP932"}};
    for (const auto& [bytes, reason] : refused) {
        EXPECT_FALSE(read("refused.csv", bytes)) << reason.toStdString();
        EXPECT_EQ(why, reason);
    }
    EXPECT_FALSE(textfile::readStrict(inst.file("none.csv"), &text, &why));
    EXPECT_EQ(text, "a,b\r\n"); // untouched by the refusals
}

TEST(TextFile, WritesReplaceWholeFilesOrNothingKeepingPermissionsAndLinks)
{
    TestInstallation inst;
    const QString path = inst.file("state.kvx");
    inst.writeBytes("state.kvx", "old contents that are longer\r\n");
    ASSERT_TRUE(textfile::writeLines(path, {"[環境名]=東京－本店", QString()}));
    EXPECT_EQ(inst.readBytes("state.kvx"),
              "[\x8a\xc2\x8b\xab\x96\xbc]=\x93\x8c\x8b\x9e\x81\x7c\x96\x7b\x93\x58\r\n\r\n");

    // A folder that does not exist is not created.
    EXPECT_FALSE(textfile::write(inst.file("nofolder/x.ini"), "x"));
    EXPECT_FALSE(inst.exists("nofolder"));
    inst.writeBytes("busy/inner.txt", "inner"); // a target that cannot be replaced keeps what it holds
    EXPECT_FALSE(textfile::writeLines(inst.file("busy"), {"x"}));
    EXPECT_EQ(inst.readBytes("busy/inner.txt"), "inner");
    // No temporary file is left behind either way.
    EXPECT_EQ(QDir(inst.path()).entryList(QDir::Files), QStringList{"state.kvx"});

    // A replaced file keeps its permissions, and a link stays a link to it.
    inst.writeBytes("target.ini", "old");
    ASSERT_TRUE(QFile::setPermissions(inst.file("target.ini"), QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QFile::link(inst.file("target.ini"), inst.file("link.ini")));
    ASSERT_TRUE(textfile::write(inst.file("link.ini"), "new"));
    EXPECT_TRUE(QFileInfo(inst.file("link.ini")).isSymLink());
    EXPECT_EQ(inst.readBytes("target.ini"), "new");
    const auto user = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser; // the owner's, again
    EXPECT_EQ(QFile::permissions(inst.file("target.ini")) & ~user, QFile::ReadOwner | QFile::WriteOwner);
}

TEST(TextFile, NextWriteRemovesTemporariesOfKilledWriters)
{
    TestInstallation inst;
    const QString path = inst.file("state.kvx");
    // Left by writers killed before their rename: of this file and of another one.
    inst.writeBytes("~state.kvx.Ab12Cd.tmp", "half");
    inst.writeBytes("~state.kvx.zzzzzz.tmp", "half");
    inst.writeBytes("~other.kvx.Ab12Cd.tmp", "other");
    inst.writeBytes("~state.kvx.old.tmp", "mine"); // a user's own file that merely looks alike is not ours
    // A writer that is still at work holds its temporary locked.
    inst.writeBytes("~state.kvx.LIVE00.tmp", "busy");
    const int held = ::open(QFile::encodeName(inst.file("~state.kvx.LIVE00.tmp")).constData(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    ASSERT_TRUE(textfile::write(path, "new\r\n"));
    EXPECT_EQ(inst.readBytes("state.kvx"), "new\r\n");
    EXPECT_EQ(
        QDir(inst.path()).entryList(QDir::Files, QDir::Name),
        (QStringList{"state.kvx", "~other.kvx.Ab12Cd.tmp", "~state.kvx.LIVE00.tmp", "~state.kvx.old.tmp"}));
    ::close(held);
    ASSERT_TRUE(textfile::copy(path, path));
    EXPECT_FALSE(inst.exists("~state.kvx.LIVE00.tmp"));
    EXPECT_TRUE(inst.exists("~state.kvx.old.tmp"));
}
