#include "basefixture.h"
#include "bases/frmFirstLogin.h"
#include "platform/textfile.h"
#include "windows.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

QStringList items(const QWidget& w, const char* list)
{
    QStringList texts;
    auto* combo = child<QComboBox>(w, list);
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

void pick(const QWidget& w, const char* list, const QString& text)
{
    auto* combo = child<QComboBox>(w, list);
    combo->setCurrentIndex(combo->findText(text));
    ASSERT_EQ(combo->currentText(), text) << list;
}

// Fills the window and presses create; the confirmation gets the given answer.
void create(frmFirstLogin& w, const QString& prefecture, const QString& name, TestInstallation& inst,
            MsgAnswer answer = MsgAnswer::Yes)
{
    w.show();
    if (!prefecture.isEmpty())
        pick(w, "cmbChiku", prefecture);
    child<QLineEdit>(w, "imKyotenName")->setText(name);
    inst.messages.answer(answer);
    click(w, "btnAdd");
}

} // namespace

TEST(FirstLoginWindow, ModesListsRefusalsFailuresFirstBaseAndNextBranches)
{
    BaseInstallation inst;
    const auto buttons = [](const QWidget& w) { // the two, left to right
        QPushButton *add = child<QPushButton>(w, "btnAdd"), *cancel = child<QPushButton>(w, "btnCancel");
        return add->x() < cancel->x() ? add->text() + " " + cancel->text()
                                      : cancel->text() + " " + add->text();
    };
    state().giDialogResult = 5;
    state().giSetupMode = 0;
    frmFirstLogin first;
    EXPECT_EQ(state().giDialogResult, 0);
    EXPECT_EQ(first.windowTitle(), "治療院の運用情報を入力します");
    EXPECT_EQ(buttons(first), "戻る 次へ");
    first.show(); // back to the intro page of the wizard
    state().giSetupMode = 9;
    click(first, "btnCancel");
    EXPECT_FALSE(first.isVisible());
    EXPECT_EQ(first.nextPage(), frmFirstLogin::Next::IntroPage);
    EXPECT_EQ(state().giSetupMode, 0);

    state().giSetupMode = -1;
    frmFirstLogin w;
    EXPECT_EQ(buttons(w), "事業所作成 キャンセル");
    const QStringList prefs = items(w, "cmbChiku");
    EXPECT_EQ(QStringList({prefs[0], prefs[12], prefs.last(), QString::number(prefs.size())}),
              QStringList({"北海道", "東京", "沖縄", "47"}));

    // Each list's span, length and choice at each interval; a rebuild restores the choices.
    const auto lists = [&] {
        QStringList spans;
        for (const char* list : {"cmbFrom", "cmbTo", "cmbRunch", "cmbLast"}) {
            const QStringList times = items(w, list);
            spans << times.front() + "-" + times.back() + "/" + QString::number(times.size()) + " " +
                         child<QComboBox>(w, list)->currentText();
        }
        return spans;
    };
    EXPECT_EQ(lists(), QStringList({"6:00-12:00/13 9:00", "15:00-21:00/13 18:00", "9:00-21:00/25 12:00",
                                    "9:00-21:00/25 17:00"}));
    pick(w, "cmbMin", "15");
    EXPECT_EQ(items(w, "cmbFrom").mid(0, 3), QStringList({"6:00", "6:15", "6:30"}));
    pick(w, "cmbFrom", "10:15");
    pick(w, "cmbMin", "20");
    EXPECT_EQ(lists(), QStringList({"6:00-12:00/19 9:00", "15:00-21:00/19 18:00", "9:00-21:00/37 12:00",
                                    "9:00-21:00/37 17:00"}));

    showActive(w); // enter in the name moves on; cancel makes nothing
    child<QLineEdit>(w, "imKyotenName")->setFocus();
    pressAtFocus(Qt::Key_Return);
    EXPECT_NE(QApplication::focusWidget(), child<QLineEdit>(w, "imKyotenName"));
    EXPECT_TRUE(w.isVisible());
    click(w, "btnCancel");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.nextPage(), frmFirstLogin::Next::None);
    EXPECT_TRUE(inst.messages.shown.empty());

    const auto expectNothing = [&] { // after refusals, a no, and failures
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenCd = 13 AND iKyotenEb <> 0"), "0");
        EXPECT_EQ(inst.areaFlag(13), "0");
        EXPECT_FALSE(inst.exists("Massage1301.ini"));
        EXPECT_FALSE(inst.exists("DATA/Data1301"));
    };
    create(w, "", "新店", inst);
    inst.expectLastBox("都道府県名は必ず選択して下さい。", "入力エラー", MsgIcon::Exclamation);
    create(w, "東京", " 　", inst);
    inst.expectLastBox("事業所名称は必ず入力して下さい。", "入力エラー", MsgIcon::Exclamation);
    inst.addKyoten(27, 1, "本店"); // a name another base of the area has
    create(w, "大阪", "本店", inst);
    inst.expectLastBox(kSameName, "入力エラー", MsgIcon::Exclamation);

    inst.messages.answers.clear();
    create(w, "東京", "新店", inst, MsgAnswer::No);
    inst.expectLastBox(
        "【東京】 の事業所を登録します。よろしいですか？\r\r※都道府県名は後で変更できませんのでご注意下さい",
        "登録確認", MsgIcon::Information, MsgButtons::YesNo);
    expectNothing();

    QFile::remove(inst.file("Massage0000.ini")); // no template in the program folder
    create(w, "東京", "新店", inst);
    inst.expectLastBox("事業所のひな形が見つかりません。\r\n" + inst.path() + "\\Massage0000.ini",
                       "事業所追加エラー", MsgIcon::Exclamation);
    expectNothing();
    inst.writeFile("Massage0000.ini", "[環境]\r\n");

    // The branch look-up fails on a broken table: no row with a made-up branch.
    inst.exec("ALTER TABLE KYOTEN RENAME TO KYOTEN_OLD; CREATE TABLE KYOTEN (iKyotenCd SMALLINT)");
    create(w, "東京", "新店", inst);
    inst.expectLastBox("事業所の枝番を取得できなかったため、事業所を作成できません。", "事業所追加エラー",
                       MsgIcon::Exclamation);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN"), "0");
    EXPECT_FALSE(inst.exists("Massage1301.ini"));

    // A failed insert ends the program.
    inst.exec("DROP TABLE KYOTEN; ALTER TABLE KYOTEN_OLD RENAME TO KYOTEN; CREATE TRIGGER refuse BEFORE "
              "INSERT ON KYOTEN BEGIN SELECT RAISE(ABORT, 'full'); END");
    EXPECT_THROW(w.btnAdd_Click(), ProgramEnded);
    inst.expectLastBox("事業所データの作成に失敗しました。\rシステムを強制終了します。", "事業所追加エラー",
                       MsgIcon::Critical);
    expectNothing();

    // A first base from the launcher, then the area's next branches and their schedule layout.
    inst.exec("DROP TRIGGER refuse");
    state().giSetupMode = -1;
    frmFirstLogin made;
    pick(made, "cmbMin", "20");
    pick(made, "cmbRunch", "12:20");
    pick(made, "cmbLast", "17:40");
    pick(made, "cmbFrom", "8:40");
    create(made, "東京", " 治療院'すずらん ", inst);

    EXPECT_FALSE(made.isVisible());
    EXPECT_EQ(state().giDialogResult, 1);
    EXPECT_EQ(inst.kyotenRow(13, 1), "13|1|0|東京|治療院'すずらん||0||0||1");
    EXPECT_EQ(
        inst.readBytes("DATA/Data1301/予定設定.ini"),
        textfile::encode("[予定表]\r\n時間行数=2\r\n開始時間=8:40\r\n時間間隔=20\r\n負担率色分=0\r\n"
                         "基準赤線1=12:20\r\n基準赤線2=17:40\r\n患者表示=0\r\n患者ソート=0\r\n\r\n"
                         "[時候挨拶文]\r\n備考 = いつも格別なお引き立てを賜り厚くお礼申し上げます｡\r\n"));
    // (The settings file and the other template files: the crash tests' whole base.)
    // The program folder's templates, not the distribution folder: nothing goes back there.
    EXPECT_FALSE(inst.exists("drive_c/KVX/MASTER/Massage1301.ini"));
    EXPECT_EQ(state().gtSetupData.companyName, "治療院'すずらん");

    // In the set-up wizard: the branch after the highest, and the wizard's next page.
    inst.addKyoten(13, 3, "三号店");
    inst.writeFile("DATA/Data1304/古い.txt", "old");
    state().giSetupMode = 0;
    frmFirstLogin next;
    pick(next, "cmbMin", "15");
    create(next, "東京", "四号店", inst);
    EXPECT_EQ(next.nextPage(), frmFirstLogin::Next::OperatingRulesPage);
    EXPECT_EQ(inst.kyotenRow(13, 4), "13|4|0|東京|四号店||0||0||1");
    // A folder found under the new base's name is set aside, not taken over or thrown away.
    EXPECT_FALSE(inst.exists("DATA/Data1304/古い.txt"));
    const QStringList kept = QDir(inst.file("DATA")).entryList({"~Data1304.13_4.*.kept"}, QDir::Dirs);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(inst.readText("DATA/" + kept[0] + "/古い.txt"), "old");
    EXPECT_EQ(inst.readText("DATA/Data1304/帳票Format.ini"),
              "[全施術者予定表]\r\n全施術者予定表=週間全予定表15.wfd\r\n");

    // No 帳票Format.ini in the template: none is written.
    QFile::remove(inst.file("DATA/DATA0000/帳票Format.ini"));
    frmFirstLogin again;
    create(again, "大阪", "梅田店", inst);
    EXPECT_EQ(inst.kyotenRow(27, 2), "27|2|0|大阪|梅田店||0||0||1"); // after 27-1 above
    EXPECT_FALSE(inst.exists("DATA/Data2702/帳票Format.ini"));
}
