#include "db/tsqlscript.h"

#include "db/provider.h"
#include "db/sqllex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace db
{

namespace
{

ProviderError scriptError(const QString& description)
{
    return {kStatementError, description, kProviderSource, QStringLiteral("42000"), 0};
}

bool plainDatabaseName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':');
}

// Whether the batch ends inside a block comment, as the server reads comments: they nest,
// and a "/*" inside a string, a quoted name or a line comment opens none. The server refuses
// such a batch whole, whatever statements stand before the comment.
bool endsInsideComment(const QString& batch)
{
    const qsizetype n = batch.size();
    int depth = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = batch[i];
        const QChar next = i + 1 < n ? batch[i + 1] : QChar();
        if (c == u'/' && next == u'*') {
            ++depth;
            ++i;
        } else if (depth > 0) {
            if (c == u'*' && next == u'/') {
                --depth;
                ++i;
            }
        } else if (c == u'-' && next == u'-') {
            while (i < n && batch[i] != u'\n')
                ++i;
        } else if (c == u'\'' || c == u'"' || c == u'[') {
            // A doubled closing character stands for itself; a text left open runs to the end.
            const QChar close = c == u'[' ? QChar(u']') : c;
            for (++i; i < n; ++i) {
                if (batch[i] != close)
                    continue;
                if (i + 1 < n && batch[i + 1] == close)
                    ++i;
                else
                    break;
            }
        }
    }
    return depth > 0;
}

} // namespace

QStringList splitBatches(const QString& script)
{
    QStringList batches;
    QString current;
    const auto flush = [&] {
        // A batch of comments only is dropped; one whose comment never ends is the server's
        // error, and stays to be reported.
        if (!lex::tokenize(current).empty() || endsInsideComment(current))
            batches << current;
        current.clear();
    };
    for (QString line : script.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0)
            flush();
        else
            current += line + u'\n';
    }
    flush(); // a last batch without GO still runs
    return batches;
}

namespace
{

// The server side of a script run: the selected database and its open connection.
class ScriptRun
{
public:
    ScriptRun(const QString& server, const QString& database, Journal journal)
        : server_(server), selected_(database), journal_(journal)
    {
    }

    bool runBatch(const QString& batch, std::vector<ProviderError>& errors)
    {
        if (endsInsideComment(batch)) {
            errors.push_back(scriptError(QStringLiteral("終了コメント マーク '*/' がありません。")));
            return false;
        }
        using namespace lex;
        const std::vector<Token> t = tokenize(batch);
        const size_t n = t.size();
        size_t i = 0;
        // Database statements at the head of the batch pick or make the database file.
        while (i < n) {
            if (isWord(batch, t[i], QLatin1String("USE")) && i + 1 < n && isName(t[i + 1])) {
                if (!use(name(batch, t[i + 1]), errors))
                    return false;
                i += 2;
                if (i < n && isPunct(batch, t[i], u';'))
                    ++i;
                continue;
            }
            const bool create = isWord(batch, t[i], QLatin1String("CREATE"));
            const bool drop = isWord(batch, t[i], QLatin1String("DROP"));
            if ((create || drop) && i + 2 < n && isWord(batch, t[i + 1], QLatin1String("DATABASE")) &&
                isName(t[i + 2])) {
                const QString database = name(batch, t[i + 2]);
                if (!(create ? createDatabase(database, errors) : dropDatabase(database, errors)))
                    return false;
                // Options after the name (files, collation) mean nothing to the embedded engine.
                i += 3;
                while (i < n && !isPunct(batch, t[i], u';'))
                    ++i;
                if (i < n)
                    ++i;
                continue;
            }
            break;
        }
        if (i >= n)
            return true;
        if (!conn_ && !open(errors))
            return false;
        return conn_->execute(batch.mid(t[i].pos), nullptr, errors);
    }

private:
    QString file(const QString& database) const { return embeddedDatabaseFile(server_, database); }

    bool open(std::vector<ProviderError>& errors)
    {
        if (selected_.isEmpty()) {
            errors.push_back(
                scriptError(QStringLiteral("データベースが選択されていません。USE で選んでください。")));
            return false;
        }
        ConnectionString cs;
        cs.dataSource = server_;
        cs.database = selected_;
        conn_ = openEmbedded(cs, errors);
        if (!conn_)
            return false;
        // A script runs as long as it needs. Its commits need not reach the disk one by one:
        // WAL keeps the file whole, and a script cut short is run again from a fresh file.
        // The rollback journal of a network folder is not that safe without them.
        conn_->setCommandTimeout(0);
        return journal_ != Journal::Wal ||
               conn_->execute(QStringLiteral("PRAGMA synchronous=NORMAL"), nullptr, errors);
    }

