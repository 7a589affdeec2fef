#include "setup/setuppages.h"
#include "ui_frmFirstSetUp00.h"
#include "ui_frmFirstSetUp01.h"
#include "ui_frmFirstSetUpA0.h"
#include "ui_frmFirstSetUpList.h"
#include "ui_frmFirstView.h"

#include "bases/entertab.h"
#include "bases/frmFirstLogin.h"
#include "lookup/frmSearchAdd.h"
#include "map/frmSetMap.h"
#include "map/geo.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/terminator.h"
#include "platform/textfile.h"
#include "print/cls_WfdPrintExe.h"
#include "settings/massageini.h"
#include "setup/setupsave.h"
#include "state/state.h"

#include <QCursor>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <algorithm>

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

const QString kGoOnQuestion = QStringLiteral("無視して次のステップに進みますか？");

[[noreturn]] void abandonSetup()
{
    platform::msgBox(QStringLiteral("初期データ設定を中止しました。"), QStringLiteral("処理中断"),
                     MsgIcon::Critical, MsgButtons::Ok);
    platform::endProgram(0);
}

void watchEnter(QObject* parent, std::initializer_list<QWidget*> fields)
{
    auto* enter = new EnterAsTab(parent);
    for (QWidget* f : fields)
        enter->watch(f);
}

} // namespace

void SetupPageDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------
// Introduction

frmFirstView::frmFirstView(QWidget* parent) : QDialog(parent), ui(new Ui::frmFirstView)
{
    ui->setupUi(this);
    ui->txtInfo->setPlainText(
        QStringLiteral("ミラネをご導入いただき、誠にありがとうございます。\n\n"
                       "このシステムはインターネットを通じてデータのやり取りを行います。"
                       "ネットワークに接続されていない環境ではご利用いただけません。\n\n"
                       "ご利用の前に、事業所の基本的な情報を登録する必要があります。"
                       "まず最初に、事業所の所在する都道府県を登録して下さい。"
                       "登録した都道府県は後から変更することはできませんのでご注意下さい。\n\n"
                       "ご不明な点は、ミラネ サポートセンターまでお問い合わせ下さい。\n"
                       "　TopMenu 開発チーム　support@mirane.example.jp"));
    connect(ui->btnAdd, &QPushButton::clicked, this, &frmFirstView::btnAdd_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmFirstView::btnCancel_Click);
}

frmFirstView::~frmFirstView()
{
    delete ui;
}

void frmFirstView::btnAdd_Click()
{
    writeTutorialMarker();
    close();
}

void frmFirstView::btnCancel_Click()
{
    abandonSetup();
}

// ---------------------------------------------------------------------------------------
// Intro and final page

frmFirstSetUp00::frmFirstSetUp00(QWidget* parent) : SetupPageDialog(parent), ui(new Ui::frmFirstSetUp00)
{
    ui->setupUi(this);
    const bool last = state().giSetupMode == 9;
    const QStringList lines =
        last ? QStringList{QStringLiteral("かんたんセットアップはこれで完了です。"), QString(),
                           QStringLiteral("続いてミラネを起動し、システムにログイン後に詳細な"),
                           QStringLiteral("データの登録などを行って下さい。"),
                           QStringLiteral("お疲れさまでした")}
             : QStringList{QStringLiteral("『ミラネかんたんセットアップ』"), QString(),
                           QStringLiteral("画面の指示に従ってミラネの基本的な情報を入力します。"),
                           QStringLiteral("（入力した情報はセットアップ後でも変更は可能です）"),
                           QStringLiteral("準備ができましたら「次へ」を押下して下さい。")};
    ui->imtInfo->setPlainText(lines.join(QLatin1Char('\n')));
    ui->btnNext->setVisible(!last);
    ui->btnEnd->setVisible(!last);
    ui->btnLast->setVisible(last);
    ui->btnCancel->setVisible(last);
    connect(ui->btnNext, &QPushButton::clicked, this, &frmFirstSetUp00::btnNext_Click);
    connect(ui->btnEnd, &QPushButton::clicked, this, &frmFirstSetUp00::btnEnd_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmFirstSetUp00::btnCancel_Click);
    connect(ui->btnLast, &QPushButton::clicked, this, &frmFirstSetUp00::btnLast_Click);
}

