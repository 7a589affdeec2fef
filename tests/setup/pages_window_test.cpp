#include "map/frmSetMap.h"
#include "map/offlinemap.h"
#include "mapfixture.h"
#include "setup/frmBackUpCheck.h"
#include "setup/setuppages.h"
#include "setup/setupsave.h"
#include "setupfixture.h"
#include "windows.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

// Types the code and the name and presses add.
void add(const QWidget& page, const QString& code, const QString& name)
{
    child<QLineEdit>(page, "txtIDNo")->setText(code);
    child<QLineEdit>(page, "txtName")->setText(name);
    click(page, "btnAdd");
}

QStringList lines(const QWidget& w)
{
    QStringList texts;
    auto* list = child<QListWidget>(w, "lstMember");
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// The texts of the labels on the line of the named label, left to right, as a user reads them.
QString lineOfLabels(const QWidget& w, const char* name)
{
    QMap<int, QString> line;
    for (const QLabel* l : w.findChildren<QLabel*>()) {
        if (l->geometry().center().y() == child<QLabel>(w, name)->geometry().center().y())
            line.insert(l->x(), l->text());
    }
    return QStringList(line.values()).join(' ');
}

// Picks the first row of the postal search the next step opens; leaves its caption.
void pickFirstAddress(QString* caption)
{
    whenOpen("frmSearchAdd", [caption](QWidget& top) {
        *caption = top.windowTitle();
        auto* grid = top.findChild<QAbstractItemView*>("fpSpread01");
        grid->setCurrentIndex(grid->model()->index(0, 0));
        click(top, "cmdSelect");
    });
}

} // namespace

TEST(SetupListPages, AutomaticNumberingDeleteAndEnter)
{
    SetupInstallation inst;
    frmFirstSetUp02 page;
    auto* code = child<QLineEdit>(page, "txtIDNo");
    EXPECT_FALSE(code->isEnabled()); // numbered automatically
    showActive(page);

    // The page opens on the name: three names typed in a row, each ended with Enter.
    for (const QString name : {"一郎", "二郎", "三郎"}) {
        typeAtFocus(name);
        pressAtFocus(Qt::Key_Return);
    }
    EXPECT_EQ(lines(page),
              QStringList({"       1        一郎", "       2        二郎", "       3        三郎"}));
    EXPECT_EQ(lineOfLabels(page, "lblCount"), "登録数： 3 名");

    // Deleting the last code makes it the next one again.
    inst.messages.answer(MsgAnswer::Yes);
    click(page, "btnDelete");
    inst.expectLastBox("選択行を削除します。よろしいですか？", "データ削除", MsgIcon::Information,
                       MsgButtons::YesNo);
    EXPECT_EQ(child<QListWidget>(page, "lstMember")->currentRow(), 1);
    child<QLineEdit>(page, "txtName")->setFocus();
    typeAtFocus("四郎");
    pressAtFocus(Qt::Key_Return);
    EXPECT_EQ(lines(page).last(), "       3        四郎");

    // "No" keeps the item.
    inst.messages.answer(MsgAnswer::No);
    click(page, "btnDelete");
    EXPECT_EQ(lines(page).size(), 3);

    // Selecting an item shows its code and name.
    auto* list = child<QListWidget>(page, "lstMember");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(code->text(), "1");
    EXPECT_EQ(child<QLineEdit>(page, "txtName")->text(), "一郎");
    // Still numbered automatically: the shown code of the clicked item is no duplicate.
    child<QLineEdit>(page, "txtName")->setText("五郎");
    click(page, "btnAdd");
    EXPECT_EQ(lines(page).last(), "       4        五郎");
    EXPECT_EQ(code->text(), "5");
    inst.messages.answer(MsgAnswer::Yes);
    click(page, "btnDelete");

    // Back keeps the list in the record.
    click(page, "btnCancel");
    EXPECT_EQ(page.nextPage(), SetupPage::Corporation);
    ASSERT_EQ(state().gtSetupData.staffCount, 3);
    EXPECT_EQ(state().gtSetupData.staff[2].ID, 3.0);
    EXPECT_EQ(state().gtSetupData.staff[2].name, "四郎");
}

