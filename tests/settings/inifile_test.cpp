#include "installation.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
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
    // Lines not written keep their bytes, their line ends included.
    EXPECT_EQ(inst.readBytes(QStringLiteral("w.ini")),
              encode(QStringLiteral("; 設定\n[A]\r\nX=9\r\nz=3\r\n\r\n[B]\r\nb=2")));
    EXPECT_EQ(put("A", "環境名", "東京－本店"), 1);
    EXPECT_EQ(put("B", "c", ""), 1);
    EXPECT_EQ(
        inst.readBytes(QStringLiteral("w.ini")),
        encode(QStringLiteral("; 設定\n[A]\r\nX=9\r\nz=3\r\n環境名=東京－本店\r\n\r\n[B]\r\nb=2\r\nc=\r\n")));
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

TEST(IniFile, WritesKeepEveryByteOfOtherLines)
{
    TestInstallation inst;
    // Bytes CP932 lacks, a line with a broken double-byte character, a lone CR and a last
    // line that ends in a lead byte.
    const QByteArray head("[S]\r\nk=1\r\nraw=\x80\xa0\xfd\x82\r\n\x81\x7f\rx=\x88\x9f\n");
    const QByteArray tail("[T]\r\nend=ab\x82");
    inst.writeBytes(QStringLiteral("b.ini"), head + tail);
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\b.ini")), 0);
    EXPECT_EQ(ini.iWriteProfileString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("東")), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("b.ini")),
              QByteArray("[S]\r\nk=\x93\x8c\r\nraw=\x80\xa0\xfd\x82\r\n\x81\x7f\rx=\x88\x9f\n") + tail);
    EXPECT_EQ(ini.csGetProfileString(QStringLiteral("S"), QStringLiteral("x")), QStringLiteral("亜"));
    // The lone lead byte at the end is still there when read, and when a key is added after it.
    EXPECT_EQ(ini.csGetProfileString(QStringLiteral("T"), QStringLiteral("end")), QStringLiteral("ab\x1a"));
    EXPECT_EQ(ini.iWriteProfileString(QStringLiteral("T"), QStringLiteral("new"), QStringLiteral("v")), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("b.ini")).right(21),
              QByteArray("[T]\r\nend=ab\x82\r\nnew=v\r\n"));
}

TEST(IniFile, NamesWithBlanksAroundThemFindTheirKey)
{
    TestInstallation inst;
    inst.writeBytes(QStringLiteral("n.ini"), "[QMAP]\r\nZENRIN_USER=u1\r\n");
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\n.ini")), 0);
    EXPECT_EQ(ini.csGetProfileString(QStringLiteral(" QMAP\t"), QStringLiteral("ZENRIN_USER ")),
              QStringLiteral("u1"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ini.iWriteProfileString(QStringLiteral(" qmap "), QStringLiteral("\tZENRIN_USER "),
                                          QStringLiteral("u2")),
                  1);
        EXPECT_EQ(
            ini.iWriteProfileString(QStringLiteral(" New "), QStringLiteral(" k "), QStringLiteral("v")), 1);
    }
    EXPECT_EQ(inst.readBytes(QStringLiteral("n.ini")),
              QByteArray("[QMAP]\r\nZENRIN_USER=u2\r\n[New]\r\nk=v\r\n"));
    EXPECT_EQ(ini.csGetProfileString(QStringLiteral("new "), QStringLiteral(" K")), QStringLiteral("v"));
    // A name the code page cannot hold would be written as '?' and never found again.
    EXPECT_EQ(ini.iWriteProfileString(QStringLiteral("New"), QStringLiteral("k\u00e9"), QStringLiteral("v")),
              -1);
    EXPECT_EQ(
        ini.iWriteProfileString(QStringLiteral("S\U0001F600"), QStringLiteral("k"), QStringLiteral("v")), -1);
    EXPECT_EQ(ini.iWriteProfileString(QStringLiteral(" "), QStringLiteral(" \t "), QStringLiteral("v")), -1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("n.ini")),
              QByteArray("[QMAP]\r\nZENRIN_USER=u2\r\n[New]\r\nk=v\r\n"));
}

