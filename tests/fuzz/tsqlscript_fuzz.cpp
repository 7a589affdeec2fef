// The batch splitter of the osql stand-in, on a script (UTF-8). No batch holds a GO line; each
// holds a statement or a comment left open (kept to be reported); the batches are the
// script's lines in order (a CR before LF dropped); without GO, a script is one batch.
#include "db/sqllex.h"
#include "db/tsqlscript.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString script = QString::fromUtf8(fuzz::input(data, size));
    const QStringList batches = db::splitBatches(script);

    QString lines; // the script without its GO lines, each line ended by LF
    bool anyGo = false;
    for (QString line : script.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            anyGo = true;
            lines += u'\n'; // a boundary no batch runs across
            continue;
        }
        lines += line + u'\n';
    }

    qsizetype from = 0;
    for (const QString& batch : batches) {
        FUZZ_CHECK(!db::lex::tokenize(batch).empty() || batch.contains(QLatin1String("/*")), batch);
        FUZZ_CHECK(batch.endsWith(u'\n'), batch);
        for (const QString& line : batch.split(u'\n'))
            FUZZ_CHECK(line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) != 0, batch);
        const qsizetype at = lines.indexOf(batch, from);
        FUZZ_CHECK(at >= from, batch);
        from = at + batch.size();
    }
    if (!anyGo && !db::lex::tokenize(script).empty())
        FUZZ_CHECK(batches.size() == 1, script);
    return 0;
}
