// Tests of the input line's key decisions (keypad walking, push-through keys, the Ctrl table,
// function keys, the order in which they are tried), auto-repeat, the wheel accumulator and the
// size steps.
#include "input/key_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

enum { C = 1, S = 2, A = 4, M = 8 };      // modifiers
enum { WALK = 1, PUSH = 2, PLAY = 4, ALL = 8 }; // context

vesk_key_press key(int code, int mods = 0) {
  vesk_key_press k;
  k.key = code;
  k.ctrl = mods & C;
  k.shift = mods & S;
  k.alt = mods & A;
  k.meta = mods & M;
  return k;
}

vesk_key_context context(int flags) {
  vesk_key_context c;
  c.keypad_walking = flags & WALK;
  c.push_through = flags & PUSH;
  c.playing = flags & PLAY;
  c.whole_text_selected = flags & ALL;
  return c;
}

struct key_case {
  int code, mods, flags;
  int kind;
  const char *text; // expected text, or null when none is expected
  int value;
};

// A fresh key state for every row: no key held before.
const key_case cases[] = {
    // Keypad walking: both keypad layers, neither Ctrl nor Shift, Alt does not matter.
    {vesk_key_kp_8, 0, WALK, vesk_act_walk, "north", 1},
    {vesk_key_kp_up, 0, WALK, vesk_act_walk, "north", 1},
    {vesk_key_kp_7, 0, WALK, vesk_act_walk, "northwest", 1},
    {vesk_key_kp_home, 0, WALK, vesk_act_walk, "northwest", 1},
    {vesk_key_kp_page_up, 0, WALK, vesk_act_walk, "northeast", 1},
    {vesk_key_kp_4, 0, WALK, vesk_act_walk, "west", 1},
    {vesk_key_kp_begin, 0, WALK, vesk_act_walk, "scan -qv", 1},
    {vesk_key_kp_5, 0, WALK, vesk_act_walk, "scan -qv", 1},
    {vesk_key_clear, 0, WALK, vesk_act_walk, "scan -qv", 1},
    {vesk_key_kp_right, 0, WALK, vesk_act_walk, "east", 1},
    {vesk_key_kp_end, 0, WALK, vesk_act_walk, "southwest", 1},
    {vesk_key_kp_2, 0, WALK, vesk_act_walk, "south", 1},
    {vesk_key_kp_page_down, 0, WALK, vesk_act_walk, "southeast", 1},
    {vesk_key_kp_add, 0, WALK, vesk_act_walk, "up", 1},
    {vesk_key_kp_subtract, 0, WALK, vesk_act_walk, "down", 1},
    {vesk_key_kp_8, A, WALK, vesk_act_walk, "north", 1},
    {vesk_key_kp_8, 0, 0, vesk_act_type, nullptr, 0},
    {vesk_key_kp_8, S, WALK, vesk_act_type, nullptr, 0},
    {vesk_key_kp_0, 0, WALK, vesk_act_type, nullptr, 0},
    {vesk_key_up, 0, WALK, vesk_act_history_up, nullptr, 0},
    // Ctrl leaves the keypad to the Ctrl table: Ctrl + keypad + is the font size.
    {vesk_key_kp_add, C, WALK, vesk_act_font_size, nullptr, 1},

    // Whole text selected (after a push-through Enter).
    {vesk_key_home, 0, ALL | PUSH, vesk_act_cursor_to_start, nullptr, 0},
    {vesk_key_left, 0, ALL | PUSH, vesk_act_cursor_to_start, nullptr, 0},
    {vesk_key_kp_home, 0, ALL | PUSH, vesk_act_cursor_to_start, nullptr, 0},
    {vesk_key_home, 0, ALL, vesk_act_type, nullptr, 0},
    {vesk_key_home, 0, PUSH, vesk_act_type, nullptr, 0},
    {vesk_key_up, 0, ALL, vesk_act_repeat_previous, nullptr, 0},
    {vesk_key_up, S, ALL, vesk_act_history_up, nullptr, 0},
    {vesk_key_up, C, ALL, vesk_act_page_up, nullptr, 0},
    {vesk_key_kp_home, 0, ALL | PUSH | WALK, vesk_act_walk, "northwest", 1},

    // The Ctrl table, without and with Shift.
    {'=', C, 0, vesk_act_font_size, nullptr, 1},
    {'+', C, 0, vesk_act_font_size, nullptr, 1},
    {'=', C | S, 0, vesk_act_channel_height, nullptr, 5},
    {'-', C, 0, vesk_act_font_size, nullptr, -1},
    {'_', C, 0, vesk_act_font_size, nullptr, -1},
    {vesk_key_kp_subtract, C, 0, vesk_act_font_size, nullptr, -1},
    {'-', C | S, 0, vesk_act_channel_height, nullptr, -5},
    {'1', C, PLAY, vesk_act_toggle_popup, nullptr, 1},
    {'9', C, PLAY, vesk_act_toggle_popup, nullptr, 9},
    {'0', C, PLAY, vesk_act_toggle_popup, nullptr, 10},
    {'1', C, 0, vesk_act_ignore, nullptr, 0},
    {'1', C | S, 0, vesk_act_toggle_setting, "automap_display", 0},
    {'2', C | S, 0, vesk_act_toggle_setting, "group_status_display", 0},
    {'3', C | S, 0, vesk_act_toggle_setting, "hpbar_enable", 0},
    {'4', C | S, 0, vesk_act_toggle_setting, "enemy_hpbar_enable", 0},
    {'5', C | S, 0, vesk_act_toggle_setting, "exp_display", 0},
    {'6', C | S, PLAY, vesk_act_ignore, nullptr, 0},
    {'7', C | S, 0, vesk_act_toggle_setting, "fkey_button_display", 0},
    {'8', C | S, 0, vesk_act_toggle_setting, "popup_display", 0},
    {'9', C | S, 0, vesk_act_toggle_setting, "mw_scrollbar_enable", 0},
    {'0', C | S, PLAY, vesk_act_ignore, nullptr, 0},
    {'M', C, 0, vesk_act_toggle_setting, "automap_display", 0},
    {'M', C | S, 0, vesk_act_toggle_setting, "automap_display", 0},
    {'P', C, 0, vesk_act_toggle_setting, "hpbar_enable", 0},
    {'C', C, 0, vesk_act_copy_or_break, nullptr, 0},
    {'D', C | S, 0, vesk_act_send_control, nullptr, 3},
    {'\\', C, 0, vesk_act_send_control, nullptr, 26},
    {'K', C, 0, vesk_act_clear_line, nullptr, 0},
    {'Q', C, 0, vesk_act_follow, nullptr, 0},
    {'S', C, 0, vesk_act_freeze, nullptr, 0},
    {'Z', C, 0, vesk_act_freeze, nullptr, 0},
    {'V', C, 0, vesk_act_paste, nullptr, 0},
    {'[', C, 0, vesk_act_automap_size, nullptr, -1},
    {']', C, 0, vesk_act_automap_size, nullptr, 1},
    {'[', C | S, 0, vesk_act_input_height, nullptr, -12},
    {']', C | S, 0, vesk_act_input_height, nullptr, 12},
    {'A', C, 0, vesk_act_type, nullptr, 0}, // not in the table: the toolkit's select-all
    {'P', 0, 0, vesk_act_type, nullptr, 0},

    // Keys without Ctrl, and Ctrl keys that are not in the table.
    {vesk_key_return, 0, PLAY, vesk_act_enter, nullptr, 0},
    {vesk_key_kp_enter, 0, 0, vesk_act_enter, nullptr, 0},
    {vesk_key_return, S, 0, vesk_act_enter, nullptr, 0},
    {vesk_key_return, C, 0, vesk_act_type, nullptr, 0}, // a line break in the entry
    {vesk_key_escape, 0, 0, vesk_act_escape, nullptr, 0},
    {vesk_key_escape, C, 0, vesk_act_escape, nullptr, 0},
    {vesk_key_down, 0, 0, vesk_act_history_down, nullptr, 0},
    {vesk_key_down, C, 0, vesk_act_page_down, nullptr, 1},
    {vesk_key_page_up, 0, 0, vesk_act_page_up, nullptr, 0},
    {vesk_key_page_down, 0, 0, vesk_act_page_down, nullptr, 0},
    {vesk_key_page_down, C, 0, vesk_act_page_down, nullptr, 0},

    // Function keys only while playing; Ctrl or Meta before Shift; Alt leaves them alone.
    {vesk_key_f1, 0, PLAY, vesk_act_function_key, "f01", 0},
    {vesk_key_f12, 0, PLAY, vesk_act_function_key, "f12", 0},
    {vesk_key_f1 + 4, S, PLAY, vesk_act_function_key, "sf05", 0},
    {vesk_key_f1 + 4, C, PLAY, vesk_act_function_key, "cf05", 0},
    {vesk_key_f1 + 4, M, PLAY, vesk_act_function_key, "cf05", 0},
    {vesk_key_f1 + 9, C | S, PLAY, vesk_act_function_key, "cf10", 0},
    {vesk_key_f1 + 4, A, PLAY, vesk_act_type, nullptr, 0},
    {vesk_key_f1, 0, 0, vesk_act_type, nullptr, 0},

    // Everything else is typing; a modifier on its own scrolls nothing.
    {'A', 0, 0, vesk_act_type, nullptr, 0},
    {vesk_key_backspace, 0, 0, vesk_act_type, nullptr, 0},
    {vesk_key_modifier, 0, 0, vesk_act_modifier, nullptr, 0},
    {vesk_key_modifier, C, 0, vesk_act_modifier, nullptr, 0},
    {vesk_key_other, 0, 0, vesk_act_type, nullptr, 0},
};

