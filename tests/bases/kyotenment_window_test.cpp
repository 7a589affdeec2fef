#include "basefixture.h"
#include "bases/frmCaution.h"
#include "bases/frmKyotenMent.h"
#include "bases/kyoten.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "windows.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <memory>

using platform::MsgIcon;

namespace
{

QRadioButton* opt(const QWidget& w, int i)
{
    return w.findChild<QRadioButton*>(QStringLiteral("optUmFlg_%1").arg(i));
}

QImage picture(const QWidget& w, int i)
{
    return w.findChild<QLabel*>(QStringLiteral("imgStatus_%1").arg(i))->pixmap().toImage();
}

// The window, shown, on the base it finds in gtKyoten.
std::unique_ptr<frmKyotenMent> open(short cd, short eb, const QString& area, const QString& name,
                                    short usedFlg, const QString& comment = {})
{
    state().gtKyoten = kyotenRecord(cd, eb, area, name, usedFlg, comment);
    auto w = std::make_unique<frmKyotenMent>();
    w->show();
    return w;
}

// Types the name, picks the status and presses register.
void enter(frmKyotenMent& w, const QString& name, int option)
{
    child<QLineEdit>(w, "imKyotenName")->setText(name);
    opt(w, option)->setChecked(true);
    click(w, "btnRegist");
}

// Presses delete and gives the confirmation the answer.
void remove(frmKyotenMent& w, const char* answer)
{
    whenOpen("frmCaution", [answer](QWidget& caution) { click(caution, answer); });
    click(w, "btnDel");
}

// Message boxes that look at the installation as each comes up.
struct LookingBoxes : FakeMessageBoxes {
    platform::MsgAnswer show(const QString& text, const QString& title, platform::MsgIcon icon,
                             platform::MsgButtons buttons) override
    {
        look();
        return FakeMessageBoxes::show(text, title, icon, buttons);
    }
    std::function<void()> look;
};

} // namespace

