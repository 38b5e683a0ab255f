// vesk_text_buffer: the scrollback store of a text control without the toolkit. All text ever
// appended is kept as coloured chunks in arrival order; display lines refer to that text by
// (chunk, offset, length), so a re-wrap only rebuilds the small line records. It also holds the
// view and scroll state of the display that owns it and draws the visible lines into a bitmap.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "drawing/color.h"
#include "support/fixed_text.h"
#include "text/text_arena.h"

class vesk_bitmap;
class vesk_glyph_font;

// A piece of master text (pooled). The text lives in the owning buffer's text store and is not
// terminated; it may hold newlines. Records come from a process-wide free list refilled in
// blocks by vesk_bulk_allocate.
struct vesk_textctrl_chunk {
  vesk_textctrl_chunk *next;
  char *text;
  int32_t length;
  uint8_t red, green, blue;

  vesk_color color() const { return vesk_color(red, green, blue); }
};

// A display line: `length` bytes of master text starting at byte `offset` of chunk `first` and
// running on through the following chunks. It never holds a newline. Sixteen bytes: the line
// table is the one part of the scrollback that grows with every line.
struct vesk_textctrl_line {
  vesk_textctrl_chunk *first; // null while the line is empty
  int32_t length;
  uint16_t offset; // chunks hold at most 5999 bytes
  uint16_t ended;  // 1 when a newline in the text ended it, 0 while open or when word wrap ended it
};

// Selection in line/byte coordinates; offsets count the bytes of a display line and the end is
// inclusive. The mouse handling fills it; the repaint draws it.
struct vesk_text_selection {
  bool active = false;
  int start_line = 0, start_offset = 0;
  int end_line = 0, end_offset = 0;
  int anchor_line = 0, anchor_offset = 0;
  int current_line = 0, current_offset = 0;
};

// What the windows do for the engine: repaint, set the scroll bar, redraw the status bar's lock
// image. Every call is optional.
class vesk_text_view_observer {
public:
  virtual ~vesk_text_view_observer() = default;
  // Repaint the text control (without erasing).
  virtual void refresh_text() {}
  // Repaint the display around it (its frame).
  virtual void refresh_display() {}
  // Set the display's scroll bar: thumb position, thumb size, range, page size; then refresh it.
  virtual void set_scrollbar(int position, int thumb_size, int range, int page_size) {
    (void)position, (void)thumb_size, (void)range, (void)page_size;
  }
  // Following changed: ask the main window's status bar to redraw its lock image.
  virtual void following_changed() {}
};

class vesk_text_buffer {
public:
  static const int line_table_step = 65536;   // the line table grows by this many entries
  static const int piece_limit = 5999;        // bytes of one append (and of one chunk)
  static const int chunk_block_bytes = 262144; // pool refill size
  static const int selection_shade = 64;      // background of selected text, per component

  vesk_text_buffer();
  ~vesk_text_buffer();
  vesk_text_buffer(const vesk_text_buffer &) = delete;
  vesk_text_buffer &operator=(const vesk_text_buffer &) = delete;

  // ---- storage ----

  // Adds a NUL-terminated byte string in the foreground colour: leading newlines are skipped
  // right after construction or clear (until a byte other than a newline arrives), tabs become
  // blanks to the next multiple of 8 columns, newline and carriage return reset the column, and
  // bytes 128 to 255 become the ASCII look-alikes of vesk_textctrl_replacement. At most 5999
  // bytes are stored per call; the rest is dropped but still advances the column.
  void append(const char *text);
  // The same for `length` bytes, storing every one of them (long texts become several chunks).
  // The ANSI display uses this, so what it shows and what it rebuilds from its render list agree.
  void append_bytes(const char *text, int64_t length);

  // Foreground for new chunks; background and base background (where colour flashes return).
  void set_colors(const vesk_color &foreground, const vesk_color &background);
  // The background alone, as a colour flash animates it.
  void set_background(const vesk_color &background) { this->background = background; }
  const vesk_color &get_foreground() const { return foreground; }
  const vesk_color &get_background() const { return background; }
  const vesk_color &get_base_background() const { return base_background; }

  // Takes the font (not owned; it must outlive its use here), re-measures and re-wraps.
  // compact_mode is the character setting that makes lines one pixel tighter.
  void set_font(const vesk_glyph_font *font, bool compact_mode = false);
  const vesk_glyph_font *get_font() const { return font; }
  // Byte widths and line height from the font: each byte's glyph width, the height of "f"
  // (minus 1 in compact mode). Without a font nothing changes.
  void measure_font();
  // Metrics without a font (tests, and fonts that are measured elsewhere); then re-wraps.
  void set_metrics(const int widths[256], int line_height);
  // Largest width among the bytes 32 to 126, and the line height; either may be null.
  void get_font_metrics(int *max_width, int *line_height) const;
  int byte_width(unsigned char c) const { return byte_widths[c]; }
  int get_line_height() const { return line_height; }

  // Rebuilds every display line from the master text at the current width and font.
  void rewrap();
  // Discards all text.
  void clear();
  // Client size of the text control: re-wraps when the width changed; then refreshes.
  void on_size(int width, int height);
  int get_client_width() const { return client_width; }
  int get_client_height() const { return client_height; }
  // Takes effect with the next re-wrap (the display rebuilds at once, set_word_wrap there).
  void set_word_wrap(bool on) { word_wrap = on; }
  bool get_word_wrap() const { return word_wrap; }

  // The break algorithm on line `index`, which must be the last line (the one being filled):
  // when it is at least as wide as the client, everything after the break moves onto a new
  // line. Returns true when it broke the line.
  bool calc_break_position(int index);

  // ---- reading the lines ----
  // Take text_mutex() around these when another thread could change the buffer.

