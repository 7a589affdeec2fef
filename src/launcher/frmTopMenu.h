#pragma once

#include "launcher/launch.h"
#include "launcher/options.h"

#include <QDialog>
#include <QIcon>
#include <QProxyStyle>
#include <QString>
#include <array>
#include <memory>

class KyotenListModel;
class QLabel;

namespace Ui
{
class frmTopMenu;
}

// The launcher window: database environment, log-in, the bases of the environment and the
// hand-over of a base to its program. The background window shows it modally; call load()
// before showing it.
class frmTopMenu : public QDialog
{
    Q_OBJECT
public:
    explicit frmTopMenu(QWidget* parent = nullptr);
    ~frmTopMenu() override;

    // The start-up of the window: state files, first-run rebuild, base list, restored
    // log-in, options and switches. Ends the program where the start-up cannot go on.
    void load();

    // True once a base has been handed to its program: the launcher then ends at once,
    // without the closing sequence, leaving the account logged in.
    bool launched() const { return launched_; }

    // Fills both base views from the database; -1 on failure, else 1 + number of bases.
    short iKyotenBtnSet();
    // Locks (0) or unlocks (nonzero) the base area and the buttons of a logged-in user.
    short iMenuBtn(short flag);
    // Shows the login state of state().gtLoginUser.
    void statusIn();

    // User actions, callable without the mouse.
    void selectDatabase(int index);
    void searchDatabase();
    void showSelectedKyoten();
    void launchFrom(LaunchSource source);
    void login();
    void logout();
    void exitLauncher();

    // The position the selection files keep: the selected line of the text list in
    // text-list mode (0 when none), else the 1-based position of the selected icon (0 when
    // none).
    short selectedPosition() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblArea(int index) const;
    QLabel* lblUserData(int index) const;
    void loadKyotenPictures(const QString& iconFolder);
    void showLegend();
    void showLoggedOutData();
    void showLoginData(bool fromLoginFile);
    void applyAccountMask();
    void applyListView();
    void optionToggled();
    LauncherOptions checkedOptions() const;
    void openPopup(const QPoint& pos);
    // The creation window for a new base, then the list again with the new base selected.
    void addKyoten();
    // The maintenance window for the selected base, then the list again with it selected.
    void editKyoten();
    // Selects the base in both views and gives the visible one the focus.
    void selectKyoten(short kyotenCd, short kyotenEb);
    void showPopupNullMessage();
    void startTotalSchedule();
    void focusLoginField();
    void endAfterLaunch();
    void setSysUpdateColor(const QColor& color);
    // The selector's text: the display name of the database adodb.ini was last written for.
    void showDatabaseInUse();

    // The '*' of a masked account name.
    class AsteriskStyle : public QProxyStyle
    {
    public:
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returnData) const override;
    };

    Ui::frmTopMenu* ui;
    std::unique_ptr<AsteriskStyle> asteriskStyle_;
    std::array<QIcon, 5> pictures_; // by icon number
    KyotenListModel* icons_;        // ListView1's rows
    KyotenListModel* lines_;        // List1's rows
    QString topPicture_;            // the banner still to read, native path
    bool launched_ = false;
    int dbInUse_ = -1; // index of the database in use, -1 before the first selection
    bool closingDone_ = false;
};
