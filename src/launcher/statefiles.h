#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The launcher's small state files in the program folder (CP932, CR LF, each rewritten
// whole and replaced atomically): ServerName.kvx, DB.ini, AreaSelect.ini, loginuser.kvx,
// QmapUser.ini, and the backup date of the suite's utility program.

QString csGetDbServer();
QString csGetDbPass();
// Fills state().gtDbList; returns the number of entries (0 when DB.ini is missing).
short iReadDbList();
// Returns the [kyotenCd] value; creates the file with iAreaSelMake(1, 0, 0) when missing.
short iReadAreaSelect(QString& lastUser, short& listIndex, short& dbIndex);
short iAreaSelMake(short kyotenCd, short listIndex, short dbIndex);
// 1 read, 2 no file, -1 failure.
short iLoadLoginUser();
// The first field of each key counts: the line the launcher wrote for it.
short iReadLoginUserFile();
short LoginFileMake(const QString& jobCodeList);
void vClearLoginUser();
void vDeleteLoginUser();
// 1 read, -1 failure (outputs unchanged).
short iReadQmapUser(QString& userId, QString& password);
// "YYYY/MM/DD" of the last backup; empty when C:\KVX\utility\databackup.txt is missing or
// unreadable.
QString csGetBackupDate();
// Marks the account logged out (status value 0) unless it is suspended (9).
short iAccountLogout(const QString& loginId, short status);

// The fields of one line of a state file: a field ends at a comma or at the line end; a
// field in double quotes is taken without them and may hold commas, and "" inside it is
// one quote. An empty line is one empty field.
QStringList splitStateFields(const QString& line);
// Reads a file given in the suite's path form as lines of fields. False when it cannot be
// read.
bool readStateFields(const QString& suitePath, std::vector<QStringList>* lines);
// The text of a field written into a state file, so that the readers above take it whole
// and it never becomes another field: each line end becomes a blank, and a field that holds
// a comma or begins with a quote is put in double quotes, its own quotes doubled. Any
// other field is written as it is.
QString stateField(const QString& text);