TEST(KeyTable, EachKeyMeansWhatItShould) {
  for (const key_case &c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.code << " mods " << c.mods << " context " << c.flags);
    vesk_key_state state;
    vesk_line_action a = state.press(key(c.code, c.mods), context(c.flags));
    EXPECT_EQ(a.kind, c.kind);
    EXPECT_EQ(a.value, c.value);
    if (c.text) {
      ASSERT_NE(a.text, nullptr);
      EXPECT_STREQ(a.text, c.text);
    } else {
      EXPECT_EQ(a.text, nullptr);
    }
  }
}

// A sequence of presses (+) and releases (-) and the kinds the presses give.
struct repeat_step {
  char what; // '+' press, '-' release
  int code, mods;
  int kind;
};

struct repeat_script {
  const char *name;
  int flags;
  std::vector<repeat_step> steps;
};

const repeat_script repeat_scripts[] = {
    {"holding keypad 8 walks once", WALK,
     {{'+', vesk_key_kp_8, 0, vesk_act_walk},
      {'+', vesk_key_kp_8, 0, vesk_act_ignore},
      {'+', vesk_key_kp_8, 0, vesk_act_ignore},
      {'-', vesk_key_kp_8, 0, 0},
      {'+', vesk_key_kp_8, 0, vesk_act_walk}}},
    {"a second walking key pressed before the first is released still walks", WALK,
     {{'+', vesk_key_kp_8, 0, vesk_act_walk},
      {'+', vesk_key_kp_6, 0, vesk_act_walk},
      {'+', vesk_key_kp_6, 0, vesk_act_ignore}}},
    {"held Ctrl combinations act once, Backspace repeats", 0,
     {{'+', vesk_key_modifier, C, vesk_act_modifier},
      {'+', 'K', C, vesk_act_clear_line},
      {'+', 'K', C, vesk_act_ignore},
      {'-', 'K', C, 0},
      {'+', 'K', C, vesk_act_clear_line},
      {'+', vesk_key_backspace, C, vesk_act_type},
      {'+', vesk_key_backspace, C, vesk_act_type},
      {'+', vesk_key_up, C, vesk_act_page_up},
      {'+', vesk_key_up, C, vesk_act_ignore}}},
    {"a repeat counts as Ctrl only when the previous press had Ctrl", 0,
     {{'+', 'K', 0, vesk_act_type}, {'+', 'K', C, vesk_act_clear_line}, {'+', 'K', C, vesk_act_ignore}}},
    {"plain keys repeat as typing", 0,
     {{'+', 'A', 0, vesk_act_type}, {'+', 'A', 0, vesk_act_type}, {'+', vesk_key_up, 0, vesk_act_history_up},
      {'+', vesk_key_up, 0, vesk_act_history_up}}},
};

