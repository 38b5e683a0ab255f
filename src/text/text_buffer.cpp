// Storage side of the scrollback: appending text into pooled master chunks, splitting it into
// display lines, word wrap by pixels, re-wrap and clear.
#include "text/text_buffer.h"

#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "drawing/glyph_font.h"
#include "support/bulk_allocate.h"
#include "support/log.h"

namespace {

// Chunk records are shared by every text control; the pool is tiny to lock and keeps two
// controls on different threads (tests, tools) from corrupting each other's records.
std::mutex pool_mutex;
vesk_textctrl_chunk *free_chunks = nullptr;

vesk_textctrl_chunk *take_chunk() {
  std::lock_guard<std::mutex> guard(pool_mutex);
  if (!free_chunks)
    free_chunks = static_cast<vesk_textctrl_chunk *>(vesk_bulk_allocate(
        (int)sizeof(vesk_textctrl_chunk), "class vesk_textctrl_chunk", vesk_text_buffer::chunk_block_bytes));
  vesk_textctrl_chunk *chunk = free_chunks;
  free_chunks = static_cast<vesk_textctrl_chunk *>(vesk_bulk_next(chunk));
  return chunk;
}

// Gives a whole chain (linked through next) back to the pool.
void release_chunks(vesk_textctrl_chunk *head) {
  if (!head)
    return;
  vesk_textctrl_chunk *tail = head;
  while (tail->next)
    tail = tail->next;
  std::lock_guard<std::mutex> guard(pool_mutex);
  tail->next = free_chunks;
  free_chunks = head;
}

// Windows-1252 / ISO 8859-1 letters and signs folded to one ASCII byte, for 0x80 to 0xFF.
const char high_bytes[129] = "E 'f\"-tt^%S<O Z "
                             " ''\"\"*--~ s>o zY"
                             " !cLoY|S-Ca<!-R-"
                             "ox23'uP..1o>   ?"
                             "AAAAAAACEEEEIIII"
                             "DNOOOOOxOUUUUYPS"
                             "aaaaaaaceeeeiiii"
                             "onooooo/ouuuuypy";

enum { plain_byte = 0, tab_byte = 1, line_end_byte = 2, high_byte = 3 };

struct byte_classes {
  unsigned char of[256];
  byte_classes() {
    for (int c = 0; c < 256; c++)
      of[c] = c >= 128 ? high_byte : plain_byte;
    of[(unsigned char)'\t'] = tab_byte;
    of[(unsigned char)'\n'] = line_end_byte;
    of[(unsigned char)'\r'] = line_end_byte;
  }
};
const byte_classes classes;

const int32_t widest_line = 1 << 30; // widths saturate here instead of overflowing

void advance_column(int &column, unsigned char c) {
  if (c == '\t')
    column = (column / 8) * 8 + 8;
  else if (c == '\n' || c == '\r')
    column = 0;
  else
    column++;
}

// Copies bytes from p on (at most n) to dst until one needs more than a copy: tab, newline,
// carriage return or a byte above 127. Returns how many were copied; sixteen at a time where
// the processor allows.
int copy_plain(char *dst, const unsigned char *p, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i tab = _mm_set1_epi8('\t'), newline = _mm_set1_epi8('\n'), ret = _mm_set1_epi8('\r');
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), v); // within the n bytes dst has room for
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, newline)),
                               _mm_or_si128(_mm_cmpeq_epi8(v, ret), v)); // v: the top bit of bytes > 127
    int mask = _mm_movemask_epi8(hit);
    if (mask)
      return i + __builtin_ctz((unsigned)mask);
  }
#endif
  for (; i < n && classes.of[p[i]] == plain_byte; i++)
    dst[i] = (char)p[i];
  return i;
}

// Sum of the byte widths, four accumulators so the additions do not wait on each other.
int64_t width_of(const int *widths, const unsigned char *s, int n) {
  int64_t a = 0, b = 0, c = 0, d = 0;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    a += widths[s[i]];
    b += widths[s[i + 1]];
    c += widths[s[i + 2]];
    d += widths[s[i + 3]];
  }
  for (; i < n; i++)
    a += widths[s[i]];
  return a + b + c + d;
}

