#include "installation.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

using textfile::encode;

namespace
{

QProcess* startWriter(const QString& file, const QString& key, int count)
{
    auto* p = new QProcess;
    p->setProgram(binDir() + "/ini_writer");
    p->setArguments({file, key, QString::number(count)});
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start();
    return p;
}

} // namespace

// An INI file in a program folder of its own.
class IniFile : public ::testing::Test
{
protected:
    // Writes the file and opens it by its name in Windows form.
    void open(const QString& name, const QByteArray& bytes)
    {
        inst.writeBytes(name, bytes);
        ASSERT_EQ(ini.iInit(inst.path() + u'\\' + name), 0);
    }
    QString get(const QString& s, const QString& k) const { return ini.csGetProfileString(s, k); }
    short put(const QString& s, const QString& k, const QString& v)
    {
        return ini.iWriteProfileString(s, k, v);
    }

    TestInstallation inst;
    clsOplIniFile ini;
};

TEST_F(IniFile, ReadsValuesAsTheProfileFunctionsDo)
{
    inst.writeFile("t.ini", "top=before\r\n [ Sec ]\r\n;key=comment\r\n\t KEY  =  \"quoted value \"  \r\n"
                            "key=second\nsingle='x'\r\nmixed=\"x'\r\n[sec]\r\nother=later section\r\n"
                            "[Long]\r\nv=" +
                                QString(254, u'a') + "あ\r\nw=" + QString(300, u'b'));
    ASSERT_EQ(ini.iInit(inst.path() + "\\T.INI"), 0);
    // Names in any case; one pair of quotes dropped; only the first section of a name; no key
    // before the first section, nor in a comment.
    EXPECT_EQ(QStringList({get("sec", "key"), get("SEC", "Key"), get("sec", "single"), get("sec", "mixed"),
                           get("sec", "other"), get("", "top"), get("sec", ";key")}),
              QStringList({"quoted value", "quoted value", "x", "\"x'", "", "", ""}));
    // 255 bytes at most, never half a double-byte character.
    EXPECT_EQ(get("long", "v"), QString(254, u'a'));
    EXPECT_EQ(get("long", "w"), QString(255, u'b'));

    EXPECT_EQ(ini.iInit(inst.path() + "\\none.ini"), -1); // its text: MapWrapper.EndsWithoutAdodbIni...
    EXPECT_EQ(get("sec", "key"), QString());
    EXPECT_EQ(ini.iInit(QString()), -1);
    EXPECT_EQ(ini.csErrMsg(), "Iniファイル名を指定してください。");
}

TEST_F(IniFile, WritesInPlaceAtSectionEndOrAsNewSectionKeepingEveryByteOfOtherLines)
{
    open("w.ini", encode("; 設定\n[A]\r\n x = 1\r\nz=3\r\n\r\n[B]\r\nb=2"));
    EXPECT_EQ(put("a", "X", "9"), 1);
    EXPECT_EQ(put("A", "環境名", "東京－本店"), 1);
    EXPECT_EQ(put("B", "c", ""), 1);
    // Lines not written keep their bytes, their line ends included.
    EXPECT_EQ(inst.readBytes("w.ini"),
              encode("; 設定\n[A]\r\nX=9\r\nz=3\r\n環境名=東京－本店\r\n\r\n[B]\r\nb=2\r\nc=\r\n"));

    open("n.ini", "[A]\r\na=1");
    EXPECT_EQ(put("New", "k", "v"), 1);
    EXPECT_EQ(inst.readBytes("n.ini"), "[A]\r\na=1\r\n[New]\r\nk=v\r\n");

    EXPECT_EQ(ini.iInit(inst.path() + "\\created.ini"), -1);
    EXPECT_EQ(put("S", "k", "v"), 1);
    EXPECT_EQ(inst.readBytes("created.ini"), "[S]\r\nk=v\r\n");

    // Names with blanks around them find their key.
    open("q.ini", "[QMAP]\r\nZENRIN_USER=u1\r\n");
    EXPECT_EQ(get(" QMAP\t", "ZENRIN_USER "), "u1");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(put(" qmap ", "\tZENRIN_USER ", "u2"), 1);
        EXPECT_EQ(put(" New ", " k ", "v"), 1);
    }
    EXPECT_EQ(inst.readBytes("q.ini"), "[QMAP]\r\nZENRIN_USER=u2\r\n[New]\r\nk=v\r\n");

    // Bytes CP932 lacks, a broken double-byte character, a lone CR, a last lead byte.
    const QByteArray tail("[T]\r\nend=ab\x82");
    open("b.ini", "[S]\r\nk=1\r\nraw=\x80\xa0\xfd\x82\r\n\x81\x7f\rx=\x88\x9f\n" + tail);
    EXPECT_EQ(put("S", "k", "東"), 1);
    EXPECT_EQ(inst.readBytes("b.ini"),
              QByteArray("[S]\r\nk=\x93\x8c\r\nraw=\x80\xa0\xfd\x82\r\n\x81\x7f\rx=\x88\x9f\n") + tail);
    EXPECT_EQ(get("S", "x"), "亜");
    // The lone lead byte at the end is still there when read, and when a key is added after it.
    EXPECT_EQ(get("T", "end"), "ab\x1a");
    EXPECT_EQ(put("T", "new", "v"), 1);
    EXPECT_EQ(inst.readBytes("b.ini").right(21), "[T]\r\nend=ab\x82\r\nnew=v\r\n");
}

