#include "installation.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"

#include <QDir>
#include <gtest/gtest.h>

using textfile::encode;

TEST(IniFile, ReadsValuesAsTheProfileFunctionsDo)
{
    TestInstallation inst;
    inst.writeFile(
        QStringLiteral("t.ini"),
        QStringLiteral("top=before\r\n [ Sec ]\r\n;key=comment\r\n\t KEY  =  \"quoted value \"  \r\n"
                       "key=second\nsingle='x'\r\nmixed=\"x'\r\n[sec]\r\nother=later section\r\n"
                       "[Long]\r\nv=") +
            QString(254, QLatin1Char('a')) + QStringLiteral("あ\r\nw=") + QString(300, QLatin1Char('b')));
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\T.INI")), 0);
    const auto get = [&](const char* section, const char* key) {
        return ini.csGetProfileString(QString::fromUtf8(section), QString::fromUtf8(key));
    };
    EXPECT_EQ(get("sec", "key"), QStringLiteral("quoted value"));
    EXPECT_EQ(get("SEC", "Key"), QStringLiteral("quoted value"));
    EXPECT_EQ(get("sec", "single"), QStringLiteral("x"));
    EXPECT_EQ(get("sec", "mixed"), QStringLiteral("\"x'"));
    EXPECT_EQ(get("sec", "other"), QString());
    EXPECT_EQ(get("", "top"), QString());
    EXPECT_EQ(get("sec", ";key"), QString());
    // 255 bytes at most, never half a double-byte character.
    EXPECT_EQ(get("long", "v"), QString(254, QLatin1Char('a')));
    EXPECT_EQ(get("long", "w"), QString(255, QLatin1Char('b')));

    const QString missing = inst.path() + QStringLiteral("\\none.ini");
    EXPECT_EQ(ini.iInit(missing), -1);
    EXPECT_EQ(ini.csErrMsg(),
              QStringLiteral("指定されたIni（") + missing + QStringLiteral("）ファイルが見つかりません。"));
    EXPECT_EQ(get("sec", "key"), QString());
    EXPECT_EQ(ini.iInit(QString()), -1);
    EXPECT_EQ(ini.csErrMsg(), QStringLiteral("Iniファイル名を指定してください。"));
    EXPECT_EQ(ini.fileName(), missing);
}

TEST(IniFile, WritesInPlaceAtSectionEndOrAsNewSection)
{
    TestInstallation inst;
    inst.writeBytes(QStringLiteral("w.ini"),
                    encode(QStringLiteral("; 設定\n[A]\r\n x = 1\r\nz=3\r\n\r\n[B]\r\nb=2")));
    clsOplIniFile ini;
    const auto put = [&](const char* section, const char* key, const char* value) {
        return ini.iWriteProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                                       QString::fromUtf8(value));
    };
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\w.ini")), 0);
    EXPECT_EQ(put("a", "X", "9"), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("w.ini")),
              encode(QStringLiteral("; 設定\r\n[A]\r\nX=9\r\nz=3\r\n\r\n[B]\r\nb=2")));
    EXPECT_EQ(put("A", "環境名", "東京－本店"), 1);
    EXPECT_EQ(put("B", "c", ""), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("w.ini")),
              encode(QStringLiteral(
                  "; 設定\r\n[A]\r\nX=9\r\nz=3\r\n環境名=東京－本店\r\n\r\n[B]\r\nb=2\r\nc=\r\n")));
    EXPECT_EQ(ini.csGetProfileString(QStringLiteral("a"), QStringLiteral("環境名")),
              QStringLiteral("東京－本店"));

    inst.writeBytes(QStringLiteral("n.ini"), "[A]\r\na=1");
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\n.ini")), 0);
    EXPECT_EQ(put("New", "k", "v"), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("n.ini")), QByteArray("[A]\r\na=1\r\n[New]\r\nk=v\r\n"));

    EXPECT_EQ(ini.iInit(inst.path() + QStringLiteral("\\created.ini")), -1);
    EXPECT_EQ(put("S", "k", "v"), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("created.ini")), QByteArray("[S]\r\nk=v\r\n"));
}

TEST(IniFile, RefusesUnwritableArgumentsAndFailedWrites)
{
    TestInstallation inst;
    const QByteArray before("[S]\r\nk=1\r\n");
    inst.writeBytes(QStringLiteral("r.ini"), before);
    clsOplIniFile ini;
    const auto put = [&](const QString& section, const QString& key, const QString& value) {
        return ini.iWriteProfileString(section, key, value);
    };
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\r.ini")), 0);
    const QString s = QStringLiteral("S"), k = QStringLiteral("k"), v = QStringLiteral("v");
    EXPECT_EQ(put(QStringLiteral("a]b"), k, v), -1);
    EXPECT_EQ(put(s, QStringLiteral("k=x"), v), -1);
    EXPECT_EQ(put(s, QString(), v), -1);
    EXPECT_EQ(put(s, QStringLiteral(";k"), v), -1);
    EXPECT_EQ(put(s, k, QStringLiteral("x\ry")), -1);
    EXPECT_EQ(put(s, k, QStringLiteral("x") + QChar(u'\0')), -1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("r.ini")), before);

    ASSERT_TRUE(QDir(inst.path()).mkpath(QStringLiteral("dir.ini/inner")));
    ini.iInit(inst.path() + QStringLiteral("\\dir.ini"));
    EXPECT_EQ(put(s, k, v), 0);
    EXPECT_TRUE(QDir(inst.file(QStringLiteral("dir.ini/inner"))).exists());
    ini.iInit(inst.path() + QStringLiteral("\\nofolder\\x.ini"));
    EXPECT_EQ(put(s, k, v), 0);
    EXPECT_FALSE(inst.exists(QStringLiteral("nofolder")));
}
