// Tests of the input line's histories: storing with its duplicate rule and 98-command limit,
// browsing scripts of Up and Down, switching histories, secret mode, the listing, and the
// cursor steps inside a multi-line entry.
#include "input/command_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> commands(const vesk_command_history &h) {
  std::vector<std::wstring> out;
  for (int i = vesk_command_history::first_command_slot; h.slot(i); i++)
    out.push_back(*h.slot(i));
  return out;
}

// One step of a browsing script: the key, the text on the line when it is pressed, and what the
// line shows afterwards ("=" keeps the line as it was, "" is an empty line).
struct browse_step {
  char key; // 'U' up, 'D' down, 'S' store the line (Enter)
  const wchar_t *line;
  const wchar_t *shows;
  int position;
};

struct browse_script {
  const char *name;
  std::vector<const wchar_t *> stored; // stored first, oldest first
  std::vector<browse_step> steps;
};

const wchar_t *const same = L"=";

const browse_script scripts[] = {
    {"up walks back to the oldest and stops there",
     {L"one", L"two"},
     {{'U', L"draft", L"two", 2}, {'U', L"two", L"one", 3}, {'U', L"one", same, 3}}},
    {"down returns to the edited text, then the empty slot, then clears",
     {L"one", L"two"},
     {{'U', L"draft", L"two", 2},
      {'D', L"two", L"draft", 1},
      {'D', L"draft", L"", 0},
      {'D', L"", L"", 0},
      {'U', L"", L"draft", 1}}},
    {"down on the edit line keeps the typed text for up",
     {L"one"},
     {{'D', L"typed", L"", 0}, {'U', L"", L"typed", 1}, {'U', L"typed", L"one", 2}}},
    {"an edited recalled command is not written back",
     {L"one", L"two"},
     {{'U', L"draft", L"two", 2}, {'U', L"two changed", L"one", 3}, {'D', L"one", L"two", 2}}},
    {"storing returns to the edit line with slot 1 empty",
     {L"one"},
     {{'U', L"draft", L"one", 2}, {'S', L"one", same, 1}, {'U', L"", L"one", 2}, {'D', L"one", L"", 1}}},
    {"up with no commands does nothing",
     {},
     {{'U', L"draft", same, 1}, {'D', L"draft", L"", 0}}},
};

class browsing : public testing::TestWithParam<browse_script> {};

TEST_P(browsing, script) {
  const browse_script &s = GetParam();
  vesk_command_history h;
  h.select_history(2); // starts empty, unlike history 0
  for (const wchar_t *c : s.stored)
    h.history_store(c);
  int n = 0;
  for (const browse_step &step : s.steps) {
    SCOPED_TRACE(testing::Message() << "step " << n++ << " key " << step.key);
    std::wstring line = step.line, shown = L"(untouched)";
    if (step.key == 'U') {
      if (h.history_up(line, &shown))
        line = shown;
    } else if (step.key == 'D') {
      int r = h.history_down(line, &shown);
      if (r == vesk_command_history::browse_show)
        line = shown;
      else if (r == vesk_command_history::browse_clear)
        line.clear();
    } else {
      h.history_store(line);
    }
    EXPECT_EQ(line, std::wstring(step.shows == same ? step.line : step.shows));
    EXPECT_EQ(h.position(), step.position);
  }
}

INSTANTIATE_TEST_SUITE_P(History, browsing, testing::ValuesIn(scripts),
                         [](const testing::TestParamInfo<browse_script> &info) {
                           std::string name;
                           for (const char *p = info.param.name; *p; p++)
                             name += isalnum((unsigned char)*p) ? *p : '_';
                           return name;
                         });

TEST(History, StartsWithConnectInTheOfflineHistoryOnly) {
  vesk_command_history h;
  EXPECT_EQ(h.current_history(), 0);
  EXPECT_EQ(h.position(), 1);
  EXPECT_EQ(commands(h), std::vector<std::wstring>{L"connect"});
  ASSERT_NE(h.slot(0), nullptr);
  ASSERT_NE(h.slot(1), nullptr);
  EXPECT_EQ(h.slot(3), nullptr);
  EXPECT_EQ(h.slot(-1), nullptr);
  EXPECT_EQ(h.slot(100), nullptr);
  h.select_history(1);
  EXPECT_TRUE(commands(h).empty());
}

TEST(History, SameCommandTwiceIsStoredOnce) {
  vesk_command_history h;
  h.select_history(2);
  h.history_store(L"look");
  h.history_store(L"look");
  h.history_store(L"Look"); // case matters
  h.history_store(L"look");
  EXPECT_EQ(commands(h), (std::vector<std::wstring>{L"look", L"Look", L"look"}));
}