// Edit mode: the fields, the focus, Enter and F10; the status options, texts and pictures.
TEST(KyotenMentWindow, EditModeFieldsKeysStoringStatusOptionsAndTheFranchiseOption)
{
    TwoBases inst;
    enter(*open(13, 2, "東京", "支店", 2), "本店", 2); // another base's name is refused
    inst.expectLastBox(kSameName, "入力エラー", MsgIcon::Exclamation);

    const auto w = open(13, 2, "東京", "支店", 2, "駅前");
    EXPECT_EQ(w->windowTitle(), "拠点／事業所管理画面（編集モード）");
    EXPECT_FALSE(child<QPushButton>(*w, "btnCopy")->isEnabled());
    QStringList fields;
    for (const char* name : {"imArea", "imChiku", "imBcd", "imBeb", "imKyotenName", "imKyotenComment"})
        fields << child<QLineEdit>(*w, name)->text();
    EXPECT_EQ(fields, QStringList({"東京", "関東地方", "13", "2", "支店", "駅前"}));

    showActive(*w);
    // Typed at once: the first field a user can change has the focus, not the read-only area.
    pressAtFocus(Qt::Key_Home);
    typeAtFocus("Mc'Donald ");
    pressAtFocus(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), child<QLineEdit>(*w, "imKyotenComment"));
    child<QLineEdit>(*w, "imKyotenComment")->setText(" 閉店予定");
    pressAtFocus(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_NE(QApplication::focusWidget(), child<QLineEdit>(*w, "imKyotenComment"));
    EXPECT_EQ(inst.messages.shown.size(), 1u); // Enter registers nothing
    opt(*w, 4)->setChecked(true);
    pressAtFocus(Qt::Key_F10);
    inst.expectLastBox("Mc'Donald 支店事業所の更新を行いました。", "事業所更新完了", MsgIcon::Information);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(inst.kyotenRow(13, 2), "13|2|0|東京|Mc'Donald 支店|閉店予定|0||0||9");

    // Without franchises the franchise option goes.
    for (int fc : {0, 1}) {
        inst.writeFile("Massage.ini",
                       QStringLiteral("[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[システム]\r\nFC機能=%1\r\n").arg(fc));
        const auto w = open(13, 1, "東京", "本店", 1);
        EXPECT_EQ(opt(*w, 2)->isVisible(), fc == 1);
    }
    // The installation's own pictures (SYSTEM_ICON), one colour each, by the list's icon number.
    const QColor colours[] = {Qt::gray, Qt::green, Qt::blue, Qt::yellow, Qt::black};
    QDir(inst.path()).mkdir("ICON");
    for (int icon = 0; icon < 5; ++icon) {
        QImage image(48, 48, QImage::Format_ARGB32);
        image.fill(colours[icon]);
        ASSERT_TRUE(image.save(inst.file(QStringLiteral("ICON/KYOTEN%1.png").arg(icon))));
    }
    // By iUsedFlg: option, status text, the list's icon of the status.
    for (const auto& [flag, option, text, icon] : {std::tuple{0, 0, "事業所未登録", 0},
                                                   {1, 1, "事業所として運用中", 1},
                                                   {2, 2, "ＦＣとして運用中", 2},
                                                   {3, 3, "運用停止中", 3},
                                                   {9, 4, "廃止", 4}}) {
        SCOPED_TRACE(flag);
        const auto w = open(13, 1, "東京", "本店", short(flag));
        EXPECT_TRUE(opt(*w, option)->isChecked());
        EXPECT_EQ(child<QLabel>(*w, "lblStatus")->text(), text);
        EXPECT_EQ(picture(*w, 0).pixel(24, 24), QColor(colours[icon]).rgba()); // as in the list
        EXPECT_EQ(opt(*w, 0)->isEnabled(), flag == 0);
    }
    const auto other = open(13, 1, "東京", "本店", 7); // a status of no option checks none
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(opt(*other, i)->isChecked());

    // Choosing shows at once and stores nothing.
    QTest::mouseClick(opt(*other, 4), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(child<QLabel>(*other, "lblStatus")->text(), "廃止");
    EXPECT_EQ(picture(*other, 0).pixel(24, 24), QColor(colours[4]).rgba());
    EXPECT_EQ(inst.kyotenRow(13, 1), "13|1|0|東京|本店||0||0||1"); // nor anything of the other base
}

// Add mode: the window, the entries it refuses, a registration, and registrations that fail.
TEST(KyotenMentWindow, AddModeRefusalsRegistrationAndFailedRegistrations)
{
    TwoBases inst;
    const auto add = open(13, 3, "東京", "", 0);
    EXPECT_EQ(add->windowTitle(), "拠点／事業所管理画面（追加モード）");
    EXPECT_TRUE(child<QPushButton>(*add, "btnCopy")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(*add, "btnDel")->isEnabled());
    EXPECT_FALSE(child<QAction>(*add, "mnF2")->isEnabled());
    child<QAction>(*add, "mnF12")->trigger();
    EXPECT_FALSE(add->isVisible());

    const QString empty = "事業所名称は必ず入力して下さい。", input = "入力エラー";
    for (const auto& [name, option, text, title] :
         {std::tuple<QString, int, QString, QString>{"", 1, empty, input},
          {"  　　 ", 1, empty, input},
          {QString(200, QChar(u'店')), 1, "事業所名称は100文字以内で入力して下さい。", input},
          {"𠮷野家", 1, "事業所名称に使用できない文字が含まれています。\r\n𠮷", input},
          {"新店", 0, "事業所の状態は未登録以外を選択して下さい。", "設定エラー"},
          {" 本店", 1, kSameName, input}}) { // the name of base 13-1
        SCOPED_TRACE(text.toStdString());
        const auto w = open(13, 3, "東京", "", 0);
        enter(*w, name, option);
        inst.expectLastBox(text, title, MsgIcon::Exclamation);
        EXPECT_TRUE(w->isVisible());
    }
    EXPECT_EQ(inst.kyotenRow(13, 3), ""); // (its files are made only with it)

    // A new base of another area: its row, the area in use, its files.
    const auto w = open(5, 1, "秋田", "", 0);
    const QString name = "O'Hara ①㈱　駅前";
    child<QLineEdit>(*w, "imKyotenComment")->setText("it's 100%_ok");
    enter(*w, "  " + name + " ", 3);

    inst.expectLastBox(name + "事業所の追加を行いました。", "事業所追加完了", MsgIcon::Information);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(inst.kyotenRow(5, 1), "5|1|0|秋田|" + name + "|it's 100%_ok|0||0||3");
    EXPECT_EQ(inst.areaFlag(5), "1");
    EXPECT_EQ(state().gtAreaList[5].status, 1);

    const QByteArray settings = textfile::encode(
        "[環境]\r\n環境名=" + name + "\r\n[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_DATA=\\DATA\\Data0501\r\n");
    EXPECT_EQ(inst.readBytes("Massage0501.ini"), settings);
    // The copy back in the distribution folder (the other files: the crash tests' whole base).
    EXPECT_EQ(inst.readBytes("drive_c/KVX/MASTER/Massage0501.ini"), settings);

    // Failed registrations (of area 6) make nothing.
    const auto expectNone = [&] {
        EXPECT_EQ(inst.kyotenRow(6, 1), "");
        EXPECT_EQ(inst.areaFlag(6), "0");
        for (const QString file : {"Massage0601.ini", "DATA/Data0601", "drive_c/KVX/MASTER/Massage0601.ini"})
            EXPECT_FALSE(inst.exists(file)) << file.toStdString();
    };
    const auto tryRegister = [&] {
        const auto w = open(6, 1, "山形", "", 0);
        enter(*w, "山形店", 1);
        EXPECT_TRUE(w->isVisible());
        expectNone();
    };

    QFile::remove(inst.file("drive_c/KVX/MASTER/Massage0000.ini")); // no template in the distribution folder
    tryRegister();
    inst.expectLastBox("事業所のひな形が見つかりません。\r\nC:\\KVX\\MASTER\\Massage0000.ini",
                       "マスタデータの読込みエラー", MsgIcon::Exclamation);

    // No distribution folder in adodb.ini; the copy button only reads the folder.
    inst.writeFile("adodb.ini",
                   inst.readText("adodb.ini").replace("資源配布=C:\\KVX\\MASTER", "資源配布=   "));
    tryRegister();
    inst.expectLastBox("ファイルの読込みに失敗しました", "マスタデータの読込みエラー", MsgIcon::Exclamation);
    inst.messages.shown.clear();
    child<QAction>(*open(6, 1, "山形", "", 0), "mnF1")->trigger();
    inst.expectLastBox("ファイルの読込みに失敗しました", "マスタデータの読込みエラー", MsgIcon::Exclamation);

    // Copies the distribution folder refuses: the base is taken out before the box says so.
    inst.writeAdodbIni();
    inst.writeFile("drive_c/KVX/MASTER/Massage0000.ini", "[環境]\r\n");
    inst.writeFile("drive_c/KVX/MASTER/DATA/keep.txt", "x");
    Undeletable locked(inst.file("drive_c/KVX/MASTER/DATA"));
    if (!locked.ok)
        GTEST_SKIP() << "the file system cannot lock a folder";
    LookingBoxes boxes;
    boxes.look = expectNone;
    platform::runtime().messages = &boxes;
    tryRegister();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "事業所のファイルを作成できませんでした。\r\nフォルダを作成できません。\r\n"
              "C:\\KVX\\MASTER\\DATA\\Data0601\r\n事業所の追加は取り消しました。");
}