frmFirstSetUp00::~frmFirstSetUp00()
{
    delete ui;
}

void frmFirstSetUp00::btnNext_Click()
{
    leaveTo(SetupPage::CreateBase);
}

void frmFirstSetUp00::btnEnd_Click()
{
    abandonSetup();
}

void frmFirstSetUp00::btnCancel_Click()
{
    state().giSetupMode = 0;
    leaveTo(SetupPage::Users);
}

void frmFirstSetUp00::btnLast_Click()
{
    if (saveSetupData())
        leaveTo(SetupPage::Done);
}

// ---------------------------------------------------------------------------------------
// Operating rules

namespace
{

struct ReceiptFormat {
    const char* sample;
    const char* form;
};
const ReceiptFormat kReceiptFormats[] = {
    {"施術明細書兼領収書_01.csv", "領収書N2TAT01.wfd"},
    {"施術明細書兼領収書_02.csv", "請求書N2TAT01.wfd"},
    {"施術明細書兼領収書_03.csv", "領収書請求書00.wfd"},
    {"施術明細書兼領収書_04.csv", "施術明細書兼領収書.wfd"},
    {"施術明細書兼領収書_05.csv", "施術明細書兼領収書_鍼灸.wfd"},
    {"施術明細書兼領収書_06.csv", "明細付請求書.wfd"},
    {"施術明細書兼領収書_07.csv", "請求書兼領収書_CARE.wfd"},
};

} // namespace

frmFirstSetUpA0::frmFirstSetUpA0(QWidget* parent) : SetupPageDialog(parent), ui(new Ui::frmFirstSetUpA0)
{
    ui->setupUi(this);
    watchEnter(this, {ui->inReseptFixedDay_0, ui->inReseptFixedDay_1, ui->inReseptFixedDay_2});
    tSetupData& d = state().gtSetupData;
    // The choice reads back as it was stored: 0 is "行っている".
    (d.iHenkei == 0 ? ui->optChk01_0 : ui->optChk01_1)->setChecked(true);
    (d.holidayRule == 1   ? ui->optChk02_0
     : d.holidayRule == 2 ? ui->optChk02_1
                          : ui->optChk02_2)
        ->setChecked(true);
    for (QRadioButton* next : {ui->optChk03_0, ui->optChk04_0, ui->optChk05_0})
        next->setChecked(true);
    d.iReseptFixedDay = 10;
    d.iChargeFixedDay = 10;
    d.iConsentFixedDay = 15;
    ui->inReseptFixedDay_0->setValue(d.iReseptFixedDay);
    ui->inReseptFixedDay_1->setValue(d.iChargeFixedDay);
    ui->inReseptFixedDay_2->setValue(d.iConsentFixedDay);
    for (QWidget* day : {ui->inReseptFixedDay_0, ui->inReseptFixedDay_1, ui->inReseptFixedDay_2})
        day->setEnabled(true);
    (d.recordKeeping == 1 ? ui->optChk06_1 : ui->optChk06_0)->setChecked(true);
    (d.receiptFormatMode == 2 ? ui->optChk10_1 : ui->optChk10_0)->setChecked(true);
    selectFormat(d.receiptFormat - 1);
    showFormatFrame(false);

    connect(ui->optChk06_1, &QRadioButton::clicked, this, &frmFirstSetUpA0::optChk06_Click);
    connect(ui->optChk10_0, &QRadioButton::clicked, this, [this] { optChk10_Click(0); });
    connect(ui->optChk10_1, &QRadioButton::clicked, this, [this] { optChk10_Click(1); });
    connect(ui->cmdOk, &QPushButton::clicked, this, &frmFirstSetUpA0::cmdOk_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmFirstSetUpA0::cmdCancel_Click);
    connect(ui->btnPrtSub, &QPushButton::clicked, this, &frmFirstSetUpA0::btnPrtSub_Click);
    connect(ui->btnNext, &QPushButton::clicked, this, &frmFirstSetUpA0::btnNext_Click);
}

