#include "installation.h"

#include "db/cT_ADODB.h"
#include "db/provider.h"
#include "db/readahead.h"
#include "db/tsqlscript.h"
#include "platform/runtime.h"
#include "state/state.h"

#include <QDir>
#include <QProcess>

namespace
{
QString connectionString(const QString& server, const QString& database)
{
    return "Provider=SQLOLEDB;Data Source=" + server + ";Database=" + database + ";uid=sa;pwd=mtr4827";
}

QString sourceText(const QString& relative)
{
    QFile f(sourceDir() + "/installation/" + relative);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << relative.toStdString();
    return QString::fromUtf8(f.readAll());
}
} // namespace

QString sourceDir()
{
    return qEnvironmentVariable("TOPMENU_SOURCE_DIR", QStringLiteral(TOPMENU_SOURCE_DIR_DEFAULT));
}

QString binDir()
{
    return qEnvironmentVariable("TOPMENU_BIN_DIR", QStringLiteral(TOPMENU_BIN_DIR_DEFAULT));
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
    platform::runtime() = platform::Runtime{};
    resetState();
}

void TestInstallation::writeBytes(const QString& relative, const QByteArray& bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

void TestInstallation::installReportEngine() const
{
    for (const QString name : {"wfrfv10", "wfrimg10"})
        EXPECT_TRUE(QFile::copy(binDir() + u'/' + name, file(name))) << name.toStdString();
    for (const QString dir : {"SYS", "TMP/領収書イメージ"})
        for (const QString& f : QDir(sourceDir() + "/installation/" + dir).entryList(QDir::Files))
            installFile(dir + u'/' + f);
}

void TestInstallation::installFile(const QString& relative) const
{
    writeFile(relative, sourceText(relative).replace(u'\n', "\r\n"));
}

QString TestInstallation::pdfText(const QString& relative) const
{
    QProcess p;
    p.start("pdftotext", {"-layout", file(relative), "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).replace(u'〜', u'～');
}

void TestInstallation::writeAdodbIni(const QString& server, const QString& database) const
{
    writeFile("adodb.ini",
              "[接続情報]\r\n接続情報=" + connectionString(server, database) +
                  "\r\n[資産管理情報]\r\n資源配布=C:\\KVX\\MASTER\r\n[監視時間msec]\r\nTime = 300000\r\n");
}

void TestInstallation::createDatabase(const QString& server, bool withDemo) const
{
    for (const QString name : withDemo ? QStringList{"attach.SQL", "demo.SQL"} : QStringList{"attach.SQL"}) {
        const db::ScriptResult r = db::runScript(sourceText(name), server);
        ASSERT_EQ(r.failed, 0) << name.toStdString() << "\n" << r.log.join(u'\n').toStdString();
    }
}

void TestInstallation::exec(const QString& sql, const QString& server, const QString& database) const
{
    cT_ADODB db;
    db.iInit(connectionString(server, database));
    ASSERT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
    ASSERT_EQ(db.iExecSQL(sql), 0) << db.sErrMsg.toStdString();
}

QString TestInstallation::scalar(const QString& sql, const QString& server, const QString& database) const
{
    cT_ADODB db;
    db.iInit(connectionString(server, database));
    EXPECT_EQ(db.iConnect(), 0) << db.sErrMsg.toStdString();
    Recordset rs;
    if (db.iOpenRecSet(rs, sql) != 0)
        ADD_FAILURE() << db.sErrMsg.toStdString();
    return rs.eof() ? QString() : rs.field(0).toText();
}
