#include "postaldictionary.h"

#include "db/cT_ADODB.h"
#include "db/sqltext.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace postal
{

namespace
{

bool readFile(const QString& path, std::vector<Entry>* entries, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    // jQuery_jpostal_callback( [...] );
    const qsizetype open = bytes.indexOf('(');
    const qsizetype close = bytes.lastIndexOf(')');
    if (open < 0 || close <= open) {
        *error = path + QStringLiteral(": no dictionary array");
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes.mid(open + 1, close - open - 1), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray()) {
        *error = path + QStringLiteral(": ") + parseError.errorString();
        return false;
    }
    static const QRegularExpression code(QStringLiteral("^_(\\d{3})(\\d{4})$"));
    for (const QJsonValue& value : doc.array()) {
        const QJsonArray r = value.toArray();
        if (r.size() < 9)
            continue;
        const QRegularExpressionMatch m = code.match(r[0].toString());
        if (!m.hasMatch())
            continue; // the package's own version record
        entries->push_back({m.captured(1) + u'-' + m.captured(2),
                            r[1].toString() + r[2].toString() + r[3].toString(),
                            r[6].toString() + r[7].toString() + r[8].toString()});
    }
    return true;
}

} // namespace

bool readDictionary(const QString& jsonFolder, std::vector<Entry>* entries, QString* error,
                    const QStringList& prefixes)
{
    entries->clear();
    const QDir dir(jsonFolder);
    static const QRegularExpression fileName(QStringLiteral("^\\d{3}\\.json$"));
    QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    files = files.filter(fileName);
    if (!prefixes.isEmpty())
        files.removeIf([&](const QString& f) { return !prefixes.contains(f.left(3)); });
    if (files.isEmpty()) {
        *error = jsonFolder + QStringLiteral(": no postal dictionary files (NNN.json)");
        return false;
    }
    entries->reserve(150000);
    for (const QString& f : files)
        if (!readFile(dir.filePath(f), entries, error))
            return false;
    if (entries->empty()) {
        *error = jsonFolder + QStringLiteral(": the dictionary files hold no postal code");
        return false;
    }
    return true;
}

namespace
{

// Many rows per statement (the server takes at most 1000): the statements are parsed once
// per batch instead of once per code.
constexpr size_t kBatch = 500;

QString insertStatement(const std::vector<Entry>& entries, size_t start, bool kana)
{
    QString sql = kana ? QStringLiteral("insert into 郵便番号 (ID, YuubinNo, 名称, かな) values ")
                       : QStringLiteral("insert into 郵便番号 (ID, YuubinNo, 名称) values ");
    const size_t end = std::min(entries.size(), start + kBatch);
    for (size_t i = start; i < end; ++i) {
        const Entry& e = entries[i];
        if (i > start)
            sql += u',';
        sql += u'(' + QString::number(i + 1) + QStringLiteral(",'") + e.code + QStringLiteral("','") +
               sqlText(e.name) + u'\'';
        if (kana)
            sql += QStringLiteral(",'") + sqlText(e.kana) + u'\'';
        sql += u')';
    }
    return sql;
}

} // namespace

QString loadScript(const std::vector<Entry>& entries)
{
    QString script = QStringLiteral("BEGIN TRANSACTION;\r\ndelete from 郵便番号;\r\n");
    for (size_t start = 0; start < entries.size(); start += kBatch)
        script += insertStatement(entries, start, true) + QStringLiteral(";\r\n");
    script += QStringLiteral("COMMIT TRANSACTION;\r\nGO\r\n");
    return script;
}

bool loadDictionary(cT_ADODB& db, const std::vector<Entry>& entries, QString* error)
{
    Recordset probe;
    const bool kana = db.iOpenRecSet(probe, QStringLiteral("select top 1 かな from 郵便番号")) == 0;
    probe.close();

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
        if (db.iExecSQL(insertStatement(entries, start, kana)) != 0)
            return failed();
    if (db.iCommitTrans() != 0)
        return failed();
    return true;
}

} // namespace postal
