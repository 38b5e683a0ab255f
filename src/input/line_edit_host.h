// What the input line needs from the window that owns it: the way to the server, the main
// display's scrollback, the settings and the panels its keys reach. Every hook has a harmless
// default, so an owner implements only what exists.
#pragma once

class vesk_text_buffer;

class vesk_line_edit_host {
public:
  virtual ~vesk_line_edit_host() = default;

  // The road to the server (the main window's own calls of the same names).
  virtual void send_command(const char *text, int echo) { (void)text, (void)echo; }
  virtual void send_line(const char *text) { (void)text; }
  // Before the "//history" listing, and the listing's text.
  virtual void reset_output_state() {}
  virtual void show_local_text(const char *text) { (void)text; }

  // The scrollback of the main display, and of the channel window's current tab; null when
  // there is none.
  virtual vesk_text_buffer *main_display_text() { return nullptr; }
  virtual vesk_text_buffer *channel_display_text() { return nullptr; }

  // 0 offline, 1 creating, 2 playing, 3 logging off.
  virtual int host_connection_state() { return 0; }

  // The current character's int settings by their names ("cmd_pushthrough", "input_height",
  // ...); 0 without a configuration. The setter behaves as the setting's own setter does.
  virtual int get_setting(const char *name) {
    (void)name;
    return 0;
  }
  virtual void set_setting(const char *name, int value) { (void)name, (void)value; }

  // The main text font's point size (0: unknown, nothing changes), and a new size applied to
  // every window as a font change is.
  virtual int main_font_size() { return 0; }
  virtual void set_main_font_size(int size) { (void)size; }
  // Lay the main window out again.
  virtual void relayout() {}
  // Open or close the popup window of popup button n (1 to 10).
  virtual void toggle_popup_button(int n) { (void)n; }
  // Automap cell size + 2, or - 2 (5 below 7).
  virtual void automap_bigger() {}
  virtual void automap_smaller() {}
};
