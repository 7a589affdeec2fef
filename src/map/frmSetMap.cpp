#include "map/frmSetMap.h"

#include "db/recipe.h"
#include "db/sqltext.h"
#include "lookup/cT_PARKING.h"
#include "lookup/onlinehelp.h"
#include "map/mapservice.h"
#include "map/offlinemap.h"
#include "map/zenrinCGI.h"
#include "platform/clock.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "print/cls_WfdPrintExe.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"
#include "settings/massageini.h"
#include "state/state.h"
#include "ui_frmSetMap.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <cmath>
#include <cstring>

using namespace offlinemap;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{
const QString kCrLf = QStringLiteral("\r\n");
const QStringList kNormalCodes = {"36", "49", "54", "58", "62"};
const QStringList kCircleCodes = {"54", "58", "62", "67", "72"};

// Colours with red in the lowest byte.
constexpr qint32 kBlue = 0xFF0000;
constexpr qint32 kRed = 0x0000FF;
constexpr qint32 kGreen = 0x00FF00;

void critical(const QString& text, const QString& title = QString())
{
    platform::msgBox(text, title, MsgIcon::Critical, MsgButtons::Ok);
}

// The legend: what the marks and rings of the circle view mean.
QPixmap legendPicture(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(13);
    p.setFont(f);
    const QString icons = platform::gsAppPath() + QStringLiteral("/");
    struct Row {
        QString icon;
        QColor ring;
        int width;
        QString text;
    };
    const Row rows[] = {
        {platform::nativePath(csGetIconPath() + QStringLiteral("111.ico")),
         {},
         0,
         QStringLiteral("指定位置")},
        {platform::nativePath(icons + QStringLiteral("icons/xHome.ico")), {}, 0, QStringLiteral("拠点")},
        {platform::nativePath(icons + QStringLiteral("icons/pmark01.ico")), {}, 0, QStringLiteral("駐車場")},
        {{}, QColor(0, 0, 255), 3, QStringLiteral("16km")},
        {{}, QColor(255, 0, 0), 3, QStringLiteral("2・4・6・8km")},
        {{}, QColor(0, 255, 0), 1, QStringLiteral("1・3・5・7km")},
    };
    int y = 6;
    for (const Row& r : rows) {
        if (!r.icon.isEmpty()) {
            QImage image(r.icon);
            if (!image.isNull())
                p.drawImage(QRect(8, y, 20, 20), image);
        } else {
            p.setPen(QPen(r.ring, r.width));
            p.drawLine(8, y + 10, 28, y + 10);
        }
        p.setPen(Qt::black);
        p.drawText(QPoint(36, y + 15), r.text);
        y += 24;
    }
    return pixmap;
}
} // namespace

QString scaleLabelText(const QString& code, bool circleView)
{
    static const QHash<QString, QString> labels = {{"36", "55m"},    {"49", "520m"},   {"54", "1.02km"},
                                                   {"58", "2.29km"}, {"62", "4.28km"}, {"67", "8.39km"},
                                                   {"72", "19.44km"}};
    const QStringList& codes = circleView ? kCircleCodes : kNormalCodes;
    if (!codes.contains(code))
        return circleView ? QStringLiteral("19.44km") : QStringLiteral("55m");
    return labels.value(code);
}

