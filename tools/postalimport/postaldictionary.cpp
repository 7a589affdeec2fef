#include "postaldictionary.h"

#include "db/cT_ADODB.h"
#include "db/sqltext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

namespace postal
{

namespace
{

// What the pinned package holds. Its files 000.json to 999.json are all there; these hold
// no postal code (000.json only the package's version record), every other file holds some.
constexpr int kFiles = 1000;
bool packageLeavesEmpty(const QString& number)
{
    static const QSet<QString> files = [] {
        const QString list =
            QStringLiteral("000 008 009 032 117 118 119 122 126 127 128 129 138 139 147 148 149 "
                           "159 172 199 200 209 217 218 219 228 229 268 269 280 281 291 423 "
                           "429 499 548 588 608 609 628 686 687 688 724 748 908 909 977 978");
        const QStringList numbers = list.split(u' ');
        return QSet<QString>(numbers.begin(), numbers.end());
    }();
    return files.contains(number);
}
// The package holds 146,923 codes; a dictionary with clearly fewer has lost some.
constexpr size_t kLeastCodes = 140000;
// Its largest file has 260 KB: anything far larger is no file of the package.
constexpr qint64 kLargestFile = 4 * 1024 * 1024;
constexpr qsizetype kFields = 9;

const QByteArray kCallOpen = QByteArrayLiteral("jQuery_jpostal_callback(");

QString notOfTheDictionary(const QString& path, const QString& why)
{
    return path + QStringLiteral(": 郵便番号辞書の形式ではありません（") + why + QStringLiteral("）。");
}

// The codes of one file NNN.json, appended to entries; -1 with *error set when the file is
// not as the package ships it.
int readFile(const QString& path, const QString& number, std::vector<Entry>* entries, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = path + QStringLiteral(": 郵便番号辞書のファイルがありません。");
        return -1;
    }
    if (!info.isFile() || info.size() > kLargestFile) {
        *error = notOfTheDictionary(path, QStringLiteral("通常のファイルで 4 MB 以下のはずです"));
        return -1;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return -1;
    }
    const QByteArray bytes = file.read(kLargestFile + 1).trimmed();
    // jQuery_jpostal_callback( [...] );
    if (!bytes.startsWith(kCallOpen) || !bytes.endsWith(");")) {
        *error = notOfTheDictionary(path, QStringLiteral("jQuery_jpostal_callback( … ); がありません"));
        return -1;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(
        bytes.mid(kCallOpen.size(), bytes.size() - kCallOpen.size() - 2), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
        *error = notOfTheDictionary(path, parseError.error != QJsonParseError::NoError
                                              ? parseError.errorString()
                                              : QStringLiteral("配列ではありません"));
        return -1;
    }
    // "_" + the seven digits of a code, "_" + the file's three digits for the file's own
    // record, and the version record of 000.json.
    static const QRegularExpression id(QStringLiteral("^_(\\d{3})(\\d{4})?$"));
    const QJsonArray records = doc.array();
    int codes = 0;
    for (qsizetype k = 0; k < records.size(); ++k) {
        const auto refuse = [&](const QString& why) {
            *error = notOfTheDictionary(path, QString::number(k + 1) + QStringLiteral(" 件目: ") + why);
            return -1;
        };
        const QJsonArray r = records[k].toArray();
        if (!records[k].isArray() || r.size() != kFields)
            return refuse(QStringLiteral("9 個の文字列の配列ではありません"));
        QString f[kFields];
        for (qsizetype i = 0; i < kFields; ++i) {
            if (!r[i].isString())
                return refuse(QStringLiteral("9 個の文字列の配列ではありません"));
            f[i] = r[i].toString();
        }
        const QRegularExpressionMatch m = id.match(f[0]);
        if (!(m.hasMatch() && m.captured(1) == number) &&
            !(number == QLatin1String("000") && f[0] == QLatin1String("_000info")))
            return refuse(QStringLiteral("番号 ") + f[0] +
                          QStringLiteral(" はこのファイルのものではありません"));
        if (m.captured(2).isEmpty())
            continue; // the file's own record or the version record
        if (f[1].isEmpty() || f[2].isEmpty())
            return refuse(f[0].mid(1) + QStringLiteral(" に都道府県名か市区町村名がありません"));
        entries->push_back(
            {m.captured(1) + u'-' + m.captured(2), f[1] + f[2] + f[3], f[6] + f[7] + f[8], f[4], f[5]});
        ++codes;
    }
    return codes;
}

} // namespace

bool readDictionary(const QString& jsonFolder, std::vector<Entry>* entries, QString* error,
                    const QStringList& prefixes)
{
    entries->clear();
    QStringList numbers = prefixes;
    if (numbers.isEmpty()) {
        for (int i = 0; i < kFiles; ++i)
            numbers << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        entries->reserve(150000);
    }
    const QDir dir(jsonFolder);
    if (!dir.exists()) {
        *error = jsonFolder + QStringLiteral(": 郵便番号辞書のフォルダがありません。");
        return false;
    }
    for (const QString& number : numbers) {
        const QString path = dir.filePath(number + QStringLiteral(".json"));
        const int codes = readFile(path, number, entries, error);
        if (codes < 0)
            return false;
        if (codes == 0 && !packageLeavesEmpty(number)) {
            *error = path + QStringLiteral(
                                ": 郵便番号が 1 件もありません（このファイルには郵便番号があるはずです）。");
            return false;
        }
    }
    if (prefixes.isEmpty() && entries->size() < kLeastCodes) {
        *error =
            jsonFolder + QStringLiteral(": 郵便番号が %1 件しかありません（少なくとも %2 件あるはずです）。")
                             .arg(entries->size())
                             .arg(kLeastCodes);
        return false;
    }
    return true;
}

namespace
{

// Many rows per statement (the server takes at most 1000): the statements are parsed once
// per batch instead of once per code.
constexpr size_t kBatch = 500;

// What the table has columns for besides ID, YuubinNo and 名称.
struct Columns {
    bool kana = true;
    bool details = true; // 番地 and 事業所名
};

// A text that may be missing: NULL when empty, as the codes of a town have no street number
// and no business.
QString optionalText(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("NULL") : u'\'' + sqlText(value) + u'\'';
}

QString insertStatement(const std::vector<Entry>& entries, size_t start, Columns columns)
{
    QString sql = QStringLiteral("insert into 郵便番号 (ID, YuubinNo, 名称");
    if (columns.kana)
        sql += QStringLiteral(", かな");
    if (columns.details)
        sql += QStringLiteral(", 番地, 事業所名");
    sql += QStringLiteral(") values ");
    const size_t end = std::min(entries.size(), start + kBatch);
    for (size_t i = start; i < end; ++i) {
        const Entry& e = entries[i];
        if (i > start)
            sql += u',';
        sql += u'(' + QString::number(i + 1) + QStringLiteral(",'") + e.code + QStringLiteral("','") +
               sqlText(e.name) + u'\'';
        if (columns.kana)
            sql += QStringLiteral(",'") + sqlText(e.kana) + u'\'';
        if (columns.details)
            sql += u',' + optionalText(e.street) + u',' + optionalText(e.business);
        sql += u')';
    }
    return sql;
}

bool opens(cT_ADODB& db, const QString& sql)
{
    Recordset probe;
    const bool ok = db.iOpenRecSet(probe, sql) == 0;
    probe.close();
    return ok;
}

} // namespace

QString loadScript(const std::vector<Entry>& entries)
{
    QString script = QStringLiteral("BEGIN TRANSACTION;\r\ndelete from 郵便番号;\r\n");
    for (size_t start = 0; start < entries.size(); start += kBatch)
        script += insertStatement(entries, start, Columns{}) + QStringLiteral(";\r\n");
    script += QStringLiteral("COMMIT TRANSACTION;\r\nGO\r\n");
    return script;
}

bool loadDictionary(cT_ADODB& db, const std::vector<Entry>& entries, QString* error)
{
    const Columns columns{opens(db, QStringLiteral("select top 1 かな from 郵便番号")),
                          opens(db, QStringLiteral("select top 1 番地, 事業所名 from 郵便番号"))};

    if (db.iBeginTrans() != 0) {
        *error = db.sErrMsg;
        return false;
    }
    const auto failed = [&] {
        *error = db.sErrMsg;
        db.iRollback();
        return false;
    };
    if (db.iExecSQL(QStringLiteral("delete from 郵便番号")) != 0)
        return failed();
    for (size_t start = 0; start < entries.size(); start += kBatch)
        if (db.iExecSQL(insertStatement(entries, start, columns)) != 0)
            return failed();
    if (db.iCommitTrans() != 0)
        return failed();
    return true;
}

} // namespace postal
