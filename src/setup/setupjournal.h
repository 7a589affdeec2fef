#pragma once

#include "state/state.h"

#include <QString>

// The record of a first-time setup's save that has not finished: everything the save
// writes and the base it is for. It is written before the save's first step and removed
// when the save ends, so that a launcher started after a crash can tell the user and run
// the save again (each step takes what an earlier run stored as done). It lives in the
// program folder (~TopMenuSetup.json, UTF-8), where the next launcher of any terminal
// finds it.
struct tSetupJournal {
    tKyoten base;
    int year = 0; // of the holiday calendar
    tSetupData data;
};

QString setupJournalPath(); // native path
bool writeSetupJournal(const tSetupJournal& journal);
// False when there is none, or it cannot be read.
bool readSetupJournal(tSetupJournal* journal);
void removeSetupJournal();
