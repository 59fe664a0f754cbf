#include "appearance/color_table.h"

#include <cstddef>

namespace k7740 {

namespace {

constexpr std::array<ColorRgb, kColorCount> kColorTable{{
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 255, 0},
    {255, 0, 255},
    {0, 255, 255},
    {128, 0, 0},
    {0, 128, 0},
    {0, 0, 128},
    {128, 128, 0},
    {128, 0, 128},
    {0, 128, 128},
    {255, 255, 255},
    {0, 0, 0},
}};

}  // namespace

ColorRgb ColorTableRgb(int index) {
  if (index >= 0 && index < kColorCount) return kColorTable[static_cast<std::size_t>(index)];
  return {static_cast<uint8_t>(index & 0xFF), 0, 0};
}

}  // namespace k7740
