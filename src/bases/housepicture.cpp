#include "bases/housepicture.h"

#include <QPainter>
#include <QPainterPath>

QPixmap drawnHouse(const QColor& colour, HouseMark mark)
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath roof;
    roof.moveTo(4, 22);
    roof.lineTo(24, 4);
    roof.lineTo(44, 22);
    roof.closeSubpath();
    p.fillPath(roof, colour.darker(130));
    p.fillRect(QRect(9, 22, 30, 22), colour);
    p.fillRect(QRect(20, 30, 8, 14), Qt::white);
    if (mark == HouseMark::Cross) {
        p.setPen(QPen(QColor(200, 0, 0), 4));
        p.drawLine(6, 6, 42, 42);
        p.drawLine(42, 6, 6, 42);
    } else if (mark == HouseMark::Bar) {
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(4, 24, 44, 24);
    }
    return pm;
}
