#pragma once

// The program folder the database benchmarks run in: adodb.ini naming PC01\MIRANE /
// MIRANE45 on the embedded engine, and the installation's schema run into it, followed by
// the benchmark's own rows.

#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"

#include <QFile>
#include <cstdio>

inline bool makeBenchInstallation(const QString& folder, const QString& extraScript = {})
{
    platform::runtime().gsAppPath = folder;
    if (!textfile::write(folder + QStringLiteral("/adodb.ini"),
                         QStringLiteral("[接続情報]\r\n接続情報=Provider=SQLOLEDB;Data Source=PC01\\MIRANE;"
                                        "Database=MIRANE45;uid=sa;pwd=mtr4827\r\n")))
        return false;
    // The schema as the source tree keeps it (UTF-8; the installation converts it).
    QFile schema(QStringLiteral(TOPMENU_SOURCE_DIR "/installation/attach.SQL"));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    QString script = QString::fromUtf8(schema.readAll());
    if (!extraScript.isEmpty())
        script += QStringLiteral("\nGO\n") + extraScript;
    const db::ScriptResult r = db::runScript(script, QStringLiteral("PC01\\MIRANE"));
    if (r.failed != 0)
        std::fputs(r.log.join(u'\n').toLocal8Bit().constData(), stderr);
    return r.failed == 0;
}
