#pragma once

#include <QWidget>
#include <functional>

class QTimer;
class frmTopMenu;

namespace Ui
{
class frmTopMenuBk;
}

// The first window of the program: the full-screen background with the suite's wallpaper
// (or the logo that unrolls while nobody is logged in). Its one timer tick applies a
// delivered database alteration once and opens the launcher window in front of it; when
// the launcher closes, so does this window and with it the program.
class frmTopMenuBk : public QWidget
{
    Q_OBJECT
public:
    explicit frmTopMenuBk(QWidget* parent = nullptr);
    ~frmTopMenuBk() override;

    // Runs before the window is shown. Ends the program when another launcher runs.
    void load();

    // What the timer opens in front of the background. By default the launcher window,
    // loaded and shown modally (a launch then ends the program at once).
    void setLauncherRunner(std::function<void()> runner) { runner_ = std::move(runner); }
    // Called once the launcher window is loaded and on screen (the program's automation and
    // start-up measurement hook in).
    void setLauncherReady(std::function<void(frmTopMenu&)> ready) { ready_ = std::move(ready); }

    // The timer's work: alteration script, logo animation, launcher window, close.
    void timKvxTimer();

    bool animationDone() const { return animationDone_; }
    int animationSteps() const { return steps_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cutAnimationShort();
    void setLogoHeight(int twips);
    void runLauncher();
    void readWallpaper();

    Ui::frmTopMenuBk* ui;
    QTimer* timKvx;
    QString wallpaperFile_; // still to read, native path
    std::function<void()> runner_;
    std::function<void(frmTopMenu&)> ready_;
    bool animationDone_ = false;
    short steps_ = 0;
    int targetTwips_ = 1650;
    int heightTwips_ = 0;
};
