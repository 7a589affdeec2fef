#include "bases/frmCaution.h"
#include "bases/frmFirstLogin.h"
#include "bases/frmKyotenMent.h"
#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "lookup/frmSearchAdd.h"
#include "map/frmSetMap.h"
#include "platform/textfile.h"
#include "setup/frmBackUpCheck.h"
#include "setup/setuppages.h"
#include "state/state.h"
#include "windows.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolTip>

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
    click(w, "btnLogin");
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

// The texts of labels and fields.
QStringList texts(const frmTopMenu& w, std::initializer_list<const char*> labels)
{
    QStringList values;
    for (const char* label : labels)
        values << child<QWidget>(w, label)->property("text").toString();
    return values;
}

// A view's rows through its model, as the user sees them.
QModelIndex row(const QListView* list, int r)
{
    return list->model()->index(r, 0);
}

QStringList names(const QListView* icons)
{
    QStringList texts;
    for (int i = 0; i < icons->model()->rowCount(); ++i)
        texts << row(icons, i).data().toString();
    return texts;
}

void doubleClickRow(QListView* list, int r)
{
    const QRect rect = list->visualRect(row(list, r));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Right-clicks an icon (-1: the empty corner of the view); returns the pop-up that opened,
// closed again so that its actions can be triggered.
QMenu* rightClick(QListView* icons, int r)
{
    const QPoint pos = r < 0 ? QPoint(icons->viewport()->width() - 3, icons->viewport()->height() - 3)
                             : icons->visualRect(row(icons, r)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, icons->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(icons->viewport(), &event);
    QMenu* open = nullptr;
    for (QMenu* menu : icons->window()->findChildren<QMenu*>())
        if (menu->isVisible())
            open = menu;
    if (open)
        open->close();
    return open;
}

// What assistive technology calls a control: the caption label whose buddy it is, else its
// accessible name or a button's text.
QString spokenName(QWidget* w)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    for (const auto& [label, relation] : face->relations(QAccessible::Label)) {
        if (qobject_cast<QLabel*>(label->object()))
            return label->text(QAccessible::Name);
    }
    return !w->accessibleName().isEmpty() || qobject_cast<QAbstractButton*>(w) ? face->text(QAccessible::Name)
                                                                               : QString();
}

// The controls a user reaches with Tab that have no name (combo and spin boxes speak for
// their inner parts).
QStringList unnamed(const QWidget& window)
{
    QStringList missing;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p != &window; p = p->parentWidget())
            inner = inner || qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p);
        if ((w->focusPolicy() & Qt::TabFocus) && !inner && spokenName(w).trimmed().isEmpty())
            missing << window.objectName() + "." + w->objectName();
    }
    return missing;
}

} // namespace

