// Tests of drawing the scrollback into a bitmap: line placement for both anchorings, colours,
// selection highlighting, the missing-height case, and the display's frame and layout. Expected
// pictures are drawn with the bitmap's own text calls at the places the lines must go.
#include "text/text_render.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "log_fixture.h"
#include "text/text_buffer.h"

namespace {

const int W = 200, H = 100, LH = 10; // client size; line height of the font

struct span {
  int from, to; // selected bytes [from, to) of a line
};

class TextRender : public ::testing::Test {
protected:
  TextRender() : font(8, LH), picture(W, H), expected(W, H) {
    buffer.set_font(&font);
    buffer.on_size(W, H);
    expected.Clear(vesk_black);
  }
  // Draws `text` at line position y as the repaint must, with an optional selected span.
  void expect_text(const std::string &text, int x, int y, const vesk_color &colour, span selected = {0, 0}) {
    for (int i = 0; i < (int)text.size(); i++) {
      bool on = i >= selected.from && i < selected.to;
      if (on)
        expected.DrawText(font, text.data() + i, 1, x, y, colour, vesk_color(64, 64, 64));
      else
        expected.DrawTextTransparent(font, text.data() + i, 1, x, y, colour);
      x += font.glyph_width((unsigned char)text[i]);
    }
  }
  void paint() { buffer.repaint_internal(picture); }

