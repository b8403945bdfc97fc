#pragma once

#include <QImage>
#include <QSize>

namespace testpictures {

// `picture` scaled down to `size`, each pixel the average of the pixels it covers, those at its
// edges weighed by how much of them it covers; premultiplied.
QImage areaAverage(const QImage& picture, QSize size);

}  // namespace testpictures
