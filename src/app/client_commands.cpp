// The client's own commands as data, their matcher, and the local screens they write.
#include "app/client_commands.h"

#include "net/connection.h"
#include "support/log.h"
#include "support/words.h"
#include "text/ansi_interpreter.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

const int bright = 1, normal = 0;
const int yellow = 0x33, white = 0x37;

// A decimal number as the C library reads it, held to the range of an int; 0 for a non-number.
int decimal_value(const char *text) {
  if (!text)
    return 0;
  long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return (int)value;
}

bool word_matches(const char *text, const char *name, int minimum) {
  if (minimum == 0)
    return word_equal(text, name);
  return word_abbrev(text, name, minimum) > 0;
}

void write_lines(vesk_ansi_interpreter &out, const char *const *lines, int count) {
  for (int i = 0; i < count; i++)
    out.output_text(lines[i]);
}

void write_separator(vesk_ansi_interpreter &out) {
  out.set_color(bright, yellow);
  out.output_text(vesk_separator_line);
  out.set_color(normal, white);
}

} // namespace

const vesk_command_row vesk_client_command_table[] = {
    {"//commands", 3, vesk_cmd_commands},
    {"//help", 3, vesk_cmd_help},
    {"//version", 3, vesk_cmd_version},
    {"//break", 3, vesk_cmd_break},
    {"//history", 3, vesk_cmd_history},
    {"//quit", 6, vesk_cmd_quit},
    {"//exit", 6, vesk_cmd_quit},
    {"//disconnect", 6, vesk_cmd_disconnect},
    {"//clear", 4, vesk_cmd_clear},
    {"//chanclear", 4, vesk_cmd_chanclear},
    {"//cclear", 4, vesk_cmd_chanclear},
    {"qvping", 0, vesk_cmd_ping},
    {"//ping", 3, vesk_cmd_ping},
    {"//echo", 3, vesk_cmd_echo},
    {"//debuglevel", 5, vesk_cmd_debuglevel},
    {"//debugfilename", 8, vesk_cmd_debugfilename},
    {"//debugfill", 0, vesk_cmd_debugfill},
    {"//icons", 0, vesk_cmd_icons},
    {"//soundtest", 0, vesk_cmd_soundtest},
};
const int vesk_client_command_count = (int)(sizeof vesk_client_command_table / sizeof vesk_client_command_table[0]);

const vesk_offline_row vesk_offline_word_table[] = {
    {"connect", 1, vesk_offline_connect}, {"restart", 2, vesk_offline_connect}, {"start", 2, vesk_offline_connect},
    {"login", 4, vesk_offline_connect},   {"quit", 3, vesk_offline_quit},       {"exit", 2, vesk_offline_quit},
};
const int vesk_offline_word_count = (int)(sizeof vesk_offline_word_table / sizeof vesk_offline_word_table[0]);

vesk_command_match vesk_match_client_command(const char *text, bool playing) {
  vesk_command_match match{vesk_cmd_none, nullptr};
  if (!text)
    return match;
  for (int i = 0; i < vesk_client_command_count; i++) {
    const vesk_command_row &row = vesk_client_command_table[i];
    if (row.command == vesk_cmd_ping && !playing)
      continue;
    if (word_matches(text, row.name, row.minimum)) {
      match.command = row.command;
      match.argument = next_arg(text);
      return match;
    }
  }
  return match;
}

vesk_offline_match vesk_match_offline_word(const char *text) {
  vesk_offline_match match{vesk_offline_ignore, 0};
  if (!text)
    return match;
  for (int i = 0; i < vesk_offline_word_count; i++) {
    const vesk_offline_row &row = vesk_offline_word_table[i];
    if (!word_matches(text, row.name, row.minimum))
      continue;
    match.action = row.action;
    if (row.action == vesk_offline_connect) {
      int port = 0;
      const char *second = next_arg(text);
      if (second && parse_int(second, &port))
        match.port = port;
    }
    return match;
  }
  return match;
}

// ---- texts ----

const char *const vesk_separator_line = "\n=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=";

const char *const vesk_command_list_lines[] = {
    "\n",
    "\nQuorveth Client Commands -------------------------------",
    "\n//commands               - this help screen",
    "\n//help                   - show keyboard shortcuts",
    "\n//version                - show client/server versions",
    "\n//break                  - send TTY *break*",
    "\n//history                - show recent client history",
    "\n//ping                   - check/update ping time",
    "\n//debug                  - display/change debug level",
    "\n//debugfile              - change name of debug file",
    "\n//cclear                 - quick clear of channel windows",
    "\n//clear                  - quick clear of all backscroll",
    "\n//quit                   - quick program exit",
    "\n//disconnect             - quick disconnect",
    "\n",
    "\nCommands Used While Disconnected -----------------------",
    "\nconnect <port>           - connect on a specified port",
    "\nquit                     - quick program exit",
    "\n",
};
const int vesk_command_list_line_count = (int)(sizeof vesk_command_list_lines / sizeof vesk_command_list_lines[0]);