  std::mutex &text_mutex() { return mutex; }
  int get_last_line() const { return last_line; }
  // The record of a line, created (and the table grown) when needed; index < 0 gives line 0.
  vesk_textctrl_line *line_at(int index);
  // The record of an existing line (0 to last line), else null.
  const vesk_textctrl_line *get_line(int index) const;
  int get_line_table_capacity() const { return (int)pages.size() * line_table_step; }
  // Pixel width of a line (0 for no such line).
  int64_t line_width(int index) const;
  // Calls fn(text, length, chunk) for each stretch of a line's bytes that lies in one chunk.
  template <typename F> void for_each_piece(const vesk_textctrl_line &line, F fn) const;
  // The line's bytes (at most 5999) into `out`, replacing what it held; false for no such line.
  bool line_text(int index, vesk_fixed_text &out) const;
  // Bytes of master text held, and heap bytes the buffer and its share of the chunk pool use.
  int64_t get_text_bytes() const { return text_bytes; }
  int64_t get_chunk_count() const { return chunk_count; }
  int64_t heap_bytes() const;
  // Master chunks in order, for checks and export of the raw scrollback.
  const vesk_textctrl_chunk *get_master_list() const { return master_head; }

  // ---- view (text control side) ----

  // Lines that fit: client height / line height, at least 1; 20 (and a log) without a height.
  int get_visible_line_count() const;
  // Clamps to 0..last line (+ visible count when bottom-anchored), stores, refreshes.
  void set_view_position(int position);
  // Thumb position to view position (plus the visible count when bottom-anchored); returns it.
  int set_view_from_thumb(int thumb);
  void get_scroll_metrics(int *thumb, int *range, int *page) const;
  int get_view_position() const { return view_position; }
  bool is_locked() const { return locked; }

  // ---- scrolling (display side) ----

  void update_scrollbar();
  void scroll_to_end();
  void scroll_to_line(int thumb);
  void follow();
  void follow_if_not();
  void lock();
  void lock_if_following();
  void scroll_by(int lines);
  void scroll_up(int lines);
  void scroll_down(int lines);
  void page_up();
  void page_down();
  // Every scroll-bar event, with the bar's thumb position. The window then hands the keyboard
  // focus back to the command input.
  void scrollbar_moved(int thumb);
  // Wheel rotation: positive scrolls back (up), negative forward; 0 does nothing.
  void mouse_wheel(int rotation);
  bool is_following() const { return following; }
  int get_scroll_position() const { return scroll_position; }

  // ---- selection and drawing ----

  void clear_selection();
  // Selects from (start line, start offset) to (end line, end offset) inclusive and refreshes.
  void set_selection(int start_line, int start_offset, int end_line, int end_offset);
  const vesk_text_selection &get_selection() const { return selection; }
  // Draws the visible lines into the bitmap (the text control's back buffer, client-sized).
  void repaint_internal(vesk_bitmap &bitmap);

  // ---- configuration the owner sets directly ----

  bool top_anchored = false;   // popup windows: the view names the top line, drawn downwards
  bool never_unfollow = false; // popup displays: scrolling back does not leave following
  vesk_text_view_observer *observer = nullptr;

private:
  void store_text(const unsigned char *text, int64_t length, bool cut);
  void split_into_lines(vesk_textctrl_chunk *chunk, int from, int to);
  struct break_stop;
  struct break_blank;
  void add_piece(vesk_textctrl_chunk *chunk, int start, int count);
  bool finish_break(const break_stop &stop, const break_blank &blank);
  void end_line();
  void new_line();
  void reset_lines();
  void note_uniform_width();
  void ensure_capacity(int index);
  vesk_textctrl_line *record(int index) const {
    return &pages[(size_t)index / line_table_step][index % line_table_step];
  }
  void draw_line(vesk_bitmap &bitmap, int index, int y);
  bool skip_blanks = false; // during a repaint: the blank's glyph is empty
  void refresh_text();
  void refresh_both();

  std::mutex mutex; // guards the master list and the line table

  vesk_textctrl_chunk *master_head = nullptr;
  vesk_textctrl_chunk *master_tail = nullptr;
  vesk_text_arena text;
  int64_t text_bytes = 0;
  int64_t chunk_count = 0;

  std::vector<vesk_textctrl_line *> pages; // each holds line_table_step records
  int initialized_lines = 0;
  int last_line = 0;
  int64_t open_width = 0; // pixel width of the last line, the one being filled
  int column = 0;
  bool at_start = true;
  bool word_wrap = true;

  vesk_color foreground = vesk_white;
  vesk_color background = vesk_black;
  vesk_color base_background = vesk_black;

  const vesk_glyph_font *font = nullptr;
  bool compact = false;
  int line_height = 0;
  int byte_widths[256];
  int uniform_width = 0; // the width of every byte 32 to 126 in a fixed-pitch font, else 0

  int client_width = 0;
  int client_height = 0;
  int cached_width = -1;

  int view_position = 0;
  bool locked = false;
  bool following = true;
  int scroll_position = 0;

  vesk_text_selection selection;
};

// The ASCII look-alike a byte 128 to 255 is stored as (other bytes are returned unchanged).
unsigned char vesk_textctrl_replacement(unsigned char c);

template <typename F> void vesk_text_buffer::for_each_piece(const vesk_textctrl_line &line, F fn) const {
  const vesk_textctrl_chunk *chunk = line.first;
  int offset = line.offset;
  int remaining = line.length;
  while (remaining > 0 && chunk) {
    int available = chunk->length - offset;
    if (available <= 0) {
      chunk = chunk->next;
      offset = 0;
      continue;
    }
    int k = available < remaining ? available : remaining;
    fn((const char *)chunk->text + offset, k, *chunk);
    remaining -= k;
    offset += k;
  }
}
