// Unit tests of vesk_bitmap: exact pixel results of each primitive, clipping at every edge,
// the alpha rule, the error messages, and text drawn from a glyph font.
#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "log_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable colours in failure messages.
void PrintTo(const vesk_color &c, std::ostream *os) {
  *os << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

namespace {

const vesk_color kBack(10, 20, 30);
const vesk_color kInk(200, 100, 50);
const vesk_color kFill(0, 90, 180);

// A picture of the bitmap, one string per row: each pixel shown by the character of the first
// legend colour it equals, '?' for any other.
std::vector<std::string> picture(const vesk_bitmap &b,
                                 const std::vector<std::pair<vesk_color, char>> &legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.height(); ++y) {
    std::string row;
    for (int x = 0; x < b.width(); ++x) {
      char c = '?';
      for (const auto &entry : legend)
        if (b.get_pixel(x, y) == entry.first) {
          c = entry.second;
          break;
        }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

vesk_bitmap filled(int w, int h, const vesk_color &c) {
  vesk_bitmap b(w, h);
  b.Clear(c);
  return b;
}

// Every pixel different, so any stray write shows.
void fill_pattern(vesk_bitmap &b, int ox, int oy) {
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      b.set_rgba(x, y, (x + ox) * 7 + 3, (y + oy) * 11 + 5, (x + ox + y + oy) * 5, 255);
}

// The walk exactly as described: step by step from the end with the smaller coordinate on the
// longer axis, every pixel through SetPixel.
void reference_line(vesk_bitmap &b, int x1, int y1, int x2, int y2, const vesk_color &c) {
  int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  if (dx >= dy) {
    if (x1 > x2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    int err = dx / 2, y = y1, ystep = y2 > y1 ? 1 : -1;
    for (int x = x1; x <= x2; ++x) {
      b.SetPixel(x, y, c);
      err -= dy;
      if (err < 0) {
        y += ystep;
        err += dx;
      }
    }
  } else {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    int err = dy / 2, x = x1, xstep = x2 > x1 ? 1 : -1;
    for (int y = y1; y <= y2; ++y) {
      b.SetPixel(x, y, c);
      err -= dx;
      if (err < 0) {
        x += xstep;
        err += dy;
      }
    }
  }
}

} // namespace

TEST(BitmapCreate, DefaultsAndLimits) {
  vesk_bitmap b;
  EXPECT_EQ(b.width(), 16);
  EXPECT_EQ(b.height(), 16);
  EXPECT_EQ(b.stride(), 64);
  EXPECT_EQ(b.get_alpha(15, 15), 255);
  EXPECT_EQ(b.get_pixel(3, 4), vesk_black);

  EXPECT_EQ(b.create(1, 1), 1);
  EXPECT_EQ(b.width(), 1);
  EXPECT_EQ(b.get_alpha(0, 0), 255);

  struct { int w, h; } refused[] = {{0, 5}, {5, 0}, {-3, 4}, {vesk_bitmap::max_side + 1, 1},
                                    {65536, 65536}};
  for (auto c : refused) {
    EXPECT_EQ(b.create(c.w, c.h), 0) << c.w << "x" << c.h;
    EXPECT_FALSE(b.is_ok());
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.data(), nullptr);
  }
}

TEST(BitmapCreate, BytesAreRedGreenBlueAlpha) {
  vesk_bitmap b(2, 2);
  b.Clear(vesk_color(1, 2, 3));
  b.SetPixel(1, 1, 9, 8, 7);
  const uint8_t *p = b.data();
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 3);
  EXPECT_EQ(p[3], 255);
  const uint8_t *q = p + b.stride() + 4;
  EXPECT_EQ(q[0], 9);
  EXPECT_EQ(q[1], 8);
  EXPECT_EQ(q[2], 7);
}

TEST(BitmapPixels, SetPixelIgnoredOutside) {
  vesk_bitmap b = filled(4, 3, kBack);
  vesk_bitmap before = b;
  const int outside[][2] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT_MIN, 1}, {1, INT_MAX}};
  for (auto &p : outside)
    b.SetPixel(p[0], p[1], kInk);
  EXPECT_TRUE(b.same_pixels(before));
  b.SetPixel(3, 2, kInk);
  EXPECT_EQ(b.get_pixel(3, 2), kInk);
}

