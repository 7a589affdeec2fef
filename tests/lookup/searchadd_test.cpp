#include "db/cT_ADODB.h"
#include "lookup/frmSearchAdd.h"
#include "lookup/onlinehelp.h"
#include "postaldictionary.h"
#include "state/state.h"
#include "windows.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTableView>

namespace
{

QString postalDir()
{
    const QByteArray env = qgetenv("TOPMENU_POSTAL_DIR");
    return env.isEmpty() ? sourceDir() + "/.cache/jquery-jpostal-ja/json" : QString::fromLocal8Bit(env);
}

// A program folder with the real dictionary entries of the code prefixes, with or without かな.
struct Dictionary {
    explicit Dictionary(const QStringList& prefixes, bool kana = true)
    {
        inst.writeAdodbIni();
        inst.createDatabase();
        if (!kana)
            inst.exec(
                "DROP TABLE 郵便番号; CREATE TABLE 郵便番号 (ID INT PRIMARY KEY, YuubinNo NVARCHAR(8), 名称 "
                "NVARCHAR(255))");
        QString error;
        EXPECT_TRUE(postal::readDictionary(postalDir(), &entries, &error, prefixes)) << error.toStdString();
        cT_ADODB db;
        db.iInit("Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=MIRANE45");
        EXPECT_EQ(db.iConnect(), 0);
        EXPECT_TRUE(postal::loadDictionary(db, entries, &error)) << error.toStdString();
    }
    TestInstallation inst;
    std::vector<postal::Entry> entries;
};

struct Shown {
    explicit Shown(short mode, const QString& text, bool stays = true)
    {
        dialog.iYmode = mode;
        dialog.txtAdd()->setText(text);
        if (stays)
            showActive(dialog);
        else
            dialog.show();
    }
    QTableView* grid() { return child<QTableView>(dialog, "fpSpread01"); }
    QAbstractItemModel* model() { return grid()->model(); }
    QString cell(int row, int column) { return model()->index(row, column).data().toString(); }
    QString count() { return child<QLabel>(dialog, "lblCnt")->text(); }
    // A function key as the user presses it: to the control that has the focus.
    void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    void chooseRow(int row)
    {
        grid()->setFocus();
        grid()->setCurrentIndex(model()->index(row, 0));
    }
    frmSearchAdd dialog;
};

// What the caller reads back: address or code, code or search text, reading.
QString results(const frmSearchAdd& d)
{
    return d.cYubin + "|" + d.cAddre + "|" + d.cAddKana;
}

// The silent look-up (mode 11) over the results 前|前の〒|まえ: result code, then results.
QString lookUp(const QString& code)
{
    frmSearchAdd d;
    d.iYmode = 11;
    d.cYubin = "前";
    d.cAddre = "前の〒";
    d.cAddKana = "まえ";
    d.txtAdd()->setText(code);
    const int result = d.exec();
    return QString::number(result) + "|" + results(d);
}

} // namespace

