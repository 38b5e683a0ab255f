// The ANSI interpreter: byte state machine, SGR parameters and colour schemes, render runs,
// rebuilding the text control, and the output line buffer.
#include "text/ansi_interpreter.h"

#include <cstdio>
#include <cstring>
#include <string>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "drawing/bitmap.h"
#include "support/log.h"
#include "support/random.h"
#include "text/text_buffer.h"

bool vesk_line_complete_guard = false;

namespace {

bool diagnostics() { return vesk_debug_level > 1; }

// What the text state does with each byte.
enum { kind_keep = 0, kind_dot, kind_newline, kind_escape, kind_drop };

struct kinds {
  unsigned char of[256];
  kinds() {
    for (int c = 0; c < 256; c++)
      of[c] = c >= 128 ? kind_dot : (c >= 28 && c <= 126) ? kind_keep : kind_drop;
    of[(unsigned char)'\t'] = kind_keep;
    of[(unsigned char)'\n'] = kind_newline;
    of[27] = kind_escape;
  }
};
const kinds byte_kinds;

// Copies the bytes from p on (at most n) that the text state keeps as they are (tab and 28 to
// 126) to dst, and returns how many. Copying while scanning keeps short runs cheap.
int copy_kept(char *dst, const unsigned char *p, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i low = _mm_set1_epi8(28), tab = _mm_set1_epi8(9), del = _mm_set1_epi8(127);
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), v); // within the n bytes dst has room for
    __m128i below = _mm_cmplt_epi8(v, low); // signed compare: bytes above 127 count as below
    __m128i other = _mm_or_si128(_mm_andnot_si128(_mm_cmpeq_epi8(v, tab), below), _mm_cmpeq_epi8(v, del));
    int mask = _mm_movemask_epi8(other);
    if (mask)
      return i + __builtin_ctz((unsigned)mask);
  }
#endif
  for (; i < n && byte_kinds.of[p[i]] == kind_keep; i++)
    dst[i] = (char)p[i];
  return i;
}

} // namespace

vesk_ansi_interpreter::vesk_ansi_interpreter(vesk_text_buffer &t) : text(t) { reset_attributes(); }

// ---- the byte state machine ----

void vesk_ansi_interpreter::process_text_data(const char *bytes, int length) {
  if (!bytes || length <= 0)
    return;
  text_received = true;
  char out[output_buffer_size];
  int n = 0;
  int i = 0;
  while (i < length) {
    if (parser_state != state_escape) {
      // The common case first: bytes shown as they are go straight into the buffer.
      int room = output_buffer_size - n;
      int k = copy_kept(out + n, reinterpret_cast<const unsigned char *>(bytes) + i, length - i < room ? length - i : room);
      n += k;
      i += k;
      if (n == output_buffer_size) {
        emit_ascii(out, n);
        n = 0;
        continue;
      }
      if (i >= length)
        break;
      unsigned char c = (unsigned char)bytes[i++];
      switch (byte_kinds.of[c]) {
      case kind_escape:
        if (n > 0)
          emit_ascii(out, n);
        n = 0;
        parser_state = state_escape;
        escape_state = 0;
        parameter = 0;
        break;
      case kind_newline:
        out[n++] = '\n';
        emit_ascii(out, n);
        n = 0;
        process_ansi_color();
        break;
      case kind_dot:
        out[n++] = '.';
        if (n == output_buffer_size) {
          emit_ascii(out, n);
          n = 0;
        }
        break;
      default: // other controls, carriage return and 127 are dropped
        break;
      }
      continue;
    }
    unsigned char c = (unsigned char)bytes[i++];
    if (escape_state == 0) {
      if (c == '[') {
        escape_state = 1;
        continue;
      }
      parser_state = state_text;
      if (c == 'c') {
        reset_attributes();
        int lines = 2 * text.get_visible_line_count() + 1;
        for (int k = 0; k < lines; k++)
          emit_ascii("\n", 1);
      } else if (diagnostics()) {
        format_message("process_ansi_code(1) - got unhandled code %d.\n", c);
      }
    } else {
      if (c >= '0' && c <= '9') {
        // Unsigned so that an endless digit string wraps instead of overflowing.
        parameter = (int)((unsigned)parameter * 16u + (unsigned)(c - '0'));
        continue;
      }
      parser_state = state_text;
      if (c == 'm')
        process_ansi_code(parameter);
      else if (diagnostics())
        format_message("process_ansi_code(2) - ignoring unhandled code %d.\n", c);
    }
  }
  emit_ascii(out, n);
}

void vesk_ansi_interpreter::output_text(const char *t) {
  if (!t)
    return;
  emit(t, (int)std::strlen(t), false);
}