TEST(BitmapPixels, OnlyClearAndClearAlphaWriteAlpha) {
  vesk_synthetic_font font(3, 4);
  vesk_bitmap src(3, 3);
  const std::vector<std::function<void(vesk_bitmap &)>> draws = {
      [](vesk_bitmap &b) { b.SetPixel(1, 1, kInk); },
      [](vesk_bitmap &b) { b.DrawLine(0, 0, 7, 5, kInk); },
      [](vesk_bitmap &b) { b.DrawGradientLine(0, 0, 7, 5, kInk, kFill); },
      [](vesk_bitmap &b) { b.DrawFilledRectangle(0, 0, 7, 7, kInk); },
      [](vesk_bitmap &b) { b.DrawXGradientRectangle(0, 0, 7, 7, kInk, kFill); },
      [](vesk_bitmap &b) { b.DrawYGradientRectangle(0, 0, 7, 7, kInk, kFill); },
      [](vesk_bitmap &b) { b.DrawFilledCircle(4, 4, 3, kInk); },
      [](vesk_bitmap &b) {
        vesk_point p[3] = {{0, 0}, {7, 3}, {2, 7}};
        b.DrawPolygon(3, p, 0, 0, kInk, kFill);
      },
      [](vesk_bitmap &b) { b.DrawFrame(8, 8, VESK_FRAME_ALL); },
      [](vesk_bitmap &b) { b.DrawBorder(kInk, 8, 8); },
      [&](vesk_bitmap &b) { b.DrawBitmapIgnoreAlpha(src, 2, 2); },
      [&](vesk_bitmap &b) { b.DrawBitmapUseAlpha(src, 2, 2); },
      [&](vesk_bitmap &b) { b.DrawText(font, "Ab", 1, 1, kInk, kFill); },
      [&](vesk_bitmap &b) { b.DrawTextTransparent(font, "Ab", 1, 1, kInk); },
  };
  src.set_rgba(0, 0, 1, 2, 3, 0);
  for (size_t i = 0; i < draws.size(); ++i) {
    vesk_bitmap b(8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        b.set_rgba(x, y, 0, 0, 0, 77);
    draws[i](b);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(b.get_alpha(x, y), 77) << "draw " << i << " at " << x << "," << y;
  }
  vesk_bitmap b(2, 1);
  b.set_rgba(0, 0, 5, 6, 7, 0);
  b.ClearAlpha();
  EXPECT_EQ(b.get_alpha(0, 0), 255);
  EXPECT_EQ(b.get_pixel(0, 0), vesk_color(5, 6, 7));
  b.set_rgba(1, 0, 5, 6, 7, 0);
  b.Clear(kInk);
  EXPECT_EQ(b.get_alpha(1, 0), 255);
  EXPECT_EQ(b.get_pixel(1, 0), kInk);
}

TEST(BitmapErrors, PrimitivesWithoutPixelDataLogAndSkip) {
  scoped_debug_log log(2);
  vesk_bitmap empty(0, 0);
  vesk_bitmap good(2, 2);
  vesk_bitmap good_before = good;
  empty.Clear(kInk);
  empty.ClearAlpha();
  empty.DrawFilledCircle(0, 0, 3, kInk);
  empty.DrawFilledRectangle(0, 0, 3, 3, kInk);
  empty.DrawXGradientRectangle(0, 0, 3, 3, kInk, kFill);
  empty.DrawYGradientRectangle(0, 0, 3, 3, kInk, kFill);
  good.DrawTextGlyph(empty, 0, 0, kInk, kFill);
  empty.DrawTextGlyph(good, 0, 0, kInk, kFill);
  good.DrawTextGlyphTransparent(empty, 0, 0, kInk);
  empty.DrawTextGlyphTransparent(good, 0, 0, kInk);
  good.DrawBitmapIgnoreAlpha(empty, 0, 0);
  empty.DrawBitmapIgnoreAlpha(good, 0, 0);
  good.DrawBitmapUseAlpha(empty, 0, 0);
  empty.DrawBitmapUseAlpha(good, 0, 0);
  EXPECT_TRUE(good.same_pixels(good_before));
  const char *expected[] = {
      "Error in vesk_bitmap::Clear(), pixel data failed?\n",
      "Error in vesk_bitmap::ClearAlpha(), pixel data failed?\n",
      "Error in vesk_bitmap::DrawFilledCircle(), pixel data failed?\n",
      "Error in vesk_bitmap::DrawFilledRectangle(), pixel data failed?\n",
      "Error in vesk_bitmap::DrawXGradientRectangle(), pixel data failed?\n",
      "Error in vesk_bitmap::DrawYGradientRectangle(), pixel data failed?\n",
      "Error in vesk_bitmap::DrawTextGlyph(), pixel data src failed?\n",
      "Error in vesk_bitmap::DrawTextGlyph(), pixel data dest failed?\n",
      "Error in vesk_bitmap::DrawTextGlyphTransparent(), pixel data src failed?\n",
      "Error in vesk_bitmap::DrawTextGlyphTransparent(), pixel data dest failed?\n",
      "Error in vesk_bitmap::DrawBitmapIgnoreAlpha(), pixel data src failed?\n",
      "Error in vesk_bitmap::DrawBitmapIgnoreAlpha(), pixel data dest failed?\n",
      "Error in vesk_bitmap::DrawBitmapUseAlpha(), pixel data src failed?\n",
      "Error in vesk_bitmap::DrawBitmapUseAlpha(), pixel data dest failed?\n",
  };
  std::string all;
  for (const char *e : expected)
    all += e;
  EXPECT_EQ(log.text(), all);
}

TEST(BitmapErrors, PixelDataMessagesNeedLevelAboveOne) {
  scoped_debug_log log(1);
  vesk_bitmap empty(0, 0);
  empty.Clear(kInk);
  empty.DrawFilledRectangle(0, 0, 1, 1, kInk);
  EXPECT_EQ(log.text(), "");
}

TEST(BitmapRectangle, CornersInAnyOrder) {
  const int corners[][4] = {{5, 5, 2, 2}, {2, 2, 5, 5}, {5, 2, 2, 5}, {2, 5, 5, 2}};
  const std::vector<std::string> expected = {
      "........", "........", "..####..", "..####..", "..####..", "..####..", "........",
  };
  for (auto &c : corners) {
    vesk_bitmap b = filled(8, 7, kBack);
    b.DrawFilledRectangle(c[0], c[1], c[2], c[3], kInk);
    EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, '#'}}), expected)
        << c[0] << "," << c[1] << "," << c[2] << "," << c[3];
  }
}

