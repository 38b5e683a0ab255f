// Tests of the ANSI interpreter: SGR parameters, colour schemes, byte handling, render runs and
// rebuilding the text control from them, and the output line buffer.
#include "text/ansi_interpreter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/glyph_font.h"
#include "log_fixture.h"
#include "text_snapshot.h"
#include "support/random.h"
#include "text/text_buffer.h"

namespace {

vesk_color hex(unsigned rgb) { return vesk_color((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }


std::string all_text(const vesk_text_buffer &buffer) {
  std::string text;
  for (const line_snapshot &s : snapshot(buffer))
    text += s.text + (s.ended ? "\n" : "");
  return text;
}

// Colour of the first byte of `needle` in the buffer, or 0xFFFFFFFF when it is not there.
uint32_t colour_of(const vesk_text_buffer &buffer, const std::string &needle) {
  for (const line_snapshot &s : snapshot(buffer)) {
    size_t at = s.text.find(needle);
    if (at != std::string::npos)
      return s.colours[at];
  }
  return 0xFFFFFFFF;
}

class recording_interpreter : public vesk_ansi_interpreter {
public:
  using vesk_ansi_interpreter::vesk_ansi_interpreter;
  void line_complete(const char *line) override {
    lines.push_back(line);
    if (echo_inside)
      output_text("echo\n"); // must not come back here
  }
  std::vector<std::string> lines;
  bool echo_inside = false;
};

class AnsiInterpreter : public ::testing::Test {
protected:
  AnsiInterpreter() : font(8, 10), ansi(buffer) {
    vesk_select_color_scheme(0);
    buffer.set_font(&font);
    buffer.on_size(800, 200); // 20 visible lines, 100 columns
  }
  ~AnsiInterpreter() override { vesk_select_color_scheme(0); }
  void feed(const std::string &bytes) { ansi.process_text_data(bytes.data(), (int)bytes.size()); }

  vesk_synthetic_font font;
  vesk_text_buffer buffer;
  recording_interpreter ansi;
};

TEST_F(AnsiInterpreter, SgrParametersSetStyleAndCode) {
  struct row {
    const char *sequence;
    int style, code; // expected after the sequence, starting from bright green
    bool bad;
  };
  const row rows[] = {
      {"\x1b[0m", 0, 0, false},     {"\x1b[1m", 4, 0x32, false},  {"\x1b[2m", 8, 0x32, false},
      {"\x1b[5m", 2, 0x32, false},  {"\x1b[7m", 16, 0x32, false}, {"\x1b[22m", 0, 0x32, false},
      {"\x1b[31m", 4, 0x31, false}, {"\x1b[34m", 4, 0x34, false}, {"\x1b[37m", 4, 0x37, false},
      {"\x1b[30m", 4, 0x32, true},  {"\x1b[39m", 4, 0x32, true},  {"\x1b[4m", 4, 0x32, true},
      {"\x1b[m", 0, 0, false}, // no digits: parameter 0
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.sequence + 1);
    scoped_debug_log log(3);
    ansi.set_color(1, 0x32);
    feed(r.sequence);
    EXPECT_EQ(ansi.get_current_attributes().style, r.style);
    EXPECT_EQ(ansi.get_current_attributes().color_code, r.code);
    EXPECT_EQ(log.contains("error in vesk_ansi_display::process_ansi_code() - bad value"), r.bad);
  }
  scoped_debug_log log(3);
  feed("\x1b[30m");
  EXPECT_TRUE(log.contains("bad value '48'.")); // 0x30, logged in decimal
}

TEST_F(AnsiInterpreter, SchemesGiveTheTableColours) {
  struct row {
    int scheme, style, code;
    unsigned rgb;
  };
  const row rows[] = {
      {0, 4, 0x31, 0xFF5555}, {0, 0, 0x33, 0xAA8800}, {0, 8, 0x36, 0x008060}, {0, 0, 0, 0xA0A0A0},
      {0, 4, 0, 0xFFFFFF},    {1, 0, 0x37, 0xCCCCCC}, {1, 8, 0x34, 0x000080}, {1, 4, 0x35, 0xFF80FF},
      {2, 0, 0x32, 0x00B300}, {2, 2, 0x31, 0x800000}, {2, 16, 0x37, 0x808080}, {3, 0, 0x37, 0xFFFFFF},
      {3, 4, 0x37, 0x808080}, {3, 4, 0, 0x808080},    {3, 8, 0x33, 0x404000},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(testing::Message() << "scheme " << r.scheme << " style " << r.style << " code " << r.code);
    ASSERT_TRUE(vesk_select_color_scheme(r.scheme));
    ansi.process_ansi_code(r.style == 4 ? 1 : r.style == 8 ? 2 : r.style == 2 ? 5 : r.style == 16 ? 7 : 0x22);
    ansi.process_ansi_code(r.code == 0 ? 0 : r.code);
    if (r.code == 0 && r.style == 4)
      ansi.process_ansi_code(1); // parameter 0 also resets the style
    EXPECT_EQ(ansi.get_current_attributes().color, hex(r.rgb));
    EXPECT_EQ(buffer.get_foreground(), hex(r.rgb));
  }
  EXPECT_FALSE(vesk_select_color_scheme(4));
  EXPECT_STREQ(vesk_color_schemes[2].name, "ZMud-style");
}

TEST_F(AnsiInterpreter, BrightRedHelloAndTheRejectedSeparator) {
  feed("\x1b[1m");
  feed("\x1b[31mHello\n");
  EXPECT_EQ(colour_of(buffer, "Hello"), 0xFF5555u);
  scoped_debug_log log(3);
  feed("\x1b[0m\x1b[1;31mX\n");
  EXPECT_EQ(all_text(buffer), "Hello\n31mX\n");
  EXPECT_TRUE(log.contains("process_ansi_code(2) - ignoring unhandled code 59.\n"));
  EXPECT_EQ(colour_of(buffer, "31mX"), 0xA0A0A0u); // the "1" was not applied either
}

TEST_F(AnsiInterpreter, BytesAreShownDroppedOrReplaced) {
  static const char bytes[] = "a\xE9" "b\rc\x01\x08\x0b\x1a\x7f" "d\x1c\x1f" "e\x00" "f\tg\n";
  feed(std::string(bytes, sizeof bytes - 1));
  EXPECT_EQ(all_text(buffer), "a.bcd\x1c\x1f" "ef       g\n"); // the tab: column 9 to 16
}

TEST_F(AnsiInterpreter, SequenceSplitAcrossCallsIsCompleted) {
  feed("plain \x1b");
  feed("[3");
  feed("2mgreen\n");
  EXPECT_EQ(all_text(buffer), "plain green\n");
  EXPECT_EQ(colour_of(buffer, "green"), 0x00AA00u);
  EXPECT_EQ(colour_of(buffer, "plain"), 0xA0A0A0u);
}

TEST_F(AnsiInterpreter, ResetSequenceScrollsTheScreenEmptyAndResetsToWhite) {
  feed("\x1b[1m\x1b[31mtext\n");
  int before = buffer.get_last_line();
  scoped_debug_log log(3);
  feed("\x1b" "c" "after");
  EXPECT_EQ(buffer.get_last_line(), before + 2 * 20 + 1);
  EXPECT_EQ(colour_of(buffer, "after"), 0xA0A0A0u); // plain white
  EXPECT_EQ(ansi.get_current_attributes().color_code, 0x37);
  feed("\x1bZ");
  EXPECT_TRUE(log.contains("process_ansi_code(1) - got unhandled code 90.\n"));
}

TEST_F(AnsiInterpreter, ReverseShadesTheWholeControl) {
  feed("\x1b[7mx");
  EXPECT_EQ(buffer.get_background(), vesk_color(64, 64, 64));
  EXPECT_EQ(buffer.get_base_background(), vesk_color(64, 64, 64));
  feed("\x1b[22my");
  EXPECT_EQ(buffer.get_background(), vesk_black);
}

TEST_F(AnsiInterpreter, RunsChangeOnlyWhenTheShownColourChanges) {
  ansi.clear();
  feed("\x1b[37mone \x1b[0mtwo "); // white and the default colour are both A0A0A0
  feed("\x1b[31mthree \x1b[31mfour\n\x1b[1m\x1b[1m");
  EXPECT_EQ(ansi.get_render_list().run_count(), 2);
  std::vector<std::string> texts;
  vesk_render_list::reader reader(ansi.get_render_list());
  vesk_render_run run;
  while (reader.next_run(&run)) {
    std::string t;
    const char *p;
    int n;
    while (reader.next_piece(&p, &n))
      t.append(p, (size_t)n);
    texts.push_back(t);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"one two ", "three four\n"}));
  EXPECT_FALSE(ansi.has_partial_line());
}

