#include "launcher/alteration.h"

#include "db/recipe.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QFileInfo>

namespace
{

QString appFile(const QString& name)
{
    return platform::gsAppPath() + QLatin1Char('\\') + name;
}

bool appFileExists(const QString& name)
{
    return QFileInfo::exists(platform::nativePath(appFile(name)));
}

} // namespace

QStringList alterationBatches(const QStringList& lines)
{
    QStringList batches;
    QString batch;
    for (const QString& line : lines) {
        if (line == QStringLiteral("GO")) {
            if (!batch.isEmpty())
                batches << batch;
            batch.clear();
        } else if (line == QStringLiteral("END")) {
            break;
        } else if (!line.isEmpty()) {
            batch += line + QLatin1Char(' ');
        }
    }
    return batches;
}

short iAlter2604()
{
    const QString script = appFile(QStringLiteral("KVX2604ALT.alt"));
    if (!QFileInfo::exists(platform::nativePath(script)))
        return -1;
    std::unique_ptr<cT_ADODB> db = openConnection(QStringLiteral("iAlter2604() でエラー"));
    if (!db)
        return -1;
    QStringList lines;
    if (!textfile::readLines(platform::nativePath(script), &lines)) {
        db->iDisConnect();
        return -1;
    }
    // A delivered script may repeat changes an installation already has; such a batch
    // fails on its own and the rest still runs.
    for (const QString& batch : alterationBatches(lines))
        db->iExecSQL(batch);
    db->iDisConnect();
    return 0;
}

void applyAlterationOnce()
{
    const QString marker = QStringLiteral("KVX2604ALT.kvx");
    if (appFileExists(marker))
        return;
    if (iAlter2604() == 0)
        textfile::write(platform::nativePath(appFile(marker)), QString());
}
