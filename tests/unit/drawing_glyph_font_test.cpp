// Unit tests of the glyph font: the table of codes 32..126, the per-byte width table the text
// buffer measures with, the point-size hook the toolkit font overrides, and the synthetic fonts.
#include "drawing/glyph_font.h"

#include <gtest/gtest.h>

#include <string>

namespace {

vesk_bitmap glyph_of(int w, int h, int green) {
  vesk_bitmap g(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      g.set_rgba(x, y, 0, green, 0, 255);
  return g;
}

} // namespace

TEST(GlyphFont, OnlyPrintableCodesHoldGlyphs) {
  vesk_glyph_font font;
  struct Case {
    int code;
    int accepted;
  } cases[] = {{31, 0}, {32, 1}, {65, 1}, {126, 1}, {127, 0}, {0, 0}, {-1, 0}, {160, 0}, {1000, 0}};
  for (const Case &c : cases) {
    EXPECT_EQ(font.set_glyph(c.code, glyph_of(3, 4, 200)), c.accepted) << c.code;
    int w = -1, h = -1;
    font.get_glyph_size(c.code, &w, &h);
    EXPECT_EQ(w, c.accepted ? 3 : 0) << c.code;
    EXPECT_EQ(h, c.accepted ? 4 : 0) << c.code;
    EXPECT_EQ(font.get_glyph(c.code) != nullptr, c.accepted == 1) << c.code;
  }
}

TEST(GlyphFont, WidthTableFollowsTheGlyphs) {
  vesk_glyph_font font;
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(font.glyph_width((unsigned char)b), 0);
  font.set_glyph('A', glyph_of(5, 9, 255));
  font.set_glyph('~', glyph_of(2, 3, 255));
  struct Case {
    int byte, width, height;
  } cases[] = {{'A', 5, 9}, {'A' + 128, 5, 9}, {'~', 2, 3}, {'~' + 128, 2, 3},
               {'B', 0, 0}, {1, 0, 0},         {127, 0, 0}, {255, 0, 0}};
  for (const Case &c : cases) {
    EXPECT_EQ(font.glyph_width((unsigned char)c.byte), c.width) << c.byte;
    EXPECT_EQ(font.glyph_height((unsigned char)c.byte), c.height) << c.byte;
  }
  EXPECT_EQ(font.text_width("A~\xc1\x01z", 5), 5 + 2 + 5);
  EXPECT_EQ(font.text_width(nullptr, 4), 0);

  // Replacing and clearing keep the table in step.
  font.set_glyph('A', glyph_of(7, 9, 255));
  EXPECT_EQ(font.glyph_width('A' + 128), 7);
  font.set_glyph('A', vesk_bitmap(0, 0));
  EXPECT_EQ(font.get_glyph('A'), nullptr);
  EXPECT_EQ(font.glyph_width('A'), 0);
  font.clear_glyph('~');
  EXPECT_EQ(font.glyph_width('~' + 128), 0);
}

TEST(GlyphFont, GlyphsAreCopiesAndFontsCopyDeeply) {
  vesk_glyph_font font;
  vesk_bitmap g = glyph_of(2, 2, 100);
  font.set_glyph('x', g);
  g.set_rgba(0, 0, 0, 7, 0, 255);
  EXPECT_EQ(font.get_glyph('x')->get_pixel(0, 0).green, 100);

  vesk_glyph_font copy = font;
  font.set_glyph('x', glyph_of(4, 4, 1));
  EXPECT_EQ(copy.get_glyph('x')->width(), 2);
  EXPECT_EQ(copy.glyph_width('x'), 2);
  EXPECT_EQ(font.glyph_width('x'), 4);
}

// The toolkit font changes size by overriding the hooks; set_point_size must store the size and
// rebuild through the override.
TEST(GlyphFont, SetPointSizeRebuildsThroughTheOverride) {
  struct counting_font : vesk_glyph_font {
    int builds = 0;
    void build_glyphs() override {
      ++builds;
      set_glyph('a', glyph_of(get_point_size(), 2, 255));
    }
  } font;
  vesk_glyph_font &base = font;
  base.set_point_size(6);
  EXPECT_EQ(font.builds, 1);
  EXPECT_EQ(font.get_point_size(), 6);
  EXPECT_EQ(font.glyph_width('a'), 6);
  base.set_point_size(9);
  EXPECT_EQ(font.glyph_width('a'), 9);
}

TEST(SyntheticFont, FixedPitch) {
  vesk_synthetic_font font(6, 13);
  EXPECT_EQ(font.get_point_size(), 13);
  for (int code = 0; code < 128; ++code) {
    int w = 0, h = 0;
    font.get_glyph_size(code, &w, &h);
    const bool printable = code >= 32 && code <= 126;
    EXPECT_EQ(w, printable ? 6 : 0) << code;
    EXPECT_EQ(h, printable ? 13 : 0) << code;
  }
  // The space is blank; other glyphs carry the pattern in green.
  const vesk_bitmap *space = font.get_glyph(' ');
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(space->get_pixel(x, y).green, 0);
  const vesk_bitmap *k = font.get_glyph('k');
  bool seen[256] = {};
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 6; ++x) {
      const int t = k->get_pixel(x, y).green;
      EXPECT_EQ(t, vesk_synthetic_font::coverage('k', x, y));
      seen[t] = true;
    }
  for (int t : {0, 63, 127, 191, 255})
    EXPECT_TRUE(seen[t]) << t;
  // Rebuilding gives the same glyphs.
  vesk_synthetic_font again(6, 13);
  again.set_point_size(20);
  EXPECT_TRUE(again.get_glyph('k')->same_pixels(*k));
}

TEST(SyntheticFont, Proportional) {
  vesk_synthetic_font font(vesk_synthetic_font::proportional_width, 10);
  struct Case {
    char c;
    int width;
  } cases[] = {{' ', 3}, {'i', 2}, {'.', 2}, {'m', 8}, {'W', 8}, {'A', 6}, {'B', 4}, {'C', 5}};
  for (const Case &c : cases)
    EXPECT_EQ(font.glyph_width((unsigned char)c.c), c.width) << c.c;
  EXPECT_EQ(font.text_width("mil", 3), 12);

  // A rule giving no width leaves the code without a glyph.
  vesk_synthetic_font sparse([](int code) { return code == 'x' ? 4 : 0; }, 5);
  EXPECT_NE(sparse.get_glyph('x'), nullptr);
  EXPECT_EQ(sparse.get_glyph('y'), nullptr);
  EXPECT_EQ(sparse.glyph_width('y'), 0);
}
