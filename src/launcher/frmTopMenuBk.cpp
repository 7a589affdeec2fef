#include "launcher/frmTopMenuBk.h"
#include "ui_frmTopMenuBk.h"

#include "launcher/alteration.h"
#include "launcher/frmTopMenu.h"
#include "launcher/picture.h"
#include "launcher/startup.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"
#include "settings/massageini.h"
#include "state/state.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <exception>
#include <utility>

namespace
{
constexpr int kTwipsPerPixel = 15;
constexpr int kDefaultLogoTwips = 1650;
constexpr int kLastStep = 240;
constexpr int kStepMilliseconds = 10;

} // namespace

frmTopMenuBk::frmTopMenuBk(QWidget* parent) : QWidget(parent), ui(new Ui::frmTopMenuBk)
{
    ui->setupUi(this);
    timKvx = new QTimer(this);
    timKvx->setObjectName(QStringLiteral("timKvx"));
    timKvx->setSingleShot(true);
    timKvx->setInterval(0);
    connect(timKvx, &QTimer::timeout, this, &frmTopMenuBk::timKvxTimer);
    ui->picKvx->installEventFilter(this);
    runner_ = [this] { runLauncher(); };
}

frmTopMenuBk::~frmTopMenuBk()
{
    delete ui;
}

void frmTopMenuBk::load()
{
    if (platform::host().previousInstance())
        platform::endProgram(0);

    // The tick comes whatever the load below finds, but only once the load is over: a box
    // shown below (a missing Massage.ini) runs an event loop of its own, and the launcher
    // must not start behind it and show its own box a second time.
    struct TickAfterLoad {
        QTimer* timer;
        ~TickAfterLoad()
        {
            if (std::uncaught_exceptions() == 0)
                timer->start();
        }
    } tickAfterLoad{timKvx};

    ui->picKvx->hide();
    ui->ImgWall->hide();

    try {
        platform::runtime().gsAppPath = csSetCurDir(platform::gsAppPath());
    } catch (const std::exception&) {
        // The program folder stays as it was found.
    }

    const QString icon = csGetMassageIni(QStringLiteral("SYSTEM_ICON"), true);
    const QString wallpaper =
        platform::gsAppPath() + icon + QLatin1Char('\\') + csGetMassageIni(QStringLiteral("WALLPAPER"), true);
    if (!bFileExists(wallpaper))
        return;
    // A full-screen picture takes a while to decode: it is read once the launcher window is
    // ready (runLauncher), at the size of the screen, and appears when it is read.
    wallpaperFile_ = platform::nativePath(wallpaper);

    const QString logo = platform::gsAppPath() + icon + QStringLiteral("\\LOGO.JPG");
    if (bFileExists(logo)) {
        const QPixmap picture(platform::nativePath(logo));
        ui->picKvx->setPixmap(picture);
        ui->picKvx->resize(picture.size());
        targetTwips_ = picture.height() * kTwipsPerPixel;
    } else {
        // No picture delivered: the suite's name stands in for it.
        ui->picKvx->setText(QStringLiteral("Mirane"));
        QFont font = ui->picKvx->font();
        font.setPixelSize(72);
        ui->picKvx->setFont(font);
        QPalette pal = ui->picKvx->palette();
        pal.setColor(QPalette::WindowText, QColor(36, 84, 150));
        ui->picKvx->setPalette(pal);
        targetTwips_ = kDefaultLogoTwips;
    }

    steps_ = 0;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    if (bFileExists(platform::gsAppPath() + QStringLiteral("\\loginuser.kvx"))) {
        // Someone is still logged in: straight to the wallpaper, no logo.
        ui->ImgWall->setGeometry(rect());
        ui->ImgWall->show();
        ui->ImgWall->lower();
        animationDone_ = true;
    } else {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        const QSize area = screen ? screen->size() : size();
        const int logoHeight = targetTwips_ / kTwipsPerPixel;
        ui->picKvx->move((area.width() - ui->picKvx->width()) / 2, (area.height() - logoHeight) / 2);
        setLogoHeight(0);
        ui->picKvx->show();
        ui->picKvx->raise();
    }

    iReadMapKey();
}

void frmTopMenuBk::timKvxTimer()
{
    // One tick only, however it was reached: the animation below lets events run.
    timKvx->stop();
    applyAlterationOnce();

    while (!animationDone_) {
        if (heightTwips_ < targetTwips_)
            setLogoHeight(heightTwips_ + targetTwips_ / 100 + 10);
        QCoreApplication::processEvents();
        ++steps_;
        if (steps_ > kLastStep)
            animationDone_ = true;
        // About 10 ms per step on the tick count; short sleeps keep the processor free for
        // the other sessions of a terminal server.
        const qint64 start = platform::clock().tickCount();
        while (platform::clock().tickCount() - start <= kStepMilliseconds)
            QThread::msleep(1);
    }

    timKvx->stop();
    ui->ImgWall->setGeometry(rect());
    ui->ImgWall->show();
    ui->ImgWall->lower();

    if (runner_)
        runner_();
    close();
}

void frmTopMenuBk::runLauncher()
{
    frmTopMenu launcher(this);
    launcher.load();
    QTimer::singleShot(0, &launcher, [this, &launcher] {
        if (ready_)
            ready_(launcher);
        readWallpaper();
    });
    launcher.exec();
    if (launcher.launched())
        platform::endProgram(0);
}

void frmTopMenuBk::readWallpaper()
{
    if (wallpaperFile_.isEmpty())
        return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    auto* reader = ui->ImgWall->findChild<PictureReader*>();
    if (!reader)
        reader = new PictureReader(ui->ImgWall);
    reader->start(std::exchange(wallpaperFile_, QString()), screen ? screen->size() : size());
}

void frmTopMenuBk::setLogoHeight(int twips)
{
    heightTwips_ = twips;
    ui->picKvx->resize(ui->picKvx->width(), twips / kTwipsPerPixel);
}

void frmTopMenuBk::cutAnimationShort()
{
    ui->ImgWall->setGeometry(rect());
    ui->ImgWall->show();
    ui->ImgWall->lower();
    ui->picKvx->hide();
    animationDone_ = true;
}

void frmTopMenuBk::resizeEvent(QResizeEvent* event)
{
    ui->ImgWall->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void frmTopMenuBk::mousePressEvent(QMouseEvent* event)
{
    cutAnimationShort();
    QWidget::mousePressEvent(event);
}

void frmTopMenuBk::keyPressEvent(QKeyEvent* event)
{
    cutAnimationShort();
    QWidget::keyPressEvent(event);
}

bool frmTopMenuBk::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->picKvx && event->type() == QEvent::MouseButtonPress)
        cutAnimationShort();
    return QWidget::eventFilter(watched, event);
}
