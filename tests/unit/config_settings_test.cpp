// Tests of the character and system settings: the character file format and its range rules, the
// registry at start-up and login, the files it writes and moves, hostile names, and saves that die
// or run out of room half-way. The registry and the config directory are process-wide, so every
// case that touches them runs in a child process with a HOME of its own.
#include "config/settings.h"
#include "config/xml_reader.h"
#include "config/xml_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "log_fixture.h"
#include "support/config_directory.h"

// Failures that a child process added to the current test (the parent's come along in the fork).
static int failure_count() {
  const testing::TestResult *result = testing::UnitTest::GetInstance()->current_test_info()->result();
  int failures = 0;
  for (int i = 0; i < result->total_part_count(); i++)
    failures += result->GetTestPartResult(i).failed();
  return failures;
}
static int failures_before_fork = 0;
static bool child_failed() { return failure_count() > failures_before_fork; }

// A save that dies between writing and renaming: when armed, the rename onto a path ending in
// rename_trap ends the process instead. Every other rename goes through unchanged.
static const char *rename_trap = nullptr;

extern "C" int rename(const char *from, const char *to) noexcept {
  if (rename_trap) {
    std::string target(to);
    std::string trap(rename_trap);
    if (target.size() >= trap.size() && target.compare(target.size() - trap.size(), trap.size(), trap) == 0) {
      std::fflush(nullptr);
      _exit(child_failed() ? 1 : 42);
    }
  }
  return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

#include "test_files.h"

namespace {

namespace fs = std::filesystem;

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// Every file below root, as paths relative to it.
std::vector<std::string> all_files(const std::string &root) {
  std::vector<std::string> found;
  for (const fs::directory_entry &e : fs::recursive_directory_iterator(root))
    if (!e.is_directory())
      found.push_back(fs::relative(e.path(), root).string());
  std::sort(found.begin(), found.end());
  return found;
}

void expect_xmllint_accepts(const std::string &path) {
  std::string command = "xmllint --noout '" + path + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << path << ":\n" << read_file(path);
}

// A HOME of its own with the config directory inside it, removed afterwards.
struct temp_home {
  temp_home() {
    char pattern[] = "/tmp/config_settings_test.XXXXXX";
    const char *made = mkdtemp(pattern);
    home = made ? made : "";
    dir = home + "/.Quorveth";
    mkdir(dir.c_str(), 0700);
  }
  ~temp_home() {
    std::error_code ignored;
    fs::remove_all(home, ignored);
  }
  std::string system_file() const { return dir + "/quorveth.cfg"; }
  std::string char_file(const std::string &name) const { return dir + "/char_configs/" + name + ".cfg"; }

  std::string home;
  std::string dir;
};

// Runs body in a child process whose HOME is home: a fresh registry each time, while files stay
// from one child to the next like from one program start to the next. The child's failures are
// printed there and come back as its exit status.
void in_child(const temp_home &home, const std::function<void()> &body, int expected_status = 0) {
  std::fflush(nullptr);
  failures_before_fork = failure_count();
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("HOME", home.home.c_str(), 1);
    vesk_client_set_debug_logfile_name("/dev/null");
    if (!vesk_client_set_up_config_directory("Quorveth")) {
      ADD_FAILURE() << "no config directory";
    } else {
      EXPECT_EQ(std::string(vesk_client_get_config_directory()), home.dir);
      body();
    }
    std::fflush(nullptr);
    _exit(child_failed() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), expected_status);
}

// Writes down what the settings ask of the window.
struct recording_host : vesk_config_host {
  std::vector<std::string> calls;
  bool audio_opens = true;

  void add(const std::string &call) { calls.push_back(call); }
  std::string take() {
    std::string joined;
    for (const std::string &call : calls)
      joined += (joined.empty() ? "" : "|") + call;
    calls.clear();
    return joined;
  }
  static std::string n(int value) { return std::to_string(value); }

  void get_text_font(std::string &description, int &point_size) override {
    description = "Fixed 9";
    point_size = 9;
  }
  void get_button_font(std::string &description, int &point_size) override {
    description = "Sans 7";
    point_size = 7;
  }
  void apply_text_font(const char *d, int s) override { add("text_font " + std::string(d) + " " + n(s)); }
  void apply_button_font(const char *d, int s) override { add("button_font " + std::string(d) + " " + n(s)); }
  void check_menu_item(int id, bool on) override { add("check " + n(id) + " " + n(on)); }
  void relayout() override { add("relayout"); }
  void mark_settings_changed() override { add("status"); }
  void text_font_to_panels() override { add("text_font_to_panels"); }
  void status_bar_changed(int on) override { add("status_bar " + n(on)); }
  void sky_bar_changed(int on) override { add("sky_bar " + n(on)); }
  void vital_bars_changed(int h, int e, int x) override { add("vital_bars " + n(h) + " " + n(e) + " " + n(x)); }
  void main_scrollbar_changed(int on) override { add("scrollbar " + n(on)); }
  void group_display_changed(int mode) override { add("group " + n(mode)); }
  void layout_changed(int layout) override { add("layout " + n(layout)); }
  void button_theme_changed(int theme) override { add("button_theme " + n(theme)); }
  void background_theme_changed(int t, int p) override { add("background " + n(t) + " " + n(p)); }
  void channel_window_changed(int on) override { add("channel_window " + n(on)); }
  bool start_audio() override {
    add("start_audio");
    return audio_opens;
  }
  void stop_audio() override { add("stop_audio"); }
  void configuration_selected() override { add("configuration_selected"); }
  void fonts_to_panels() override { add("fonts_to_panels"); }
};

std::string write_config(const vesk_config &config) {
  vesk_xml_string_writer writer;
  config.write_xml(writer);
  return writer.text;
}

// Reads a document holding one single_config element into config, range rules applied.
void read_config(const std::string &xml, vesk_config &config) {
  vesk_xml_string_reader reader(xml);
  char tag[1000];
  ASSERT_TRUE(reader.read_tag(tag, sizeof tag));
  ASSERT_STREQ(tag, "single_config");
  config.read_xml(reader);
  config.bring_into_range();
}

// ---------------------------------------------------------------------------------------------
// The character file.

TEST(CharacterFile, WrittenWithDefaultsInFileOrder) {
  vesk_config config;
  config.name = "Aldric";
  config.font = "Monospace 10";
  config.font_size = 10;
  config.button_font = "Sans 6";
  vesk_popup_geometry inventory("Inventory");
  inventory.x = 10, inventory.y = 20, inventory.width = 300, inventory.height = 200;
  inventory.requested_width = 80, inventory.requested_height = 24;
  config.store_popup_geometry(inventory);
  const char *expected = R"(<single_config>
  <name>Aldric</name>
  <font>Monospace 10</font>
  <font_size>10</font_size>
  <button_font>Sans 6</button_font>
  <button_font_size>6</button_font_size>
  <keypad_walking>1</keypad_walking>
  <url_hotlinking>1</url_hotlinking>
  <compact_mode>0</compact_mode>
  <local_echo>1</local_echo>
  <cmd_separator>1</cmd_separator>
  <cmd_pushthrough>0</cmd_pushthrough>
  <hint_button_enable>1</hint_button_enable>
  <direction_button_enable>0</direction_button_enable>
  <fkey_button_display>0</fkey_button_display>
  <button_tooltips>0</button_tooltips>
  <status_bar>1</status_bar>
  <sky_bar>1</sky_bar>
  <exp_display>1</exp_display>
  <hpbar_enable>1</hpbar_enable>
  <hp_display>0</hp_display>
  <enemy_hpbar_enable>1</enemy_hpbar_enable>
  <enemy_hp_display>1</enemy_hp_display>
  <group_status_display>1</group_status_display>
  <group_status_inverted_bars>1</group_status_inverted_bars>
  <popup_display>1</popup_display>
  <locking_scrollback_enable>0</locking_scrollback_enable>
  <mw_scrollbar_enable>1</mw_scrollbar_enable>
  <current_layout>2</current_layout>
  <current_theme>1</current_theme>
  <current_background_theme>2</current_background_theme>
  <font_colors_setting>0</font_colors_setting>
  <theme_bg_setting>3</theme_bg_setting>
  <automap_docked>1</automap_docked>
  <automap_display>1</automap_display>
  <automap_size>11</automap_size>
  <input_height>48</input_height>
  <channel_window_enable>0</channel_window_enable>
  <channel_window_height>25</channel_window_height>
  <channel_window_dupe>1</channel_window_dupe>
  <colorflash_enable>1</colorflash_enable>
  <popup_window_list>
    <single_popup_window>
      <name>Inventory</name>
      <x>10</x>
      <y>20</y>
      <width>300</width>
      <height>200</height>
    </single_popup_window>
  </popup_window_list>
</single_config>
)";
  EXPECT_EQ(write_config(config), expected);
}

