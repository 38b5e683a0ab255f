// The key decisions of the input line, in the order the keys are tested, with their tables.
#include "input/key_table.h"

#include <cstring>

namespace {

struct walking_entry {
  int key;
  const char *command;
};

const walking_entry walking_table[] = {
    {vesk_key_kp_7, "northwest"},  {vesk_key_kp_home, "northwest"},
    {vesk_key_kp_8, "north"},      {vesk_key_kp_up, "north"},
    {vesk_key_kp_9, "northeast"},  {vesk_key_kp_page_up, "northeast"},
    {vesk_key_kp_4, "west"},       {vesk_key_kp_left, "west"},
    {vesk_key_kp_5, "scan -qv"},   {vesk_key_kp_begin, "scan -qv"},
    {vesk_key_clear, "scan -qv"},  {vesk_key_kp_6, "east"},
    {vesk_key_kp_right, "east"},   {vesk_key_kp_1, "southwest"},
    {vesk_key_kp_end, "southwest"}, {vesk_key_kp_2, "south"},
    {vesk_key_kp_down, "south"},   {vesk_key_kp_3, "southeast"},
    {vesk_key_kp_page_down, "southeast"}, {vesk_key_kp_add, "up"},
    {vesk_key_kp_subtract, "down"},
};

// Ctrl+Shift with a digit: the setting it toggles, or null for the digits that do nothing.
const char *const shifted_digit_settings[10] = {
    nullptr,               // 0
    "automap_display",     // 1
    "group_status_display", // 2
    "hpbar_enable",        // 3
    "enemy_hpbar_enable",  // 4
    "exp_display",         // 5
    nullptr,               // 6
    "fkey_button_display", // 7
    "popup_display",       // 8
    "mw_scrollbar_enable", // 9
};

// Function-key commands: plain, with Shift, with Ctrl or Meta.
const char *const function_key_commands[3][12] = {
    {"f01", "f02", "f03", "f04", "f05", "f06", "f07", "f08", "f09", "f10", "f11", "f12"},
    {"sf01", "sf02", "sf03", "sf04", "sf05", "sf06", "sf07", "sf08", "sf09", "sf10", "sf11", "sf12"},
    {"cf01", "cf02", "cf03", "cf04", "cf05", "cf06", "cf07", "cf08", "cf09", "cf10", "cf11", "cf12"},
};

vesk_line_action make(int kind, int value = 0, const char *text = nullptr) {
  vesk_line_action a;
  a.kind = kind;
  a.value = value;
  a.text = text;
  return a;
}

// The Ctrl table; false when the key is not in it.
bool ctrl_table(const vesk_key_press &k, const vesk_key_context &c, vesk_line_action *out) {
  int key = k.key;
  if (key == '+' || key == '=' || key == vesk_key_kp_add) {
    *out = k.shift ? make(vesk_act_channel_height, 5) : make(vesk_act_font_size, 1);
    return true;
  }
  if (key == '-' || key == '_' || key == vesk_key_kp_subtract) {
    *out = k.shift ? make(vesk_act_channel_height, -5) : make(vesk_act_font_size, -1);
    return true;
  }
  if (key >= '0' && key <= '9') {
    int digit = key - '0';
    if (k.shift) {
      const char *setting = shifted_digit_settings[digit];
      *out = setting ? make(vesk_act_toggle_setting, 0, setting) : make(vesk_act_ignore);
    } else {
      *out = c.playing ? make(vesk_act_toggle_popup, digit == 0 ? 10 : digit) : make(vesk_act_ignore);
    }
    return true;
  }
  switch (key) {
  case 'M':
    *out = make(vesk_act_toggle_setting, 0, "automap_display");
    return true;
  case 'P':
    *out = make(vesk_act_toggle_setting, 0, "hpbar_enable");
    return true;
  case 'C':
    *out = make(vesk_act_copy_or_break);
    return true;
  case 'D':
    *out = make(vesk_act_send_control, 3);
    return true;
  case '\\':
    *out = make(vesk_act_send_control, 26);
    return true;
  case 'K':
    *out = make(vesk_act_clear_line);
    return true;
  case 'Q':
    *out = make(vesk_act_follow);
    return true;
  case 'S':
  case 'Z':
    *out = make(vesk_act_freeze);
    return true;
  case 'V':
    *out = make(vesk_act_paste);
    return true;
  case '[':
    *out = k.shift ? make(vesk_act_input_height, -12) : make(vesk_act_automap_size, -1);
    return true;
  case ']':
    *out = k.shift ? make(vesk_act_input_height, 12) : make(vesk_act_automap_size, 1);
    return true;
  default:
    return false;
  }
}

// Floor division, so that the accumulator behaves the same on both sides of zero.
long long floor_div(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0)))
    q--;
  return q;
}

} // namespace

