// vesk_mw: the one main window. It owns every child for the life of the process, the game
// connection and the stream parser, and runs the 20 ms tick that drives the program.
#pragma once

#include "app/layout.h"
#include "config/settings.h"
#include "drawing/wx_blit.h"
#include "net/connection.h"
#include "support/browser.h"
#include "net/stream_parser.h"
#include "support/fixed_text.h"

#include <cstdint>
#include <list>
#include <wx/frame.h>
#include <wx/timer.h>

class vesk_ansi_display;
class vesk_line_edit;

enum { offline = 0, creating = 1, playing = 2, logging_off = 3 };

class vesk_mw : public wxFrame,
               public vesk_stream_listener,
               public vesk_connection_events,
               public vesk_config_host {
public:
  enum { timer_tick = 112, timer_ping = 113, timer_save = 114 };

  vesk_mw(const wxString &title, const wxPoint &position, const wxSize &size);
  ~vesk_mw() override;

  // The connection manager.
  void socket_connect(int port);
  void socket_handler();
  void send_command(const char *text, int echo);
  void send_line(const char *text) { connection.send_line(text); }
  void append_outgoing_string(const char *text) { connection.append_outgoing_string(text); }
  void handle_disconnect(const char *reason);
  void ping_step();

  // Local text and shutdown.
  void queue_local_message(const char *text);
  // A link clicked in the text: opened by the next tick (a second one before it replaces it).
  void open_url(const char *url);
  // Starts the browser without waiting; the outcome is looked at on later ticks.
  void launch_browser_or_explain(const char *url, const char *success_line);
  struct browser_launch {
    vesk_browser_launch launch;
    vesk_fixed_text success_line;
  };
  void finish_browser_launch(const browser_launch &done);
  void reset_output_state();
  void show_local_text(const char *text);
  void system_shutdown_handler();
  void process_socket_data(const char *data, int count) { parser.process_socket_data(data, count, *this); }
  void process_tagged_data(const char *name, const char *data, int length);
  void show_text_output(const char *text, int length);

  // The client's own commands and their screens (main_window_commands.cpp). The screens are
  // also the Help menu's: Keyboard Shortcuts, About, Basic Commands (0) and More Commands (1).
  bool run_client_command(const char *text);
  void echo_command(const char *text);
  void show_command_list();
  void show_keyboard_help();
  void show_version_text();
  void show_ingame_help(int more_commands);

  // The tags the main window handles itself (main_window_dispatch.cpp).
  void tag_login(const char *data);
  void tag_event(const char *data);
  void divert_output(const char *popup_name, bool suspend_and_clear);
  void end_divert();
  void end_append();
  // Sends server text to the main display again and ends a channel diversion.
  void end_all_diversions();

  // Links to the input line and the panels, which arrive with their own work; until then
  // these do nothing (the secret-mode flag is kept, so local echo already honours it).
  void input_secret_mode(bool secret);
  bool input_is_secret() const { return input_secret != 0; }
  void input_list_history();
  vesk_ansi_display *find_popup_display(const char *name);
  void channel_clear_all();
  void channel_divert_start(const char *channel);
  void channel_divert_end();
  void channel_display_text(const char *text, int length);
  void status_bar_ping_sample(int milliseconds);
  void output_colorflash(const char *text);

  int input_secret = 0;
  int last_ping_ms = -1;

  vesk_ansi_display *main_display = nullptr;
  vesk_ansi_display *output_display = nullptr;
  vesk_line_edit *input_window = nullptr;

  vesk_connection connection;
  vesk_stream_parser parser;
  int connection_state = offline;
  int exit_countdown = 0;
  int settings_changed = 0;
  vesk_fixed_text pending_message;
  int pending_message_flag = 0;
  int channel_divert = 0;
  int64_t ping_sent_time = 0;
  long login_time = 0;
  long last_command_time = 0;
  int constructed = 0;
  int focus_return = 0;

private:
  void delayed_initialization();
public:
  void layout_windows();
  void read_layout_settings();
  // The "qvclstatus" line with the display settings the server is told about.
  void send_settings_status();

  // vesk_config_host (main_window_settings.cpp)
  void get_text_font(std::string &description, int &point_size) override;
  void get_button_font(std::string &description, int &point_size) override;
  void apply_text_font(const char *description, int point_size) override;
  void apply_button_font(const char *description, int point_size) override;
  void relayout() override;
  void mark_settings_changed() override;
  void text_font_to_panels() override;
  void main_scrollbar_changed(int on) override;
  void layout_changed(int layout) override;
  void button_theme_changed(int theme) override;
  void background_theme_changed(int theme, int pattern) override;
  void configuration_selected() override;
  void fonts_to_panels() override;

private:
  void repaint_handler(wxPaintEvent &event);
  void on_mouse(wxMouseEvent &event);
  void OnTimer(wxTimerEvent &event);
  void on_close(wxCloseEvent &event);
  void OnResize(wxSizeEvent &event);
  void on_focus(wxFocusEvent &event);
  void shutdown_now();

  // vesk_stream_listener
  void on_chunk_begin() override;
  void on_text(const char *text, int length) override { show_text_output(text, length); }
  void on_tagged_item(const char *name, const char *data, int length) override { process_tagged_data(name, data, length); }
  void on_bell() override;
  void on_echo(bool echo_on) override { input_secret_mode(!echo_on); }
  void on_chunk_end() override;

  // vesk_connection_events
  void received(const char *data, int count) override { process_socket_data(data, count); }
  void disconnected(const char *reason) override { handle_disconnect(reason); }

public:
  // Layout values: the settings the layout reads (their defaults until the settings arrive),
  // the last non-zero client size, the background and the clickable web address.
  vesk_layout_settings layout_settings;
  int background_style = 3;
  int saved_width = 0, saved_height = 0;
  vesk_background background;
  vesk_bitmap window_picture{0, 0};
  vesk_screen_blitter window_blitter;
  vesk_rect web_link;

private:
  class vesk_font *link_font = nullptr;
  char pending_url[1024];
  int pending_url_flag = 0;
  // Browsers started and not yet ended; each is reaped by its own pid (a list: never copied).
  std::list<browser_launch> browsers;

  wxTimer tick_timer;
  wxTimer ping_timer;
  wxTimer save_timer;
  int partial_line_ticks = 0;
};

// The process-wide main window, set during its construction.
extern vesk_mw *vesk_main_window;
