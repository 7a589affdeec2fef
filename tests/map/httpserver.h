#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>
#include <functional>

// A small HTTP server on the loopback address for the map's online services: each request's
// path is recorded and answered by the handler (status, content type, body, delay).
class LocalHttpServer : public QObject
{
public:
    struct Answer {
        int status = 200;
        QByteArray type = "application/json";
        QByteArray body;
        int delayMs = 0;
    };
    explicit LocalHttpServer(std::function<Answer(const QString& path)> handler);
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QStringList paths; // in the order they came

private:
    QTcpServer server_;
    std::function<Answer(const QString&)> handler_;
};

// A 256-pixel tile of one colour, as PNG.
QByteArray tilePng(QColor colour);
