#include "installation.h"
#include "platform/paths.h"
#include "platform/runtime.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(NativePath, MapsDrivesAndMatchesCase)
{
    TestInstallation inst;
    const QString app = inst.path();
    EXPECT_EQ(platform::nativePath(QStringLiteral("C:\\KVX\\utility\\databackup.txt")),
              app + QStringLiteral("/drive_c/KVX/utility/databackup.txt"));
    EXPECT_EQ(platform::nativePath(QStringLiteral("d:\\")), app + QStringLiteral("/drive_d"));
    EXPECT_EQ(platform::nativePath(QStringLiteral("C:\\..\\KVX\\.\\MASTER\\")),
              app + QStringLiteral("/drive_c/KVX/MASTER"));

    // The suite writes DATA\Data0501 and reads it back as DATA\DATA0501.
    inst.writeFile(QStringLiteral("DATA/Data0501/x.ini"), QStringLiteral("x"));
    EXPECT_EQ(platform::nativePath(app + QStringLiteral("\\DATA\\DATA0501\\X.INI")),
              app + QStringLiteral("/DATA/Data0501/x.ini"));
    // What does not exist keeps the name given, below a matched folder too.
    EXPECT_EQ(platform::nativePath(app + QStringLiteral("\\data\\DATA0502\\New.ini")),
              app + QStringLiteral("/DATA/DATA0502/New.ini"));
    EXPECT_EQ(platform::nativePath(app + QStringLiteral("\\Data\\data0501\\..\\Other")),
              app + QStringLiteral("/DATA/Other"));

    // Entries that differ only by case: the exact one, else the first in sorted order.
    inst.writeFile(QStringLiteral("dup/abc"), QStringLiteral("1"));
    inst.writeFile(QStringLiteral("dup/ABC"), QStringLiteral("2"));
    EXPECT_EQ(platform::nativePath(app + QStringLiteral("/dup/abc")), app + QStringLiteral("/dup/abc"));
    EXPECT_EQ(platform::nativePath(app + QStringLiteral("/dup/Abc")), app + QStringLiteral("/dup/ABC"));

    // Absolute paths outside the program folder stay absolute.
    EXPECT_EQ(platform::nativePath(QStringLiteral("\\nonexistent-root\\A")),
              QStringLiteral("/nonexistent-root/A"));
    EXPECT_EQ(platform::nativePath(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(platform::nativePath(QString()), QString());
}
