// The main window's side of the client's own "//" commands: the local echo of a sent line, running
// a matched command, and the help screens written into the main display.
#include "app/app.h"
#include "app/client_commands.h"
#include "app/main_window.h"

#include "config/settings.h"
#include "input/line_edit.h"
#include "support/config_directory.h"
#include "support/random.h"
#include "text/ansi_display.h"

#include <cstring>

namespace {
const int bright = 1, normal = 0;
const int yellow = 0x33, white = 0x37;
const char *const dashed_line = "\n-------------------------------------------------------------------------";
} // namespace

void vesk_mw::echo_command(const char *text) {
  vesk_ansi_display *d = main_display;
  bool separated = vesk_config::get_cmd_separator() && text[0];
  d->reset_attributes();
  d->output_text("\n");
  if (separated)
    d->output_text("\n");
  d->set_color(bright, yellow);
  d->output_text(">");
  d->reset_attributes();
  d->output_text(text);
  d->set_color(bright, yellow);
  d->output_text("<");
  if (separated) {
    d->set_color(bright, white);
    d->output_text(dashed_line);
  }
  d->reset_attributes();
  d->refresh_all();
}

bool vesk_mw::run_client_command(const char *text) {
  vesk_command_match match = vesk_match_client_command(text, connection_state == playing);
  const char *argument = match.argument;
  vesk_ansi_interpreter &out = main_display->interpreter;
  switch (match.command) {
  case vesk_cmd_none:
    return false;
  case vesk_cmd_commands:
    show_command_list();
    return true;
  case vesk_cmd_help:
    show_keyboard_help();
    return true;
  case vesk_cmd_version:
    show_version_text();
    return true;
  case vesk_cmd_break:
    send_line("\x03");
    main_display->text.follow_if_not();
    return true;
  case vesk_cmd_history:
    input_list_history();
    return true;
  case vesk_cmd_quit:
    system_shutdown_handler();
    return true;
  case vesk_cmd_disconnect:
    handle_disconnect("Disconnecting.");
    return true;
  case vesk_cmd_ping:
    ping_step();
    return true;
  case vesk_cmd_clear:
    out.clear();
    break;
  case vesk_cmd_chanclear:
    channel_clear_all();
    break;
  case vesk_cmd_echo:
    show_local_text("\n");
    if (argument)
      show_local_text(argument);
    break;
  case vesk_cmd_debuglevel:
    vesk_debuglevel_command(out, argument);
    break;
  case vesk_cmd_debugfilename:
    vesk_debugfilename_command(out, argument);
    break;
  case vesk_cmd_debugfill:
    out.debug_fill(vesk_main_random);
    break;
  case vesk_cmd_icons:
  case vesk_cmd_soundtest: {
    // Lets the player try the status icons and the sounds without the server.
    const char *payload = argument ? argument : "";
    process_tagged_data(match.command == vesk_cmd_icons ? "icons" : "sound", payload, (int)std::strlen(payload));
    break;
  }
  }
  main_display->refresh_all();
  return true;
}

void vesk_mw::show_command_list() {
  vesk_write_command_list(main_display->interpreter);
  main_display->refresh_all();
}

void vesk_mw::show_keyboard_help() {
  reset_output_state();
  vesk_write_keyboard_help(main_display->interpreter, connection_state == playing);
  main_display->refresh_all();
}

void vesk_mw::show_version_text() {
  reset_output_state();
  vesk_write_version_text(main_display->interpreter, vesk_launcher_version, vesk_client_get_config_directory());
  // The server's version arrives as ordinary text.
  if (connection.is_connected() && connection_state == playing)
    send_line("version");
  else
    show_local_text("\nUnable to retrieve server version.");
  main_display->refresh_all();
}

void vesk_mw::show_ingame_help(int more_commands) {
  bool connected = connection.is_connected();
  if (connected && connection_state == playing) {
    send_line(more_commands ? "help me" : "help");
    return;
  }
  reset_output_state();
  vesk_write_ingame_help_unavailable(main_display->interpreter, connected);
  main_display->refresh_all();
}

// ---- the input line ----

void vesk_mw::input_secret_mode(bool secret) {
  input_secret = secret ? 1 : 0;
  if (!input_window)
    return;
  if (secret)
    input_window->enter_secret_mode();
  else
    input_window->leave_secret_mode();
}

void vesk_mw::input_list_history() {
  if (input_window)
    input_window->list_history();
}
