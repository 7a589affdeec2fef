#pragma once

#include <QByteArray>
#include <QImage>

namespace offlinemap
{

// The picture as a GIF file (one frame, a palette of at most 256 colours); empty on failure.
QByteArray encodeGif(const QImage& image);

} // namespace offlinemap