TEST_F(AnsiInterpreter, SchemeSwitchChangesOnlyLaterText) {
  feed("\x1b[1m\x1b[37mbefore ");
  vesk_select_color_scheme(3);
  ansi.refresh_attributes();
  feed("after\n");
  EXPECT_EQ(colour_of(buffer, "before"), 0xFFFFFFu);
  EXPECT_EQ(colour_of(buffer, "after"), 0x808080u);
  ansi.rerender();
  EXPECT_EQ(colour_of(buffer, "before"), 0xFFFFFFu);
  EXPECT_EQ(colour_of(buffer, "after"), 0x808080u);
}

TEST_F(AnsiInterpreter, ResumeWithoutSuspendOnlyLogs) {
  feed("kept\n");
  scoped_debug_log log(3);
  ansi.resume_updates();
  EXPECT_TRUE(log.contains("Error in vesk_ansi_display::resume_updates(), updates were not suspended?\n"));
  EXPECT_EQ(all_text(buffer), "kept\n");
  ansi.rerender_flush();
  ansi.rerender_flush();
  EXPECT_TRUE(log.contains("vesk_ansi_display - rerender_flush() - temp space was empty, WTF?\n"));
}

TEST_F(AnsiInterpreter, SuspendedTextReachesOnlyTheRenderListUntilResumed) {
  feed("visible\n");
  ansi.suspend_updates();
  ansi.clear();
  feed("\x1b[32mpopup one\n\x1b[33mpopup two\n\x1b[36m");
  EXPECT_EQ(all_text(buffer), "visible\n");
  ansi.resume_updates();
  EXPECT_EQ(all_text(buffer), "popup one\npopup two\n");
  EXPECT_EQ(colour_of(buffer, "two"), 0xAA8800u);
  // After the rebuild the control is in the current colour (cyan), not in the last run's.
  feed("more\n");
  EXPECT_EQ(colour_of(buffer, "more"), 0x0080AAu);
}

