#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>

namespace moravel::monitor {

// The region of every pixel of the image whose colour is not the key colour: per row, one
// rectangle for each run of such pixels. Given to a window as its mask, it makes the key
// colour see-through and lets clicks on it pass to what lies below.
QRegion RegionFromBitmap(const QImage& image, const QColor& key);

} // namespace moravel::monitor