frmFirstSetUpA0::~frmFirstSetUpA0()
{
    delete ui;
}

int frmFirstSetUpA0::selectedFormat() const
{
    for (int i = 0; i < 7; ++i) {
        auto* o = ui->fraRyosyu->findChild<QRadioButton*>(QStringLiteral("opt_SelRyousyuu_%1").arg(i));
        if (o && o->isChecked())
            return i;
    }
    return -1;
}

void frmFirstSetUpA0::selectFormat(int index)
{
    for (int i = 0; i < 7; ++i) {
        auto* o = ui->fraRyosyu->findChild<QRadioButton*>(QStringLiteral("opt_SelRyousyuu_%1").arg(i));
        o->setAutoExclusive(false);
        o->setChecked(i == index);
        o->setAutoExclusive(true);
    }
}

void frmFirstSetUpA0::optChk06_Click()
{
    platform::msgBox(QStringLiteral("トータル実績管理での運用を行う設定に変更されました。") +
                         QStringLiteral("\r\n") +
                         QStringLiteral("拠点別での実績管理はご利用できなくなりますのでご注意下さい。"),
                     QStringLiteral("実績管理変更のご注意"), MsgIcon::Exclamation, MsgButtons::Ok);
}

void frmFirstSetUpA0::optChk10_Click(int index)
{
    tSetupData& d = state().gtSetupData;
    if (index == 1) {
        d.receiptFormatMode = 2;
        selectFormat(d.receiptFormat - 1);
        showFormatFrame(true);
    } else {
        showFormatFrame(false);
    }
}

// The format frame opens below the questions, hiding none of them: the page grows to hold
// it and shrinks again when it closes. Next waits until the frame is closed.
void frmFirstSetUpA0::showFormatFrame(bool shown)
{
    ui->fraRyosyu->setVisible(shown);
    ui->btnNext->setEnabled(!shown);
    const QWidget* above = shown ? static_cast<QWidget*>(ui->fraRyosyu) : ui->fraChk10;
    ui->btnNext->move(ui->btnNext->x(), above->geometry().bottom() + 11);
    resize(width(), ui->btnNext->geometry().bottom() + 11);
    if (shown) {
        const int format = selectedFormat();
        ui->fraRyosyu->findChild<QRadioButton*>(QStringLiteral("opt_SelRyousyuu_%1").arg(std::max(format, 0)))
            ->setFocus();
    }
}

void frmFirstSetUpA0::cmdOk_Click()
{
    tSetupData& d = state().gtSetupData;
    d.receiptFormatMode = 2;
    d.receiptFormat = short(selectedFormat() + 1);
    showFormatFrame(false);
}

void frmFirstSetUpA0::cmdCancel_Click()
{
    showFormatFrame(false);
}