// The confirmation names the base, fits its text (no blank area), and its close box confirms
// nothing even after an earlier confirmation; then the deletes it confirms.
TEST(KyotenMentWindow, ConfirmationSizedToItsTextDeletingRemovesRowsFilesAndTheAreaWithItsLastBase)
{
    TwoBases inst;
    for (const QString& name : {QStringLiteral("新宿店"), QString(60, QChar(u'長'))}) {
        state().gtKyoten.cKyotenName = name;
        state().giCautionResult = 1;
        frmCaution dialog;
        EXPECT_EQ(dialog.findChild<QLabel*>("lblKyoten")->text(), name);
        dialog.show();
        for (auto* label : dialog.findChildren<QLabel*>(QRegularExpression("^lbl"))) {
            const QRect box = label->contentsRect();
            const QRect needed = label->fontMetrics().boundingRect(
                box, label->wordWrap() ? Qt::TextWordWrap : 0, label->text());
            EXPECT_TRUE(box.contains(needed) &&
                        box.height() <= needed.height() + label->fontMetrics().height())
                << label->objectName().toStdString() << " " << box.height() << " " << needed.height();
        }
        auto* question = dialog.findChild<QLabel*>("lblCaption"); // its lines are not broken
        for (const QString& line : question->text().split('\n'))
            EXPECT_LE(question->fontMetrics().horizontalAdvance(line), question->contentsRect().width());
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        dialog.exec();
        EXPECT_EQ(state().giCautionResult, 0);
    }

    inst.writeFile("drive_c/KVX/MASTER/Massage1302.ini", "[環境]\r\n");
    state().gtAreaList[13].status = 1;

    auto w = open(13, 2, "東京", "支店", 2); // cancelled at the confirmation: nothing happens
    remove(*w, "btnCancel");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(inst.baseRowCount(13, 2), 66);

    w = open(13, 2, "東京", "支店", 2); // one of two bases: its rows and files go, the area stays in use
    remove(*w, "Command1");
    inst.expectLastBox("事業所の削除が完了しました。", "事業所削除", MsgIcon::Information);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(inst.baseRowCount(13, 2), 0);
    EXPECT_EQ(inst.baseRowCount(13, 1), 66); // nor a row of the other base
    EXPECT_EQ(inst.areaFlag(13), "1");
    EXPECT_EQ(state().gtAreaList[13].status, 1);
    EXPECT_FALSE(inst.exists("Massage1302.ini"));
    EXPECT_TRUE(inst.exists("Massage1301.ini"));
    EXPECT_TRUE(inst.exists("drive_c/KVX/MASTER/Massage1302.ini")); // the distribution copy stays

    // The area's only base, from the menu: the area goes out of use.
    whenOpen("frmCaution", [](QWidget& caution) { click(caution, "Command1"); });
    child<QAction>(*open(13, 1, "東京", "本店", 1), "mnF2")->trigger();
    EXPECT_EQ(inst.baseRowCount(13, 1), 0);
    EXPECT_EQ(inst.areaFlag(13), "0");
    EXPECT_EQ(state().gtAreaList[13].status, 0);
    EXPECT_FALSE(inst.exists("DATA/Data1301"));
}