const char *const vesk_keyboard_help_lines[] = {
    "\nPgUp/PgDn         - lock and scroll the screen (any other key to unlock)",
    "\nEscape            - erase current line",
    "\nControl C         - (break) erase current line and stop all aliases",
    "\nControl \\         - (abort) erase current line and stop all aliases",
    "\nControl K         - erase/kill current line",
    "\nControl M         - toggle automap window",
    "\nControl P         - toggle hitpoint display bar",
    "\nControl S         - freeze screen scrolling",
    "\nControl Z         - freeze screen scrolling",
    "\nControl Q         - unfreeze screen scrolling",
    "\nControl -         - decrease font size",
    "\nControl +         - increase font size",
    "\nControl [         - decrease automap size",
    "\nControl ]         - increase automap size",
    "\nControl {         - decrease input window size",
    "\nControl }         - increase input window size",
    "\nControl 1-9       - quick open/close of popup windows",
    "\nControl-Shift 1-9 - quick enable/disable of various features",
};
const int vesk_keyboard_help_line_count = (int)(sizeof vesk_keyboard_help_lines / sizeof vesk_keyboard_help_lines[0]);

void vesk_write_command_list(vesk_ansi_interpreter &out) {
  out.reset_attributes();
  write_lines(out, vesk_command_list_lines, vesk_command_list_line_count);
}

void vesk_write_keyboard_help(vesk_ansi_interpreter &out, bool playing) {
  out.output_text("\n");
  write_separator(out);
  out.output_text("\nKeyboard controls you can use with this client:");
  out.output_text("\n");
  write_lines(out, vesk_keyboard_help_lines, vesk_keyboard_help_line_count);
  // Function keys trigger the server's aliases, so they are only worth listing in play.
  if (playing)
    out.output_text("\nF1-F12            - trigger aliases 'f01' through 'f12'");
  out.output_text("\nUp/Down           - look through previous commands");
  write_separator(out);
  out.output_text("\n");
}

void vesk_write_version_text(vesk_ansi_interpreter &out, const char *launcher_version, const char *config_directory) {
  out.output_text("\n");
  write_separator(out);
  out.output_text("\nQuorveth Client Version: ");
  out.output_text(vesk_client_version);
  if (launcher_version && launcher_version[0]) {
    out.output_text("\nLauncher Version:          ");
    out.output_text(launcher_version);
  }
  out.output_text("\nClient config directory:   ");
  out.output_text(config_directory ? config_directory : "");
  out.output_text("\n");
  write_separator(out);
  out.output_text("\n");
}

void vesk_write_ingame_help_unavailable(vesk_ansi_interpreter &out, bool connected) {
  out.output_text("\n");
  write_separator(out);
  out.output_text("\n");
  out.output_text(connected ? "\nSorry, but in-game help isn't available until after you have logged in."
                            : "\nYou must be connected to the server to view the in-game help.");
  out.output_text("\n(The on-line help is the same, you could try there instead.)");
  out.output_text("\n");
  write_separator(out);
  out.output_text("\n");
}

// ---- the debug log commands ----

void vesk_write_debug_status(vesk_ansi_interpreter &out) {
  const char *name = vesk_client_get_debug_logfile_name();
  out.output_text("\n");
  if (vesk_client_debug_logfile_open_failed()) {
    out.output_text("\n");
    out.output_text("Debug logging is currently DISABLED - unable to open debug file.\n");
    out.output_text("The failed filename is:  ");
    out.output_text(name ? name : "");
    out.output_text("\n");
    out.output_text("\n");
    return;
  }
  char line[64];
  std::snprintf(line, sizeof line, "The current debug level is:     %d\n", vesk_debug_level);
  out.output_text(line);
  out.output_text("The current debug filename is:  ");
  out.output_text(name ? name : "");
  out.output_text("\n");
}

void vesk_debuglevel_command(vesk_ansi_interpreter &out, const char *argument) {
  if (!argument) {
    vesk_write_debug_status(out);
    out.output_text("\n");
    out.output_text("To change the debug level, you must give a number between 0 and 3.\n");
    out.output_text("\n");
    return;
  }
  int old_level = vesk_debug_level;
  vesk_debug_level = decimal_value(argument);
  char line[96];
  std::snprintf(line, sizeof line, "Debug level changed from %d to %d.\n", old_level, vesk_debug_level);
  out.output_text("\n");
  out.output_text(line);
  out.output_text("\n");
}

const char *vesk_change_debug_logfile(const char *name) {
  vesk_fixed_text old_name;
  const char *current = vesk_client_get_debug_logfile_name();
  if (current)
    old_name.set(current);
  if (vesk_client_debug_logfile_is_open())
    vesk_client_debug_logfile_close();
  vesk_client_set_debug_logfile_name(name);
  if (vesk_client_debug_logfile_is_open())
    return "Debug logfile changed.\n";
  if (old_name.length == 0)
    return "Unable to open logfile.  Please try again with a different name/path.\n";
  vesk_client_set_debug_logfile_name(old_name.c_str());
  if (vesk_client_debug_logfile_is_open())
    return "Unable to open new logfile, old logfile not changed.\n";
  return "Unable to open new logfile, and could not re-open old logfile.  No logfile currently set.\n";
}

void vesk_debugfilename_command(vesk_ansi_interpreter &out, const char *argument) {
  if (!argument) {
    vesk_write_debug_status(out);
    out.output_text("\n");
    out.output_text("You must give a filename to change the debug file.\n");
    out.output_text("\n");
    return;
  }
  // The name is the second word; the rest of the line is not part of it.
  vesk_fixed_text name;
  for (const char *p = argument; *p && *p != ' ' && *p != '\t' && *p != '\n'; p++)
    name.append_char(*p);
  const char *message = vesk_change_debug_logfile(name.c_str());
  out.output_text("\n");
  out.output_text(message);
  out.output_text("\n");
}
