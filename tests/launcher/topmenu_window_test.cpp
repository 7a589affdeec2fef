#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using platform::MsgIcon;

namespace
{

const QString kMassage = "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wall.png\r\n"
                         "WALLPAPER_TOP=top.png\r\n[システム]\r\nミラネタイプ=0\r\nFC機能=0\r\n"
                         "MENUCANCEL=0\r\n簡易メニュー=0\r\n";

// The demo database (bases 0101, 1301, 1302, 1303, 2701; accounts admin, staff, teishi),
// adodb.ini, the suite settings, the wallpapers and each base's own settings, with every
// hand-off key present so that the launch rewrites them in place. The map key status 1
// keeps the map companion out of the recorded process starts.
struct Installed : TestInstallation {
    explicit Installed(const QString& massage = kMassage)
    {
        createDatabase("PC01\\MIRANE", true);
        writeAdodbIni();
        writeFile("Massage.ini", massage);
        writeFile("QmapUser.ini", "ZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\nUSER_CODE=9\r\n");
        writePicture("ICON/top.png");
        writePicture("ICON/wall.png");
        for (const QString id : {"0101", "1301", "1302", "1303", "2701"})
            writeFile("Massage" + id + ".ini",
                      "[運用拠点]\r\nBASEID=\r\n[環境]\r\n環境名=\r\n[権限]\r\nJOBCODE=\r\n[QMAP]\r\n"
                      "ZENRIN_USER=\r\nZENRIN_PWD=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data" +
                          id + "\r\n");
        state().gsMapKeyStatus = "1";
    }
};

void logIn(frmTopMenu& w, const char* id, const char* password)
{
    child<QLineEdit>(w, "txtUserId")->setText(QString::fromUtf8(id));
    child<QLineEdit>(w, "txtPassword")->setText(QString::fromUtf8(password));
    QTest::mouseClick(child<QPushButton>(w, "btnLogin"), Qt::LeftButton);
}

// The launcher window, loaded, shown and logged in with the account whose password is its id.
struct Window : frmTopMenu {
    explicit Window(const char* account = nullptr)
    {
        load();
        show();
        if (account)
            logIn(*this, account, account);
    }
};

QStringList texts(const frmTopMenu& w, std::initializer_list<const char*> labels)
{
    QStringList values;
    for (const char* label : labels)
        values << child<QLabel>(w, label)->text();
    return values;
}

void doubleClickRow(QListWidget* list, int row)
{
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

TEST(TopMenuWindow, FirstRunRebuildsTheDatabaseOrEnds)
{
    const QString question = "システムの初回動作時にはデータベースを再構築する必要があります。\r"
                             "しばらく時間がかかる場合もありますが、処理を実行してもよろしいですか？";
    {
        TestInstallation inst;
        inst.writeFile("Massage.ini", kMassage);
        inst.messages.answer(platform::MsgAnswer::Cancel);
        frmTopMenu w;
        try {
            w.load();
            ADD_FAILURE() << "the refused rebuild must end the program";
        } catch (const ProgramEnded& e) {
            EXPECT_EQ(e.exitCode, 0);
        }
        ASSERT_EQ(inst.messages.shown.size(), 1u);
        inst.expectLastBox(question, "データベース再構成", MsgIcon::Question, platform::MsgButtons::OkCancel);
        EXPECT_TRUE(inst.processes.started.empty());
        EXPECT_FALSE(inst.exists("adodb.ini"));
    }
    {
        Installed inst;
        QFile::remove(inst.file("adodb.ini"));
        frmTopMenu w;
        w.load();
        ASSERT_GE(inst.messages.shown.size(), 1u);
        EXPECT_EQ(inst.messages.shown[0].text, question);
        ASSERT_EQ(inst.commandLines(), QStringList{"osql -S \"PC01\\MIRANE\" -U sa -P mtr4827 -i \"" +
                                                   inst.path() + "\\attach.SQL\" -o system.log"});
        EXPECT_TRUE(inst.processes.started[0].waited);
        EXPECT_EQ(inst.readBytes("adodb.ini"),
                  textfile::encode("[接続情報]\r\n接続情報=Provider=SQLOLEDB;Data Source=PC01\\MIRANE;"
                                   "Database=MIRANE45;uid=sa;pwd=mtr4827\r\n[資産管理情報]\r\n"
                                   "資源配布=C:\\KVX\\MASTER\r\n[監視時間msec]\r\nTime = 300000\r\n"));
        EXPECT_TRUE(child<QComboBox>(w, "cmbDBName")->isHidden());
        EXPECT_FALSE(child<QLineEdit>(w, "txtMasterDb")->isHidden());
        EXPECT_FALSE(child<QLabel>(w, "lblDBUser")->isEnabled());
        EXPECT_EQ(child<QListWidget>(w, "ListView1")->count(), 5);
        EXPECT_EQ(state().giSetupMode, -1);
    }
    {
        // An existing adodb.ini: no question, no rebuild.
        Installed inst;
        frmTopMenu w;
        w.load();
        EXPECT_TRUE(inst.messages.shown.empty());
        EXPECT_TRUE(inst.processes.started.empty());
    }
}

TEST(TopMenuWindow, StartUpRestoresEnvironmentSelectionAndLogin)
{
    Installed inst(QString(kMassage).replace("MENUCANCEL=0", "MENUCANCEL=1").replace("FC機能=0", "FC機能=1"));
    inst.createDatabase("SV02\\MIRANE", true);
    inst.exec("DELETE FROM KYOTEN WHERE iKyotenCd = 27", "SV02\\MIRANE");
    inst.writeFile("DB.ini", "本番,PC01\\MIRANE,MIRANE45\r\n研修,SV02\\MIRANE,MIRANE45\r\n");
    inst.writeFile("AreaSelect.ini", "[kyotenCd]= 13\r\n[Index]= 3\r\n[DB]= 1\r\n[LastLoginUser]=admin\r\n");
    inst.writeFile("loginuser.kvx",
                   "[kyotenCd]=13\r\n[kyotenEb]=1\r\n[LoginId]=admin\r\n[LoginPass]=*****\r\n"
                   "[Name]=管理 一郎\r\n[NameKana]=カンリ イチロウ\r\n[AreaWord]=9999\r\n"
                   "[AccessLevel]=10\r\n[AccessName]=管理者\r\n[AccessJobNo]=11111\r\n"
                   "[Kubun]=1\r\n[MakeDate]=45383\r\n[LoginDate]=2024/04/01 9:00:00\r\n");
    frmTopMenu w;
    w.load();
    EXPECT_TRUE(inst.messages.shown.empty());

    // The second environment, its adodb.ini and its four bases; the third icon again.
    auto* combo = child<QComboBox>(w, "cmbDBName");
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(inst.readText("adodb.ini").contains("Data Source=SV02\\MIRANE;"));
    auto* icons = child<QListWidget>(w, "ListView1");
    ASSERT_EQ(icons->count(), 4);
    EXPECT_EQ(icons->item(0)->text(), "札幌店");
    EXPECT_EQ(icons->item(0)->data(Qt::UserRole).toString(), "KEY:0101");
    EXPECT_EQ(icons->item(2)->data(Qt::UserRole + 1).toStringList(),
              QStringList({"13", "2", "0", "東京", "新宿店", "ＦＣ加盟店", "0", "", "0", "", "2"}));
    EXPECT_EQ(icons->item(0)->data(Qt::UserRole + 2).toInt(), 4); // abolished (9)
    EXPECT_EQ(icons->item(2)->data(Qt::UserRole + 2).toInt(), 2);
    EXPECT_EQ(icons->currentRow(), 2);
    EXPECT_EQ(texts(w, {"lblArea_0", "lblArea_1", "lblArea_2"}), QStringList({"東京", "新宿店", "1302"}));
    EXPECT_EQ(child<QListWidget>(w, "List1")->item(1)->text(), "1301：本店(東京)");
    EXPECT_TRUE(child<QLineEdit>(w, "txtMasterDb")->isHidden());

    EXPECT_EQ(child<QLineEdit>(w, "txtUserId")->text(), "admin");
    EXPECT_EQ(texts(w, {"lblUserData_0", "lblUserData_1", "lblUserData_2", "lblUserData_3", "lblLogin",
                        "lblTantou"}),
              QStringList({"admin", "管理者", "2024/04/01 9:00:00", "10", "管理者", "管理 一郎"}));
    EXPECT_TRUE(child<QLabel>(w, "picPassLock")->isHidden());
    EXPECT_TRUE(child<QPushButton>(w, "btnUserCg")->isEnabled());
    EXPECT_TRUE(combo->isEnabled());

    // Switches of Massage.ini.
    EXPECT_TRUE(child<QWidget>(w, "picIconHide")->isHidden());
    EXPECT_FALSE(child<QLabel>(w, "lblSysUpdate")->isHidden());
    EXPECT_TRUE(state().gbMenuCancel);
    EXPECT_EQ(state().giKyotenCount, 4);

    // Enter in the selector searches the display names.
    combo->setEditText("本");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(icons->count(), 5);
    EXPECT_TRUE(inst.readText("adodb.ini").contains("Data Source=PC01\\MIRANE;"));
    combo->setEditText("存在しない");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(texts(w, {"lblArea_0", "lblArea_1"}), QStringList({"－", "該当なし"}));
    EXPECT_EQ(icons->count(), 0);
}

TEST(TopMenuWindow, StartUpWithoutBasesEndsTheProgram)
{
    Installed inst;
    inst.exec("DELETE FROM KYOTEN WHERE iKyotenEb <> 0");
    frmTopMenu w;
    // The wizard opens; the user closes its windows without finishing it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* page = QApplication::activeModalWidget())
            page->close();
    });
    closer.start(5);
    EXPECT_THROW(w.load(), ProgramEnded);
    inst.expectLastBox("初期データ設定を中止しました。", "処理中断", MsgIcon::Critical);
    EXPECT_EQ(state().giSetupMode, 0);
}