void frmFirstSetUpA0::btnPrtSub_Click()
{
    const int index = selectedFormat();
    if (index < 0) {
        platform::msgBox(QStringLiteral("領収書のイメージ表示には領収書を選択する必要があります。"),
                         QStringLiteral("申請書イメージ表示"), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    // The sample goes under the names the report form reads, in the work folder; the bridge
    // puts the work folder in front of the names it is given. A sample that cannot be put
    // there stops the print: an older copy must not pass for this format's.
    const QString tmp = csGetTmpPath();
    const QString samples = tmp + QStringLiteral("領収書イメージ\\");
    const QString data1 = QStringLiteral("施術明細書兼領収書.csv");
    const QString data2 = QStringLiteral("明細データ.csv");
    QStringList copies{QString::fromUtf8(kReceiptFormats[index].sample), data1};
    if (index == 5)
        copies << data2 << data2;
    for (qsizetype i = 0; i < copies.size(); i += 2) {
        const QString source = samples + copies[i];
        if (textfile::copy(platform::nativePath(source), platform::nativePath(tmp + copies[i + 1])))
            continue;
        platform::msgBox(QFileInfo::exists(platform::nativePath(source))
                             ? QStringLiteral("印刷イメージのデータを作業フォルダへコピーできません。\r\n") +
                                   tmp + copies[i + 1]
                             : QStringLiteral("印刷イメージのデータが見つかりません。\r\n") + source,
                         QStringLiteral("申請書イメージ表示"), MsgIcon::Critical, MsgButtons::Ok);
        return;
    }

    cls_WfdPrintExe print;
    short status = print.iInit(csGetSysPath() + QString::fromUtf8(kReceiptFormats[index].form),
                               QStringLiteral("領収書"));
    if (status == 0)
        status = print.iSetDataText(1, QStringLiteral("施術明細書兼領収書"), data1);
    if (status == 0 && index == 5)
        status = print.iSetDataText(2, QStringLiteral("明細データ"), data2);
    if (status == 0)
        status = print.iPreview();
    if (status != 0)
        platform::msgBox(QStringLiteral("帳票の印刷に失敗しました。") + QLatin1Char('[') + print.sErrMsg +
                             QLatin1Char(']'),
                         QString(), MsgIcon::Critical, MsgButtons::Ok);
}

void frmFirstSetUpA0::btnNext_Click()
{
    // A fixing day is a day of the month or -1 for its last day; 0 is neither.
    for (QSpinBox* day : {ui->inReseptFixedDay_0, ui->inReseptFixedDay_1, ui->inReseptFixedDay_2}) {
        if (day->value() == 0) {
            platform::msgBox(QStringLiteral("確定日は1から31までの日を入力して下さい。\r\n"
                                            "末日の場合は-1を入力して下さい。"),
                             QStringLiteral("入力エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
            day->setFocus();
            day->selectAll();
            return;
        }
    }
    tSetupData& d = state().gtSetupData;
    d.iHenkei = ui->optChk01_0->isChecked() ? 0 : 1;
    d.holidayRule = ui->optChk02_0->isChecked() ? 1 : ui->optChk02_1->isChecked() ? 2 : 3;
    d.iReseptFixedMonth = 1;
    d.iReseptFixedDay = short(ui->inReseptFixedDay_0->value());
    d.iChargeFixedMonth = ui->optChk04_1->isChecked() ? 1 : 0;
    d.iChargeFixedDay = short(ui->inReseptFixedDay_1->value());
    d.iConsentFixedMonth = ui->optChk05_1->isChecked() ? 1 : 0;
    d.iConsentFixedDay = short(ui->inReseptFixedDay_2->value());
    d.receiptFormatMode = ui->optChk10_1->isChecked() ? 2 : 1;
    if (d.receiptFormatMode == 1)
        d.receiptFormat = 1;
    d.recordKeeping = ui->optChk06_1->isChecked() ? 1 : 0;
    leaveTo(SetupPage::Corporation);
}

// ---------------------------------------------------------------------------------------
// Corporation

frmFirstSetUp01::frmFirstSetUp01(QWidget* parent) : SetupPageDialog(parent), ui(new Ui::frmFirstSetUp01)
{
    ui->setupUi(this);
    ui->posYubin->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9０-９]{0,3}[-－]?[0-9０-９]{0,4}")), ui->posYubin));
    // Positions are whole milliseconds of arc; nine digits keep them inside 32 bits.
    for (QLineEdit* position : {ui->imLat, ui->imLon})
        position->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), position));
    watchEnter(this, {ui->txtKaishaName, ui->txtDaihyouName, ui->posYubin, ui->txtAddress01,
                      ui->txtAddressKana, ui->imLat, ui->imLon, ui->txtTel, ui->txtFax});

    const tSetupData& d = state().gtSetupData;
    ui->txtKaishaName->setText(d.companyName.trimmed());
    ui->txtDaihyouName->setText(d.representative.trimmed());
    ui->posYubin->setText(frmSearchAdd::postalCodeText(d.postalCode.trimmed()));
    ui->txtAddress01->setText(d.address.trimmed());
    ui->txtAddressKana->setText(d.addressKana.trimmed());
    ui->imLat->setText(QString::number(d.latitude));
    ui->imLon->setText(QString::number(d.longitude));
    ui->txtTel->setText(d.tel.trimmed());
    ui->txtFax->setText(d.fax.trimmed());

    connect(ui->btnYubin, &QPushButton::clicked, this, &frmFirstSetUp01::btnYubin_Click);
    connect(ui->btnAdd, &QPushButton::clicked, this, &frmFirstSetUp01::btnAdd_Click);
    connect(ui->btnLatLong, &QPushButton::clicked, this, &frmFirstSetUp01::btnLatLong_Click);
    connect(ui->btnNext, &QPushButton::clicked, this, &frmFirstSetUp01::btnNext_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmFirstSetUp01::btnCancel_Click);
    // The look-up runs once the user has typed a whole code, not on every key.
    connect(ui->posYubin, &QLineEdit::textEdited, this, [this] {
        if (frmSearchAdd::postalCodeText(ui->posYubin->text()).size() == 8 &&
            frmSearchAdd::postalCodeText(ui->posYubin->text())[3] == QLatin1Char('-'))
            posYubin_Change();
    });
}

