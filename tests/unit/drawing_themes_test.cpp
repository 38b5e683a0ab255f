// Unit tests of the themes: which table each theme number selects, the logged fallback before the
// registry exists, spot values of the tables, and the background pictures: each style's own
// structure checked against the generator, and the same pixels on every rebuild.
#include "drawing/themes.h"
#include "log_fixture.h"
#include "support/random.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

void PrintTo(const vesk_color &c, std::ostream *os) {
  *os << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

namespace {

// Picture colours that no style would produce on its own, so every pixel tells its origin.
const vesk_color kColors[3] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}};

vesk_color hex(uint32_t v) { return vesk_color((v >> 16) & 255, (v >> 8) & 255, v & 255); }

vesk_bitmap picture(int w, int h, int style) {
  vesk_bitmap b(0, 0);
  EXPECT_EQ(make_background(b, w, h, style, kColors), 1);
  return b;
}

int count(const vesk_bitmap &b, const vesk_color &c) {
  int n = 0;
  for (int y = 0; y < b.height(); y++)
    for (int x = 0; x < b.width(); x++)
      n += b.get_pixel(x, y) == c;
  return n;
}

// Every pixel is one of the allowed colours and passes where(x, y) unless it is black.
::testing::AssertionResult pixels_are(const vesk_bitmap &b, std::vector<vesk_color> allowed,
                                      std::function<bool(int, int)> where) {
  allowed.push_back(vesk_black);
  for (int y = 0; y < b.height(); y++)
    for (int x = 0; x < b.width(); x++) {
      vesk_color c = b.get_pixel(x, y);
      bool ok = false;
      for (const vesk_color &a : allowed)
        ok = ok || c == a;
      if (!ok)
        return ::testing::AssertionFailure()
               << "unexpected colour " << c.red << "," << c.green << "," << c.blue << " at "
               << x << "," << y;
      if (c != vesk_black && where && !where(x, y))
        return ::testing::AssertionFailure() << "lit pixel off the pattern at " << x << "," << y;
    }
  return ::testing::AssertionSuccess();
}

} // namespace

// Must run before any test calls init_themes (each CTest case is its own process anyway).
TEST(ThemeSwitch, BeforeInitLogsAndKeepsBlue) {
  scoped_debug_log log(2);
  EXPECT_EQ(current_button_theme().number, VESK_THEME_BLUE); // valid from program load
  switch_button_theme(VESK_THEME_RED);
  switch_background_theme(VESK_THEME_GREY);
  EXPECT_EQ(current_button_theme().number, VESK_THEME_BLUE);
  EXPECT_EQ(current_background_theme_table().number, VESK_THEME_BLUE);
  EXPECT_TRUE(log.contains("Error in switch_button_theme() - null theme for index 2.\n"));
  EXPECT_TRUE(log.contains("Error in switch_background_theme() - null theme for index 90.\n"));
}

TEST(ThemeSwitch, NumbersSelectTheirTables) {
  init_themes();
  scoped_debug_log log(3);
  struct Case {
    int number;
    const char *name;
  } cases[] = {{0, "Yellow"}, {1, "Blue"},   {2, "Red"},    {40, "Brown"}, {50, "YGreen"},
               {60, "Green"}, {70, "Cyan"},  {80, "Purple"}, {90, "Grey"},
               // Any number not listed is Blue, silently.
               {7, "Blue"},   {-1, "Blue"},  {3, "Blue"},   {99, "Blue"},  {100, "Blue"},
               {1000000, "Blue"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.number);
    apply_themes(VESK_THEME_YELLOW, VESK_THEME_YELLOW);
    switch_button_theme(c.number);
    EXPECT_STREQ(current_button_theme().name, c.name);
    switch_background_theme(c.number);
    EXPECT_STREQ(current_background_theme_table().name, c.name);
    EXPECT_EQ(current_background_theme_colors(), current_background_theme_table().colors);
    EXPECT_STREQ(vesk_theme_name(c.number), c.name);
    EXPECT_STREQ(vesk_button_theme_for(c.number).name, c.name);
  }
  EXPECT_FALSE(log.contains("null theme"));

  apply_themes(VESK_THEME_GREEN, VESK_THEME_PURPLE);
  EXPECT_EQ(current_background_theme_table().number, VESK_THEME_GREEN);
  EXPECT_EQ(current_button_theme().number, VESK_THEME_PURPLE);
}