    bool use(const QString& database, std::vector<ProviderError>& errors)
    {
        if (!plainDatabaseName(database) || !QFileInfo(file(database)).isFile()) {
            errors.push_back(scriptError(
                QStringLiteral(
                    "データベース '%1' は存在しません。名前が正しく入力されていることを確認してください。")
                    .arg(database)));
            return false;
        }
        conn_.reset();
        selected_ = database;
        return open(errors);
    }

    bool createDatabase(const QString& database, std::vector<ProviderError>& errors)
    {
        const QString path = file(database);
        if (!plainDatabaseName(database)) {
            errors.push_back(scriptError(QStringLiteral("データベース名 '%1' は使えません。").arg(database)));
            return false;
        }
        if (QFileInfo::exists(path)) {
            errors.push_back(scriptError(
                QStringLiteral("データベース '%1' は既に存在します。別のデータベース名を選択してください。")
                    .arg(database)));
            return false;
        }
        closeIdleEmbeddedConnections(path); // handles of a dropped file of that name
        QDir().mkpath(QFileInfo(path).absolutePath());
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                 nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db, journalPragma(journal_), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            ProviderError e = scriptError(db ? QString::fromUtf8(sqlite3_errmsg(db))
                                             : QString::fromUtf8(sqlite3_errstr(rc)));
            e.sqlState = QStringLiteral("HY000");
            e.nativeError = rc;
            errors.push_back(e);
            sqlite3_close_v2(db);
            QFile::remove(path);
            return false;
        }
        sqlite3_close_v2(db);
        return true;
    }

    bool dropDatabase(const QString& database, std::vector<ProviderError>& errors)
    {
        const QString path = file(database);
        if (!plainDatabaseName(database) || !QFileInfo(path).isFile()) {
            errors.push_back(scriptError(
                QStringLiteral("データベース '%1' は存在しないか、権限がないため、削除できません。")
                    .arg(database)));
            return false;
        }
        if (selected_.compare(database, Qt::CaseInsensitive) == 0) {
            conn_.reset();
            selected_.clear();
        }
        closeIdleEmbeddedConnections(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        if (!QFile::remove(path)) {
            errors.push_back(
                scriptError(QStringLiteral("データベース '%1' を削除できません。").arg(database)));
            return false;
        }
        return true;
    }

    QString server_;
    QString selected_;
    Journal journal_;
    std::unique_ptr<ProviderConnection> conn_;
};

// The first line of a batch, to tell which batch failed.
QString batchHead(const QString& batch)
{
    for (const QString& line : batch.split(u'\n')) {
        const QString l = line.trimmed();
        if (!l.isEmpty())
            return l.size() > 80 ? l.left(80) + QStringLiteral("・・・") : l;
    }
    return {};
}

void logErrors(QStringList& log, const std::vector<ProviderError>& errors)
{
    for (const ProviderError& e : errors)
        log << QStringLiteral("  %1 (SQL State %2, Native Error %3)")
                   .arg(e.description, e.sqlState, QString::number(e.nativeError));
}

} // namespace

ScriptResult runScript(const QString& scriptText, const QString& server, const QString& database)
{
    ScriptResult result;
    // Every batch makes or changes the database files of the server's folder: where that
    // folder is refused, none runs.
    Journal journal = Journal::Wal;
    std::vector<ProviderError> refused;
    if (!embeddedFolderJournal(embeddedServerFolder(server), &networkFolderAllowed, &journal, refused)) {
        result.failed = 1;
        result.log << QStringLiteral("接続: エラー");
        logErrors(result.log, refused);
        return result;
    }
    ScriptRun run(server, database, journal);
    for (const QString& batch : splitBatches(scriptText)) {
        const int number = ++result.batches;
        std::vector<ProviderError> errors;
        if (run.runBatch(batch, errors)) {
            result.log << QStringLiteral("バッチ %1: OK").arg(number);
            continue;
        }
        ++result.failed;
        result.log << QStringLiteral("バッチ %1: エラー").arg(number);
        logErrors(result.log, errors);
        result.log << QStringLiteral("  SQL=") + batchHead(batch);
    }
    return result;
}

} // namespace db
