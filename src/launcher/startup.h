#pragma once

#include <QString>

// Procedures of the launcher's start-up that need no window.

// Replaces adodb.ini with the six lines for the server and database (password from
// ServerName.kvx, mtr4827 by default). On failure shows "構成ファイル（Adodb.ini）の作成に
// 失敗しました。" ... and returns -1.
short iAdoDbMake(const QString& cSorce, const QString& cAdoDb);

// First-run rebuild: runs osql on attach.SQL of the program folder and waits for it.
void iDBAttach();

// The version text for lblVerSet: the MiranePre* notes, or Mirane.ver itself when there
// are none; empty when Mirane.ver is missing.
QString AplogRead();
// Joins the fields of every file named prefix* in the folder, each followed by CR LF.
// -1 when at least one file was read, else 0.
short iReadVersionNotes(const QString& folder, const QString& prefix, QString* text);

// Counts the bases (KYOTEN rows with a branch other than 0); -1 on failure. Clears
// state().gtKyoten first.
short iKyotenMaxGet();

// The product type of Massage.ini (ミラネタイプ): one of 0, 1, 2, 3, 4, 5, 9, 10, 20;
// anything else (also a missing or non-numeric entry) gives 0.
short readProductType();

// Starts the map companion program trtzenrin.exe minimised when the map key status is not
// "1" and the monitoring time of adodb.ini is numeric. Ends the program with
// "起動時エラー" when adodb.ini cannot be opened.
void startMapCompanion();

struct tDbEntry;

// An entry of DB.ini names a server and a database, or it cannot be connected to: then the
// user is told which line of DB.ini it is, and false is returned (adodb.ini stays as it is).
bool bDbEntryUsable(const tDbEntry& entry);

// The map key status of QMAPKEY.ini (section キー情報) into state().gsMapKeyStatus: nothing
// when the file is missing; a file that cannot be opened or has no KeyNo is reported (as
// "setPosition() でエラー") and leaves the status empty. 0 read or no file, -1 reported.
short iReadMapKey();

// The maker's web site behind lblSysUpdate: ADDRESS of section Maker in Mirane.ver. An
// address without a scheme names a file of the program folder (a page the installation
// ships). Empty when it is not set.
QString csGetMakerSite();
// Opens the maker's site with the desktop's default handler; tells the user when there is
// no address or no browser could be started.
void vOpenMakerSite();