frmFirstSetUp01::~frmFirstSetUp01()
{
    delete ui;
}

QString frmFirstSetUp01::postalText() const
{
    return frmSearchAdd::postalCodeText(ui->posYubin->text().trimmed()).trimmed();
}

void frmFirstSetUp01::store()
{
    tSetupData& d = state().gtSetupData;
    d.companyName = ui->txtKaishaName->text().trimmed();
    d.representative = ui->txtDaihyouName->text().trimmed();
    d.postalCode = postalText();
    d.address = ui->txtAddress01->text().trimmed();
    d.addressKana = ui->txtAddressKana->text().trimmed();
    d.latitude = qint32(ui->imLat->text().toLong());
    d.longitude = qint32(ui->imLon->text().toLong());
    d.tel = ui->txtTel->text().trimmed();
    d.fax = ui->txtFax->text().trimmed();
}

void frmFirstSetUp01::btnNext_Click()
{
    const auto ask = [](const QString& first) {
        return platform::msgBox(first + QStringLiteral("\r\n") + kGoOnQuestion,
                                QStringLiteral("施術者データ入力"), MsgIcon::Information,
                                MsgButtons::YesNo) == MsgAnswer::Yes;
    };
    // A position the map does not cover would send every home visit to the wrong place.
    const qint32 lat = qint32(ui->imLat->text().toLong());
    const qint32 lon = qint32(ui->imLon->text().toLong());
    if ((lat != 0 || lon != 0) && !offlinemap::insideCoverage(lon, lat)) {
        platform::msgBox(QStringLiteral("北緯・東経が地図の範囲外です。\r\n"
                                        "「地図で位置を指定」で位置を指定して下さい。"),
                         QStringLiteral("入力エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
        ui->imLat->setFocus();
        return;
    }
    if (ui->txtKaishaName->text().trimmed().isEmpty() &&
        !ask(QStringLiteral("往療起点の社名が入力されていません。")))
        return;
    if ((lat == 0 || lon == 0) && !ask(QStringLiteral("緯度・経度の情報が入力されていません。")))
        return;
    store();
    leaveTo(SetupPage::Staff);
}

void frmFirstSetUp01::btnCancel_Click()
{
    store();
    leaveTo(SetupPage::OperatingRules);
}

void frmFirstSetUp01::btnYubin_Click()
{
    frmSearchAdd search(this);
    search.iYmode = 0;
    search.txtAdd()->setText(postalText());
    search.setWindowTitle(QStringLiteral("住所検索"));
    search.exec();
    if (!search.cYubin.isEmpty()) {
        ui->posYubin->setText(search.cAddre);
        ui->txtAddress01->setText(search.cYubin);
        ui->txtAddressKana->setText(search.cAddKana);
    }
    ui->posYubin->setFocus();
}

void frmFirstSetUp01::btnAdd_Click()
{
    frmSearchAdd search(this);
    search.iYmode = 1;
    search.txtAdd()->setText(ui->txtAddress01->text());
    search.setWindowTitle(QStringLiteral("郵便番号検索"));
    search.exec();
    if (!search.cYubin.isEmpty())
        ui->posYubin->setText(search.cYubin);
    ui->posYubin->setFocus();
}

void frmFirstSetUp01::posYubin_Change()
{
    if (!ui->posYubin->isEnabled())
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    frmSearchAdd search(this);
    search.iYmode = 11;
    search.txtAdd()->setText(postalText());
    search.exec();
    QGuiApplication::restoreOverrideCursor();
    if (search.cYubin.isEmpty())
        return;
    // Only what the user has not typed yet is filled in.
    if (ui->posYubin->text().trimmed().isEmpty())
        ui->posYubin->setText(search.cAddre);
    if (ui->txtAddress01->text().trimmed().isEmpty())
        ui->txtAddress01->setText(search.cYubin);
    if (ui->txtAddressKana->text().trimmed().isEmpty())
        ui->txtAddressKana->setText(search.cAddKana);
    ui->btnLatLong->setFocus();
}

void frmFirstSetUp01::btnLatLong_Click()
{
    if (ui->txtAddress01->text().isEmpty()) {
        ui->txtAddress01->setFocus();
        platform::msgBox(QStringLiteral("住所を入力してください。"), QString(), MsgIcon::Exclamation,
                         MsgButtons::Ok);
        return;
    }
    State& st = state();
    st.giMapMode = 2;
    st.gsMapAddress = ui->txtAddress01->text();
    st.giSetupKyotenCd = st.gtKyoten.iKyotenCd;
    st.giSetupKyotenEb = st.gtKyoten.iKyotenEb;
    {
        frmSetMap map(this);
        qint32 mode = 2;
        map.vSetMapMode(mode);
        map.exec();
    }
    ui->imLat->setText(QString::number(st.gnMapResultLat));
    ui->imLon->setText(QString::number(st.gnMapResultLon));
}

// ---------------------------------------------------------------------------------------
// Practitioners and users

struct frmFirstSetUpList::Texts {
    QString caption, info, autoCaption, missingCode, missingName, tooLarge, duplicate, empty;
    qint64 largest;
};

const frmFirstSetUpList::Texts& frmFirstSetUpList::texts() const
{
    static const Texts staff{QStringLiteral("治療院に所属する施術者を登録します"),
                             QStringLiteral("施術者情報を登録します"),
                             QStringLiteral("施術者コードを自動で付与する"),
                             QStringLiteral("施術者コードが入力されていません。"),
                             QStringLiteral("施術者氏名が入力されていません。"),
                             QStringLiteral("これ以上の施術者コードは登録できません。"),
                             QStringLiteral("既に同じ施術者コードが登録されています。"),
                             QStringLiteral("施術者データが入力されていません。"),
                             99999998};
    static const Texts users{QStringLiteral("治療院の利用者を登録します"),
                             QStringLiteral("利用者情報を登録します"),
                             QStringLiteral("利用者コードを自動で付与する"),
                             QStringLiteral("利用者コードが入力されていません。"),
                             QStringLiteral("利用者氏名が入力されていません。"),
                             QStringLiteral("これ以上の利用者コードは登録できません。"),
                             QStringLiteral("既に同じ利用者コードが登録されています。"),
                             QStringLiteral("利用者データが入力されていません。"),
                             999998};
    return kind_ == Kind::Staff ? staff : users;
}

QString frmFirstSetUpList::itemText(Kind kind, qint64 code, const QString& name)
{
    return QString::number(code).rightJustified(8, QLatin1Char(' ')) +
           (kind == Kind::Users ? QStringLiteral("00") : QString()) + QString(8, QLatin1Char(' ')) +
           name.trimmed();
}

frmFirstSetUpList::frmFirstSetUpList(Kind kind, QWidget* parent)
    : SetupPageDialog(parent), kind_(kind), ui(new Ui::frmFirstSetUpList)
{
    ui->setupUi(this);
    setObjectName(kind == Kind::Staff ? QStringLiteral("frmFirstSetUp02")
                                      : QStringLiteral("frmFirstSetUp03"));
    const Texts& t = texts();
    setWindowTitle(t.caption);
    ui->lblInfo->setText(t.info);
    ui->chkAuto->setText(t.autoCaption);
    ui->lstMember->setAccessibleName(kind == Kind::Staff ? QStringLiteral("登録した施術者")
                                                         : QStringLiteral("登録した利用者"));
    ui->lstMember->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->txtIDNo->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), ui->txtIDNo));
    watchEnter(this, {ui->txtIDNo});
    ui->txtName->installEventFilter(this);

    ui->txtIDNo->setText(QStringLiteral("1"));
    ui->txtIDNo->setEnabled(false);
    ui->chkAuto->setChecked(true);
    const tSetupData& d = state().gtSetupData;
    const auto& entries = kind == Kind::Staff ? d.staff : d.users;
    const qint32 count = kind == Kind::Staff ? d.staffCount : d.userCount;
    for (qint32 i = 0; i < count && size_t(i) < entries.size(); ++i)
        addItem(qint64(entries[size_t(i)].ID), entries[size_t(i)].name);
    showCount();
    if (ui->chkAuto->isChecked())
        ui->txtIDNo->setText(QString::number(nextAutoCode()));
    // The page opens where a user starts typing: the name, its code being numbered.
    ui->txtName->setFocus();

    connect(ui->chkAuto, &QCheckBox::clicked, this, &frmFirstSetUpList::chkAuto_Click);
    connect(ui->btnAdd, &QPushButton::clicked, this, &frmFirstSetUpList::btnAdd_Click);
    connect(ui->btnDelete, &QPushButton::clicked, this, &frmFirstSetUpList::btnDelete_Click);
    connect(ui->lstMember, &QListWidget::itemClicked, this, &frmFirstSetUpList::lstMember_Click);
    connect(ui->btnNext, &QPushButton::clicked, this, &frmFirstSetUpList::btnNext_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmFirstSetUpList::btnCancel_Click);
}