// Every field away from its default: a field that is not read back would return to its default
// and make the second writing differ from the first.
TEST(CharacterFile, RoundTripKeepsEveryField) {
  vesk_config a;
  a.name = "Brenna & <Co>";
  a.font = "Mono & Sans <10> \"x\"";
  a.font_size = 17;
  a.button_font = "Serif Bold 9";
  a.button_font_size = 500;
  int *switches[] = {&a.keypad_walking, &a.url_hotlinking, &a.compact_mode, &a.cmd_pushthrough, &a.local_echo,
                     &a.cmd_separator, &a.button_tooltips, &a.direction_button_enable, &a.hint_button_enable,
                     &a.fkey_button_display, &a.status_bar, &a.sky_bar, &a.exp_display, &a.hp_display,
                     &a.hpbar_enable, &a.enemy_hp_display, &a.enemy_hpbar_enable, &a.popup_display,
                     &a.mw_scrollbar_enable, &a.locking_scrollback_enable, &a.group_status_inverted_bars,
                     &a.automap_docked, &a.automap_display, &a.channel_window_enable, &a.channel_window_dupe,
                     &a.colorflash_enable};
  for (int *value : switches)
    *value = !*value;
  a.group_status_display = 2;
  a.current_layout = 0;
  a.current_theme = 80;
  a.current_background_theme = -5;
  a.font_colors_setting = 3;
  a.theme_bg_setting = 5;
  a.automap_size = 400;
  a.input_height = 24;
  a.channel_window_height = 80;
  vesk_popup_geometry first("Bag <of> & holding"), second("map");
  first.x = -3, first.y = 7, first.width = 640, first.height = 480, first.requested_width = 90;
  second.x = 1, second.y = 2;
  a.popup_windows = {first, second};

  std::string text = write_config(a);
  vesk_config b;
  read_config(text, b);
  EXPECT_EQ(write_config(b), text);
  EXPECT_EQ(b.name, a.name);
  EXPECT_EQ(b.font, a.font);
  ASSERT_EQ(b.popup_windows.size(), 2u);
  EXPECT_STREQ(b.popup_windows[0].name, "Bag <of> & holding");
  EXPECT_STREQ(b.popup_windows[1].name, "map");
  // The size the server asked for lives for one run only.
  EXPECT_EQ(b.popup_windows[0].requested_width, 0);
  EXPECT_EQ(text.find("requested"), std::string::npos);
}