// True when every byte is 32 to 126: with a fixed-pitch font their widths are all the same.
bool all_printable(const unsigned char *s, int n) {
  int i = 0;
#ifdef __SSE2__
  const __m128i low = _mm_set1_epi8(32), del = _mm_set1_epi8(127);
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
    __m128i other = _mm_or_si128(_mm_cmplt_epi8(v, low), _mm_cmpeq_epi8(v, del)); // signed: > 127 too
    if (_mm_movemask_epi8(other))
      return false;
  }
#endif
  for (; i < n; i++)
    if (s[i] < 32 || s[i] > 126)
      return false;
  return true;
}

// Width of n bytes; `uniform` is the common width of 32 to 126 in a fixed-pitch font, else 0.
int64_t piece_width(const int *widths, int uniform, const unsigned char *s, int n) {
  if (uniform > 0 && all_printable(s, n))
    return (int64_t)n * uniform;
  return width_of(widths, s, n);
}

// Starting from a width `sum` below `limit`: the index of the first byte that makes the sum
// reach the limit (n when none does), and in *before the sum without that byte (or the total).
int find_overflow(const int *widths, int uniform, const unsigned char *s, int n, int64_t sum, int64_t limit,
                  int64_t *before) {
  if (uniform > 0 && all_printable(s, n)) {
    int64_t reach = (limit - sum + uniform - 1) / uniform; // bytes until the limit is reached
    if (reach <= n) {
      *before = sum + (reach - 1) * uniform;
      return (int)(reach - 1);
    }
    *before = sum + (int64_t)n * uniform;
    return n;
  }
  for (int j = 0; j < n; j++) {
    int w = widths[s[j]];
    if (sum + w >= limit) {
      *before = sum;
      return j;
    }
    sum += w;
  }
  *before = sum;
  return n;
}

// The first line-table page comes from malloc, so a small display never holds a huge page of
// lines; later pages come in pairs from one 2 MB mapping, like the big text blocks.
const size_t line_page_bytes = sizeof(vesk_textctrl_line) * vesk_text_buffer::line_table_step;
static_assert(vesk_text_buffer::piece_limit < 65536, "line offsets are 16 bits");
static_assert(2 * sizeof(vesk_textctrl_line) * vesk_text_buffer::line_table_step == 2 * 1024 * 1024,
              "two line pages fill one mapping");

} // namespace

unsigned char vesk_textctrl_replacement(unsigned char c) { return c >= 128 ? (unsigned char)high_bytes[c - 128] : c; }

vesk_text_buffer::vesk_text_buffer() {
  for (int &w : byte_widths)
    w = 0;
  ensure_capacity(0);
  initialized_lines = 1;
  *record(0) = vesk_textctrl_line{};
}

vesk_text_buffer::~vesk_text_buffer() {
  release_chunks(master_head);
  for (size_t i = 0; i < pages.size(); i++) {
    if (i == 0)
      std::free(pages[i]);
    else if (i % 2 == 1) // owns the mapping it shares with page i + 1
      vesk_text_unmap_block(pages[i], 2 * line_page_bytes);
  }
}

// ---- appending ----

void vesk_text_buffer::append(const char *text) {
  if (!text)
    return;
  store_text(reinterpret_cast<const unsigned char *>(text), (int64_t)std::strlen(text), true);
}

void vesk_text_buffer::append_bytes(const char *text, int64_t length) {
  if (!text || length <= 0)
    return;
  store_text(reinterpret_cast<const unsigned char *>(text), length, false);
}

