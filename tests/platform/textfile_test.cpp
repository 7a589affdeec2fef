#include "installation.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList linesOf(const TestInstallation& inst, const QByteArray& bytes)
{
    writeRaw(inst.file("lines.txt"), bytes);
    QStringList lines{QStringLiteral("stale")};
    EXPECT_TRUE(textfile::readLines(inst.file("lines.txt"), &lines));
    return lines;
}

} // namespace

TEST(TextFile, Cp932RoundTripsAndSubstitutes)
{
    TestInstallation inst;
    // The environment name's full-width minus, an NEC extension and an IBM extension
    // character (Windows-only) all keep their CP932 codes.
    const QString text = QStringLiteral("東京－本店①髙～");
    const QByteArray bytes("\x93\x8c\x8b\x9e\x81\x7c\x96\x7b\x93\x58\x87\x40\xfb\xfc\x81\x60");
    EXPECT_EQ(textfile::encode(text), bytes);
    EXPECT_EQ(textfile::decode(bytes), text);
    EXPECT_EQ(textfile::encodedLength(text), 16);
    // The NEC-selected duplicate reads as the same character; Windows writes the IBM code.
    EXPECT_EQ(textfile::decode("\xee\xe0"), QStringLiteral("髙"));

    // Characters the code page lacks become one '?' each, surrogate pairs included.
    EXPECT_EQ(textfile::encode(QStringLiteral("aé😀b")), QByteArray("a??b"));

    // Broken bytes never fail the read; a NUL stays in the text.
    const QString broken = textfile::decode(QByteArray("a\x81\x00"
                                                       "b\xff"
                                                       "c",
                                                       6));
    EXPECT_TRUE(broken.startsWith(u'a'));
    EXPECT_TRUE(broken.contains(QChar(0)));
    EXPECT_TRUE(broken.endsWith(u'c'));

    // Cutting never splits a double-byte character.
    EXPECT_EQ(textfile::cutToBytes(QStringLiteral("aあい"), 4), QStringLiteral("aあ"));
    EXPECT_EQ(textfile::cutToBytes(QStringLiteral("aあい"), 2), QStringLiteral("a"));
    EXPECT_EQ(textfile::cutToBytes(QStringLiteral("aあい"), 5), QStringLiteral("aあい"));
    EXPECT_EQ(textfile::cutToBytes(QStringLiteral("x😀y"), 2), QStringLiteral("x😀"));
    EXPECT_EQ(textfile::cutToBytes(QStringLiteral("あ"), 1), QString());
}

TEST(TextFile, ReadLinesSplitsEveryLineEnd)
{
    TestInstallation inst;
    EXPECT_EQ(linesOf(inst, "a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(linesOf(inst, "a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_EQ(linesOf(inst, "\r\r\n"), (QStringList{"", ""}));
    EXPECT_EQ(linesOf(inst, ""), QStringList());
    EXPECT_EQ(linesOf(inst, QByteArray("[\x93\x8c]\r\n", 6)), QStringList{QStringLiteral("[東]")});

    const QByteArray big(1 << 20, 'x');
    const QStringList lines = linesOf(inst, big + "\r\nend");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 1 << 20);
    EXPECT_EQ(lines[1], QStringLiteral("end"));

    QStringList untouched{QStringLiteral("keep")};
    EXPECT_FALSE(textfile::readLines(inst.file("missing.txt"), &untouched));
}

TEST(TextFile, WritesReplaceWholeFilesOrNothing)
{
    TestInstallation inst;
    const QString path = inst.file("state.kvx");
    writeRaw(path, "old contents that are longer\r\n");
    ASSERT_TRUE(textfile::writeLines(path, {QStringLiteral("[環境名]=東京－本店"), QString()}));
    EXPECT_EQ(inst.readBytes("state.kvx"),
              QByteArray("[\x8a\xc2\x8b\xab\x96\xbc]=\x93\x8c\x8b\x9e\x81\x7c\x96\x7b\x93\x58\r\n\r\n"));
    ASSERT_TRUE(textfile::write(path, QStringLiteral("no line end")));
    EXPECT_EQ(inst.readBytes("state.kvx"), QByteArray("no line end"));
    ASSERT_TRUE(textfile::writeLines(path, {}));
    EXPECT_EQ(inst.readBytes("state.kvx"), QByteArray());

    // A folder that does not exist is not created.
    EXPECT_FALSE(textfile::write(inst.file("nofolder/x.ini"), QStringLiteral("x")));
    EXPECT_FALSE(inst.exists("nofolder"));
    // A target that cannot be replaced keeps what it holds.
    ASSERT_TRUE(QDir().mkpath(inst.file("busy")));
    writeRaw(inst.file("busy/inner.txt"), "inner");
    EXPECT_FALSE(textfile::writeLines(inst.file("busy"), {QStringLiteral("x")}));
    EXPECT_EQ(inst.readBytes("busy/inner.txt"), QByteArray("inner"));
    // No temporary file is left behind either way.
    EXPECT_EQ(QDir(inst.path()).entryList(QDir::Files), QStringList{"state.kvx"});
}

TEST(TextFile, StrictReadsRefuseOtherEncodings)
{
    TestInstallation inst;
    QString text;
    QString why;
    writeRaw(inst.file("sjis.csv"), "\"\x8e\x81\x96\xbc\",\"\xb1\"\r\n"); // 氏名, half-width ｱ
    ASSERT_TRUE(textfile::readStrict(inst.file("sjis.csv"), &text, &why)) << why.toStdString();
    EXPECT_EQ(text, QStringLiteral("\"氏名\",\"ｱ\"\r\n"));
    writeRaw(inst.file("ascii.csv"), "a,b\r\n");
    EXPECT_TRUE(textfile::readStrict(inst.file("ascii.csv"), &text, &why));

    writeRaw(inst.file("utf8.csv"), QStringLiteral("\"氏名\"\r\n").toUtf8());
    EXPECT_FALSE(textfile::readStrict(inst.file("utf8.csv"), &text, &why));
    EXPECT_EQ(why, QStringLiteral("UTF-8"));
    writeRaw(inst.file("bom.csv"), "\xEF\xBB\xBF"
                                   "a\r\n");
    EXPECT_FALSE(textfile::readStrict(inst.file("bom.csv"), &text, &why));
    EXPECT_EQ(why, QStringLiteral("UTF-8 (BOM)"));
    writeRaw(inst.file("bad.csv"), "a\xff\xfe\r\n");
    EXPECT_FALSE(textfile::readStrict(inst.file("bad.csv"), &text, &why));
    EXPECT_EQ(why, QStringLiteral("not CP932"));
    EXPECT_FALSE(textfile::readStrict(inst.file("none.csv"), &text, &why));
    EXPECT_EQ(text, QStringLiteral("a,b\r\n")); // untouched by the refusals
}
