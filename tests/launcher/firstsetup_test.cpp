#include "installation.h"
#include "launcher/firstsetup.h"
#include "state/state.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
// Presses a button of the base creation page once it is open, after filling it.
void onCreationPage(const char* button)
{
    QTimer::singleShot(0, [button] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() != "frmFirstLogin" || !top->isVisible())
                continue;
            auto* prefectures = child<QComboBox>(*top, "cmbChiku");
            prefectures->setCurrentIndex(prefectures->findText("北海道"));
            child<QLineEdit>(*top, "imKyotenName")->setText("札幌治療院");
            QTest::mouseClick(child<QPushButton>(*top, button), Qt::LeftButton);
        }
    });
}
} // namespace

TEST(FirstTimeSetup, EndsWithTheFirstBaseOrWhenAbandoned)
{
    TestInstallation inst;
    inst.createDatabase();
    inst.writeAdodbIni();
    inst.writeFile("Massage0000.ini", "[環境]\r\n環境名=\r\n");
    inst.writeFile("DATA/DATA0000/帳票Format.ini", "[全施術者予定表]\r\n");

    onCreationPage("btnCancel");
    EXPECT_FALSE(runFirstTimeSetup(nullptr));
    EXPECT_EQ(state().giSetupMode, 0);
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0"), "0");

    onCreationPage("btnAdd");
    EXPECT_TRUE(runFirstTimeSetup(nullptr));
    EXPECT_EQ(inst.scalar("SELECT cKyotenName FROM KYOTEN WHERE iKyotenCd = 1 AND iKyotenEb = 1"),
              "札幌治療院");
    EXPECT_TRUE(inst.exists("DATA/Data0101/予定設定.ini"));
    EXPECT_EQ(state().giDialogResult, 0); // the wizard, not the launcher's add, owns this outcome
}
