#pragma once

#include "installation.h"
#include "state/state.h"

// A program folder with the suite's database (areas only), adodb.ini pointing at C:\KVX\MASTER,
// Massage.ini, and the base templates both there and in the program folder.
struct BaseInstallation : TestInstallation {
    explicit BaseInstallation(int fcKinou = 1);

    void addKyoten(int cd, int eb, const QString& name, int usedFlg = 1) const; // and its area in use
    void fillBaseRows(int cd, int eb) const; // a row in each of the 66 per-base tables
    int baseRowCount(int cd, int eb) const;  // over the 66 tables
    QString kyotenRow(int cd, int eb) const; // "col|col|..."
    QString areaFlag(int cd) const;
    void writeKyotenFiles(const QString& nnnn) const; // of an existing base, in the program folder
};

// Bases 13-01 (本店, in use) and 13-02 (支店, franchise), rows in all 66 tables, and files.
struct TwoBases : BaseInstallation {
    explicit TwoBases(int fcKinou = 1) : BaseInstallation(fcKinou)
    {
        for (int eb : {1, 2}) {
            addKyoten(13, eb, eb == 1 ? "本店" : "支店", eb);
            fillBaseRows(13, eb);
            writeKyotenFiles(QStringLiteral("130%1").arg(eb));
        }
    }
};

// The refusal of a name another base of the area has.
inline const QString kSameName =
    "同じ都道府県に同じ事業所名称の事業所が既に登録されています。\r\n別の事業所名称を入力して下さい。";

// gtKyoten as the launcher fills it from its list.
inline tKyoten kyotenRecord(short cd, short eb, const QString& area, const QString& name, short usedFlg,
                            const QString& comment = QString())
{
    return tKyoten{cd, eb, 0, area, name, comment, 0, {}, 0, {}, usedFlg};
}

// A file or folder that cannot be deleted while the object lives (read-only, or immutable for
// the administrator); `ok` is false when the file system offers neither.
struct Undeletable {
    explicit Undeletable(const QString& path);
    ~Undeletable();
    bool ok = false;
    const QString path;
    const bool immutable; // as the administrator
};
