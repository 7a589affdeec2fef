#include "map/gifwriter.h"

#include <gif_lib.h>

namespace offlinemap
{

namespace
{
int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}
} // namespace

QByteArray encodeGif(const QImage& source)
{
    if (source.isNull())
        return {};
    // The map's flat colours fit a palette; dithering is kept for the few blends of the
    // anti-aliased edges.
    const QImage image =
        source.convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither | Qt::ThresholdDither);
    QVector<QRgb> table = image.colorTable();
    GifColorType colours[256] = {};
    for (int i = 0; i < table.size() && i < 256; ++i) {
        colours[i].Red = GifByteType(qRed(table[i]));
        colours[i].Green = GifByteType(qGreen(table[i]));
        colours[i].Blue = GifByteType(qBlue(table[i]));
    }
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    if (!gif)
        return {};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y) {
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(image.constScanLine(y)), image.width()) == GIF_OK;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    if (map)
        GifFreeMapObject(map);
    return ok ? out : QByteArray();
}

} // namespace offlinemap
