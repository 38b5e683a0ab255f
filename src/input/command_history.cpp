// Command histories of the input line: storing, browsing and the "//history" listing.
#include "input/command_history.h"

#include "support/fixed_text.h"
#include "text/ascii_transliteration.h"

vesk_command_history::vesk_command_history() {
  slots[0][first_command_slot] = L"connect";
  counts[0] = 1;
}

void vesk_command_history::select_history(int index) {
  if (index < 0 || index >= history_count || index == current)
    return;
  // The positions live per history already, so switching only changes which one is current.
  current = index;
}

bool vesk_command_history::exists(int index) const {
  if (index < 0 || index >= slot_count)
    return false;
  return index < first_command_slot || index < first_command_slot + counts[current];
}

const std::wstring *vesk_command_history::slot(int index) const {
  return exists(index) ? &slots[current][index] : nullptr;
}

void vesk_command_history::history_store(const std::wstring &text) {
  if (secret_mode)
    return;
  std::wstring *h = slots[current];
  int &count = counts[current];
  if (!(count > 0 && h[first_command_slot] == text)) {
    // Slot 99 falls off the end when the history is full.
    int last = count < max_commands ? first_command_slot + count : slot_count - 1;
    for (int i = last; i > first_command_slot; i--)
      h[i].swap(h[i - 1]);
    h[first_command_slot] = text;
    if (count < max_commands)
      count++;
  }
  positions[current] = 1;
  h[1].clear();
}

bool vesk_command_history::history_up(const std::wstring &line, std::wstring *shown) {
  int &p = positions[current];
  if (p > slot_count - 2 || !exists(p) || !exists(p + 1))
    return false;
  if (p == 1 && !secret_mode)
    slots[current][1] = line;
  p++;
  if (shown)
    *shown = slots[current][p];
  return true;
}

int vesk_command_history::history_down(const std::wstring &line, std::wstring *shown) {
  int &p = positions[current];
  if (p < 1)
    return browse_clear;
  if (!exists(p))
    return browse_nothing;
  if (p == 1 && !secret_mode)
    slots[current][1] = line;
  p--;
  if (!exists(p))
    return browse_nothing;
  if (shown)
    *shown = slots[current][p];
  return browse_show;
}

void vesk_command_history::list_history(const std::function<void(const char *)> &write) const {
  write("\nRecent Command History:");
  for (int i = 19; i >= 1; i--) {
    const std::wstring *command = slot(i + 1);
    if (!command)
      continue;
    vesk_fixed_text entry;
    entry.appendf("\n%2d - ", i);
    to_ascii(*command, entry);
    write(entry.c_str());
  }
  write("\n");
}

long vesk_line_up_target(const std::wstring &text, long cursor) {
  long length = (long)text.size();
  if (cursor > length)
    cursor = length;
  for (long i = cursor - 1; i >= 0; i--)
    if (text[(size_t)i] == L'\n')
      return i;
  return 0;
}

long vesk_line_down_target(const std::wstring &text, long cursor) {
  long length = (long)text.size();
  if (cursor < 0)
    cursor = 0;
  for (long i = cursor; i < length; i++)
    if (text[(size_t)i] == L'\n')
      return i + 1;
  return length;
}
