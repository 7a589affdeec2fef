// Stand-in for the suite's sibling programs (Main, TrtTotalSchedule, TrtUtility45,
// trtzenrin). It records what TopMenu handed it to "<its folder>/<its name>.log" and shows
// a small window saying so. As trtzenrin it owns the map companion's "QmapLogin" window and
// closes when the launcher asks it to at exit; it shows itself minimised without taking the
// keyboard, and a second copy for the same program folder hands over to the running one
// (which logs "HANDOVER" and the new command line) and ends.
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
#include <QCryptographicHash>
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

// The one running map companion of a program folder listens here.
QString companionSocketName(const QString& folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFileInfo(folder).canonicalFilePath().toUtf8(), QCryptographicHash::Sha1);
    return platform::windowSocketName(QStringLiteral("trtzenrin"), QString::fromLatin1(hash.toHex()));
}

// True when a companion already runs for the folder; it then has the command line.
bool handOver(const QString& socketName, const QStringList& arguments)
{
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("HANDOVER " + arguments.join(QLatin1Char('|')).toUtf8() + '\n');
    socket.flush();
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
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

    // Copies must not pile up: the running companion of this folder keeps the field.
    const QString companionSocket = companionSocketName(folder);
    QLocalServer companion;
    if (isMapCompanion) {
        if (handOver(companionSocket, app.arguments().mid(1)))
            return 0;
        QLocalServer::removeServer(companionSocket);
        companion.listen(companionSocket);
        QObject::connect(&companion, &QLocalServer::newConnection, [&] {
            while (QLocalSocket* client = companion.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                auto check = [client, received, logPath] {
                    *received += client->readAll();
                    if (received->endsWith('\n')) {
                        appendLog(logPath, {QString::fromUtf8(received->trimmed())});
                        received->clear();
                    }
                };
                QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
                QObject::connect(client, &QLocalSocket::readyRead, client, check);
                check();
            }
        });
    }

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
    if (isMapCompanion) {
        // The companion works in the background: it never takes the keyboard from the
        // launcher or hides its message boxes, whatever style it was started with.
        window.setAttribute(Qt::WA_ShowWithoutActivating);
        window.setWindowFlag(Qt::WindowDoesNotAcceptFocus);
        window.showMinimized();
        // Some window managers map a new window normally whatever its initial state says;
        // asked again once it is mapped, they iconify it.
        QTimer::singleShot(200, &window, [&window] { window.setWindowState(Qt::WindowMinimized); });
        appendLog(logPath, {QStringLiteral("WINDOW minimised%1")
                                .arg(window.isActiveWindow() ? QStringLiteral(" active") : QString())});
    } else if (style == "2" || style == "6")
        window.showMinimized();
    else if (style != "0")
        window.show();
    return app.exec();
}
