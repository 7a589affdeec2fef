#pragma once

#include <QString>
#include <QStringList>

// The one-time database alteration script KVX2604ALT.alt and its marker KVX2604ALT.kvx.

// The batches of a script: a line of exactly "GO" ends a batch, "END" ends the script,
// empty lines are skipped, other lines are appended followed by one blank. A batch not
// followed by GO is dropped.
QStringList alterationBatches(const QStringList& lines);

// 0 when the script was processed (failed batches are skipped silently), -1 when it is
// missing or the connection failed (message naming "iAlter2604() でエラー").
short iAlter2604();

// Runs the script when the marker is missing and writes the marker on success.
void applyAlterationOnce();
