// Tests of the client's own commands: which line matches which command (abbreviations, order,
// whole words), the offline words, the screens as written text and the debug log commands.
#include "app/client_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "drawing/glyph_font.h"
#include "log_fixture.h"
#include "text/ansi_interpreter.h"
#include "text/text_buffer.h"
#include "text_snapshot.h"

namespace {

TEST(ClientCommands, MatchesNamesAbbreviationsAndOrder) {
  struct row {
    const char *text;
    vesk_client_command expected;
  };
  const row rows[] = {
      // Every command by its whole name.
      {"//commands", vesk_cmd_commands},
      {"//help", vesk_cmd_help},
      {"//version", vesk_cmd_version},
      {"//break", vesk_cmd_break},
      {"//history", vesk_cmd_history},
      {"//quit", vesk_cmd_quit},
      {"//exit", vesk_cmd_quit},
      {"//disconnect", vesk_cmd_disconnect},
      {"//clear", vesk_cmd_clear},
      {"//chanclear", vesk_cmd_chanclear},
      {"//cclear", vesk_cmd_chanclear},
      {"//echo", vesk_cmd_echo},
      {"//debuglevel", vesk_cmd_debuglevel},
      {"//debugfilename", vesk_cmd_debugfilename},
      {"//debugfill", vesk_cmd_debugfill},
      {"//icons", vesk_cmd_icons},
      {"//soundtest", vesk_cmd_soundtest},
      // Shortest abbreviations, and one character short of them.
      {"//c", vesk_cmd_commands},
      {"//C", vesk_cmd_commands},
      {"//co", vesk_cmd_commands},
      {"//h", vesk_cmd_help},
      {"//v", vesk_cmd_version},
      {"//b", vesk_cmd_break},
      {"//hi", vesk_cmd_history},
      {"//qui", vesk_cmd_none},
      {"//exi", vesk_cmd_none},
      {"//disc", vesk_cmd_disconnect},
      {"//dis", vesk_cmd_none},
      {"//cl", vesk_cmd_clear},
      {"//CL", vesk_cmd_clear},
      {"//ch", vesk_cmd_chanclear},
      {"//cc", vesk_cmd_chanclear},
      {"//e", vesk_cmd_echo},
      {"//deb", vesk_cmd_debuglevel},
      {"//de", vesk_cmd_none},
      {"//debug", vesk_cmd_debuglevel},
      {"//debugf", vesk_cmd_debugfilename},
      {"//debugfile", vesk_cmd_debugfilename},
      {"//debugfil", vesk_cmd_debugfilename},
      // Whole-word rows take no abbreviation and no extra letters, but any case.
      {"//DebugFill", vesk_cmd_debugfill},
      {"//debugfills", vesk_cmd_none},
      {"//icon", vesk_cmd_none},
      {"//ICONS", vesk_cmd_icons},
      {"//soundtes", vesk_cmd_none},
      // Not commands at all.
      {"//helpme", vesk_cmd_none},
      {"//ex", vesk_cmd_none},
      {"//d", vesk_cmd_none},
      {"//", vesk_cmd_none},
      {"/help", vesk_cmd_none},
      {" //help", vesk_cmd_none},
      {"help", vesk_cmd_none},
      {"", vesk_cmd_none},
      {"look //help", vesk_cmd_none},
      // The first word ends at a blank, a tab or a line feed.
      {"//cl everything", vesk_cmd_clear},
      {"//h\tx", vesk_cmd_help},
      {"//v\n", vesk_cmd_version},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(vesk_match_client_command(r.text, true).command, r.expected);
  }
  EXPECT_EQ(vesk_match_client_command(nullptr, true).command, vesk_cmd_none);
}

TEST(ClientCommands, PingCountsOnlyWhilePlaying) {
  struct row {
    const char *text;
    vesk_client_command playing, not_playing;
  };
  const row rows[] = {
      {"qvping", vesk_cmd_ping, vesk_cmd_none},
      {"QVPING now", vesk_cmd_ping, vesk_cmd_none},
      {"qvpin", vesk_cmd_none, vesk_cmd_none},
      {"qvpings", vesk_cmd_none, vesk_cmd_none},
      {"//ping", vesk_cmd_ping, vesk_cmd_none},
      {"//p", vesk_cmd_ping, vesk_cmd_none},
      {"//pi", vesk_cmd_ping, vesk_cmd_none},
      // Rows after the ping row still match when it is skipped.
      {"//echo x", vesk_cmd_echo, vesk_cmd_echo},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(vesk_match_client_command(r.text, true).command, r.playing);
    EXPECT_EQ(vesk_match_client_command(r.text, false).command, r.not_playing);
  }
}

TEST(ClientCommands, ArgumentIsTheRestAfterTheFirstWord) {
  struct row {
    const char *text;
    const char *argument; // null: none
  };
  const row rows[] = {
      {"//echo", nullptr},
      {"//echo   ", nullptr},
      {"//echo hello there", "hello there"},
      {"//echo \t  spaced  out ", "spaced  out "},
      {"//debug 2", "2"},
      {"//icons 1 0 1", "1 0 1"},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.text);
    vesk_command_match m = vesk_match_client_command(r.text, false);
    ASSERT_NE(m.command, vesk_cmd_none);
    if (!r.argument) {
      EXPECT_EQ(m.argument, nullptr);
    } else {
      ASSERT_NE(m.argument, nullptr);
      EXPECT_STREQ(m.argument, r.argument);
    }
  }
}