TEST(CharacterFile, RangeRulesOnLoad) {
  struct row {
    const char *tag;
    const char *value;
    int vesk_config::*field;
    int expected;
  } rows[] = {
      {"font_size", "1", &vesk_config::font_size, 10},
      {"font_size", "151", &vesk_config::font_size, 10},
      {"font_size", "2", &vesk_config::font_size, 2},
      {"font_size", "150", &vesk_config::font_size, 150},
      {"button_font_size", "999", &vesk_config::button_font_size, 999},
      {"input_height", "23", &vesk_config::input_height, 48},
      {"input_height", "800", &vesk_config::input_height, 800},
      {"input_height", "801", &vesk_config::input_height, 48},
      {"current_layout", "7", &vesk_config::current_layout, 2},
      {"current_layout", "-3", &vesk_config::current_layout, 0},
      {"current_layout", "1", &vesk_config::current_layout, 1},
      {"theme_bg_setting", "9", &vesk_config::theme_bg_setting, 3},
      {"theme_bg_setting", "-1", &vesk_config::theme_bg_setting, 3},
      {"theme_bg_setting", "0", &vesk_config::theme_bg_setting, 0},
      {"group_status_display", "3", &vesk_config::group_status_display, 0},
      {"font_colors_setting", "4", &vesk_config::font_colors_setting, 0},
      {"automap_size", "0", &vesk_config::automap_size, 11},
      {"automap_size", "401", &vesk_config::automap_size, 11},
      {"channel_window_height", "9", &vesk_config::channel_window_height, 25},
      {"channel_window_height", "81", &vesk_config::channel_window_height, 25},
      {"current_theme", "12345", &vesk_config::current_theme, 12345},
      {"current_background_theme", "-8", &vesk_config::current_background_theme, -8},
      // A switch keeps its lowest bit.
      {"status_bar", "2", &vesk_config::status_bar, 0},
      {"compact_mode", "3", &vesk_config::compact_mode, 1},
      {"local_echo", "-1", &vesk_config::local_echo, 1},
      // Not a number: the default stays.
      {"input_height", "tall", &vesk_config::input_height, 48},
      // The old tags.
      {"use_new_layout", "5", &vesk_config::current_layout, 1},
      {"use_new_layout", "0", &vesk_config::current_layout, 0},
      {"bright_color_display", "1", &vesk_config::font_colors_setting, 1},
      {"zmud_color_display", "7", &vesk_config::font_colors_setting, 2},
      {"gmud_color_display", "1", &vesk_config::font_colors_setting, 3},
      {"gmud_color_display", "0", &vesk_config::font_colors_setting, 0},
  };
  scoped_debug_log log;
  for (const row &r : rows) {
    vesk_config config;
    std::string xml = std::string("<single_config>\n  <name>x</name>\n  <") + r.tag + ">" + r.value + "</" + r.tag +
                      ">\n</single_config>\n";
    read_config(xml, config);
    EXPECT_EQ(config.*r.field, r.expected) << r.tag << " = " << r.value;
  }
}

// Unknown elements, unreadable values and stray blocks leave the rest of the file readable.
TEST(CharacterFile, DamagedPartsDoNotStopTheRest) {
  scoped_debug_log log;
  const char *xml = "<single_config>\n"
                    "  <future_setting><a>1</a><b><c>2</c></b></future_setting>\n"
                    "  <font>tab\there</font>\n"
                    "  <!-- a note -->\n"
                    "  <font_size>12</font_size>\n"
                    "  <popup_window_list>\n"
                    "    <single_popup_window><name>chat</name><x>5</x><colour>red</colour><y>6</y>"
                    "</single_popup_window>\n"
                    "    <other_window><name>no</name></other_window>\n"
                    "  </popup_window_list>\n"
                    "  <input_height>100</input_height>\n"
                    "  <name>Cato</name>\n"
                    "</single_config>\n";
  vesk_config config;
  config.font = "kept";
  read_config(xml, config);
  EXPECT_EQ(config.name, "Cato");
  EXPECT_EQ(config.font, "kept");
  EXPECT_EQ(config.font_size, 12);
  EXPECT_EQ(config.input_height, 100);
  ASSERT_EQ(config.popup_windows.size(), 1u);
  EXPECT_STREQ(config.popup_windows[0].name, "chat");
  EXPECT_EQ(config.popup_windows[0].x, 5);
  EXPECT_EQ(config.popup_windows[0].y, 6);
}

TEST(CharacterFile, PopupGeometryLookupAndStore) {
  vesk_config config;
  vesk_popup_geometry missing = config.popup_geometry("chat");
  EXPECT_STREQ(missing.name, "chat");
  EXPECT_EQ(missing.x, 48);
  EXPECT_EQ(missing.y, 48);
  EXPECT_EQ(missing.width, 0);

  vesk_popup_geometry chat("chat"), map("map");
  chat.x = 1;
  map.x = 2;
  config.store_popup_geometry(chat);
  config.store_popup_geometry(map);
  ASSERT_EQ(config.popup_windows.size(), 2u);
  EXPECT_STREQ(config.popup_windows[0].name, "map") << "new records go to the head";
  chat.x = 9, chat.y = 8, chat.width = 7, chat.height = 6, chat.requested_width = 5, chat.requested_height = 4;
  config.store_popup_geometry(chat);
  ASSERT_EQ(config.popup_windows.size(), 2u);
  vesk_popup_geometry found = config.popup_geometry("chat");
  EXPECT_EQ(found.x, 9);
  EXPECT_EQ(found.height, 6);
  EXPECT_EQ(found.requested_height, 4);
  // A long name is cut to 99 characters, both when stored and when looked up.
  std::string long_name(150, 'w');
  config.store_popup_geometry(vesk_popup_geometry(long_name.c_str()));
  EXPECT_EQ(std::string(config.popup_geometry(long_name.c_str()).name), std::string(99, 'w'));
  EXPECT_EQ(config.popup_windows.size(), 3u);
}

TEST(CharacterFile, NamesThatMayNameAFile) {
  struct row {
    const char *name;
    bool fits;
  } rows[] = {
      {"Aldric", true},     {"Two Words", true}, {"o'Neil-2", true}, {"", false},
      {"../up", false},     {"a/b", false},      {"a\\b", false},    {".hidden", false},
      {"..", false},        {"tab\tx", false},   {"bell\x07", false}, {"del\x7f", false},
      {"caf\xc3\xa9", false},
  };
  for (const row &r : rows)
    EXPECT_EQ(vesk_config::name_fits_file(r.name), r.fits) << r.name;
}

// ---------------------------------------------------------------------------------------------
// Before start-up (this process never sets a configuration up: every such case forks).

struct setting_row {
  const char *name;
  void (*set)(int);
  int (*get)();
  int value;
  const char *effects;
};

