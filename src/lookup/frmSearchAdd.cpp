#include "lookup/frmSearchAdd.h"

#include "db/adoconst.h"
#include "db/cT_ADODB.h"
#include "db/recipe.h"
#include "db/sqltext.h"
#include "lookup/onlinehelp.h"
#include "lookup/postalmodel.h"
#include "platform/messagebox.h"
#include "ui_frmSearchAdd.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace
{

// The columns a search reads: those the dictionary has.
QString dictionary(bool kana, bool details)
{
    return QStringLiteral(" ID, YuubinNo AS [〒], 名称") + (kana ? QStringLiteral(", かな") : QString()) +
           (details ? QStringLiteral(", 番地, 事業所名") : QString()) + QStringLiteral(" from 郵便番号");
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The description of a failure text of cT_ADODB: "(number)description" up to the first CR.
QString description(const QString& errorText)
{
    const qsizetype close = errorText.indexOf(u')');
    return errorText.mid(close + 1).section(u'\r', 0, 0);
}

QString head(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("select top 0 ") : QStringLiteral("select ");
}

} // namespace

frmSearchAdd::frmSearchAdd(QWidget* parent)
    : QDialog(parent), ui(new Ui::frmSearchAdd), datYuubin(new PostalModel(this))
{
    ui->setupUi(this);
    datYuubin->setObjectName(QStringLiteral("datYuubin"));
    ui->fpSpread01->setModel(datYuubin);
    addActions({ui->mnF01, ui->mnF04, ui->mnF12, ui->mnDispHelp});

    connect(ui->cmdSearch, &QPushButton::clicked, this, &frmSearchAdd::searchOfTheMode);
    connect(ui->mnF04, &QAction::triggered, this, &frmSearchAdd::searchOfTheMode);
    connect(ui->cmdSelect, &QPushButton::clicked, this, &frmSearchAdd::select);
    connect(ui->mnF01, &QAction::triggered, this, &frmSearchAdd::select);
    connect(ui->fpSpread01, &QAbstractItemView::doubleClicked, this, &frmSearchAdd::select);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmSearchAdd::cancel);
    connect(ui->mnF12, &QAction::triggered, this, &frmSearchAdd::cancel);
    connect(ui->mnDispHelp, &QAction::triggered, this, [] {
        const WaitCursor wait;
        vOpenOnlineHelp(1);
    });
    ui->txtAdd->installEventFilter(this);
    ui->fpSpread01->installEventFilter(this);
}

frmSearchAdd::~frmSearchAdd()
{
    delete ui;
}

QLineEdit* frmSearchAdd::txtAdd() const
{
    return ui->txtAdd;
}

QString frmSearchAdd::postalCodeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            out += QChar(u'0' + (u - u'０'));
        else if (u == u'－' || u == u'‐' || u == u'−' || u == u'ー')
            out += u'-';
        else if (c.isSpace()) // "100 0005", "１００　０００５": no code has a blank
            continue;
        else
            out += c;
    }
    // Filled from the left as "!@@@-@@@@": a code typed in part still begins as the dictionary's
    // codes do (10000 is looked up as 100-00).
    if (out.size() > 3 && out.size() <= 7 &&
        std::all_of(out.begin(), out.end(), [](QChar c) { return c.isDigit(); }))
        out.insert(3, u'-');
    return out;
}

QString frmSearchAdd::searchAddSql(const QString& text, bool kana, bool details)
{
    return head(text) + dictionary(kana, details) + QStringLiteral(" where YuubinNo like '") + sqlText(text) +
           QStringLiteral("%'") + QStringLiteral(" order by YuubinNo");
}

QString frmSearchAdd::searchSql(const QString& text, bool kana, bool details)
{
    // Within a town, a business's own codes follow the town's by their street numbers.
    return head(text) + dictionary(kana, details) + QStringLiteral(" where 名称 like '%") + sqlText(text) +
           QStringLiteral("%'") +
           (details ? QStringLiteral(" order by 名称, 番地") : QStringLiteral(" order by 名称"));
}

QString frmSearchAdd::serchAddDbSql(const QString& text)
{
    return QStringLiteral("SELECT * ") + QStringLiteral("FROM 郵便番号 ") +
           QStringLiteral("WHERE YuubinNo = '") + sqlText(text) + QStringLiteral("'");
}

short frmSearchAdd::iChkKanaMode()
{
    const QString literal = QStringLiteral("iChkKanaMode() でエラー");
    auto db = openConnection(literal);
    if (!db) {
        loadFailed_ = true; // the recipe has said why
        return 0;
    }
    Recordset rs;
    if (db->iOpenRecSet(rs, QStringLiteral("select top 1 かな from 郵便番号")) == 0) {
        rs.close();
        db->iDisConnect();
        return 1;
    }
    // Older dictionaries have no かな column: that is no failure. Only a dictionary that
    // cannot be read at all is.
    Recordset probe;
    if (db->iOpenRecSet(probe, QStringLiteral("select top 1 ID from 郵便番号")) == 0)
        probe.close();
    else
        loadError_ = description(db->sErrMsg);
    db->iDisConnect();
    return 0;
}

bool frmSearchAdd::hasBusinessColumns()
{
    auto db = openConnection(QStringLiteral("hasBusinessColumns() でエラー"));
    if (!db)
        return false;
    // Asked quietly, as the kana column is: dictionaries loaded before these columns came
    // have only the town's address.
    Recordset rs;
    const bool has = db->iOpenRecSet(rs, QStringLiteral("select top 1 番地, 事業所名 from 郵便番号")) == 0;
    rs.close();
    db->iDisConnect();
    return has;
}

