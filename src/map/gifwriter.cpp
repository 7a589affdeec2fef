#include "map/gifwriter.h"

#include <gif_lib.h>

#include <QVector>
#include <algorithm>
#include <climits>
#include <vector>

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

namespace
{
// A palette for the picture: the 256 most used colours at 5 bits a channel (a map is mostly
// flat areas and a few line colours), each pixel then takes the nearest of them.
QImage toPalette(const QImage& source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    struct Bin {
        qint64 r = 0, g = 0, b = 0, n = 0;
    };
    std::vector<Bin> bins(32768);
    auto key = [](QRgb c) { return ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3); };
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            Bin& bin = bins[size_t(key(line[x]))];
            bin.r += qRed(line[x]);
            bin.g += qGreen(line[x]);
            bin.b += qBlue(line[x]);
            ++bin.n;
        }
    }
    std::vector<int> used;
    for (int i = 0; i < 32768; ++i)
        if (bins[size_t(i)].n)
            used.push_back(i);
    std::vector<int> chosen = used;
    std::sort(chosen.begin(), chosen.end(),
              [&](int a, int b) { return bins[size_t(a)].n > bins[size_t(b)].n; });
    if (chosen.size() > 256)
        chosen.resize(256);
    QVector<QRgb> palette;
    for (int i : chosen) {
        const Bin& b = bins[size_t(i)];
        palette << qRgb(int(b.r / b.n), int(b.g / b.n), int(b.b / b.n));
    }
    std::vector<uchar> nearest(32768, 0);
    for (int i : used) {
        const Bin& b = bins[size_t(i)];
        const int r = int(b.r / b.n), g = int(b.g / b.n), bl = int(b.b / b.n);
        int best = 0;
        int bestDistance = INT_MAX;
        for (int p = 0; p < palette.size(); ++p) {
            const int dr = qRed(palette[p]) - r, dg = qGreen(palette[p]) - g, db = qBlue(palette[p]) - bl;
            const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (d < bestDistance) {
                bestDistance = d;
                best = p;
            }
        }
        nearest[size_t(i)] = uchar(best);
    }
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = nearest[size_t(key(line[x]))];
    }
    return indexed;
}
} // namespace

QByteArray encodeGif(const QImage& source)
{
    if (source.isNull())
        return {};
    const QImage image = toPalette(source);
    const QVector<QRgb> table = image.colorTable();
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
