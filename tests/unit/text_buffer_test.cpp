// Tests of the scrollback store: appending (tabs, high bytes, cuts, leading newlines), the line
// table, the break algorithm with fixed and proportional fonts, re-wrap, and the view and
// scrolling arithmetic of following and locking.
#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/glyph_font.h"
#include "log_fixture.h"
#include "text_snapshot.h"
#include "support/random.h"

namespace {


std::vector<std::string> texts(const vesk_text_buffer &buffer) {
  std::vector<std::string> out;
  for (const line_snapshot &s : snapshot(buffer))
    out.push_back(s.text);
  return out;
}

std::string joined(const vesk_text_buffer &buffer) {
  std::string text;
  for (const line_snapshot &s : snapshot(buffer))
    text += s.text + (s.ended ? "\n" : "");
  return text;
}

class counting_observer : public vesk_text_view_observer {
public:
  void set_scrollbar(int position, int thumb_size, int range, int page_size) override {
    last = {position, thumb_size, range, page_size};
    bar_calls++;
  }
  void following_changed() override { following_calls++; }
  std::vector<int> last;
  int bar_calls = 0;
  int following_calls = 0;
};

// ---- appending ----

TEST(TextBufferAppend, TabsExpandFromTheColumn) {
  struct row {
    std::vector<std::string> appends;
    std::string expected;
  };
  const row rows[] = {
      {{"abc\tX"}, "abc     X"},             // column 3: 5 blanks
      {{"abcdefgh\tX"}, "abcdefgh        X"}, // column 8: 8 blanks
      {{"\tX"}, "        X"},
      {{"abc", "\tX"}, "abc     X"},         // the column survives between appends
      {{"ab\rc\tX"}, "ab\rc       X"},       // carriage return is kept and resets the column
      {{"x\n", "ab\tY"}, "ab      Y"},       // a newline resets it too (second line)
  };
  for (const row &r : rows) {
    vesk_text_buffer buffer;
    for (const std::string &a : r.appends)
      buffer.append(a.c_str());
    EXPECT_EQ(texts(buffer).back(), r.expected) << r.expected;
  }
}

TEST(TextBufferAppend, HighBytesBecomeAsciiLookAlikes) {
  struct row {
    unsigned char byte;
    char shown;
  };
  const row rows[] = {{0xE9, 'e'}, {0x80, 'E'}, {0x81, ' '}, {0x93, '"'}, {0xA0, ' '},
                      {0xA6, '|'}, {0xBF, '?'}, {0xC4, 'A'}, {0xD7, 'x'}, {0xDF, 'S'},
                      {0xF1, 'n'}, {0xF7, '/'}, {0xFF, 'y'}};
  for (const row &r : rows) {
    vesk_text_buffer buffer;
    const char text[] = {'[', (char)r.byte, ']', 0};
    buffer.append(text);
    EXPECT_EQ(texts(buffer)[0], std::string("[") + r.shown + "]") << (int)r.byte;
  }
}

TEST(TextBufferAppend, LongTextIsCutButStillMovesTheColumn) {
  vesk_text_buffer buffer;
  std::string long_text(7003, 'z');
  buffer.append(long_text.c_str());
  EXPECT_EQ(texts(buffer)[0], std::string(5999, 'z'));
  buffer.append("\tT"); // column 7003: 5 blanks, not the 1 that column 5999 would give
  EXPECT_EQ(texts(buffer)[0], std::string(5999, 'z') + "     T");

  vesk_text_buffer whole;
  whole.append_bytes(long_text.data(), (int64_t)long_text.size());
  EXPECT_EQ(texts(whole)[0], long_text);
  EXPECT_EQ(whole.get_text_bytes(), 7003);
}

TEST(TextBufferAppend, BlankLinesAtTheTopAreNotShown) {
  vesk_text_buffer buffer;
  buffer.append("\n\n");
  buffer.append("\n");
  buffer.append("abc\n\n");
  buffer.append("def");
  EXPECT_EQ(texts(buffer), (std::vector<std::string>{"abc", "", "def"}));
  buffer.clear();
  EXPECT_EQ(buffer.get_last_line(), 0);
  EXPECT_EQ(buffer.get_text_bytes(), 0);
  buffer.append("\nagain\n");
  EXPECT_EQ(texts(buffer), (std::vector<std::string>{"again", ""}));
}

TEST(TextBufferAppend, LineTableGrowsBy65536AndKeepsAllLines) {
  vesk_text_buffer buffer;
  EXPECT_EQ(buffer.get_line_table_capacity(), 65536);
  for (int i = 0; i < 65535; i++)
    buffer.append((std::to_string(i) + "\n").c_str());
  EXPECT_EQ(buffer.get_last_line(), 65535);
  EXPECT_EQ(buffer.get_line_table_capacity(), 65536);
  buffer.append("65535\n"); // creates line 65536
  EXPECT_EQ(buffer.get_line_table_capacity(), 131072);
  vesk_fixed_text line;
  for (int i : {0, 1, 40000, 65534, 65535}) {
    ASSERT_TRUE(buffer.line_text(i, line));
    EXPECT_EQ(std::string(line.c_str()), std::to_string(i));
  }
  EXPECT_FALSE(buffer.line_text(65537, line));
  EXPECT_EQ(buffer.line_at(200000)->length, 0); // created on demand
  EXPECT_EQ(buffer.get_line_table_capacity(), 262144);
}

// ---- the break algorithm ----

enum font_kind { fixed8, proportional };

struct break_case {
  font_kind font;
  int width;
  const char *text;
  std::vector<std::string> lines;
};

class BreakAlgorithm : public ::testing::TestWithParam<break_case> {};

TEST_P(BreakAlgorithm, BreaksWhereTheWidthIsReached) {
  const break_case &c = GetParam();
  vesk_synthetic_font fixed(8, 10);
  vesk_synthetic_font prop(vesk_synthetic_font::proportional_width, 10);
  vesk_text_buffer buffer;
  buffer.set_font(c.font == fixed8 ? (vesk_glyph_font *)&fixed : &prop);
  buffer.on_size(c.width, 100);
  buffer.append(c.text);
  EXPECT_EQ(texts(buffer), c.lines);
  for (int i = 0; i < buffer.get_last_line(); i++)
    EXPECT_EQ(buffer.get_line(i)->ended, 0); // word wrap does not end lines
  // The same text arriving byte by byte breaks in the same places.
  vesk_text_buffer slow;
  slow.set_font(buffer.get_font());
  slow.on_size(c.width, 100);
  for (const char *p = c.text; *p; p++) {
    char one[2] = {*p, 0};
    slow.append(one);
  }
  EXPECT_EQ(texts(slow), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BreakAlgorithm,
    ::testing::Values(
        // 80 pixels hold 9 cells of 8: the tenth byte reaches the width.
        break_case{fixed8, 80, "hello world again", {"hello ", "world ", "again"}},
        break_case{fixed8, 80, "aaaa bbbbbbbb", {"aaaa ", "bbbbbbbb"}}, // the blank stays behind
        break_case{fixed8, 80, "          ", {"         ", " "}},          // blanks: after the last that fits
        break_case{fixed8, 80, "abcdefghij", {"abcdefghi", "j"}},           // reaching the width breaks
        break_case{fixed8, 81, "abcdefghij", {"abcdefghij"}},               // one pixel more: it fits
        break_case{fixed8, 80, "abcdefghijklmnopqrstuvwxy", {"abcdefghi", "jklmnopqr", "stuvwxy"}},
        break_case{fixed8, 80, "ab\tcd", {"ab      ", "cd"}},               // tab blanks are blanks
        break_case{fixed8, 5, "abc", {"abc"}},                              // first byte too wide: clipped
        break_case{fixed8, 0, "no width yet, no wrap", {"no width yet, no wrap"}},
        // Proportional: m 8, i 2, blank 3, c 4.
        break_case{proportional, 40, "mmm iii mmm", {"mmm iii ", "mmm"}},
        break_case{proportional, 40, "ccccccccccc", {"ccccccccc", "cc"}},
        break_case{proportional, 7, "mm", {"mm"}},
        break_case{proportional, 20, "ii ii mmm", {"ii ii ", "mm", "m"}}));

TEST(TextBufferWrap, BreakInsideAChunkKeepsColours) {
  vesk_synthetic_font font(8, 10);
  vesk_text_buffer buffer;
  buffer.set_font(&font);
  buffer.on_size(80, 100);
  buffer.set_colors(vesk_red, vesk_black);
  buffer.append("red gr");
  buffer.set_colors(vesk_green, vesk_black);
  buffer.append("een words");
  auto lines = snapshot(buffer);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "red ");
  EXPECT_EQ(lines[1].text, "green "); // starts inside the red chunk, runs on into the green one
  EXPECT_EQ(lines[1].colours, (std::vector<uint32_t>{0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00}));
  EXPECT_EQ(lines[2].text, "words");
  EXPECT_EQ(lines[2].colours[0], 0x00FF00u);
}

TEST(TextBufferWrap, WordWrapOffKeepsLinesWhole) {
  vesk_synthetic_font font(8, 10);
  vesk_text_buffer buffer;
  buffer.set_font(&font);
  buffer.on_size(80, 100);
  buffer.set_word_wrap(false);
  buffer.append("a rather long line of text\nnext");
  EXPECT_EQ(texts(buffer), (std::vector<std::string>{"a rather long line of text", "next"}));
}

// Appends a text of words, tabs, newlines and colour changes, the same way every time.
void fill(vesk_text_buffer &buffer, uint32_t seed) {
  vesk_random random;
  random.seed(seed);
  for (int i = 0; i < 3000; i++) {
    buffer.set_colors(vesk_color(random.below(256), random.below(256), random.below(256)), vesk_black);
    std::string piece;
    int words = random.below(12);
    for (int w = 0; w < words; w++) {
      piece.append((size_t)(1 + random.below(14)), (char)('a' + random.below(26)));
      int gap = random.below(20);
      piece += gap == 0 ? "\n" : gap == 1 ? "\t" : " ";
    }
    buffer.append(piece.c_str());
  }
}

TEST(TextBufferWrap, RewrapAtAnyWidthKeepsTheTextAndMatchesAFreshBuild) {
  vesk_synthetic_font font(vesk_synthetic_font::proportional_width, 10);
  vesk_text_buffer buffer;
  buffer.set_font(&font);
  buffer.on_size(640, 300);
  fill(buffer, 11);
  const std::string text = joined(buffer);
  const int64_t bytes = buffer.get_text_bytes();
  for (int width : {1, 7, 50, 123, 400, 999, 5000}) {
    SCOPED_TRACE(width);
    buffer.on_size(width, 300);
    EXPECT_EQ(joined(buffer), text);
    EXPECT_EQ(buffer.get_text_bytes(), bytes);
    vesk_text_buffer fresh;
    fresh.set_font(&font);
    fresh.on_size(width, 300);
    fill(fresh, 11);
    EXPECT_TRUE(snapshot(fresh) == snapshot(buffer));
    for (int i = 0; i <= buffer.get_last_line(); i++) {
      const vesk_textctrl_line *line = buffer.get_line(i);
      vesk_fixed_text t;
      buffer.line_text(i, t);
      // Every line fits, unless its first byte alone is too wide.
      if (line->length > 0 && buffer.byte_width((unsigned char)t.data[0]) < width) {
        EXPECT_LT(buffer.line_width(i), width) << i;
      }
    }
  }
}

TEST(TextBufferWrap, OnlyAWidthChangeRewraps) {
  vesk_synthetic_font font(8, 10);
  vesk_text_buffer buffer;
  buffer.set_font(&font);
  buffer.on_size(80, 100);
  buffer.append("one two three four five");
  int lines = buffer.get_last_line();
  buffer.set_selection(0, 1, 0, 3);
  buffer.on_size(80, 400);
  EXPECT_TRUE(buffer.get_selection().active); // a re-wrap would have cleared it
  EXPECT_EQ(buffer.get_last_line(), lines);
  buffer.on_size(160, 400);
  EXPECT_FALSE(buffer.get_selection().active);
  EXPECT_LT(buffer.get_last_line(), lines);
}

// ---- view and scrolling ----

class TextView : public ::testing::Test {
protected:
  TextView() : font(8, 10) {
    buffer.set_font(&font);
    buffer.observer = &observer;
  }
  void lines(int n, int from = 0) {
    for (int i = 0; i < n; i++)
      buffer.append(("line " + std::to_string(from + i) + "\n").c_str());
  }
  vesk_synthetic_font font;
  vesk_text_buffer buffer;
  counting_observer observer;
};

TEST_F(TextView, VisibleLineCount) {
  struct row {
    int height, line_height, expected;
  };
  for (const row &r : {row{200, 10, 20}, row{209, 10, 20}, row{5, 10, 1}, row{0, 10, 1}, row{200, 0, 20}}) {
    int widths[256] = {};
    buffer.set_metrics(widths, r.line_height);
    buffer.on_size(100, r.height);
    scoped_debug_log log(3);
    EXPECT_EQ(buffer.get_visible_line_count(), r.expected);
    EXPECT_EQ(log.contains("Error in vesk_textctrl::get_visible_line_count(), font height 0.\n"), r.line_height == 0);
  }
}

TEST_F(TextView, BottomAnchoredPositionsAndMetrics) {
  buffer.on_size(100, 200); // 20 lines
  lines(100);
  EXPECT_EQ(buffer.get_last_line(), 100);
  buffer.scroll_to_end();
  EXPECT_EQ(observer.last, (std::vector<int>{80, 20, 100, 20})); // thumb last - visible, range last
  buffer.set_view_position(500);
  EXPECT_EQ(buffer.get_view_position(), 120); // last line + visible
  buffer.set_view_position(-4);
  EXPECT_EQ(buffer.get_view_position(), 0);
  EXPECT_EQ(buffer.set_view_from_thumb(30), 50);
  EXPECT_EQ(buffer.get_view_position(), 50);
  int thumb, range, page;
  buffer.get_scroll_metrics(&thumb, &range, &page);
  EXPECT_EQ(thumb, 30);
  EXPECT_EQ(range, 100);
  EXPECT_EQ(page, 20);
}

TEST_F(TextView, TopAnchoredPositionsAndMetrics) {
  buffer.top_anchored = true;
  buffer.on_size(100, 200);
  lines(30);
  EXPECT_EQ(buffer.get_view_position(), 0); // new lines do not move a top-anchored view
  buffer.set_view_position(500);
  EXPECT_EQ(buffer.get_view_position(), 30);
  EXPECT_EQ(buffer.set_view_from_thumb(4), 4);
  int thumb, range, page;
  buffer.get_scroll_metrics(&thumb, &range, &page);
  EXPECT_EQ(thumb, 4);
  EXPECT_EQ(range, 30 + 20 + 1);
  buffer.scroll_to_end();
  EXPECT_EQ(buffer.get_view_position(), 30 - 19);
  buffer.scroll_by(-100);
  EXPECT_EQ(buffer.get_view_position(), 0);
}

TEST_F(TextView, PageUpMovesHalfAScreen) {
  struct row {
    int height, moved;
  };
  for (const row &r : {row{210, 10}, row{10, 1}, row{200, 10}, row{30, 1}}) {
    buffer.on_size(100, r.height);
    lines(60);
    buffer.lock(); // scrolled back at the end
    int before = buffer.get_scroll_position();
    buffer.page_up();
    EXPECT_EQ(before - buffer.get_scroll_position(), r.moved) << r.height;
    EXPECT_EQ(buffer.get_view_position(), buffer.get_scroll_position());
    buffer.page_up();
    EXPECT_EQ(before - buffer.get_scroll_position(), 2 * r.moved) << r.height;
    buffer.follow();
  }
}

TEST_F(TextView, LockKeepsTheViewAndScrollingToTheEndFollowsAgain) {
  buffer.on_size(100, 200);
  lines(50);
  EXPECT_TRUE(buffer.is_following());
  buffer.mouse_wheel(1); // locks, then 3 lines up
  EXPECT_FALSE(buffer.is_following());
  EXPECT_TRUE(buffer.is_locked());
  EXPECT_EQ(buffer.get_view_position(), 47);
  int calls = observer.following_calls;
  lines(10, 50);
  EXPECT_EQ(buffer.get_view_position(), 47); // new text does not move a locked view
  buffer.scroll_down(3);
  EXPECT_EQ(buffer.get_view_position(), 50);
  EXPECT_FALSE(buffer.is_following());
  buffer.page_down(); // reaches the last line: following again
  EXPECT_TRUE(buffer.is_following());
  EXPECT_FALSE(buffer.is_locked());
  EXPECT_EQ(buffer.get_view_position(), 60);
  EXPECT_GT(observer.following_calls, calls);
  lines(5, 60);
  EXPECT_EQ(buffer.get_view_position(), 65);
}

TEST_F(TextView, PageDownWhileFollowingStaysAtTheEnd) {
  buffer.on_size(100, 200);
  lines(30);
  buffer.scroll_to_end();
  lines(200, 30); // the view follows without any scroll command
  buffer.page_down();
  EXPECT_EQ(buffer.get_view_position(), 230);
  EXPECT_TRUE(buffer.is_following());
  buffer.scroll_up(1); // one line back from the end, not from where the view once was
  EXPECT_EQ(buffer.get_view_position(), 229);
}

TEST_F(TextView, NeverUnfollowIgnoresLocking) {
  buffer.never_unfollow = true;
  buffer.on_size(100, 200);
  lines(50);
  buffer.lock();
  EXPECT_TRUE(buffer.is_following());
  buffer.scrollbar_moved(0);
  EXPECT_TRUE(buffer.is_following());
}

TEST_F(TextView, ScrollBarMovesLockAndFollow) {
  buffer.on_size(100, 200);
  lines(100);
  int calls = observer.following_calls;
  buffer.scrollbar_moved(40);
  EXPECT_FALSE(buffer.is_following());
  EXPECT_EQ(buffer.get_view_position(), 60);
  EXPECT_GT(observer.following_calls, calls);
  buffer.scrollbar_moved(80); // thumb at the end: position = last line
  EXPECT_TRUE(buffer.is_following());
  EXPECT_EQ(buffer.get_view_position(), 100);

  vesk_text_buffer small;
  small.set_font(&font);
  small.on_size(100, 200);
  small.append("a\nb\n");
  small.lock();
  small.scrollbar_moved(0); // all text fits: back to following
  EXPECT_TRUE(small.is_following());
}

TEST_F(TextView, ScrollByWithEverythingVisibleStaysAtTheEnd) {
  buffer.on_size(100, 200);
  lines(5);
  buffer.lock();
  buffer.scroll_by(-3);
  EXPECT_TRUE(buffer.is_following());
  EXPECT_EQ(buffer.get_view_position(), 5);
}

TEST_F(TextView, RewrapWithAFollowingViewEndsAtTheEnd) {
  buffer.on_size(800, 200);
  for (int i = 0; i < 40; i++)
    buffer.append((std::string(150, 'x') + "\n").c_str());
  EXPECT_EQ(buffer.get_view_position(), 80);
  buffer.on_size(400, 200);
  EXPECT_EQ(buffer.get_last_line(), 160);
  EXPECT_EQ(buffer.get_view_position(), 160);
}

} // namespace
