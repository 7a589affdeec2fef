#pragma once

#include "state/state.h"

#include <QString>
#include <QStringList>
#include <optional>

// Creating and deleting a base, one procedure each, for both base windows and without a
// window. Each works in one transaction that first locks the area's own KYOTEN row, so that
// creations, deletions and the clean-up of what a killed one left never overlap in an
// area, also between terminals. A new base's files are made under names no base uses
// ("~…") and published by rename before its row commits; a deletion moves the base's files
// aside before its rows go and removes them once the rows are gone. Whatever a crash
// leaves, the next creation or deletion of the number, or the next start, finishes.
namespace bases
{

// The business day of a new base for 予定設定.ini and 帳票Format.ini (times hours x 100 +
// minutes).
struct Schedule {
    short interval = 30;
    short startTime = 900;
    short endTime = 1800;
    short lunchTime = 1200;
    short closingTime = 1700;
};

struct NewKyoten {
    tKyoten row; // every column of the new row
    // The branch is the next free one of the area; when another terminal takes it first,
    // the next one after that. Otherwise row.iKyotenEb is used as it is.
    bool lookUpBranch = false;
    QString templateFolder; // holds Massage0000.ini and DATA\DATA0000
    QString copyBackFolder; // receives copies of the new files (the distribution folder); empty: none
    std::optional<Schedule> schedule;
};

enum class Created { Yes, TemplatesMissing, NoBranch, InsertFailed, FilesNotMade, NameTaken };

struct CreateOutcome {
    Created result = Created::Yes;
    tKyoten row;         // the row as inserted, with its branch
    QString failure;     // why the name, the insert or the files failed (empty when a box told already)
    QString undoFailure; // FilesNotMade: what could not be taken back; empty when all was
};

// Makes the row, the area's status, the settings file Massage<NNNN>.ini (the template with
// 環境名 and SYSTEM_DATA, written in one replace), the data folder DATA\Data<NNNN> with every
// template file and, with a schedule, 予定設定.ini and the report of 帳票Format.ini. When the
// files cannot be made, everything is taken back before the outcome says so. Connection
// failures are shown as the table operations show them.
CreateOutcome createKyoten(const NewKyoten& request);

enum class Deleted { Yes, FilesBlocked, RowsFailed };

struct DeleteOutcome {
    Deleted result = Deleted::Yes;
    QString failure;  // FilesBlocked: the file in the way; RowsFailed: the database's text
    QStringList left; // Yes: files that could not be removed after the rows went
};

// Deletes the base's rows from the 66 tables, sets its area out of use with its last base,
// and removes its settings file and data folder (their copies in the distribution folder
// stay).
DeleteOutcome deleteKyoten(const tKyoten& base);

// Finishes what killed creations and deletions left in the program folder, its DATA
// folder and the distribution folder: half-made folders are removed, a creation that did
// not commit is taken back, the files of a deletion that did not commit are put back, and
// those of one that did are removed. Shows nothing.
void vCleanLeftovers();

} // namespace bases