TEST(SetupListPages, CodeLimitsDuplicatesMissingEntriesAndNextOnAnEmptyList)
{
    SetupInstallation inst;
    for (auto kind : {frmFirstSetUpList::Kind::Staff, frmFirstSetUpList::Kind::Users}) {
        const bool staff = kind == frmFirstSetUpList::Kind::Staff;
        const QString who = staff ? "施術者" : "利用者";
        const QString largest = staff ? "99999998" : "999998";
        const QString beyond = staff ? "99999999" : "999999";
        frmFirstSetUpList page(kind);
        showActive(page);
        auto* autoBox = child<QCheckBox>(page, "chkAuto");
        QTest::mouseClick(autoBox, Qt::LeftButton, {}, QPoint(5, autoBox->height() / 2));
        auto* code = child<QLineEdit>(page, "txtIDNo"); // enabled, and the focus is on it

        code->selectAll();
        typeAtFocus(beyond);
        child<QLineEdit>(page, "txtName")->setText("名前");
        click(page, "btnAdd");
        inst.expectLastBox("これ以上の" + who + "コードは登録できません。", "入力エラー",
                           MsgIcon::Exclamation);
        EXPECT_EQ(QApplication::focusWidget(), code);

        add(page, largest, "名前");
        add(page, "12", "名前");
        EXPECT_EQ(lines(page), staff ? QStringList({"99999998        名前", "      12        名前"})
                                     : QStringList({"  99999800        名前", "      1200        名前"}));
        add(page, "12", "別人");
        inst.expectLastBox("既に同じ" + who + "コードが登録されています。", "入力エラー",
                           MsgIcon::Exclamation);
        add(page, "0", "別人");
        inst.expectLastBox(who + "コードが入力されていません。", "入力エラー", MsgIcon::Exclamation);
        add(page, "5", "  ");
        inst.expectLastBox(who + "氏名が入力されていません。", "入力エラー", MsgIcon::Exclamation);
        EXPECT_EQ(lines(page).size(), 2);
        add(page, "13", QString(300, QChar(u'長')));
        EXPECT_EQ(lines(page).last().mid(16).trimmed(), QString(255, QChar(u'長')));
        // A hand-typed code of 0: entering the name field sends the user back to the code.
        code->setText("0");
        code->setFocus();
        child<QLineEdit>(page, "txtName")->setFocus();
        EXPECT_EQ(QApplication::focusWidget(), code);
    }
    // Next on an empty list asks; the user page leads to the end.
    frmFirstSetUp03 users;
    users.show();
    inst.messages.answer(MsgAnswer::No);
    click(users, "btnNext");
    inst.expectLastBox("利用者データが入力されていません。\r\n無視して次のステップに進みますか？",
                       "施術者データ入力", MsgIcon::Information, MsgButtons::YesNo);
    EXPECT_TRUE(users.isVisible());
    state().giSetupMode = 0;
    click(users, "btnNext");
    EXPECT_EQ(users.nextPage(), SetupPage::Final);
    EXPECT_EQ(state().giSetupMode, 9);
    EXPECT_EQ(state().gtSetupData.userCount, 0);
}