TEST_F(AnsiInterpreter, RerenderKeepsEveryByteOfALongSingleColourRun) {
  ansi.clear();
  std::string text;
  vesk_random random;
  random.seed(7);
  while (text.size() < 50000) {
    int word = 1 + random.below(12);
    text.append((size_t)word, (char)('a' + random.below(26)));
    text += random.below(15) == 0 ? "\n" : " ";
  }
  std::string no_newline(20000, 'x');
  ansi.output_text(text.c_str());
  ansi.output_text(no_newline.c_str());
  ASSERT_EQ(ansi.get_render_list().run_count(), 1);
  auto direct = snapshot(buffer);
  ansi.rerender();
  EXPECT_EQ(all_text(buffer), text + no_newline);
  EXPECT_TRUE(snapshot(buffer) == direct);
}

TEST_F(AnsiInterpreter, RerenderRebuildsTheLinesDirectOutputBuilt) {
  ansi.clear();
  // Leading blank lines after a clear, one per call as the server sends them, colour changes,
  // reverse video, tabs, high bytes, a long line that wraps several times, local text.
  feed("\n");
  feed("\n\x1b[1m\x1b[32mgreen\tbright\x1b[0m plain\n");
  feed("\x1b[7mrev\x1b[22m \x1b[33myel\xE9low\n");
  std::string longline;
  for (int i = 0; i < 60; i++)
    longline += "word" + std::to_string(i) + (i % 7 ? " " : "\t");
  feed("\x1b[34m" + longline + "\n");
  ansi.output_text("local \xC4 text\twith tab\n");
  feed("\x1b[35mpartial");
  auto direct = snapshot(buffer);
  ASSERT_GT(direct.size(), 6u);
  EXPECT_EQ(direct[0].text.substr(0, 5), "green"); // no blank lines at the top
  ansi.rerender();
  auto rebuilt = snapshot(buffer);
  ASSERT_EQ(rebuilt.size(), direct.size());
  for (size_t i = 0; i < direct.size(); i++)
    EXPECT_TRUE(rebuilt[i] == direct[i]) << "line " << i << ": '" << direct[i].text << "' vs '" << rebuilt[i].text << "'";
  // New text after the rebuild goes on in the current colour and on the same line.
  feed(" more\n");
  EXPECT_EQ(colour_of(buffer, "partial more"), 0xAA00CCu);
}