TEST(TopMenuWindow, LogInRefusalsAndSuccess)
{
    Installed inst;
    Window w;
    auto* lock = child<QLabel>(w, "picPassLock");
    EXPECT_FALSE(lock->isHidden());
    EXPECT_FALSE(child<QPushButton>(w, "btnTS")->isEnabled());

    struct Case {
        const char *id, *password, *text, *title;
        MsgIcon icon;
    };
    const Case refusals[] = {
        {"  ", "admin", "ユーザーアカウントを入力して下さい。", "ユーザーアカウント未入力",
         MsgIcon::Exclamation},
        {"admin", " ", "ログインパスワードを入力して下さい。", "パスワード未入力", MsgIcon::Exclamation},
        {"nobody", "x", "ユーザーアカウントが登録されていません。", "ログインエラー", MsgIcon::Critical},
        {"admin", "ADMIN", "パスワードが違います。", "パスワードエラー", MsgIcon::Critical},
        {"teishi", "teishi", "このアカウントは利用停止中のため、ログインできません。", "ログインエラー",
         MsgIcon::Critical},
    };
    for (const Case& c : refusals) {
        inst.messages.shown.clear();
        logIn(w, c.id, c.password);
        ASSERT_EQ(inst.messages.shown.size(), 1u) << c.id;
        inst.expectLastBox(c.text, c.title, c.icon);
        EXPECT_FALSE(lock->isHidden());
        EXPECT_FALSE(inst.exists("loginuser.kvx"));
    }

    inst.messages.shown.clear();
    child<QLineEdit>(w, "txtUserId")->setText("staff");
    child<QLineEdit>(w, "txtPassword")->setText("staff");
    QTest::keyClick(child<QLineEdit>(w, "txtPassword"), Qt::Key_Return);
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_TRUE(lock->isHidden());
    EXPECT_TRUE(child<QPushButton>(w, "btnTS")->isEnabled());
    EXPECT_EQ(texts(w, {"lblUserData_0", "lblUserData_1", "lblUserData_2", "lblUserData_3", "lblUserData_4",
                        "lblUserData_5", "lblLogin", "lblTantou", "lblKyoten"}),
              QStringList({"staff", "施術 花子", "セジュツ ハナコ", "5", "スタッフ", "2024/04/01 9:00:00",
                           "スタッフ", "施術 花子", ""}));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "1");
    EXPECT_TRUE(inst.exists("loginuser.kvx"));

    QTest::mouseClick(child<QPushButton>(w, "btnTS"), Qt::LeftButton);
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\TrtTotalSchedule.exe 11"});
}

