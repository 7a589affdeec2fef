#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// The house the base windows and the launcher draw for a base when the installation brings
// no picture of its own: 48 × 48, in the status's colour, crossed out when abolished, with a
// bar when stopped.
enum class HouseMark { None, Cross, Bar };
QPixmap drawnHouse(const QColor& colour, HouseMark mark);

// The picture of a base by its icon number (0 unregistered, 1 in use, 2 franchise, 3 stopped,
// 4 abolished), the same in the launcher's list and in the maintenance window: the
// installation's own KYOTEN<n>.png in the icon folder (the suite's path form) when it has a
// readable one, else the drawn house. An empty folder gives the drawn house.
QPixmap kyotenPicture(int iconNumber, const QString& iconFolder = QString());
// The icon folder of the installation: the program folder with SYSTEM_ICON of Massage.ini.
QString kyotenIconFolder();
