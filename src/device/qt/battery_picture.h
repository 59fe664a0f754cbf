// The battery window's four pictures, drawn rather than loaded: an upright battery with a
// terminal on top and three segments, grey when empty and orange when filled from the bottom.
#pragma once

#include <QImage>

namespace k7740 {

inline constexpr int kBatteryPictureWidth = 48;
inline constexpr int kBatteryPictureHeight = 110;

// filledSegments 0..3 (clamped).
QImage DrawBatteryPicture(int filledSegments);

}  // namespace k7740
