// The input line's three command histories (offline, connected, playing) and their browsing,
// kept apart from the toolkit so the slot arithmetic can be checked headless.
#pragma once

#include <functional>
#include <string>

class vesk_command_history {
public:
  static const int history_count = 3;
  static const int slot_count = 100;
  // Slot 0 is the empty line below the edit line, slot 1 the line being edited; commands follow.
  static const int first_command_slot = 2;
  static const int max_commands = slot_count - first_command_slot;

  // What the line shows after a Down step.
  enum { browse_nothing = 0, browse_show = 1, browse_clear = 2 };

  // History 0 current, every position 1, history 0 holding the single command "connect".
  vesk_command_history();

  // Saves the current position, makes `index` current and restores its position. Indexes
  // outside 0 to 2 are ignored.
  void select_history(int index);

  // Stores a command in slot 2 unless slot 2 already holds the same text, then returns to the
  // edit line with slot 1 emptied. Does nothing in secret mode.
  void history_store(const std::wstring &text);

  // One step up from `line` (the text on the line now). True when the line must show *shown.
  bool history_up(const std::wstring &line, std::wstring *shown);
  // One step down; browse_show means the line must show *shown, browse_clear that it empties.
  int history_down(const std::wstring &line, std::wstring *shown);

  // The "//history" listing: calls write with each piece of text, in order, already converted
  // to ASCII: the heading, then "\n%2d - " and the command for the newest 19 commands
  // (oldest first, numbered down to 1), then a final "\n".
  void list_history(const std::function<void(const char *)> &write) const;

  // A slot of the current history, or null where it holds nothing (outside 0 to 99, or a
  // command slot past the stored commands).
  const std::wstring *slot(int index) const;
  int command_count() const { return counts[current]; }
  int current_history() const { return current; }
  int position() const { return positions[current]; }

  // Secret mode: nothing is stored, and browsing does not copy the hidden line into slot 1.
  bool secret_mode = false;

private:
  bool exists(int index) const;

  std::wstring slots[history_count][slot_count];
  int counts[history_count] = {0, 0, 0}; // commands held in slots 2 onwards
  int positions[history_count] = {1, 1, 1};
  int current = 0;
};

// Where Up puts the cursor inside a multi-line entry: on the line break before `cursor`, or at
// the start. Positions count characters of `text`.
long vesk_line_up_target(const std::wstring &text, long cursor);
// Where Down puts it: just after the next line break at or after `cursor`, or at the end.
long vesk_line_down_target(const std::wstring &text, long cursor);