TEST(TopMenuWindow, LogOutSavesTheSelectionWithoutUser)
{
    Installed inst;
    Window w("admin");
    child<QListWidget>(w, "ListView1")->setCurrentRow(3);
    inst.messages.shown.clear();

    // F1 logs out while the log-out button is enabled.
    child<QAction>(w, "mnF01")->trigger();
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              "[kyotenCd]= 1\r\n[Index]= 4\r\n[DB]=-1\r\n[LastLoginUser]=\r\n");
    EXPECT_FALSE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'"), "0");
    EXPECT_EQ(child<QLineEdit>(w, "txtUserId")->text(), QString());
    EXPECT_EQ(texts(w, {"lblUserData_0", "lblUserData_5", "lblLogin", "lblTantou"}),
              QStringList({"ログアウト中", "-", "ログアウト", "－"}));
    EXPECT_FALSE(child<QPushButton>(w, "btnUserCg")->isEnabled());
    EXPECT_FALSE(child<QLabel>(w, "picPassLock")->isHidden());

    // Disabled log-out: F1 does nothing.
    QFile::remove(inst.file("AreaSelect.ini"));
    child<QAction>(w, "mnF01")->trigger();
    EXPECT_FALSE(inst.exists("AreaSelect.ini"));
}

TEST(TopMenuWindow, LaunchFromTheIconsChecksAccessAndHandsOver)
{
    Installed inst;
    Window w("staff");
    auto* icons = child<QListWidget>(w, "ListView1");

    // 2701 is not in the staff account's area word.
    inst.messages.shown.clear();
    doubleClickRow(icons, 4);
    inst.expectLastBox("選択された拠点へアクセスする権限がありません。", "アクセス不可");
    EXPECT_TRUE(inst.processes.started.empty());
    EXPECT_FALSE(w.launched());

    inst.messages.shown.clear();
    doubleClickRow(icons, 2);
    EXPECT_TRUE(inst.messages.shown.empty());
    ASSERT_TRUE(w.launched());
    ASSERT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 東京－新宿店 11 69"});
    EXPECT_FALSE(inst.processes.started[0].waited);
    EXPECT_EQ(inst.readBytes("Massage.ini"),
              textfile::encode("[運用拠点]\r\nBASEID=1302\r\n[環境]\r\n環境名=東京－新宿店\r\n[権限]\r\n"
                               "JOBCODE=11010\r\n[QMAP]\r\nZENRIN_USER=map01\r\nZENRIN_PWD=pw01\r\n[PATH]\r\n"
                               "SYSTEM_DATA=\\DATA\\Data1302\r\n"));
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              "[kyotenCd]= 1\r\n[Index]= 3\r\n[DB]=-1\r\n[LastLoginUser]=staff\r\n");
    EXPECT_EQ(inst.readBytes("loginuser.kvx"),
              textfile::encode("[kyotenCd]=13\r\n[kyotenEb]=1\r\n[LoginId]=staff\r\n[LoginPass]=*****\r\n"
                               "[Name]=施術 花子\r\n[NameKana]=セジュツ ハナコ\r\n[AreaWord]=13011302\r\n"
                               "[AccessLevel]=5\r\n[AccessName]=スタッフ\r\n[AccessJobNo]=11010\r\n"
                               "[Kubun]=1\r\n[MakeDate]=45383\r\n[LoginDate]=2024/04/01 9:00:00\r\n"));

    // A launch leaves without the closing sequence: the account stays logged in.
    w.close();
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "1");
}

