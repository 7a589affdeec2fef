#pragma once

#include <QString>

// The suite settings file Massage.ini, read line by line as the whole suite reads it:
// the key is the text before the first "=" (blanks around it ignored, letter case
// significant), the value everything after it, unchanged; sections are not looked at and
// the first matching line of the file wins. A missing Massage.ini shows its message and
// ends the program at once.
QString csGetMassageIni(const QString& csKey, bool bShowMsg);

// gsAppPath + the value of SYSTEM_SYS / SYSTEM_TMP / SYSTEM_ICON / SYSTEM_DATA + "\".
QString csGetSysPath();
QString csGetTmpPath();
QString csGetIconPath();
QString csGetDataPath();

// Makes the folder the current directory and returns the current directory as the system
// reports it (no trailing separator). Throws std::runtime_error when the folder cannot be
// made current.
QString csSetCurDir(const QString& folder);

// True when a directory search for the path finds at least one entry; "*" and "?" in the
// last component match as in a directory search. The path is in the suite's form.
bool bFileExists(const QString& path);