TEST(BitmapLine, PixelSets) {
  struct Case {
    int x1, y1, x2, y2;
    std::vector<std::string> rows;
  } cases[] = {
      {0, 0, 3, 1, {"##...", "..##.", ".....", "....."}},
      {3, 1, 0, 0, {"##...", "..##.", ".....", "....."}},
      {2, 2, 2, 2, {".....", ".....", "..#..", "....."}},
      {0, 0, 1, 3, {"#....", "#....", ".#...", ".#..."}},
      {1, 3, 0, 0, {"#....", "#....", ".#...", ".#..."}},
      {0, 3, 3, 0, {"...#.", "..#..", ".#...", "#...."}},
      {4, 2, 0, 2, {".....", ".....", "#####", "....."}},
      {4, 0, 4, 3, {"....#", "....#", "....#", "....#"}},
      // Far ends: only the visible steps are drawn, on the same pixels as the full walk.
      {INT_MIN, 0, INT_MAX, 0, {"#####", ".....", ".....", "....."}},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, {"#....", ".#...", "..#..", "...#."}},
  };
  for (const Case &c : cases) {
    vesk_bitmap b = filled(5, 4, kBack);
    b.DrawLine(c.x1, c.y1, c.x2, c.y2, kInk);
    EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, '#'}}), c.rows)
        << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
  }
}

// The clipped walk must set exactly the pixels a naive walk with per-pixel clipping sets, for
// lines that start, end or pass outside on every side.
TEST(BitmapLine, ClippedWalkMatchesStepByStepWalk) {
  uint32_t state = 12345;
  auto next = [&](int n) {
    state = state * 1664525u + 1013904223u;
    return int((state >> 8) % uint32_t(n));
  };
  for (int i = 0; i < 3000; ++i) {
    const int range = i < 1500 ? 40 : 3000;
    int c[4];
    for (int &v : c)
      v = next(2 * range + 1) - range + 10;
    vesk_bitmap fast = filled(20, 13, kBack), slow = filled(20, 13, kBack);
    fast.DrawLine(c[0], c[1], c[2], c[3], kInk);
    reference_line(slow, c[0], c[1], c[2], c[3], kInk);
    ASSERT_TRUE(fast.same_pixels(slow)) << c[0] << "," << c[1] << " to " << c[2] << "," << c[3];
  }
}

TEST(BitmapGradientLine, ValuesAndDirection) {
  struct Case {
    int x1, x2;
    int expected[6]; // red of columns 0..5, -1 = untouched
  } cases[] = {
      {0, 3, {0, 63, 127, 191, -1, -1}},      // step 255*256/4
      {3, 0, {191, 127, 63, 0, -1, -1}},      // walks from the first point
      {-2, 3, {85, 127, 170, 212, -1, -1}},   // step 255*256/6, first two steps hidden
      {2, 2, {-1, -1, 0, -1, -1, -1}},        // one pixel in the first colour
      {5, 5000, {-1, -1, -1, -1, -1, 0}},     // step 0 over a long line
  };
  for (const Case &c : cases) {
    vesk_bitmap b = filled(6, 1, vesk_color(7, 7, 7));
    b.DrawGradientLine(c.x1, 0, c.x2, 0, vesk_black, vesk_white);
    for (int x = 0; x < 6; ++x) {
      const vesk_color p = b.get_pixel(x, 0);
      if (c.expected[x] < 0)
        EXPECT_EQ(p, vesk_color(7, 7, 7)) << c.x1 << "->" << c.x2 << " column " << x;
      else
        EXPECT_EQ(p, vesk_color(c.expected[x], c.expected[x], c.expected[x]))
            << c.x1 << "->" << c.x2 << " column " << x;
    }
  }
  // Steep: the same walk along y, the other axis following the error term.
  vesk_bitmap b = filled(2, 4, kBack);
  b.DrawGradientLine(0, 0, 1, 3, vesk_color(0, 0, 0), vesk_color(0, 255, 0));
  EXPECT_EQ(b.get_pixel(0, 0), vesk_color(0, 0, 0));
  EXPECT_EQ(b.get_pixel(0, 1), vesk_color(0, 63, 0));
  EXPECT_EQ(b.get_pixel(1, 2), vesk_color(0, 127, 0));
  EXPECT_EQ(b.get_pixel(1, 3), vesk_color(0, 191, 0));
  EXPECT_EQ(b.get_pixel(1, 0), kBack);
}

TEST(BitmapGradientRectangle, ValuesAcrossAndDown) {
  // Three columns from black to white: the last falls short of white.
  vesk_bitmap x = filled(5, 3, kBack);
  x.DrawXGradientRectangle(3, 2, 1, 0, vesk_black, vesk_white);
  vesk_bitmap y = filled(3, 5, kBack);
  y.DrawYGradientRectangle(2, 3, 0, 1, vesk_black, vesk_white);
  const int values[3] = {63, 127, 191};
  for (int k = 0; k < 3; ++k) {
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(x.get_pixel(1 + k, r), vesk_color(values[k], values[k], values[k]));
      EXPECT_EQ(y.get_pixel(r, 1 + k), vesk_color(values[k], values[k], values[k]));
    }
    EXPECT_EQ(x.get_pixel(0, k), kBack);
    EXPECT_EQ(x.get_pixel(4, k), kBack);
    EXPECT_EQ(y.get_pixel(k, 0), kBack);
    EXPECT_EQ(y.get_pixel(k, 4), kBack);
  }
  // Falling gradient and per-component steps over 2 columns: n = 3, steps -/+ 255 * 256 / 3.
  vesk_bitmap f = filled(2, 1, kBack);
  f.DrawXGradientRectangle(0, 0, 1, 0, vesk_color(255, 0, 100), vesk_color(0, 255, 100));
  EXPECT_EQ(f.get_pixel(0, 0), vesk_color(170, 85, 100));
  EXPECT_EQ(f.get_pixel(1, 0), vesk_color(85, 170, 100));
}

