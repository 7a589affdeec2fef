#pragma once

#include <QDialog>

class QKeyEvent;
class QLineEdit;
class QListWidget;

namespace Ui
{
class frmFirstView;
class frmFirstSetUp00;
class frmFirstSetUpA0;
class frmFirstSetUp01;
class frmFirstSetUpList;
} // namespace Ui

// The pages of the first-time setup. A page never opens another: when it closes it tells
// the loop that drives the wizard which page comes next (None: the window was closed).
enum class SetupPage { None, Intro, CreateBase, OperatingRules, Corporation, Staff, Users, Final, Done };

class SetupPageDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;
    SetupPage nextPage() const { return next_; }

protected:
    void leaveTo(SetupPage page)
    {
        next_ = page;
        close();
    }
    // Escape does not close a page: that would end the whole setup at one key.
    void keyPressEvent(QKeyEvent* event) override;

private:
    SetupPage next_ = SetupPage::None;
};

// The introduction shown before the wizard: Next writes the tutorial marker, the stop button
// ends the program.
class frmFirstView : public QDialog
{
    Q_OBJECT
public:
    explicit frmFirstView(QWidget* parent = nullptr);
    ~frmFirstView() override;
    void btnAdd_Click();
    void btnCancel_Click();

private:
    Ui::frmFirstView* ui;
};

// The wizard's first page (state().giSetupMode 0) and its last (9), whose button saves.
class frmFirstSetUp00 : public SetupPageDialog
{
    Q_OBJECT
public:
    explicit frmFirstSetUp00(QWidget* parent = nullptr);
    ~frmFirstSetUp00() override;
    void btnNext_Click();
    void btnEnd_Click();
    void btnCancel_Click();
    void btnLast_Click();

private:
    Ui::frmFirstSetUp00* ui;
};

// The operating rules: deformity treatment, holidays, fixing days, record keeping and the
// receipt format with its sample print.
class frmFirstSetUpA0 : public SetupPageDialog
{
    Q_OBJECT
public:
    explicit frmFirstSetUpA0(QWidget* parent = nullptr);
    ~frmFirstSetUpA0() override;
    void optChk06_Click();
    void optChk10_Click(int index);
    void cmdOk_Click();
    void cmdCancel_Click();
    void btnPrtSub_Click();
    void btnNext_Click();

private:
    int selectedFormat() const; // option index, -1 when none
    void selectFormat(int index);
    void showFormatFrame(bool shown);
    Ui::frmFirstSetUpA0* ui;
};

// The office that is the starting point of the home visits.
class frmFirstSetUp01 : public SetupPageDialog
{
    Q_OBJECT
public:
    explicit frmFirstSetUp01(QWidget* parent = nullptr);
    ~frmFirstSetUp01() override;
    void btnYubin_Click();
    void btnAdd_Click();
    void btnLatLong_Click();
    void btnNext_Click();
    void btnCancel_Click();
    void posYubin_Change();

private:
    void store();
    QString postalText() const;
    Ui::frmFirstSetUp01* ui;
};

// The practitioner page and the user page share one form and one behaviour; they differ in
// texts, the largest code and the record list they keep.
class frmFirstSetUpList : public SetupPageDialog
{
    Q_OBJECT
public:
    enum class Kind { Staff, Users };
    frmFirstSetUpList(Kind kind, QWidget* parent = nullptr);
    ~frmFirstSetUpList() override;

    void chkAuto_Click();
    void btnAdd_Click();
    void btnDelete_Click();
    void lstMember_Click();
    void btnNext_Click();
    void btnCancel_Click();

    // The list line of an entry: the code right-aligned in 8, "00" on the user page, 8
    // blanks, the name.
    static QString itemText(Kind kind, qint64 code, const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Texts;
    const Texts& texts() const;
    qint64 nextAutoCode() const;
    void addItem(qint64 code, const QString& name);
    void showCount();
    void saveList();
    Kind kind_;
    Ui::frmFirstSetUpList* ui;
};

class frmFirstSetUp02 : public frmFirstSetUpList
{
    Q_OBJECT
public:
    explicit frmFirstSetUp02(QWidget* parent = nullptr) : frmFirstSetUpList(Kind::Staff, parent) {}
};

class frmFirstSetUp03 : public frmFirstSetUpList
{
    Q_OBJECT
public:
    explicit frmFirstSetUp03(QWidget* parent = nullptr) : frmFirstSetUpList(Kind::Users, parent) {}
};

// Shows one page of the wizard and returns the page that comes next.
SetupPage showSetupPage(SetupPage page, QWidget* parent);