// In order, on a configuration with the defaults; "if changed" rows repeat a stored value.
const setting_row setting_rows[] = {
    {"cmd_pushthrough", vesk_config::set_cmd_pushthrough, vesk_config::get_cmd_pushthrough, 1, "check 26 1"},
    {"local_echo", vesk_config::set_local_echo, vesk_config::get_local_echo, 0, "check 28 0"},
    {"cmd_separator", vesk_config::set_cmd_separator, vesk_config::get_cmd_separator, 1, "check 27 1|status"},
    {"keypad_walking", vesk_config::set_keypad_walking, vesk_config::get_keypad_walking, 0, "check 29 0"},
    {"url_hotlinking", vesk_config::set_url_hotlinking, vesk_config::get_url_hotlinking, 0, "check 32 0"},
    {"compact_mode", vesk_config::set_compact_mode, vesk_config::get_compact_mode, 1,
     "check 33 1|text_font_to_panels"},
    {"locking_scrollback_enable", vesk_config::set_locking_scrollback_enable,
     vesk_config::get_locking_scrollback_enable, 1, "check 31 1"},
    {"button_tooltips", vesk_config::set_button_tooltips, vesk_config::get_button_tooltips, 1, ""},
    {"popup_display", vesk_config::set_popup_display, vesk_config::get_popup_display, 1, ""},
    {"popup_display", vesk_config::set_popup_display, vesk_config::get_popup_display, 0,
     "check 10 0|relayout|status"},
    {"hint_button_enable", vesk_config::set_hint_button_enable, vesk_config::get_hint_button_enable, 0,
     "check 11 0|relayout|status"},
    {"direction_button_enable", vesk_config::set_direction_button_enable, vesk_config::get_direction_button_enable,
     1, "check 12 1|relayout|status"},
    {"fkey_button_display", vesk_config::set_fkey_button_display, vesk_config::get_fkey_button_display, 1,
     "check 13 1|relayout|status"},
    {"status_bar", vesk_config::set_status_bar, vesk_config::get_status_bar, 0,
     "check 14 0|status_bar 0|relayout|status"},
    {"status_bar", vesk_config::set_status_bar, vesk_config::get_status_bar, 0, ""},
    {"sky_bar", vesk_config::set_sky_bar, vesk_config::get_sky_bar, 0, "check 15 0|sky_bar 0|relayout|status"},
    {"hpbar_enable", vesk_config::set_hpbar_enable, vesk_config::get_hpbar_enable, 0,
     "check 16 0|vital_bars 0 1 1|relayout|status"},
    {"exp_display", vesk_config::set_exp_display, vesk_config::get_exp_display, 0,
     "check 17 0|vital_bars 0 0 1|relayout|status"},
    {"enemy_hpbar_enable", vesk_config::set_enemy_hpbar_enable, vesk_config::get_enemy_hpbar_enable, 1, ""},
    {"enemy_hpbar_enable", vesk_config::set_enemy_hpbar_enable, vesk_config::get_enemy_hpbar_enable, 0,
     "check 18 0|vital_bars 0 0 0|relayout|status"},
    {"hp_display", vesk_config::set_hp_display, vesk_config::get_hp_display, 1, ""},
    {"enemy_hp_display", vesk_config::set_enemy_hp_display, vesk_config::get_enemy_hp_display, 0, ""},
    {"mw_scrollbar_enable", vesk_config::set_mw_scrollbar_enable, vesk_config::get_mw_scrollbar_enable, 0,
     "check 30 0|scrollbar 0"},
    {"group_status_display", vesk_config::set_group_status_display, vesk_config::get_group_status_display, 0,
     "check 19 1|group 0|relayout|status"},
    {"group_status_display", vesk_config::set_group_status_display, vesk_config::get_group_status_display, 2,
     "check 20 1|group 2|relayout|status"},
    {"group_status_display", vesk_config::set_group_status_display, vesk_config::get_group_status_display, 1,
     "check 21 1|group 1|relayout|status"},
    {"group_status_inverted_bars", vesk_config::set_group_status_inverted_bars,
     vesk_config::get_group_status_inverted_bars, 0, "check 22 0"},
    {"current_layout", vesk_config::set_current_layout, vesk_config::get_current_layout, 0,
     "check 7 1|layout 0|status"},
    {"current_layout", vesk_config::set_current_layout, vesk_config::get_current_layout, 0, ""},
    {"current_layout", vesk_config::set_current_layout, vesk_config::get_current_layout, 1,
     "check 8 1|layout 1|status"},
    {"current_theme", vesk_config::set_current_theme, vesk_config::get_current_theme, 40,
     "check 46 1|button_theme 40|status"},
    {"current_theme", vesk_config::set_current_theme, vesk_config::get_current_theme, 7, "button_theme 7|status"},
    {"current_background_theme", vesk_config::set_current_background_theme,
     vesk_config::get_current_background_theme, 90, "check 44 1|background 90 3|status"},
    {"theme_bg_setting", vesk_config::set_theme_bg_setting, vesk_config::get_theme_bg_setting, 4,
     "check 59 1|background 90 4|status"},
    {"font_colors_setting", vesk_config::set_font_colors_setting, vesk_config::get_font_colors_setting, 2, "status"},
    {"channel_window_dupe", vesk_config::set_channel_window_dupe, vesk_config::get_channel_window_dupe, 0, "status"},
    {"automap_docked", vesk_config::set_automap_docked, vesk_config::get_automap_docked, 0, "status"},
    {"automap_display", vesk_config::set_automap_display, vesk_config::get_automap_display, 0, "status"},
    {"automap_size", vesk_config::set_automap_size, vesk_config::get_automap_size, 15, ""},
    {"input_height", vesk_config::set_input_height, vesk_config::get_input_height, 100, ""},
    {"channel_window_height", vesk_config::set_channel_window_height, vesk_config::get_channel_window_height, 40,
     ""},
    {"channel_window_enable", vesk_config::set_channel_window_enable, vesk_config::get_channel_window_enable, 1,
     "channel_window 1|relayout|status"},
    {"colorflash_enable", vesk_config::set_colorflash_enable, vesk_config::get_colorflash_enable, 0,
     "check 25 0|status"},
    {"font_size", vesk_config::set_font_size, vesk_config::get_font_size, 14, ""},
    {"button_font_size", vesk_config::set_button_font_size, vesk_config::get_button_font_size, 8, ""},
};