TEST(ThemeTables, SpotValues) {
  struct Background {
    int number;
    vesk_color c0, c1, c2;
  } backgrounds[] = {{0, {80, 80, 0}, {56, 56, 0}, {32, 32, 0}},
                     {1, {0, 0, 96}, {0, 0, 64}, {0, 0, 32}},
                     {40, {80, 32, 16}, {56, 24, 16}, {32, 16, 8}},
                     {50, {48, 80, 0}, {32, 56, 0}, {16, 32, 0}},
                     {70, {0, 56, 80}, {0, 40, 64}, {0, 24, 48}},
                     {90, {64, 64, 64}, {32, 32, 32}, {16, 16, 16}}};
  for (const Background &b : backgrounds) {
    SCOPED_TRACE(b.number);
    const vesk_background_theme &t = vesk_background_theme_for(b.number);
    EXPECT_EQ(t.colors[0], b.c0);
    EXPECT_EQ(t.colors[1], b.c1);
    EXPECT_EQ(t.colors[2], b.c2);
  }

  struct Slot {
    int number, slot;
    uint32_t value;
  } slots[] = {{0, 0, 0xC0C000},  {1, 4, 0xFFFF00},  {2, 2, 0xFFC000},  {40, 3, 0x503020},
               {50, 23, 0x486030}, {60, 2, 0x80FF80}, {70, 17, 0x00C0FF}, {80, 14, 0x402040},
               {90, 15, 0x202020}, {90, 25, 0x606060}, {1, 21, 0x000020}, {2, 16, 0xC0C0C0}};
  for (const Slot &s : slots) {
    SCOPED_TRACE(testing::Message() << s.number << " slot " << s.slot);
    EXPECT_EQ(vesk_button_theme_for(s.number).slot(s.slot), hex(s.value));
  }

  const vesk_button_theme &grey = vesk_button_theme_for(90);
  EXPECT_EQ(grey.group_border(1), grey.colors[2]);
  EXPECT_EQ(grey.group_face(5), grey.colors[15]);
  EXPECT_EQ(grey.group_text(8), grey.colors[25]);
  // Out-of-range slots and groups never read past the table.
  EXPECT_EQ(grey.slot(26), grey.colors[0]);
  EXPECT_EQ(grey.slot(-1), grey.colors[0]);
  EXPECT_EQ(grey.group_border(9), grey.colors[2]);

  const char *styles[] = {"None", "Solid", "Maze1", "Maze2", "Bubbles", "Maze3", "Maze2"};
  for (int s = 0; s < 7; s++)
    EXPECT_STREQ(vesk_background_style_name(s), styles[s]);
}

TEST(Background, PlainStyles) {
  vesk_bitmap none = picture(37, 21, VESK_BG_NONE);
  EXPECT_EQ(count(none, vesk_black), 37 * 21);
  vesk_bitmap solid = picture(37, 21, VESK_BG_SOLID);
  EXPECT_EQ(count(solid, kColors[2]), 37 * 21);
  EXPECT_EQ(solid.get_alpha(36, 20), 255);
}

