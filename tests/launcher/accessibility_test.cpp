#include "bases/frmCaution.h"
#include "bases/frmFirstLogin.h"
#include "bases/frmKyotenMent.h"
#include "installation.h"
#include "launcher/frmTopMenu.h"
#include "launcher/frmTopMenuBk.h"
#include "lookup/frmSearchAdd.h"
#include "map/frmSetMap.h"
#include "setup/frmBackUpCheck.h"
#include "setup/setuppages.h"
#include "state/state.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace
{

bool isButton(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) != nullptr;
}

// The name assistive technology gives a control: the caption label whose buddy it is, else
// its own accessible name, else a button's text, else the title of the frame it is the only
// field of.
QString spokenName(QWidget* w)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    if (!face)
        return {};
    for (const auto& relation : face->relations(QAccessible::Label)) {
        if (qobject_cast<QLabel*>(relation.first->object()))
            return relation.first->text(QAccessible::Name);
    }
    if (!w->accessibleName().isEmpty())
        return w->accessibleName();
    if (isButton(w))
        return face->text(QAccessible::Name);
    auto* frame = qobject_cast<QGroupBox*>(w->parentWidget());
    if (!frame)
        return {};
    int fields = 0;
    for (QWidget* sibling : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        fields += (sibling->focusPolicy() & Qt::TabFocus) && !isButton(sibling);
    return fields == 1 ? frame->title() : QString();
}

// Every control of the window a user can reach with Tab, without the inner parts of
// composite controls (the edit of a combo box, the buttons of a spin box).
QList<QWidget*> reachableControls(const QWidget& window)
{
    QList<QWidget*> controls;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
            inner = inner || qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p);
        if (!inner)
            controls << w;
    }
    return controls;
}

// Names every reachable control of the window has no name for.
QStringList unnamed(const QWidget& window)
{
    QStringList missing;
    for (QWidget* w : reachableControls(window)) {
        if (spokenName(w).trimmed().isEmpty())
            missing << window.objectName() + "." + w->objectName() + " (" + w->metaObject()->className() +
                           ")";
    }
    return missing;
}

const QString kMassage = "[PATH]\r\nSYSTEM_ICON=\\ICON\r\nSYSTEM_TMP=\\TMP\r\nSYSTEM_SYS=\\SYS\r\n"
                         "SYSTEM_DATA=\\DATA\r\n[画面]\r\nWALLPAPER=wall.png\r\nWALLPAPER_TOP=top.png\r\n"
                         "[システム]\r\nFC機能=1\r\n";

} // namespace

// Every window of the program, in each of its forms: each control a user can reach has a
// name a screen reader can speak, and the launcher's fields are found by their captions.
TEST(Accessibility, EveryControlOfEveryWindowHasAName)
{
    TestInstallation inst;
    inst.createDatabase("PC01\\MIRANE", true);
    inst.writeAdodbIni();
    inst.writeFile("Massage.ini", kMassage);
    inst.writePicture("ICON/top.png");
    inst.writePicture("ICON/wall.png");
    state().gsMapKeyStatus = "1";

    frmTopMenu launcher;
    launcher.load();
    for (const auto& [field, caption] :
         {std::pair{"txtUserId", "ユーザーアカウント"}, std::pair{"txtPassword", "パスワード"},
          std::pair{"cmbDBName", "接続先データベース"}, std::pair{"txtMasterDb", "接続先データベース"},
          std::pair{"ListView1", "拠点一覧"}, std::pair{"List1", "拠点一覧"}})
        EXPECT_EQ(spokenName(child<QWidget>(launcher, field)), QString::fromUtf8(caption)) << field;

    std::vector<std::function<std::unique_ptr<QWidget>()>> windows{
        [] { return std::make_unique<frmTopMenuBk>(); },
        [] {
            state().gtKyoten = tKyoten{13, 1, 0, "東京都", "本店", "", 0, "", 0, "", 1};
            return std::make_unique<frmKyotenMent>();
        },
        [] { return std::make_unique<frmCaution>(); },
        [] {
            state().giSetupMode = -1;
            return std::make_unique<frmFirstLogin>();
        },
        [] { return std::make_unique<frmFirstView>(); },
        [] {
            state().giSetupMode = 0;
            return std::make_unique<frmFirstSetUp00>();
        },
        [] {
            state().giSetupMode = 9;
            return std::make_unique<frmFirstSetUp00>();
        },
        [] { return std::make_unique<frmFirstSetUpA0>(); },
        [] { return std::make_unique<frmFirstSetUp01>(); },
        [] { return std::make_unique<frmFirstSetUp02>(); },
        [] { return std::make_unique<frmFirstSetUp03>(); },
        [] { return std::make_unique<frmSearchAdd>(); },
        [] { return std::make_unique<frmBackUpCheck>(); },
        [] { return std::make_unique<frmSetMap>(); },
    };
    QStringList missing = unnamed(launcher);
    for (const auto& make : windows)
        missing += unnamed(*make());
    EXPECT_TRUE(missing.isEmpty()) << missing.join("\n").toStdString();
}
