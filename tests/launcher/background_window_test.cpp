#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "launcher/frmTopMenuBk.h"
#include "platform/runtime.h"
#include "state/state.h"

#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

// Settings, wallpaper and database of a small installation.
void install(TestInstallation& inst)
{
    inst.createDatabase("PC01\\MIRANE", true);
    inst.writeAdodbIni();
    inst.writeFile("Massage.ini", "[PATH]\r\nSYSTEM_ICON=\\ICON\r\n[画面]\r\nWALLPAPER=wall.png\r\n");
    inst.writePicture("ICON/wall.png");
}

} // namespace

// Someone is still logged in: the wallpaper at once, no logo; the timer runs the alteration
// script once (what a script may hold: its own tests) and opens the launcher, which is ready
// before the wallpaper is read at the size of the screen it fills.
TEST(BackgroundWindow, AlterationScriptRunsOnceAndTheWallpaperFollowsTheLauncher)
{
    TestInstallation inst;
    install(inst);
    QImage large(2400, 1800, QImage::Format_RGB32);
    large.fill(Qt::darkGreen);
    ASSERT_TRUE(large.save(inst.file("ICON/wall.png"), "PNG"));
    inst.writeFile("loginuser.kvx", "[LoginId]=admin\r\n");
    inst.writeFile("Massage.ini", inst.readText("Massage.ini") +
                                      "WALLPAPER_TOP=wall.png\r\n[システム]\r\nミラネタイプ=0\r\n"
                                      "FC機能=0\r\nMENUCANCEL=0\r\n簡易メニュー=0\r\n");
    inst.writeFile("KVX2604ALT.alt", "SELECT 1\r\nGO\r\n");
    frmTopMenuBk w;
    auto* wall = child<QLabel>(w, "ImgWall");
    int launcherShown = 0;
    bool emptyWhenReady = false;
    w.setLauncherReady([&](frmTopMenu& launcher) {
        ++launcherShown;
        emptyWhenReady = wall->pixmap().isNull();
        launcher.reject();
    });
    w.load();
    w.show();
    EXPECT_FALSE(wall->isHidden());
    EXPECT_TRUE(child<QLabel>(w, "picKvx")->isHidden());

    w.timKvxTimer();
    EXPECT_EQ(launcherShown, 1);
    EXPECT_EQ(w.animationSteps(), 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(inst.exists("KVX2604ALT.kvx"));
    EXPECT_TRUE(inst.messages.shown.empty());
    EXPECT_TRUE(emptyWhenReady);
    for (int i = 0; i < 500 && wall->pixmap().isNull(); ++i)
        QTest::qWait(10);
    ASSERT_FALSE(wall->pixmap().isNull());
    EXPECT_EQ(wall->pixmap().size(), w.screen()->size());
}

TEST(BackgroundWindow, LogoUnrollsUntilDoneOrClicked)
{
    TestInstallation inst;
    install(inst);
    {
        frmTopMenuBk w;
        bool logoDoneFirst = false;
        w.setLauncherRunner([&] { logoDoneFirst = w.animationDone(); });
        w.load();
        w.show();
        EXPECT_FALSE(child<QLabel>(w, "picKvx")->isHidden());
        w.timKvxTimer();
        EXPECT_TRUE(logoDoneFirst);
        EXPECT_GT(w.animationSteps(), 0);
    }
    {
        frmTopMenuBk w;
        w.setLauncherRunner([] {});
        w.load();
        w.show();
        QTest::mouseClick(&w, Qt::LeftButton);
        EXPECT_TRUE(child<QLabel>(w, "picKvx")->isHidden());
        EXPECT_FALSE(child<QLabel>(w, "ImgWall")->isHidden());
        w.timKvxTimer();
        EXPECT_EQ(w.animationSteps(), 0);
    }
}

TEST(BackgroundWindow, MapKeyAndSecondInstance)
{
    TestInstallation inst;
    install(inst);
    inst.writeFile("QMAPKEY.ini", "[キー情報]\r\nKeyNo=  \r\nStatus=1\r\n");
    {
        frmTopMenuBk w;
        w.load();
        ASSERT_EQ(inst.messages.shown.size(), 1u);
        inst.expectLastBox("setPosition() でエラー\r\n接続文字列取得できません。", "",
                           platform::MsgIcon::Critical);
        EXPECT_EQ(state().gsMapKeyStatus, QString());
    }
    inst.host.running = true;
    frmTopMenuBk w;
    EXPECT_THROW(w.load(), ProgramEnded);
}

namespace
{
// Boxes that keep the event loop running while they are up, as a modal box does.
class ModalBoxes : public FakeMessageBoxes
{
public:
    platform::MsgAnswer show(const QString& text, const QString& title, platform::MsgIcon icon,
                             platform::MsgButtons buttons) override
    {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        return FakeMessageBoxes::show(text, title, icon, buttons);
    }
};
} // namespace

TEST(BackgroundWindow, MissingSettingsFileWarnsOnceAndEnds)
{
    TestInstallation inst;
    ModalBoxes boxes;
    platform::runtime().messages = &boxes;
    frmTopMenuBk w;
    int launcherShown = 0;
    w.setLauncherRunner([&] { ++launcherShown; });
    EXPECT_THROW(w.load(), ProgramEnded);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    // The launcher, which would warn a second time, never opens behind the box.
    EXPECT_EQ(launcherShown, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title + boxes.shown[0].text, "警告！システム設定ファイルが見つかりません。");
}
