#include "launcher/frmTopMenu.h"
#include "launcher/firstsetup.h"
#include "ui_frmTopMenu.h"

#include "bases/baseadmin.h"
#include "bases/frmFirstLogin.h"
#include "bases/frmKyotenMent.h"
#include "bases/housepicture.h"
#include "db/cT_ADODB.h"
#include "launcher/baselist.h"
#include "launcher/exitflow.h"
#include "launcher/kyotenmodel.h"
#include "launcher/login.h"
#include "launcher/options.h"
#include "launcher/picture.h"
#include "launcher/startup.h"
#include "launcher/statefiles.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "settings/conversions.h"
#include "settings/massageini.h"
#include "state/state.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTimer>
#include <array>
#include <exception>
#include <utility>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

constexpr int kTwipsPerPixel = 15;

// The columns each base item carries, in the order the suite's base windows read them.
const QStringList& columnKeys()
{
    static const QStringList keys{
        QStringLiteral("icon"),     QStringLiteral("iKyotenCd"),  QStringLiteral("iKyotenEb"),
        QStringLiteral("iType"),    QStringLiteral("cAreaName"),  QStringLiteral("cKyotenName"),
        QStringLiteral("cComment"), QStringLiteral("iLoginID"),   QStringLiteral("cLoginPass"),
        QStringLiteral("iAdminID"), QStringLiteral("cAdminPass"), QStringLiteral("iUsedFlg")};
    return keys;
}

const QColor kLinkRed(255, 0, 0);
const QColor kLinkDarkBlue(0, 0, 128);

int firstSelectedRow(const QAbstractItemView* list)
{
    int row = -1;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
        if (row < 0 || index.row() < row)
            row = index.row();
    }
    return row;
}

QString twoDigits(const QString& number)
{
    return QStringLiteral("%1").arg(number.toInt(), 2, 10, QLatin1Char('0'));
}

void setColours(QWidget* widget, const QColor& text, const QColor& background = QColor())
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, text);
    if (background.isValid())
        pal.setColor(QPalette::Window, background);
    widget->setPalette(pal);
}

// The wait cursor for the length of a database switch.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