TEST(ClientCommands, OfflineWords) {
  struct row {
    const char *text;
    vesk_offline_action action;
    int port;
  };
  const row rows[] = {
      {"c", vesk_offline_connect, 0},
      {"c 4000", vesk_offline_connect, 4000},
      {"CONNECT\t4001", vesk_offline_connect, 4001},
      {"connect", vesk_offline_connect, 0},
      {"connect somewhere", vesk_offline_connect, 0},
      {"connect -5", vesk_offline_connect, -5}, // below 1: the connection picks its own port
      {"connected", vesk_offline_ignore, 0},
      {"re", vesk_offline_connect, 0},
      {"r", vesk_offline_ignore, 0},
      {"restart 4002", vesk_offline_connect, 4002},
      {"st", vesk_offline_connect, 0},
      {"s", vesk_offline_ignore, 0},
      {"logi", vesk_offline_connect, 0},
      {"log", vesk_offline_ignore, 0},
      {"login 4003", vesk_offline_connect, 4003},
      {"q", vesk_offline_ignore, 0},
      {"qu", vesk_offline_ignore, 0},
      {"qui", vesk_offline_quit, 0},
      {"Quit", vesk_offline_quit, 0},
      {"e", vesk_offline_ignore, 0},
      {"ex", vesk_offline_quit, 0},
      {"exit", vesk_offline_quit, 0},
      {"look", vesk_offline_ignore, 0},
      {"", vesk_offline_ignore, 0},
      {" connect", vesk_offline_ignore, 0},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.text);
    vesk_offline_match m = vesk_match_offline_word(r.text);
    EXPECT_EQ(m.action, r.action);
    EXPECT_EQ(m.port, r.port);
  }
}

// ---- screens ----

class Screens : public ::testing::Test {
protected:
  Screens() : font(8, 10), ansi(buffer), reference_ansi(reference) {
    vesk_select_color_scheme(0);
    buffer.set_font(&font);
    buffer.on_size(4000, 400); // no line of these screens wraps
    reference.set_font(&font);
    reference.on_size(4000, 400);
    start();
  }

  // A fresh buffer drops leading newlines, so every screen is written after a marker.
  void start() {
    ansi.clear();
    ansi.output_text("|");
  }
  std::string text() const {
    std::string all;
    for (const line_snapshot &s : snapshot(buffer))
      all += s.text + (s.ended ? "\n" : "");
    return all.substr(1);
  }
  // Colour of the first byte of needle in the screen.
  uint32_t colour_of(const std::string &needle) const {
    for (const line_snapshot &s : snapshot(buffer)) {
      size_t at = s.text.find(needle);
      if (at != std::string::npos)
        return s.colours[at];
    }
    return 0xFFFFFFFF;
  }
  // The colour that a style and colour pair gives in a fresh display.
  uint32_t colour_for(int style, int code) {
    reference_ansi.set_color(style, code);
    reference_ansi.output_text("x");
    return snapshot(reference).back().colours.back();
  }

