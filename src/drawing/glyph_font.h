// The program's font as the engine sees it: a table of per-character glyph bitmaps that text is
// drawn from, plus the point size. The window side derives from it and renders the glyphs with the
// toolkit; engine code and tests use vesk_synthetic_font.
#pragma once

#include <vector>

#include "drawing/bitmap.h"

class vesk_glyph_font {
public:
  static const int glyph_count = 128;
  static const int first_code = 32; // codes first_code..last_code can hold a glyph
  static const int last_code = 126;

  vesk_glyph_font();
  virtual ~vesk_glyph_font() = default;
  vesk_glyph_font(const vesk_glyph_font &) = default;
  vesk_glyph_font &operator=(const vesk_glyph_font &) = default;

  // Fills the table for 32..126. Here nothing: glyphs come from set_glyph. The toolkit font
  // overrides it to render each character white on black.
  virtual void build_glyphs();
  // Stores the size, then build_glyphs().
  virtual void set_point_size(int size);
  int get_point_size() const { return point_size; }

  // Stores a copy of glyph (coverage in its green channel) for code, replacing the old one. A code
  // outside 32..126 is refused (returns 0); a glyph without pixel data leaves the code empty.
  int set_glyph(int code, const vesk_bitmap &glyph);
  void clear_glyph(int code);
  void clear_glyphs();

  // The glyph of code, or null when it has none (any code outside 32..126).
  const vesk_bitmap *get_glyph(int code) const;
  // The glyph's size for 32..126, (0, 0) otherwise. Either pointer may be null.
  void get_glyph_size(int code, int *width, int *height) const;

  // What DrawText advances for one byte: the width of the glyph of (code mod 128), 0 without one.
  int glyph_width(unsigned char code) const { return byte_width[code]; }
  int glyph_height(unsigned char code) const { return byte_height[code]; }
  // Sum of glyph_width over length bytes (the width GetTextExtent reports).
  int text_width(const char *text, int length) const;

protected:
  int point_size = 0;

private:
  void refresh_widths(int code);

  std::vector<vesk_bitmap> glyphs; // glyph_count entries; no pixel data = no glyph
  int byte_width[256];
  int byte_height[256];
};

// A font whose glyphs are made up, not rendered: every character 32..126 gets a bitmap of its
// width and the font's height holding a fixed coverage pattern (coverage()), the space none.
// Deterministic, so tests can predict every pixel drawn with it.
class vesk_synthetic_font : public vesk_glyph_font {
public:
  typedef int (*width_rule)(int code);

  // Fixed pitch: every character is cell_width x height. The point size starts as height.
  vesk_synthetic_font(int cell_width, int height);
  // Proportional: character c is rule(c) x height; a width below 1 leaves c without a glyph.
  vesk_synthetic_font(width_rule rule, int height);

  void build_glyphs() override;

  // Green value of pixel (x, y) in the glyph of code: 0 for the space, else one of 0, 63, 127,
  // 191 and 255 in a diagonal pattern.
  static int coverage(int code, int x, int y);
  // The stock proportional widths: space 3; "il.,:;'!|`" 2; "mwMW@" 8; others 4 + code % 3.
  static int proportional_width(int code);

private:
  int fixed_width;
  width_rule rule;
  int glyph_height_value;
};