TEST(SearchAdd, Statements)
{
    const QString select = "select  ID, YuubinNo AS [〒], 名称, かな from 郵便番号 where ";
    EXPECT_EQ(frmSearchAdd::searchAddSql("100", true, false),
              select + "YuubinNo like '100%' order by YuubinNo");
    EXPECT_EQ(frmSearchAdd::searchAddSql("", true, false),
              "select top 0  ID, YuubinNo AS [〒], 名称, かな from "
              "郵便番号 where YuubinNo like '%' order by YuubinNo");
    // Quotes doubled; % and _ keep their pattern meaning.
    EXPECT_EQ(frmSearchAdd::searchSql("O'Ne_l%町", true, false),
              select + "名称 like '%O''Ne_l%町%' order by 名称");
    // An older dictionary without readings or business columns is asked only for what it has.
    EXPECT_EQ(frmSearchAdd::searchSql("丸の内", false, false),
              "select  ID, YuubinNo AS [〒], 名称 from 郵便番号 where 名称 like '%丸の内%' order by 名称");
    EXPECT_EQ(frmSearchAdd::searchSql("霞が関", true, true),
              "select  ID, YuubinNo AS [〒], 名称, かな, 番地, 事業所名 from 郵便番号 where 名称 like "
              "'%霞が関%' order by 名称, 番地");
    EXPECT_EQ(frmSearchAdd::serchAddDbSql("100-0005"), "SELECT * FROM 郵便番号 WHERE YuubinNo = '100-0005'");
    // Typed in part, with blanks or full-width: the dictionary's "100-0005" shape, from the left.
    for (const auto& [typed, code] : {std::pair{"１００－０００５", "100-0005"},
                                      {"1000005", "100-0005"},
                                      {"１００", "100"},
                                      {"1000", "100-0"},
                                      {"10000", "100-00"},
                                      {" 100 0005 ", "100-0005"},
                                      {"１００　０００５", "100-0005"},
                                      {"100 - 00", "100-00"},
                                      {"10000051", "10000051"}})
        EXPECT_EQ(frmSearchAdd::postalCodeText(QString::fromUtf8(typed)), code) << typed;
}

