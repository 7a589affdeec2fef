#pragma once

#include <QString>
#include <QStringList>

namespace db
{

// Runs a T-SQL script on the embedded engine, batch by batch at each line that holds only
// GO (any case, blanks around it allowed). "CREATE DATABASE x" creates the database file
// of the server (an existing file is an error, as on a server); "USE x" selects it; every
// other batch runs on the selected database. A last batch without GO still runs, as osql
// runs it.
struct ScriptResult {
    int batches = 0; // batches run
    int failed = 0;  // batches that failed; 1 when the server's folder is refused and none runs
    QStringList log; // one or more lines per batch: its outcome and any error texts
};

// The batches of a script: the text between lines that hold only GO, each line ended by
// LF (a CR before it dropped). Batches without any statement (blank lines, comments) are
// dropped, as osql drops them; a batch that ends inside a /* comment is kept: running it
// fails, as on the server ("終了コメント マーク '*/' がありません。"), before any of its
// statements runs.
QStringList splitBatches(const QString& script);

// server: the Data Source (computer\instance); database: the database selected at the
// start (empty: none until USE).
ScriptResult runScript(const QString& scriptText, const QString& server, const QString& database = {});

} // namespace db
