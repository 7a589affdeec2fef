#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "state/state.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using platform::MsgIcon;

namespace
{

// The demo database with the settings a launcher start needs and the base templates in the
// program folder and in the distribution folder C:\KVX\MASTER.
struct Installed : TestInstallation {
    Installed()
    {
        createDatabase("PC01\\MIRANE", true);
        writeAdodbIni();
        writeFile("Massage.ini", "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wall.png\r\n"
                                 "WALLPAPER_TOP=top.png\r\n[システム]\r\nFC機能=1\r\nMENUCANCEL=0\r\n");
        writePicture("ICON/top.png");
        writePicture("ICON/wall.png");
        for (const QString folder : {"", "drive_c/KVX/MASTER/"}) {
            writeFile(folder + "Massage0000.ini",
                      "[環境]\r\n環境名=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0000\r\n");
            writeFile(folder + "DATA/DATA0000/帳票Format.ini", "[全施術者予定表]\r\n全施術者予定表=x\r\n");
        }
        state().gsMapKeyStatus = "1";
    }
};

// Runs `act` on the named window once it is open (the next step opens it modally).
void onWindow(const char* name, std::function<void(QWidget&)> act)
{
    QTimer::singleShot(0, [name, act] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible()) {
                act(*top);
                return;
            }
        }
        ADD_FAILURE() << name << " is not open";
    });
}

void rightClick(QListView* icons, int row)
{
    const QPoint pos = row < 0 ? QPoint(icons->viewport()->width() - 3, icons->viewport()->height() - 3)
                               : icons->visualRect(icons->model()->index(row, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, icons->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(icons->viewport(), &event);
    child<QMenu>(*icons->window(), "popMenu")->close();
}

QStringList names(const QListView* icons)
{
    QStringList texts;
    for (int i = 0; i < icons->model()->rowCount(); ++i)
        texts << icons->model()->index(i, 0).data().toString();
    return texts;
}

} // namespace

TEST(KyotenPopup, AdministratorAddsEditsAndDeletesABase)
{
    Installed inst;
    frmTopMenu w;
    w.load();
    w.show();
    child<QLineEdit>(w, "txtUserId")->setText("admin");
    child<QLineEdit>(w, "txtPassword")->setText("admin");
    QTest::mouseClick(child<QPushButton>(w, "btnLogin"), Qt::LeftButton);
    auto* icons = child<QListView>(w, "ListView1");
    auto* add = child<QAction>(w, "popMenu01");
    auto* edit = child<QAction>(w, "popMenu02");

    rightClick(icons, -1);
    EXPECT_TRUE(add->isVisible());
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(edit->isEnabled());
    onWindow("frmFirstLogin", [](QWidget& creation) {
        EXPECT_EQ(child<QPushButton>(creation, "btnAdd")->text(), "事業所作成");
        auto* prefectures = child<QComboBox>(creation, "cmbChiku");
        prefectures->setCurrentIndex(prefectures->findText("東京"));
        child<QLineEdit>(creation, "imKyotenName")->setText("池袋店");
        QTest::mouseClick(child<QPushButton>(creation, "btnAdd"), Qt::LeftButton);
    });
    add->trigger();
    EXPECT_EQ(names(icons), QStringList({"札幌店", "本店", "新宿店", "渋谷店", "池袋店", "梅田店"}));
    EXPECT_TRUE(inst.exists("Massage1304.ini"));

    rightClick(icons, 4);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_FALSE(add->isEnabled());
    onWindow("frmKyotenMent", [](QWidget& maintenance) {
        EXPECT_EQ(maintenance.windowTitle(), "拠点／事業所管理画面（編集モード）");
        auto* name = child<QLineEdit>(maintenance, "imKyotenName");
        EXPECT_EQ(name->text(), "池袋店");
        name->setText("池袋東口店");
        QTest::mouseClick(child<QPushButton>(maintenance, "btnRegist"), Qt::LeftButton);
    });
    edit->trigger();
    EXPECT_EQ(icons->model()->index(4, 0).data().toString(), "池袋東口店");
    inst.expectLastBox("池袋東口店事業所の更新を行いました。", "事業所更新完了", MsgIcon::Information);

    rightClick(icons, 4);
    onWindow("frmKyotenMent", [](QWidget& maintenance) {
        onWindow("frmCaution", [](QWidget& caution) {
            QTest::mouseClick(child<QPushButton>(caution, "Command1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(maintenance, "btnDel"), Qt::LeftButton);
    });
    edit->trigger();
    EXPECT_EQ(names(icons), QStringList({"札幌店", "本店", "新宿店", "渋谷店", "梅田店"}));
    EXPECT_FALSE(inst.exists("Massage1304.ini"));
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenCd = 13 AND iKyotenEb = 4"), "0");
}
