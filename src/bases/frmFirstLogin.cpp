#include "bases/frmFirstLogin.h"
#include "ui_frmFirstLogin.h"

#include "bases/baseadmin.h"
#include "bases/basefiles.h"
#include "bases/entertab.h"
#include "bases/kyoten.h"
#include "bases/namecheck.h"
#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "state/state.h"

#include <QSignalBlocker>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

constexpr int kTwipsPerPixel = 15;

void fillTimes(QComboBox* list, int fromHour, int toHour, int interval, int preselected)
{
    const QSignalBlocker block(list);
    list->clear();
    for (short value : timeListValues(fromHour, toHour, interval))
        list->addItem(bases::formatTime(value), int(value));
    list->setCurrentIndex(list->findData(preselected));
}

short itemData(const QComboBox* list)
{
    return short(list->currentData().toInt());
}

} // namespace

std::vector<short> timeListValues(int fromHour, int toHour, int interval)
{
    std::vector<short> values;
    const int steps = interval > 0 ? 60 / interval : 1;
    for (int h = fromHour; h <= toHour; ++h) {
        values.push_back(short(h * 100));
        if (h == toHour)
            break;
        for (int s = 1; s < steps; ++s)
            values.push_back(short(h * 100 + s * interval));
    }
    return values;
}

frmFirstLogin::frmFirstLogin(QWidget* parent) : QDialog(parent), ui(new Ui::frmFirstLogin)
{
    ui->setupUi(this);
    auto* enter = new EnterAsTab(this);
    enter->watch(ui->imKyotenName);

    State& st = state();
    st.giDialogResult = 0;
    {
        const QSignalBlocker block(ui->cmbMin);
        for (int minutes : {15, 20, 30})
            ui->cmbMin->addItem(QString::number(minutes), minutes);
        ui->cmbMin->setCurrentIndex(2);
    }
    vSetTimeList();
    for (int code = 1; code <= 47; ++code)
        ui->cmbChiku->addItem(gsPrefName()[size_t(code)]);
    ui->cmbChiku->setCurrentIndex(-1);

    firstTime_ = st.giSetupMode >= 0;
    if (firstTime_) {
        ui->btnAdd->setText(QStringLiteral("次へ"));
        ui->btnAdd->move(4980 / kTwipsPerPixel, ui->btnAdd->y());
        ui->btnCancel->setText(QStringLiteral("戻る"));
        ui->btnCancel->move(3420 / kTwipsPerPixel, ui->btnCancel->y());
    } else {
        ui->btnCancel->setText(QStringLiteral("キャンセル"));
        ui->btnCancel->move(4980 / kTwipsPerPixel, ui->btnCancel->y());
        ui->btnAdd->setText(QStringLiteral("事業所作成"));
        ui->btnAdd->move(3420 / kTwipsPerPixel, ui->btnAdd->y());
    }

    connect(ui->cmbMin, &QComboBox::currentIndexChanged, this, &frmFirstLogin::vSetTimeList);
    connect(ui->btnAdd, &QPushButton::clicked, this, &frmFirstLogin::btnAdd_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmFirstLogin::btnCancel_Click);
}

frmFirstLogin::~frmFirstLogin()
{
    delete ui;
}

void frmFirstLogin::vSetTimeList()
{
    const int interval = ui->cmbMin->currentText().toInt();
    fillTimes(ui->cmbFrom, 6, 12, interval, 900);
    fillTimes(ui->cmbTo, 15, 21, interval, 1800);
    fillTimes(ui->cmbRunch, 9, 21, interval, 1200);
    fillTimes(ui->cmbLast, 9, 21, interval, 1700);
}

void frmFirstLogin::btnAdd_Click()
{
    const auto refuse = [](const QString& text) {
        platform::msgBox(text, QStringLiteral("入力エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
    };
    if (ui->cmbChiku->currentIndex() < 0) {
        refuse(QStringLiteral("都道府県名は必ず選択して下さい。"));
        return;
    }
    const QString name = ui->imKyotenName->text().trimmed();
    if (name.isEmpty()) {
        refuse(QStringLiteral("事業所名称は必ず入力して下さい。"));
        return;
    }
    if (const QString problem = kyotenNameProblem(name); !problem.isEmpty()) {
        refuse(problem);
        return;
    }
    if (const QString taken = kyotenNameTakenProblem(short(ui->cmbChiku->currentIndex() + 1), 0, name);
        !taken.isEmpty()) {
        refuse(taken);
        return;
    }
    const QString prefecture = ui->cmbChiku->currentText();
    if (platform::msgBox(
            QStringLiteral("【") + prefecture + QStringLiteral("】 の事業所を登録します。よろしいですか？") +
                QStringLiteral("\r\r") + QStringLiteral("※都道府県名は後で変更できませんのでご注意下さい"),
            QStringLiteral("登録確認"), MsgIcon::Information, MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    if (!createKyoten(prefecture, name))
        return;

    if (firstTime_) {
        next_ = Next::OperatingRulesPage;
    } else {
        state().giDialogResult = 1;
    }
    close();
}

// Steps 4 to 12 of the creation. False when nothing is left made and the window stays.
bool frmFirstLogin::createKyoten(const QString& prefecture, const QString& name)
{
    bases::NewKyoten request;
    request.row.iKyotenCd = short(ui->cmbChiku->currentIndex() + 1);
    request.row.iType = 0;
    request.row.cAreaName = prefecture;
    request.row.cKyotenName = name;
    request.row.iUsedFlg = 1;
    request.lookUpBranch = true;
    request.templateFolder = platform::gsAppPath();
    request.schedule = bases::Schedule{itemData(ui->cmbMin), itemData(ui->cmbFrom), itemData(ui->cmbTo),
                                       itemData(ui->cmbRunch), itemData(ui->cmbLast)};
    const bases::CreateOutcome made = bases::createKyoten(request);
    switch (made.result) {
    case bases::Created::Yes:
        break;
    case bases::Created::TemplatesMissing:
        platform::msgBox(made.failure, QStringLiteral("事業所追加エラー"), MsgIcon::Exclamation,
                         MsgButtons::Ok);
        return false;
    case bases::Created::NameTaken: // by another terminal since the check before the question
        platform::msgBox(made.failure, QStringLiteral("入力エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    case bases::Created::NoBranch:
        platform::msgBox(QStringLiteral("事業所の枝番を取得できなかったため、事業所を作成できません。"),
                         QStringLiteral("事業所追加エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    case bases::Created::InsertFailed:
        platform::msgBox(QStringLiteral("事業所データの作成に失敗しました。") + QLatin1Char('\r') +
                             QStringLiteral("システムを強制終了します。"),
                         QStringLiteral("事業所追加エラー"), MsgIcon::Critical, MsgButtons::Ok);
        platform::endProgram(0);
    case bases::Created::FilesNotMade:
        bases::showNewBaseFilesNotMade(made.failure, made.undoFailure);
        return false;
    }
    state().gtKyoten = made.row;
    tSetupData& setup = state().gtSetupData;
    setup = tSetupData{};
    setup.companyName = name;
    return true;
}

void frmFirstLogin::btnCancel_Click()
{
    if (firstTime_) {
        state().giSetupMode = 0;
        next_ = Next::IntroPage;
    }
    close();
}
