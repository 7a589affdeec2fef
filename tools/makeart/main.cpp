// makeart <folder>: draws the pictures of the demo installation's icon folder: the wallpaper
// behind the launcher, the picture at the top of the launcher window, the logo that unrolls
// at start-up, and one icon per usage status of a base (0 unregistered, 1 in operation,
// 2 franchise, 3 paused, 4 abolished); and the program's icon for the desktop's menu in the
// sizes of the icon theme (topmenu-<size>.png).

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace
{

const QColor kDeep(0x1f, 0x4e, 0x79);
const QColor kLight(0xd6, 0xe6, 0xf2);
const QColor kAccent(0xe0, 0x8a, 0x1e);

QFont font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

bool save(const QImage& image, const QString& path, const char* format)
{
    if (image.save(path, format, qstrcmp(format, "JPG") == 0 ? 90 : -1))
        return true;
    std::fprintf(stderr, "makeart: cannot write %s\n", qPrintable(path));
    return false;
}

QImage wallpaper(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, kLight);
    g.setColorAt(1, Qt::white);
    p.fillRect(img.rect(), g);
    // Soft waves across the lower half.
    for (int i = 0; i < 5; ++i) {
        QPainterPath wave;
        const double y = h * (0.55 + 0.08 * i);
        wave.moveTo(0, y);
        wave.cubicTo(w * 0.3, y - h * 0.12, w * 0.6, y + h * 0.12, w, y - h * 0.04);
        wave.lineTo(w, h);
        wave.lineTo(0, h);
        wave.closeSubpath();
        QColor c = kDeep;
        c.setAlpha(28 + 10 * i);
        p.fillPath(wave, c);
    }
    p.setPen(kDeep);
    p.setFont(font(h / 12, true));
    p.drawText(QRect(0, h / 6, w, h / 6), Qt::AlignCenter, QStringLiteral("Mirane"));
    return img;
}

// A wide strip: the launcher shows it across the top of its window.
QImage topBanner(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, kDeep);
    g.setColorAt(1, kDeep.lighter(160));
    p.fillRect(img.rect(), g);
    p.setPen(Qt::white);
    p.setFont(font(h / 2, true));
    QRect name;
    p.drawText(QRect(h / 3, 0, w, h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Mirane"), &name);
    p.setFont(font(h / 5, false));
    p.drawText(QRect(name.right() + h / 4, 0, w, name.bottom()), Qt::AlignLeft | Qt::AlignBottom,
               QStringLiteral("TopMenu"));
    return img;
}

QImage logo(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(h / 2.0, h / 2.0), h * 0.3, h * 0.3);
    p.setPen(kDeep);
    p.setFont(font(h / 2, true));
    p.drawText(QRect(h, 0, w - h, h), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Mirane"));
    return img;
}

// A house outline in a square of side s, all measures as fractions of s: the roof's peak at
// (x, top) with its eaves at `eaves`, half as wide as `roof`, the walls `wall` apart to the
// ground at `ground`.
QPainterPath housePath(double s, double x, double top, double eaves, double roof, double wall, double ground)
{
    QPainterPath house;
    house.moveTo(s * x, s * top);
    house.lineTo(s * (x + roof), s * eaves);
    house.lineTo(s * (x + wall), s * eaves);
    house.lineTo(s * (x + wall), s * ground);
    house.lineTo(s * (x - wall), s * ground);
    house.lineTo(s * (x - wall), s * eaves);
    house.lineTo(s * (x - roof), s * eaves);
    house.closeSubpath();
    return house;
}

// A small house whose colour and mark tell the base's status.
QImage baseIcon(int status)
{
    const int s = 48;
    QImage img(s, s, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(0x9e, 0x9e, 0x9e), QColor(0x2e, 0x7d, 0x32), QColor(0x15, 0x65, 0xc0),
                              QColor(0xef, 0x6c, 0x00), QColor(0x61, 0x61, 0x61)};
    const QColor c = colours[status];
    p.fillPath(housePath(s, 0.5, 0.08, 0.45, 0.42, 0.3, 0.92), c);
    p.setPen(QPen(Qt::white, 3));
    if (status == 3) { // paused: a pause mark
        p.drawLine(QPointF(s * 0.42, s * 0.55), QPointF(s * 0.42, s * 0.82));
        p.drawLine(QPointF(s * 0.58, s * 0.55), QPointF(s * 0.58, s * 0.82));
    } else if (status == 4) { // abolished: a cross
        p.drawLine(QPointF(s * 0.35, s * 0.55), QPointF(s * 0.65, s * 0.85));
        p.drawLine(QPointF(s * 0.65, s * 0.55), QPointF(s * 0.35, s * 0.85));
    } else if (status != 0) {
        p.setFont(font(s / 3, true));
        p.drawText(QRectF(0, s * 0.45, s, s * 0.45), Qt::AlignCenter,
                   status == 2 ? QStringLiteral("FC") : QStringLiteral("●"));
    }
    return img;
}

// The program's icon: a house (a base, as in the list) on the blue of the wallpaper, with
// the logo's orange sun. Drawn for each size rather than scaled, so small sizes stay sharp.
QImage appIcon(int s)
{
    QImage img(s, s, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double m = s / 16.0; // margin
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, kDeep.lighter(130));
    g.setColorAt(1, kDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(m, m, s - 2 * m, s - 2 * m), s * 0.18, s * 0.18);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(s * 0.74, s * 0.28), s * 0.11, s * 0.11);
    p.fillPath(housePath(s, 0.45, 0.24, 0.55, 0.35, 0.26, 0.82), Qt::white);
    p.fillRect(QRectF(s * 0.39, s * 0.62, s * 0.12, s * 0.2), kDeep);
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeart <folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "makeart: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = save(wallpaper(1920, 1080), dir + QStringLiteral("/wallpaper.jpg"), "JPG");
    ok = save(topBanner(960, 96), dir + QStringLiteral("/top.jpg"), "JPG") && ok;
    ok = save(logo(480, 160), dir + QStringLiteral("/LOGO.JPG"), "JPG") && ok;
    for (int status = 0; status <= 4; ++status)
        ok = save(baseIcon(status), dir + QStringLiteral("/KYOTEN%1.png").arg(status), "PNG") && ok;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = save(appIcon(size), dir + QStringLiteral("/topmenu-%1.png").arg(size), "PNG") && ok;
    return ok ? 0 : 1;
}
