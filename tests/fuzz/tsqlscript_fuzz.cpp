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

    // The script's lines, each ended by LF, a CR before LF dropped.
    const QString lines = QString(script + u'\n').replace(QLatin1String("\r\n"), QLatin1String("\n"));
    qsizetype from = 0;
    for (const QString& batch : batches) {
        FUZZ_CHECK(batch.endsWith(u'\n') && (!db::lex::tokenize(batch).empty() || batch.contains(u"/*")),
                   batch);
        for (const QString& line : batch.split(u'\n'))
            FUZZ_CHECK(line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) != 0, batch);
        from = lines.indexOf(batch, from);
        FUZZ_CHECK(from >= 0, batch);
        from += batch.size();
    }
    if (!script.contains(QLatin1String("GO"), Qt::CaseInsensitive) && !db::lex::tokenize(script).empty())
        FUZZ_CHECK(batches.size() == 1, script);
    return 0;
}