  vesk_synthetic_font font;
  vesk_text_buffer buffer;
  vesk_ansi_interpreter ansi;
  vesk_text_buffer reference;
  vesk_ansi_interpreter reference_ansi;
};

const std::string separator = "=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=";

TEST_F(Screens, CommandListIsItsLinesInOrder) {
  ansi.set_color(1, 0x31); // left over from server text; the list resets the colours
  vesk_write_command_list(ansi);
  std::string t = text();
  EXPECT_EQ(t.rfind("\n\nQuorveth Client Commands -------------------------------\n//commands", 0), 0u) << t;
  size_t ping = t.find("\n//ping                   - check/update ping time");
  size_t cclear = t.find("\n//cclear                 - quick clear of channel windows");
  size_t offline = t.find("\n\nCommands Used While Disconnected -----------------------\nconnect <port>");
  ASSERT_NE(ping, std::string::npos);
  ASSERT_NE(cclear, std::string::npos);
  ASSERT_NE(offline, std::string::npos);
  EXPECT_LT(ping, cclear);
  EXPECT_LT(cclear, offline);
  EXPECT_NE(t.find("\nquit                     - quick program exit\n"), std::string::npos);
  EXPECT_EQ(colour_of("Quorveth Client"), colour_for(0, 0));
}

TEST_F(Screens, KeyboardHelpListsFunctionKeysOnlyWhilePlaying) {
  for (bool playing : {false, true}) {
    SCOPED_TRACE(playing);
    start();
    vesk_write_keyboard_help(ansi, playing);
    std::string t = text();
    EXPECT_EQ(t.rfind("\n\n" + separator + "\nKeyboard controls you can use with this client:\n\nPgUp/PgDn", 0), 0u) << t;
    EXPECT_NE(t.find("\nControl \\         - (abort) erase current line and stop all aliases\n"), std::string::npos);
    const std::string fkeys = "Control-Shift 1-9 - quick enable/disable of various features\n"
                              "F1-F12            - trigger aliases 'f01' through 'f12'\n"
                              "Up/Down           - look through previous commands\n" +
                              separator + "\n";
    const std::string no_fkeys = "Control-Shift 1-9 - quick enable/disable of various features\n"
                                 "Up/Down           - look through previous commands\n" +
                                 separator + "\n";
    const std::string &tail = playing ? fkeys : no_fkeys;
    ASSERT_GE(t.size(), tail.size());
    EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
  }
  // The separator stands out in bright yellow; what follows it is normal white again.
  EXPECT_EQ(colour_of(separator), colour_for(1, 0x33));
  EXPECT_EQ(colour_of("Keyboard controls"), colour_for(0, 0x37));
}

TEST_F(Screens, VersionTextShowsLauncherOnlyWhenSet) {
  vesk_write_version_text(ansi, "", "/home/p/.quorveth");
  EXPECT_EQ(text(), "\n\n" + separator + "\nQuorveth Client Version: 1.096-g64-rc5\n"
                    "Client config directory:   /home/p/.quorveth\n\n" + separator + "\n");
  start();
  vesk_write_version_text(ansi, "(old style launcher)", "/cfg");
  EXPECT_NE(text().find("1.096-g64-rc5\nLauncher Version:          (old style launcher)\nClient config directory:   /cfg\n"),
            std::string::npos)
      << text();
}

TEST_F(Screens, InGameHelpUnavailableSaysWhy) {
  vesk_write_ingame_help_unavailable(ansi, false);
  EXPECT_EQ(text(), "\n\n" + separator + "\n\nYou must be connected to the server to view the in-game help.\n"
                    "(The on-line help is the same, you could try there instead.)\n\n" + separator + "\n");
  start();
  vesk_write_ingame_help_unavailable(ansi, true);
  EXPECT_NE(text().find("\nSorry, but in-game help isn't available until after you have logged in.\n(The on-line"),
            std::string::npos);
}

