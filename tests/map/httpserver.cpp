#include "httpserver.h"

#include <QBuffer>
#include <QImage>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(std::function<Answer(const QString&)> handler) : handler_(std::move(handler))
{
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto* request = new QByteArray;
            connect(socket, &QTcpSocket::disconnected, socket, [socket, request] {
                delete request;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                request->append(socket->readAll());
                if (!request->contains("\r\n\r\n") || request->startsWith("done"))
                    return;
                const QString path = QString::fromLatin1(request->split(' ').value(1));
                request->prepend("done");
                paths << path;
                const Answer a = handler_(path);
                QPointer<QTcpSocket> alive(socket);
                QTimer::singleShot(a.delayMs, this, [alive, a] {
                    if (!alive)
                        return;
                    alive->write("HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nContent-Type: " +
                                 a.type + "\r\nContent-Length: " + QByteArray::number(a.body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + a.body);
                    alive->disconnectFromHost();
                });
            });
        }
    });
}

QByteArray tilePng(QColor colour)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