frmFirstSetUpList::~frmFirstSetUpList()
{
    delete ui;
}

bool frmFirstSetUpList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->txtName) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                btnAdd_Click();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            // A hand-typed code of 0 is not a code: the user is sent back to it.
            if (ui->txtIDNo->isEnabled() && ui->txtIDNo->text().toLongLong() == 0)
                ui->txtIDNo->setFocus();
        }
    }
    return SetupPageDialog::eventFilter(watched, event);
}

qint64 frmFirstSetUpList::nextAutoCode() const
{
    const int n = ui->lstMember->count();
    return n == 0 ? 1 : ui->lstMember->item(n - 1)->data(Qt::UserRole).toLongLong() + 1;
}

void frmFirstSetUpList::addItem(qint64 code, const QString& name)
{
    auto* item = new QListWidgetItem(itemText(kind_, code, name), ui->lstMember);
    item->setData(Qt::UserRole, code);
    ui->lstMember->setCurrentItem(item);
}

void frmFirstSetUpList::showCount()
{
    ui->lblCount->setText(QString::number(ui->lstMember->count()));
}

void frmFirstSetUpList::chkAuto_Click()
{
    if (ui->chkAuto->isChecked()) {
        ui->txtIDNo->setText(QString::number(nextAutoCode()));
        ui->txtIDNo->setEnabled(false);
        ui->txtName->setFocus();
    } else {
        ui->txtIDNo->setEnabled(true);
        ui->txtIDNo->setFocus();
    }
}