// Every window in each of its forms: every control has a name, the launcher's by caption.
TEST(Accessibility, EveryControlOfEveryWindowHasAName)
{
    Installed inst;
    Window launcher;
    QStringList spoken;
    for (const char* field : {"txtUserId", "txtPassword", "cmbDBName", "txtMasterDb", "ListView1", "List1"})
        spoken << spokenName(child<QWidget>(launcher, field));
    EXPECT_EQ(spoken, QStringList({"ユーザーアカウント", "パスワード", "接続先データベース",
                                   "接続先データベース", "拠点一覧", "拠点一覧"}));
    QStringList missing = unnamed(launcher);
    state().gtKyoten = tKyoten{13, 1, 0, "東京", "本店", "", 0, "", 0, "", 1};
    missing << unnamed(frmKyotenMent()) << unnamed(frmCaution()) << unnamed(frmFirstLogin())
            << unnamed(frmFirstView()) << unnamed(frmFirstSetUpA0()) << unnamed(frmFirstSetUp01())
            << unnamed(frmFirstSetUp02()) << unnamed(frmFirstSetUp03()) << unnamed(frmSearchAdd())
            << unnamed(frmBackUpCheck()) << unnamed(frmSetMap());
    for (short mode : {0, 9}) {
        state().giSetupMode = mode;
        missing << unnamed(frmFirstSetUp00());
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join("\n").toStdString();
}

TEST(TopMenuWindow, FirstRunRebuildsTheDatabaseOrEnds)
{
    {
        TestInstallation inst;
        inst.writeFile("Massage.ini", kMassage);
        inst.messages.answer(platform::MsgAnswer::Cancel);
        frmTopMenu w;
        EXPECT_THROW(w.load(), ProgramEnded);
        inst.expectLastBox("システムの初回動作時にはデータベースを再構築する必要があります。\r"
                           "しばらく時間がかかる場合もありますが、処理を実行してもよろしいですか？",
                           "データベース再構成", MsgIcon::Question, platform::MsgButtons::OkCancel);
        EXPECT_TRUE(inst.processes.started.empty());
    }
    Installed inst;
    QFile::remove(inst.file("adodb.ini"));
    frmTopMenu w;
    w.load();
    ASSERT_EQ(inst.commandLines(), QStringList{"osql -S \"PC01\\MIRANE\" -U sa -P mtr4827 -i \"" +
                                               inst.path() + "\\attach.SQL\" -o system.log"});
    EXPECT_TRUE(inst.processes.started[0].waited);
    const QByteArray rebuilt = inst.readBytes("adodb.ini");
    inst.writeAdodbIni(); // the installation's own file, byte for byte
    EXPECT_EQ(inst.readBytes("adodb.ini"), rebuilt);
    EXPECT_EQ(child<QListView>(w, "ListView1")->model()->rowCount(), 5);
}

TEST(TopMenuWindow, StartUpRestoresEnvironmentSelectionAndLogin)
{
    Installed inst(QString(kMassage).replace("MENUCANCEL=0", "MENUCANCEL=1").replace("FC機能=0", "FC機能=1"));
    inst.createDatabase("SV02\\MIRANE", true);
    inst.exec("DELETE FROM KYOTEN WHERE iKyotenCd = 27", "SV02\\MIRANE");
    // Entries without a server or database are offered but never connected to.
    inst.writeFile(
        "DB.ini",
        "本番,PC01\\MIRANE,MIRANE45\r\n研修,SV02\\MIRANE,MIRANE45\r\n試験,PC01\\MIRANE,MIRANE45\r\n\r\n"
        "壊れた,,\r\n名前だけ\r\n");
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
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(inst.readText("adodb.ini").contains("Data Source=SV02\\MIRANE;"));
    auto* icons = child<QListView>(w, "ListView1");
    EXPECT_EQ(names(icons), QStringList({"札幌店", "本店", "新宿店", "渋谷店"}));
    EXPECT_EQ(icons->currentIndex().row(), 2);
    EXPECT_EQ(texts(w, {"lblArea_0", "lblArea_1", "lblArea_2"}), QStringList({"東京", "新宿店", "1302"}));
    EXPECT_TRUE(child<QLineEdit>(w, "txtMasterDb")->isHidden());

    // A restored log-in shows the job name and the previous log-in where a fresh one shows the name.
    EXPECT_EQ(texts(w, {"txtUserId", "lblUserData_1", "lblUserData_2", "lblTantou"}),
              QStringList({"admin", "管理者", "2024/04/01 9:00:00", "管理 一郎"}));
    EXPECT_TRUE(child<QPushButton>(w, "btnUserCg")->isEnabled());

    // Switches of Massage.ini.
    EXPECT_TRUE(child<QWidget>(w, "picIconHide")->isHidden());
    EXPECT_FALSE(child<QLabel>(w, "lblSysUpdate")->isHidden());
    EXPECT_TRUE(state().gbMenuCancel);

    // Enter in the selector searches the display names, typed where a user's keys go.
    showActive(w);
    combo->setFocus();
    ASSERT_TRUE(QApplication::focusWidget() == combo || QApplication::focusWidget() == combo->lineEdit());
    const auto type = [](const QString& text) {
        pressAtFocus(Qt::Key_A, Qt::ControlModifier);
        typeAtFocus(text);
        pressAtFocus(Qt::Key_Return);
    };
    type("験"); // anywhere in the name
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(icons->model()->rowCount(), 5);
    type("存在しない");
    EXPECT_EQ(texts(w, {"lblArea_0", "lblArea_1"}), QStringList({"－", "該当なし"}));
    EXPECT_EQ(icons->model()->rowCount(), 0);
    // The box shows the database still in use, never the typed text, and gains no entry.
    EXPECT_EQ(combo->currentText(), "試験");
    EXPECT_EQ(combo->count(), 5);
    const QByteArray adodb = inst.readBytes("adodb.ini");
    EXPECT_TRUE(adodb.contains("Data Source=PC01\\MIRANE;"));

    combo->setCurrentIndex(3);
    inst.expectLastBox("DB.ini の 5 行目（壊れた）には、サーバー名またはデータベース名がありません。\r\n"
                       "このデータベースには接続できません。",
                       "データベース選択エラー", MsgIcon::Exclamation);
    EXPECT_EQ(inst.readBytes("adodb.ini"), adodb);
    EXPECT_EQ(combo->currentText(), "試験");
}

TEST(TopMenuWindow, PicturesIconsTipsAndTheMakerLink)
{
    Installed inst;
    const QString longName = "川崎中央リハビリ訪問センター";
    inst.exec("UPDATE KYOTEN SET cKyotenName = '" + longName + "' WHERE iKyotenCd = 13 AND iKyotenEb = 2");
    Window w;
    auto* picArea = child<QLabel>(w, "picArea");
    // The window is ready before its picture is read.
    EXPECT_TRUE(picArea->pixmap().isNull());
    for (int i = 0; i < 500 && picArea->pixmap().isNull(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(picArea->pixmap().isNull());

    logIn(w, "admin", "admin");
    auto* icons = child<QListView>(w, "ListView1");
    // Hovering an icon shows its tip: area, base and base number.
    const QRect cell = icons->visualRect(row(icons, 2));
    QHelpEvent hover(QEvent::ToolTip, cell.center(), icons->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(icons->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), "エリア：東京\n拠点名：" + longName + "\n拠点番号：1302");
    QToolTip::hideText();

    // A short first name no longer narrows every cell; a long one wraps under its icon.
    EXPECT_EQ(cell.size(), icons->visualRect(row(icons, 0)).size());
    EXPECT_TRUE(icons->wordWrap());

    // The maker's link opens the installation's address: a page of the program folder, or a web
    // address.
    auto* link = child<QLabel>(w, "lblSysUpdate");
    QTest::mouseClick(link, Qt::LeftButton);
    inst.expectLastBox("メーカーのサイトのアドレスが設定されていません（Mirane.ver の [Maker] ADDRESS）。",
                       "起動エラー", MsgIcon::Exclamation);
    inst.writeFile("Mirane.ver", "[Version]\r\nVersion=4.5.0\r\n[Maker]\r\nADDRESS=support\\index.html\r\n");
    inst.writeFile("support/index.html", "<html></html>");
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(inst.processes.opened, QStringList{inst.path() + "/support/index.html"});
    inst.writeFile("Mirane.ver", "[Maker]\r\nADDRESS= https://www.example.co.jp/support/ \r\n");
    inst.messages.shown.clear();
    inst.processes.failOpen = true;
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(inst.messages.shown.size(), 1u);
    inst.expectLastBox(
        "ブラウザを起動できませんでした。\r\n次のアドレスを開けません：https://www.example.co.jp/support/",
        "起動エラー", MsgIcon::Exclamation);
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
    EXPECT_EQ(state().giSetupMode, 0);
}

TEST(TopMenuWindow, LogInRefusalsAndSuccess)
{
    Installed inst;
    Window w;
    EXPECT_FALSE(child<QPushButton>(w, "btnTS")->isEnabled());

    // The window's own refusals (the database's: Login's tests).
    for (const auto& [id, password, text, title] :
         {std::tuple{"  ", "admin", "ユーザーアカウントを入力して下さい。", "ユーザーアカウント未入力"},
          {"admin", " ", "ログインパスワードを入力して下さい。", "パスワード未入力"}}) {
        logIn(w, id, password);
        inst.expectLastBox(text, title, MsgIcon::Exclamation);
        EXPECT_FALSE(inst.exists("loginuser.kvx"));
    }

    // (Enter in the password field: the log-out test.)
    inst.messages.shown.clear();
    logIn(w, "staff", "staff");
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_EQ(texts(w, {"lblUserData_0", "lblUserData_1", "lblUserData_2", "lblUserData_3", "lblUserData_4",
                        "lblUserData_5", "lblLogin", "lblTantou", "lblKyoten"}),
              QStringList({"staff", "施術 花子", "セジュツ ハナコ", "5", "スタッフ", "2024/04/01 9:00:00",
                           "スタッフ", "施術 花子", ""}));
    click(w, "btnTS");
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\TrtTotalSchedule.exe 11"});

    // A refused log-in keeps the account signed in: 梅田店 (2701) stays closed to it, and
    // leaving logs it out.
    logIn(w, "admin", "wrong");
    doubleClickRow(child<QListView>(w, "ListView1"), 4);
    inst.expectLastBox("選択された拠点へアクセスする権限がありません。", "アクセス不可");
    EXPECT_EQ(inst.commandLines().size(), 1);
    w.close();
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "0");
    EXPECT_TRUE(inst.readText("AreaSelect.ini").endsWith("[LastLoginUser]=staff\r\n"));
}

TEST(TopMenuWindow, LogOutClearsTheUserAndTheBaseAndSavesTheSelection)
{
    Installed inst;
    // A password as long as its column, typed where the keys go.
    const QString longPassword = QString(40, QLatin1Char('p')) + "パスワード";
    inst.exec("UPDATE ACCOUNT SET cLoginPass = '" + longPassword + "' WHERE cLoginId = 'admin'");
    Window w;
    QApplication::setActiveWindow(&w);
    child<QLineEdit>(w, "txtUserId")->setText("admin");
    auto* password = child<QLineEdit>(w, "txtPassword");
    password->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), password);
    QTest::sendKeyEvent(QTest::Click, password, Qt::Key_unknown, longPassword, Qt::NoModifier);
    pressAtFocus(Qt::Key_Return);
    auto* icons = child<QListView>(w, "ListView1");
    // The highlighted base is the one the panel shows.
    ASSERT_EQ(icons->selectionModel()->selectedIndexes(), QModelIndexList{row(icons, 0)});
    icons->setCurrentIndex(row(icons, 3));
    inst.messages.shown.clear();

    // F1 logs out while the log-out button is enabled: the selection is kept, the user and
    // the base are not.
    child<QAction>(w, "mnF01")->trigger();
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"),
              "[kyotenCd]= 1\r\n[Index]= 4\r\n[DB]=-1\r\n[LastLoginUser]=\r\n");
    EXPECT_FALSE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'admin'"), "0");
    EXPECT_EQ(texts(w, {"txtUserId", "lblUserData_0", "lblUserData_5", "lblLogin", "lblTantou", "lblArea_0",
                        "lblArea_1", "lblArea_2"}),
              QStringList({"", "ログアウト中", "-", "ログアウト", "－", "", "", ""}));
    EXPECT_FALSE(child<QPushButton>(w, "btnUserCg")->isEnabled());
    EXPECT_FALSE(child<QLabel>(w, "picPassLock")->isHidden());
    EXPECT_EQ(state().gtKyoten.iKyotenCd, 0);
    EXPECT_FALSE(icons->selectionModel()->hasSelection());

    // Disabled log-out: F1 does nothing.
    QFile::remove(inst.file("AreaSelect.ini"));
    child<QAction>(w, "mnF01")->trigger();
    EXPECT_FALSE(inst.exists("AreaSelect.ini"));
}