TEST(SetupCorporationPage, QuestionsOnNextBackKeepsLookUpAndSearch)
{
    SetupInstallation inst;
    inst.exec("INSERT INTO 郵便番号 (ID, YuubinNo, 名称, かな) VALUES (1, '060-0001', "
              "'北海道札幌市中央区北一条西', 'ﾎｯｶｲﾄﾞｳｻｯﾎﾟﾛｼ')");
    state().gtSetupData.companyName.clear();
    {
        frmFirstSetUp01 page;
        showActive(page);
        // Two questions; No to the second stays.
        inst.messages.answer(MsgAnswer::Yes);
        inst.messages.answer(MsgAnswer::No);
        click(page, "btnNext");
        ASSERT_EQ(inst.messages.shown.size(), 2u);
        EXPECT_EQ(inst.messages.shown[0].text,
                  "往療起点の社名が入力されていません。\r\n無視して次のステップに進みますか？");
        inst.expectLastBox("緯度・経度の情報が入力されていません。\r\n無視して次のステップに進みますか？",
                           "施術者データ入力");
        EXPECT_TRUE(page.isVisible());

        // The typed address stays; the seven digits fill the kana and move on to the map.
        child<QLineEdit>(page, "txtAddress01")->setText("札幌市の住所");
        child<QLineEdit>(page, "posYubin")->setFocus();
        typeAtFocus("0600001");
        EXPECT_EQ(child<QLineEdit>(page, "txtAddress01")->text(), "札幌市の住所");
        EXPECT_EQ(child<QLineEdit>(page, "txtAddressKana")->text(), "ﾎｯｶｲﾄﾞｳｻｯﾎﾟﾛｼ");
        EXPECT_EQ(QApplication::focusWidget()->objectName(), "btnLatLong");

        child<QLineEdit>(page, "txtKaishaName")->setText(" 札幌治療院 ");
        child<QLineEdit>(page, "imLat")->setText("155000000");
        inst.messages.shown.clear();
        click(page, "btnCancel"); // back never asks
        EXPECT_TRUE(inst.messages.shown.empty());
        EXPECT_EQ(page.nextPage(), SetupPage::OperatingRules);
    }
    // (A page shown again reads the record back: the end-to-end setup goes back and forth.)
    const tSetupData& d = state().gtSetupData;
    EXPECT_EQ(d.companyName, "札幌治療院");
    EXPECT_EQ(d.latitude, 155000000);

    frmFirstSetUp01 again;
    showActive(again);
    child<QLineEdit>(again, "txtAddress01")->clear();
    click(again, "btnLatLong");
    inst.expectLastBox("住所を入力してください。", QString(), MsgIcon::Exclamation);

    // The postal search both ways: from the code, then from the address.
    child<QLineEdit>(again, "posYubin")->setText("0600001");
    QString caption;
    pickFirstAddress(&caption);
    click(again, "btnYubin");
    EXPECT_EQ(caption, "住所検索");
    EXPECT_EQ(child<QLineEdit>(again, "posYubin")->text(), "060-0001");
    EXPECT_EQ(child<QLineEdit>(again, "txtAddress01")->text(), "北海道札幌市中央区北一条西");
    // The focus the page gives back once the search has closed.
    EXPECT_EQ(again.focusWidget(), child<QLineEdit>(again, "posYubin"));

    child<QLineEdit>(again, "posYubin")->clear();
    child<QLineEdit>(again, "txtAddress01")->setText("北一条西");
    pickFirstAddress(&caption);
    click(again, "btnAdd");
    EXPECT_EQ(caption, "郵便番号検索");
    EXPECT_EQ(child<QLineEdit>(again, "posYubin")->text(), "060-0001");

    // A text is cut to its column (255); ten digits cannot be typed, and a position
    // outside the map is refused, the half-typed 155000000/0 too.
    QApplication::setActiveWindow(&again); // again, after the searches
    const auto retype = [&](const char* field, const QString& text) {
        child<QLineEdit>(again, field)->setFocus();
        pressAtFocus(Qt::Key_A, Qt::ControlModifier);
        typeAtFocus(text);
    };
    retype("txtKaishaName", QString(300, QChar(u'長')));
    for (const char* lon : {"9999999999", "0"}) {
        retype("imLon", lon);
        click(again, "btnNext");
        inst.expectLastBox("北緯・東経が地図の範囲外です。\r\n「地図で位置を指定」で位置を指定して下さい。",
                           "入力エラー", MsgIcon::Exclamation);
        EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(again, "imLat"));
    }
    retype("imLon", "508000000");
    click(again, "btnNext");
    EXPECT_EQ(again.nextPage(), SetupPage::Staff);
    EXPECT_EQ(d.companyName.size(), 255);
    ASSERT_EQ(iDataSaveCorp(), 0);
    EXPECT_EQ(inst.scalar("SELECT length(cShamei1) FROM CORP"), "255");
}

