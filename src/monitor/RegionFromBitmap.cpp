#include "RegionFromBitmap.h"

namespace moravel::monitor {

QRegion RegionFromBitmap(const QImage& image, const QColor& key) {
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const QRgb keyRgb = key.rgb() & RGB_MASK;
    const int width = pixels.width();
    QRegion region;
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] & RGB_MASK) == keyRgb)
                ++x;
            const int start = x;
            while (x < width && (row[x] & RGB_MASK) != keyRgb)
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

} // namespace moravel::monitor
