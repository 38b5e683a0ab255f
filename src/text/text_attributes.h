// Text attributes of a run (colour code, style and the colour they select) and the four fixed
// ANSI colour schemes, shared by the interpreter, the text control and the log export.
#pragma once

#include "drawing/color.h"

// Styles are plain values, not bits: a new style replaces the old one.
enum {
  VESK_STYLE_NORMAL = 0,
  VESK_STYLE_BLINK = 2,
  VESK_STYLE_BRIGHT = 4,
  VESK_STYLE_DIM = 8,
  VESK_STYLE_REVERSE = 16,
};

// Colour codes: 0 is the scheme's default colour, 0x31 to 0x37 the SGR colours 31 to 37 read
// as hexadecimal.
enum {
  VESK_CODE_DEFAULT = 0,
  VESK_CODE_RED = 0x31,
  VESK_CODE_GREEN = 0x32,
  VESK_CODE_YELLOW = 0x33,
  VESK_CODE_BLUE = 0x34,
  VESK_CODE_PURPLE = 0x35,
  VESK_CODE_CYAN = 0x36,
  VESK_CODE_WHITE = 0x37,
};

struct text_attributes {
  int color_code = 0;
  int style = 0;
  vesk_color color;
};

// Table colours, in the order of the scheme tables (index = colour * 3 + intensity).
enum {
  VESK_SCHEME_WHITE = 0,
  VESK_SCHEME_RED = 1,
  VESK_SCHEME_YELLOW = 2,
  VESK_SCHEME_GREEN = 3,
  VESK_SCHEME_CYAN = 4,
  VESK_SCHEME_BLUE = 5,
  VESK_SCHEME_PURPLE = 6,
  VESK_SCHEME_DEFAULT = 7,
};
enum { VESK_INTENSITY_DIM = 0, VESK_INTENSITY_NORMAL = 1, VESK_INTENSITY_BRIGHT = 2 };

struct vesk_color_scheme {
  const char *name;
  vesk_color colors[24];
};

const int vesk_color_scheme_count = 4;
// "default", "bright", "ZMud-style", "GMud-style", in the order of font_colors_setting.
extern const vesk_color_scheme vesk_color_schemes[vesk_color_scheme_count];
// The scheme new text is coloured with; starts at "default".
extern const vesk_color_scheme *vesk_current_color_scheme;

// Makes scheme `index` (0 to 3) current; other values are ignored and return false. Recording
// the choice in font_colors_setting is the caller's business.
bool vesk_select_color_scheme(int index);
// Index of the current scheme, 0 to 3.
int vesk_current_color_scheme_index();

// Table colour of a colour code, or -1 for a code outside the eight listed.
int vesk_scheme_color_of_code(int color_code);
// Intensity a style selects: bright for 4, dim for 8, normal otherwise.
int vesk_intensity_of_style(int style);
// Colour of (code, style) in a scheme; false (and black) for a bad code.
bool vesk_scheme_color(const vesk_color_scheme &scheme, int color_code, int style, vesk_color *color);
