#include "bases/frmKyotenMent.h"
#include "ui_frmKyotenMent.h"

#include "bases/baseadmin.h"
#include "bases/basefiles.h"
#include "bases/entertab.h"
#include "bases/frmCaution.h"
#include "bases/housepicture.h"
#include "bases/kyoten.h"
#include "bases/namecheck.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "settings/conversions.h"
#include "settings/massageini.h"
#include "state/state.h"

#include <QApplication>

using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

const QString kCrLf = QStringLiteral("\r\n");

// By option index: the status text and the imgStatus index of its picture.
struct StatusOption {
    const char16_t* text;
    int picture;
};
constexpr StatusOption kOptions[] = {
    {u"事業所未登録", 4}, {u"事業所として運用中", 1}, {u"ＦＣとして運用中", 5}, {u"運用停止中", 2},
    {u"廃止", 3},
};

// The status pictures, by imgStatus index 1 to 5: in use, stopped, abolished, unregistered,
// franchise; each the picture the launcher's list shows for a base of that status.
QPixmap statusPicture(int index)
{
    static const int iconNumbers[] = {0, 1, 3, 4, 0, 2};
    return kyotenPicture(iconNumbers[index], kyotenIconFolder());
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void exclamation(const QString& text, const QString& title)
{
    platform::msgBox(text, title, MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace

short usedFlgOfOption(int option)
{
    return short(option == 4 ? 9 : option);
}

int optionOfUsedFlg(int usedFlg)
{
    switch (usedFlg) {
    case 0:
    case 1:
    case 2:
    case 3:
        return usedFlg;
    case 9:
        return 4;
    default:
        return -1;
    }
}

frmKyotenMent::frmKyotenMent(QWidget* parent) : QDialog(parent), ui(new Ui::frmKyotenMent)
{
    ui->setupUi(this);
    QAction* separator = ui->mnKinou->insertSeparator(ui->mnF12);
    separator->setObjectName(QStringLiteral("mnSep01"));
    for (int i = 1; i <= 5; ++i)
        imgStatus(i)->setPixmap(statusPicture(i));

    auto* enter = new EnterAsTab(this);
    for (QLineEdit* field :
         {ui->imArea, ui->imChiku, ui->imBcd, ui->imBeb, ui->imKyotenName, ui->imKyotenComment})
        enter->watch(field);

    connect(ui->btnRegist, &QPushButton::clicked, this, &frmKyotenMent::btnRegist_Click);
    connect(ui->btnDel, &QPushButton::clicked, this, &frmKyotenMent::btnDel_Click);
    connect(ui->btnCopy, &QPushButton::clicked, this, &frmKyotenMent::btnCopy_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmKyotenMent::btnCancel_Click);
    connect(ui->mnF1, &QAction::triggered, this, &frmKyotenMent::btnCopy_Click);
    connect(ui->mnF2, &QAction::triggered, this, &frmKyotenMent::btnDel_Click);
    connect(ui->mnF10, &QAction::triggered, this, &frmKyotenMent::btnRegist_Click);
    connect(ui->mnF12, &QAction::triggered, this, &frmKyotenMent::btnCancel_Click);
    for (int i = 0; i < 5; ++i)
        connect(optUmFlg(i), &QRadioButton::clicked, this, [this, i] { showStatus(i); });

    // Form load.
    const tKyoten& k = state().gtKyoten;
    addMode_ = iKyotenCheck(k.iKyotenCd, k.iKyotenEb) < 1;
    setWindowTitle(addMode_ ? QStringLiteral("拠点／事業所管理画面（追加モード）")
                            : QStringLiteral("拠点／事業所管理画面（編集モード）"));
    ui->btnCopy->setEnabled(addMode_);
    ui->btnDel->setEnabled(!addMode_);
    // The menu follows its buttons: deleting a base that has no row yet would only remove
    // files another base may still own.
    ui->mnF1->setEnabled(addMode_);
    ui->mnF2->setEnabled(!addMode_);

    ui->imArea->setText(k.cAreaName);
    ui->imChiku->setText(prefectureRegion(k.iKyotenCd));
    ui->imBcd->setText(QString::number(k.iKyotenCd));
    ui->imBeb->setText(QString::number(k.iKyotenEb));
    ui->imKyotenName->setText(k.cKyotenName);
    ui->imKyotenComment->setText(k.cComment);
    // The window opens on the first field a user can change; the area fields are read-only.
    ui->imKyotenName->setFocus();

    const int option = optionOfUsedFlg(k.iUsedFlg);
    if (option >= 0) {
        optUmFlg(option)->setChecked(true);
        showStatus(option);
        // A registered base cannot go back to unregistered.
        if (option != 0)
            optUmFlg(0)->setEnabled(false);
    }

    if (vbVal(csGetMassageIni(QStringLiteral("FC機能"), true)) == 0) {
        optUmFlg(4)->move(optUmFlg(4)->x(), optUmFlg(3)->y());
        optUmFlg(3)->move(optUmFlg(3)->x(), optUmFlg(2)->y());
        optUmFlg(2)->setVisible(false);
    }
}

frmKyotenMent::~frmKyotenMent()
{
    delete ui;
}

QRadioButton* frmKyotenMent::optUmFlg(int index) const
{
    return findChild<QRadioButton*>(QStringLiteral("optUmFlg_%1").arg(index));
}

QLabel* frmKyotenMent::imgStatus(int index) const
{
    return findChild<QLabel*>(QStringLiteral("imgStatus_%1").arg(index));
}

void frmKyotenMent::showStatus(int option)
{
    imgStatus(0)->setPixmap(imgStatus(kOptions[option].picture)->pixmap());
    ui->lblStatus->setText(QString::fromUtf16(kOptions[option].text));
}

int frmKyotenMent::selectedOption() const
{
    for (int i = 0; i < 5; ++i) {
        if (optUmFlg(i)->isChecked())
            return i;
    }
    return -1;
}

void frmKyotenMent::btnRegist_Click()
{
    const QString name = ui->imKyotenName->text().trimmed();
    const QString comment = ui->imKyotenComment->text().trimmed();
    if (name.isEmpty()) {
        exclamation(QStringLiteral("事業所名称は必ず入力して下さい。"), QStringLiteral("入力エラー"));
        return;
    }
    if (const QString problem = kyotenNameProblem(name); !problem.isEmpty()) {
        exclamation(problem, QStringLiteral("入力エラー"));
        return;
    }
    if (const QString problem = kyotenCommentProblem(comment); !problem.isEmpty()) {
        exclamation(problem, QStringLiteral("入力エラー"));
        return;
    }
    const int option = selectedOption();
    if (option == 0) {
        exclamation(QStringLiteral("事業所の状態は未登録以外を選択して下さい。"),
                    QStringLiteral("設定エラー"));
        return;
    }
    if (option < 0) {
        // A row whose status had no option: nothing chosen, nothing to store.
        exclamation(QStringLiteral("事業所の状態を選択して下さい。"), QStringLiteral("設定エラー"));
        return;
    }
    tKyoten& k = state().gtKyoten;
    if (const QString taken = kyotenNameTakenProblem(k.iKyotenCd, k.iKyotenEb, name); !taken.isEmpty()) {
        exclamation(taken, QStringLiteral("入力エラー"));
        return;
    }

    const tKyoten before = k;
    k.cKyotenName = name;
    k.cComment = comment;
    k.iUsedFlg = usedFlgOfOption(option);

    if (iKyotenCheck(k.iKyotenCd, k.iKyotenEb) < 1) {
        if (!registerNewKyoten())
            k = before;
        return;
    }

    QString failure;
    if (iKyotenUpdate(9, &failure) == 0) {
        platform::msgBox(k.cKyotenName + QStringLiteral("事業所の更新を行いました。"),
                         QStringLiteral("事業所更新完了"), MsgIcon::Information, MsgButtons::Ok);
    } else if (!failure.isEmpty()) {
        platform::msgBox(QStringLiteral("事業所の更新に失敗しました。") + kCrLf + failure,
                         QStringLiteral("事業所更新エラー"), MsgIcon::Critical, MsgButtons::Ok);
    }
    close();
}

// The add path of btnRegist. False when the window stays open (nothing was made).
bool frmKyotenMent::registerNewKyoten()
{
    tKyoten& k = state().gtKyoten;
    QString distribution;
    if (!bases::readDistributionFolder(&distribution) || distribution.isEmpty()) {
        exclamation(QStringLiteral("ファイルの読込みに失敗しました"),
                    QStringLiteral("マスタデータの読込みエラー"));
        return false;
    }
    bases::NewKyoten request;
    request.row = k;
    request.templateFolder = distribution;
    request.copyBackFolder = distribution; // the distribution folder keeps a copy of every base made here
    const bases::CreateOutcome made = bases::createKyoten(request);
    switch (made.result) {
    case bases::Created::Yes:
        platform::msgBox(k.cKyotenName + QStringLiteral("事業所の追加を行いました。"),
                         QStringLiteral("事業所追加完了"), MsgIcon::Information, MsgButtons::Ok);
        break;
    case bases::Created::TemplatesMissing:
        exclamation(made.failure, QStringLiteral("マスタデータの読込みエラー"));
        return false;
    case bases::Created::NameTaken: // by another terminal since the window's own check
        exclamation(made.failure, QStringLiteral("入力エラー"));
        return false;
    case bases::Created::FilesNotMade:
        bases::showNewBaseFilesNotMade(made.failure, made.undoFailure);
        return false;
    case bases::Created::NoBranch:
    case bases::Created::InsertFailed:
        if (!made.failure.isEmpty())
            platform::msgBox(QStringLiteral("事業所データの作成に失敗しました。") + kCrLf + made.failure,
                             QStringLiteral("事業所追加エラー"), MsgIcon::Critical, MsgButtons::Ok);
        break;
    }
    close();
    return true;
}

void frmKyotenMent::btnDel_Click()
{
    if (addMode_)
        return;
    {
        frmCaution caution(this);
        caution.exec();
    }
    if (state().giCautionResult != 1)
        return;

    bases::DeleteOutcome deleted;
    {
        const WaitCursor wait;
        deleted = bases::deleteKyoten(state().gtKyoten);
    }
    switch (deleted.result) {
    case bases::Deleted::FilesBlocked:
        platform::msgBox(QStringLiteral("事業所のファイルを削除できないため、事業所を削除できません。") +
                             kCrLf + deleted.failure,
                         QStringLiteral("事業所削除エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    case bases::Deleted::RowsFailed:
        if (!deleted.failure.isEmpty())
            platform::msgBox(
                QStringLiteral("事業所の削除に失敗しました。事業所のデータは削除されていません。") + kCrLf +
                    deleted.failure,
                QStringLiteral("事業所削除エラー"), MsgIcon::Critical, MsgButtons::Ok);
        return;
    case bases::Deleted::Yes:
        break;
    }
    if (!deleted.left.isEmpty()) {
        platform::msgBox(QStringLiteral("事業所は削除しましたが、次のファイルを削除できませんでした。") +
                             kCrLf + deleted.left.join(kCrLf),
                         QStringLiteral("事業所削除"), MsgIcon::Exclamation, MsgButtons::Ok);
    } else {
        platform::msgBox(QStringLiteral("事業所の削除が完了しました。"), QStringLiteral("事業所削除"),
                         MsgIcon::Information, MsgButtons::Ok);
    }
    close();
}

void frmKyotenMent::btnCopy_Click()
{
    QString distribution;
    if (bases::readDistributionFolder(&distribution) && distribution.isEmpty())
        exclamation(QStringLiteral("ファイルの読込みに失敗しました"),
                    QStringLiteral("マスタデータの読込みエラー"));
}

void frmKyotenMent::btnCancel_Click()
{
    close();
}