TEST(SearchAdd, AddressAndPostalCodeOverTheRealDictionaryBusinessCodesAndF12)
{
    Dictionary d({"010", "100", "101", "530"});
    d.inst.writeFile("Mirane.ver", "[OnlineHelp]\r\nADDRESS=http://help.example.jp/\r\n");
    d.inst.writeFile("QmapUser.ini", "ZENRIN_USER=ab\r\nZENRIN_PWD=cd\r\n");
    QStringList expected, shown; // every code beginning with 100, in order
    for (const postal::Entry& e : d.entries)
        if (e.code.startsWith("100"))
            expected << e.code;
    expected.sort();
    Shown s(0, "100");
    for (int r = 0; r < s.model()->rowCount(); ++r)
        shown << s.cell(r, 0);
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(s.grid()->isColumnHidden(2) || s.grid()->isColumnHidden(3)); // reading, business
    child<QAction>(s.dialog, "mnDispHelp")->trigger(); // help opens topic 1 with the map account reversed
    EXPECT_EQ(d.inst.processes.opened, QStringList{"http://help.example.jp/?zi=ba&zp=dc&lk=1"});

    s.dialog.txtAdd()->setText("１０００００５"); // a search typed in full-width digits finds the same rows
    s.dialog.txtAdd()->setFocus();
    s.press(Qt::Key_F4);
    ASSERT_EQ(s.model()->rowCount(), 1);
    s.chooseRow(0);
    s.press(Qt::Key_F1);
    EXPECT_EQ(s.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(results(s.dialog), "東京都千代田区丸の内|100-0005|ﾄｳｷｮｳﾄﾁﾖﾀﾞｸﾏﾙﾉｳﾁ");
    EXPECT_EQ(lookUp("100-0005"), "1|東京都千代田区丸の内|100-0005|ﾄｳｷｮｳﾄﾁﾖﾀﾞｸﾏﾙﾉｳﾁ"); // accepted
    EXPECT_EQ(lookUp("100-9999"), "0||前の〒|");                                       // rejected

    // Postal code by address.
    {
        Shown s(1, "");
        s.press(Qt::Key_F1); // select without a row: refused, the dialog stays
        d.inst.expectLastBox("住所の選択を行って下さい。", "住所検索", platform::MsgIcon::Exclamation,
                             platform::MsgButtons::Ok);
        EXPECT_TRUE(s.dialog.isVisible());

        // A quote, a pattern, a text longer than any address: searches, never a failing statement.
        for (const QString& text : {QString("千代田区丸'"), QString(17000, u'あ')}) {
            s.dialog.txtAdd()->setText(text);
            QTest::mouseClick(child<QPushButton>(s.dialog, "cmdSearch"), Qt::LeftButton);
            EXPECT_EQ(s.count(), "0 件") << text.toStdString();
        }
        s.dialog.txtAdd()->setText("千代田区丸%内");
        QTest::mouseClick(child<QPushButton>(s.dialog, "cmdSearch"), Qt::LeftButton);
        ASSERT_GT(s.model()->rowCount(), 1); // the towers of 丸の内 have a code per floor
        for (int r = 0; r < s.model()->rowCount(); ++r)
            EXPECT_TRUE(s.cell(r, 1).startsWith("東京都千代田区丸の内")) << s.cell(r, 1).toStdString();
        s.dialog.txtAdd()->setText("梅田");
        s.dialog.txtAdd()->setFocus();
        s.press(Qt::Key_F4);
        ASSERT_GE(s.model()->rowCount(), 2); // ordered by the statement
        s.chooseRow(0);
        s.press(Qt::Key_Return); // Enter on the grid takes the row
        EXPECT_FALSE(s.dialog.isVisible());
        EXPECT_EQ(s.dialog.cYubin, s.cell(0, 0)); // the code
        EXPECT_EQ(s.dialog.cAddre, "梅田");
    }
    // 56 codes of 霞が関 are mostly businesses' own: each row shows its street number and
    // business, and a business code fills the precise address in every mode.
    const QString precise = "東京都千代田区霞が関１丁目２－２";
    {
        Shown s(1, "霞が関"); // and the floors of 霞が関ビル
        QSet<QString> rows;
        for (int r = 0; r < s.model()->rowCount(); ++r)
            rows.insert(s.cell(r, 1) + "|" + s.cell(r, 3));
        EXPECT_EQ(s.count(), "93 件");
        EXPECT_EQ(rows.size(), 93); // no two alike
        const QModelIndexList found = s.model()->match(s.model()->index(0, 0), Qt::DisplayRole, "100-8916");
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(s.cell(found[0].row(), 1) + "|" + s.cell(found[0].row(), 3), precise + "|厚生労働省");
        s.chooseRow(found[0].row());
        s.press(Qt::Key_F1);
        EXPECT_EQ(results(s.dialog), "100-8916|霞が関|");
    }
    {
        Shown s(0, "100-8916");
        ASSERT_EQ(s.model()->rowCount(), 1);
        s.chooseRow(0);
        s.press(Qt::Key_F1);
        EXPECT_EQ(results(s.dialog), precise + "|100-8916|ﾄｳｷｮｳﾄﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ");
    }
    EXPECT_EQ(lookUp("1008916"), "1|" + precise + "|100-8916|ﾄｳｷｮｳﾄﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ");
    EXPECT_EQ(lookUp("100-0013"), "1|東京都千代田区霞が関|100-0013|ﾄｳｷｮｳﾄﾁﾖﾀﾞｸｶｽﾐｶﾞｾｷ"); // the town's own
    EXPECT_EQ(d.inst.messages.shown.size(), 1u);

    // F12 closes with a row chosen and keeps the caller's results.
    Shown f(0, "100-000");
    f.dialog.cYubin = "前";
    f.dialog.cAddre = "前の〒";
    f.chooseRow(2);
    f.press(Qt::Key_F12);
    EXPECT_EQ(f.dialog.result(), QDialog::Rejected);
    EXPECT_EQ(results(f.dialog), "前|前の〒|");
}

// An older dictionary without かな and 事業所名 (no reading, no failure); then none at all.
TEST(SearchAdd, OlderDictionaryMissingDictionaryAndOnlineHelp)
{
    Dictionary d({"100"}, false);
    EXPECT_EQ(lookUp("100-0005"), "1|東京都千代田区丸の内|100-0005|");
    Shown s(0, "100-0005");
    EXPECT_TRUE(s.grid()->isColumnHidden(2) && s.grid()->isColumnHidden(3));
    ASSERT_EQ(s.model()->rowCount(), 1);
    s.chooseRow(0);
    s.press(Qt::Key_F1);
    EXPECT_EQ(results(s.dialog), "東京都千代田区丸の内|100-0005|");

    // No dictionary at all: the dialog says so and closes, the caller gets no address.
    d.inst.exec("DROP TABLE 郵便番号");
    {
        Shown gone(0, "100", false);
        const ShownMessage& m = d.inst.messages.shown.at(0); // the only one: two after the look-up
        EXPECT_TRUE(m.text.startsWith("郵便番号辞書が見つかりません。\r[")) << m.text.toStdString();
        EXPECT_TRUE(m.text.endsWith("]"));
        EXPECT_EQ(m.title, "　検索エラー");
        EXPECT_EQ(m.icon, platform::MsgIcon::Exclamation);
        QTest::qWait(0);
        EXPECT_FALSE(gone.dialog.isVisible());
        EXPECT_EQ(gone.dialog.cYubin, ""); // no address for the caller
    }
    EXPECT_EQ(lookUp("100-0005"), "0||前の〒|"); // no address for the caller
    EXPECT_EQ(d.inst.messages.shown.size(), 2u);
    EXPECT_EQ(d.inst.messages.shown[1].title, "　検索エラー");

    // A search that fails later on shows its procedure's failure and keeps the grid.
    d.inst.exec(
        "CREATE TABLE 郵便番号 (ID INT PRIMARY KEY, YuubinNo NVARCHAR(8), 名称 NVARCHAR(255), かな "
        "NVARCHAR(255)); INSERT INTO 郵便番号 VALUES (1, '100-0005', '東京都千代田区丸の内', 'ﾏﾙﾉｳﾁ')");
    Shown t(1, "丸の内");
    d.inst.exec("DROP TABLE 郵便番号");
    t.dialog.txtAdd()->setFocus();
    t.press(Qt::Key_F4);
    ASSERT_EQ(d.inst.messages.shown.size(), 3u);
    EXPECT_TRUE(d.inst.messages.shown[2].text.startsWith("Search() でエラー\r\n("));
    EXPECT_EQ(d.inst.messages.shown[2].icon, platform::MsgIcon::Critical);
    EXPECT_EQ(t.model()->rowCount(), 1);
    EXPECT_EQ(t.count(), "1 件");

    // The online help: its refusals, then its address with the map account's query.
    const TestInstallation& inst = d.inst;
    vOpenOnlineHelp(1);
    inst.expectLastBox("環境ファイルの取得に失敗しました。", "データ参照エラー", platform::MsgIcon::Critical);
    inst.writeFile("Mirane.ver", "[OnlineHelp]\r\nADDRESS=HTTP://help.example.jp/\r\n");
    vOpenOnlineHelp(1);
    inst.expectLastBox("オンラインヘルプは現在ご利用いただけません。", "機能制限中",
                       platform::MsgIcon::Exclamation);

    const QString page = "http://help.example.jp/index.html";
    inst.writeFile("Mirane.ver", "[OnlineHelp]\r\nADDRESS=" + page + "\r\n");
    vOpenOnlineHelp(3); // no QmapUser.ini: no query
    // Items end at commas and line ends; a later item overrides an earlier one.
    inst.writeFile("QmapUser.ini", "ZENRIN_USER=x,ZENRIN_PWD=pw9\r\nZENRIN_USER=abc123\r\nUSER_CODE=77\r\n");
    vOpenOnlineHelp(12);
    vOpenOnlineHelp(-3);
    const QString account = page + "?zi=321cba&zp=9wp";
    EXPECT_EQ(inst.processes.opened, QStringList({page, account + "&lk=12", account + "&lk=1"}));
    EXPECT_EQ(state().gsHelpAddress, account + "&lk=1"); // never appended twice
    EXPECT_EQ(inst.messages.shown.size(), 5u);           // the search's three and the two above
}
