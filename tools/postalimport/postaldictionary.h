#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class cT_ADODB;

// The postal dictionary as the npm package jquery-jpostal-ja ships it: json/NNN.json files
// (NNN = the first three digits of the codes), each a JSONP call around an array of
// records [ "_" + seven digits, prefecture, city, town, street, company, and the half-width
// kana of prefecture, city and town ].
namespace postal
{

struct Entry {
    QString code; // 123-4567
    QString name; // prefecture + city + town
    QString kana; // their readings, joined the same way
};

// Reads every NNN.json of the folder (or only those of the prefixes given), in file order.
// False with *error set when the folder holds no dictionary file or a file cannot be read or
// parsed.
bool readDictionary(const QString& jsonFolder, std::vector<Entry>* entries, QString* error,
                    const QStringList& prefixes = {});

// Replaces the rows of 郵便番号 on the open connection with the entries (ID 1, 2, ... in
// order), in one transaction: on failure the table keeps its old rows. A dictionary table
// without the かな column (older installations) is filled without readings.
bool loadDictionary(cT_ADODB& db, const std::vector<Entry>& entries, QString* error);

// The same load as a T-SQL script for osql (one batch, one transaction: a failing statement
// leaves the transaction open and the table as it was), for installations whose database
// is built by a script.
QString loadScript(const std::vector<Entry>& entries);

} // namespace postal
