#include "core/ImageScaling.h"

#include <algorithm>

namespace vantorel {

QImage scaledToFit(const QImage& image, QSize maximum) {
    if (image.isNull() || maximum.isEmpty())
        return image;
    const double scale = std::min(double(maximum.width()) / image.width(), double(maximum.height()) / image.height());
    if (scale >= 1)
        return image;
    const int w = std::max(1, static_cast<int>(image.width() * scale));
    const int h = std::max(1, static_cast<int>(image.height() * scale));
    QImage scaled = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.isNull() ? image : scaled;
}

} // namespace vantorel