void frmSearchAdd::load()
{
    loaded_ = true;
    kana_ = iChkKanaMode() == 1;
    details_ = !loadFailed_ && loadError_.isEmpty() && hasBusinessColumns();
    ui->fpSpread01->setColumnHidden(PostalModel::Kana, !kana_);
    ui->fpSpread01->setColumnHidden(PostalModel::Business, !details_);
    if (iYmode != 11) {
        // Rows of one height: the grid then lays out any number of rows at once.
        QHeaderView* rows = ui->fpSpread01->verticalHeader();
        rows->setSectionResizeMode(QHeaderView::Fixed);
        rows->setDefaultSectionSize(fontMetrics().height() + 6);
        ui->fpSpread01->horizontalHeader()->setStretchLastSection(true);
        ui->fpSpread01->setColumnWidth(PostalModel::Code, 80);
        ui->fpSpread01->setColumnWidth(PostalModel::Name, 330);
        ui->fpSpread01->setColumnWidth(PostalModel::Kana, 190);
    }
    firstActivation_ = true;
    if (!loadError_.isEmpty()) {
        loadFailed_ = true;
        platform::msgBox(QStringLiteral("郵便番号辞書が見つかりません。") + u'\r' + u'[' + loadError_ + u']',
                         QStringLiteral("　検索エラー"), platform::MsgIcon::Exclamation,
                         platform::MsgButtons::Ok);
    }
    if (loadFailed_)
        cYubin = QStringLiteral("ERR");
}

int frmSearchAdd::exec()
{
    if (!loaded_)
        load();
    if (iYmode == 11) {
        if (!loadFailed_ && iSerchAddDB() == 0)
            return Accepted;
        cYubin.clear();
        cAddKana.clear();
        return Rejected;
    }
    return QDialog::exec();
}

void frmSearchAdd::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_)
        load();
    if (!firstActivation_)
        return;
    firstActivation_ = false;
    if (cYubin == QStringLiteral("ERR")) {
        closeOnLoadFailure();
        return;
    }
    searchOfTheMode();
}

void frmSearchAdd::closeOnLoadFailure()
{
    // The caller takes any text in cYubin for an address: the failure marker must not
    // leave the dialog.
    cYubin.clear();
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void frmSearchAdd::searchOfTheMode()
{
    if (iYmode == 0)
        SearchAdd();
    else if (iYmode == 1)
        Search();
}

void frmSearchAdd::SearchAdd()
{
    runSearch(searchAddSql(postalCodeText(ui->txtAdd->text()), kana_, details_),
              QStringLiteral("SearchAdd() でエラー"));
}

void frmSearchAdd::Search()
{
    runSearch(searchSql(ui->txtAdd->text(), kana_, details_), QStringLiteral("Search() でエラー"));
}

void frmSearchAdd::runSearch(const QString& sql, const QString& procLiteral)
{
    const WaitCursor wait;
    auto db = openConnection(procLiteral);
    if (!db)
        return;
    Recordset rs;
    rs.setCursorLocation(ado::adUseClient);
    if (db->iOpenRecSet(rs, sql) != 0) {
        showDbError(procLiteral, *db);
        db->iDisConnect();
        return;
    }
    datYuubin->fill(rs);
    rs.close();
    db->iDisConnect();
    ui->lblCnt->setText(QString::number(datYuubin->rowCount()) + QStringLiteral(" 件"));
}

short frmSearchAdd::iSerchAddDB()
{
    const QString literal = QStringLiteral("iSerchAddDB() でエラー");
    auto db = openConnection(literal);
    if (!db)
        return -1;
    const QString code = postalCodeText(ui->txtAdd->text());
    Recordset rs;
    if (db->iOpenRecSet(rs, serchAddDbSql(code)) != 0) {
        showDbError(literal, *db);
        db->iDisConnect();
        return -1;
    }
    if (rs.eof()) {
        db->iDisConnect();
        return -1;
    }
    // A business code's own street number makes the address precise.
    cYubin = (csNullToStr(rs.field(QStringLiteral("名称"))) + csNullToStr(rs.field(QStringLiteral("番地"))))
                 .trimmed();
    cAddre = code;
    cAddKana = kana_ ? csNullToStr(rs.field(QStringLiteral("かな"))).trimmed() : QString();
    rs.close();
    db->iDisConnect();
    return 0;
}

void frmSearchAdd::select()
{
    const QModelIndex current = ui->fpSpread01->currentIndex();
    if (!current.isValid()) {
        platform::msgBox(QStringLiteral("住所の選択を行って下さい。"), QStringLiteral("住所検索"),
                         platform::MsgIcon::Exclamation, platform::MsgButtons::Ok);
        return;
    }
    const PostalModel::Row& row = datYuubin->row(current.row());
    if (iYmode == 0) {
        cYubin = row.address();
        cAddre = row.code;
        cAddKana = row.kana;
    } else if (iYmode == 1) {
        cYubin = row.code;
        cAddre = ui->txtAdd->text();
    }
    accept();
}

void frmSearchAdd::cancel()
{
    reject();
}

bool frmSearchAdd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter moves on in the search text, as in every entry window, and takes the
            // row in the grid.
            if (watched == ui->txtAdd)
                focusNextChild();
            else
                select();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