TEST(TopMenuWindow, LaunchFromTheIconsHandsOverOrKeepsTheLauncherOpen)
{
    Installed inst;
    QFile::remove(inst.file("Massage1301.ini"));
    const QByteArray before = inst.readBytes("Massage.ini");
    Window w("staff");
    auto* icons = child<QListView>(w, "ListView1");

    // Enter on a base without its settings: the box; nothing written or started.
    const QByteArray selection = inst.readBytes("AreaSelect.ini");
    QApplication::setActiveWindow(&w);
    icons->setFocus();
    icons->setCurrentIndex(row(icons, 1));
    ASSERT_EQ(QApplication::focusWidget(), icons);
    pressAtFocus(Qt::Key_Return);
    inst.expectLastBox("該当する拠点の環境が存在しません。", "環境エラー", MsgIcon::Critical);
    EXPECT_EQ(inst.readBytes("Massage.ini"), before);
    EXPECT_EQ(inst.readBytes("AreaSelect.ini"), selection);
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

    // A launch leaves without the closing sequence: the account stays logged in.
    w.close();
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "1");
}

TEST(TopMenuWindow, LaunchFromThePopUp)
{
    Installed inst;
    Window w("staff");
    auto* icons = child<QListView>(w, "ListView1");

    // Below the administrator level only the notice is offered.
    EXPECT_EQ(rightClick(icons, 1), child<QMenu>(w, "popMenuNull"));
    child<QAction>(w, "popMenuNull01")->trigger();
    inst.expectLastBox("拠点の追加・編集を行うには管理者権限アカウントでのログインが必要です",
                       "アクセス権限がありません", MsgIcon::Information);
    // From the keyboard a new base is the function menu's (Ctrl+N), for administrators only.
    QApplication::setActiveWindow(&w);
    icons->setFocus();
    pressAtFocus(Qt::Key_N, Qt::ControlModifier); // nothing opens

    logIn(w, "admin", "admin");
    bool opened = false;
    whenOpen("frmFirstLogin", [&](QWidget& creation) { opened = creation.close(); });
    icons->setFocus();
    pressAtFocus(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(opened);
    EXPECT_EQ(rightClick(icons, 3), child<QMenu>(w, "popMenu"));
    EXPECT_EQ(child<QAction>(w, "popMenu00_01")->text(), "拠点番号：13");
    EXPECT_EQ(child<QAction>(w, "popMenu00_02")->text(), "拠点枝番：03");
    child<QAction>(w, "popMenu03")->trigger();
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 東京－渋谷店 11"});
}

TEST(TopMenuWindow, StartUpBranches)
{
    {
        // Without the top wallpaper the load stops there: no options, no restored user.
        Installed inst(QString(kMassage).replace("WALLPAPER_TOP=top.png", "WALLPAPER_TOP=none.png"));
        inst.writeFile("Topmenu.ini", "[トップメニュー]\r\nメニューGUI=1\r\n");
        inst.writeFile("AreaSelect.ini",
                       "[kyotenCd]= 1\r\n[Index]= 3\r\n[DB]= 0\r\n[LastLoginUser]=admin\r\n");
        frmTopMenu w;
        w.load();
        EXPECT_TRUE(inst.messages.shown.empty());
        EXPECT_TRUE(child<QListView>(w, "List1")->isHidden());
        EXPECT_EQ(child<QLineEdit>(w, "txtUserId")->text(), "");
        EXPECT_EQ(child<QListView>(w, "ListView1")->model()->rowCount(), 0);
    }
    {
        Installed inst(QString(kMassage).replace("簡易メニュー=0", "簡易メニュー=1"));
        Window w;
        EXPECT_TRUE(child<QLabel>(w, "lblSysUpdate")->isHidden());
        EXPECT_FALSE(child<QWidget>(w, "picIconHide")->isHidden());
    }
    {
        // One base and no menu: straight into it.
        Installed inst(QString(kMassage).replace("MENUCANCEL=0", "MENUCANCEL=1"));
        inst.exec("DELETE FROM KYOTEN WHERE iKyotenEb <> 0 AND iKyotenCd <> 27");
        Window w("admin");
        ASSERT_TRUE(w.launched());
        EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 大阪－梅田店 11 69"});
    }
    // The saved database index: 0, negative and past the end give the first entry.
    for (const auto& [saved, selected] : {std::pair{"-1", 0}, {" 3", 0}, {" 2", 2}}) {
        Installed inst;
        inst.writeFile("DB.ini", "本番,PC01\\MIRANE,MIRANE45\r\n研修,PC01\\MIRANE,MIRANE45\r\n"
                                 "三番目,PC01\\MIRANE,MIRANE45\r\n");
        inst.writeFile("AreaSelect.ini", QStringLiteral("[kyotenCd]= 1\r\n[Index]= 0\r\n[DB]=") + saved +
                                             "\r\n[LastLoginUser]=\r\n");
        frmTopMenu w;
        w.load();
        EXPECT_EQ(child<QComboBox>(w, "cmbDBName")->currentIndex(), selected) << saved;
    }
}

// (A deletion from the pop-up: the end-to-end base test.)
TEST(TopMenuWindow, AdministratorAddsAndEditsABaseFromThePopUp)
{
    Installed inst(QString(kMassage).replace("FC機能=0", "FC機能=1"));
    // The base templates in the program folder and in the distribution folder C:\KVX\MASTER.
    for (const QString folder : {"", "drive_c/KVX/MASTER/"}) {
        inst.writeFile(folder + "Massage0000.ini",
                       "[環境]\r\n環境名=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0000\r\n");
        inst.writeFile(folder + "DATA/DATA0000/帳票Format.ini", "[全施術者予定表]\r\n全施術者予定表=x\r\n");
    }
    Window w("admin");
    auto* icons = child<QListView>(w, "ListView1");
    auto* add = child<QAction>(w, "popMenu01");
    auto* edit = child<QAction>(w, "popMenu02");

    // Beside the icons: a new base only.
    rightClick(icons, -1);
    EXPECT_FALSE(edit->isEnabled());
    whenOpen("frmFirstLogin", [](QWidget& creation) {
        auto* prefectures = child<QComboBox>(creation, "cmbChiku");
        prefectures->setCurrentIndex(prefectures->findText("東京"));
        child<QLineEdit>(creation, "imKyotenName")->setText("池袋店");
        click(creation, "btnAdd");
    });
    add->trigger();
    EXPECT_EQ(names(icons), QStringList({"札幌店", "本店", "新宿店", "渋谷店", "池袋店", "梅田店"}));
    // The new base is selected and shown, and the list keeps the focus when the launcher is
    // active again.
    QApplication::setActiveWindow(&w);
    EXPECT_EQ(icons->selectionModel()->selectedIndexes(), QModelIndexList{row(icons, 4)});
    EXPECT_EQ(child<QLabel>(w, "lblArea_1")->text(), "池袋店");
    EXPECT_EQ(QApplication::focusWidget(), icons);

    // On an icon: that base is edited.
    rightClick(icons, 4);
    EXPECT_FALSE(add->isEnabled());
    whenOpen("frmKyotenMent", [](QWidget& maintenance) {
        auto* name = child<QLineEdit>(maintenance, "imKyotenName");
        EXPECT_EQ(name->text(), "池袋店");
        name->setText("池袋東口店");
        click(maintenance, "btnRegist");
    });
    edit->trigger();
    EXPECT_EQ(row(icons, 4).data().toString(), "池袋東口店");
    EXPECT_EQ(icons->selectionModel()->selectedIndexes(), QModelIndexList{row(icons, 4)}); // still
}

TEST(TopMenuWindow, OptionsTakeEffectExitCanBeDeclinedAndTheTextListLaunches)
{
    Installed inst;
    inst.writeFile("Topmenu.ini", "[トップメニュー]\r\n"); // the reminder is on when its key is missing
    inst.exec("UPDATE ACCOUNT SET iStatus = 1 WHERE cLoginId = 'staff'");
    Window w;
    auto toggle = [&](const char* name) { child<QAction>(w, name)->trigger(); };
    auto* userId = child<QLineEdit>(w, "txtUserId");

    toggle("mnAcc");
    EXPECT_EQ(userId->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(inst.readText("Topmenu.ini").contains("\r\nアカウント名を表示させない=1\r\n"));
    toggle("mnSmartMenu");
    EXPECT_TRUE(child<QListView>(w, "List1")->isVisible());
    EXPECT_FALSE(child<QListView>(w, "ListView1")->isVisible());
    toggle("mnBackUpCheck");
    toggle("mnUser");
    toggle("mnAcc");
    EXPECT_EQ(userId->echoMode(), QLineEdit::Normal);
    toggle("mnDouble");
    EXPECT_EQ(
        inst.readBytes("Topmenu.ini"),
        textfile::encode("[トップメニュー]\r\n接続先ユーザーを保持する=1\r\nアカウント名を表示させない=0\r\n"
                         "メニューGUI=1\r\n二重ログインを管理する=1\r\nバックアップの確認を行う=1\r\n"));

    // Double-login control: an account already logged in is refused below level 10.
    logIn(w, "staff", "staff");
    EXPECT_EQ(inst.messages.shown.back().text, "このアカウントは現在ログイン中です");
    toggle("mnDouble");
    logIn(w, "staff", "staff");
    EXPECT_EQ(child<QLabel>(w, "lblUserData_0")->text(), "staff");

    // "No" to the exit question changes nothing.
    inst.messages.answer(platform::MsgAnswer::No);
    click(w, "cmdExit");
    inst.expectLastBox("システムを終了します。よろしいですか？", "拠点メニュー", {},
                       platform::MsgButtons::YesNo);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(inst.exists("loginuser.kvx"));
    EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'staff'"), "1");

    // The text list launches too (once a line is chosen).
    w.launchFrom(LaunchSource::TextList);
    inst.expectLastBox("拠点のメニューが起動できません。", "選択エラー");
    doubleClickRow(child<QListView>(w, "List1"), 1);
    ASSERT_TRUE(w.launched());
    EXPECT_EQ(inst.commandLines(), QStringList{inst.path() + "\\Main.exe 東京－本店 11 69"});
}
