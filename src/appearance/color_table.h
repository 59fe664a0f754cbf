// The 14 named graph colours. Settings and the main window keep a colour as an index into
// this table; the graph and the colour dialog look it up at every use.
#pragma once

#include <array>
#include <cstdint>

namespace k7740 {

struct ColorRgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  friend bool operator==(const ColorRgb&, const ColorRgb&) = default;
};

inline constexpr int kColorCount = 14;

inline constexpr std::array<const char*, kColorCount> kColorNames{
    "Red",        "Green",     "Blue",        "Yellow",       "Magenta",   "Cyan",  "Dark Red",
    "Dark Green", "Dark Blue", "Dark Yellow", "Dark Magenta", "Dark Cyan", "White", "Black",
};

// The colour of a table index. An index outside the table (only a hand-edited settings file
// holds one) gives red = the index's low byte, green = blue = 0.
ColorRgb ColorTableRgb(int index);

}  // namespace k7740