void frmFirstSetUpList::btnAdd_Click()
{
    const Texts& t = texts();
    const auto refuse = [](const QString& text) {
        platform::msgBox(text, QStringLiteral("入力エラー"), MsgIcon::Exclamation, MsgButtons::Ok);
    };
    // With automatic numbering the checks are made on the code the entry will get, not on
    // what the disabled field shows after an item was clicked.
    const bool automatic = ui->chkAuto->isChecked();
    const qint64 typed = automatic ? nextAutoCode() : ui->txtIDNo->text().toLongLong();
    if (typed < 1) {
        refuse(t.missingCode);
        return;
    }
    const QString name = ui->txtName->text().trimmed();
    if (name.isEmpty()) {
        refuse(t.missingName);
        ui->txtName->setFocus();
        return;
    }
    if (typed > t.largest) {
        refuse(t.tooLarge);
        if (ui->txtIDNo->isEnabled())
            ui->txtIDNo->setFocus();
        return;
    }
    for (int i = 0; i < ui->lstMember->count(); ++i) {
        if (ui->lstMember->item(i)->data(Qt::UserRole).toLongLong() == typed) {
            refuse(t.duplicate);
            if (ui->txtIDNo->isEnabled())
                ui->txtIDNo->setFocus();
            return;
        }
    }
    const qint64 code = typed;
    addItem(code, name);
    showCount();
    ui->txtName->clear();
    if (automatic) {
        ui->txtIDNo->setText(QString::number(code + 1));
        ui->txtName->setFocus();
    } else {
        ui->txtIDNo->setFocus();
    }
}