TEST(BitmapGradientRectangle, ClippedGradientKeepsItsColours) {
  // Columns -1..1 black to white: the visible columns keep the colours they have unclipped.
  vesk_bitmap b = filled(4, 2, kBack);
  b.DrawXGradientRectangle(-1, 0, 1, 5, vesk_black, vesk_white);
  EXPECT_EQ(b.get_pixel(0, 0), vesk_color(127, 127, 127));
  EXPECT_EQ(b.get_pixel(1, 1), vesk_color(191, 191, 191));
  EXPECT_EQ(b.get_pixel(2, 0), kBack);
  vesk_bitmap c = filled(2, 4, kBack);
  c.DrawYGradientRectangle(0, -2, 0, 0, vesk_black, vesk_white);
  EXPECT_EQ(c.get_pixel(0, 0), vesk_color(191, 191, 191));
  EXPECT_EQ(c.get_pixel(1, 0), kBack);
  EXPECT_EQ(c.get_pixel(0, 1), kBack);
}

TEST(BitmapCircle, Rows) {
  struct Case {
    int x, y, r;
    std::vector<std::string> rows;
  } cases[] = {
      {3, 3, 2, {".......", "..###..", ".#####.", ".#####.", ".#####.", "..###..", "......."}},
      {3, 3, 0, {".......", ".......", ".......", "...#...", ".......", ".......", "......."}},
      {3, 3, -5, {".......", ".......", ".......", "...#...", ".......", ".......", "......."}},
      {0, 0, 2, {"###....", "###....", "##.....", ".......", ".......", ".......", "......."}},
      {6, 7, 1, {".......", ".......", ".......", ".......", ".......", ".......", ".....##"}},
      {3, 3, INT_MAX, {"#######", "#######", "#######", "#######", "#######", "#######",
                       "#######"}},
  };
  for (const Case &c : cases) {
    vesk_bitmap b = filled(7, 7, kBack);
    b.DrawFilledCircle(c.x, c.y, c.r, kInk);
    EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, '#'}}), c.rows) << c.x << "," << c.y << " r " << c.r;
  }
}

TEST(BitmapPolygon, TriangleRowsAndOffset) {
  const vesk_point tri[3] = {{0, 0}, {4, 4}, {0, 4}};
  // Rows 1..4 are filled from 0 to y; the outline then covers column 0, the diagonal and row 4,
  // and row 0 has the outline only.
  const std::vector<std::string> expected = {
      "o......", "oo.....", "ofo....", "offo...", "ooooo..", ".......",
  };
  vesk_bitmap b = filled(7, 6, kBack);
  b.DrawPolygon(3, tri, 0, 0, kInk, kFill);
  EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, 'o'}, {kFill, 'f'}}), expected);

  vesk_bitmap shifted = filled(7, 6, kBack);
  shifted.DrawPolygon(3, tri, 2, 1, kInk, kFill);
  const std::vector<std::string> moved = {
      ".......", "..o....", "..oo...", "..ofo..", "..offo.", "..ooooo",
  };
  EXPECT_EQ(picture(shifted, {{kBack, '.'}, {kInk, 'o'}, {kFill, 'f'}}), moved);

  // With the outline in the background colour the fill itself shows: nothing on its top row.
  vesk_bitmap fill_only = filled(7, 6, kBack);
  fill_only.DrawPolygon(3, tri, 0, 0, vesk_color(1, 1, 1), kFill);
  for (int y = 1; y <= 3; ++y)
    for (int x = 1; x < y; ++x)
      EXPECT_EQ(fill_only.get_pixel(x, y), kFill) << x << "," << y;
}

TEST(BitmapPolygon, ConcaveShapePairsEdges) {
  // A "U": the notch between x = 2 and x = 4 from row 3 down stays empty.
  const vesk_point u[8] = {{0, 0}, {6, 0}, {6, 6}, {4, 6}, {4, 2}, {2, 2}, {2, 6}, {0, 6}};
  vesk_bitmap b = filled(8, 8, kBack);
  b.DrawPolygon(8, u, 0, 0, kInk, kFill);
  const std::vector<std::string> expected = {
      "ooooooo.", "offfffo.", "ofooofo.", "ofo.ofo.", "ofo.ofo.", "ofo.ofo.", "ooo.ooo.",
      "........",
  };
  EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, 'o'}, {kFill, 'f'}}), expected);
}

TEST(BitmapPolygon, PointCountLimits) {
  std::vector<vesk_point> many(1000);
  for (int i = 0; i < 1000; ++i)
    many[size_t(i)] = {i % 7, (i * 3) % 5};
  {
    scoped_debug_log log(1);
    vesk_bitmap b = filled(8, 8, kBack);
    vesk_bitmap before = b;
    b.DrawPolygon(1000, many.data(), 0, 0, kInk, kFill);
    b.DrawPolygon(2, many.data(), 0, 0, kInk, kFill);
    EXPECT_TRUE(b.same_pixels(before));
    EXPECT_EQ(log.text(),
              "Error in vesk_bitmap::DrawPolygon(), got 1000 points, max is 1000.\n"
              "Error in vesk_bitmap::DrawPolygon(), only got 2 points, need a minimum of 3.\n");
    b.DrawPolygon(999, many.data(), 0, 0, kInk, kFill);
    EXPECT_FALSE(b.same_pixels(before));
  }
  {
    scoped_debug_log log(0);
    vesk_bitmap b(4, 4);
    b.DrawPolygon(1000, many.data(), 0, 0, kInk, kFill);
    EXPECT_EQ(log.text(), "");
  }
}

