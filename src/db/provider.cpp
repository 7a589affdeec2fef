#include "db/provider.h"

#include "platform/paths.h"
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"

#include <QDateTime>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace db
{

// Defined with the ODBC engine (odbcprovider.cpp).
std::unique_ptr<ProviderConnection> openOdbc(const ConnectionString& connection, const QString& driver,
                                             std::vector<ProviderError>& errors);

namespace
{

ProviderFactory& factory()
{
    static ProviderFactory f;
    return f;
}

// When the folder last changed, to the nanosecond where the system tells it; 0 when unknown.
qint64 folderStamp(const QString& folder)
{
#ifdef Q_OS_UNIX
    struct stat st {
    };
    if (::stat(folder.toUtf8().constData(), &st) != 0)
        return 0;
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    return QFileInfo(folder).lastModified().toMSecsSinceEpoch() * 1000000;
#endif
}

// The settings of SqlEngine.ini ([SQLOLEDB]); all empty when the file is missing.
struct EngineSetting {
    QString engine;
    QString driver;
    bool allowNetworkFolder = false;
};

// The settings of SqlEngine.ini, read at every connection as every setting is. The
// file is missing on most installations, and telling that takes a listing of the program
// folder (its name may be written in any case): that answer stands while the folder has not
// changed. A folder changed within the last second is listed again, since a file made in the
// same clock tick may leave its time as it was.
EngineSetting readEngineSetting()
{
    static QString missingIn;
    static qint64 missingStamp = 0;
    const QString folder = platform::nativePath(platform::gsAppPath());
    const qint64 stamp = folderStamp(folder);
    if (stamp != 0 && stamp == missingStamp && folder == missingIn)
        return {};
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\SqlEngine.ini")) != 0) {
        const qint64 settled = (QDateTime::currentMSecsSinceEpoch() - 1000) * 1000000;
        missingIn = folder;
        missingStamp = stamp < settled ? stamp : 0;
        return {};
    }
    missingIn.clear();
    const auto value = [&](const char* key) {
        return ini.csGetProfileString(QStringLiteral("SQLOLEDB"), QLatin1String(key)).trimmed();
    };
    return {value("Engine"), value("Driver"), value("AllowNetworkFolder").toInt() != 0};
}

bool isEmbedded(const EngineSetting& setting)
{
    return setting.engine.isEmpty() ||
           setting.engine.compare(QLatin1String("embedded"), Qt::CaseInsensitive) == 0;
}

// One value of an OLE DB connection string from pos on: quoted with " or ' (a doubled
// quote inside stands for one) or running to the next ";". pos ends after the ";".
QString takeValue(const QString& text, int& pos)
{
    const int n = int(text.size());
    while (pos < n && text[pos].isSpace() && text[pos] != u';')
        ++pos;
    QString value;
    if (pos < n && (text[pos] == u'"' || text[pos] == u'\'')) {
        const QChar quote = text[pos++];
        while (pos < n) {
            if (text[pos] == quote) {
                if (pos + 1 < n && text[pos + 1] == quote) {
                    value += quote;
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            value += text[pos++];
        }
        while (pos < n && text[pos] != u';')
            ++pos;
    } else {
        const int start = pos;
        while (pos < n && text[pos] != u';')
            ++pos;
        value = text.mid(start, pos - start).trimmed();
    }
    if (pos < n)
        ++pos; // the ";"
    return value;
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text)
{
    ConnectionString cs;
    int pos = 0;
    const int n = int(text.size());
    while (pos < n) {
        const int eq = int(text.indexOf(u'=', pos));
        const int semi = int(text.indexOf(u';', pos));
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // A piece without "=" carries nothing.
            if (semi < 0)
                break;
            pos = semi + 1;
            continue;
        }
        const QString key = text.mid(pos, eq - pos).trimmed().toUpper();
        pos = eq + 1;
        const QString value = takeValue(text, pos);
        if (key == QLatin1String("PROVIDER"))
            cs.provider = value;
        else if (key == QLatin1String("DATA SOURCE") || key == QLatin1String("SERVER") ||
                 key == QLatin1String("ADDR") || key == QLatin1String("ADDRESS"))
            cs.dataSource = value;
        else if (key == QLatin1String("DATABASE") || key == QLatin1String("INITIAL CATALOG"))
            cs.database = value;
        else if (key == QLatin1String("UID") || key == QLatin1String("USER ID"))
            cs.user = value;
        else if (key == QLatin1String("PWD") || key == QLatin1String("PASSWORD"))
            cs.password = value;
    }
    return cs;
}

namespace
{

// <program folder>/SQLDATA/<server>, in the suite's form.
QString serverFolder(const QString& dataSource)
{
    QString server = dataSource.toUpper();
    server.replace(u'\\', u'_');
    server.replace(u'/', u'_'); // a server name never leads out of SQLDATA
    return platform::gsAppPath() + QStringLiteral("/SQLDATA/") + server;
}

} // namespace

QString embeddedDatabaseFile(const QString& dataSource, const QString& database)
{
    // The suite names databases without regard to letter case, as the server does; the
    // path conversion finds an existing file whatever its case.
    return platform::nativePath(serverFolder(dataSource) + u'/' + database + QStringLiteral(".db"));
}

QString embeddedServerFolder(const QString& dataSource)
{
    return platform::nativePath(serverFolder(dataSource));
}

bool refuseNul(const QString& sql, std::vector<ProviderError>& errors)
{
    if (!sql.contains(QChar(u'\0')))
        return false;
    errors.push_back({kStatementError,
                      QStringLiteral("SQL 文に NUL 文字 (0x00) が含まれているため、実行できません。"
                                     "NUL 文字を含む値はデータベースに渡せません。"),
                      kProviderSource, QStringLiteral("22021"), 0});
    return true;
}

void setProviderFactory(ProviderFactory f)
{
    factory() = std::move(f);
}

bool embeddedEngineChosen()
{
    return !factory() && isEmbedded(readEngineSetting());
}

bool networkFolderAllowed()
{
    return readEngineSetting().allowNetworkFolder;
}

std::unique_ptr<ProviderConnection> openProvider(const QString& connectionString,
                                                 std::vector<ProviderError>& errors)
{
    if (factory())
        return factory()(connectionString, errors);
    const ConnectionString cs = ConnectionString::parse(connectionString);

    const EngineSetting setting = readEngineSetting();
    if (isEmbedded(setting))
        return openEmbedded(cs, errors);
    const QString& engine = setting.engine;
    if (engine.compare(QLatin1String("odbc"), Qt::CaseInsensitive) == 0)
        return openOdbc(cs, setting.driver, errors);
    errors.push_back(
        {kConnectionError,
         QStringLiteral("SqlEngine.ini の Engine=%1 は使えません。embedded か odbc を指定してください。")
             .arg(engine),
         kProviderSource, QStringLiteral("08001"), 0});
    return nullptr;
}

} // namespace db