// Bytes 128 to 255 of local text are folded to ASCII here, once, so the render list holds
// exactly what the text control shows and a rebuild or a log export gives the same bytes.
void vesk_ansi_interpreter::emit(const char *t, int length, bool ascii) {
  if (ascii) {
    emit_ascii(t, length);
    return;
  }
  char folded[1024];
  while (length > 0) {
    int k = length < (int)sizeof folded ? length : (int)sizeof folded;
    for (int i = 0; i < k; i++)
      folded[i] = (char)vesk_textctrl_replacement((unsigned char)t[i]);
    emit_ascii(folded, k);
    t += k;
    length -= k;
  }
}

void vesk_ansi_interpreter::emit_ascii(const char *t, int length) {
  if (length <= 0)
    return;
  if (render_list.has_open_run() && (pending.style != current.style || pending.color != current.color))
    rerender_flush();
  if (!render_list.has_open_run())
    pending = current;
  render_list.append(t, length, pending);
  if (!updates_suspended)
    text.append_bytes(t, length);
  collect_line(t, length);
}

void vesk_ansi_interpreter::collect_line(const char *t, int length) {
  if (vesk_line_complete_guard)
    return;
  const char *end = t + length;
  while (t < end) {
    const char *newline = static_cast<const char *>(std::memchr(t, '\n', (size_t)(end - t)));
    const char *stop = newline ? newline : end;
    int k = (int)(stop - t);
    if (k > line_buffer.room())
      k = line_buffer.room(); // the tail of an over-long line is dropped here only
    if (k > 0) {
      std::memcpy(line_buffer.data + line_buffer.length, t, (size_t)k);
      line_buffer.length += k;
      line_buffer.data[line_buffer.length] = 0;
    }
    if (!newline)
      return;
    vesk_line_complete_guard = true;
    line_complete(line_buffer.c_str());
    vesk_line_complete_guard = false;
    line_buffer.clear();
    t = newline + 1;
  }
}

// ---- attributes ----

void vesk_ansi_interpreter::process_ansi_code(int code) {
  switch (code) {
  case 0:
    style = VESK_STYLE_NORMAL;
    color_code = VESK_CODE_DEFAULT;
    break;
  case 1:
    style = VESK_STYLE_BRIGHT;
    break;
  case 2:
    style = VESK_STYLE_DIM;
    break;
  case 5:
    style = VESK_STYLE_BLINK;
    break;
  case 7:
    style = VESK_STYLE_REVERSE;
    break;
  case 0x22:
    style = VESK_STYLE_NORMAL;
    break;
  case 0x31:
  case 0x32:
  case 0x33:
  case 0x34:
  case 0x35:
  case 0x36:
  case 0x37:
    color_code = code;
    break;
  default:
    if (diagnostics())
      format_message("error in vesk_ansi_display::process_ansi_code() - bad value '%d'.\n", code);
    break;
  }
  process_ansi_color();
}

void vesk_ansi_interpreter::process_ansi_color() {
  vesk_color colour;
  if (!vesk_scheme_color(*vesk_current_color_scheme, color_code, style, &colour)) {
    if (diagnostics())
      format_message("error in vesk_ansi_display::process_ansi_color() - bad color '%d'?\n", color_code);
    return;
  }
  if (style == last_style && color_code == last_code)
    return;
  set_attributes(colour, color_code, style);
  last_style = style;
  last_code = color_code;
}

void vesk_ansi_interpreter::set_attributes(const vesk_color &colour, int code, int s) {
  current.color = colour;
  current.style = s;
  current.color_code = code;
  if (!render_list.has_open_run())
    pending = current;
  if (!updates_suspended)
    apply_attributes(colour, s);
}

void vesk_ansi_interpreter::apply_attributes(const vesk_color &colour, int s) {
  // Reverse video shades the whole text control, not only the text.
  const vesk_color background =
      s == VESK_STYLE_REVERSE ? vesk_color(reverse_shade, reverse_shade, reverse_shade) : vesk_black;
  text.set_colors(colour, background);
}

void vesk_ansi_interpreter::set_color(int first, int second) {
  process_ansi_code(first);
  process_ansi_code(second);
}

void vesk_ansi_interpreter::reset_attributes() {
  style = VESK_STYLE_NORMAL;
  // Through yellow, so that white is applied even when white was the last colour applied.
  color_code = VESK_CODE_YELLOW;
  process_ansi_color();
  color_code = VESK_CODE_WHITE;
  process_ansi_color();
}

void vesk_ansi_interpreter::refresh_attributes() {
  last_style = -1;
  process_ansi_color();
}

// ---- render list ----

void vesk_ansi_interpreter::rerender_flush() {
  if (!render_list.has_open_run()) {
    if (diagnostics())
      format_message("vesk_ansi_display - rerender_flush() - temp space was empty, WTF?\n");
    return;
  }
  render_list.close_run();
  pending = current;
}

