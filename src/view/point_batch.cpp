// The point arrays of one frame.
#include "view/point_batch.h"

#include <cmath>

PointBatch point_batch;

std::uint8_t unit_to_byte(double v) {
    if (!(v > 0.0)) return 0;  // NaN and negatives
    if (v >= 1.0) return 255;
    return std::uint8_t(std::lround(v * 255.0));
}
