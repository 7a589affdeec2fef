#include "installation.h"

#include "db/cT_ADODB.h"
#include "db/provider.h"
#include "db/readahead.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "state/state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

QString sourceDir()
{
    const QByteArray env = qgetenv("TOPMENU_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(TOPMENU_SOURCE_DIR_DEFAULT) : QString::fromLocal8Bit(env);
}

QString binDir()
{
    const QByteArray env = qgetenv("TOPMENU_BIN_DIR");
    return env.isEmpty() ? QStringLiteral(TOPMENU_BIN_DIR_DEFAULT) : QString::fromLocal8Bit(env);
}

TestInstallation::TestInstallation()
{
    auto& rt = platform::runtime();
    rt.messages = &messages;
    rt.processes = &processes;
    rt.clock = &clock;
    rt.host = &host;
    rt.terminator = &terminator;
    rt.gsAppPath = dir_.path();
    resetState();
}

TestInstallation::~TestInstallation()
{
    db::readAhead().clear();            // nor does a reading made ahead
    db::closeIdleEmbeddedConnections(); // kept database handles do not outlive the folder
    auto& rt = platform::runtime();
    rt = platform::Runtime{};
    resetState();
}

QString TestInstallation::file(const QString& relative) const
{
    return dir_.path() + QLatin1Char('/') + relative;
}

void TestInstallation::writeFile(const QString& relative, const QString& text) const
{
    writeBytes(relative, textfile::encode(text));
}

void TestInstallation::writeBytes(const QString& relative, const QByteArray& bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

QByteArray TestInstallation::readBytes(const QString& relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TestInstallation::installReportEngine() const
{
    for (const char* name : {"wfrfv10", "wfrimg10"})
        EXPECT_TRUE(QFile::copy(binDir() + QLatin1Char('/') + QLatin1String(name), file(QLatin1String(name))))
            << name;
    for (const QString& dir : {QStringLiteral("SYS"), QStringLiteral("TMP/領収書イメージ")}) {
        const QDir source(sourceDir() + QStringLiteral("/installation/") + dir);
        for (const QString& f : source.entryList(QDir::Files)) {
            QFile in(source.filePath(f));
            EXPECT_TRUE(in.open(QIODevice::ReadOnly));
            writeFile(dir + QLatin1Char('/') + f,
                      QString::fromUtf8(in.readAll()).replace(QLatin1String("\n"), QLatin1String("\r\n")));
        }
    }
}

QString TestInstallation::pdfText(const QString& relative) const
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file(relative), QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).replace(u'〜', u'～');
}

QString TestInstallation::readText(const QString& relative) const
{
    return textfile::decode(readBytes(relative));
}

bool TestInstallation::exists(const QString& relative) const
{
    return QFileInfo::exists(file(relative));
}

void TestInstallation::writeAdodbIni(const QString& server, const QString& database) const
{
    writeFile(QStringLiteral("adodb.ini"),
              QStringLiteral("[接続情報]\r\n接続情報=Provider=SQLOLEDB;Data Source=") + server +
                  QStringLiteral(";Database=") + database +
                  QStringLiteral(";uid=sa;pwd=mtr4827\r\n[資産管理情報]\r\n資源配布=C:\\KVX\\MASTER\r\n"
                                 "[監視時間msec]\r\nTime = 300000\r\n"));
}

void TestInstallation::createDatabase(const QString& server, bool withDemo) const
{
    QStringList scripts{QStringLiteral("attach.SQL")};
    if (withDemo)
        scripts << QStringLiteral("demo.SQL");
    for (const QString& name : scripts) {
        // The installation's scripts are kept in UTF-8 in the source tree; the demo layout
        // turns them into CP932.
        QFile f(sourceDir() + QStringLiteral("/installation/") + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString text = QString::fromUtf8(f.readAll());
        const db::ScriptResult r = db::runScript(text, server);
        ASSERT_EQ(r.failed, 0) << name.toStdString() << "\n" << r.log.join(QLatin1Char('\n')).toStdString();
    }
}

namespace
{
QString connectionString(const QString& server, const QString& database)
{
    return QStringLiteral("Provider=SQLOLEDB;Data Source=") + server + QStringLiteral(";Database=") +
           database + QStringLiteral(";uid=sa;pwd=mtr4827");
}
} // namespace

void TestInstallation::exec(const QString& sql, const QString& server, const QString& database) const
{
    cT_ADODB db;
    db.iInit(connectionString(server, database));
    ASSERT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
    ASSERT_EQ(db.iExecSQL(sql), 0) << db.sErrMsg.toStdString();
    db.iDisConnect();
}

QString TestInstallation::scalar(const QString& sql, const QString& server, const QString& database) const
{
    cT_ADODB db;
    db.iInit(connectionString(server, database));
    EXPECT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
    Recordset rs;
    if (db.iOpenRecSet(rs, sql) != 0) {
        ADD_FAILURE() << db.sErrMsg.toStdString();
        return {};
    }
    const QString v = rs.eof() ? QString() : rs.field(0).toText();
    rs.close();
    db.iDisConnect();
    return v;
}
