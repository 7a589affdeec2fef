#pragma once

#include "state/state.h"

#include <QString>

// Reads the bases of the database into state().gtKyotenList (clearing gtKyoten first) with
// the messages of the base list. -1 on failure (the list is then empty), otherwise 1 + the
// number of bases.
short loadKyotenList();

// Starts reading the base count and list on a thread of their own, from the connection of
// adodb.ini as it is now, so that the launcher finds them read when it gets to them (see
// db::ReadAhead: nothing read is used once anything was written meanwhile). Called once at
// program start, before the windows are built.
void startKyotenListAhead();
// The statement of the base count (iKyotenMaxGet).
const QString& kyotenCountSql();

// "0102：本店(東京)": base id, full-width colon, base name, area name in brackets.
QString kyotenListLine(const tKyoten& k);
// The icon number of a base: its usage flag, 4 for an abolished base (9).
int kyotenIcon(const tKyoten& k);
// "KEY:" + base id.
QString kyotenItemKey(const tKyoten& k);
// The eleven columns as the list view's sub-item texts, and back.
QStringList kyotenSubItems(const tKyoten& k);
tKyoten kyotenFromSubItems(const QStringList& subItems);
