#include "installation.h"
#include "launcher/firstsetup.h"
#include "state/state.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

using platform::MsgAnswer;

namespace
{

// Plays the user on the pages as each one opens: one step per page, checked by its name.
// A page that opens when no step is left (or out of turn) is closed, which ends the wizard.
class PageScript : public QObject
{
public:
    using Act = std::function<void(QWidget&)>;
    void on(const char* page, Act act) { steps_.push_back({QString::fromLatin1(page), std::move(act)}); }
    void start()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &PageScript::poll);
        timer->start(5);
    }
    QStringList visited;
    bool outOfTurn = false;

private:
    void poll()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || top->objectName().isEmpty() || top == current_)
                continue;
            current_ = top;
            visited << top->objectName();
            if (steps_.empty() || steps_.front().first != top->objectName()) {
                outOfTurn = true;
                top->close();
                return;
            }
            auto step = std::move(steps_.front());
            steps_.pop_front();
            step.second(*top);
            return;
        }
        if (current_ && !current_->isVisible())
            current_ = nullptr;
    }
    std::deque<std::pair<QString, Act>> steps_;
    QPointer<QWidget> current_;
};

void press(QWidget& w, const char* button)
{
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

void setText(QWidget& w, const char* field, const QString& text)
{
    child<QLineEdit>(w, field)->setText(text);
}

// Adds a name to a list page as the user does: the name, then Enter.
void addName(QWidget& w, const QString& name)
{
    auto* field = child<QLineEdit>(w, "txtName");
    field->setText(name);
    QApplication::setActiveWindow(&w);
    field->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), field);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

QStringList listLines(QWidget& w)
{
    QStringList lines;
    auto* list = child<QListWidget>(w, "lstMember");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

struct WizardInstallation : TestInstallation {
    WizardInstallation()
    {
        createDatabase();
        writeAdodbIni();
        writeFile("Massage.ini", "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\nSYSTEM_DATA=\\DATA\r\n");
        writeFile("Massage0000.ini", "[環境]\r\n環境名=\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0000\r\n");
        writeFile("DATA/DATA0000/帳票Format.ini", "[全施術者予定表]\r\n");
    }
};

} // namespace

TEST(FirstTimeSetup, WalksForwardAndBackKeepingEntriesAndSaves)
{
    WizardInstallation inst;
    PageScript script;
    script.on("frmFirstView", [](QWidget& w) { press(w, "btnAdd"); });
    script.on("frmFirstSetUp00", [](QWidget& w) { press(w, "btnNext"); });
    script.on("frmFirstLogin", [](QWidget& w) { press(w, "btnCancel"); }); // back to the intro page
    script.on("frmFirstSetUp00", [](QWidget& w) { press(w, "btnNext"); });
    script.on("frmFirstLogin", [&inst](QWidget& w) {
        auto* prefectures = child<QComboBox>(w, "cmbChiku");
        prefectures->setCurrentIndex(prefectures->findText("北海道"));
        setText(w, "imKyotenName", "札幌治療院");
        inst.messages.answer(MsgAnswer::Yes);
        press(w, "btnAdd");
    });
    script.on("frmFirstSetUpA0", [](QWidget& w) {
        child<QRadioButton>(w, "optChk01_0")->click();
        child<QRadioButton>(w, "optChk02_1")->click();
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp01", [](QWidget& w) {
        EXPECT_EQ(child<QLineEdit>(w, "txtKaishaName")->text(), "札幌治療院");
        setText(w, "txtDaihyouName", "代表 太郎");
        setText(w, "posYubin", "0600001");
        setText(w, "txtAddress01", "北海道札幌市中央区北一条西");
        setText(w, "imLat", "155000000");
        setText(w, "imLon", "508000000");
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp02", [](QWidget& w) {
        addName(w, "施術 一郎");
        addName(w, "O'Neil");
        press(w, "btnCancel"); // back to the corporation page
    });
    script.on("frmFirstSetUp01", [](QWidget& w) {
        EXPECT_EQ(child<QLineEdit>(w, "txtDaihyouName")->text(), "代表 太郎");
        EXPECT_EQ(child<QLineEdit>(w, "posYubin")->text(), "060-0001");
        press(w, "btnCancel"); // back to the operating rules
    });
    script.on("frmFirstSetUpA0", [](QWidget& w) {
        EXPECT_TRUE(child<QRadioButton>(w, "optChk02_1")->isChecked());
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp01", [](QWidget& w) { press(w, "btnNext"); });
    script.on("frmFirstSetUp02", [](QWidget& w) {
        EXPECT_EQ(listLines(w), QStringList({"       1        施術 一郎", "       2        O'Neil"}));
        EXPECT_EQ(child<QLineEdit>(w, "txtIDNo")->text(), "3");
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp03", [](QWidget& w) {
        child<QCheckBox>(w, "chkAuto")->click();
        setText(w, "txtIDNo", "7");
        addName(w, "利用 七子");
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp00", [](QWidget& w) {
        EXPECT_EQ(state().giSetupMode, 9);
        press(w, "btnCancel"); // back to the users
    });
    script.on("frmFirstSetUp03", [](QWidget& w) {
        EXPECT_EQ(listLines(w), QStringList({"       700        利用 七子"}));
        press(w, "btnNext");
    });
    script.on("frmFirstSetUp00", [](QWidget& w) { press(w, "btnLast"); });
    script.start();

    EXPECT_TRUE(runFirstTimeSetup(nullptr));
    EXPECT_FALSE(script.outOfTurn) << script.visited.join(' ').toStdString();
    EXPECT_EQ(state().giDialogResult, 1);
    // What the pages gathered is saved (the save's own files and rows: SetupSave).
    EXPECT_EQ(inst.scalar("SELECT cKyotenName FROM KYOTEN WHERE iKyotenCd = 1 AND iKyotenEb = 1"),
              "札幌治療院");
    EXPECT_EQ(inst.scalar("SELECT cShamei1 || '|' || cDaihyo || '|' || cYubinNo || '|' || nLat FROM CORP"),
              "札幌治療院|代表 太郎|060-0001|155000000");
    EXPECT_EQ(inst.scalar("SELECT group_concat(nIDNo || ':' || cName, ',') FROM STAFF"),
              "1:施術 一郎,2:O'Neil");
    EXPECT_EQ(inst.scalar("SELECT nIDNo FROM RIYOUSHA"), "700");
}

TEST(FirstTimeSetup, ClosingAPageEndsTheWizardUncompleted)
{
    WizardInstallation inst;
    PageScript script;
    script.on("frmFirstView", [](QWidget& w) { w.close(); });
    script.on("frmFirstSetUp00", [](QWidget& w) { w.close(); });
    script.start();
    EXPECT_FALSE(runFirstTimeSetup(nullptr));
    EXPECT_FALSE(script.outOfTurn);
    EXPECT_EQ(state().giDialogResult, 0);
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0"), "0");
}
