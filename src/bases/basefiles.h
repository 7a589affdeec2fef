#pragma once

#include <QString>

// The files of a base: its settings file Massage<NNNN>.ini and its data folder
// DATA\Data<NNNN> in the program folder, made from the templates Massage0000.ini and
// DATA\DATA0000\ of a template folder (the master-data distribution folder, or the program
// folder itself). Paths are in the suite's form; they meet the file system through
// platform::nativePath. Each step that fails hands back a text the window shows.
namespace bases
{

// gsAppPath + "\Massage" + NNNN + ".ini" and gsAppPath + "\DATA\Data" + NNNN.
QString settingsFile(short KyotenCd, short kyotenEb);
QString dataFolder(short KyotenCd, short kyotenEb);

// The master-data distribution folder: 資源配布 of [資産管理情報] in adodb.ini, right-
// trimmed. False when adodb.ini cannot be opened.
bool readDistributionFolder(QString* folder);

// Empty when the template folder holds Massage0000.ini and DATA\DATA0000\; otherwise the
// message naming what is missing.
QString missingTemplates(const QString& templateFolder);

// Writes the base's settings file in one replace: the template's bytes with 環境名 of [環境]
// and SYSTEM_DATA of [PATH] ("\DATA\Data" + NNNN), so that it never exists as a bare copy
// of the template. A refused write gives "Error:" and the settings class's text.
bool writeSettingsFile(const QString& templateFile, const QString& file, const QString& kyotenName,
                       const QString& nnnn, QString* error);
// Copies every file of the source folder into the target folder, which must exist.
bool copyFolderFiles(const QString& source, const QString& target, const QString& shownTarget,
                     QString* error);
// Deletes a file or a folder with its contents; true when nothing of it is left.
bool removePath(const QString& path);

// True when the file or folder (with everything in it) can be deleted; otherwise the
// first entry that stands in the way goes to *blocker. A missing path is removable.
bool canRemove(const QString& path, QString* blocker);

// "##:##" of a time value hours x 100 + minutes: 930 gives "9:30", 1200 "12:00".
QString formatTime(int hhmm);

// Writes 予定設定.ini into the data folder (CP932, CR LF).
bool vMakeYoteiIni(short interval, short startTime, short endTime, short lunchTime, short closingTime,
                   const QString& dataFolder);
// The weekly-schedule report of 帳票Format.ini for the interval. Does nothing when the file
// cannot be opened; false with *error set when the write is refused.
bool vSetIniFile_ChohyoFormat(short interval, const QString& file, QString* error);

// Tells the user that a new base's files could not be made (the text of a file write that
// failed, as it stands, or the files' own failure), once it was taken out again, and what
// of it could not be taken out (undoFailure; empty when nothing is left).
void showNewBaseFilesNotMade(const QString& error, const QString& undoFailure);

} // namespace bases