void vesk_text_buffer::store_text(const unsigned char *p, int64_t length, bool cut) {
  const unsigned char *end = p + length;
  // Blank lines at the very top are never shown. The flag stays until real text arrives, so it
  // does not matter whether the newlines come in one call or one per call.
  if (at_start) {
    while (p < end && *p == '\n')
      p++;
    if (p == end)
      return;
    at_start = false;
  }

  std::lock_guard<std::mutex> guard(mutex);
  const uint8_t red = (uint8_t)foreground.red, green = (uint8_t)foreground.green, blue = (uint8_t)foreground.blue;
  int stored = 0; // bytes this call stored (the cut counts them)
  int blanks = 0; // blanks of a tab still to store
  while (p < end || blanks > 0) {
    if (cut && stored >= piece_limit) {
      // Dropped, but the column still moves, as if the text had been shown.
      for (; p < end; p++)
        advance_column(column, *p);
      break;
    }
    int64_t wanted = (int64_t)blanks + (end - p) + 8;
    int need = wanted < piece_limit ? (int)wanted : piece_limit;
    vesk_textctrl_chunk *chunk = master_tail;
    int from;
    int space;
    char *start;
    if (chunk && chunk->red == red && chunk->green == green && chunk->blue == blue &&
        chunk->length < piece_limit && text.room() > 0 && chunk->text + chunk->length == text.tail()) {
      // Same colour right behind the last chunk: it simply grows, which keeps chunk records few.
      from = chunk->length;
      start = text.tail();
      space = text.room();
      if (space > piece_limit - chunk->length)
        space = piece_limit - chunk->length;
    } else {
      int room = text.room();
      if (room >= need || room >= 64) {
        start = text.tail();
        space = room < piece_limit ? room : piece_limit;
      } else {
        start = text.reserve(need);
        space = text.room() < piece_limit ? text.room() : piece_limit;
      }
      chunk = take_chunk();
      chunk->next = nullptr;
      chunk->text = start;
      chunk->length = 0;
      chunk->red = red;
      chunk->green = green;
      chunk->blue = blue;
      if (master_tail)
        master_tail->next = chunk;
      else
        master_head = chunk;
      master_tail = chunk;
      chunk_count++;
      from = 0;
    }
    if (cut && space > piece_limit - stored)
      space = piece_limit - stored;

    char *d = start;
    char *d_end = start + space;
    while (d < d_end) {
      if (blanks > 0) {
        int k = blanks < d_end - d ? blanks : (int)(d_end - d);
        std::memset(d, ' ', (size_t)k);
        d += k;
        blanks -= k;
        continue;
      }
      if (p == end)
        break;
      int64_t available = end - p < d_end - d ? end - p : d_end - d;
      int k = copy_plain(d, p, (int)available);
      if (k > 0) {
        d += k;
        p += k;
        column += k;
        if (column > (1 << 30))
          column -= 1 << 30; // keeps the tab stops; only column mod 8 matters on endless lines
        continue;
      }
      unsigned char c = *p++;
      switch (classes.of[c]) {
      case plain_byte:
        *d++ = (char)c;
        column++;
        break;
      case tab_byte: {
        int next = (column / 8) * 8 + 8;
        blanks = next - column;
        column = next;
        break;
      }
      case line_end_byte:
        *d++ = (char)c;
        column = 0;
        break;
      default:
        *d++ = high_bytes[c - 128];
        column++;
        break;
      }
    }
    int written = (int)(d - start);
    text.commit(written);
    chunk->length += written;
    stored += written;
    text_bytes += written;
    split_into_lines(chunk, from, from + written);
  }
}

void vesk_text_buffer::split_into_lines(vesk_textctrl_chunk *chunk, int from, int to) {
  const char *s = chunk->text;
  int i = from;
  while (i < to) {
    const char *newline = static_cast<const char *>(std::memchr(s + i, '\n', (size_t)(to - i)));
    if (!newline) {
      add_piece(chunk, i, to - i);
      return;
    }
    int e = (int)(newline - s);
    if (e > i)
      add_piece(chunk, i, e - i);
    end_line();
    i = e + 1;
  }
}

