// The glyph table of the program's font, its per-byte width table, and the synthetic font that
// engine code and tests draw with when no toolkit is around.
#include "drawing/glyph_font.h"

#include <algorithm>
#include <cstring>

vesk_glyph_font::vesk_glyph_font() : glyphs(glyph_count, vesk_bitmap(0, 0)) {
  std::fill(byte_width, byte_width + 256, 0);
  std::fill(byte_height, byte_height + 256, 0);
}

void vesk_glyph_font::build_glyphs() {}

void vesk_glyph_font::set_point_size(int size) {
  point_size = size;
  build_glyphs();
}

// A byte and the byte 128 above it share the glyph of their low seven bits.
void vesk_glyph_font::refresh_widths(int code) {
  const vesk_bitmap &g = glyphs[size_t(code)];
  const int width = g.is_ok() ? g.width() : 0, height = g.is_ok() ? g.height() : 0;
  byte_width[code] = byte_width[code + 128] = width;
  byte_height[code] = byte_height[code + 128] = height;
}

int vesk_glyph_font::set_glyph(int code, const vesk_bitmap &glyph) {
  if (code < first_code || code > last_code)
    return 0;
  if (glyph.is_ok())
    glyphs[size_t(code)] = glyph;
  else
    glyphs[size_t(code)].destroy();
  refresh_widths(code);
  return 1;
}

void vesk_glyph_font::clear_glyph(int code) {
  if (code < first_code || code > last_code)
    return;
  glyphs[size_t(code)].destroy();
  refresh_widths(code);
}

void vesk_glyph_font::clear_glyphs() {
  for (int code = first_code; code <= last_code; ++code)
    clear_glyph(code);
}

const vesk_bitmap *vesk_glyph_font::get_glyph(int code) const {
  if (code < first_code || code > last_code)
    return nullptr;
  const vesk_bitmap &g = glyphs[size_t(code)];
  return g.is_ok() ? &g : nullptr;
}

void vesk_glyph_font::get_glyph_size(int code, int *width, int *height) const {
  const vesk_bitmap *g = get_glyph(code);
  if (width)
    *width = g ? g->width() : 0;
  if (height)
    *height = g ? g->height() : 0;
}

int vesk_glyph_font::text_width(const char *text, int length) const {
  if (!text)
    return 0;
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  int64_t total = 0;
  for (int i = 0; i < length; ++i)
    total += byte_width[bytes[i]];
  return int(std::min<int64_t>(total, INT32_MAX));
}

vesk_synthetic_font::vesk_synthetic_font(int cell_width, int height)
    : fixed_width(cell_width), rule(nullptr), glyph_height_value(height) {
  point_size = height;
  build_glyphs();
}

vesk_synthetic_font::vesk_synthetic_font(width_rule width_for_code, int height)
    : fixed_width(0), rule(width_for_code), glyph_height_value(height) {
  point_size = height;
  build_glyphs();
}

int vesk_synthetic_font::coverage(int code, int x, int y) {
  if (code == ' ')
    return 0;
  static const int levels[5] = {0, 63, 127, 191, 255};
  return levels[unsigned(code + 3 * x + 5 * y) % 5u];
}

int vesk_synthetic_font::proportional_width(int code) {
  if (code == ' ')
    return 3;
  if (code > 0 && code < 128 && std::strchr("il.,:;'!|`", code))
    return 2;
  if (code > 0 && code < 128 && std::strchr("mwMW@", code))
    return 8;
  return 4 + code % 3;
}

void vesk_synthetic_font::build_glyphs() {
  for (int code = first_code; code <= last_code; ++code) {
    const int width = rule ? rule(code) : fixed_width;
    vesk_bitmap glyph(0, 0);
    if (glyph.create(width, glyph_height_value)) {
      for (int y = 0; y < glyph_height_value; ++y)
        for (int x = 0; x < width; ++x) {
          const int t = coverage(code, x, y);
          glyph.set_rgba(x, y, t, t, t, 255);
        }
    }
    set_glyph(code, glyph);
  }
}