// A postal code typed short is kept as typed and stored as the office row keeps codes, filled
// from the right ("&&&-&&&&"); blanks cannot be typed into the field, and a code with blanks
// around it (as a search may return one) is shown and kept trimmed.
TEST(SetupCorporationPage, PostalCodeTypedShortOrWithBlanks)
{
    SetupInstallation inst;
    for (const auto& [typed, kept, stored] : {std::tuple{"06000", "060-00", "0-6000"},
                                              {" 060 0001 ", "060-0001", "060-0001"},
                                              {"060-00", "060-00", "0-6000"}}) {
        SCOPED_TRACE(typed);
        state().gtSetupData.postalCode.clear();
        frmFirstSetUp01 page;
        showActive(page);
        child<QLineEdit>(page, "posYubin")->setFocus();
        typeAtFocus(QString::fromUtf8(typed));
        click(page, "btnCancel");
        EXPECT_EQ(state().gtSetupData.postalCode, QString::fromUtf8(kept));
        inst.exec("DELETE FROM CORP");
        ASSERT_EQ(iDataSaveCorp(), 0);
        EXPECT_EQ(inst.scalar("SELECT cYubinNo FROM CORP"), QString::fromUtf8(stored));
    }
    state().gtSetupData.postalCode = " 0600001 ";
    frmFirstSetUp01 page;
    EXPECT_EQ(child<QLineEdit>(page, "posYubin")->text(), "060-0001");
    click(page, "btnCancel");
    EXPECT_EQ(state().gtSetupData.postalCode, "060-0001");
}

TEST(SetupOperatingRulesPage, ChoicesReceiptFrameAndSamplePrint)
{
    SetupInstallation inst;
    frmFirstSetUpA0 page;
    EXPECT_TRUE(child<QRadioButton>(page, "optChk02_2")->isChecked()); // rule 0 shows 日曜日のみ
    EXPECT_EQ(child<QSpinBox>(page, "inReseptFixedDay_2")->value(), 15);
    showActive(page);

    child<QRadioButton>(page, "optChk01_0")->click(); // 行っている
    child<QRadioButton>(page, "optChk02_1")->click();
    child<QRadioButton>(page, "optChk04_1")->click();
    child<QSpinBox>(page, "inReseptFixedDay_1")->setValue(-1);
    child<QRadioButton>(page, "optChk06_1")->click();
    inst.expectLastBox("トータル実績管理での運用を行う設定に変更されました。\r\n"
                       "拠点別での実績管理はご利用できなくなりますのでご注意下さい。",
                       "実績管理変更のご注意", MsgIcon::Exclamation);

    child<QRadioButton>(page, "optChk10_1")->click();
    auto* frame = child<QGroupBox>(page, "fraRyosyu");
    EXPECT_TRUE(frame->isVisible());
    // The frame hides no question: below them all, inside the page.
    for (QGroupBox* group : page.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(group == frame || !group->geometry().intersects(frame->geometry()));
    EXPECT_TRUE(page.rect().contains(frame->geometry()));
    EXPECT_FALSE(child<QPushButton>(page, "btnNext")->isEnabled());
    click(page, "btnPrtSub");
    inst.expectLastBox("領収書のイメージ表示には領収書を選択する必要があります。", "申請書イメージ表示",
                       MsgIcon::Exclamation);
    // (The sample print of the chosen format: the sample receipt's tests.)
    child<QRadioButton>(page, "opt_SelRyousyuu_5")->click();
    click(page, "cmdOk");
    EXPECT_FALSE(child<QGroupBox>(page, "fraRyosyu")->isVisible());
    EXPECT_TRUE(child<QPushButton>(page, "btnNext")->isEnabled());

    // A fixing day of 0 is refused.
    child<QSpinBox>(page, "inReseptFixedDay_2")->setFocus();
    pressAtFocus(Qt::Key_A, Qt::ControlModifier);
    typeAtFocus("0");
    click(page, "btnNext");
    inst.expectLastBox("確定日は1から31までの日を入力して下さい。\r\n末日の場合は-1を入力して下さい。",
                       "入力エラー", MsgIcon::Exclamation);
    typeAtFocus("31"); // over the refused day, which the refusal selected

    click(page, "btnNext");
    EXPECT_EQ(page.nextPage(), SetupPage::Corporation);
    // iHenkei, holidayRule, the fixed months, the charge and consent days, the receipt,
    // recordKeeping.
    const tSetupData& d = state().gtSetupData;
    EXPECT_EQ(QList<short>({d.iHenkei, d.holidayRule, d.iReseptFixedMonth, d.iChargeFixedMonth,
                            d.iChargeFixedDay, d.iConsentFixedMonth, d.iConsentFixedDay, d.receiptFormatMode,
                            d.receiptFormat, d.recordKeeping}),
              QList<short>({0, 2, 1, 1, -1, 0, 31, 2, 6, 1}));

    // Shown again, the page reads the choices back as they were made.
    frmFirstSetUpA0 again;
    EXPECT_TRUE(child<QRadioButton>(again, "optChk01_0")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "optChk02_1")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "optChk06_1")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again, "opt_SelRyousyuu_5")->isChecked());
}