const char *vesk_walking_command(int key) {
  for (const walking_entry &e : walking_table)
    if (e.key == key)
      return e.command;
  return nullptr;
}

vesk_line_action vesk_key_state::press(const vesk_key_press &k, const vesk_key_context &c) {
  // A press while a key is still held, of that same key, is the keyboard's auto-repeat. A
  // different key pressed before the first one is released is a press of its own.
  bool repeat = key_held && last_key == k.key;
  bool repeat_with_ctrl = repeat && last_ctrl;
  key_held = true;
  last_key = k.key;
  last_ctrl = k.ctrl;

  if (c.keypad_walking && !k.ctrl && !k.shift) {
    if (const char *command = vesk_walking_command(k.key))
      return repeat ? make(vesk_act_ignore) : make(vesk_act_walk, 1, command);
  }

  if (c.whole_text_selected) {
    if (c.push_through && (k.key == vesk_key_home || k.key == vesk_key_left || k.key == vesk_key_kp_home))
      return make(vesk_act_cursor_to_start);
    if (k.key == vesk_key_up && !k.ctrl && !k.shift)
      return make(vesk_act_repeat_previous);
  }

  if (k.ctrl) {
    if (repeat_with_ctrl && k.key != vesk_key_backspace)
      return make(vesk_act_ignore);
    vesk_line_action a;
    if (ctrl_table(k, c, &a))
      return a;
  }

  switch (k.key) {
  case vesk_key_return:
  case vesk_key_kp_enter:
    if (!k.ctrl)
      return make(vesk_act_enter);
    break;
  case vesk_key_escape:
    return make(vesk_act_escape);
  case vesk_key_up:
    return k.ctrl ? make(vesk_act_page_up) : make(vesk_act_history_up);
  case vesk_key_down:
    return k.ctrl ? make(vesk_act_page_down, 1) : make(vesk_act_history_down);
  case vesk_key_page_up:
    return make(vesk_act_page_up);
  case vesk_key_page_down:
    return make(vesk_act_page_down, 0);
  default:
    break;
  }

  if (k.key >= vesk_key_f1 && k.key <= vesk_key_f12 && c.playing && !k.alt) {
    int variant = (k.ctrl || k.meta) ? 2 : k.shift ? 1 : 0;
    return make(vesk_act_function_key, 0, function_key_commands[variant][k.key - vesk_key_f1]);
  }

  // Pressing Shift or Ctrl on the way to a combination must not pull a scrolled-back display
  // down before the combination (Ctrl+Up pages back) arrives.
  if (k.key == vesk_key_modifier)
    return make(vesk_act_modifier);
  return make(vesk_act_type);
}

int vesk_wheel_step(int *total, int rotation, int delta) {
  if (rotation == 0 || !total)
    return 0;
  if (delta <= 0)
    delta = 1;
  long long before = *total;
  long long after = before + rotation;
  long long q_before = floor_div(before, delta), q_after = floor_div(after, delta);
  // Only the remainder matters for the next comparison; keeping just that cannot overflow.
  *total = (int)(after - floor_div(after, delta) * delta);
  if (q_after > q_before)
    return 1;
  if (q_after < q_before)
    return -1;
  return 0;
}

int vesk_step_font_size(int size, int delta) {
  int next = size + delta;
  if (delta < 0 && next < 3)
    return size;
  return next;
}

int vesk_step_channel_height(int height, int delta) {
  int next = height + delta;
  if (next > 80)
    next = 80;
  if (next < 10)
    next = 10;
  return next;
}

int vesk_step_input_height(int height, int delta) {
  int next = height + delta;
  if (next < 24)
    next = 24;
  return next;
}

int vesk_toggled_setting(const char *name, int value) {
  if (name && std::strcmp(name, "group_status_display") == 0)
    return value ? 0 : 1;
  return value ^ 1;
}
