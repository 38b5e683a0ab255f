// Test helper: the display lines of a text buffer as seen from outside (bytes, the colour of
// each byte, how the line ended), for comparing two ways of building the same scrollback.
#pragma once

#include "text/text_buffer.h"

#include <cstdint>
#include <string>
#include <vector>

struct line_snapshot {
  std::string text;
  std::vector<uint32_t> colours;
  int ended;
  bool operator==(const line_snapshot &o) const { return text == o.text && colours == o.colours && ended == o.ended; }
};

inline std::vector<line_snapshot> snapshot(const vesk_text_buffer &buffer) {
  std::vector<line_snapshot> lines;
  for (int i = 0; i <= buffer.get_last_line(); i++) {
    const vesk_textctrl_line *line = buffer.get_line(i);
    line_snapshot s{std::string(), {}, line->ended};
    buffer.for_each_piece(*line, [&](const char *t, int n, const vesk_textctrl_chunk &c) {
      s.text.append(t, (size_t)n);
      s.colours.insert(s.colours.end(), (size_t)n, (uint32_t)(c.red << 16 | c.green << 8 | c.blue));
    });
    lines.push_back(s);
  }
  return lines;
}