// The first byte of a line that did not fit, and the line's width before it.
struct vesk_text_buffer::break_stop {
  const vesk_textctrl_chunk *chunk;
  int offset;
  int position;
  int64_t sum;
};
// Just after the last blank (of the bytes that fitted), when there is one.
struct vesk_text_buffer::break_blank {
  bool found;
  const vesk_textctrl_chunk *chunk;
  int offset;
  int position;
};

void vesk_text_buffer::add_piece(vesk_textctrl_chunk *chunk, int start, int count) {
  vesk_textctrl_line *line = record(last_line);
  const unsigned char *s = reinterpret_cast<const unsigned char *>(chunk->text) + start;
  if (line->length == 0) {
    line->first = chunk;
    line->offset = (uint16_t)start;
  }
  const int before = line->length;
  const bool wrapping = word_wrap && client_width > 0;
  const int64_t limit = client_width;
  int64_t sum = open_width;
  int overflow_at = -1;
  int64_t stop_sum = 0;
  if (wrapping && sum < limit) {
    // Find where the line reaches the width, then total the rest.
    int64_t before_overflow;
    int j = find_overflow(byte_widths, uniform_width, s, count, sum, limit, &before_overflow);
    if (j < count) {
      overflow_at = j;
      stop_sum = before_overflow;
      sum = before_overflow + piece_width(byte_widths, uniform_width, s + j, count - j);
    } else {
      sum = before_overflow;
    }
  } else {
    sum += piece_width(byte_widths, uniform_width, s, count);
  }
  line->length += count;
  open_width = sum < widest_line ? sum : widest_line;
  if (!wrapping || open_width < limit)
    return;

  if (overflow_at >= 0) {
    // The line fitted before this piece, so the byte that did not fit is in it.
    break_stop stop{chunk, start + overflow_at, before + overflow_at, stop_sum};
    break_blank blank{false, nullptr, 0, 0};
    if (const void *b = memrchr(s, ' ', (size_t)overflow_at)) {
      int at = (int)(static_cast<const unsigned char *>(b) - s);
      blank = break_blank{true, chunk, start + at + 1, before + at + 1};
    } else if (before > 0) {
      vesk_textctrl_line earlier{line->first, before, line->offset, 0};
      int position = 0;
      for_each_piece(earlier, [&](const char *t, int n, const vesk_textctrl_chunk &c) {
        if (const void *b = memrchr(t, ' ', (size_t)n)) {
          int at = (int)(static_cast<const char *>(b) - t);
          blank = break_blank{true, &c, (int)(t - c.text) + at + 1, position + at + 1};
        }
        position += n;
      });
    }
    if (!finish_break(stop, blank))
      return;
  }
  while (open_width >= limit && calc_break_position(last_line)) {
  }
}

void vesk_text_buffer::end_line() {
  record(last_line)->ended = 1;
  new_line();
}

void vesk_text_buffer::new_line() {
  ensure_capacity(last_line + 1);
  last_line++;
  *record(last_line) = vesk_textctrl_line{};
  open_width = 0;
  if (initialized_lines <= last_line)
    initialized_lines = last_line + 1;
  if (!locked && !top_anchored) {
    view_position = last_line;
    // The display's copy follows too, so a scroll command while following starts from the end
    // rather than from where the view was when it last scrolled.
    if (following)
      scroll_position = last_line;
  }
}

bool vesk_text_buffer::calc_break_position(int index) {
  // Only the line being filled can break: the lines after it would have to move otherwise.
  if (index != last_line || client_width <= 0)
    return false;
  const vesk_textctrl_line *line = record(index);
  const int64_t limit = client_width;

  // Walk the line's bytes adding widths until the sum reaches the width; remember the last
  // blank that fitted (stored text holds no tabs: they became blanks on the way in).
  const vesk_textctrl_chunk *chunk = line->first;
  int offset = line->offset;
  int remaining = line->length;
  int64_t sum = 0;
  int position = 0; // bytes of the line before `offset` in `chunk`
  break_blank blank{false, nullptr, 0, 0};
  while (remaining > 0 && chunk) {
    int available = chunk->length - offset;
    if (available <= 0) {
      chunk = chunk->next;
      offset = 0;
      continue;
    }
    int k = available < remaining ? available : remaining;
    const unsigned char *s = reinterpret_cast<const unsigned char *>(chunk->text) + offset;
    int64_t before;
    int j = find_overflow(byte_widths, uniform_width, s, k, sum, limit, &before);
    if (const void *b = memrchr(s, ' ', (size_t)j)) {
      int at = (int)(static_cast<const unsigned char *>(b) - s);
      blank = break_blank{true, chunk, offset + at + 1, position + at + 1};
    }
    if (j < k)
      return finish_break(break_stop{chunk, offset + j, position + j, before}, blank);
    sum = before;
    position += k;
    offset += k;
    remaining -= k;
  }
  return false;
}

