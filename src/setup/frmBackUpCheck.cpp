#include "setup/frmBackUpCheck.h"

#include "state/state.h"
#include "ui_frmBackUpCheck.h"

#include <QStyle>
#include <array>

frmBackUpCheck::frmBackUpCheck(QWidget* parent) : QDialog(parent), ui(new Ui::frmBackUpCheck)
{
    ui->setupUi(this);
    ui->pic01->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    // Only the two buttons answer; the close box (and Esc) leave giDialogResult as it was.
    connect(ui->btnLast, &QPushButton::clicked, this, [this] {
        state().giDialogResult = 0;
        accept();
    });
    connect(ui->btnCancel, &QPushButton::clicked, this, [this] {
        state().giDialogResult = -1;
        reject();
    });
}

frmBackUpCheck::~frmBackUpCheck()
{
    delete ui;
}

void frmBackUpCheck::setLastDate(const QDate& date)
{
    ui->lblLastDate->setText(eraDate(date));
}

namespace
{

struct Era {
    QDate firstDay;
    const char16_t* name;
};

// The eras as the Japanese calendar of the desktop counts them, newest first.
const std::array<Era, 5> kEras{{
    {QDate(2019, 5, 1), u"令和"},
    {QDate(1989, 1, 8), u"平成"},
    {QDate(1926, 12, 25), u"昭和"},
    {QDate(1912, 7, 30), u"大正"},
    {QDate(1868, 9, 8), u"明治"},
}};

} // namespace

QString eraDate(const QDate& date)
{
    if (!date.isValid())
        return {};
    const QString monthDay = QStringLiteral("%1月%2日")
                                 .arg(date.month(), 2, 10, QLatin1Char('0'))
                                 .arg(date.day(), 2, 10, QLatin1Char('0'));
    for (const Era& era : kEras) {
        if (date >= era.firstDay) {
            const int year = date.year() - era.firstDay.year() + 1;
            return QString::fromUtf16(era.name) + QString::number(year) + QStringLiteral("年") + monthDay;
        }
    }
    // Before the first era the calendar knows: the western year.
    return QString::number(date.year()) + QStringLiteral("年") + monthDay;
}