TEST(TopMenuWindow, LaunchFromTheTextListAndThePopUp)
{
    {
        Installed inst;
        inst.writeFile("Topmenu.ini", "[トップメニュー]\r\nメニューGUI=1\r\n");
        Window w("admin");
        auto* lines = child<QListWidget>(w, "List1");
        EXPECT_FALSE(lines->isHidden());
        EXPECT_TRUE(child<QListWidget>(w, "ListView1")->isHidden());

        inst.messages.shown.clear();
        w.launchFrom(LaunchSource::TextList);
        inst.expectLastBox("拠点のメニューが起動できません。", "選択エラー");

        doubleClickRow(lines, 1);
        ASSERT_TRUE(w.launched());
        EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 東京－本店 11 69"});
        EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
                  "[kyotenCd]= 1\r\n[Index]= 0\r\n[DB]=-1\r\n[LastLoginUser]=admin\r\n");
    }
    Installed inst;
    Window w;
    auto* icons = child<QListWidget>(w, "ListView1");
    const auto rightClick = [&](int row) {
        const QPoint pos = icons->visualItemRect(icons->item(row)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, icons->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(icons->viewport(), &event);
    };

    // Below the administrator level only the notice is offered.
    logIn(w, "staff", "staff");
    rightClick(1);
    auto* popNull = child<QMenu>(w, "popMenuNull");
    EXPECT_TRUE(popNull->isVisible());
    popNull->close();
    inst.messages.shown.clear();
    child<QAction>(w, "popMenuNull01")->trigger();
    inst.expectLastBox("拠点の追加・編集を行うには管理者権限アカウントでのログインが必要です",
                       "アクセス権限がありません", MsgIcon::Information);

    logIn(w, "admin", "admin");
    rightClick(3);
    auto* pop = child<QMenu>(w, "popMenu");
    EXPECT_TRUE(pop->isVisible());
    EXPECT_EQ(child<QAction>(w, "popMenu00_01")->text(), "拠点番号：13");
    EXPECT_EQ(child<QAction>(w, "popMenu00_02")->text(), "拠点枝番：03");
    EXPECT_FALSE(child<QAction>(w, "popMenu01")->isEnabled());
    auto* open = child<QAction>(w, "popMenu03");
    EXPECT_TRUE(open->isEnabled());
    pop->close();
    open->trigger();
    ASSERT_TRUE(w.launched());
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 東京－渋谷店 11"});
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              "[kyotenCd]= 1\r\n[Index]= 4\r\n[DB]=-1\r\n[LastLoginUser]=admin\r\n");
}