TEST(BitmapFrame, Sides) {
  const vesk_color W = vesk_white, G = vesk_grey;
  struct Case {
    int sides;
    bool coloured;
    std::vector<std::string> rows;
  } cases[] = {
      {VESK_FRAME_LEFT, false, {"WG....", "WG....", "WG....", "WG...."}},
      {VESK_FRAME_RIGHT, false, {"....GW", "....GW", "....GW", "....GW"}},
      {VESK_FRAME_TOP, false, {"WWWWWW", "......", "......", "......"}},
      {VESK_FRAME_BOTTOM, false, {"......", "......", "......", "WWWWWW"}},
      {VESK_FRAME_ALL, false, {"WWWWWW", "WG..GW", "WG..GW", "WWWWWW"}},
      {VESK_FRAME_LEFT | VESK_FRAME_BOTTOM, true, {"cc....", "cc....", "cc....", "cccccc"}},
      {VESK_FRAME_RIGHT | VESK_FRAME_TOP, true, {"cccccc", "....cc", "....cc", "....cc"}},
      {0, true, {"......", "......", "......", "......"}},
  };
  for (const Case &c : cases) {
    vesk_bitmap b = filled(7, 5, kBack);
    if (c.coloured)
      b.DrawFrame(6, 4, c.sides, kInk);
    else
      b.DrawFrame(6, 4, c.sides);
    std::vector<std::string> rows = picture(b, {{kBack, '.'}, {W, 'W'}, {G, 'G'}, {kInk, 'c'}});
    // The area is 6 x 4 inside a 7 x 5 bitmap: the last column and row stay untouched.
    EXPECT_EQ(rows[4], ".......") << c.sides;
    for (auto &r : rows) {
      EXPECT_EQ(r.back(), '.') << c.sides;
      r.pop_back();
    }
    rows.pop_back();
    EXPECT_EQ(rows, c.rows) << "sides " << c.sides;
  }
}

TEST(BitmapBorder, CutCorners) {
  vesk_bitmap b = filled(6, 5, kBack);
  b.DrawBorder(kInk, 5, 4);
  EXPECT_EQ(picture(b, {{kBack, '.'}, {kInk, '#'}, {vesk_black, 'k'}}),
            (std::vector<std::string>{"k###k.", "#...#.", "#...#.", "k###k.", "......"}));
}

TEST(BitmapBevel, Modes) {
  const vesk_color face(100, 50, 200);
  const vesk_color light(198, 123, 255), dark(50, 25, 100);
  const std::vector<std::string> raised = {
      "cLLLLLc", "LLLLLDc", "LLccDDc", "LLDDDDc", "LDDDDDc", "ccccccc",
  };
  struct Case {
    int mode;
    bool raised;
  } cases[] = {{VESK_BEVEL_RAISED, true}, {VESK_BEVEL_SUNKEN, false}, {7, false}, {-1, false}};
  for (const Case &c : cases) {
    vesk_bitmap b = filled(7, 6, kBack);
    b.DrawBevel(face, 6, 5, c.mode);
    const auto legend = c.raised
                            ? std::vector<std::pair<vesk_color, char>>{{face, 'c'}, {light, 'L'}, {dark, 'D'}}
                            : std::vector<std::pair<vesk_color, char>>{{face, 'c'}, {dark, 'L'}, {light, 'D'}};
    EXPECT_EQ(picture(b, legend), raised) << "mode " << c.mode;
  }
  vesk_bitmap flat = filled(7, 6, kBack);
  flat.DrawBevel(face, 6, 5, VESK_BEVEL_NONE);
  EXPECT_TRUE(flat.same_pixels(filled(7, 6, face)));
}

TEST(BitmapCopy, IgnoreAlphaAndUseAlpha) {
  vesk_bitmap src(3, 1);
  src.set_rgba(0, 0, 255, 255, 255, 128);
  src.set_rgba(1, 0, 200, 100, 50, 0);
  src.set_rgba(2, 0, 255, 255, 255, 255);

  vesk_bitmap over_white = filled(4, 1, vesk_white);
  over_white.set_rgba(3, 0, 255, 255, 255, 9);
  over_white.DrawBitmapUseAlpha(src, 1, 0);
  EXPECT_EQ(over_white.get_pixel(0, 0), vesk_white);
  EXPECT_EQ(over_white.get_pixel(1, 0), vesk_color(127, 127, 127)); // half-transparent white
  EXPECT_EQ(over_white.get_pixel(2, 0), vesk_black);                 // nothing shows through
  EXPECT_EQ(over_white.get_pixel(3, 0), vesk_color(254, 254, 254)); // alpha 255 is 255/256
  EXPECT_EQ(over_white.get_alpha(3, 0), 9);

  vesk_bitmap plain = filled(4, 1, vesk_white);
  plain.set_rgba(2, 0, 1, 1, 1, 9);
  plain.DrawBitmapIgnoreAlpha(src, 1, 0);
  EXPECT_EQ(plain.get_pixel(1, 0), vesk_white);
  EXPECT_EQ(plain.get_pixel(2, 0), vesk_color(200, 100, 50));
  EXPECT_EQ(plain.get_alpha(2, 0), 9);

  // Onto itself, shifted: reads the picture as it was before the copy.
  vesk_bitmap self(4, 1);
  for (int x = 0; x < 4; ++x)
    self.set_rgba(x, 0, x * 10, 0, 0, 255);
  self.DrawBitmapIgnoreAlpha(self, 1, 0);
  EXPECT_EQ(self.get_pixel(1, 0).red, 0);
  EXPECT_EQ(self.get_pixel(2, 0).red, 10);
  EXPECT_EQ(self.get_pixel(3, 0).red, 20);
}

