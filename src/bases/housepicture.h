#pragma once

#include <QColor>
#include <QPixmap>

// The house the base windows and the launcher draw for a base when the installation brings
// no picture of its own: 48 × 48, in the status's colour, crossed out when abolished, with a
// bar when stopped.
enum class HouseMark { None, Cross, Bar };
QPixmap drawnHouse(const QColor& colour, HouseMark mark);