TEST(History, KeepsTheNewest98) {
  vesk_command_history h;
  h.select_history(2);
  for (int i = 1; i <= 99; i++)
    h.history_store(L"c" + std::to_wstring(i));
  std::vector<std::wstring> kept = commands(h);
  ASSERT_EQ(kept.size(), 98u);
  EXPECT_EQ(kept.front(), L"c99");
  EXPECT_EQ(kept.back(), L"c2");
  h.history_store(L"c100");
  kept = commands(h);
  ASSERT_EQ(kept.size(), 98u);
  EXPECT_EQ(kept.front(), L"c100");
  EXPECT_EQ(kept.back(), L"c3");

  // Browsing reaches slot 99 and stops there.
  std::wstring shown;
  int steps = 0;
  while (h.history_up(L"", &shown))
    steps++;
  EXPECT_EQ(steps, 98);
  EXPECT_EQ(shown, L"c3");
  EXPECT_EQ(h.position(), 99);
}

TEST(History, EachHistoryKeepsItsOwnCommandsAndPosition) {
  vesk_command_history h;
  std::wstring shown;
  EXPECT_TRUE(h.history_up(L"offline draft", &shown));
  EXPECT_EQ(shown, L"connect");
  h.select_history(1);
  EXPECT_EQ(h.position(), 1);
  h.history_store(L"my name");
  h.select_history(2);
  h.history_store(L"look");
  h.history_store(L"score");
  EXPECT_TRUE(h.history_up(L"", &shown));
  EXPECT_EQ(h.position(), 2);

  h.select_history(0);
  EXPECT_EQ(h.position(), 2) << "the offline history was left one step up";
  EXPECT_EQ(h.history_down(L"connect", &shown), vesk_command_history::browse_show);
  EXPECT_EQ(shown, L"offline draft");

  h.select_history(7); // ignored
  h.select_history(-1);
  EXPECT_EQ(h.current_history(), 0);
  h.select_history(2);
  EXPECT_EQ(h.position(), 2);
  EXPECT_EQ(commands(h), (std::vector<std::wstring>{L"score", L"look"}));
}

TEST(History, SecretModeStoresNothingAndKeepsTheHiddenLineOutOfSlotOne) {
  vesk_command_history h;
  h.select_history(1);
  h.history_store(L"name");
  h.secret_mode = true;
  h.history_store(L"password");
  EXPECT_EQ(commands(h), std::vector<std::wstring>{L"name"});

  // Browsing from a half-typed password must not keep it where Down would bring it back.
  std::wstring shown;
  EXPECT_TRUE(h.history_up(L"passw", &shown));
  EXPECT_EQ(shown, L"name");
  EXPECT_EQ(h.history_down(L"name", &shown), vesk_command_history::browse_show);
  EXPECT_EQ(shown, L"");
  h.secret_mode = false;
  EXPECT_EQ(h.history_down(L"", &shown), vesk_command_history::browse_show);
  EXPECT_EQ(h.history_up(L"", &shown), true);
  EXPECT_EQ(shown, L"") << "slot 1 never held the password";
}

TEST(History, ListingShowsTheNewest19OldestFirstInAscii) {
  vesk_command_history h;
  h.select_history(2);
  for (int i = 1; i <= 25; i++)
    h.history_store(L"cmd" + std::to_wstring(i));
  h.history_store(L"caf\u00e9 \u201cquoted\u201d");
  std::string text;
  h.list_history([&](const char *piece) { text += piece; });
  std::string expected = "\nRecent Command History:";
  for (int i = 19; i >= 2; i--)
    expected += "\n" + std::string(i < 10 ? " " : "") + std::to_string(i) + " - cmd" + std::to_string(27 - i);
  expected += "\n 1 - cafe \"quoted\"\n";
  EXPECT_EQ(text, expected);

  vesk_command_history fresh;
  fresh.select_history(1);
  text.clear();
  fresh.list_history([&](const char *piece) { text += piece; });
  EXPECT_EQ(text, "\nRecent Command History:\n");
}

TEST(History, ListingCutsAHugeCommandInsteadOfOverflowing) {
  vesk_command_history h;
  h.select_history(2);
  h.history_store(std::wstring(20000, L'x'));
  std::string text;
  h.list_history([&](const char *piece) { text += piece; });
  // Heading, one entry cut to the 5999-byte text buffer, final line feed.
  EXPECT_EQ(text.size(), std::string("\nRecent Command History:").size() + 5999 + 1);
}

struct cursor_case {
  const wchar_t *text;
  long cursor, up, down;
};

TEST(History, CursorStepsInsideAMultiLineEntry) {
  // "ab\ncd\nef": line breaks at 2 and 5.
  const cursor_case cases[] = {
      {L"ab\ncd\nef", 7, 5, 8}, {L"ab\ncd\nef", 6, 5, 8}, {L"ab\ncd\nef", 5, 2, 6},
      {L"ab\ncd\nef", 4, 2, 6}, {L"ab\ncd\nef", 2, 0, 3}, {L"ab\ncd\nef", 1, 0, 3},
      {L"ab\ncd\nef", 0, 0, 3}, {L"plain", 2, 0, 5},      {L"", 0, 0, 0},
      {L"ab\n", 99, 2, 3},
  };
  for (const cursor_case &c : cases) {
    SCOPED_TRACE(testing::Message() << "cursor " << c.cursor);
    EXPECT_EQ(vesk_line_up_target(c.text, c.cursor), c.up);
    EXPECT_EQ(vesk_line_down_target(c.text, c.cursor), c.down);
  }
}

} // namespace