  vesk_synthetic_font font;
  vesk_text_buffer buffer;
  vesk_bitmap picture;
  vesk_bitmap expected;
};

TEST_F(TextRender, FewLinesSitAtTheBottomEdge) {
  for (int i = 0; i < 5; i++)
    buffer.append(("line " + std::to_string(i) + "\n").c_str());
  paint();
  // Line 5 is the empty open line on the bottom row (y = H - LH - 1); line 4 above it.
  for (int i = 0; i < 5; i++)
    expect_text("line " + std::to_string(i), 1, H - LH - 1 - (5 - i) * LH, vesk_white);
  EXPECT_TRUE(picture.same_pixels(expected));
}

TEST_F(TextRender, ScrolledBackViewShowsOlderLines) {
  for (int i = 0; i < 30; i++)
    buffer.append(("n" + std::to_string(i) + "\n").c_str());
  buffer.lock();
  buffer.set_view_position(12);
  paint();
  for (int n = 12, y = H - LH - 1; y > -LH && n >= 0; n--, y -= LH)
    expect_text("n" + std::to_string(n), 1, y, vesk_white);
  EXPECT_TRUE(picture.same_pixels(expected));
}

TEST_F(TextRender, TopAnchoredLinesRunDownFromTheTop) {
  buffer.top_anchored = true;
  for (int i = 0; i < 30; i++)
    buffer.append(("t" + std::to_string(i) + "\n").c_str());
  buffer.set_view_position(3);
  paint();
  for (int i = 3, y = 0; y < H; i++, y += LH)
    expect_text("t" + std::to_string(i), 1, y, vesk_white);
  EXPECT_TRUE(picture.same_pixels(expected));
}

TEST_F(TextRender, ChunksKeepTheirColoursAndAdvanceByTheirWidth) {
  vesk_synthetic_font prop(vesk_synthetic_font::proportional_width, LH);
  buffer.set_font(&prop);
  buffer.set_colors(vesk_color(10, 200, 30), vesk_color(0, 0, 90));
  buffer.append("mill ");
  buffer.set_colors(vesk_color(250, 40, 120), vesk_color(0, 0, 90));
  buffer.append("wheel");
  paint();
  expected.Clear(vesk_color(0, 0, 90)); // the control's background
  const int y = H - LH - 1;
  expected.DrawTextTransparent(prop, "mill ", 1, y, vesk_color(10, 200, 30));
  int first = prop.text_width("mill ", 5);
  expected.DrawTextTransparent(prop, "wheel", 1 + first, y, vesk_color(250, 40, 120));
  EXPECT_TRUE(picture.same_pixels(expected));
  EXPECT_EQ(picture.get_pixel(0, 0), vesk_color(0, 0, 90));
}

TEST_F(TextRender, SelectionIsDrawnOverTheShade) {
  struct row {
    int start_line, start_offset, end_line, end_offset;
    span spans[3]; // per line
  };
  const row rows[] = {
      {0, 2, 2, 1, {{2, 99}, {0, 99}, {0, 2}}}, // first from the offset, middle whole, last to inclusive
      {1, 1, 1, 3, {{0, 0}, {1, 4}, {0, 0}}},   // one line, both ends inclusive
      {0, 0, 1, 0, {{0, 99}, {0, 1}, {0, 0}}},
      {2, 5, 2, 5, {{0, 0}, {0, 0}, {5, 6}}},
  };
  buffer.set_colors(vesk_yellow, vesk_black);
  buffer.append("abcdef\nghij");
  buffer.set_colors(vesk_cyan, vesk_black);
  buffer.append("kl\nmnopqr");
  for (const row &r : rows) {
    SCOPED_TRACE(testing::Message() << r.start_line << "," << r.start_offset << " " << r.end_line << "," << r.end_offset);
    buffer.set_selection(r.start_line, r.start_offset, r.end_line, r.end_offset);
    paint();
    expected.Clear(vesk_black);
    const int y0 = H - LH - 1 - 2 * LH;
    expect_text("abcdef", 1, y0, vesk_yellow, r.spans[0]);
    // "ghij" is yellow, "kl" cyan: the line's selection runs across the chunk boundary.
    span s = r.spans[1];
    expect_text("ghij", 1, y0 + LH, vesk_yellow, s);
    expect_text("kl", 1 + 4 * 8, y0 + LH, vesk_cyan, span{s.from - 4, s.to - 4});
    expect_text("mnopqr", 1, y0 + 2 * LH, vesk_cyan, r.spans[2]);
    EXPECT_TRUE(picture.same_pixels(expected));
  }
  // Shade behind a selected blank-coverage pixel; the background elsewhere.
  buffer.append(" x");
  buffer.set_selection(2, 6, 2, 6); // the blank
  paint();
  EXPECT_EQ(picture.get_pixel(1 + 6 * 8 + 3, H - LH - 1 + 4), vesk_color(64, 64, 64));
  EXPECT_EQ(picture.get_pixel(1 + 8 * 8 + 3, H - LH - 1 + 4), vesk_black);
  buffer.clear_selection();
  paint();
  EXPECT_EQ(picture.get_pixel(1 + 6 * 8 + 3, H - LH - 1 + 4), vesk_black);
}

TEST_F(TextRender, OverlongLineIsClipped) {
  buffer.set_word_wrap(false);
  std::string wide(300, 'q');
  buffer.append(wide.c_str());
  paint();
  expected.DrawTextTransparent(font, wide.c_str(), 1, H - LH - 1, vesk_white);
  EXPECT_TRUE(picture.same_pixels(expected));
}

TEST_F(TextRender, NoLineHeightOnlyClearsAndLogs) {
  buffer.append("invisible");
  int widths[256] = {};
  buffer.set_metrics(widths, 0);
  buffer.set_background(vesk_color(5, 6, 7));
  scoped_debug_log log(3);
  paint();
  expected.Clear(vesk_color(5, 6, 7));
  EXPECT_TRUE(picture.same_pixels(expected));
  EXPECT_TRUE(log.contains("Error in vesk_textctrl::repaint_internal(), font height 0.\n"));
}

TEST(DisplayFrame, ColoursFollowTheState) {
  struct row {
    int flash;
    bool following;
    vesk_color outer, inner;
  };
  const row rows[] = {
      {0, true, vesk_white, vesk_color(128, 128, 128)},
      {0, false, vesk_color(255, 0, 0), vesk_color(192, 0, 0)},
      {3, false, vesk_white, vesk_white},
      {4, true, vesk_black, vesk_black},
  };
  for (const row &r : rows) {
    vesk_bitmap bitmap(60, 40);
    bitmap.Clear(vesk_blue);
    vesk_draw_display_frame(bitmap, 50, 40, r.flash, r.following);
    for (auto p : {vesk_point{0, 0}, vesk_point{20, 0}, vesk_point{0, 20}, vesk_point{20, 39}, vesk_point{49, 20}})
      EXPECT_EQ(bitmap.get_pixel(p.x, p.y), r.outer) << p.x << "," << p.y;
    for (auto p : {vesk_point{1, 1}, vesk_point{20, 1}, vesk_point{1, 20}, vesk_point{20, 38}, vesk_point{48, 20}})
      EXPECT_EQ(bitmap.get_pixel(p.x, p.y), r.inner) << p.x << "," << p.y;
    EXPECT_EQ(bitmap.get_pixel(20, 20), vesk_blue);
    EXPECT_EQ(bitmap.get_pixel(55, 20), vesk_blue); // the scroll bar's column is not touched
  }
}

TEST(DisplayLayout, PlacesScrollBarAndTextControl) {
  struct row {
    int w, h, bar;
    bool shown, border;
    int bar_x, bar_w, bar_h, text_x, text_y, text_w, text_h;
  };
  const row rows[] = {
      {500, 300, 15, true, true, 485, 15, 300, 2, 2, 481, 296},
      {500, 300, 15, false, true, 485, 15, 300, 2, 2, 496, 296},
      {500, 300, 15, true, false, 485, 15, 300, 0, 0, 485, 300},
      {10, 3, 15, true, true, -5, 15, 3, 2, 2, 1, 1},
      {10, 0, 0, false, false, 9, 1, 1, 0, 0, 10, 1},
  };
  for (const row &r : rows) {
    vesk_display_layout l = vesk_compute_display_layout(r.w, r.h, r.bar, r.shown, r.border);
    EXPECT_EQ(std::vector<int>({l.scrollbar_x, l.scrollbar_y, l.scrollbar_width, l.scrollbar_height, l.text_x,
                                l.text_y, l.text_width, l.text_height}),
              std::vector<int>({r.bar_x, 0, r.bar_w, r.bar_h, r.text_x, r.text_y, r.text_w, r.text_h}))
        << r.w << "x" << r.h;
    EXPECT_EQ(l.scrollbar_shown, r.shown);
  }
}

} // namespace
