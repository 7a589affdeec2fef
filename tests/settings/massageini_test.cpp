#include "installation.h"
#include "settings/massageini.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(MassageIni, ScansLinesForTheFirstExactKeyAndEndsTheProgramWithoutTheFile)
{
    TestInstallation inst;
    inst.writeFile("Massage.ini", "SYSTEM_DATA=\\Data\r\n[A]\r\n SYSTEM_TMP =\\Tmp \r\nsystem_sys=\\lower\r\n"
                                  "EQ=a=b\r\n[B]\r\nSYSTEM_TMP=second\r\nSYSTEM_SYS=\\Sys\\\r\nFC機能=1\r\n");
    EXPECT_EQ(QStringList({csGetDataPath(), csGetTmpPath(), csGetSysPath()}),
              QStringList({inst.path() + "\\Data\\", inst.path() + "\\Tmp \\", inst.path() + "\\Sys\\\\"}));
    EXPECT_EQ(QStringList({csGetMassageIni("FC機能", true), csGetMassageIni(" SYSTEM_TMP ", true),
                           csGetMassageIni("EQ", true), csGetMassageIni("[A]", false)}),
              QStringList({"1", "\\Tmp ", "a=b", ""}));

    EXPECT_EQ(csGetIconPath(), inst.path() + "\\");
    ASSERT_EQ(inst.messages.shown.size(), 1u); // the first box
    inst.expectLastBox("システム設定ファイルに、指定の項目が見つかりません。\r[SYSTEM_ICON]", "警告！",
                       platform::MsgIcon::Critical);

    // Without the file the program ends (its box: BackgroundWindow.MissingSettingsFileWarnsOnceAndEnds).
    ASSERT_TRUE(QFile::remove(inst.file("Massage.ini")));
    try {
        csGetMassageIni("SYSTEM_SYS", false);
        FAIL() << "the program went on";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.exitCode, 0);
    }
}

TEST(ProgramFolder, FileSearchAndCurrentFolder)
{
    TestInstallation inst;
    inst.writeFile("Data/Massage0101.ini", QString());
    ASSERT_TRUE(QDir(inst.path()).mkpath("Data/Sub"));
    const QString data = inst.path() + "\\DATA\\";
    for (const char* found : {"massage0101.INI", "Mass*.ini", "MASSAGE01??.ini", "Massage0101.*", "Sub"})
        EXPECT_TRUE(bFileExists(data + found)) << found;
    for (const char* missing : {"Massage01?.ini", "*.txt", "Sub\\*", "None\\*.ini"})
        EXPECT_FALSE(bFileExists(data + missing)) << missing;
    EXPECT_FALSE(bFileExists(QString()));

    const QString previous = QDir::currentPath();
    EXPECT_EQ(csSetCurDir(data + "sub"), QDir::toNativeSeparators(inst.file("Data/Sub")));
    EXPECT_THROW(csSetCurDir(data + "none"), std::runtime_error);
    QDir::setCurrent(previous);
}