TEST(IniFile, SeveralKeysInOneReplaceFromABaseFile)
{
    TestInstallation inst;
    inst.writeBytes(QStringLiteral("base.ini"), "[A]\r\na=1\r\n[B]\r\nb=\x80");
    inst.writeBytes(QStringLiteral("t.ini"), "old");
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(inst.path() + QStringLiteral("\\t.ini")), 0);
    const QString base = inst.path() + QStringLiteral("\\base.ini");
    // One entry that cannot be written: nothing is written.
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "2"}, {"B", "k=", "x"}}, base), -1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("t.ini")), QByteArray("old"));
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "2"}, {"C", "c", "3"}, {"B", "b2", "4"}}, base), 1);
    EXPECT_EQ(inst.readBytes(QStringLiteral("t.ini")),
              QByteArray("[A]\r\na=2\r\n[B]\r\nb=\x80\r\nb2=4\r\n[C]\r\nc=3\r\n"));
    EXPECT_EQ(inst.readBytes(QStringLiteral("base.ini")), QByteArray("[A]\r\na=1\r\n[B]\r\nb=\x80"));
    // A base file that cannot be read leaves the file as it was.
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "5"}}, inst.path() + QStringLiteral("\\none.ini")), 0);
    EXPECT_EQ(inst.readBytes(QStringLiteral("t.ini")).left(10), QByteArray("[A]\r\na=2\r\n"));
}

namespace
{

QProcess* startWriter(const QString& file, const QString& key, int count)
{
    auto* p = new QProcess;
    p->setProgram(binDir() + QStringLiteral("/ini_writer"));
    p->setArguments({file, key, QString::number(count)});
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start();
    return p;
}

QStringList temporaries(const TestInstallation& inst)
{
    return QDir(inst.path()).entryList({QStringLiteral("~*.tmp")}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(IniFile, EightProcessesWritingOneFileLoseNoWrite)
{
    TestInstallation inst;
    inst.writeBytes(QStringLiteral("Massage.ini"), "[PATH]\r\nSYSTEM_DATA=\\DATA\r\n");
    const QString file = inst.file(QStringLiteral("Massage.ini"));
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 8; ++i)
        writers.emplace_back(startWriter(file, QStringLiteral("key%1").arg(i), 200));
    for (auto& w : writers) {
        ASSERT_TRUE(w->waitForFinished(300000));
        EXPECT_EQ(w->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(w->exitCode(), 0) << w->arguments().join(' ').toStdString();
    }
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(file), 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ini.csGetProfileString("W", QStringLiteral("key%1").arg(i)), QStringLiteral("200"));
    EXPECT_EQ(ini.csGetProfileString("PATH", "SYSTEM_DATA"), QStringLiteral("\\DATA"));
    EXPECT_EQ(inst.readText(QStringLiteral("Massage.ini")).count(QStringLiteral("\r\n")), 11);
    EXPECT_TRUE(temporaries(inst).isEmpty());
}

TEST(IniFile, WriterKilledMidWriteLeavesAWholeFileAndNoTemporaries)
{
    TestInstallation inst;
    const QString file = inst.file(QStringLiteral("k.ini"));
    // Kills at whatever moment they land: between writes, inside a write, under the lock.
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<QProcess> w(startWriter(file, QStringLiteral("k"), 1000000));
        ASSERT_TRUE(w->waitForStarted());
        QThread::msleep(50 + QRandomGenerator::global()->bounded(100));
        w->kill();
        ASSERT_TRUE(w->waitForFinished());
    }
    clsOplIniFile ini;
    ASSERT_EQ(ini.iInit(file), 0);
    const QString last = ini.csGetProfileString("W", "k");
    EXPECT_GT(last.toInt(), 0);
    EXPECT_EQ(inst.readBytes(QStringLiteral("k.ini")), "[W]\r\nk=" + last.toLatin1() + "\r\n");
    // The next write of the file clears what the killed writers left.
    EXPECT_EQ(ini.iWriteProfileString("W", "k", "0"), 1);
    EXPECT_TRUE(temporaries(inst).isEmpty()) << temporaries(inst).join(' ').toStdString();
}