TEST(NoConfiguration, GettersGiveZeroAndSettersDoNothing) {
  ASSERT_EQ(vesk_config::current_char_cfg, nullptr);
  scoped_debug_log log;
  recording_host host;
  vesk_config::set_host(&host);
  for (const setting_row &r : setting_rows) {
    r.set(r.value);
    EXPECT_EQ(r.get(), 0) << r.name;
  }
  vesk_config::capture_text_font("Fixed 20", 20);
  vesk_config::reset_to_defaults();
  vesk_config::apply_font();
  EXPECT_EQ(host.take(), "");
  EXPECT_STREQ(vesk_config::get_name(), "");
  EXPECT_TRUE(log.contains("Error in vesk_config::apply_font(), null current_char_cfg.\n"));
  vesk_config::set_host(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Start-up, login and the registry.

TEST(Registry, SetterEffects) {
  temp_home home;
  in_child(home, [] {
    recording_host host;
    vesk_config::set_host(&host);
    load_system_config();
    host.take();
    for (const setting_row &r : setting_rows) {
      r.set(r.value);
      EXPECT_EQ(host.take(), r.effects) << r.name << " = " << r.value;
      EXPECT_EQ(r.get(), r.value) << r.name;
    }
  });
}

TEST(Registry, FirstStartThenRestart) {
  temp_home home;
  write_file(home.dir + "/sound_version.cfg", "1");
  write_file(home.dir + "/bootname.txt", "x");
  std::string uuid;
  in_child(home, [&] {
    scoped_debug_log log;
    recording_host host;
    vesk_config::set_host(&host);
    load_system_config();
    EXPECT_TRUE(std::regex_match(vesk_system_settings.uuid, std::regex("DFLT[0-9a-f]{28}")))
        << vesk_system_settings.uuid;
    ASSERT_NE(vesk_config::current_char_cfg, nullptr);
    EXPECT_EQ(vesk_config::current_char_cfg->name, "");
    // A fresh configuration starts from the fonts in use, which apply_font hands back.
    EXPECT_EQ(vesk_config::current_char_cfg->font, "Fixed 9");
    EXPECT_EQ(host.take(), "text_font Fixed 9 9|button_font Sans 7 7");
    EXPECT_TRUE(log.contains("vesk_config::setup_default_config() - no previous config specified, using default.\n"));
    EXPECT_TRUE(log.contains("load_system_config_file() - created default uuid '"));
    EXPECT_TRUE(log.contains("load_system_config() - finished\n\n"));
    EXPECT_EQ(vesk_config::save_system_config_file(), 1);
    std::string text = read_file(home.system_file());
    EXPECT_EQ(text.find("curr_config"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("  <uuid>") + vesk_system_settings.uuid + "</uuid>\n"), std::string::npos);
  });
  EXPECT_FALSE(exists(home.dir + "/sound_version.cfg"));
  EXPECT_FALSE(exists(home.dir + "/bootname.txt"));
  EXPECT_FALSE(exists(home.dir + "/char_configs")) << "an unnamed configuration is never written";
  expect_xmllint_accepts(home.system_file());
  std::smatch m;
  std::string text = read_file(home.system_file());
  ASSERT_TRUE(std::regex_search(text, m, std::regex("<uuid>(DFLT[0-9a-f]{28})</uuid>")));
  uuid = m[1];
  in_child(home, [&] {
    load_system_config();
    EXPECT_EQ(std::string(vesk_system_settings.uuid), uuid) << "the uuid is kept from start to start";
  });
}

TEST(Registry, LoginsNameTheDefaultThenCopyIt) {
  temp_home home;
  in_child(home, [&] {
    scoped_debug_log log;
    recording_host host;
    vesk_config::set_host(&host);
    load_system_config();
    vesk_config *blank = vesk_config::current_char_cfg;
    vesk_config::set_status_bar(0);
    vesk_config::set_popup_geometry(vesk_popup_geometry("Quest <log> & notes"));
    host.take();

    vesk_config::select_config("Aldric");
    EXPECT_EQ(vesk_config::current_char_cfg, blank) << "the blank default takes the first name";
    EXPECT_EQ(vesk_config::list().size(), 1u);
    EXPECT_TRUE(log.contains("vesk_config::create_new_config() - attaching name 'Aldric' to current blank config.\n"));
    std::string calls = host.take();
    // Themes first, then every check item, the panels, and the fonts last.
    EXPECT_EQ(calls.rfind("check 51 1|check 36 1|check 57 1|button_theme 1|status|check 26 0", 0), 0u) << calls;
    EXPECT_NE(calls.find("check 14 0"), std::string::npos) << calls;
    EXPECT_NE(calls.find("check 21 1|check 22 1|check 9 1"), std::string::npos) << calls;
    EXPECT_NE(calls.find("check 25 1|configuration_selected|text_font Fixed 9 9|button_font Sans 7 7|fonts_to_panels"),
              std::string::npos)
        << calls;
    vesk_config::capture_text_font("Mono Bold 12", 12);

    vesk_config::select_config("Brenna");
    EXPECT_EQ(vesk_config::list().size(), 2u);
    EXPECT_EQ(vesk_config::get_name(), std::string("Brenna"));
    EXPECT_EQ(vesk_config::get_status_bar(), 0) << "a new character starts as a copy of the current one";
    EXPECT_EQ(vesk_config::get_font(), std::string("Mono Bold 12"));
    EXPECT_STREQ(vesk_config::get_popup_geometry("Quest <log> & notes").name, "Quest <log> & notes");
    EXPECT_TRUE(log.contains(
        "vesk_config::create_new_config() - making a copy of current config 'Aldric' to create config 'Brenna'.\n"));
    vesk_config::set_input_height(200);
    EXPECT_EQ(vesk_config::find_config("Aldric")->input_height, 48);

    // Back to the first: found in memory, not loaded again.
    vesk_config::select_config("Aldric");
    EXPECT_EQ(vesk_config::current_char_cfg, blank);
    vesk_config::select_config("Brenna");
    EXPECT_EQ(vesk_config::save_system_config_file(), 1);
  });
  EXPECT_NE(read_file(home.system_file()).find("  <curr_config>Brenna</curr_config>\n"), std::string::npos);
  EXPECT_NE(read_file(home.char_file("Aldric")).find("<name>Aldric</name>"), std::string::npos);
  EXPECT_NE(read_file(home.char_file("Brenna")).find("<input_height>200</input_height>"), std::string::npos);
  for (const std::string &path : {home.system_file(), home.char_file("Aldric"), home.char_file("Brenna")})
    expect_xmllint_accepts(path);
  struct stat info;
  ASSERT_EQ(stat((home.dir + "/char_configs").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // The next start takes up the last configuration; the other one loads from its file at login.
  in_child(home, [&] {
    scoped_debug_log log;
    load_system_config();
    EXPECT_EQ(vesk_config::get_name(), std::string("Brenna"));
    EXPECT_EQ(vesk_config::get_input_height(), 200);
    EXPECT_EQ(vesk_config::get_font(), std::string("Mono Bold 12"));
    EXPECT_EQ(vesk_config::get_font_size(), 12);
    EXPECT_EQ(vesk_config::list().size(), 1u);
    vesk_config::select_config("Aldric");
    EXPECT_EQ(vesk_config::list().size(), 2u);
    EXPECT_EQ(vesk_config::get_status_bar(), 0);
    EXPECT_EQ(vesk_config::get_input_height(), 48);
    EXPECT_TRUE(log.contains("vesk_config::get_or_load() - load of config 'Aldric' success.\n"));
  });
}

TEST(Registry, SystemFileRoundTrip) {
  temp_home home;
  write_file(home.system_file(), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                 "<system_config_list>\n"
                                 "  <uuid>0123456789abcdef0123456789abcdefXYZ</uuid>\n"
                                 "  <uuid_create_time>1000</uuid_create_time>\n"
                                 "  <bootloader_version>7</bootloader_version>\n"
                                 "  <autoupdate_executable1_state>1</autoupdate_executable1_state>\n"
                                 "  <autoupdate_executable2_state>2</autoupdate_executable2_state>\n"
                                 "  <curr_config>Aldric</curr_config>\n"
                                 "  <system_audio_enable>0</system_audio_enable>\n"
                                 "  <mystery><deep>1</deep></mystery>\n"
                                 "  <last_voting_time>2000</last_voting_time>\n"
                                 "  <last_voting_reminder_time>3000</last_voting_reminder_time>\n"
                                 "  <voting_reminders>0</voting_reminders>\n"
                                 "  <vote_menu3_name>Other</vote_menu3_name>\n"
                                 "  <vote_menu0_url>http://v.example/?a=1&amp;b=2</vote_menu0_url>\n"
                                 "  <vote_menu0_name>Top</vote_menu0_name>\n"
                                 "  <vote_menu15_url>orphan url</vote_menu15_url>\n"
                                 "  <single_config>\n"
                                 "    <name>Aldric</name>\n"
                                 "    <automap_size>15</automap_size>\n"
                                 "  </single_config>\n"
                                 "</system_config_list>\n");
  in_child(home, [&] {
    load_system_config();
    EXPECT_EQ(vesk_config::get_name(), std::string("Aldric"));
    EXPECT_EQ(vesk_config::get_automap_size(), 15);
    EXPECT_EQ(vesk_config::GetSystemAudio(), 0);
    EXPECT_EQ(vesk_config::save_system_config_file(), 1);
  });
  EXPECT_EQ(read_file(home.system_file()), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                           "<system_config_list>\n"
                                           "  <uuid>0123456789abcdef0123456789abcdef</uuid>\n"
                                           "  <uuid_create_time>1000</uuid_create_time>\n"
                                           "  <curr_config>Aldric</curr_config>\n"
                                           "  <system_audio_enable>0</system_audio_enable>\n"
                                           "  <last_voting_time>2000</last_voting_time>\n"
                                           "  <last_voting_reminder_time>3000</last_voting_reminder_time>\n"
                                           "  <voting_reminders>0</voting_reminders>\n"
                                           "  <vote_menu0_name>Top</vote_menu0_name>\n"
                                           "  <vote_menu0_url>http://v.example/?a=1&amp;b=2</vote_menu0_url>\n"
                                           "  <vote_menu3_name>Other</vote_menu3_name>\n"
                                           "  <vote_menu3_url></vote_menu3_url>\n"
                                           "</system_config_list>\n"
                                           "\n");
  // The configuration that the system file held is kept under its name in a file of its own.
  EXPECT_NE(read_file(home.char_file("Aldric")).find("<automap_size>15</automap_size>"), std::string::npos);
}

TEST(Registry, BadDeclarationIgnoresTheWholeFile) {
  temp_home home;
  write_file(home.system_file(), "<?xml version=\"1.0\"?>\n"
                                 "<system_config_list>\n"
                                 "  <uuid>0123456789abcdef0123456789abcdef</uuid>\n"
                                 "  <curr_config>Aldric</curr_config>\n"
                                 "  <single_config><name>Aldric</name></single_config>\n"
                                 "</system_config_list>\n");
  in_child(home, [] {
    scoped_debug_log log;
    load_system_config();
    EXPECT_TRUE(std::regex_match(vesk_system_settings.uuid, std::regex("DFLT[0-9a-f]{28}")));
    EXPECT_EQ(vesk_config::get_name(), std::string(""));
    EXPECT_EQ(vesk_config::find_config("Aldric"), nullptr);
    EXPECT_TRUE(log.contains("Warning in load_system_config_file() - bad XML header, bailing.\n"));
  });
}

TEST(Registry, CharacterFileThatHoldsAnotherName) {
  temp_home home;
  mkdir((home.dir + "/char_configs").c_str(), 0700);
  write_file(home.char_file("Zed"), "<single_config>\n  <name>Other</name>\n</single_config>\n");
  write_file(home.char_file("Nameless"), "<single_config>\n  <font_size>20</font_size>\n</single_config>\n");
  in_child(home, [] {
    scoped_debug_log log;
    load_system_config();
    EXPECT_EQ(vesk_config::get_or_load("Zed"), nullptr);
    EXPECT_EQ(vesk_config::get_or_load("Nameless"), nullptr);
    EXPECT_EQ(vesk_config::find_config("Other"), nullptr);
    EXPECT_TRUE(log.contains("Error in vesk_config::load_xml_single_system_config(), got bad name 'Other' for "
                             "loaded config 'Zed'.\n"));
    EXPECT_TRUE(log.contains("Error in vesk_config::load_xml_single_system_config(), missing name for loaded "
                             "config.  Ignoring.\n"));
    EXPECT_EQ(vesk_config::get_or_load("Nobody"), nullptr);
    EXPECT_TRUE(log.contains("vesk_config::get_or_load() - no config file for 'Nobody'.\n"));
  });
}

TEST(Registry, OldPlaceFileMovesToCharConfigs) {
  const std::string old_file = "<single_config>\n  <name>Old</name>\n  <font_size>14</font_size>\n"
                               "  <use_new_layout>3</use_new_layout>\n</single_config>\n";
  {
    temp_home home;
    write_file(home.dir + "/Old.cfg", old_file);
    in_child(home, [&] {
      scoped_debug_log log;
      load_system_config();
      vesk_config::select_config("Old");
      EXPECT_EQ(vesk_config::get_font_size(), 14);
      EXPECT_EQ(vesk_config::get_current_layout(), 1);
      EXPECT_TRUE(log.contains("vesk_config::get_or_load() - got old style per-char config file '" + home.dir +
                               "/Old.cfg'.\n"));
    });
    EXPECT_FALSE(exists(home.dir + "/Old.cfg"));
    std::string moved = read_file(home.char_file("Old"));
    EXPECT_NE(moved.find("<font_size>14</font_size>"), std::string::npos) << moved;
    EXPECT_NE(moved.find("<current_layout>1</current_layout>"), std::string::npos) << moved;
  }
  {
    // No new place to write to: the old file is all there is, so it stays.
    temp_home home;
    write_file(home.dir + "/Old.cfg", old_file);
    write_file(home.dir + "/char_configs", "in the way");
    in_child(home, [&] {
      scoped_debug_log log;
      load_system_config();
      vesk_config::select_config("Old");
      EXPECT_EQ(vesk_config::get_font_size(), 14);
      EXPECT_TRUE(log.contains("Unable to create directory for config file '" + home.dir + "/char_configs'.\n"));
    });
    EXPECT_EQ(read_file(home.dir + "/Old.cfg"), old_file);
  }
}

// Names come from the server. None of these may lead to a file outside char_configs, nor read or
// delete one; they work for the session and are not written.
TEST(Registry, HostileNamesStayInMemory) {
  temp_home home;
  const std::string victim = "<single_config>\n  <name>../victim</name>\n  <font_size>99</font_size>\n</single_config>\n";
  write_file(home.home + "/victim.cfg", victim);
  const char *names[] = {"../victim", "../../escape", "a/b", "back\\slash", ".hidden", "..", "tab\there", "bell\x07"};
  in_child(home, [&] {
    scoped_debug_log log;
    load_system_config();
    vesk_config::select_config("Aldric");
    for (const char *name : names) {
      vesk_config::select_config(name);
      EXPECT_EQ(vesk_config::get_name(), std::string(name));
      EXPECT_NE(vesk_config::get_font_size(), 99) << "nothing read through " << name;
      vesk_config::set_input_height(300);
      EXPECT_EQ(vesk_config::get_input_height(), 300);
      EXPECT_EQ(vesk_config::save_system_config_file(), 1);
    }
    EXPECT_TRUE(log.contains("Warning in vesk_config::save_character_config(), config name '../victim' cannot name a "
                             "file, keeping it for this session only.\n"));
    EXPECT_TRUE(log.contains("Warning in vesk_config::save_character_config(), config name 'bell?' cannot name a "
                             "file, keeping it for this session only.\n"));
    EXPECT_TRUE(log.contains("Warning in vesk_config::get_or_load(), config name 'tab?here' cannot name a file, "
                             "not loading it.\n"));
  });
  EXPECT_EQ(read_file(home.home + "/victim.cfg"), victim);
  std::vector<std::string> expected = {".Quorveth/char_configs/Aldric.cfg", ".Quorveth/quorveth.cfg", "victim.cfg"};
  EXPECT_EQ(all_files(home.home), expected);
  // The last one was current, but the next start must not go looking for it.
  EXPECT_EQ(read_file(home.system_file()).find("curr_config"), std::string::npos);
  expect_xmllint_accepts(home.system_file());
}

TEST(Registry, ResetToDefaultsAndFonts) {
  temp_home home;
  in_child(home, [] {
    recording_host host;
    vesk_config::set_host(&host);
    load_system_config();
    vesk_config::select_config("Aldric");
    vesk_config::capture_text_font("Mono 15", 15);
    vesk_config::capture_button_font("Sans 11", 11);
    vesk_config::set_popup_geometry(vesk_popup_geometry("chat"));
    vesk_config::set_local_echo(0);
    vesk_config::set_status_bar(0);
    vesk_config::set_current_layout(0);
    vesk_config::set_automap_size(30);
    host.take();
    vesk_config::reset_to_defaults();
    EXPECT_EQ(vesk_config::get_local_echo(), 1);
    EXPECT_EQ(vesk_config::get_status_bar(), 1);
    EXPECT_EQ(vesk_config::get_current_layout(), 2);
    EXPECT_EQ(vesk_config::get_automap_size(), 11);
    EXPECT_EQ(vesk_config::get_name(), std::string("Aldric"));
    EXPECT_EQ(vesk_config::get_font(), std::string("Mono 15"));
    EXPECT_EQ(vesk_config::get_font_size(), 15);
    EXPECT_EQ(vesk_config::get_button_font_size(), 11);
    EXPECT_EQ(vesk_config::current_char_cfg->popup_windows.size(), 1u);
    std::string calls = host.take();
    EXPECT_EQ(calls.rfind("check 26 0|check 28 1|check 27 1|status|check 29 1|check 31 0|check 32 1|status|check 25 1|"
                          "status|check 26 0",
                          0),
              0u)
        << calls;
    EXPECT_NE(calls.find("check 14 1"), std::string::npos) << calls;
    EXPECT_NE(calls.find("check 9 1"), std::string::npos) << calls;
    EXPECT_NE(calls.find("configuration_selected|fonts_to_panels"), std::string::npos) << calls;
    vesk_config::apply_font();
    EXPECT_EQ(host.take(), "text_font Mono 15 15|button_font Sans 11 11");
  });
}

TEST(Registry, SystemAudioSwitch) {
  temp_home home;
  in_child(home, [] {
    scoped_debug_log log;
    recording_host host;
    vesk_config::set_host(&host);
    load_system_config();
    host.take();
    EXPECT_EQ(vesk_config::GetSystemAudio(), 1);
    vesk_config::SetSystemAudio(1);
    EXPECT_EQ(host.take(), "");
    vesk_config::SetSystemAudio(0);
    EXPECT_EQ(host.take(), "status|stop_audio|check 34 0");
    host.audio_opens = false;
    vesk_config::SetSystemAudio(1);
    EXPECT_EQ(vesk_config::GetSystemAudio(), 0);
    EXPECT_EQ(host.take(), "status|start_audio|status|stop_audio|check 34 0|check 34 0");
    EXPECT_TRUE(log.contains("vesk_config::SetSystemAudio() - unable to start audio.  Disabling.\n"));
    host.audio_opens = true;
    vesk_config::SetSystemAudio(1);
    EXPECT_EQ(vesk_config::GetSystemAudio(), 1);
    EXPECT_EQ(host.take(), "status|start_audio|check 34 1");
  });
}

TEST(Registry, UuidFromTheServer) {
  temp_home home;
  in_child(home, [&] {
    scoped_debug_log log;
    load_system_config();
    std::string first = vesk_system_settings.uuid;
    set_uuid("");
    EXPECT_TRUE(log.contains("Error in set_uuid(), null string?\n"));
    EXPECT_TRUE(std::regex_match(vesk_system_settings.uuid, std::regex("DFLT[0-9a-f]{28}")));
    EXPECT_NE(first, vesk_system_settings.uuid);

    int before = (int)time(nullptr);
    set_uuid("abcdefghijklmnopqrstuvwxyz0123456789");
    EXPECT_STREQ(vesk_system_settings.uuid, "abcdefghijklmnopqrstuvwxyz0123456") << "cut to 33 characters";
    EXPECT_TRUE(log.contains("Changed uuid to 'abcdefghijklmnopqrstuvwxyz0123456'.\n"));
    EXPECT_GE(vesk_system_settings.uuid_create_time, before);
    EXPECT_EQ(vesk_system_settings.last_voting_time, vesk_system_settings.uuid_create_time);
    EXPECT_EQ(vesk_system_settings.last_voting_reminder_time, vesk_system_settings.uuid_create_time);
    // Saved at once.
    EXPECT_NE(read_file(home.system_file()).find("<uuid>abcdefghijklmnopqrstuvwxyz0123456</uuid>"),
              std::string::npos);

    // A line feed would end the hello line early and make the file unreadable.
    set_uuid("feedface\nsecond line");
    EXPECT_STREQ(vesk_system_settings.uuid, "feedface");
  });
  expect_xmllint_accepts(home.system_file());
  in_child(home, [] {
    load_system_config();
    EXPECT_STREQ(vesk_system_settings.uuid, "feedface");
  });
}

// ---------------------------------------------------------------------------------------------
// Saves that do not finish.

std::vector<std::string> temporary_files(const std::string &dir) {
  std::vector<std::string> found;
  for (const std::string &path : all_files(dir))
    if (fs::path(path).filename().string()[0] == '.')
      found.push_back(path);
  return found;
}

TEST(InterruptedSave, OldFilesStayWhole) {
  temp_home home;
  in_child(home, [] {
    load_system_config();
    vesk_config::select_config("Aldric");
    vesk_config::set_input_height(100);
    EXPECT_EQ(vesk_config::save_system_config_file(), 1);
  });
  const std::string old_char = read_file(home.char_file("Aldric"));
  const std::string old_system = read_file(home.system_file());
  ASSERT_NE(old_char.find("<input_height>100</input_height>"), std::string::npos);

  // The process dies after writing the new character file and before renaming it.
  in_child(
      home,
      [] {
        load_system_config();
        vesk_config::set_input_height(200);
        vesk_config::SetSystemAudio(0);
        rename_trap = "/char_configs/Aldric.cfg";
        vesk_config::save_system_config_file();
        ADD_FAILURE() << "the save went past the rename";
      },
      42);
  EXPECT_EQ(read_file(home.char_file("Aldric")), old_char);
  EXPECT_EQ(read_file(home.system_file()), old_system);
  // Left behind by the dead process: the new character file, and the system file it was writing.
  std::vector<std::string> left = temporary_files(home.dir);
  ASSERT_EQ(left.size(), 2u);
  const std::string &new_char = left[0].rfind("char_configs/", 0) == 0 ? left[0] : left[1];
  EXPECT_EQ(new_char.rfind("char_configs/.Aldric.cfg.", 0), 0u) << new_char;
  EXPECT_NE(read_file(home.dir + "/" + new_char).find("<input_height>200</input_height>"), std::string::npos)
      << "the new content was written before the rename";

  // The disk fills while writing: the save fails, and neither file is touched.
  in_child(home, [&] {
    load_system_config();
    EXPECT_EQ(vesk_config::get_input_height(), 100);
    vesk_config::set_input_height(300);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {64, 64};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    EXPECT_EQ(vesk_config::save_system_config_file(), 0);
    EXPECT_EQ(vesk_config::save_character_config(*vesk_config::current_char_cfg), 0);
  });
  EXPECT_EQ(read_file(home.char_file("Aldric")), old_char);
  EXPECT_EQ(read_file(home.system_file()), old_system);
  EXPECT_EQ(temporary_files(home.dir), left) << "a failed save removes its temporary file";

  // And the next save goes through.
  in_child(home, [] {
    load_system_config();
    vesk_config::set_input_height(400);
    EXPECT_EQ(vesk_config::save_system_config_file(), 1);
  });
  EXPECT_NE(read_file(home.char_file("Aldric")).find("<input_height>400</input_height>"), std::string::npos);
  expect_xmllint_accepts(home.char_file("Aldric"));
}

} // namespace