frmSetMap::frmSetMap(QWidget* parent) : QDialog(parent), ui(new Ui::frmSetMap)
{
    ui->setupUi(this);
    auto* menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("mnMenu"));
    QMenu* functions = menu->addMenu(QStringLiteral("機能(&F)"));
    mnF09 = functions->addAction(QStringLiteral("印刷\tF9"));
    mnF09->setObjectName(QStringLiteral("mnF09"));
    mnF09->setShortcut(Qt::Key_F9);
    mnF10 = functions->addAction(QString());
    mnF10->setObjectName(QStringLiteral("mnF10"));
    mnF10->setShortcut(Qt::Key_F10);
    mnF12 = functions->addAction(QStringLiteral("閉じる\tF12"));
    mnF12->setObjectName(QStringLiteral("mnF12"));
    mnF12->setShortcut(Qt::Key_F12);
    QMenu* help = menu->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnDispHelp = help->addAction(QStringLiteral("オンラインヘルプ"));
    mnDispHelp->setObjectName(QStringLiteral("mnDispHelp"));
    for (QAction* a : {mnF09, mnF10, mnF12}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    menu->setGeometry(0, 0, width(), 26);

    // The four map components: the widget where the picture of the image mode sits, the
    // other three without a face.
    zdcMap_ = new OfflineMapWidget(this);
    zdcMap_->setObjectName(QStringLiteral("zdcMap"));
    zdcMap_->setGeometry(ui->Picture1->geometry());
    zdcLogin_ = new OfflineSignIn(this);
    zdcLogin_->setObjectName(QStringLiteral("zdcLogin"));
    zdcCalc_ = new OfflineCalculator(this);
    zdcCalc_->setObjectName(QStringLiteral("zdcCalc"));
    zdcMatch_ = std::make_unique<OfflineMatcher>();
    zdcMap_->onLButtonDown = [this](qint32 b, qint32 s, qint32 x, qint32 y, qint32 z) {
        zdcMap_LButtonDown(b, s, x, y, z);
    };

    // The patient list of the other modes.
    for (int i = 0; i <= 20; ++i) {
        auto* label = new QLabel(ui->fraKanjya);
        label->setObjectName(QStringLiteral("lblKanjya_%1").arg(i));
    }
    ui->picHanrei->hide();
    ui->Picture1->installEventFilter(this);

    connect(zdcMap_, &OfflineMapWidget::scaleChanged, this, &frmSetMap::showScale);
    connect(ui->Slider1, &QSlider::valueChanged, this, [this](int at) {
        if (!imageMode_ && zenrin_ && at >= 0 && at < kScaleSteps.size())
            zenrin_->iSetMapScale(kScaleSteps[at]);
    });
    connect(ui->Command1_0, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(ui->Command1_1, &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(ui->btnPoint, &QPushButton::clicked, this, &frmSetMap::btnPoint_Click);
    connect(ui->btnRegist, &QPushButton::clicked, this, &frmSetMap::btnRegist_Click);
    connect(ui->btnCancel, &QPushButton::clicked, this, &frmSetMap::btnCancel_Click);
    connect(ui->btnDispCircleKanja, &QPushButton::clicked, this, &frmSetMap::btnDispCircleKanja_Click);
    connect(ui->btnDispCircleDel, &QPushButton::clicked, this, &frmSetMap::btnDispCircleDel_Click);
    connect(ui->btnHanrei, &QPushButton::clicked, this, &frmSetMap::btnHanrei_Click);
    connect(ui->btnMapPrint, &QPushButton::clicked, this, &frmSetMap::btnMapPrint_Click);
    connect(mnF09, &QAction::triggered, this, &frmSetMap::mnF09_Click);
    connect(mnF10, &QAction::triggered, this, &frmSetMap::mnF10_Click);
    connect(mnF12, &QAction::triggered, this, &frmSetMap::mnF12_Click);
    connect(mnDispHelp, &QAction::triggered, this, &frmSetMap::mnDispHelp_Click);
}

frmSetMap::~frmSetMap()
{
    // The wrapper goes before the components it drives.
    zenrin_.reset();
    delete ui;
}

void frmSetMap::vSetMapMode(qint32& mode)
{
    screenMode_ = mode;
}

void frmSetMap::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

bool frmSetMap::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Picture1 && event->type() == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(event);
        Picture1_MouseDown(int(m->position().x()), int(m->position().y()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString frmSetMap::cgiFile(const QString& name) const
{
    return QDir::current().filePath(QStringLiteral("zenrinCGI/") + name);
}

void frmSetMap::showPicture(const QString& file, const QString& fallback)
{
    QPixmap pixmap(cgiFile(file));
    if (pixmap.isNull() && !fallback.isEmpty())
        pixmap = QPixmap(cgiFile(fallback));
    ui->Picture1->setPixmap(pixmap);
}

void frmSetMap::showPosition()
{
    ui->lblCurrentLat->setText(latText_);
    ui->lblCurrentLong->setText(lonText_);
}

void frmSetMap::setNormalCaptions()
{
    const QStringList captions = {"100m", "1km", "2km", "4km", "8km"};
    for (int i = 0; i < 5; ++i)
        findChild<QLabel*>(QStringLiteral("Label2_%1").arg(i))->setText(captions[i]);
    ui->Label2_5->setText(scaleLabelText(scaleCode_, false));
}

void frmSetMap::setCircleCaptions()
{
    const QStringList captions = {"2km", "4km", "8km", "16km", "32km"};
    for (int i = 0; i < 5; ++i)
        findChild<QLabel*>(QStringLiteral("Label2_%1").arg(i))->setText(captions[i]);
    ui->Label2_5->setText(scaleLabelText(scaleCode_, true));
}

QString frmSetMap::readKeyNo(const QString& procName)
{
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\QMAPKEY.ini")) != 0) {
        critical(procName + QStringLiteral(" でエラー：cIni初期化") + kCrLf + ini.csErrMsg());
        return {};
    }
    const QString keyNo =
        csCutAtNul(ini.csGetProfileString(QStringLiteral("キー情報"), QStringLiteral("KeyNo"))).trimmed();
    if (keyNo.isEmpty())
        critical(procName + QStringLiteral(" でエラー") + kCrLf +
                 QStringLiteral("接続文字列取得できません。"));
    return keyNo;
}

void frmSetMap::drawMarker(const QString& comment)
{
    if (!markerFig_.isEmpty())
        zenrin_->iDeleteObject(markerFig_);
    markerFig_.clear();
    if (zenrin_->iDispIcon(32, 32, csGetIconPath() + QStringLiteral("111.ico"), lon_, lat_, comment,
                           markerFig_) != 0)
        critical(zenrin_->sErrMsg(), QStringLiteral("アイコン表示エラー"));
}

void frmSetMap::Form_Load()
{
    State& st = state();
    imageMode_ = st.gsMapKeyStatus == QStringLiteral("1");
    mnF10->setText(QStringLiteral("登録\tF10"));
    if (imageMode_) {
        zdcMap_->hide();
        ui->btnMapPrint->show();
    } else {
        ui->Picture1->hide();
        zenrin_ = std::make_unique<cls_ZENRIN>();
        const QString user = csGetMassageIni(QStringLiteral("ZENRIN_USER"), false);
        const QString pass = csGetMassageIni(QStringLiteral("ZENRIN_PWD"), false);
        if (zenrin_->iInit(user, pass, zdcLogin_, zdcMap_, zdcCalc_, zdcMatch_.get()) != 0)
            critical(zenrin_->sErrMsg(), QStringLiteral("地図初期化エラー"));
    }

    ui->lblMessage->clear();
    csGetMassageIni(QStringLiteral("LAST_CALC_FLG"), true);
    for (int i = 0; i <= 20; ++i)
        findChild<QLabel*>(QStringLiteral("lblKanjya_%1").arg(i))->clear();

    if (!imageMode_) {
        if (zenrin_->iDeleteObjectInLayer(true) != 0)
            critical(zenrin_->sErrMsg(), QStringLiteral("表示中アイコン削除エラー"));
        if (zenrin_->iEnableUI(true) != 0)
            critical(zenrin_->sErrMsg(), QStringLiteral("UI制限変更エラー"));
        if (zenrin_->iSetMapScale(2000) != 0)
            critical(zenrin_->sErrMsg(), QStringLiteral("倍率取得エラー"));
        csGetMassageIni(QStringLiteral("ミラネタイプ"), false);
    }

    setWindowTitle(QStringLiteral(" 住所位置 緯度経度入力      【 ") + st.gsMapAddress +
                   QStringLiteral(" 】"));
    ui->btnRegist->show();
    if (imageMode_) {
        // The print button takes the place of btnPoint, which registration still runs.
        ui->btnMapPrint->move(ui->btnPoint->pos());
        ui->btnPoint->hide();
    } else {
        ui->btnMapPrint->hide();
        // The zoom controls step through the map's scales, as the wheel does.
        ui->Slider1->setEnabled(true);
        ui->Slider1->setMaximum(int(kScaleSteps.size()) - 1);
        ui->Slider1->setTickInterval(3);
    }
    ui->fraKanjya->hide();
    ui->fraSort->hide();
    ui->btnSort->hide();
    ui->btnSortRe->hide();
    ui->lblNo->hide();
    ui->lblGoukei->hide();

    if (!imageMode_) {
        if (zenrin_->iAddressMatch(st.gsMapAddress, lon_, lat_) != 0) {
            critical(zenrin_->sErrMsg(), QStringLiteral("地図初期化エラー"));
            return;
        }
        drawMarker(st.gsMapAddress);
        // A municipality's centre opens wide enough to find the right district.
        if (!zdcMatch_->results().isEmpty() && zdcMatch_->results().first().centreOnly) {
            ui->lblMessage->setText(kMunicipalityCentreNote);
            zenrin_->iSetMapScale(50000);
        }
    } else {
        QString failure;
        bool centreOnly = false;
        if (zenrinCGIiAddressMatch(st.gsMapAddress, lon_, lat_, &failure, &centreOnly) != 0) {
            if (!failure.isEmpty())
                critical(failure, QStringLiteral("地図初期化エラー"));
            return;
        }
        if (centreOnly)
            ui->lblMessage->setText(kMunicipalityCentreNote);
        const QString keyNo = readKeyNo(QStringLiteral("Form Load()"));
        if (keyNo.isEmpty())
            return;
        const QByteArray la = QByteArray::number(lat_), lo = QByteArray::number(lon_),
                         key = textfile::encode(keyNo);
        if (GifGet(la.constData(), lo.constData(), key.constData(), "849", "657", "36") == 0)
            showPicture(QStringLiteral("zenrin.gif"), QStringLiteral("tokyostation.gif"));
        else
            showPicture(QStringLiteral("tokyostation.gif"));
    }

    latText_ = QString::number(lat_);
    lonText_ = QString::number(lon_);
    showPosition();
    scaleCode_ = QStringLiteral("36");
    if (imageMode_) {
        setNormalCaptions();
    } else {
        const QStringList captions = {"2千", "2.5万", "25万", "250万", "2千万"};
        for (int i = 0; i < 5; ++i)
            findChild<QLabel*>(QStringLiteral("Label2_%1").arg(i))->setText(captions[i]);
        showScale(zdcMap_->scale());
    }
    ui->btnDispCircleKanja->show();
    ui->btnDispCircleKyoten->hide();
}

short frmSetMap::zenrinCGIiAddressMatch(QString& address, qint32& lon, qint32& lat, QString* failure,
                                        bool* centreOnly)
{
    failure->clear();
    const QString keyNo = readKeyNo(QStringLiteral("Form Load()"));
    if (keyNo.isEmpty())
        return -1;
    address.replace(QLatin1Char(' '), QChar(u'　'));
    CgiLatLon result;
    const QByteArray a = textfile::encode(address), k = textfile::encode(keyNo);
    // An address the library cannot place is a failure, never the position 0, 0.
    if (GetLanLonFromAddr(&result, a.constData(), "00", k.constData()) != 0) {
        *failure = QStringLiteral("住所の位置が見つかりません。") + kCrLf + address;
        return -1;
    }
    lon = qint32(vbVal(QString::fromLatin1(result.lon)));
    lat = qint32(vbVal(QString::fromLatin1(result.lat)));
    *centreOnly = QByteArray(result.code) != "00";
    return 0;
}

void frmSetMap::zdcMap_LButtonDown(qint32, qint32, qint32 x, qint32 y, qint32)
{
    if (state().giMapMode != 2 || !zenrin_)
        return;
    lon_ = x;
    lat_ = y;
    drawMarker(QString());
    // The position is the user's now; the read-out follows the marker.
    ui->lblMessage->clear();
    latText_ = QString::number(lat_);
    lonText_ = QString::number(lon_);
    showPosition();
}

void frmSetMap::showScale(qint32 scale)
{
    // The nearest step of the slider; the label gives the scale itself.
    qsizetype at = 0;
    for (qsizetype i = 1; i < kScaleSteps.size(); ++i)
        if (std::abs(std::log(double(kScaleSteps[i]) / scale)) <
            std::abs(std::log(double(kScaleSteps[at]) / scale)))
            at = i;
    const QSignalBlocker quiet(ui->Slider1);
    ui->Slider1->setValue(int(at));
    ui->Label2_5->setText(QStringLiteral("1:") + QLocale(QLocale::English).toString(scale));
}

void frmSetMap::Picture1_MouseDown(int x, int y)
{
    if (!imageMode_ || circleView_ != 0)
        return;
    const QString keyNo = readKeyNo(QStringLiteral("Picture1_Click()"));
    if (keyNo.isEmpty())
        return;
    char outLat[kCgiTextSize] = {}, outLon[kCgiTextSize] = {};
    const QByteArray key = textfile::encode(keyNo), la = latText_.toLatin1(), lo = lonText_.toLatin1(),
                     px = QByteArray::number(x), py = QByteArray::number(y), sc = scaleCode_.toLatin1();
    // A click the library cannot place leaves the position as it was.
    if (GetLatLonFromPixcel(key.constData(), la.constData(), lo.constData(), px.constData(), py.constData(),
                            outLat, outLon, "849", "657", sc.constData()) != 0)
        return;
    const QString newLat = csCutAtNul(QString::fromLatin1(outLat)).trimmed();
    const QString newLon = csCutAtNul(QString::fromLatin1(outLon)).trimmed();
    const QByteArray nla = newLat.toLatin1(), nlo = newLon.toLatin1();
    const qint32 rc = GifGet(nla.constData(), nlo.constData(), key.constData(), "849", "657", sc.constData());
    latText_ = newLat;
    lonText_ = newLon;
    showPosition();
    ui->Label2_5->setText(scaleLabelText(scaleCode_, false));
    if (rc == 0)
        showPicture(QStringLiteral("zenrin.gif"), QStringLiteral("tokyostation.gif"));
    else
        showPicture(QStringLiteral("tokyostation.gif"));
}

void frmSetMap::Command1_Click(int index)
{
    if (!imageMode_) {
        // 広域 (0) a step out, 詳細 (1) a step in.
        if (zenrin_) {
            const int at =
                std::clamp(ui->Slider1->value() + (index == 0 ? 1 : -1), 0, int(kScaleSteps.size()) - 1);
            zenrin_->iSetMapScale(kScaleSteps[at]);
        }
        return;
    }
    const bool circle = circleView_ != 0;
    const QStringList& codes = circle ? kCircleCodes : kNormalCodes;
    qsizetype pos = codes.indexOf(scaleCode_);
    if (index == 0)
        pos = pos < 0 ? codes.indexOf(circle ? "72" : "49") : std::min<qsizetype>(pos + 1, codes.size() - 1);
    else
        pos = pos < 0 ? codes.indexOf(circle ? "67" : "36") : std::max<qsizetype>(pos - 1, 0);
    scaleCode_ = codes[pos];
    ui->Slider1->setValue(int(pos));

    const QString keyNo = readKeyNo(QStringLiteral("Command1_Click()"));
    if (keyNo.isEmpty())
        return;
    const QByteArray key = textfile::encode(keyNo), sc = scaleCode_.toLatin1();
    if (!circle) {
        const QByteArray la = latText_.toLatin1(), lo = lonText_.toLatin1();
        if (GifGet(la.constData(), lo.constData(), key.constData(), "849", "657", sc.constData()) == 0)
            showPicture(QStringLiteral("zenrin.gif"), QStringLiteral("tokyostation.gif"));
        else
            showPicture(QStringLiteral("tokyostation.gif"));
        ui->Label2_5->setText(scaleLabelText(scaleCode_, false));
    } else {
        dispMapKyoten(lon_, lat_);
    }
}

void frmSetMap::btnPoint_Click()
{
    State& st = state();
    if (!imageMode_) {
        st.gnMapResultLat = lat_;
        st.gnMapResultLon = lon_;
        if (zenrin_)
            drawMarker(st.gsMapAddress);
    } else {
        st.gnMapResultLat = qint32(vbVal(latText_));
        st.gnMapResultLon = qint32(vbVal(lonText_));
    }
    setPosition();
    if (imageMode_) {
        setNormalCaptions();
        ui->Slider1->setValue(0);
        circleView_ = 0;
    }
}

void frmSetMap::setPosition()
{
    if (!imageMode_) {
        if (zenrin_ && zenrin_->iDrawMapPos(lon_, lat_) != 0)
            critical(zenrin_->sErrMsg(), QStringLiteral("地図移動エラー"));
        latText_ = QString::number(lat_);
        lonText_ = QString::number(lon_);
        showPosition();
        return;
    }
    const QString keyNo = readKeyNo(QStringLiteral("setPosition()"));
    if (keyNo.isEmpty())
        return;
    const QByteArray key = textfile::encode(keyNo), la = QByteArray::number(lat_),
                     lo = QByteArray::number(lon_);
    scaleCode_ = QStringLiteral("36");
    if (GifGet(la.constData(), lo.constData(), key.constData(), "849", "657", "36") != 0)
        textfile::copy(cgiFile(QStringLiteral("tokyostation.gif")), cgiFile(QStringLiteral("zenrin.gif")));
    showPicture(QStringLiteral("zenrin.gif"));
    latText_ = QString::number(lat_);
    lonText_ = QString::number(lon_);
    showPosition();
}

void frmSetMap::btnRegist_Click()
{
    btnPoint_Click();
    mnF10_Click();
}

void frmSetMap::mnF10_Click()
{
    state().giMapRegist = 1;
    registered_ = 1;
    mnF12_Click();
}

void frmSetMap::btnCancel_Click()
{
    mnF12_Click();
}

void frmSetMap::mnF12_Click()
{
    if (imageMode_) {
        circleView_ = 0;
        setNormalCaptions();
        ui->Slider1->setValue(0);
    }
    done(registered_ ? QDialog::Accepted : QDialog::Rejected);
}

void frmSetMap::mnDispHelp_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    vOpenOnlineHelp(1);
    QApplication::restoreOverrideCursor();
}

void frmSetMap::btnDispCircleKanja_Click()
{
    btnPoint_Click();
    if (!imageMode_)
        dispMap16km(lon_, lat_);
    dispMapKyoten(lon_, lat_);
}

void frmSetMap::dispMap16km(qint32 x, qint32 y)
{
    if (!zenrin_)
        return;
    // Every ring drawn before goes, so that a second showing never doubles them.
    for (const QString& id : std::as_const(circleFigs_))
        zenrin_->iDeleteObject(id);
    circleFigs_.clear();
    struct Ring {
        qint32 radius;
        short width;
        qint32 edge;
    };
    const Ring rings[] = {{160000, 3, kBlue}, {80000, 3, kRed},   {60000, 3, kRed},
                          {40000, 3, kRed},   {20000, 3, kRed},   {10000, 1, kGreen},
                          {30000, 1, kGreen}, {50000, 1, kGreen}, {70000, 1, kGreen}};
    for (const Ring& r : rings) {
        MapCircle c;
        if (zdcMap_->newCircle(c) != 0)
            continue;
        c.Fixed = true;
        c.Radius = r.radius;
        c.Brush = 2;
        c.BrushColor = kGreen;
        c.EdgeColor = r.edge;
        c.width = r.width;
        c.X = x;
        c.Y = y;
        QString id;
        if (zdcMap_->addToLayer(0, c, id) == 0)
            circleFigs_ << id;
    }
    zdcMap_->redraw(false);
}

void frmSetMap::dispMapKyoten(qint32 centreX, qint32 centreY)
{
    const State& st = state();
    QString error;
    std::unique_ptr<cT_ADODB> db = openConnectionQuiet(QStringLiteral("dispMapKyoten() でエラー"), &error);
    if (!db) {
        critical(error);
        return;
    }
    QString sql = QStringLiteral(
                      " SELECT  corp.iKyotenCd, corp.iKyotenEb, CORP.nLat , CORP.nLon, KYOTEN.cKyotenName ") +
                  QStringLiteral(" FROM CORP ") + QStringLiteral(" LEFT JOIN KYOTEN ON  ") +
                  QStringLiteral(" CORP.iKyotenCd = KYOTEN.iKyotenCd  ") +
                  QStringLiteral(" AND CORP.iKyotenEb = KYOTEN.iKyotenEb  ") +
                  QStringLiteral(" WHERE CORP.iType = 0  ");
    if (screenMode_ == 2)
        sql += QStringLiteral(" and not(CORP.ikyotencd = ") + QString::number(st.giSetupKyotenCd) +
               QStringLiteral("         and CORP.ikyoteneb = ") + QString::number(st.giSetupKyotenEb) +
               QStringLiteral("         )");
    Recordset rs;
    if (db->iOpenRecSet(rs, sql) != 0) {
        critical(QStringLiteral("dispMapKyoten() でエラー") + kCrLf + db->sErrMsg);
        db->iDisConnect();
        return;
    }
    struct Base {
        QString name;
        qint32 lat, lon;
    };
    std::vector<Base> bases;
    for (; !rs.eof(); rs.moveNext())
        bases.push_back({csNullToStr(rs.field(QLatin1String("cKyotenName"))),
                         nNullToLong(rs.field(QLatin1String("nLat"))),
                         nNullToLong(rs.field(QLatin1String("nLon")))});
    rs.close();

    if (imageMode_) {
        db->iDisConnect();
        QStringList names, lats, lons;
        for (const Base& b : bases) {
            names << b.name;
            lats << QString::number(b.lat);
            lons << QString::number(b.lon);
        }
        const QString keyNo = readKeyNo(QStringLiteral("dispMapKyoten()"));
        if (keyNo.isEmpty())
            return;
        char lat[kCgiTextSize] = {}, lon[kCgiTextSize] = {};
        std::strncpy(lat, latText_.toLatin1().constData(), kCgiTextSize - 1);
        std::strncpy(lon, lonText_.toLatin1().constData(), kCgiTextSize - 1);
        const QByteArray key = textfile::encode(keyNo), n = textfile::encode(names.join(QLatin1Char(','))),
                         la = lats.join(QLatin1Char(',')).toLatin1(),
                         lo = lons.join(QLatin1Char(',')).toLatin1(), cla = QByteArray::number(centreY),
                         clo = QByteArray::number(centreX);
        const QString code = circleView_ != 0 ? scaleCode_ : QStringLiteral("72");
        const QByteArray sc = code.toLatin1();
        GetCircleGifFromLatLonAllSetMap(key.constData(), lat, lon, sc.constData(), n.constData(),
                                        la.constData(), lo.constData(), qint32(bases.size()), cla.constData(),
                                        clo.constData());
        latText_ = csCutAtNul(QString::fromLatin1(lat)).trimmed();
        lonText_ = csCutAtNul(QString::fromLatin1(lon)).trimmed();
        showPicture(QStringLiteral("getCircleGifFromLatLon.gif"));
        if (circleView_ == 0) {
            scaleCode_ = QStringLiteral("72");
            ui->Slider1->setValue(4);
        }
        circleView_ = 1;
        setCircleCaptions();
        return;
    }

    auto placeIcon = [&](const QString& file, qint32 x, qint32 y, const QString& text) {
        MapIcon icon;
        if (zdcMap_->newIcon(icon) != 0)
            return;
        icon.X = x;
        icon.Y = y;
        icon.HotSpotX = 16;
        icon.HotSpotY = 16;
        icon.Path = platform::gsAppPath() + file;
        icon.Text = text;
        icon.TextColor = kRed;
        icon.TextBold = true;
        icon.TextLayout = 4;
        QString id;
        zdcMap_->addToLayer(0, icon, id);
    };
    for (const Base& b : bases)
        placeIcon(QStringLiteral("\\icons\\xHome.ico"), b.lon, b.lat, b.name);
    placeIcon(QStringLiteral("\\icons\\xHome.ico"), centreX, centreY, QString());

    cT_PARKING parking;
    parking.iInit(db.get());
    cD_PARKING pattern;
    pattern.nIDNo = -1;
    if (parking.iDataRead(&pattern) != 0) {
        critical(parking.sErrMsg, QStringLiteral("駐車場名取得エラー"));
    } else {
        for (qint32 i = 0; i < parking.nデータ数; ++i) {
            const cD_PARKING& p = parking.clsPARKING(i);
            placeIcon(QStringLiteral("\\icons\\pmark01.ico"), p.nLon, p.nLat, p.cParkingName);
        }
    }
    db->iDisConnect();
    zdcMap_->redraw(false);
}

void frmSetMap::btnDispCircleDel_Click()
{
    if (!imageMode_) {
        for (const QString& id : std::as_const(circleFigs_))
            zenrin_->iDeleteObject(id);
        circleFigs_.clear();
        return;
    }
    circleView_ = 0;
    const QString keyNo = readKeyNo(QStringLiteral("btnDispCircleDel_Click()"));
    if (keyNo.isEmpty())
        return;
    const QByteArray key = textfile::encode(keyNo), la = latText_.toLatin1(), lo = lonText_.toLatin1();
    if (GifGet(la.constData(), lo.constData(), key.constData(), "849", "657", "36") == 0)
        showPicture(QStringLiteral("zenrin.gif"), QStringLiteral("tokyostation.gif"));
    else
        showPicture(QStringLiteral("tokyostation.gif"));
    showPosition();
    scaleCode_ = QStringLiteral("36");
    ui->Slider1->setValue(0);
    setNormalCaptions();
}

void frmSetMap::btnHanrei_Click()
{
    if (ui->picHanrei->isVisible()) {
        ui->picHanrei->hide();
        ui->btnHanrei->setText(QStringLiteral("凡例ＯＮ"));
    } else {
        ui->picHanrei->setPixmap(legendPicture(ui->picHanrei->size()));
        ui->picHanrei->show();
        ui->btnHanrei->setText(QStringLiteral("凡例ＯＦＦ"));
    }
}

void frmSetMap::mnF09_Click()
{
    if (platform::msgBox(QStringLiteral("現在の画面を印刷します。") + QStringLiteral("\r") +
                             QStringLiteral("よろしいですか。"),
                         QStringLiteral("　画面の印刷"), MsgIcon::Question,
                         MsgButtons::YesNo) != platform::MsgAnswer::Yes)
        return;
    if (!imageMode_) {
        if (zenrin_ && zenrin_->iPrintMap(QString(), QString(), QString(), QString()) != 0)
            critical(QStringLiteral("印刷時にエラーが発生しました。") + QStringLiteral("\r") +
                         zenrin_->sErrMsg(),
                     QStringLiteral("地図設定"));
        return;
    }
    btnMapPrint_Click();
}

void frmSetMap::btnMapPrint_Click()
{
    const QString work = csGetTmpPath();
    if (bFileExists(work + QStringLiteral("MAP*.bmp"))) {
        const QDir dir(platform::nativePath(work));
        for (const QString& f : dir.entryList({QStringLiteral("MAP*.bmp")}, QDir::Files))
            QFile::remove(dir.filePath(f));
    }
    const QDateTime now = platform::clock().now();
    const QString bmp = work + QStringLiteral("MAP") +
                        QStringLiteral("%1").arg(printUserId_, 8, 10, QLatin1Char('0')) +
                        QStringLiteral("_") + now.toString(QStringLiteral("yyyyMMdd")) +
                        now.toString(QStringLiteral("HHmmss")) + QStringLiteral(".bmp");
    QImage picture = ui->Picture1->pixmap().toImage();
    if (picture.isNull())
        picture = ui->Picture1->grab().toImage();
    // A work folder that cannot be written stops the print here, before a job without its
    // picture reaches the report engine.
    if (!picture.save(platform::nativePath(bmp), "BMP")) {
        critical(QStringLiteral("地図画像を保存できません。") + kCrLf + bmp);
        return;
    }
    const QString csv = work + QStringLiteral("地図印刷.csv");
    QFile::remove(platform::nativePath(csv));
    const QString content = QStringLiteral("\"利用者ID\",\"画像Path\"\r\n") + QString::number(printUserId_) +
                            QStringLiteral(",\"") + bmp + QStringLiteral("\"\r\n");
    if (!textfile::write(platform::nativePath(csv), content)) {
        critical(QStringLiteral("地図画像を保存できません。") + kCrLf + csv);
        return;
    }
    cls_WfdPrintExe print;
    if (print.iInit(csGetSysPath() + QStringLiteral("地図印刷.wfd"), QStringLiteral("地図印刷")) != 0) {
        critical(QStringLiteral("帳票の印刷に失敗しました。") + QStringLiteral("\r") + QStringLiteral("[") +
                 print.sErrMsg + QStringLiteral("]"));
        return;
    }
    print.iSetDataText(1, QStringLiteral("地図印刷"), QStringLiteral("地図印刷.csv"));
    print.iPrintDialog();
}
