#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>
#include <variant>

// The objects the map's drawing layer holds, with the properties the map wrapper and the
// map screen set. Positions in milliseconds of arc, colours with red in the lowest byte,
// green in the next and blue in the third, widths in pixels, radii in decimetres.
namespace offlinemap
{

struct MapLine {
    qint32 Color = 0;
    qint32 width = 1;
    QVector<std::pair<qint32, qint32>> points;
    void Add(qint32 x, qint32 y) { points.push_back({x, y}); }
};

struct MapIcon {
    double X = 0;
    double Y = 0;
    double HotSpotX = 0; // the pixel of the picture that sits on the point
    double HotSpotY = 0;
    QString Path;
    short VisibleComment = 0;
    QString Comment;
    // A label beside the icon.
    QString Text;
    qint32 TextColor = 0;
    bool TextBold = false;
    short TextLayout = 0; // 0 right of the icon, 4 below it
};

// Brush: 0 a solid fill, 1 no fill, 2 a light wash of BrushColor.
struct MapCircle {
    bool Fixed = false; // true: the radius is a ground length, kept when the scale changes
    qint32 Radius = 0;
    qint32 Brush = 1;
    qint32 BrushColor = 0;
    qint32 EdgeColor = 0;
    short width = 1;
    qint32 X = 0;
    qint32 Y = 0;
};

using MapFigure = std::variant<MapLine, MapIcon, MapCircle>;

} // namespace offlinemap
