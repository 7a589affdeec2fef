#pragma once

#include <QDialog>
#include <QString>

namespace Ui
{
class frmSearchAdd;
}
class PostalModel;
class QLineEdit;

// The postal-code search over the dictionary table 郵便番号. The caller sets iYmode and the
// search text, shows the dialog modally and reads cYubin, cAddre and cAddKana afterwards:
//   mode 0  address by postal code: cYubin = 名称, cAddre = 〒, cAddKana = かな
//   mode 1  postal code by address: cYubin = 〒, cAddre = the search text
//   mode 11 silent exact look-up (the dialog never shows): cYubin = 名称 or empty
// An empty cYubin means no choice was made. The address of a business's own code comes with
// its street number (東京都千代田区霞が関１丁目２－２), and the grid names the business.
class frmSearchAdd : public QDialog
{
    Q_OBJECT
public:
    explicit frmSearchAdd(QWidget* parent = nullptr);
    ~frmSearchAdd() override;

    short iYmode = 0;
    QString cYubin;
    QString cAddre;
    QString cAddKana;

    QLineEdit* txtAdd() const;

    // Mode 11 runs its look-up without showing anything.
    int exec() override;

    short iChkKanaMode();
    // Whether the dictionary has the business codes' street number and business name.
    bool hasBusinessColumns();
    void SearchAdd();
    void Search();
    short iSerchAddDB();

    // The statements of the searches for a search text (kana: whether the dictionary has
    // the かな column; details: whether it has 番地 and 事業所名).
    static QString searchAddSql(const QString& text, bool kana, bool details);
    static QString searchSql(const QString& text, bool kana, bool details);
    static QString serchAddDbSql(const QString& text);
    // A postal code as the dictionary writes it: full-width digits and hyphens made
    // half-width, blanks dropped, and bare digits given their hyphen ("1000001" -> "100-0001").
    static QString postalCodeText(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void runSearch(const QString& sql, const QString& procLiteral);
    void select();
    void searchOfTheMode();
    void cancel();
    void closeOnLoadFailure();

    Ui::frmSearchAdd* ui;
    PostalModel* datYuubin;
    bool loaded_ = false;
    bool kana_ = false;
    bool details_ = false;
    bool firstActivation_ = false;
    bool loadFailed_ = false;
    QString loadError_; // the dictionary's failure text found while loading
};
