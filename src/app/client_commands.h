// The client's own commands: the "//" command table and the words that work while offline, their
// matcher, and the local screens they write (command list, keyboard help, version, debug log).
#pragma once

#include "support/fixed_text.h"

class vesk_ansi_interpreter;

enum vesk_client_command {
  vesk_cmd_none = 0,
  vesk_cmd_commands,
  vesk_cmd_help,
  vesk_cmd_version,
  vesk_cmd_break,
  vesk_cmd_history,
  vesk_cmd_quit,
  vesk_cmd_disconnect,
  vesk_cmd_clear,
  vesk_cmd_chanclear,
  vesk_cmd_ping,
  vesk_cmd_echo,
  vesk_cmd_debuglevel,
  vesk_cmd_debugfilename,
  vesk_cmd_debugfill,
  vesk_cmd_icons,
  vesk_cmd_soundtest,
};

// One name of a command. A minimum of 0 means the whole word is needed; otherwise the first word
// may abbreviate the name down to that many characters (the whole name always matches).
struct vesk_command_row {
  const char *name;
  int minimum;
  vesk_client_command command;
};

// Tried in this order; the first match wins ("//c" is "//commands", "//cl" is "//clear").
extern const vesk_command_row vesk_client_command_table[];
extern const int vesk_client_command_count;

struct vesk_command_match {
  vesk_client_command command;
  // The rest of the line after the first word (blanks skipped), or null when there is none.
  const char *argument;
};

// Matches the first word of text against the table. The ping row only counts while playing;
// otherwise its words fall through like any other line.
vesk_command_match vesk_match_client_command(const char *text, bool playing);

enum vesk_offline_action { vesk_offline_ignore = 0, vesk_offline_connect, vesk_offline_quit };

// The plain words for a client without a connection ("connect", "quit" and their kin), matched
// by the same rule as the commands.
struct vesk_offline_row {
  const char *name;
  int minimum;
  vesk_offline_action action;
};
extern const vesk_offline_row vesk_offline_word_table[];
extern const int vesk_offline_word_count;

struct vesk_offline_match {
  vesk_offline_action action;
  int port; // for connect: the number in the second word, or 0 for the server's own port
};

vesk_offline_match vesk_match_offline_word(const char *text);

// ---- the screens, written as local text ----

// The command list, the keyboard help (the F-key line only while playing) and the version text
// (without its server part). Each writes its pieces and colours into the display's interpreter.
void vesk_write_command_list(vesk_ansi_interpreter &out);
void vesk_write_keyboard_help(vesk_ansi_interpreter &out, bool playing);
void vesk_write_version_text(vesk_ansi_interpreter &out, const char *launcher_version,
                             const char *config_directory);
// The Help menu's in-game help screens when the server cannot answer them.
void vesk_write_ingame_help_unavailable(vesk_ansi_interpreter &out, bool connected);

// "//debuglevel" and "//debugfilename": act on the debug log and write what the player sees.
// `argument` is the rest of the line after the command word, or null.
void vesk_write_debug_status(vesk_ansi_interpreter &out);
void vesk_debuglevel_command(vesk_ansi_interpreter &out, const char *argument);
void vesk_debugfilename_command(vesk_ansi_interpreter &out, const char *argument);
// Switches the debug log to a new file, falling back to the old one; returns the message shown.
const char *vesk_change_debug_logfile(const char *name);

// The screens' texts, one piece per line as written.
extern const char *const vesk_separator_line;
extern const char *const vesk_command_list_lines[];
extern const int vesk_command_list_line_count;
extern const char *const vesk_keyboard_help_lines[];
extern const int vesk_keyboard_help_line_count;
