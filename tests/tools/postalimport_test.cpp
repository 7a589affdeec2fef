#include "db/tsqlscript.h"
#include "postaldictionary.h"
#include "programs.h"

#include <QDir>

const QString kPostalDir =
    qEnvironmentVariable("TOPMENU_POSTAL_DIR", sourceDir() + "/.cache/jquery-jpostal-ja/json");

// A dictionary that is not the whole package is refused, naming the file; the demo's 8 rows stay.
// The whole one replaces them, and gives the script for databases osql builds.
TEST(PostalImport, RefusesADictionaryThatIsNotWhole)
{
    TestInstallation inst;
    inst.createDatabase("PC01\\MIRANE", true); // the demo data brings a few rows of its own
    install(inst, "postalimport"); // run from the installation's folder, where it finds the databases
    const auto import = [&](const QString& folder) {
        return run(inst.path(), "postalimport", {"-S", "PC01\\MIRANE", "-d", "MIRANE45", "-i", folder}, 600);
    };
    const QStringList files = QDir(kPostalDir).entryList({"???.json"}, QDir::Files);
    ASSERT_TRUE(QDir().mkpath(inst.file("json")));
    for (const QString& f : files)
        ASSERT_TRUE(QFile::link(kPostalDir + '/' + f, inst.file("json/" + f))); // removed before a write
    const QString file = inst.file("json/001.json"), notOfIt = file + ": 郵便番号辞書の形式ではありません（";
    const QByteArray record = R"(["_0010010","北海道","札幌市北区","","","","ﾎｯｶｲﾄﾞｳ","ｻｯﾎﾟﾛｼｷﾀｸ",""])";
    const auto call = [](const QByteArray& r) { return "jQuery_jpostal_callback(\n[" + r + "]\n);\n"; };
    const struct {
        QByteArray content; // "-": no file; "zero": a link to /dev/zero
        QString message;
    } cases[] = {
        {"-", file + ": 郵便番号辞書のファイルがありません。"},
        {call(""), file + ": 郵便番号が 1 件もありません（このファイルには郵便番号があるはずです）。"},
        {call(record + QByteArray(R"(,["_0010011","北海道",1,"","","","","",""])")),
         notOfIt + "2 件目: 9 個の文字列の配列ではありません）。"},
        {call(R"(["_0020072","北海道","札幌市東区","","","","","",""])"),
         notOfIt + "1 件目: 番号 _0020072 はこのファイルのものではありません）。"},
        {"zero", notOfIt + "通常のファイルで 4 MB 以下のはずです）。"},
        {"few",
         inst.file("json") + ": 郵便番号が 951 件しかありません（少なくとも 140000 件あるはずです）。"},
    };
    for (const auto& c : cases) {
        QFile::remove(file);
        if (c.content == "zero") {
            ASSERT_TRUE(QFile::link("/dev/zero", file));
        } else if (c.content == "few") { // every file there and holding a code, but far too few codes
            for (const QString& f : files) {
                if (QFileInfo(kPostalDir + '/' + f).size() < 400)
                    continue;
                QFile::remove(inst.file("json/" + f));
                inst.writeBytes("json/" + f,
                                call(QByteArray(record).replace("_001", "_" + f.left(3).toLatin1())));
            }
        } else if (c.content != "-") {
            inst.writeBytes("json/001.json", c.content);
        }
        const Ran r = import(inst.file("json"));
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.errors, "postalimport: " + c.message + "\npostalimport: 郵便番号 は元のままです。\n");
        EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), "8");
    }

    ASSERT_EQ(import(kPostalDir).code, 0);
    EXPECT_EQ(inst.scalar("select count(*) || ' ' || max(ID) from 郵便番号"), "146923 146923");

    std::vector<postal::Entry> some; // two files of the dictionary
    QString error;
    ASSERT_TRUE(postal::readDictionary(kPostalDir, &some, &error, {"100", "907"})) << error.toStdString();
    const QString script = postal::loadScript(some);
    const auto load = [&] { return db::runScript("USE MIRANE45\r\nGO\r\n" + script, "PC01\\MIRANE").failed; };
    EXPECT_TRUE(script.startsWith(
        "BEGIN TRANSACTION;\r\ndelete from 郵便番号;\r\ninsert into 郵便番号 (ID, YuubinNo, 名称, "
        "かな, 番地, 事業所名) values (1,'100-0000','東京都千代田区','ﾄｳｷｮｳﾄﾁﾖﾀﾞｸ',NULL,NULL),(2,"));
    EXPECT_TRUE(script.contains(
        ",'100-8916','東京都千代田区霞が関','ﾄｳｷｮｳﾄﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ','１丁目２－２','厚生労働省')"));
    EXPECT_TRUE(script.endsWith("');\r\nCOMMIT TRANSACTION;\r\nGO\r\n"));
    EXPECT_EQ(load(), 0);
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), QString::number(some.size()));
    // A dictionary table without readings refuses the script's rows and keeps its old ones.
    inst.exec("DROP TABLE 郵便番号; CREATE TABLE 郵便番号 (ID INT NOT NULL PRIMARY KEY, YuubinNo NVARCHAR(8),"
              " 名称 NVARCHAR(255)); INSERT INTO 郵便番号 VALUES (1, '100-0005', '東京都千代田区丸の内')");
    EXPECT_EQ(load(), 1);
    EXPECT_EQ(inst.scalar("select count(*) from 郵便番号"), "1");
}
