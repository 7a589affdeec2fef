// mapart <program folder>: the map pictures of an installation, drawn by the map's own
// renderer from the geography in <program folder>/MAP: the image library's fallback map
// zenrinCGI/tokyostation.gif, and the marker icons ICON/111.ico, icons/xHome.ico and
// icons/pmark01.ico.
#include "map/geo.h"
#include "map/zenrinCGI.h"
#include "platform/runtime.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace
{
bool saveIcon(const QString& path, void (*draw)(QPainter&))
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "ICO");
}

void marker(QPainter& p) // a red pin whose point is the icon's centre
{
    QPainterPath pin;
    pin.moveTo(16, 16);
    pin.cubicTo(10, 8, 8, 6, 8, 4);
    pin.arcTo(8, -3, 16, 14, 180, -180);
    pin.cubicTo(24, 6, 22, 8, 16, 16);
    p.setPen(QPen(QColor(0x80, 0, 0), 1.5));
    p.setBrush(QColor(0xe0, 0x20, 0x20));
    p.drawPath(pin);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 4), 3, 3);
}

void house(QPainter& p) // a base: a blue house
{
    p.setPen(QPen(QColor(0x10, 0x30, 0x80), 1.5));
    p.setBrush(QColor(0x30, 0x60, 0xd0));
    p.drawPolygon(QPolygonF({QPointF(4, 16), QPointF(16, 4), QPointF(28, 16)}));
    p.drawRect(QRectF(8, 16, 16, 12));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 20, 5, 8));
}

void parking(QPainter& p) // a parking place: a white P on blue
{
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(0x10, 0x50, 0xb0));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 4, 4);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, QStringLiteral("P"));
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mapart <program folder>\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    platform::runtime().gsAppPath = folder;
    QDir::setCurrent(folder);
    QDir().mkpath(QStringLiteral("zenrinCGI"));
    // Tokyo station, the picture shown when a map cannot be made.
    const bool ok =
        offlinemap::writeMapGif(QDir(folder).filePath(QStringLiteral("zenrinCGI/tokyostation.gif")),
                                offlinemap::milliseconds(35.681236), offlinemap::milliseconds(139.767125),
                                QStringLiteral("58"), 849, 657) &&
        saveIcon(folder + QStringLiteral("/ICON/111.ico"), marker) &&
        saveIcon(folder + QStringLiteral("/icons/xHome.ico"), house) &&
        saveIcon(folder + QStringLiteral("/icons/pmark01.ico"), parking);
    if (!ok) {
        std::fprintf(stderr, "mapart: could not draw the map pictures in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