TEST(KeyTable, AutoRepeat) {
  for (const repeat_script &s : repeat_scripts) {
    SCOPED_TRACE(s.name);
    vesk_key_state state;
    int n = 0;
    for (const repeat_step &step : s.steps) {
      SCOPED_TRACE(testing::Message() << "step " << n++);
      if (step.what == '-') {
        state.release();
        EXPECT_FALSE(state.key_held);
        continue;
      }
      EXPECT_EQ(state.press(key(step.code, step.mods), context(s.flags)).kind, step.kind);
      EXPECT_TRUE(state.key_held);
      EXPECT_EQ(state.last_key, step.code);
      EXPECT_EQ(state.last_ctrl, (step.mods & C) != 0);
    }
  }
}

TEST(KeyTable, WalkingCommandsAreNullForOtherKeys) {
  EXPECT_EQ(vesk_walking_command('8'), nullptr);
  EXPECT_EQ(vesk_walking_command(vesk_key_up), nullptr);
  EXPECT_STREQ(vesk_walking_command(vesk_key_kp_9), "northeast");
}

TEST(KeyTable, WheelSteps) {
  struct wheel_script {
    const char *name;
    int delta;
    std::vector<int> rotations, steps;
  };
  const wheel_script scripts[] = {
      {"whole steps", 120, {120, 120, -120, -120, -120, 240}, {1, 1, -1, -1, -1, 1}},
      {"no rotation does nothing", 120, {0, 120, 0}, {0, 1, 0}},
      // Each multiple of the delta that the total crosses is one step, whichever the direction.
      {"half steps scroll once per whole step", 120, {60, 60, 60, 60, -60, -60}, {0, 1, 0, 1, -1, 0}},
      {"half steps across zero", 120, {-60, 60, 60, -60, -60}, {-1, 1, 0, 0, -1}},
      {"a delta of 0 counts as 1", 0, {1, -1, 5}, {1, -1, 1}},
      {"a negative delta counts as 1", -120, {3, -3}, {1, -1}},
  };
  for (const wheel_script &s : scripts) {
    SCOPED_TRACE(s.name);
    int total = 0;
    for (size_t i = 0; i < s.rotations.size(); i++) {
      SCOPED_TRACE(testing::Message() << "rotation " << i);
      EXPECT_EQ(vesk_wheel_step(&total, s.rotations[i], s.delta), s.steps[i]);
    }
  }
  // A long spin in one direction cannot overflow the accumulator.
  int total = 0, ups = 0;
  for (int i = 0; i < 100; i++)
    ups += vesk_wheel_step(&total, 2000000000, 120);
  EXPECT_EQ(ups, 100);
  EXPECT_EQ(vesk_wheel_step(nullptr, 120, 120), 0);
}