TEST_F(AnsiInterpreter, LineBufferReportsCompletedLines) {
  feed("first li");
  EXPECT_TRUE(ansi.has_partial_line());
  feed("ne\nsecond\n\nthird");
  EXPECT_EQ(ansi.lines, (std::vector<std::string>{"first line", "second", ""}));
  ansi.flush_partial_line();
  EXPECT_FALSE(ansi.has_partial_line());
  EXPECT_EQ(ansi.lines.back(), "third");
  ansi.flush_partial_line(); // empty: nothing reported
  EXPECT_EQ(ansi.lines.size(), 4u);

  std::string huge(7000, 'h');
  ansi.output_text((huge + "\n").c_str());
  EXPECT_EQ(ansi.lines.back(), std::string(5999, 'h'));
  EXPECT_EQ(all_text(buffer).find(huge) != std::string::npos, true); // the text itself is whole

  // Text written while a line is being completed reaches no line buffer.
  ansi.echo_inside = true;
  feed("trigger\n");
  EXPECT_EQ(ansi.lines.back(), "trigger");
  EXPECT_FALSE(ansi.has_partial_line());
  ansi.echo_inside = false;
  feed("next\n");
  EXPECT_EQ(ansi.lines.back(), "next");
}

TEST_F(AnsiInterpreter, ClearEmptiesEverythingAndResetsToWhite) {
  feed("\x1b[1m\x1b[31mred\n");
  ansi.clear();
  EXPECT_EQ(ansi.get_render_list().run_count(), 0);
  EXPECT_EQ(buffer.get_last_line(), 0);
  EXPECT_EQ(buffer.get_text_bytes(), 0);
  EXPECT_EQ(ansi.get_current_attributes().color_code, 0x37);
  EXPECT_EQ(ansi.get_current_attributes().style, 0);
  feed("white\n");
  EXPECT_EQ(colour_of(buffer, "white"), 0xA0A0A0u);
}

TEST_F(AnsiInterpreter, WordWrapOffRebuildsWithoutBreaks) {
  std::string text(250, 'w');
  feed(text + "\n");
  EXPECT_EQ(buffer.get_last_line(), 3); // 99 + 99 + 52, then the open line
  ansi.set_word_wrap(false);
  EXPECT_EQ(buffer.get_last_line(), 1);
  EXPECT_EQ(all_text(buffer), text + "\n");
}

TEST_F(AnsiInterpreter, DebugFillWritesStraightIntoTheControl) {
  feed("\x1b[32mbefore\n");
  int runs = ansi.get_render_list().run_count();
  vesk_random random;
  random.seed(1);
  testing::internal::CaptureStdout();
  ansi.debug_fill(random);
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find(std::string("entries in render list   ") + "       1\n"), std::string::npos);
  EXPECT_NE(printed.find("size of vesk_textctrl_chunk " + std::string(3, ' ') + "24\n"), std::string::npos);
  EXPECT_EQ(ansi.get_render_list().run_count(), runs);
  EXPECT_GE(buffer.get_last_line(), 100002);
  vesk_fixed_text summary;
  buffer.line_text(buffer.get_last_line() - 1, summary);
  EXPECT_NE(std::string(summary.c_str()).find(" characters written ("), std::string::npos);
  feed("after\n");
  EXPECT_EQ(colour_of(buffer, "after"), 0x00AA00u);
}

} // namespace