// Each style keeps to its own colours and geometry: mazes on the 5-pixel grid lines, Maze3 on
// the diagonals of the 5-pixel cells, bubbles in all three colours.
TEST(Background, StyleCharacter) {
  const int w = 256, h = 256;
  auto on_grid = [](int x, int y) { return x % 5 == 0 || y % 5 == 0; };
  auto on_diagonal = [](int x, int y) { return (x - y) % 5 == 0 || (x + y) % 5 == 0; };

  vesk_bitmap maze1 = picture(w, h, VESK_BG_MAZE1);
  EXPECT_TRUE(pixels_are(maze1, {kColors[1]}, on_grid));
  EXPECT_GT(count(maze1, kColors[1]), w * h / 10);

  vesk_bitmap maze2 = picture(w, h, VESK_BG_MAZE2);
  EXPECT_TRUE(pixels_are(maze2, {kColors[0], kColors[1]}, on_grid));
  int bright = count(maze2, kColors[0]), dim = count(maze2, kColors[1]);
  EXPECT_GT(bright, 0);
  // One segment in eight is bright; shared pixels blur the ratio a little.
  EXPECT_GT(bright * 20, (bright + dim) * 1);
  EXPECT_LT(bright * 4, (bright + dim) * 1);
  // Maze2 walks the same maze as Maze1, only coloured differently.
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      ASSERT_EQ(maze1.get_pixel(x, y) == vesk_black, maze2.get_pixel(x, y) == vesk_black)
          << x << "," << y;

  vesk_bitmap maze3 = picture(w, h, VESK_BG_MAZE3);
  EXPECT_TRUE(pixels_are(maze3, {kColors[0], kColors[1]}, on_diagonal));
  EXPECT_GT(count(maze3, kColors[0]), w * h / 20);
  EXPECT_GT(count(maze3, kColors[1]), w * h / 20);

  vesk_bitmap bubbles = picture(w, h, VESK_BG_BUBBLES);
  EXPECT_TRUE(pixels_are(bubbles, {kColors[0], kColors[1], kColors[2]}, nullptr));
  for (int i = 0; i < 3; i++)
    EXPECT_GT(count(bubbles, kColors[i]), w * h / 50) << i;

  // Unknown styles draw as Maze2.
  EXPECT_TRUE(picture(w, h, 9).same_pixels(maze2));
  EXPECT_TRUE(picture(w, h, -1).same_pixels(maze2));
}

// Every open stretch of the grid is lit exactly when a cell's random number sends a segment
// along it: row y - 5 between x and x + 5 by cell x (r & 3 = 0) or cell x + 5 (r & 3 = 2) of band
// y; column x between y - 5 and y by cell x of band y (r & 3 = 1) or of band y + 5 (r & 3 = 3).
TEST(Background, Maze1FollowsTheGenerator) {
  const int w = 63, h = 47;
  vesk_bitmap maze = picture(w, h, VESK_BG_MAZE1);
  auto direction = [](int band_y, int x) {
    vesk_random rng;
    rng.reset();
    rng.seed(uint32_t(band_y - 5));
    uint32_t r = 0;
    for (int cx = 0; cx <= x; cx += 5)
      r = rng.next();
    return int(r & 3);
  };
  int checked = 0;
  for (int y = 5; y - 5 < h; y += 5)
    for (int x = 0; x < w; x += 5) {
      bool row_lit = direction(y, x) == 0 || (x + 5 < w && direction(y, x + 5) == 2);
      for (int k = 1; k < 5 && x + k < w; k++, checked++)
        EXPECT_EQ(maze.get_pixel(x + k, y - 5) == kColors[1], row_lit) << x + k << "," << y - 5;
      bool column_lit = direction(y, x) == 1 || (y < h && direction(y + 5, x) == 3);
      for (int k = 1; k < 5 && y - 5 + k < h; k++, checked++)
        EXPECT_EQ(maze.get_pixel(x, y - 5 + k) == kColors[1], column_lit) << x << "," << y - 5 + k;
    }
  EXPECT_GT(checked, 200);
}

// Each cell of Maze3 holds one diagonal: "\" when r & 1, else "/", colour 1 when r & 2.
TEST(Background, Maze3FollowsTheGenerator) {
  const int w = 52, h = 41;
  vesk_bitmap maze = picture(w, h, VESK_BG_MAZE3);
  vesk_random rng;
  for (int y = 5; y - 5 < h; y += 5) {
    rng.reset();
    rng.seed(uint32_t(y - 5));
    for (int x = 0; x < w; x += 5) {
      uint32_t r = rng.next();
      if (x + 5 >= w || y >= h)
        continue;
      vesk_color ink = (r & 2) ? kColors[1] : kColors[0];
      for (int k = 1; k < 5; k++) {
        int on_x = (r & 1) ? x + k : x + 5 - k, off_x = (r & 1) ? x + 5 - k : x + k;
        EXPECT_EQ(maze.get_pixel(on_x, y - 5 + k), ink) << on_x << "," << y - 5 + k;
        EXPECT_EQ(maze.get_pixel(off_x, y - 5 + k), vesk_black) << off_x << "," << y - 5 + k;
      }
    }
  }
}

