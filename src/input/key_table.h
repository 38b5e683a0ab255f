// What a key press on the input line means: keypad walking, the push-through keys, the Ctrl
// table, the function keys and the rest, decided without the toolkit; also the mouse-wheel
// accumulator and the size steps the Ctrl keys make.
#pragma once

// Key codes the decisions know. Printable ASCII characters stand for themselves (letters in
// upper case, as the toolkit reports a key without its Shift state); the window side maps the
// toolkit's own codes onto these.
enum vesk_key {
  vesk_key_none = 0,
  vesk_key_backspace = 8,
  vesk_key_tab = 9,
  vesk_key_return = 13,
  vesk_key_escape = 27,
  vesk_key_delete = 127,

  vesk_key_up = 300,
  vesk_key_down,
  vesk_key_left,
  vesk_key_right,
  vesk_key_home,
  vesk_key_end,
  vesk_key_page_up,
  vesk_key_page_down,

  // The keypad with Num Lock on (digits) and off (movement keys).
  vesk_key_kp_0 = 320,
  vesk_key_kp_1,
  vesk_key_kp_2,
  vesk_key_kp_3,
  vesk_key_kp_4,
  vesk_key_kp_5,
  vesk_key_kp_6,
  vesk_key_kp_7,
  vesk_key_kp_8,
  vesk_key_kp_9,
  vesk_key_kp_home = 340,
  vesk_key_kp_up,
  vesk_key_kp_page_up,
  vesk_key_kp_left,
  vesk_key_kp_begin,
  vesk_key_kp_right,
  vesk_key_kp_end,
  vesk_key_kp_down,
  vesk_key_kp_page_down,
  vesk_key_kp_add,
  vesk_key_kp_subtract,
  vesk_key_kp_enter,
  vesk_key_clear,

  vesk_key_f1 = 360, // F2 to F12 follow
  vesk_key_f12 = vesk_key_f1 + 11,

  // Shift, Ctrl, Alt, Meta, the system keys and the lock keys pressed on their own.
  vesk_key_modifier = 380,
  vesk_key_other = 381,
};

struct vesk_key_press {
  int key = vesk_key_none;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool meta = false;
};

// What the line and the settings look like at the moment of the press.
struct vesk_key_context {
  bool keypad_walking = false;      // character setting keypad_walking
  bool push_through = false;        // character setting cmd_pushthrough
  bool playing = false;             // connection state 2
  bool whole_text_selected = false; // selection from 0 to the end of a non-empty text
};

enum vesk_line_action_kind {
  vesk_act_type,             // the toolkit handles the key; a scrolled-back main display follows
                             // unless locking_scrollback_enable is on
  vesk_act_modifier,         // a modifier on its own: the toolkit handles it, nothing scrolls
  vesk_act_ignore,           // consumed without effect (auto-repeat, Ctrl keys with nothing to do)
  vesk_act_walk,             // send `text` with echo; a scrolled-back main display follows first
  vesk_act_function_key,     // send `text` without echo; then the main display follows
  vesk_act_cursor_to_start,  // cursor to the start, selection removed
  vesk_act_repeat_previous,  // cursor to the end, then two steps up the history
  vesk_act_enter,
  vesk_act_escape,
  vesk_act_history_up,
  vesk_act_history_down,
  vesk_act_page_up,          // lock the main display if following, then page up
  vesk_act_page_down,        // value 1: lock first; then page down
  vesk_act_font_size,        // main text font size by `value` (+1 or -1)
  vesk_act_channel_height,   // channel_window_height by `value` (+5 or -5)
  vesk_act_input_height,     // input_height by `value` (+12 or -12)
  vesk_act_toggle_popup,     // the popup of popup button `value` (1 to 10)
  vesk_act_toggle_setting,   // the character setting named `text`
  vesk_act_copy_or_break,    // Ctrl+C
  vesk_act_send_control,     // clear the line, send the byte `value` as a line, follow
  vesk_act_clear_line,
  vesk_act_follow,           // Ctrl+Q
  vesk_act_freeze,           // Ctrl+S, Ctrl+Z
  vesk_act_paste,
  vesk_act_automap_size,     // automap larger (`value` +1) or smaller (-1)
};

struct vesk_line_action {
  int kind = vesk_act_type;
  const char *text = nullptr; // a command or a setting name; always a static text
  int value = 0;
};

// The key memory of the input line, and the decision for one press.
class vesk_key_state {
public:
  vesk_line_action press(const vesk_key_press &key, const vesk_key_context &context);
  void release() { key_held = false; }

  bool key_held = false;
  int last_key = vesk_key_none;
  bool last_ctrl = false;
};

// The walking command of a keypad key, or null.
const char *vesk_walking_command(int key);

// Mouse wheel over the input line: adds the rotation to *total and returns +1 to scroll the
// main display up, -1 to scroll it down, 0 for nothing. A delta of 0 or less counts as 1.
int vesk_wheel_step(int *total, int rotation, int delta);

// The next value of a setting the Ctrl keys step, kept within its bounds.
int vesk_step_font_size(int size, int delta);       // never below 3
int vesk_step_channel_height(int height, int delta); // 10 to 80
int vesk_step_input_height(int height, int delta);   // at least 24
// A setting's value after a toggle: group_status_display goes between 0 and 1, the switches
// flip their lowest bit.
int vesk_toggled_setting(const char *name, int value);
