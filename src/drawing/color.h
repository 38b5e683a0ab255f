// The RGB colour record that all drawing uses, and the stock colours the panels name.
// No alpha here: only the bitmap's Clear and ClearAlpha ever write alpha.
#pragma once

#include <cstdint>

struct vesk_color {
  // Each component is meant to be 0 to 255; drawing keeps only the low 8 bits.
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;

  constexpr vesk_color() = default;
  constexpr vesk_color(int32_t r, int32_t g, int32_t b) : red(r), green(g), blue(b) {}

  constexpr bool operator==(const vesk_color &other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
  constexpr bool operator!=(const vesk_color &other) const { return !(*this == other); }
};

// Stock colours. Constant-initialised, so they exist before any code runs.
inline constexpr vesk_color vesk_white{255, 255, 255};
inline constexpr vesk_color vesk_light_grey{192, 192, 192};
inline constexpr vesk_color vesk_grey{128, 128, 128};
inline constexpr vesk_color vesk_dark_grey{64, 64, 64};
inline constexpr vesk_color vesk_black{0, 0, 0};
inline constexpr vesk_color vesk_magenta{255, 0, 255};
inline constexpr vesk_color vesk_blue{0, 0, 255};
inline constexpr vesk_color vesk_cyan{0, 255, 255};
inline constexpr vesk_color vesk_green{0, 255, 0};
inline constexpr vesk_color vesk_yellow{255, 255, 0};
inline constexpr vesk_color vesk_red{255, 0, 0};
