// postalimport -S server -d database [-i json-folder]
// postalimport -o script [-i json-folder]
//
// Loads the postal dictionary (the json/NNN.json files of the npm package
// jquery-jpostal-ja, fetched by scripts/fetch-postal.sh) into the table 郵便番号 of a
// database of the embedded engine in this program's folder, replacing its rows in one
// transaction. Run once per database by the installation. With -o it writes the same load
// as a T-SQL script (CP932) for osql instead, for databases that a script builds.
// A dictionary that is not whole (a file missing or emptied, a record not of the package's
// shape, too few codes) is refused before anything is written. Exit code 0 on success, 1
// when the dictionary or the database failed (the table then keeps its old rows, and no
// script is written), 2 for bad arguments.

#include "db/cT_ADODB.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "postaldictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace
{
void fail(const QString& text)
{
    std::fputs((QStringLiteral("postalimport: ") + text + u'\n').toLocal8Bit().constData(), stderr);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::installSystemRuntime();

    QString server, database, folder, script;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("-S"))
            server = args[i + 1];
        else if (args[i] == QLatin1String("-d"))
            database = args[i + 1];
        else if (args[i] == QLatin1String("-i"))
            folder = args[i + 1];
        else if (args[i] == QLatin1String("-o"))
            script = args[i + 1];
    }
    if ((script.isEmpty() && (server.isEmpty() || database.isEmpty())) || args.size() % 2 != 0) {
        fail(QStringLiteral("usage: postalimport -S server -d database [-i json-folder]\n"
                            "       postalimport -o script [-i json-folder]"));
        return 2;
    }
    if (folder.isEmpty())
        folder = platform::gsAppPath() + QStringLiteral("/jpostal/json");

    std::vector<postal::Entry> entries;
    QString error;
    if (!postal::readDictionary(folder, &entries, &error)) {
        fail(error);
        fail(script.isEmpty() ? QStringLiteral("郵便番号 は元のままです。")
                              : QStringLiteral("スクリプトは書いていません。"));
        return 1;
    }
    if (!script.isEmpty()) {
        if (!textfile::write(script, postal::loadScript(entries))) {
            fail(QStringLiteral("cannot write ") + script);
            return 1;
        }
        return 0;
    }
    cT_ADODB db;
    db.iInit(QStringLiteral("Provider=SQLOLEDB;Data Source=") + server + QStringLiteral(";Database=") +
             database + QStringLiteral(";uid=sa;pwd="));
    if (db.iConnect() != 0) {
        fail(db.sErrMsg);
        return 1;
    }
    if (!postal::loadDictionary(db, entries, &error)) {
        fail(error);
        fail(QStringLiteral("郵便番号 は元のままです。"));
        return 1;
    }
    std::printf("%s\n", (database + QStringLiteral(": 郵便番号 ") + QString::number(entries.size()) +
                         QStringLiteral(" rows"))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