frmTopMenu::frmTopMenu(QWidget* parent)
    : QDialog(parent), ui(new Ui::frmTopMenu),
      icons_(new KyotenListModel(KyotenListModel::Shows::Icons, &pictures_, this)),
      lines_(new KyotenListModel(KyotenListModel::Shows::Lines, &pictures_, this))
{
    ui->setupUi(this);
    ui->ListView1->setModel(icons_);
    ui->List1->setModel(lines_);
    // Names under the icons take two lines.
    ui->ListView1->setItemDelegate(new KyotenIconDelegate(ui->ListView1));
    ui->ListView1->setGridSize(
        QSize(ui->ListView1->gridSize().width(),
              KyotenIconDelegate::cellSize(ui->ListView1->iconSize(), ui->ListView1->fontMetrics(),
                                           ui->ListView1->gridSize().width())
                      .height() +
                  8));
    ui->layMain->setMenuBar(ui->menuBar);
    ui->List1->hide();
    ui->picPassLock->raise();
    ui->picMode->hide();
    ui->picUnuse->lower();
    ui->cmbDBName->setCompleter(nullptr);
    for (int i = 0; i < int(pictures_.size()); ++i)
        pictures_[size_t(i)] = QIcon(kyotenPicture(i));
    showLegend();
    setColours(ui->picArea, Qt::white, QColor(36, 84, 150));
    setColours(ui->picPassLock, QColor(80, 80, 80), QColor(240, 240, 240));
    setColours(ui->picMode, QColor(192, 0, 0));
    setSysUpdateColor(kLinkDarkBlue);

    connect(ui->cmbDBName, &QComboBox::currentIndexChanged, this, &frmTopMenu::selectDatabase);
    connect(ui->txtUserId, &QLineEdit::returnPressed, ui->txtPassword, qOverload<>(&QWidget::setFocus));
    connect(ui->txtPassword, &QLineEdit::returnPressed, this, &frmTopMenu::login);
    connect(ui->btnLogin, &QPushButton::clicked, this, &frmTopMenu::login);
    connect(ui->btnUserCg, &QPushButton::clicked, this, &frmTopMenu::logout);
    connect(ui->btnTS, &QPushButton::clicked, this, &frmTopMenu::startTotalSchedule);
    connect(ui->cmdExit, &QPushButton::clicked, this, &frmTopMenu::exitLauncher);
    // The selection model speaks for the view; a view with its signals blocked (while the
    // list is filled) does not show the base.
    connect(ui->ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!ui->ListView1->signalsBlocked())
            showSelectedKyoten();
    });
    connect(ui->ListView1, &QAbstractItemView::clicked, this, &frmTopMenu::showSelectedKyoten);
    connect(ui->ListView1, &QAbstractItemView::doubleClicked, this,
            [this] { launchFrom(LaunchSource::IconList); });
    connect(ui->ListView1, &QWidget::customContextMenuRequested, this, &frmTopMenu::openPopup);
    connect(ui->List1, &QAbstractItemView::doubleClicked, this,
            [this] { launchFrom(LaunchSource::TextList); });
    connect(ui->popMenu01, &QAction::triggered, this, &frmTopMenu::addKyoten);
    connect(ui->mnAddKyoten, &QAction::triggered, this, &frmTopMenu::addKyoten);
    connect(ui->popMenu02, &QAction::triggered, this, &frmTopMenu::editKyoten);
    connect(ui->popMenu03, &QAction::triggered, this, [this] { launchFrom(LaunchSource::PopupMenu); });
    connect(ui->popMenuNull01, &QAction::triggered, this, &frmTopMenu::showPopupNullMessage);
    for (QAction* option : {ui->mnUser, ui->mnAcc, ui->mnSmartMenu, ui->mnDouble, ui->mnBackUpCheck})
        connect(option, &QAction::triggered, this, &frmTopMenu::optionToggled);
    connect(ui->mnF01, &QAction::triggered, this, [this] {
        if (ui->btnUserCg->isEnabled())
            logout();
    });
    connect(ui->mnF12, &QAction::triggered, this, &frmTopMenu::exitLauncher);
    connect(ui->chkKyotenMent, &QCheckBox::toggled, this, [this](bool on) {
        ui->picMode->setVisible(on);
        ui->lblMode_0->setVisible(on);
        ui->lblMode_1->setVisible(on);
    });

    // Keys typed into the selector reach the combo box itself; its inner edit only sees
    // what the box passes on. Both are watched, so Enter searches whichever gets it.
    ui->cmbDBName->installEventFilter(this);
    ui->cmbDBName->lineEdit()->installEventFilter(this);
    ui->ListView1->installEventFilter(this);
    ui->lblSysUpdate->installEventFilter(this);
    ui->picArea->installEventFilter(this);
}

frmTopMenu::~frmTopMenu()
{
    if (asteriskStyle_)
        ui->txtUserId->setStyle(nullptr);
    delete ui;
}

