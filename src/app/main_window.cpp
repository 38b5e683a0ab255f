// The main window: construction of its children, the tick, the connection manager's window side
// and the orderly exit.
#include "app/main_window.h"

#include "config/settings.h"

#include "app/client_commands.h"
#include "app/app.h"
#include "app/embedded_window.h"
#include "app/web_links.h"
#include "drawing/wx_font.h"
#include "input/line_edit.h"
#include "support/clock.h"
#include "support/log.h"
#include "support/random.h"
#include "support/words.h"
#include "text/ansi_display.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/utils.h>

vesk_mw *vesk_main_window = nullptr;

namespace {
const int bright = 1, normal = 0;
const int yellow = 0x33, white = 0x37;
} // namespace

vesk_mw::vesk_mw(const wxString &title, const wxPoint &position, const wxSize &size)
    : wxFrame(nullptr, wxID_ANY, title, position, size, wxDEFAULT_FRAME_STYLE, "vesk frame " + title),
      tick_timer(this, timer_tick), ping_timer(this, timer_ping), save_timer(this, timer_save) {
  delayed_initialization();
}

vesk_mw::~vesk_mw() {
  vesk_config::set_host(nullptr);
  tick_timer.Stop();
  ping_timer.Stop();
  save_timer.Stop();
  connection.close();
  if (vesk_main_window == this)
    vesk_main_window = nullptr;
}

void vesk_mw::delayed_initialization() {
  exit_countdown = 0;
  settings_changed = 0;
  pending_message.clear();
  pending_message_flag = 0;
  connection_state = offline;
  channel_divert = 0;
  vesk_main_window = this;
  vesk_config::set_host(this);

  input_window = new vesk_line_edit(this, wxID_ANY, "main input window");
  main_display = new vesk_ansi_display(this, wxID_ANY);
  output_display = main_display;

  SetBackgroundColour(*wxBLACK);
  if (vesk_main_text_font) {
    input_window->set_font(vesk_main_text_font->toolkit_font());
    main_display->set_font(vesk_main_text_font);
  }
  input_window->SetFocus();

  Bind(wxEVT_TIMER, &vesk_mw::OnTimer, this, timer_tick);
  Bind(wxEVT_TIMER, [this](wxTimerEvent &) { ping_step(); }, timer_ping);
  Bind(wxEVT_TIMER, [](wxTimerEvent &) { vesk_config::save_system_config_file(); }, timer_save);
  Bind(wxEVT_CLOSE_WINDOW, &vesk_mw::on_close, this);
  Bind(wxEVT_SIZE, &vesk_mw::OnResize, this);
  Bind(wxEVT_PAINT, &vesk_mw::repaint_handler, this);
  for (const wxEventTypeTag<wxMouseEvent> &type :
       {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP,
        wxEVT_MOTION, wxEVT_ENTER_WINDOW, wxEVT_LEAVE_WINDOW, wxEVT_MOUSEWHEEL})
    Bind(type, &vesk_mw::on_mouse, this);
  Bind(wxEVT_SET_FOCUS, &vesk_mw::on_focus, this);
  Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent &) {});
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  layout_windows();
  Refresh(false);

  constructed = 1;
  tick_timer.Start(20);
  ping_timer.Start(15000);
  save_timer.Start(300000);
}

void vesk_mw::layout_windows() {
  wxSize client = GetClientSize();
  vesk_layout_input in;
  in.client_width = client.GetWidth();
  in.client_height = client.GetHeight();
  in.saved_width = saved_width;
  in.saved_height = saved_height;
  in.connection_state = connection_state;
  read_layout_settings();
  in.settings = layout_settings;
  // Room is kept only for panels that exist; each panel's work switches its own part on here.
  vesk_layout_settings &p = in.settings;
  p.direction_button_enable = p.hint_button_enable = p.fkey_button_display = p.popup_display = 0;
  p.status_bar = p.hpbar_enable = p.exp_display = p.enemy_hpbar_enable = 0;
  p.group_status_display = p.automap_display = p.channel_window_enable = 0;
  vesk_layout out = vesk_compute_layout(in);
  background.build_background(out.width, out.height, background_style, nullptr, 0);
  // Panels that do not exist yet keep their rectangles empty: the background shows there.
  const vesk_rect &m = out.main_display.rect;
  main_display->set_geometry(m.x, m.y, m.width, m.height);
  const vesk_rect &i = out.input_line.rect;
  input_window->SetSize(i.x, i.y, i.width, i.height);
  main_display->text.follow_if_not();
}

void vesk_mw::OnResize(wxSizeEvent &event) {
  event.Skip();
  if (!constructed) {
    if (vesk_debug_level > 1)
      format_message("vesk_mw::OnResize() - windows bug triggered, constructor not yet finished.  Ignoring.\n");
    return;
  }
  wxSize client = GetClientSize();
  if (client.GetWidth() == saved_width && client.GetHeight() == saved_height) {
    if (vesk_debug_level > 1)
      format_message("vesk_mw::OnResize() - ignoring double resize.\n");
    return;
  }
  if (client.GetWidth() > 0 && client.GetHeight() > 0) {
    saved_width = client.GetWidth();
    saved_height = client.GetHeight();
  }
  layout_windows();
  Refresh(false);
}

