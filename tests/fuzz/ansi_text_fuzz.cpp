// Fuzz target: arbitrary bytes through the ANSI interpreter into a text buffer, with re-wraps at
// random widths, scrolling, selections and a repaint into a small bitmap. Checks the lines
// against a byte-at-a-time reference wrap and against a rebuild from the render list.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "support/log.h"
#include "text/ansi_interpreter.h"
#include "text/text_buffer.h"
#include "../unit/text_snapshot.h"

namespace {

void check(bool ok) {
  if (!ok)
    std::abort();
}


// The break algorithm applied after every byte: where a line breaks depends only on its bytes
// up to the first one that does not fit, so this must give the buffer's lines.
std::vector<std::string> reference_wrap(const std::string &master, const vesk_text_buffer &buffer) {
  const int limit = buffer.get_client_width();
  const bool wrap = buffer.get_word_wrap() && limit > 0;
  std::vector<std::string> lines(1);
  for (char ch : master) {
    if (ch == '\n') {
      lines.emplace_back();
      continue;
    }
    lines.back() += ch;
    while (wrap) {
      const std::string &line = lines.back();
      int64_t sum = 0;
      int blank = -1, stop = -1;
      for (int i = 0; i < (int)line.size(); i++) {
        sum += buffer.byte_width((unsigned char)line[i]);
        if (sum >= limit) {
          stop = i;
          break;
        }
        if (line[i] == ' ' || line[i] == '\t')
          blank = i + 1;
      }
      int cut = stop < 0 ? -1 : blank >= 0 ? blank : stop > 0 ? stop : -1;
      if (cut < 0)
        break;
      std::string rest = line.substr((size_t)cut);
      lines.back().resize((size_t)cut);
      lines.push_back(rest);
    }
  }
  return lines;
}

void check_lines(const vesk_text_buffer &buffer) {
  std::string master;
  for (const vesk_textctrl_chunk *c = buffer.get_master_list(); c; c = c->next)
    master.append(c->text, (size_t)c->length);
  check((int64_t)master.size() == buffer.get_text_bytes());
  std::vector<line_snapshot> lines = snapshot(buffer);
  std::vector<std::string> expected = reference_wrap(master, buffer);
  check(lines.size() == expected.size());
  for (size_t i = 0; i < lines.size(); i++) {
    check(lines[i].text == expected[i]);
    check(lines[i].text.find('\n') == std::string::npos);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static vesk_synthetic_font fixed(8, 10);
  static vesk_synthetic_font proportional(vesk_synthetic_font::proportional_width, 9);
  vesk_debug_level = 0;
  if (size < 3)
    return 0;
  vesk_text_buffer buffer;
  buffer.top_anchored = data[0] & 2;
  buffer.never_unfollow = data[0] & 8;
  buffer.set_font((data[0] & 1) ? &proportional : &fixed, data[0] & 16);
  int width = data[1] * 3, height = 1 + data[2];
  buffer.on_size(width, height);
  vesk_ansi_interpreter ansi(buffer);
  if (data[0] & 4)
    ansi.set_word_wrap(false);

  size_t at = 3;
  while (at < size) {
    uint8_t op = data[at++];
    size_t n = op & 63;
    if (n > size - at)
      n = size - at;
    const char *bytes = reinterpret_cast<const char *>(data + at);
    switch (op >> 6) {
    case 0:
      ansi.process_text_data(bytes, (int)n);
      at += n;
      break;
    case 1: {
      std::string local(bytes, n);
      ansi.output_text(local.c_str()); // stops at a zero byte, like any C string
      at += n;
      break;
    }
    case 2: {
      int arg = n > 0 ? data[at] : 0;
      at += n > 0 ? 1 : 0;
      switch (op & 15) {
      case 0: buffer.on_size(arg * 5, height); width = arg * 5; break;
      case 1: buffer.scroll_by(arg - 128); break;
      case 2: buffer.page_up(); break;
      case 3: buffer.page_down(); break;
      case 4: buffer.mouse_wheel(arg - 128); break;
      case 5: buffer.scrollbar_moved(arg - 20); break;
      case 6: buffer.lock_if_following(); break;
      case 7: buffer.follow_if_not(); break;
      case 8: buffer.set_selection(arg % 7, arg % 13, arg % 7 + arg % 3, arg % 17); break;
      case 9: buffer.clear_selection(); break;
      case 10: buffer.scroll_to_line(arg - 10); break;
      case 11: buffer.set_view_position(arg * 4 - 200); break;
      default: ansi.set_color(arg & 15, 0x30 + (arg >> 4)); break;
      }
      break;
    }
    default:
      switch (op & 7) {
      case 0: ansi.suspend_updates(); break;
      case 1: ansi.resume_updates(); break;
      case 2: ansi.clear(); break;
      case 3: ansi.rerender(); break;
      case 4: ansi.set_word_wrap(op & 8); break;
      case 5: ansi.flush_partial_line(); break;
      case 6: ansi.reset_attributes(); break;
      default: buffer.rewrap(); break;
      }
      break;
    }
  }

  check_lines(buffer);
  if (!ansi.updates_suspended) {
    // Everything reached the buffer through the render list: a rebuild gives the same lines.
    std::vector<line_snapshot> before = snapshot(buffer);
    ansi.rerender();
    check(snapshot(buffer) == before);
  }
  int thumb, range, page;
  buffer.get_scroll_metrics(&thumb, &range, &page);
  check(page >= 1);
  check(buffer.get_view_position() >= 0);

  vesk_bitmap bitmap(width > 0 && width < 300 ? width : 97, height);
  buffer.repaint_internal(bitmap);
  return 0;
}