TEST(KeyTable, SizeStepsStayInBounds) {
  struct step_case {
    int (*step)(int, int);
    int from, delta, to;
  };
  const step_case cases[] = {
      {vesk_step_font_size, 8, 1, 9},          {vesk_step_font_size, 8, -1, 7},
      {vesk_step_font_size, 4, -1, 3},         {vesk_step_font_size, 3, -1, 3},
      {vesk_step_font_size, 2, -1, 2},         {vesk_step_channel_height, 25, 5, 30},
      {vesk_step_channel_height, 78, 5, 80},   {vesk_step_channel_height, 80, 5, 80},
      {vesk_step_channel_height, 12, -5, 10},  {vesk_step_channel_height, 10, -5, 10},
      {vesk_step_input_height, 48, 12, 60},    {vesk_step_input_height, 48, -12, 36},
      {vesk_step_input_height, 30, -12, 24},   {vesk_step_input_height, 24, -12, 24},
  };
  for (const step_case &c : cases)
    EXPECT_EQ(c.step(c.from, c.delta), c.to) << "from " << c.from << " by " << c.delta;
}

TEST(KeyTable, Toggles) {
  EXPECT_EQ(vesk_toggled_setting("hpbar_enable", 0), 1);
  EXPECT_EQ(vesk_toggled_setting("hpbar_enable", 1), 0);
  EXPECT_EQ(vesk_toggled_setting("automap_display", 3), 2) << "only bit 0 shows the automap";
  EXPECT_EQ(vesk_toggled_setting("group_status_display", 0), 1);
  EXPECT_EQ(vesk_toggled_setting("group_status_display", 1), 0);
  EXPECT_EQ(vesk_toggled_setting("group_status_display", 2), 0) << "horizontal counts as on";
}

} // namespace