void vesk_mw::repaint_handler(wxPaintEvent &) {
  wxPaintDC dc(this);
  wxSize client = GetClientSize();
  if (!link_font) {
    link_font = new vesk_font;
    link_font->create(9, wxFONTFAMILY_TELETYPE, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, true, wxEmptyString);
  }
  const vesk_bitmap *logo = vesk_pictures[vesk_picture_logo];
  int tw = 0, th = 0;
  window_picture.GetTextExtent(*link_font, vesk_web_address_text, &tw, &th);
  vesk_logo_placement place =
      vesk_place_logo(layout_settings.current_layout, client.GetWidth(), client.GetHeight(), logo ? logo->width() : 192,
                      logo ? logo->height() : 43, tw, th);
  if (!vesk_compose_window_picture(window_picture, background, logo, link_font, vesk_web_address_text, place,
                                   client.GetWidth(), client.GetHeight()))
    return;
  web_link = place.link;
  window_blitter.blit(dc, window_picture);
}

void vesk_mw::on_mouse(wxMouseEvent &event) {
  event.Skip();
  if (event.LeftDown() && web_link.contains(event.GetX(), event.GetY())) {
    vesk_fixed_text url;
    vesk_web_url("/?qv", false, url);
    launch_browser_or_explain(url.c_str(), "\nOpening the main Quorveth web page in your browser...");
  }
}

void vesk_mw::on_focus(wxFocusEvent &) {
  if (input_window)
    input_window->SetFocus();
}

void vesk_mw::OnTimer(wxTimerEvent &) {
  if (!constructed) {
    if (vesk_debug_level > 1)
      format_message("vesk_mw::OnTimer() - constructor not finished?\n");
    return;
  }
  if (focus_return) {
    input_window->SetFocus();
    focus_return = 0;
  }
  socket_handler();
  run_animations(20);
  if (connection_state == playing && settings_changed)
    send_settings_status();
  if (pending_message_flag) {
    reset_output_state();
    main_display->output_text(pending_message.c_str());
    main_display->refresh_all();
    pending_message.clear();
    pending_message_flag = 0;
  }
  if (pending_url_flag) {
    pending_url_flag = 0;
    launch_browser_or_explain(pending_url, nullptr);
  }
  for (auto it = browsers.begin(); it != browsers.end();) {
    if (vesk_browser_poll(&it->launch) == VESK_BROWSER_RUNNING) {
      ++it;
      continue;
    }
    finish_browser_launch(*it);
    it = browsers.erase(it);
  }
  if (main_display->interpreter.has_partial_line()) {
    if (++partial_line_ticks >= 3) {
      main_display->interpreter.flush_partial_line();
      partial_line_ticks = 0;
    }
  } else {
    partial_line_ticks = 0;
  }
  if (exit_countdown > 0) {
    exit_countdown--;
    if (exit_countdown == 0) {
      if (vesk_debug_level > 1)
        format_message("vesk_mw::shutdown - exit forced.\n");
      _exit(0);
    }
    if (exit_countdown == 1) {
      if (vesk_debug_level > 1)
        format_message("vesk_mw::shutdown - requested exit\n");
      shutdown_now();
    }
  }
}

void vesk_mw::shutdown_now() {
  vesk_config::save_system_config_file();
  tick_timer.Stop();
  ping_timer.Stop();
  save_timer.Stop();
  Destroy();
}

void vesk_mw::system_shutdown_handler() {
  if (vesk_debug_level > 1)
    format_message("vesk_mw system_shutdown_handler.\n");
  exit_countdown = 10;
}

void vesk_mw::on_close(wxCloseEvent &event) {
  if (exit_countdown != 1 && event.CanVeto()) {
    event.Veto();
    // What the exit dialogs decide, without them: ask the server while playing, else leave.
    if (connection_state == playing && connection.is_connected())
      send_command("quit -check", 0);
    else
      system_shutdown_handler();
    return;
  }
  shutdown_now();
}

// ---- connection manager, window side ----

void vesk_mw::socket_connect(int port) {
  reset_output_state();
  show_local_text("\n");
  show_local_text("Connecting to server...\n");
  main_display->refresh_all();
  wxYieldIfNeeded();
  const char *reason = nullptr;
  // The hello line carries the first 32 characters of the uuid.
  char client_id[33];
  std::snprintf(client_id, sizeof client_id, "%.32s", vesk_system_settings.uuid);
  if (!connection.connect(port, client_id, &reason)) {
    handle_disconnect(reason);
    main_display->refresh_all();
    return;
  }
  parser.reset();
  main_display->refresh_all();
  input_window->select_history(1);
}