// ---- the debug log commands ----

class DebugCommands : public Screens {
protected:
  DebugCommands() : log(3) {}
  std::string read(const std::string &path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  scoped_debug_log log;
};

TEST_F(DebugCommands, LevelShowsStatusOrChangesIt) {
  vesk_debuglevel_command(ansi, nullptr);
  EXPECT_EQ(text(), "\nThe current debug level is:     3\nThe current debug filename is:  " + log.path +
                        "\n\nTo change the debug level, you must give a number between 0 and 3.\n\n");
  struct row {
    const char *argument;
    int level;
  };
  const row rows[] = {{"1", 1}, {"2 and more", 2}, {"0", 0}, {"7", 7}, {"abc", 0}, {"3", 3}};
  for (const row &r : rows) {
    SCOPED_TRACE(r.argument);
    int before = vesk_debug_level;
    start();
    vesk_debuglevel_command(ansi, r.argument);
    EXPECT_EQ(vesk_debug_level, r.level);
    EXPECT_EQ(text(), "\nDebug level changed from " + std::to_string(before) + " to " + std::to_string(r.level) + ".\n\n");
  }
}

TEST_F(DebugCommands, FilenameWithoutNameShowsStatusAndHint) {
  vesk_debugfilename_command(ansi, nullptr);
  EXPECT_EQ(text(), "\nThe current debug level is:     3\nThe current debug filename is:  " + log.path +
                        "\n\nYou must give a filename to change the debug file.\n\n");
}

TEST_F(DebugCommands, FilenameSwitchesOrFallsBack) {
  const std::string fresh = log.directory + "/second.txt";
  const std::string nowhere = log.directory + "/missing/dir/third.txt";

  // A file that opens: later messages go there, the old file gets no more.
  vesk_debugfilename_command(ansi, (fresh + " trailing words").c_str());
  EXPECT_EQ(text(), "\nDebug logfile changed.\n\n");
  format_message("to the second file\n");
  EXPECT_NE(read(fresh).find("to the second file"), std::string::npos);
  EXPECT_FALSE(log.contains("to the second file"));

  // One that cannot open: the old file stays in use.
  EXPECT_STREQ(vesk_change_debug_logfile(nowhere.c_str()), "Unable to open new logfile, old logfile not changed.\n");
  EXPECT_STREQ(vesk_client_get_debug_logfile_name(), fresh.c_str());
  format_message("still the second file\n");
  EXPECT_NE(read(fresh).find("still the second file"), std::string::npos);

  // Neither opens (the old file's folder has gone meanwhile): no log at all.
  const std::string gone_dir = log.directory + "/gone";
  ASSERT_EQ(mkdir(gone_dir.c_str(), 0700), 0);
  const std::string doomed = gone_dir + "/log.txt";
  EXPECT_STREQ(vesk_change_debug_logfile(doomed.c_str()), "Debug logfile changed.\n");
  std::remove(doomed.c_str());
  ASSERT_EQ(rmdir(gone_dir.c_str()), 0);
  EXPECT_STREQ(vesk_change_debug_logfile(nowhere.c_str()),
               "Unable to open new logfile, and could not re-open old logfile.  No logfile currently set.\n");
  EXPECT_FALSE(vesk_client_debug_logfile_is_open());
  std::remove(fresh.c_str());
}

TEST_F(DebugCommands, WithoutAnOldNameAFailedOpenDisablesTheLog) {
  // The log on standard output has no file name to return to.
  ASSERT_TRUE(vesk_client_debug_logfile_is_open());
  vesk_client_debug_logfile_close();
  vesk_client_set_debug_logfile_name(nullptr);
  const std::string nowhere = log.directory + "/missing/log.txt";
  vesk_debugfilename_command(ansi, nowhere.c_str());
  EXPECT_EQ(text(), "\nUnable to open logfile.  Please try again with a different name/path.\n\n");
  start();
  vesk_write_debug_status(ansi);
  EXPECT_EQ(text(), "\n\nDebug logging is currently DISABLED - unable to open debug file.\nThe failed filename is:  " +
                        nowhere + "\n\n");
}

} // namespace
