#include "installation.h"
#include "platform/paths.h"

TEST(NativePath, MapsDrivesAndMatchesCase)
{
    TestInstallation inst;
    const QString app = inst.path();
    EXPECT_EQ(platform::nativePath("C:\\KVX\\utility\\databackup.txt"),
              app + "/drive_c/KVX/utility/databackup.txt");
    EXPECT_EQ(platform::nativePath("d:\\"), app + "/drive_d");
    EXPECT_EQ(platform::nativePath("C:\\..\\KVX\\.\\MASTER\\"), app + "/drive_c/KVX/MASTER");

    // The suite writes DATA\Data0501 and reads it back as DATA\DATA0501.
    inst.writeFile("DATA/Data0501/x.ini", "x");
    EXPECT_EQ(platform::nativePath(app + "\\DATA\\DATA0501\\X.INI"), app + "/DATA/Data0501/x.ini");
    // What does not exist keeps the name given, below a matched folder too.
    EXPECT_EQ(platform::nativePath(app + "\\data\\DATA0502\\New.ini"), app + "/DATA/DATA0502/New.ini");
    EXPECT_EQ(platform::nativePath(app + "\\Data\\data0501\\..\\Other"), app + "/DATA/Other");

    // Entries that differ only by case: the exact one, else the first in sorted order.
    inst.writeFile("dup/abc", "1");
    inst.writeFile("dup/ABC", "2");
    EXPECT_EQ(platform::nativePath(app + "/dup/abc"), app + "/dup/abc");
    EXPECT_EQ(platform::nativePath(app + "/dup/Abc"), app + "/dup/ABC");

    // Absolute paths outside the program folder stay absolute.
    EXPECT_EQ(platform::nativePath("\\nonexistent-root\\A"), "/nonexistent-root/A");
    EXPECT_EQ(platform::nativePath("/"), "/");
    EXPECT_EQ(platform::nativePath(QString()), QString());
}
