// vesk_ansi_interpreter: the engine of an ANSI display. It interprets server text (printable
// bytes shown, SGR colour sequences applied, everything else dropped), feeds the text buffer of
// its text control, keeps the render list it can rebuild that buffer from, and collects the
// current output line for per-line processing. The display window wraps one and forwards to it.
#pragma once

#include "support/fixed_text.h"
#include "text/render_list.h"
#include "text/text_attributes.h"
#include "text/text_render.h"

class vesk_bitmap;
class vesk_glyph_font;
class vesk_random;
class vesk_text_buffer;

// Set while line_complete or flush_partial_line runs: text output meanwhile (by any display)
// does not reach a line buffer.
extern bool vesk_line_complete_guard;

class vesk_ansi_interpreter {
public:
  enum { state_text = 1, state_escape = 2 };
  static const int output_buffer_size = 256;
  static const int reverse_shade = 64; // background of the text control in reverse video

  // The text buffer is the display's text control store; it must outlive the interpreter.
  explicit vesk_ansi_interpreter(vesk_text_buffer &text);
  virtual ~vesk_ansi_interpreter() = default;
  vesk_ansi_interpreter(const vesk_ansi_interpreter &) = delete;
  vesk_ansi_interpreter &operator=(const vesk_ansi_interpreter &) = delete;

  // A run of server bytes. The parser state survives between calls, so a sequence cut by a read
  // is completed by the next call. Sets text_received; a length of 0 does nothing.
  void process_text_data(const char *bytes, int length);
  // Local text (NUL-terminated) in the current attributes; null does nothing.
  void output_text(const char *text);

  // One SGR parameter as accumulated (the decimal text read as hexadecimal, "31" = 0x31).
  void process_ansi_code(int code);
  void process_ansi_color();
  void set_attributes(const vesk_color &colour, int code, int style);
  void apply_attributes(const vesk_color &colour, int style);
  // A style parameter and then a colour parameter, e.g. (1, 0x33) for bright yellow.
  void set_color(int first, int second);
  void reset_attributes();
  void refresh_attributes();

  // Closes the pending run (logs when it is empty).
  void rerender_flush();
  void suspend_updates();
  void resume_updates();
  // Rebuilds the text control from the render list and scrolls to the end.
  void rerender();
  // The "//clear" command and the start of a popup write.
  void clear();
  void set_font(const vesk_glyph_font *font, bool compact_mode = false);
  void set_word_wrap(bool on);
  // Makes scheme 0 to 3 current ("default", "bright", "ZMud-style", "GMud-style"); the caller
  // records it in font_colors_setting and writes the notice. False for another index.
  bool select_color_scheme(int index);
  // "//debugfill": 100000 lines of random coloured words straight into the text control.
  void debug_fill(vesk_random &random);

  // Called with each completed output line (without its newline). Does nothing here; subclasses
  // may process lines.
  virtual void line_complete(const char *line);
  bool has_partial_line() const { return line_buffer.length > 0; }
  void flush_partial_line();

  // Places scroll bar and text control in a display of the given client size (following again,
  // as every resize does), resizes the text buffer's view and updates the scroll bar.
  vesk_display_layout layout(int width, int height, int scrollbar_width);
  // True when the setting changed (the window then lays itself out again).
  bool show_scrollbar(bool on);
  // Draws the display's frame (when the border is on) into the display's client bitmap.
  void paint_frame(vesk_bitmap &bitmap, int width, int height, int scrollbar_width, int flash_count) const;

  vesk_text_buffer &get_text() { return text; }
  const vesk_render_list &get_render_list() const { return render_list; }
  const text_attributes &get_current_attributes() const { return current; }
  const text_attributes &get_pending_attributes() const { return pending; }
  bool has_pending_text() const { return render_list.has_open_run(); }
  const vesk_fixed_text &get_line_buffer() const { return line_buffer; }

  // Plain state the owner reads or sets.
  int parser_state = state_text;
  int escape_state = 0;
  int parameter = 0;
  int style = 0;      // what the SGR parameters built
  int color_code = 0;
  int last_style = -1; // last applied pair; style -1 forces the next application
  int last_code = -1;
  bool updates_suspended = false;
  bool text_received = false;
  bool border = true;
  bool scrollbar_shown = true;

private:
  void emit(const char *text, int length, bool ascii);
  void emit_ascii(const char *text, int length);
  void collect_line(const char *text, int length);

  vesk_text_buffer &text;
  vesk_render_list render_list;
  text_attributes current;
  text_attributes pending;
  vesk_fixed_text line_buffer;
};
