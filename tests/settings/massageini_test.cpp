#include "installation.h"
#include "settings/massageini.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::MsgIcon;

TEST(MassageIni, ScansLinesForTheFirstExactKey)
{
    TestInstallation inst;
    inst.writeFile(
        QStringLiteral("Massage.ini"),
        QStringLiteral("SYSTEM_DATA=\\Data\r\n[A]\r\n SYSTEM_TMP =\\Tmp \r\nsystem_sys=\\lower\r\n"
                       "EQ=a=b\r\n[B]\r\nSYSTEM_TMP=second\r\nSYSTEM_SYS=\\Sys\\\r\nFC機能=1\r\n"));
    const QString app = inst.path();
    EXPECT_EQ(csGetDataPath(), app + QStringLiteral("\\Data\\"));
    EXPECT_EQ(csGetMassageIni(QStringLiteral("FC機能"), true), QStringLiteral("1"));
    EXPECT_EQ(csGetMassageIni(QStringLiteral(" SYSTEM_TMP "), true), QStringLiteral("\\Tmp "));
    EXPECT_EQ(csGetTmpPath(), app + QStringLiteral("\\Tmp \\"));
    EXPECT_EQ(csGetSysPath(), app + QStringLiteral("\\Sys\\\\"));
    EXPECT_EQ(csGetMassageIni(QStringLiteral("EQ"), true), QStringLiteral("a=b"));
    EXPECT_TRUE(inst.messages.shown.empty());

    EXPECT_EQ(csGetMassageIni(QStringLiteral("[A]"), false), QString());
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_EQ(csGetIconPath(), app + QStringLiteral("\\"));
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_EQ(inst.messages.shown[0].text,
              QStringLiteral("システム設定ファイルに、指定の項目が見つかりません。\r[SYSTEM_ICON]"));
    EXPECT_EQ(inst.messages.shown[0].title, QStringLiteral("警告！"));
    EXPECT_EQ(inst.messages.shown[0].icon, MsgIcon::Critical);
}

TEST(MassageIni, MissingFileEndsTheProgram)
{
    TestInstallation inst;
    try {
        csGetMassageIni(QStringLiteral("SYSTEM_SYS"), false);
        FAIL() << "the program went on";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.exitCode, 0);
    }
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_EQ(inst.messages.shown[0].text, QStringLiteral("システム設定ファイルが見つかりません。"));
}

TEST(ProgramFolder, FileSearchAndCurrentFolder)
{
    TestInstallation inst;
    inst.writeFile(QStringLiteral("Data/Massage0101.ini"), QString());
    ASSERT_TRUE(QDir(inst.path()).mkpath(QStringLiteral("Data/Sub")));
    const QString data = inst.path() + QStringLiteral("\\DATA\\");
    EXPECT_TRUE(bFileExists(data + QStringLiteral("massage0101.INI")));
    EXPECT_TRUE(bFileExists(data + QStringLiteral("Mass*.ini")));
    EXPECT_TRUE(bFileExists(data + QStringLiteral("MASSAGE01??.ini")));
    EXPECT_TRUE(bFileExists(data + QStringLiteral("Massage0101.*")));
    EXPECT_TRUE(bFileExists(data + QStringLiteral("Sub")));
    EXPECT_FALSE(bFileExists(data + QStringLiteral("Massage01?.ini")));
    EXPECT_FALSE(bFileExists(data + QStringLiteral("*.txt")));
    EXPECT_FALSE(bFileExists(data + QStringLiteral("Sub\\*")));
    EXPECT_FALSE(bFileExists(data + QStringLiteral("None\\*.ini")));
    EXPECT_FALSE(bFileExists(QString()));

    const QString previous = QDir::currentPath();
    EXPECT_EQ(csSetCurDir(data + QStringLiteral("sub")),
              QDir::toNativeSeparators(inst.file(QStringLiteral("Data/Sub"))));
    EXPECT_THROW(csSetCurDir(data + QStringLiteral("none")), std::runtime_error);
    QDir::setCurrent(previous);
}
