#pragma once

#include "map/figures.h"
#include "map/geo.h"
#include "map/mapdata.h"

#include <QImage>
#include <QPainter>
#include <QVector>

// One renderer for the map widget, the image library and the build's fallback picture.
namespace offlinemap
{

QColor colourOf(qint32 value); // red in the lowest byte

// The offline map: paper, grid, rivers, lakes, prefecture borders and the coastline; then the
// names of prefectures and municipalities (none over a reserved area); then the scale bar.
// What the data lacked is written on the map.
// smooth: anti-aliased; the GIF pictures are drawn without, so that their few colours fit
// a palette exactly.
void drawGeography(QPainter& painter, const MapView& view, const MapData& data, bool smooth = true);
void drawPlaceNames(QPainter& painter, const MapView& view, const MapData& data,
                    const QVector<QRectF>& reserved = {}, bool smooth = true);
void drawScale(QPainter& painter, const MapView& view, bool smooth = true);
// All three.
void drawBaseMap(QPainter& painter, const MapView& view, const MapData& data, bool smooth = true,
                 const QVector<QRectF>& reserved = {});
// The drawing layer's figures in their order.
void drawFigures(QPainter& painter, const MapView& view, const QVector<MapFigure>& figures,
                 bool smooth = true);
// The pixels the figures' pictures and texts take, which place names keep clear of.
QVector<QRectF> figureAreas(const MapView& view, const QVector<MapFigure>& figures);

// A marker picture: the icon file when it can be read, else a drawn mark of the size (a
// red ring, or a blue square for a labelled place).
QImage iconImage(const QString& nativePath, int width, int height, bool labelled = false);

// A whole picture: base map and figures.
QImage renderMap(const MapView& view, const MapData& data, const QVector<MapFigure>& figures = {},
                 bool smooth = true);

// A length written as the map writes it: "500m", "2km", "1.5km".
QString lengthText(double metres);

} // namespace offlinemap