void vesk_ansi_interpreter::suspend_updates() { updates_suspended = true; }

void vesk_ansi_interpreter::resume_updates() {
  if (!updates_suspended) {
    if (diagnostics())
      format_message("Error in vesk_ansi_display::resume_updates(), updates were not suspended?\n");
    return;
  }
  updates_suspended = false;
  rerender();
  if (text.observer) {
    text.observer->refresh_text();
    text.observer->refresh_display();
  }
}

void vesk_ansi_interpreter::rerender() {
  if (render_list.has_open_run())
    rerender_flush();
  text.clear();
  vesk_render_list::reader reader(render_list);
  vesk_render_run run;
  while (reader.next_run(&run)) {
    apply_attributes(run.color, run.style);
    // A run holds everything between two colour changes, however long: it goes over whole,
    // piece by piece.
    const char *piece;
    int n;
    while (reader.next_piece(&piece, &n))
      text.append_bytes(piece, n);
  }
  // The control must show new text in the current colour, not in the last run's: the
  // last-applied cache would not apply it again.
  apply_attributes(current.color, current.style);
  text.scroll_to_end();
}

void vesk_ansi_interpreter::clear() {
  if (render_list.has_open_run())
    rerender_flush();
  render_list.clear();
  if (!updates_suspended)
    text.clear();
  current = text_attributes{};
  pending = text_attributes{};
  reset_attributes();
}

void vesk_ansi_interpreter::set_font(const vesk_glyph_font *font, bool compact_mode) {
  text.set_font(font, compact_mode);
  refresh_attributes();
  text.update_scrollbar();
  if (text.observer) {
    text.observer->refresh_text();
    text.observer->refresh_display();
  }
}

void vesk_ansi_interpreter::set_word_wrap(bool on) {
  text.set_word_wrap(on);
  rerender();
}

bool vesk_ansi_interpreter::select_color_scheme(int index) { return vesk_select_color_scheme(index); }

void vesk_ansi_interpreter::debug_fill(vesk_random &random) {
  long long characters = 0;
  char word[16];
  for (int line = 0; line < 100000; line++) {
    int words = random.below(50);
    for (int w = 0; w < words; w++) {
      int n = random.below(10) + 1;
      for (int k = 0; k < n; k++)
        word[k] = (char)('a' + n - k);
      word[n] = ' ';
      word[n + 1] = 0;
      vesk_color foreground(random.below(255), random.below(255), random.below(255));
      vesk_color background(random.below(255), random.below(255), random.below(255));
      text.set_colors(foreground, background);
      text.append(word);
      characters += n + 1;
    }
    text.append("\n");
    characters++;
  }
  // Back to the display's own colours: the last-applied cache would not restore them.
  apply_attributes(current.color, current.style);
  char summary[100];
  std::snprintf(summary, sizeof summary, "%d characters written (%d kb).\n", (int)characters,
                (int)(characters / 1000));
  text.append(summary);
  std::printf("size of vesk_textctrl_chunk %5d\n", (int)sizeof(vesk_textctrl_chunk));
  std::printf("size of vesk_textctrl_line  %5d\n", (int)sizeof(vesk_textctrl_line));
  std::printf("size of wxString            %5d\n", (int)sizeof(std::wstring));
  std::printf("size of vesk_render_list    %5d\n", vesk_render_list::header_size);
  std::printf("entries in render list   %8d\n", render_list.run_count());
  std::fflush(stdout);
}

// ---- output lines ----

void vesk_ansi_interpreter::line_complete(const char *) {}

void vesk_ansi_interpreter::flush_partial_line() {
  if (line_buffer.length > 0) {
    vesk_line_complete_guard = true;
    line_complete(line_buffer.c_str());
    vesk_line_complete_guard = false;
  }
  line_buffer.clear();
}

// ---- display geometry ----

vesk_display_layout vesk_ansi_interpreter::layout(int width, int height, int scrollbar_width) {
  text.follow_if_not(); // a resize always returns to the end
  vesk_display_layout geometry =
      vesk_compute_display_layout(width, height, scrollbar_width, scrollbar_shown, border);
  text.on_size(geometry.text_width, geometry.text_height);
  text.update_scrollbar();
  return geometry;
}

bool vesk_ansi_interpreter::show_scrollbar(bool on) {
  if (on == scrollbar_shown)
    return false;
  scrollbar_shown = on;
  return true;
}

void vesk_ansi_interpreter::paint_frame(vesk_bitmap &bitmap, int width, int height, int scrollbar_width,
                                        int flash_count) const {
  if (!border)
    return;
  int w = width - (scrollbar_shown ? scrollbar_width : 0);
  vesk_draw_display_frame(bitmap, w, height, flash_count, text.is_following());
}