int frmTopMenu::AsteriskStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                         QStyleHintReturn* returnData) const
{
    if (hint == QStyle::SH_LineEdit_PasswordCharacter)
        return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QLabel* frmTopMenu::lblArea(int index) const
{
    return findChild<QLabel*>(QStringLiteral("lblArea_%1").arg(index));
}

QLabel* frmTopMenu::lblUserData(int index) const
{
    return findChild<QLabel*>(QStringLiteral("lblUserData_%1").arg(index));
}

void frmTopMenu::load()
{
    State& st = state();

    icons_->clear();
    ui->ListView1->setProperty("columnKeys", columnKeys());

    ui->picUnuse->hide();
    ui->picUnuse->move(10680 / kTwipsPerPixel, 1380 / kTwipsPerPixel);

    for (int i = 0; i < 3; ++i)
        lblArea(i)->clear();

    // The state files of the last run: database list, last selection, last user.
    const short dbCount = iReadDbList();
    st.giDbCount = std::max<short>(dbCount, 0); // a list that cannot be read counts as none
    QString lastUser;
    short listIndex = 0;
    short dbIndex = 0;
    st.giSelKyotenCd = iReadAreaSelect(lastUser, listIndex, dbIndex);

    {
        const QSignalBlocker block(ui->cmbDBName);
        ui->cmbDBName->clear();
    }

    if (st.giDbCount < 1) {
        ui->cmbDBName->hide();
        ui->txtMasterDb->show();
        ui->cmbDBName->setEnabled(false);
        ui->lblDBUser->setEnabled(false);
        if (!bFileExists(platform::gsAppPath() + QStringLiteral("\\adodb.ini"))) {
            // The very first run of an installation: attach the suite database first.
            const MsgAnswer answer = platform::msgBox(
                QStringLiteral("システムの初回動作時にはデータベースを再構築する必要があります。") +
                    QLatin1Char('\r') +
                    QStringLiteral("しばらく時間がかかる場合もありますが、処理を実行してもよろしいですか？"),
                QStringLiteral("データベース再構成"), MsgIcon::Question, MsgButtons::OkCancel);
            if (answer != MsgAnswer::Ok)
                platform::endProgram(0);
            iDBAttach();
            if (iAdoDbMake(cT_ADODB::csGetComputerName() + QStringLiteral("\\MIRANE"),
                           QStringLiteral("MIRANE45")) < 0)
                platform::endProgram(0);
        }
    } else {
        const int count = std::min<int>(st.giDbCount, int(st.gtDbList.size()));
        {
            const QSignalBlocker block(ui->cmbDBName);
            for (int i = 0; i < count; ++i)
                ui->cmbDBName->addItem(st.gtDbList[size_t(i)].displayName);
        }
        // A saved index beyond the list (an environment removed from DB.ini) falls back to
        // the first entry, as a missing one does.
        const int selected = dbIndex >= 1 && dbIndex < count ? dbIndex : 0;
        {
            const QSignalBlocker block(ui->cmbDBName);
            ui->cmbDBName->setCurrentIndex(selected);
        }
        selectDatabase(selected);
        ui->txtMasterDb->hide();
    }

    ui->lblVerSet->setText(AplogRead());
    // The prefecture table is built in with the state (gsPrefName()).

    try {
        platform::runtime().gsAppPath = csSetCurDir(platform::gsAppPath());
    } catch (const std::exception&) {
        // The program folder stays as it was found.
    }

    const QString iconFolder = platform::gsAppPath() + csGetMassageIni(QStringLiteral("SYSTEM_ICON"), true);
    const QString topWallpaper =
        iconFolder + QLatin1Char('\\') + csGetMassageIni(QStringLiteral("WALLPAPER_TOP"), true);
    if (!bFileExists(topWallpaper))
        return;
    // The banner follows once the window is on screen (showEvent).
    topPicture_ = platform::nativePath(topWallpaper);
    loadKyotenPictures(iconFolder);

    LauncherOptions options = checkedOptions();
    if (vLoadOptions(&options)) {
        ui->mnUser->setChecked(options.mnUser);
        ui->mnAcc->setChecked(options.mnAcc);
        ui->mnSmartMenu->setChecked(options.mnSmartMenu);
        ui->mnDouble->setChecked(options.mnDouble);
        ui->mnBackUpCheck->setChecked(options.mnBackUpCheck);
    }
    applyListView();
    applyAccountMask();

    st.giProductType = readProductType();

    ui->chkKyotenMent->hide();
    ui->chkKyotenMent->setEnabled(false);
    ui->lblMode_0->hide();
    ui->lblMode_1->hide();

    // From here an unexpected failure ends the start-up quietly; the window opens as far as
    // it got.
    try {
        ui->txtUserId->setText(lastUser);
        showLoggedOutData();

        const short loginFile = iLoadLoginUser();
        if (loginFile == 2 || lastUser.isEmpty()) {
            iMenuBtn(0);
        } else {
            showLoginData(true);
            iMenuBtn(1);
        }

        // What a killed base creation or deletion left is finished before the bases are read.
        bases::vCleanLeftovers();
        st.giKyotenCount = iKyotenMaxGet();
        startMapCompanion();

        const short listed = iKyotenBtnSet();

        // The icon of the last run again; the first icon is already selected. A position
        // the list no longer has (fewer bases now) keeps that first icon.
        if (listIndex > 1 && listIndex <= icons_->rowCount()) {
            const QModelIndex item = icons_->index(listIndex - 1);
            {
                const QSignalBlocker block(ui->ListView1);
                ui->ListView1->setCurrentIndex(item);
            }
            ui->ListView1->scrollTo(item);
            showSelectedKyoten();
        }

        if (listed == 1) {
            // No base yet: the first-time setup has to create one before the launcher can
            // be used; without it the program cannot go on.
            runFirstTimeSetup(this);
            iKyotenBtnSet();
            if (st.giDialogResult != 1) {
                platform::msgBox(QStringLiteral("初期データ設定を中止しました。"), QStringLiteral("処理中断"),
                                 MsgIcon::Critical, MsgButtons::Ok);
                platform::endProgram(0);
            }
        } else {
            offerToFinishSetup();
        }
        // Also after a finished setup: from here on the base windows are in their normal
        // mode, not pages of the wizard.
        st.giSetupMode = -1;

        statusIn();

        if (vbVal(csGetMassageIni(QStringLiteral("簡易メニュー"), true)) == 1)
            ui->lblSysUpdate->hide();
        if (vbVal(csGetMassageIni(QStringLiteral("FC機能"), true)) == 1)
            ui->picIconHide->hide();
        if (vbVal(csGetMassageIni(QStringLiteral("MENUCANCEL"), true)) == 1)
            st.gbMenuCancel = true;
    } catch (const std::exception&) {
    }
}

short frmTopMenu::iKyotenBtnSet()
{
    short status = -1;
    {
        const QSignalBlocker blockIcons(ui->ListView1);
        const QSignalBlocker blockLines(ui->List1);
        icons_->clear();
        lines_->clear();

        status = loadKyotenList();

        // Both views show the rows as they are; an item is only drawn when it is on screen.
        // They show the state's list itself, without a copy: the list changes only here,
        // after both were emptied, and the state lives as long as the program.
        const std::shared_ptr<const std::vector<tKyoten>> rows(std::shared_ptr<void>(),
                                                               &state().gtKyotenList);
        icons_->setBases(rows);
        lines_->setBases(rows);
        if (icons_->rowCount() > 0)
            ui->ListView1->setCurrentIndex(icons_->index(0));
    }
    // The panel shows the base the list highlights, and nothing when none is.
    if (firstSelectedRow(ui->ListView1) >= 0) {
        showSelectedKyoten();
    } else {
        for (int i = 0; i < 3; ++i)
            lblArea(i)->clear();
    }
    return status;
}

short frmTopMenu::iMenuBtn(short flag)
{
    const bool loggedIn = flag != 0;
    ui->picPassLock->setVisible(!loggedIn);
    if (!loggedIn)
        ui->picPassLock->raise();
    ui->cmbDBName->setEnabled(loggedIn);
    ui->btnUserCg->setEnabled(loggedIn);
    ui->btnTS->setEnabled(loggedIn);
    // The keyboard's way to a new base, for the accounts the pop-up offers it to.
    ui->mnAddKyoten->setEnabled(loggedIn && state().gtLoginUser.AccessLevel >= 10);
    return 0;
}

void frmTopMenu::statusIn()
{
    const tLoginUser& user = state().gtLoginUser;
    if (user.AccessLevel != 0) {
        ui->lblLogin->setText(user.AccessName);
        ui->lblTantou->setText(user.Name);
        ui->lblKyoten->setText(QString());
    } else {
        ui->lblLogin->setText(QStringLiteral("ログアウト"));
        ui->lblTantou->setText(QStringLiteral("－"));
        ui->lblKyoten->setText(QStringLiteral("－"));
    }
}

void frmTopMenu::loadKyotenPictures(const QString& iconFolder)
{
    // An installation may deliver its own pictures (KYOTEN<n>.png in the icon folder).
    for (int i = 0; i < int(pictures_.size()); ++i)
        pictures_[size_t(i)] = QIcon(kyotenPicture(i, iconFolder));
    showLegend();
    icons_->picturesChanged();
}

void frmTopMenu::showLegend()
{
    for (int i = 0; i < 4; ++i) {
        if (auto* legend = findChild<QLabel*>(QStringLiteral("imgLegend_%1").arg(i)))
            legend->setPixmap(pictures_[size_t(i + 1)].pixmap(16, 16));
    }
}

void frmTopMenu::showLoggedOutData()
{
    lblUserData(0)->setText(QStringLiteral("ログアウト中"));
    for (int i = 1; i <= 5; ++i)
        lblUserData(i)->setText(QStringLiteral("-"));
}

void frmTopMenu::showLoginData(bool fromLoginFile)
{
    const tLoginUser& user = state().gtLoginUser;
    lblUserData(0)->setText(user.LoginId);
    // A log-in restored from the login file shows the job name and the previous log-in
    // where a fresh log-in shows the name and its kana.
    lblUserData(1)->setText(fromLoginFile ? user.AccessName : user.Name);
    lblUserData(2)->setText(fromLoginFile ? user.LoginDate : user.NameKana);
    lblUserData(3)->setText(QString::number(user.AccessLevel));
    lblUserData(4)->setText(user.AccessName);
    lblUserData(5)->setText(user.LoginDate);
}

void frmTopMenu::applyAccountMask()
{
    if (ui->mnAcc->isChecked()) {
        // The account name is masked with '*', as the suite's users know it, not with dots.
        if (!asteriskStyle_) {
            asteriskStyle_ = std::make_unique<AsteriskStyle>();
            ui->txtUserId->setStyle(asteriskStyle_.get());
        }
        ui->txtUserId->setEchoMode(QLineEdit::Password);
    } else {
        ui->txtUserId->setEchoMode(QLineEdit::Normal);
    }
}

void frmTopMenu::applyListView()
{
    const bool textList = ui->mnSmartMenu->isChecked();
    ui->List1->setVisible(textList);
    ui->ListView1->setVisible(!textList);
    ui->picPassLock->raise();
}

void frmTopMenu::optionToggled()
{
    applyAccountMask();
    applyListView();
    vSaveOptions(checkedOptions());
}

// The options as the menu's check marks show them.
LauncherOptions frmTopMenu::checkedOptions() const
{
    LauncherOptions options;
    options.mnUser = ui->mnUser->isChecked();
    options.mnAcc = ui->mnAcc->isChecked();
    options.mnSmartMenu = ui->mnSmartMenu->isChecked();
    options.mnDouble = ui->mnDouble->isChecked();
    options.mnBackUpCheck = ui->mnBackUpCheck->isChecked();
    return options;
}

void frmTopMenu::selectDatabase(int index)
{
    State& st = state();
    if (index < 0 || index >= int(st.gtDbList.size()))
        return;
    const tDbEntry entry = st.gtDbList[size_t(index)];
    if (!bDbEntryUsable(entry)) {
        // adodb.ini still names the database in use; the selector goes back to it.
        const QSignalBlocker block(ui->cmbDBName);
        ui->cmbDBName->setCurrentIndex(dbInUse_ >= 0 ? dbInUse_ : -1);
        showDatabaseInUse();
        return;
    }
    const WaitCursor wait;
    if (iAdoDbMake(entry.server, entry.database) < 0)
        platform::endProgram(0);
    dbInUse_ = index;
    showDatabaseInUse();
    iKyotenBtnSet();
}

void frmTopMenu::showDatabaseInUse()
{
    ui->cmbDBName->setEditText(dbInUse_ >= 0 ? ui->cmbDBName->itemText(dbInUse_) : QString());
}

void frmTopMenu::searchDatabase()
{
    const State& st = state();
    const QString text = ui->cmbDBName->currentText().trimmed();
    const int count = std::min<int>(st.giDbCount, int(st.gtDbList.size()));
    for (int i = 0; i < count; ++i) {
        if (st.gtDbList[size_t(i)].displayName.contains(text, Qt::CaseSensitive)) {
            if (ui->cmbDBName->currentIndex() == i)
                selectDatabase(i);
            else
                ui->cmbDBName->setCurrentIndex(i);
            if (icons_->rowCount() > 0)
                ui->ListView1->setCurrentIndex(icons_->index(0));
            return;
        }
    }
    lblArea(0)->setText(QStringLiteral("－"));
    lblArea(1)->setText(QStringLiteral("該当なし"));
    icons_->clear();
    // The typed text named no database: the box shows the one still in use.
    showDatabaseInUse();
    if (ui->cmbDBName->isVisibleTo(this) && ui->cmbDBName->isEnabled())
        ui->cmbDBName->setFocus();
}

void frmTopMenu::showSelectedKyoten()
{
    const tKyoten* selected = icons_->base(firstSelectedRow(ui->ListView1));
    if (!selected)
        return;
    tKyoten& k = state().gtKyoten;
    k = *selected;
    lblArea(0)->setText(k.cAreaName);
    lblArea(1)->setText(k.cKyotenName);
    lblArea(2)->setText(baseId(k.iKyotenCd, k.iKyotenEb));
}

void frmTopMenu::launchFrom(LaunchSource source)
{
    State& st = state();
    short position = 0;
    if (source == LaunchSource::TextList) {
        const int line = firstSelectedRow(ui->List1);
        if (line < 0 || line >= int(st.gtKyotenList.size())) {
            platform::msgBox(QStringLiteral("拠点のメニューが起動できません。"), QStringLiteral("選択エラー"),
                             MsgIcon::Critical, MsgButtons::Ok);
            return;
        }
        st.gtKyoten = st.gtKyotenList[size_t(line)];
    } else {
        const int row = firstSelectedRow(ui->ListView1);
        const tKyoten* selected = icons_->base(row);
        if (!selected)
            return;
        st.gtKyoten = *selected;
        position = short(row + 1);
    }
    if (launchKyoten(source, position, short(ui->cmbDBName->currentIndex())))
        endAfterLaunch();
}

void frmTopMenu::endAfterLaunch()
{
    // The base's program has the account now: no log-out, no closing questions.
    launched_ = true;
    accept();
}

void frmTopMenu::login()
{
    State& st = state();
    const QString id = ui->txtUserId->text().trimmed();
    if (id.isEmpty()) {
        platform::msgBox(QStringLiteral("ユーザーアカウントを入力して下さい。"),
                         QStringLiteral("ユーザーアカウント未入力"), MsgIcon::Exclamation, MsgButtons::Ok);
        ui->txtUserId->setFocus();
        return;
    }
    const QString password = ui->txtPassword->text().trimmed();
    if (password.isEmpty()) {
        platform::msgBox(QStringLiteral("ログインパスワードを入力して下さい。"),
                         QStringLiteral("パスワード未入力"), MsgIcon::Exclamation, MsgButtons::Ok);
        ui->txtPassword->setFocus();
        return;
    }

    LoginFocus focus = LoginFocus::None;
    const short result = LoginAccount(id, password, ui->mnDouble->isChecked(), &focus);
    if (result == 1) {
        statusIn();
        iMenuBtn(1);
        showLoginData(false);
    } else if (focus == LoginFocus::UserId) {
        ui->txtUserId->setFocus();
    } else if (focus == LoginFocus::Password) {
        ui->txtPassword->setFocus();
    }

    // One base, one environment and the menu switched off: straight into the base.
    if (result != -1 && st.giKyotenCount == 1 && st.giDbCount == 0 && st.gbMenuCancel) {
        launchFrom(LaunchSource::IconList);
        if (launched_)
            return;
    }
    if (ui->cmbDBName->isVisibleTo(this) && ui->cmbDBName->isEnabled())
        ui->cmbDBName->setFocus();
}

void frmTopMenu::logout()
{
    State& st = state();
    iMenuBtn(0);
    ui->txtUserId->clear();
    ui->txtPassword->clear();
    ui->txtUserId->setFocus();
    ui->lblLogin->setText(QStringLiteral("ログアウト"));
    ui->lblTantou->setText(QStringLiteral("－"));
    ui->lblKyoten->setText(QString());
    showLoggedOutData();

    iAccountLogout(st.gtLoginUser.LoginId, 0);
    vClearLoginUser();
    vDeleteLoginUser();
    iAreaSelMake(st.giSelKyotenCd, selectedPosition(), short(ui->cmbDBName->currentIndex()));

    // The next user starts without the previous user's base.
    {
        const QSignalBlocker blockIcons(ui->ListView1);
        const QSignalBlocker blockLines(ui->List1);
        ui->ListView1->clearSelection();
        ui->List1->clearSelection();
    }
    st.gtKyoten = tKyoten{};
    for (int i = 0; i < 3; ++i)
        lblArea(i)->clear();
}

void frmTopMenu::exitLauncher()
{
    if (platform::msgBox(QStringLiteral("システムを終了します。よろしいですか？"),
                         QStringLiteral("拠点メニュー"), MsgIcon::Question,
                         MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    runBackupReminder(ui->mnBackUpCheck->isChecked());
    close();
}

short frmTopMenu::selectedPosition() const
{
    if (ui->mnSmartMenu->isChecked())
        return short(std::max(firstSelectedRow(ui->List1), 0));
    return short(firstSelectedRow(ui->ListView1) + 1);
}

void frmTopMenu::openPopup(const QPoint& pos)
{
    const QModelIndex item = ui->ListView1->indexAt(pos);
    if (item.isValid())
        ui->ListView1->setCurrentIndex(item);
    else
        ui->ListView1->clearSelection();
    const QPoint global = ui->ListView1->viewport()->mapToGlobal(pos);

    if (state().gtLoginUser.AccessLevel < 10) {
        ui->popMenuNull->popup(global);
        return;
    }
    ui->popMenu00->menuAction()->setEnabled(item.isValid());
    ui->popMenu01->setEnabled(!item.isValid());
    ui->popMenu02->setEnabled(item.isValid());
    ui->popMenu03->setEnabled(item.isValid());
    if (item.isValid()) {
        const QStringList sub = item.data(KyotenListModel::SubItemsRole).toStringList();
        ui->popMenu00_01->setText(QStringLiteral("拠点番号：") + twoDigits(sub.value(0)));
        ui->popMenu00_02->setText(QStringLiteral("拠点枝番：") + twoDigits(sub.value(1)));
    }
    ui->popMenu->popup(global);
}

void frmTopMenu::addKyoten()
{
    state().giDialogResult = 0;
    {
        frmFirstLogin creation(this);
        creation.exec();
    }
    const tKyoten made = state().gtKyoten;
    iKyotenBtnSet();
    if (state().giDialogResult == 1)
        selectKyoten(made.iKyotenCd, made.iKyotenEb);
}

void frmTopMenu::editKyoten()
{
    const tKyoten* selected = icons_->base(firstSelectedRow(ui->ListView1));
    if (!selected)
        return;
    const tKyoten edited = *selected;
    state().gtKyoten = edited;
    {
        frmKyotenMent maintenance(this);
        maintenance.exec();
    }
    iKyotenBtnSet();
    selectKyoten(edited.iKyotenCd, edited.iKyotenEb); // unless it was deleted
}

void frmTopMenu::selectKyoten(short kyotenCd, short kyotenEb)
{
    for (int row = 0; row < icons_->rowCount(); ++row) {
        const tKyoten* k = icons_->base(row);
        if (k->iKyotenCd != kyotenCd || k->iKyotenEb != kyotenEb)
            continue;
        ui->ListView1->setCurrentIndex(icons_->index(row));
        ui->ListView1->scrollTo(icons_->index(row));
        ui->List1->setCurrentIndex(lines_->index(row));
        (ui->mnSmartMenu->isChecked() ? ui->List1 : ui->ListView1)->setFocus();
        return;
    }
}

void frmTopMenu::showPopupNullMessage()
{
    platform::msgBox(QStringLiteral("拠点の追加・編集を行うには管理者権限アカウントでのログインが必要です"),
                     QStringLiteral("アクセス権限がありません"), MsgIcon::Information, MsgButtons::Ok);
}

void frmTopMenu::startTotalSchedule()
{
    vShellWithArg(platform::gsAppPath() + QStringLiteral("\\TrtTotalSchedule.exe"), 11);
}

void frmTopMenu::focusLoginField()
{
    if (!ui->txtUserId->text().isEmpty())
        ui->txtPassword->setFocus();
    else
        ui->txtUserId->setFocus();
}

void frmTopMenu::setSysUpdateColor(const QColor& color)
{
    QPalette pal = ui->lblSysUpdate->palette();
    pal.setColor(QPalette::WindowText, color);
    ui->lblSysUpdate->setPalette(pal);
}

void frmTopMenu::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (topPicture_.isEmpty())
        return;
    // After whatever is already waiting (the ready hook): the window first, then the picture.
    QTimer::singleShot(0, this, [this, file = std::exchange(topPicture_, QString())] {
        auto* reader = ui->picArea->findChild<PictureReader*>();
        if (!reader)
            reader = new PictureReader(ui->picArea);
        reader->start(file, ui->picArea->size());
    });
}

void frmTopMenu::closeEvent(QCloseEvent* event)
{
    if (!launched_ && !closingDone_) {
        closingDone_ = true;
        runClosingSequence(selectedPosition(), short(ui->cmbDBName->currentIndex()));
    }
    QDialog::closeEvent(event);
}

void frmTopMenu::keyPressEvent(QKeyEvent* event)
{
    // Escape does not leave the launcher; only the exit and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmTopMenu::changeEvent(QEvent* event)
{
    // The log-in fields take the focus until someone has logged in; then the focus stays
    // where the user left it, in the base list after the base windows.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && state().gtLoginUser.AccessLevel == 0)
        focusLoginField();
    QDialog::changeEvent(event);
}

bool frmTopMenu::eventFilter(QObject* watched, QEvent* event)
{
    const auto isEnter = [event] {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    if ((watched == ui->cmbDBName || watched == ui->cmbDBName->lineEdit()) && isEnter()) {
        searchDatabase();
        return true;
    }
    if (watched == ui->cmbDBName && event->type() == QEvent::FocusOut)
        showDatabaseInUse(); // typed text that was never searched is not left standing
    if (watched == ui->ListView1 && isEnter()) {
        launchFrom(LaunchSource::IconList);
        return true;
    }
    if (watched == ui->lblSysUpdate) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            vOpenMakerSite();
        else if (event->type() == QEvent::Enter)
            setSysUpdateColor(kLinkRed);
        else if (event->type() == QEvent::Leave)
            setSysUpdateColor(kLinkDarkBlue);
    } else if (watched == ui->picArea && event->type() == QEvent::MouseMove) {
        setSysUpdateColor(kLinkDarkBlue);
    }
    return QDialog::eventFilter(watched, event);
}
