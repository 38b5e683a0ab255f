// Tests of the input line's container drawing (frame colours, flashing) and of where the text
// control sits inside it.
#include "input/input_frame.h"

#include "drawing/bitmap.h"

#include <gtest/gtest.h>

namespace {

// The colour of each pixel class of a w x h container: frame lines, the grey column, inside.
struct frame_probe {
  int x, y;
  vesk_color normal;
};

TEST(InputFrame, ColoursAtRestAndWhileFlashing) {
  const int w = 40, h = 12;
  vesk_bitmap bitmap;
  ASSERT_TRUE(bitmap.create(w, h));
  bitmap.Clear(vesk_red); // everything must be painted over
  vesk_paint_input_frame(bitmap, 0);
  const frame_probe probes[] = {
      {0, 5, vesk_white},      {1, 5, vesk_grey},       {w - 1, 5, vesk_white}, {w - 2, 5, vesk_white},
      {10, 0, vesk_white},     {10, h - 1, vesk_white}, {1, 0, vesk_white},     {1, h - 1, vesk_white},
      {0, 0, vesk_white},      {w - 1, h - 1, vesk_white}, {2, 1, vesk_black},  {20, 6, vesk_black},
      {w - 3, h - 2, vesk_black},
  };
  for (const frame_probe &p : probes)
    EXPECT_EQ(bitmap.get_pixel(p.x, p.y), p.normal) << "at rest, pixel " << p.x << "," << p.y;

  for (int count : {16, 15, 2, 1}) {
    vesk_paint_input_frame(bitmap, count);
    vesk_color lit = (count & 1) ? vesk_white : vesk_black;
    for (const frame_probe &p : probes) {
      vesk_color expected = p.normal == vesk_black ? vesk_black : lit;
      EXPECT_EQ(bitmap.get_pixel(p.x, p.y), expected) << "count " << count << ", pixel " << p.x << "," << p.y;
    }
  }
}

TEST(InputFrame, ControlRectangle) {
  struct rect_case {
    int width, height, x, y, w, h;
  };
  const rect_case cases[] = {
      {400, 48, 2, 1, 396, 46}, {5, 3, 2, 1, 1, 1}, {4, 2, 2, 1, 1, 1}, {1, 1, 2, 1, 1, 1},
  };
  for (const rect_case &c : cases) {
    int x, y, w, h;
    vesk_input_control_rect(c.width, c.height, &x, &y, &w, &h);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(w, c.w) << c.width << " x " << c.height;
    EXPECT_EQ(h, c.h) << c.width << " x " << c.height;
  }
}

} // namespace