TEST(BitmapGlyph, BlendingFormulas) {
  struct Case {
    int t;
    vesk_color colour, other; // foreground / background, or colour / destination
    vesk_color opaque, transparent;
  } cases[] = {
      {0, {200, 100, 50}, {10, 20, 30}, {10, 20, 30}, {10, 20, 30}},
      {255, {255, 255, 255}, {0, 0, 0}, {254, 254, 254}, {254, 254, 254}},
      {128, {200, 100, 50}, {100, 20, 250}, {149, 59, 149}, {149, 59, 149}},
      {1, {255, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {63, {0, 0, 0}, {255, 255, 255}, {191, 191, 191}, {191, 191, 191}},
  };
  for (const Case &c : cases) {
    vesk_bitmap glyph(1, 1);
    // Only green carries the coverage.
    glyph.set_rgba(0, 0, 255 - c.t, c.t, 77, 0);
    vesk_bitmap opaque = filled(1, 1, vesk_color(1, 2, 3));
    opaque.DrawTextGlyph(glyph, 0, 0, c.colour, c.other);
    EXPECT_EQ(opaque.get_pixel(0, 0), c.opaque) << "t " << c.t;
    vesk_bitmap transparent = filled(1, 1, c.other);
    transparent.DrawTextGlyphTransparent(glyph, 0, 0, c.colour);
    EXPECT_EQ(transparent.get_pixel(0, 0), c.transparent) << "t " << c.t;
  }
}

TEST(BitmapGlyph, OpaquePaintsWholeRectangleTransparentOnlyInk) {
  vesk_bitmap glyph(3, 2);
  glyph.set_rgba(1, 0, 0, 255, 0, 255);
  glyph.set_rgba(2, 1, 0, 255, 0, 255);
  vesk_bitmap a = filled(5, 4, kBack);
  a.DrawTextGlyph(glyph, 1, 1, vesk_white, vesk_blue);
  const vesk_color ink(254, 254, 254);
  EXPECT_EQ(picture(a, {{kBack, '.'}, {vesk_blue, 'b'}, {ink, '#'}}),
            (std::vector<std::string>{".....", ".b#b.", ".bb#.", "....."}));
  vesk_bitmap t = filled(5, 4, kBack);
  t.DrawTextGlyphTransparent(glyph, 1, 1, vesk_white);
  EXPECT_EQ(picture(t, {{kBack, '.'}, {vesk_color(254, 254, 254), '#'}}),
            (std::vector<std::string>{".....", "..#..", "...#.", "....."}));
}

// Any primitive drawn on a small bitmap must give exactly the pixels that the same primitive,
// shifted, gives on a large one: clipping never changes what is drawn where it is visible, and
// never touches anything outside (AddressSanitizer watches the writes).
TEST(BitmapClipping, SmallBitmapIsAWindowOntoALargeOne) {
  const int S = 12, O = 30, L = S + 2 * O;
  vesk_synthetic_font fixed(5, 7);
  vesk_synthetic_font prop(vesk_synthetic_font::proportional_width, 9);
  vesk_bitmap src(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      src.set_rgba(x, y, x * 30, y * 50, 99, (x * 37 + y * 11) % 256);
  vesk_bitmap glyph(4, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x)
      glyph.set_rgba(x, y, 0, (x + y * 4) * 17 % 256, 0, 255);

  typedef std::function<void(vesk_bitmap &, int, int)> draw;
  struct Case {
    const char *name;
    draw fn;
  } cases[] = {
      {"pixel", [](vesk_bitmap &b, int o, int) { b.SetPixel(o + 11, o + 11, kInk); }},
      {"line", [](vesk_bitmap &b, int o, int) { b.DrawLine(o - 20, o - 3, o + 25, o + 14, kInk); }},
      {"steep line", [](vesk_bitmap &b, int o, int) { b.DrawLine(o + 2, o + 29, o + 9, o - 17, kInk); }},
      {"gradient line",
       [](vesk_bitmap &b, int o, int) { b.DrawGradientLine(o + 15, o - 5, o - 8, o + 8, kInk, kFill); }},
      {"rect left", [](vesk_bitmap &b, int o, int) { b.DrawFilledRectangle(o - 9, o + 2, o + 3, o + 5, kInk); }},
      {"rect right bottom",
       [](vesk_bitmap &b, int o, int) { b.DrawFilledRectangle(o + 8, o + 7, o + 20, o + 30, kInk); }},
      {"x gradient left",
       [](vesk_bitmap &b, int o, int) { b.DrawXGradientRectangle(o - 7, o - 2, o + 5, o + 4, kInk, kFill); }},
      {"x gradient right",
       [](vesk_bitmap &b, int o, int) { b.DrawXGradientRectangle(o + 6, o + 3, o + 19, o + 40, kFill, kInk); }},
      {"y gradient top",
       [](vesk_bitmap &b, int o, int) { b.DrawYGradientRectangle(o + 1, o - 9, o + 6, o + 3, kInk, kFill); }},
      {"y gradient bottom",
       [](vesk_bitmap &b, int o, int) { b.DrawYGradientRectangle(o - 4, o + 8, o + 20, o + 19, kFill, kInk); }},
      {"circle corner", [](vesk_bitmap &b, int o, int) { b.DrawFilledCircle(o - 1, o - 2, 6, kInk); }},
      {"circle far side", [](vesk_bitmap &b, int o, int) { b.DrawFilledCircle(o + 14, o + 9, 5, kInk); }},
      {"polygon",
       [](vesk_bitmap &b, int o, int) {
         const vesk_point p[4] = {{0, -6}, {16, 10}, {4, 22}, {-12, 6}};
         b.DrawPolygon(4, p, o + 2, o, kInk, kFill);
       }},
      {"copy", [&](vesk_bitmap &b, int o, int) { b.DrawBitmapIgnoreAlpha(src, o - 3, o + 9); }},
      {"alpha copy", [&](vesk_bitmap &b, int o, int) { b.DrawBitmapUseAlpha(src, o + 8, o - 2); }},
      {"glyph", [&](vesk_bitmap &b, int o, int) { b.DrawTextGlyph(glyph, o - 2, o + 10, kInk, kFill); }},
      {"glyph transparent",
       [&](vesk_bitmap &b, int o, int) { b.DrawTextGlyphTransparent(glyph, o + 10, o - 3, kInk); }},
      {"text left",
       [&](vesk_bitmap &b, int o, int) { b.DrawText(fixed, "Hello, world", o - 13, o + 2, kInk, kFill); }},
      {"text bottom",
       [&](vesk_bitmap &b, int o, int) { b.DrawTextTransparent(prop, "Wiggly text", o - 1, o + 8, kInk); }},
      {"text top",
       [&](vesk_bitmap &b, int o, int) { b.DrawTextTransparent(prop, "m\x01W\xe9i", o + 1, o - 6, kInk); }},
  };
  for (const Case &c : cases) {
    vesk_bitmap small(S, S), large(L, L);
    fill_pattern(small, O, O);
    fill_pattern(large, 0, 0);
    c.fn(small, 0, 0);
    c.fn(large, O, O);
    vesk_bitmap untouched(S, S);
    fill_pattern(untouched, O, O);
    EXPECT_FALSE(small.same_pixels(untouched)) << c.name << " drew nothing visible";
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x)
        ASSERT_EQ(small.get_pixel(x, y), large.get_pixel(x + O, y + O))
            << c.name << " at " << x << "," << y;
  }
}

TEST(BitmapClipping, WhollyOutsideChangesNothing) {
  vesk_synthetic_font font(4, 6);
  vesk_bitmap src(5, 5);
  const int far[][2] = {{-100, 0}, {100, 0}, {0, -100}, {0, 100}, {INT_MIN, INT_MIN},
                        {INT_MAX - 3, INT_MAX - 3}, {INT_MIN, 2}, {2, INT_MAX}};
  for (auto &f : far) {
    const int x = f[0], y = f[1];
    vesk_bitmap b(6, 5);
    fill_pattern(b, 0, 0);
    vesk_bitmap before = b;
    b.SetPixel(x, y, kInk);
    b.DrawLine(x, y, x, y, kInk);
    b.DrawGradientLine(x, y, x, y, kInk, kFill);
    b.DrawFilledRectangle(x, y, x, y, kInk);
    b.DrawXGradientRectangle(x, y, x, y, kInk, kFill);
    b.DrawYGradientRectangle(x, y, x, y, kInk, kFill);
    if (x > -1000 && x < 1000 && y > -1000 && y < 1000)
      b.DrawFilledCircle(x, y, 3, kInk);
    const vesk_point p[3] = {{0, 0}, {2, 1}, {1, 2}};
    if (x > -1000 && x < 1000 && y > -1000 && y < 1000)
      b.DrawPolygon(3, p, x, y, kInk, kFill);
    b.DrawBitmapIgnoreAlpha(src, x, y);
    b.DrawBitmapUseAlpha(src, x, y);
    b.DrawTextGlyph(src, x, y, kInk, kFill);
    b.DrawTextGlyphTransparent(src, x, y, kInk);
    b.DrawText(font, "abc", x, y, kInk, kFill);
    b.DrawTextTransparent(font, "abc", x, y, kInk);
    EXPECT_TRUE(b.same_pixels(before)) << x << "," << y;
  }
  // Offsets that carry polygon points past the int range must not wrap into the bitmap.
  vesk_bitmap q(6, 5);
  fill_pattern(q, 0, 0);
  vesk_bitmap q_before = q;
  const vesk_point edge[3] = {{1, INT_MAX - 5}, {1, INT_MAX}, {3, INT_MAX}};
  q.DrawPolygon(3, edge, 0, INT_MAX, kInk, kFill);
  q.DrawPolygon(3, edge, INT_MAX, INT_MAX, kInk, kFill);
  const vesk_point low[3] = {{1, INT_MIN + 5}, {1, INT_MIN}, {3, INT_MIN}};
  q.DrawPolygon(3, low, 0, INT_MIN, kInk, kFill);
  EXPECT_TRUE(q.same_pixels(q_before));
  // Huge shapes around a small bitmap cover it exactly.
  vesk_bitmap b(3, 2);
  b.DrawFilledRectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX, kInk);
  EXPECT_TRUE(b.same_pixels(filled(3, 2, kInk)));
  b.DrawXGradientRectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX, vesk_black, vesk_white);
  // The step rounds to 0 over 2^32 + 1 columns: the left colour throughout.
  EXPECT_TRUE(b.same_pixels(filled(3, 2, vesk_black)));
  const vesk_point big[3] = {{-1000000, -1000000}, {1000000, -1000000}, {0, 1000000}};
  vesk_bitmap p = filled(3, 2, kBack);
  p.DrawPolygon(3, big, 0, 0, kInk, kFill);
  EXPECT_TRUE(p.same_pixels(filled(3, 2, kFill)));
}

