#include "core/ImageScaling.h"

#include <algorithm>

namespace vantorel {

namespace {

// Each pixel the mean of a 2 x 2 block (an odd last row or column is left
// out), two channels at a time. RGB32 comes out opaque whatever its top byte
// held; premultiplied ARGB averages its alpha with the colours.
QImage halved(const QImage& image) {
    const int w = image.width() / 2, h = image.height() / 2;
    QImage out(w, h, image.format());
    if (out.isNull())
        return out;
    const quint32 opaque = image.format() == QImage::Format_RGB32 ? 0xff000000u : 0u;
    constexpr quint32 kEven = 0x00ff00ff, kRound = 0x00020002;
    for (int y = 0; y < h; ++y) {
        const auto* a = reinterpret_cast<const quint32*>(image.constScanLine(2 * y));
        const auto* b = reinterpret_cast<const quint32*>(image.constScanLine(2 * y + 1));
        auto* o = reinterpret_cast<quint32*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const quint32 p = a[2 * x], q = a[2 * x + 1], r = b[2 * x], s = b[2 * x + 1];
            const quint32 rb = (p & kEven) + (q & kEven) + (r & kEven) + (s & kEven) + kRound;
            const quint32 ag =
                ((p >> 8) & kEven) + ((q >> 8) & kEven) + ((r >> 8) & kEven) + ((s >> 8) & kEven) + kRound;
            o[x] = ((rb >> 2) & kEven) | (((ag >> 2) & kEven) << 8) | opaque;
        }
    }
    return out;
}

} // namespace

QImage scaledToFit(const QImage& image, QSize maximum) {
    if (image.isNull() || maximum.isEmpty())
        return image;
    const double scale = std::min(double(maximum.width()) / image.width(), double(maximum.height()) / image.height());
    if (scale >= 1)
        return image;
    const int w = std::max(1, static_cast<int>(image.width() * scale));
    const int h = std::max(1, static_cast<int>(image.height() * scale));
    // Halving first while the image stays at least twice the result: the
    // filter then reads a quarter of the pixels, and a mean of 2 x 2 blocks
    // loses nothing that the reduction would keep.
    QImage source = image;
    const bool halvable =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
    while (halvable && source.width() >= 2 * w && source.height() >= 2 * h) {
        QImage half = halved(source);
        if (half.isNull())
            break;
        source = std::move(half);
    }
    QImage scaled = source.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.isNull() ? image : scaled;
}

} // namespace vantorel
