#pragma once

#include <QImage>
#include <QSize>

namespace vantorel {

// The image reduced to fit within `maximum` pixels: scale = the smaller of
// the two ratios, each side truncated (at least 1), filtered for quality.
// Images that fit already come back unchanged, as does one that cannot be scaled.
QImage scaledToFit(const QImage& image, QSize maximum);

} // namespace vantorel