TEST(TopMenuWindow, LaunchFailuresKeepTheLauncherOpen)
{
    Installed inst;
    QFile::remove(inst.file("Massage1301.ini"));
    const QByteArray before = inst.readBytes("Massage.ini");
    Window w("admin");
    inst.messages.shown.clear();
    auto* icons = child<QListWidget>(w, "ListView1");
    icons->setCurrentRow(1);
    QTest::keyClick(icons, Qt::Key_Return);
    inst.expectLastBox("該当する拠点の環境が存在しません。", "環境エラー", MsgIcon::Critical);
    EXPECT_EQ(inst.readBytes("Massage.ini"), before);
    EXPECT_TRUE(inst.processes.started.empty());
    EXPECT_FALSE(w.launched());
    EXPECT_TRUE(w.isVisible());
}

TEST(TopMenuWindow, OneBaseWithoutMenuGoesStraightIn)
{
    Installed inst(QString(kMassage).replace("MENUCANCEL=0", "MENUCANCEL=1"));
    inst.exec("DELETE FROM KYOTEN WHERE iKyotenEb <> 0 AND iKyotenCd <> 27");
    Window w("admin");
    ASSERT_TRUE(w.launched());
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 大阪－梅田店 11 69"});
}

TEST(TopMenuWindow, MakerSiteLink)
{
    Installed inst;
    Window w;
    auto* link = child<QLabel>(w, "lblSysUpdate");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QTest::mouseMove(child<QLabel>(w, "picArea"), QPoint(2, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, {}, {});
    QApplication::sendEvent(child<QLabel>(w, "picArea"), &move);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(inst.processes.opened, QStringList{frmTopMenu::kMakerSite});
}
