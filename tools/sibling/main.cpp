// Stand-in for the suite's sibling programs (Main, TrtTotalSchedule, TrtUtility45,
// trtzenrin). It records what TopMenu handed it to "<its folder>/<its name>.log" and shows
// a small window saying so. As trtzenrin it owns the map companion's "QmapLogin" window and
// closes when the launcher asks it to at exit.
//
// Environment: TOPMENU_STANDIN_EXIT ends the program right after logging (trtzenrin still
// waits for the close request, but no longer than 20 s); TOPMENU_WINDOW_STYLE is the window
// style the launcher asked for (0 hidden, 2 and 6 minimised).

#include "desktop/desktopruntime.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

namespace
{

QString programName(const QString& argv0)
{
    QString name = QFileInfo(argv0).fileName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return name;
}

// The hand-off keys the launcher writes into Massage.ini before it starts Main.
QStringList handOffKeys(const QString& folder)
{
    clsOplIniFile ini;
    ini.iInit(folder + QStringLiteral("/Massage.ini"));
    const struct {
        const char* section;
        const char* key;
    } keys[] = {{"運用拠点", "BASEID"},
                {"環境", "環境名"},
                {"権限", "JOBCODE"},
                {"QMAP", "ZENRIN_USER"},
                {"QMAP", "ZENRIN_PWD"}};
    QStringList lines;
    for (const auto& k : keys) {
        const QString key = QString::fromUtf8(k.key);
        lines << key + QLatin1Char('=') + ini.csGetProfileString(QString::fromUtf8(k.section), key);
    }
    return lines;
}

// The log keeps every start: the old content stays and the new lines follow.
void appendLog(const QString& path, const QStringList& lines)
{
    QString text;
    textfile::read(path, &text);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QStringLiteral("\r\n");
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    textfile::write(path, text);
}

// Under Qt's VNC platform every program is a VNC server of its own; the demo's launcher
// takes port 5900, so each stand-in takes a port of its own (Main 5901 … trtzenrin 5904).
void ownVncPort(const QString& name)
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (!qpa.startsWith("vnc"))
        return;
    const QStringList names{QStringLiteral("Main"), QStringLiteral("TrtTotalSchedule"),
                            QStringLiteral("TrtUtility45"), QStringLiteral("trtzenrin")};
    int index = 0;
    while (index < names.size() && names.at(index).compare(name, Qt::CaseInsensitive) != 0)
        ++index;
    QList<QByteArray> parts = qpa.split(':');
    parts.removeIf([](const QByteArray& p) { return p.startsWith("port="); });
    parts << "port=" + QByteArray::number(5901 + index);
    qputenv("QT_QPA_PLATFORM", parts.join(':'));
}

} // namespace

int main(int argc, char** argv)
{
    const QString name = programName(QString::fromLocal8Bit(argv[0]));
    ownVncPort(name);
    QApplication app(argc, argv);
    desktop::installDesktopRuntime();

    const QString folder = platform::gsAppPath();
    const QString logPath = folder + QLatin1Char('/') + name + QStringLiteral(".log");
    const bool isMapCompanion = name.compare(QLatin1String("trtzenrin"), Qt::CaseInsensitive) == 0;
    const bool exitAtOnce = qEnvironmentVariableIsSet("TOPMENU_STANDIN_EXIT");

    QStringList lines;
    lines << QStringLiteral("START ") + name;
    lines << QStringLiteral("ARGS ") + app.arguments().mid(1).join(QLatin1Char('|'));
    lines << QStringLiteral("CWD ") + QDir::toNativeSeparators(QDir::currentPath());
    if (name.compare(QLatin1String("Main"), Qt::CaseInsensitive) == 0)
        lines << handOffKeys(folder);
    appendLog(logPath, lines);

    if (exitAtOnce && !isMapCompanion)
        return 0;

    QWidget window;
    window.setWindowTitle(isMapCompanion ? QStringLiteral("QmapLogin") : name);
    auto* layout = new QVBoxLayout(&window);
    auto* text =
        new QLabel(QStringLiteral("%1 が起動されました。\n\n%2").arg(name, lines.join(QLatin1Char('\n'))));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* close = new QPushButton(QStringLiteral("閉じる"));
    layout->addWidget(close, 0, Qt::AlignRight);
    QObject::connect(close, &QPushButton::clicked, &app, &QCoreApplication::quit);

    // The launcher finds the map companion's window by class and caption and posts it a
    // close; on this system that window is a local socket of the same name.
    QLocalServer server;
    if (isMapCompanion) {
        const QString socket =
            platform::windowSocketName(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("QmapLogin"));
        QLocalServer::removeServer(socket);
        server.listen(socket);
        QObject::connect(&server, &QLocalServer::newConnection, [&] {
            while (QLocalSocket* client = server.nextPendingConnection()) {
                // The request may arrive in pieces, or before we start listening for it.
                auto received = std::make_shared<QByteArray>();
                auto check = [client, received, logPath] {
                    *received += client->readAll();
                    static bool closing = false;
                    if (!closing && received->contains("WM_CLOSE")) {
                        closing = true;
                        appendLog(logPath, {QStringLiteral("CLOSE")});
                        QCoreApplication::quit();
                    }
                };
                QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
                QObject::connect(client, &QLocalSocket::readyRead, client, check);
                check();
            }
        });
        if (exitAtOnce)
            QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    }

    const QByteArray style = qgetenv("TOPMENU_WINDOW_STYLE");
    if (style == "2" || style == "6")
        window.showMinimized();
    else if (style != "0")
        window.show();
    return app.exec();
}