void frmFirstSetUpList::lstMember_Click()
{
    QListWidgetItem* item = ui->lstMember->currentItem();
    if (ui->lstMember->count() == 0 || !item)
        return;
    ui->txtIDNo->setText(QString::number(item->data(Qt::UserRole).toLongLong()));
    ui->txtName->setText(item->text().mid(16).trimmed());
}

void frmFirstSetUpList::btnDelete_Click()
{
    if (ui->lstMember->count() == 0)
        return;
    if (platform::msgBox(QStringLiteral("選択行を削除します。よろしいですか？"), QStringLiteral("データ削除"),
                         MsgIcon::Information, MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    delete ui->lstMember->currentItem();
    const int n = ui->lstMember->count();
    if (n > 0)
        ui->lstMember->setCurrentRow(n - 1);
    else
        ui->lstMember->setCurrentRow(-1);
    showCount();
    if (ui->chkAuto->isChecked())
        ui->txtIDNo->setText(QString::number(nextAutoCode()));
}

void frmFirstSetUpList::saveList()
{
    tSetupData& d = state().gtSetupData;
    auto& entries = kind_ == Kind::Staff ? d.staff : d.users;
    entries.clear();
    for (int i = 0; i < ui->lstMember->count(); ++i) {
        const QListWidgetItem* item = ui->lstMember->item(i);
        entries.push_back({double(item->data(Qt::UserRole).toLongLong()), item->text().mid(16).trimmed()});
    }
    (kind_ == Kind::Staff ? d.staffCount : d.userCount) = qint32(entries.size());
}

void frmFirstSetUpList::btnNext_Click()
{
    if (ui->lstMember->count() == 0 &&
        platform::msgBox(texts().empty + QStringLiteral("\r\n") + kGoOnQuestion,
                         QStringLiteral("施術者データ入力"), MsgIcon::Information,
                         MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    saveList();
    if (kind_ == Kind::Staff) {
        leaveTo(SetupPage::Users);
    } else {
        state().giSetupMode = 9;
        leaveTo(SetupPage::Final);
    }
}

void frmFirstSetUpList::btnCancel_Click()
{
    saveList();
    leaveTo(kind_ == Kind::Staff ? SetupPage::Corporation : SetupPage::Staff);
}

// ---------------------------------------------------------------------------------------

SetupPage showSetupPage(SetupPage page, QWidget* parent)
{
    const auto run = [](SetupPageDialog&& dialog) {
        dialog.exec();
        return dialog.nextPage();
    };
    switch (page) {
    case SetupPage::Intro:
    case SetupPage::Final:
        return run(frmFirstSetUp00(parent));
    case SetupPage::CreateBase: {
        frmFirstLogin creation(parent);
        creation.exec();
        switch (creation.nextPage()) {
        case frmFirstLogin::Next::OperatingRulesPage:
            return SetupPage::OperatingRules;
        case frmFirstLogin::Next::IntroPage:
            return SetupPage::Intro;
        case frmFirstLogin::Next::None:
            return SetupPage::None;
        }
        return SetupPage::None;
    }
    case SetupPage::OperatingRules:
        return run(frmFirstSetUpA0(parent));
    case SetupPage::Corporation:
        return run(frmFirstSetUp01(parent));
    case SetupPage::Staff:
        return run(frmFirstSetUp02(parent));
    case SetupPage::Users:
        return run(frmFirstSetUp03(parent));
    case SetupPage::None:
    case SetupPage::Done:
        break;
    }
    return SetupPage::None;
}
