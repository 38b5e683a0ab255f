// The four ANSI colour schemes and the mapping of (colour code, style) to a scheme colour.
#include "text/text_attributes.h"

namespace {

constexpr vesk_color hex(unsigned rgb) {
  return vesk_color((int32_t)((rgb >> 16) & 255), (int32_t)((rgb >> 8) & 255), (int32_t)(rgb & 255));
}

} // namespace

// Rows: white, red, yellow, green, cyan, blue, purple, default; each dim, normal, bright.
const vesk_color_scheme vesk_color_schemes[vesk_color_scheme_count] = {
    {"default",
     {hex(0x606060), hex(0xA0A0A0), hex(0xFFFFFF), hex(0x550000), hex(0xAA0000), hex(0xFF5555),
      hex(0x774000), hex(0xAA8800), hex(0xFFFF55), hex(0x005500), hex(0x00AA00), hex(0x55FF55),
      hex(0x008060), hex(0x0080AA), hex(0x40FFFF), hex(0x000088), hex(0x0000CC), hex(0x5050FF),
      hex(0x550088), hex(0xAA00CC), hex(0xFF40FF), hex(0x606060), hex(0xA0A0A0), hex(0xFFFFFF)}},
    {"bright",
     {hex(0x404040), hex(0xCCCCCC), hex(0xFFFFFF), hex(0x800000), hex(0xCC0000), hex(0xFF8080),
      hex(0x808000), hex(0xCCCC00), hex(0xFFFF80), hex(0x008000), hex(0x00CC00), hex(0x80FF80),
      hex(0x008080), hex(0x00CCCC), hex(0x80FFFF), hex(0x000080), hex(0x0000CC), hex(0x8080FF),
      hex(0x800080), hex(0xCC00CC), hex(0xFF80FF), hex(0x404040), hex(0xCCCCCC), hex(0xFFFFFF)}},
    {"ZMud-style",
     {hex(0x404040), hex(0x808080), hex(0xFFFFFF), hex(0x400000), hex(0x800000), hex(0xFF0000),
      hex(0x404000), hex(0x808000), hex(0xFFFF00), hex(0x008000), hex(0x00B300), hex(0x00FF00),
      hex(0x004040), hex(0x008080), hex(0x00FFFF), hex(0x000040), hex(0x000080), hex(0x0000FF),
      hex(0x400040), hex(0x800080), hex(0xFF00FF), hex(0x404040), hex(0x808080), hex(0xFFFFFF)}},
    {"GMud-style",
     {hex(0x404040), hex(0xFFFFFF), hex(0x808080), hex(0x400000), hex(0x800000), hex(0xFF0000),
      hex(0x404000), hex(0x808000), hex(0xFFFF00), hex(0x008000), hex(0x00B300), hex(0x00FF00),
      hex(0x004040), hex(0x008080), hex(0x00FFFF), hex(0x000040), hex(0x000080), hex(0x0000FF),
      hex(0x400040), hex(0x800080), hex(0xFF00FF), hex(0x404040), hex(0xFFFFFF), hex(0x808080)}},
};

const vesk_color_scheme *vesk_current_color_scheme = &vesk_color_schemes[0];

bool vesk_select_color_scheme(int index) {
  if (index < 0 || index >= vesk_color_scheme_count)
    return false;
  vesk_current_color_scheme = &vesk_color_schemes[index];
  return true;
}

int vesk_current_color_scheme_index() {
  int index = (int)(vesk_current_color_scheme - vesk_color_schemes);
  return index >= 0 && index < vesk_color_scheme_count ? index : 0;
}

int vesk_scheme_color_of_code(int color_code) {
  switch (color_code) {
  case VESK_CODE_DEFAULT:
    return VESK_SCHEME_DEFAULT;
  case VESK_CODE_RED:
    return VESK_SCHEME_RED;
  case VESK_CODE_GREEN:
    return VESK_SCHEME_GREEN;
  case VESK_CODE_YELLOW:
    return VESK_SCHEME_YELLOW;
  case VESK_CODE_BLUE:
    return VESK_SCHEME_BLUE;
  case VESK_CODE_PURPLE:
    return VESK_SCHEME_PURPLE;
  case VESK_CODE_CYAN:
    return VESK_SCHEME_CYAN;
  case VESK_CODE_WHITE:
    return VESK_SCHEME_WHITE;
  default:
    return -1;
  }
}

int vesk_intensity_of_style(int style) {
  if (style == VESK_STYLE_BRIGHT)
    return VESK_INTENSITY_BRIGHT;
  if (style == VESK_STYLE_DIM)
    return VESK_INTENSITY_DIM;
  return VESK_INTENSITY_NORMAL;
}

bool vesk_scheme_color(const vesk_color_scheme &scheme, int color_code, int style, vesk_color *color) {
  int table = vesk_scheme_color_of_code(color_code);
  if (table < 0) {
    if (color)
      *color = vesk_black;
    return false;
  }
  if (color)
    *color = scheme.colors[table * 3 + vesk_intensity_of_style(style)];
  return true;
}