TEST(BitmapText, ControlBytesAndHighBytes) {
  vesk_synthetic_font font(3, 4);
  struct Case {
    const char *text, *same_as;
  } cases[] = {
      {"A\x01" "B", "AB"},     // a control byte draws nothing and does not advance
      {"\xc1\xe2", "Ab"},      // 160 and above: the glyph of the code minus 128
      {"A\x7f\x80\x9f\xff" "B", "AB"}, // 127, 128..159 and 255 have no glyph
      {"\t\n\r", ""},
  };
  for (const Case &c : cases) {
    vesk_bitmap a = filled(12, 6, kBack), b = filled(12, 6, kBack);
    a.DrawText(font, c.text, 1, 1, kInk, kFill);
    b.DrawText(font, c.same_as, 1, 1, kInk, kFill);
    EXPECT_TRUE(a.same_pixels(b)) << c.same_as;
    a.DrawTextTransparent(font, c.text, 0, 2, kInk);
    b.DrawTextTransparent(font, c.same_as, 0, 2, kInk);
    EXPECT_TRUE(a.same_pixels(b)) << c.same_as;
  }
  // The length forms take embedded zero bytes as bytes without a glyph.
  vesk_bitmap a = filled(12, 6, kBack), b = filled(12, 6, kBack);
  a.DrawText(font, "A\0B", 3, 0, 0, kInk, kFill);
  b.DrawText(font, "AB", 0, 0, kInk, kFill);
  EXPECT_TRUE(a.same_pixels(b));
}