TEST(KyotenMentWindow, FailedDeletesKeepRowsAndFiles)
{
    TwoBases inst;
    const auto expectKept = [&] {
        EXPECT_EQ(inst.baseRowCount(13, 2), 66);
        EXPECT_TRUE(inst.exists("Massage1302.ini"));
        EXPECT_TRUE(inst.exists("DATA/Data1302/帳票Format.ini"));
        EXPECT_TRUE(inst.exists("DATA/Data1302/sub/memo.txt"));
    };
    // A table refuses the delete.
    inst.exec("CREATE TRIGGER refuse BEFORE DELETE ON REWARDMAS BEGIN SELECT RAISE(ABORT, 'in use'); END");
    auto w = open(13, 2, "東京", "支店", 2);
    remove(*w, "Command1");
    const ShownMessage& m = inst.messages.shown.back();
    EXPECT_TRUE(m.text.startsWith(
        "事業所の削除に失敗しました。事業所のデータは削除されていません。\r\nERR:iExecSQL"));
    EXPECT_TRUE(m.text.contains("in use"));
    EXPECT_EQ(m.title, "事業所削除エラー");
    EXPECT_TRUE(w->isVisible());
    expectKept();

    // A data folder that cannot be deleted stops the delete before any row goes.
    inst.exec("DROP TRIGGER refuse");
    Undeletable locked(inst.file("DATA/Data1302/sub"));
    if (!locked.ok)
        GTEST_SKIP() << "the file system cannot lock a folder";
    w = open(13, 2, "東京", "支店", 2);
    remove(*w, "Command1");
    inst.expectLastBox("事業所のファイルを削除できないため、事業所を削除できません。\r\n" +
                           inst.file("DATA/Data1302/sub"),
                       "事業所削除エラー", MsgIcon::Exclamation);
    EXPECT_TRUE(w->isVisible());
    expectKept();
}

TEST(KyotenOperations, Statements)
{
    EXPECT_EQ(kyotenCheckSql(13, 2),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = "
              "13 AND KYOTEN.ikyotenEb = 2");
    EXPECT_EQ(kyotenCheckSql(13, 0),
              " SELECT COUNT(*) FROM KYOTEN WHERE KYOTEN.iKyotenEb <> 0 AND KYOTEN.iKyotenCd = 13");

    const tKyoten k{5, 1, 2, "秋田", "O'Hara店  ", "角の店", 7, "pw", 8, "ad", 3};
    EXPECT_EQ(kyotenInsertSql(k),
              " INSERT INTO      KYOTEN (     iKyotenCd       ,iKyotenEb       ,iType           "
              ",cAreaName       ,cKyotenName     ,cComment        ,iLoginID        ,cLoginPass      "
              ",iAdminID        ,cAdminPass      ,iUsedFlg        ) VALUES     (     5    ,1    ,2    "
              ",'秋田'    ,'O''Hara店'    ,'角の店'    ,'7'    ,'pw'    ,'8'    ,'ad'    ,3    )");
    EXPECT_EQ(kyotenUpdateSql(k, 9),
              " UPDATE      KYOTEN SET      iKyotenCd   = '5'    ,iKyotenEb   = '1'    ,iType       = '2'    "
              ",cAreaName   = '秋田'    ,cKyotenName = 'O''Hara店'    ,cComment    = '角の店'    "
              ",iLoginID    = '7'    ,cLoginPass  = 'pw'    ,iAdminID    = '8'    ,cAdminPass  = 'ad'    "
              ",iUsedFlg    = '3' WHERE     iKyotenCd = 5 AND iKyotenEb = 1");
    EXPECT_EQ(kyotenUpdateSql(k, 1),
              " UPDATE      KYOTEN SET     iUsedFlg   = '1' WHERE     iKyotenCd = 5 AND iKyotenEb = 0");
    EXPECT_EQ(kyotenEdMaxGetSql(13),
              " SELECT TOP 1 KYOTEN.iKyotenEb FROM KYOTEN WHERE KYOTEN.iKyotenCd = 13 AND "
              "KYOTEN.iKyotenEb <> 0 ORDER BY KYOTEN.iKyotenEb DESC");
}