bool vesk_text_buffer::finish_break(const break_stop &stop, const break_blank &blank) {
  vesk_textctrl_line *line = record(last_line);
  const vesk_textctrl_chunk *break_chunk;
  int break_offset, break_position;
  int64_t break_sum;
  if (blank.found) {
    break_chunk = blank.chunk;
    break_offset = blank.offset;
    break_position = blank.position;
    // Width up to the blank: what fitted less the word fragment after it.
    break_sum = stop.sum;
    vesk_textctrl_line fragment{const_cast<vesk_textctrl_chunk *>(blank.chunk), stop.position - blank.position,
                                (uint16_t)blank.offset, 0};
    for_each_piece(fragment, [&](const char *t, int n, const vesk_textctrl_chunk &) {
      break_sum -= piece_width(byte_widths, uniform_width, reinterpret_cast<const unsigned char *>(t), n);
    });
  } else if (stop.position > 0) {
    // The first byte that did not fit starts the next line.
    break_chunk = stop.chunk;
    break_offset = stop.offset;
    break_position = stop.position;
    break_sum = stop.sum;
  } else {
    return false; // the first byte alone is too wide: the line stays and is clipped
  }
  int rest_length = line->length - break_position;
  int64_t rest_width = open_width - break_sum;
  line->length = break_position;
  new_line();
  vesk_textctrl_line *next = record(last_line);
  next->first = const_cast<vesk_textctrl_chunk *>(break_chunk);
  next->offset = (uint16_t)break_offset;
  next->length = rest_length;
  open_width = rest_width < 0 ? 0 : rest_width;
  return true;
}

// ---- line table ----

void vesk_text_buffer::ensure_capacity(int index) {
  while ((int64_t)index >= (int64_t)pages.size() * line_table_step) {
    size_t i = pages.size();
    vesk_textctrl_line *page;
    if (i == 0) {
      page = static_cast<vesk_textctrl_line *>(std::malloc(line_page_bytes));
      if (!page) {
        log_message("Error in vesk_text_buffer::line_at(), malloc failed.  Failing and exiting.", VESK_LOG_ALLOC, 9);
        std::exit(1);
      }
    } else if (i % 2 == 1) {
      page = static_cast<vesk_textctrl_line *>(vesk_text_map_block(2 * line_page_bytes));
    } else {
      page = pages[i - 1] + line_table_step;
    }
    pages.push_back(page);
  }
}

vesk_textctrl_line *vesk_text_buffer::line_at(int index) {
  if (index < 0)
    index = 0;
  ensure_capacity(index);
  while (initialized_lines <= index)
    *record(initialized_lines++) = vesk_textctrl_line{};
  return record(index);
}

const vesk_textctrl_line *vesk_text_buffer::get_line(int index) const {
  if (index < 0 || index > last_line)
    return nullptr;
  return record(index);
}

int64_t vesk_text_buffer::line_width(int index) const {
  const vesk_textctrl_line *line = get_line(index);
  if (!line)
    return 0;
  int64_t width = 0;
  for_each_piece(*line, [&](const char *t, int n, const vesk_textctrl_chunk &) {
    width += piece_width(byte_widths, uniform_width, reinterpret_cast<const unsigned char *>(t), n);
  });
  return width;
}