TEST(BitmapText, GlyphsAtThePenPosition) {
  vesk_synthetic_font font(vesk_synthetic_font::proportional_width, 5);
  vesk_bitmap text = filled(24, 7, kBack), glyphs = filled(24, 7, kBack);
  text.DrawText(font, "mi A", 2, 1, kInk, kFill);
  int x = 2;
  for (char c : std::string("mi A")) {
    glyphs.DrawTextGlyph(*font.get_glyph(c), x, 1, kInk, kFill);
    x += font.glyph_width((unsigned char)c);
  }
  EXPECT_EQ(x, 2 + 8 + 2 + 3 + 6);
  EXPECT_TRUE(text.same_pixels(glyphs));
  // The opaque form paints the glyph rectangles, the background included.
  EXPECT_EQ(text.get_pixel(2 + 8 + 2, 1), kFill); // inside the space
  EXPECT_EQ(text.get_pixel(x, 1), kBack);
  EXPECT_EQ(text.get_pixel(2, 6), kBack);
}

TEST(BitmapText, NothingWhenStartingBeyondTheBitmap) {
  vesk_synthetic_font font(3, 4);
  vesk_bitmap b = filled(6, 5, kBack);
  vesk_bitmap before = b;
  b.DrawText(font, "abc", 6, 0, kInk, kFill);
  b.DrawText(font, "abc", 0, 5, kInk, kFill);
  b.DrawTextTransparent(font, "abc", 7, 0, kInk);
  b.DrawText(font, nullptr, 0, 0, kInk, kFill);
  b.DrawTextTransparent(font, nullptr, 3, 0, 0, kInk);
  EXPECT_TRUE(b.same_pixels(before));
  b.DrawText(font, "abc", 5, 0, kInk, kFill);
  EXPECT_NE(b.get_pixel(5, 0), kBack);
  EXPECT_EQ(b.get_pixel(4, 0), kBack);
}

TEST(BitmapText, Extent) {
  vesk_glyph_font font;
  font.set_glyph('a', vesk_bitmap(3, 5));
  font.set_glyph('b', vesk_bitmap(4, 7));
  vesk_bitmap b(1, 1);
  struct Case {
    const char *text;
    int length; // -1: zero-terminated form
    int w, h;
  } cases[] = {
      {"ab", -1, 7, 7},   {"ba", -1, 7, 5},    {"a\x01", -1, 3, 5}, {"\xe1\x01", -1, 3, 5},
      {"", -1, 0, 0},     {"\x01\x02z", -1, 0, 0}, {nullptr, -1, 0, 0}, {"abba", 2, 7, 7},
      {"a\0b", 3, 7, 7},  {"ab", 0, 0, 0},
  };
  for (const Case &c : cases) {
    int w = -1, h = -1;
    if (c.length < 0)
      b.GetTextExtent(font, c.text, &w, &h);
    else
      b.GetTextExtent(font, c.text, c.length, &w, &h);
    EXPECT_EQ(w, c.w) << (c.text ? c.text : "(null)");
    EXPECT_EQ(h, c.h) << (c.text ? c.text : "(null)");
  }
  int w = 0;
  b.GetTextExtent(font, "aaa", &w, nullptr);
  EXPECT_EQ(w, 9);
  EXPECT_EQ(font.text_width("ab\xe1", 3), 10);
}
