#pragma once

#include <QDate>
#include <QString>

// Leaving the launcher.

// True when the reminder is due: today, as "YYYY/MM/DD", is later than the last backup
// ("YYYY/MM/DD") plus one calendar month.
bool isBackupDue(const QString& lastBackup, const QDate& today);

// Step 2 of the exit: the backup reminder (only for product types 0 and 1 with the option
// on), the dialog, and the utility program.
void runBackupReminder(bool backupCheckOption);

// The closing sequence for every way the window closes other than a launch: close request
// to the map companion's window, log-out, login file removed, selection saved (keeping
// [LastLoginUser]), log-off script for product types 10 and 20.
void runClosingSequence(short position, short dbIndex);
