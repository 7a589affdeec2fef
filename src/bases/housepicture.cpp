#include "bases/housepicture.h"

#include "platform/paths.h"
#include "platform/runtime.h"
#include "settings/massageini.h"

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

QPixmap kyotenPicture(int iconNumber, const QString& iconFolder)
{
    const int number = iconNumber >= 0 && iconNumber < 5 ? iconNumber : 0;
    if (!iconFolder.isEmpty()) {
        const QString file = iconFolder + QStringLiteral("\\KYOTEN%1.png").arg(number);
        if (bFileExists(file)) {
            const QPixmap picture(platform::nativePath(file));
            if (!picture.isNull())
                return picture;
        }
    }
    static const QColor colours[] = {QColor(150, 150, 150), QColor(40, 110, 200), QColor(40, 160, 90),
                                     QColor(230, 150, 30), QColor(140, 60, 60)};
    return drawnHouse(colours[number], number == 4   ? HouseMark::Cross
                                       : number == 3 ? HouseMark::Bar
                                                     : HouseMark::None);
}

QString kyotenIconFolder()
{
    // Without the setting the drawn pictures serve; the launcher has reported it already.
    return platform::gsAppPath() + csGetMassageIni(QStringLiteral("SYSTEM_ICON"), false);
}