bool vesk_text_buffer::line_text(int index, vesk_fixed_text &out) const {
  out.clear();
  const vesk_textctrl_line *line = get_line(index);
  if (!line)
    return false;
  for_each_piece(*line, [&](const char *t, int n, const vesk_textctrl_chunk &) { out.append(t, n); });
  return true;
}

int64_t vesk_text_buffer::heap_bytes() const {
  int64_t table = pages.empty() ? 0 : (int64_t)line_page_bytes * (1 + (int64_t)(pages.size() / 2) * 2);
  return text.heap_bytes() + table +
         (int64_t)pages.capacity() * (int64_t)sizeof(void *) + chunk_count * (int64_t)sizeof(vesk_textctrl_chunk);
}

// ---- colours, font, size ----

void vesk_text_buffer::set_colors(const vesk_color &fg, const vesk_color &bg) {
  foreground = fg;
  background = bg;
  base_background = bg;
}

void vesk_text_buffer::set_font(const vesk_glyph_font *f, bool compact_mode) {
  font = f;
  compact = compact_mode;
  measure_font();
  rewrap();
}

void vesk_text_buffer::measure_font() {
  if (!font)
    return;
  for (int c = 0; c < 256; c++)
    byte_widths[c] = font->glyph_width((unsigned char)c);
  int height = 0;
  font->get_glyph_size('f', nullptr, &height);
  line_height = height - (compact ? 1 : 0);
  note_uniform_width();
}

void vesk_text_buffer::note_uniform_width() {
  uniform_width = byte_widths[32];
  for (int c = 33; c <= 126; c++)
    if (byte_widths[c] != uniform_width)
      uniform_width = 0;
}

void vesk_text_buffer::set_metrics(const int widths[256], int height) {
  for (int c = 0; c < 256; c++)
    byte_widths[c] = widths[c] < 0 ? 0 : widths[c];
  line_height = height;
  note_uniform_width();
  rewrap();
}

void vesk_text_buffer::get_font_metrics(int *max_width, int *height) const {
  if (max_width) {
    int widest = 0;
    for (int c = 32; c <= 126; c++)
      if (byte_widths[c] > widest)
        widest = byte_widths[c];
    *max_width = widest;
  }
  if (height)
    *height = line_height;
}

void vesk_text_buffer::on_size(int width, int height) {
  client_width = width;
  client_height = height;
  if (width != cached_width) {
    rewrap();
    cached_width = width;
  }
  refresh_text();
}

// ---- rewrap and clear ----

void vesk_text_buffer::reset_lines() {
  last_line = 0;
  open_width = 0;
  view_position = 0;
  *record(0) = vesk_textctrl_line{};
}

void vesk_text_buffer::rewrap() {
  clear_selection();
  std::lock_guard<std::mutex> guard(mutex);
  reset_lines();
  for (vesk_textctrl_chunk *chunk = master_head; chunk; chunk = chunk->next)
    split_into_lines(chunk, 0, chunk->length);
}

void vesk_text_buffer::clear() {
  clear_selection();
  std::lock_guard<std::mutex> guard(mutex);
  reset_lines();
  column = 0;
  at_start = true;
  release_chunks(master_head);
  master_head = master_tail = nullptr;
  chunk_count = 0;
  text.clear();
  text_bytes = 0;
}

// ---- selection ----

void vesk_text_buffer::clear_selection() {
  selection = vesk_text_selection{};
  refresh_text();
}

void vesk_text_buffer::set_selection(int start_line, int start_offset, int end_line, int end_offset) {
  selection.active = true;
  selection.start_line = start_line;
  selection.start_offset = start_offset;
  selection.end_line = end_line;
  selection.end_offset = end_offset;
  refresh_text();
}

void vesk_text_buffer::refresh_text() {
  if (observer)
    observer->refresh_text();
}

void vesk_text_buffer::refresh_both() {
  if (observer) {
    observer->refresh_text();
    observer->refresh_display();
  }
}
