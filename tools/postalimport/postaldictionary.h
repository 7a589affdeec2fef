#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class cT_ADODB;

// The postal dictionary as the npm package jquery-jpostal-ja 2.14.73 ships it: json/000.json
// to json/999.json (NNN = the first three digits of the codes), each a JSONP call around an
// array of records of nine texts [ "_" + seven digits, prefecture, city, town, street number,
// business, and the half-width kana of prefecture, city and town ]. Street number and business
// are filled only for the codes a large business or office has of its own.
namespace postal
{

struct Entry {
    QString code;     // 123-4567
    QString name;     // prefecture + city + town
    QString kana;     // their readings, joined the same way
    QString street;   // a business code's street number (１丁目２－２), else empty
    QString business; // a business code's business (厚生労働省), else empty
};

// Reads the whole dictionary (or only the files of the prefixes given), in file order, and
// checks it against what the package holds: every file there, every record of the package's
// shape, each file that the package fills holding codes, and, for the whole dictionary, a
// plausible number of codes. False with *error set (naming the file) on the first fault.
bool readDictionary(const QString& jsonFolder, std::vector<Entry>* entries, QString* error,
                    const QStringList& prefixes = {});

// Replaces the rows of 郵便番号 on the open connection with the entries (ID 1, 2, ... in
// order), in one transaction: on failure the table keeps its old rows. A dictionary table
// without the かな column, or without 番地 and 事業所名 (older installations), is filled
// with what it has columns for.
bool loadDictionary(cT_ADODB& db, const std::vector<Entry>& entries, QString* error);

// The same load as a T-SQL script for osql (one batch, one transaction: a failing statement
// leaves the transaction open and the table as it was), for installations whose database
// is built by a script: it fills every column of the installation's 郵便番号.
QString loadScript(const std::vector<Entry>& entries);

} // namespace postal