TEST(SetupFirstPages, IntroFinalAndIntroduction)
{
    SetupInstallation inst;
    const auto info = [](const QWidget& page) {
        return child<QPlainTextEdit>(page, "imtInfo")->toPlainText();
    };
    state().giSetupMode = 0;
    {
        // Escape keeps the page open (closing it would end the setup); 中止 ends it.
        frmFirstSetUp00 intro;
        EXPECT_TRUE(info(intro).startsWith("『ミラネかんたんセットアップ』"));
        showActive(intro);
        pressAtFocus(Qt::Key_Escape);
        EXPECT_TRUE(intro.isVisible());
        EXPECT_THROW(intro.btnEnd_Click(), ProgramEnded);
        inst.expectLastBox("初期データ設定を中止しました。", "処理中断", MsgIcon::Critical);
    }
    state().giSetupMode = 9;
    frmFirstSetUp00 last;
    EXPECT_TRUE(info(last).startsWith("かんたんセットアップはこれで完了です。"));
    last.show();
    EXPECT_EQ(child<QPushButton>(last, "btnLast")->text(), "ミラネを起動");
    click(last, "btnCancel");
    EXPECT_EQ(last.nextPage(), SetupPage::Users);
    EXPECT_EQ(state().giSetupMode, 0);

    // The introduction writes the tutorial marker over what was there.
    inst.writeFile("Tutorial.kvx", "old\r\nlines\r\n");
    frmFirstView view;
    view.show();
    click(view, "btnAdd");
    EXPECT_EQ(inst.readBytes("Tutorial.kvx"), QByteArray("[tutorial]= 1\r\n"));
    EXPECT_FALSE(view.isVisible());
}

TEST(SetupCorporationPage, PositionFromTheMapScreen)
{
    SetupInstallation inst;
    installMapScreen(inst);
    state().gsMapKeyStatus = "0";

    frmFirstSetUp01 page;
    page.show();
    child<QLineEdit>(page, "txtAddress01")->setText("東京都八王子市元本郷町");
    // On the map: a click places the marker, the register button hands the position back.
    QString address;
    whenOpen("frmSetMap", [&](QWidget& top) {
        address = state().gsMapAddress;
        QTest::mouseClick(static_cast<frmSetMap&>(top).mapWidget(), Qt::LeftButton, {}, QPoint(50, 60));
        click(top, "btnRegist");
    });
    click(page, "btnLatLong");
    EXPECT_EQ(address, "東京都八王子市元本郷町");
    EXPECT_EQ(state().giSetupKyotenCd, 1);
    EXPECT_NE(state().gnMapResultLat, 0);
    EXPECT_EQ(child<QLineEdit>(page, "imLat")->text(), QString::number(state().gnMapResultLat));
    EXPECT_EQ(child<QLineEdit>(page, "imLon")->text(), QString::number(state().gnMapResultLon));
}

// (The dialog's buttons and date: the exit flow's reminder tests.)
TEST(BackUpCheck, EraDate)
{
    EXPECT_EQ(eraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年04月30日"));
    EXPECT_EQ(eraDate(QDate(2019, 5, 1)), QStringLiteral("令和1年05月01日"));
    EXPECT_EQ(eraDate(QDate(1989, 1, 7)), QStringLiteral("昭和64年01月07日"));
}