// The last ring drawn (top pass, bottom band, rightmost cell) is on top of everything: a black
// centre inside a ring of colour 0. Its seed is the fourth pass's, grown once per band.
TEST(Background, BubblesLastRingFromItsSeed) {
  const int sizes[][2] = {{64, 48}, {160, 96}, {256, 256}};
  for (auto &size : sizes) {
    const int w = size[0], h = size[1];
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    vesk_bitmap b = picture(w, h, VESK_BG_BUBBLES);
    const uint32_t p = 3;
    uint32_t seed = p * 137u + 169135679u + uint32_t((h + 15) / 16 - 1) * (p * 16u + 19753072u);
    vesk_random rng;
    rng.reset();
    rng.seed(seed);
    int top = ((h + 15) / 16 - 1) * 16, cx = 0, cy = 0, r = 0;
    for (int left = -16; left < w; left += 16) {
      cx = left + int(rng.next() & 15);
      cy = top + int(rng.next() & 15);
      r = int((rng.next() >> 2) & 3);
    }
    EXPECT_EQ(b.get_pixel(cx, cy), vesk_black);
    EXPECT_EQ(b.get_pixel(cx - r - 2, cy), kColors[0]);
    EXPECT_EQ(b.get_pixel(cx, cy - r - 2), kColors[0]);
  }
}

// The same inputs give the same pixels, whatever the bitmap held before; a larger picture holds
// the smaller one in its top-left part (away from the edges the cells cross), so growing the
// window never shifts the pattern.
TEST(Background, Deterministic) {
  const int styles[] = {VESK_BG_NONE, VESK_BG_SOLID, VESK_BG_MAZE1, VESK_BG_MAZE2,
                        VESK_BG_BUBBLES, VESK_BG_MAZE3};
  for (int style : styles) {
    SCOPED_TRACE(style);
    vesk_bitmap first = picture(300, 200, style);
    vesk_bitmap reused(300, 200);
    reused.Clear(vesk_white);
    ASSERT_EQ(make_background(reused, 300, 200, style, kColors), 1);
    EXPECT_TRUE(reused.same_pixels(first));
    vesk_bitmap resized(17, 9); // recreated at the wanted size
    ASSERT_EQ(make_background(resized, 300, 200, style, kColors), 1);
    EXPECT_TRUE(resized.same_pixels(first));

    vesk_bitmap large = picture(600, 400, style);
    EXPECT_TRUE(picture(600, 400, style).same_pixels(large));
    const int margin = 6;
    for (int y = 0; y < 200 - margin; y++)
      for (int x = 0; x < 300 - margin; x++)
        ASSERT_EQ(large.get_pixel(x, y), first.get_pixel(x, y)) << x << "," << y;
  }
}

TEST(Background, ColoursAndFailures) {
  init_themes();
  switch_background_theme(VESK_THEME_RED);
  vesk_bitmap b(0, 0);
  ASSERT_EQ(make_background(b, 40, 30, VESK_BG_SOLID), 1); // the current theme's colours
  EXPECT_EQ(b.get_pixel(5, 5), vesk_color(32, 0, 0));
  switch_background_theme(VESK_THEME_GREY);
  ASSERT_EQ(make_background(b, 40, 30, VESK_BG_MAZE1), 1);
  EXPECT_TRUE(pixels_are(b, {vesk_color(32, 32, 32)}, nullptr));

  EXPECT_EQ(make_background(b, 0, 30, VESK_BG_MAZE2), 0);
  EXPECT_EQ(make_background(b, 30, -4, VESK_BG_BUBBLES), 0);
  EXPECT_EQ(make_background(b, vesk_bitmap::max_side + 1, 4, VESK_BG_MAZE3), 0);
  EXPECT_FALSE(b.is_ok());
}
