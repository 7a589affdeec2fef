#pragma once

#include "state/state.h"

#include <QString>
#include <QStringList>

// The KYOTEN table operations of the base windows. Each opens its own connection through
// adodb.ini, works on the current base record state().gtKyoten and disconnects. Failures
// before the statement runs are shown in a critical box (the procedure label and the
// cause); a failed statement, begin or commit is rolled back without a message and, when
// `failure` is given, its text is handed back there for the window to report.

// Number of bases (branch not 0) with the code and branch, or in the area when kyotenEb is
// 0; -1 on failure.
int iKyotenCheck(short KyotenCd, short kyotenEb);
// 9: every column of gtKyoten's row; any other value: the status of gtKyoten's area row
// (1 in use, 0 not in use). 0 on success; -1 on any failure.
int iKyotenUpdate(short iJobType = 0, QString* failure = nullptr);
// Deletes the rows of gtKyoten's base from the 66 per-base tables (its KYOTEN row among
// them) in one transaction: a failure on any table leaves every row in place.
int iAllTblDelete(QString* failure = nullptr);
// How many bases of the area other than the branch ownEb have the name; -1 on failure.
int iKyotenNameCount(short KyotenCd, short ownEb, const QString& name);
// The next free branch number of the area (largest plus one, 1 when the area has no base
// yet); -1 on failure.
int iKyotenEdMaxGet(short KyotenCd);

// The statements, piece for piece as the suite sends them; text values with their trailing
// blanks removed and their quotes doubled.
QString kyotenCheckSql(short KyotenCd, short kyotenEb);
QString kyotenInsertSql(const tKyoten& k);
QString kyotenUpdateSql(const tKyoten& k, short iJobType);
QString allTblDeleteSql(short KyotenCd, short kyotenEb);
QString kyotenEdMaxGetSql(short KyotenCd);
QString kyotenNameCountSql(short KyotenCd, short ownEb, const QString& name);

// The 66 tables that hold a base's rows, in the order they are cleared.
const QStringList& perBaseTables();