TEST_F(IniFile, RefusesUnwritableArgumentsAndFailedWritesOfOneKeyOrSeveral)
{
    open("r.ini", "[S]\r\nk=1\r\n");
    // Last: names CP932 lacks (they would be written as '?'), and a name of blanks only.
    const QList<QStringList> refused = {
        {"a]b", "k", "v"},     {"S", "k=x", "v"},         {"S", QString(), "v"},
        {"S", ";k", "v"},      {"S", "k", "x\ry"},        {"S", "k", QString("x") + QChar(u'\0')},
        {"S", "k\u00e9", "v"}, {"S\U0001F600", "k", "v"}, {" ", " \t ", "v"}};
    for (const QStringList& args : refused) {
        SCOPED_TRACE(args.join(u'|').toStdString());
        EXPECT_EQ(put(args[0], args[1], args[2]), -1);
    }
    EXPECT_EQ(inst.readBytes("r.ini"), "[S]\r\nk=1\r\n");

    ASSERT_TRUE(QDir(inst.path()).mkpath("dir.ini/inner"));
    ini.iInit(inst.path() + "\\dir.ini");
    EXPECT_EQ(put("S", "k", "v"), 0);
    EXPECT_TRUE(QDir(inst.file("dir.ini/inner")).exists());
    ini.iInit(inst.path() + "\\nofolder\\x.ini");
    EXPECT_EQ(put("S", "k", "v"), 0);
    EXPECT_FALSE(inst.exists("nofolder"));

    // Several keys in one, replacing the file from a base file.
    inst.writeBytes("base.ini", "[A]\r\na=1\r\n[B]\r\nb=\x80");
    open("t.ini", "old");
    const QString base = inst.path() + "\\base.ini";
    // One entry that cannot be written: nothing is written.
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "2"}, {"B", "k=", "x"}}, base), -1);
    EXPECT_EQ(inst.readBytes("t.ini"), "old");
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "2"}, {"C", "c", "3"}, {"B", "b2", "4"}}, base), 1);
    EXPECT_EQ(inst.readBytes("t.ini"), "[A]\r\na=2\r\n[B]\r\nb=\x80\r\nb2=4\r\n[C]\r\nc=3\r\n");
    EXPECT_EQ(inst.readBytes("base.ini"), "[A]\r\na=1\r\n[B]\r\nb=\x80");
    // A base file that cannot be read leaves the file as it was.
    EXPECT_EQ(ini.iWriteProfileStrings({{"A", "a", "5"}}, inst.path() + "\\none.ini"), 0);
    EXPECT_EQ(inst.readBytes("t.ini").left(10), "[A]\r\na=2\r\n");
}

TEST_F(IniFile, EightProcessesWritingOneFileLoseNoWrite)
{
    inst.writeBytes("Massage.ini", "[PATH]\r\nSYSTEM_DATA=\\DATA\r\n");
    const QString file = inst.file("Massage.ini");
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 8; ++i)
        writers.emplace_back(startWriter(file, QString("key%1").arg(i), 200));
    for (auto& w : writers) {
        ASSERT_TRUE(w->waitForFinished(300000));
        EXPECT_EQ(std::pair(w->exitStatus(), w->exitCode()), std::pair(QProcess::NormalExit, 0))
            << w->arguments().join(' ').toStdString();
    }
    ASSERT_EQ(ini.iInit(file), 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(get("W", QString("key%1").arg(i)), "200");
    EXPECT_EQ(get("PATH", "SYSTEM_DATA"), "\\DATA");
    EXPECT_EQ(inst.readText("Massage.ini").count("\r\n"), 11);
    // The writers' lock stays out of the folder and is gone with the last writer.
    EXPECT_EQ(QDir(inst.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Massage.ini"});
    EXPECT_FALSE(QFile::exists(platform::lockFolder() + '/' + platform::lockNameOfFile(file)));
}

TEST_F(IniFile, WriterKilledMidWriteLeavesAWholeFileAndNoTemporaries)
{
    const QString file = inst.file("k.ini");
    // Kills at whatever moment they land: between writes, inside a write, under the lock.
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<QProcess> w(startWriter(file, "k", 1000000));
        ASSERT_TRUE(w->waitForStarted());
        QThread::msleep(50 + QRandomGenerator::global()->bounded(100));
        w->kill();
        ASSERT_TRUE(w->waitForFinished());
    }
    ASSERT_EQ(ini.iInit(file), 0);
    const QString last = get("W", "k");
    EXPECT_GT(last.toInt(), 0);
    EXPECT_EQ(inst.readBytes("k.ini"), "[W]\r\nk=" + last.toLatin1() + "\r\n");
    // The next write of the file clears what the killed writers left.
    EXPECT_EQ(put("W", "k", "0"), 1);
    EXPECT_EQ(QDir(inst.path()).entryList({"~*.tmp"}, QDir::Files | QDir::Hidden), QStringList());
}