void vesk_mw::socket_handler() {
  if (!connection.first_connect_done) {
    connection.first_connect_done = true;
    socket_connect(0);
  }
  connection.poll(*this);
}

void vesk_mw::handle_disconnect(const char *reason) {
  connection.close();
  parser.reset();
  // A diversion left open would send the next session's text to a closed popup or channel.
  end_all_diversions();
  input_window->select_history(0);
  connection_state = offline;
  SetTitle("Quorveth");
  vesk_ansi_display *d = main_display;
  d->set_color(normal, white);
  d->output_text("\n");
  d->output_text("\n");
  d->output_text(reason);
  d->output_text("\n");
  d->output_text("\n");
  d->output_text("To log in again, type '");
  d->set_color(bright, yellow);
  d->output_text("connect");
  d->set_color(normal, white);
  d->output_text("' or use the ");
  d->set_color(bright, yellow);
  d->output_text("File / Connect");
  d->set_color(normal, white);
  d->output_text(" menu option.\n");
  d->output_text("\n");
  d->refresh_all();
  Refresh(false);
}

void vesk_mw::ping_step() {
  if (connection_state != playing)
    return;
  send_line("qvping");
  ping_sent_time = vesk_gettimeofday_useconds();
}

void vesk_mw::send_command(const char *text, int echo) {
  if (!text)
    return;
  last_command_time = (long)time(nullptr);
  // The echo comes first, so that the client's own commands are echoed too.
  if (echo == 1 && !input_is_secret() && vesk_config::get_local_echo())
    echo_command(text);
  if (run_client_command(text))
    return;
  if (connection.is_connected()) {
    send_line(text);
    return;
  }
  vesk_offline_match offline = vesk_match_offline_word(text);
  if (offline.action == vesk_offline_connect)
    socket_connect(offline.port);
  else if (offline.action == vesk_offline_quit)
    system_shutdown_handler();
}

// ---- local text ----

void vesk_mw::queue_local_message(const char *text) {
  pending_message.append(text ? text : "(null)");
  pending_message_flag = 1;
}

void vesk_mw::open_url(const char *url) {
  safe_strcpy(pending_url, url ? url : "", (int)sizeof pending_url);
  if (vesk_debug_level > 1)
    format_message("open_url() - '%s'.\n", pending_url);
  pending_url_flag = 1;
}

void vesk_mw::launch_browser_or_explain(const char *url, const char *success_line) {
  browsers.emplace_back();
  browser_launch &started = browsers.back();
  started.success_line.set(success_line ? success_line : "");
  vesk_browser_launch_async(url, &started.launch);
  if (started.launch.pid <= 0) {
    finish_browser_launch(started);
    browsers.pop_back();
  }
}

void vesk_mw::finish_browser_launch(const browser_launch &done) {
  if (done.launch.outcome == VESK_BROWSER_LAUNCHED) {
    if (done.success_line.length > 0) {
      reset_output_state();
      show_local_text("\n");
      show_local_text(done.success_line.c_str());
      show_local_text("\n");
      main_display->refresh_all();
    }
  } else {
    vesk_fixed_text message("\n\nSorry, but I can't seem invoke the FireFox browser.  This is the only browser I currently "
                            "trust.\nYou can try to get to the link manually by going to:\n\n");
    message.append(done.launch.url.c_str());
    message.append("\n\n");
    queue_local_message(message.c_str());
  }
}

void vesk_mw::reset_output_state() {
  main_display->text.follow_if_not();
  main_display->reset_attributes();
  main_display->output_text("\n");
  parser.reset();
}

void vesk_mw::show_local_text(const char *text) { main_display->output_text(text); }

// ---- the stream ----

void vesk_mw::show_text_output(const char *text, int length) {
  if (!channel_divert) {
    output_display->process_text_data(text, length);
    return;
  }
  channel_display_text(text, length);
  if (!vesk_config::get_channel_window_enable() || vesk_config::get_channel_window_dupe())
    main_display->process_text_data(text, length);
}

void vesk_mw::on_chunk_begin() { main_display->interpreter.text_received = false; }

void vesk_mw::on_chunk_end() {
  if (main_display->interpreter.text_received)
    main_display->refresh_all();
}

void vesk_mw::on_bell() { wxBell(); }

// ---- focus ----

int transfer_focus_main(wxWindow *window) {
  if (!window) {
    if (vesk_debug_level > 1)
      format_message("Error in transfer_focus_main() - null w?\n");
    return 0;
  }
  for (wxWindow *w = window; w; w = w->GetParent()) {
    if (w == vesk_main_window) {
      if (vesk_main_window->input_window)
        vesk_main_window->input_window->SetFocus();
      vesk_main_window->focus_return = 1;
      return 1;
    }
    if (w->IsTopLevel())
      return 0;
  }
  if (window->GetParent())
    window->GetParent()->SetFocus();
  return 0;
}
