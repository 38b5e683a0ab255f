// Character and system settings: vesk_config (one character's settings), the registry of every
// configuration known in this run, the system values, and the settings files they live in.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class vesk_xml_reader;
class vesk_xml_writer;

// The saved place and size of one popup window, looked up by the window's name.
struct vesk_popup_geometry {
  static const int name_size = 100;

  vesk_popup_geometry();
  explicit vesk_popup_geometry(const char *window_name);
  void set_name(const char *window_name);

  char name[name_size];
  int x = 48;
  int y = 48;
  // The size the server asked for when it opened the window (columns and rows); kept for this
  // run only and never written.
  int requested_width = 0;
  int requested_height = 0;
  // The size the player gave the window; 0 when never saved.
  int width = 0;
  int height = 0;
};

// What the settings need from the main window. Every hook does nothing by default, so the engine
// runs (and is tested) without a window; the main window installs its own with set_host.
class vesk_config_host {
public:
  virtual ~vesk_config_host();

  // The fonts in use (native font description text and point size); a fresh configuration starts
  // from them. Defaults: no description, 8 and 6 points (the start sizes of the program's fonts).
  virtual void get_text_font(std::string &description, int &point_size);
  virtual void get_button_font(std::string &description, int &point_size);
  // apply_font: the global text font takes this description at this size, or only the size when
  // the description cannot be turned into a font.
  virtual void apply_text_font(const char *description, int point_size);
  // The same for the button font; the large button font follows at point_size + 2.
  virtual void apply_button_font(const char *description, int point_size);

  // Checks or unchecks menu item id; a radio item is checked with checked true. Nothing happens
  // while the menus do not exist.
  virtual void check_menu_item(int id, bool checked);
  // The window recomputes its layout and repaints.
  virtual void relayout();
  // Sets the main window's settings_changed, so the client status line is sent again.
  virtual void mark_settings_changed();

  // Setter effects, each called by the setter named after it once the new value is stored, and
  // before that setter's relayout and status calls. The "changed" ones fire only on a change.
  virtual void text_font_to_panels();                                   // set_compact_mode
  virtual void status_bar_changed(int on);                              // shown/hidden while logged in
  virtual void sky_bar_changed(int on);                                 // shown/hidden while logged in
  // set_hpbar_enable, set_exp_display, set_enemy_hpbar_enable: the panel takes all three and,
  // while logged in, is shown when any of them is on.
  virtual void vital_bars_changed(int hpbar, int exp, int enemy_hpbar);
  virtual void main_scrollbar_changed(int on);                          // shown/hidden and repaint
  virtual void group_display_changed(int mode);                         // 0 hides the group display
  virtual void layout_changed(int layout);                              // the layout is applied
  virtual void button_theme_changed(int theme);                         // also at login
  virtual void background_theme_changed(int theme, int pattern);        // colour or pattern setter
  virtual void channel_window_changed(int on);                          // enabled or disabled
  // SetSystemAudio; start gives false when the output cannot be opened. The default opens nothing
  // and reports success.
  virtual bool start_audio();
  virtual void stop_audio();

  // select_config and reset_to_defaults, after every menu check item was brought in line: show
  // and hide the panels, apply the layout and the automap size as the current configuration says.
  virtual void configuration_selected();
  // Last step of select_config (after apply_font) and of reset_to_defaults: the main font goes to
  // every window and the button fonts to the panels, which store them back through
  // capture_text_font and capture_button_font.
  virtual void fonts_to_panels();
};

// One character's settings. Strings are empty when absent; the empty name is the unnamed default.
class vesk_config {
public:
  vesk_config();

  // Fields in declaration order; the XML tag of each is its name.
  std::string name;
  std::string font;
  int font_size = 8;
  std::string button_font;
  int button_font_size = 6;
  int keypad_walking;
  int url_hotlinking;
  int compact_mode;
  int cmd_pushthrough;
  int local_echo;
  int cmd_separator;
  int button_tooltips;
  int direction_button_enable;
  int hint_button_enable;
  int fkey_button_display;
  int status_bar;
  int sky_bar;
  int exp_display;
  int hp_display;
  int hpbar_enable;
  int enemy_hp_display;
  int enemy_hpbar_enable;
  int popup_display;
  int mw_scrollbar_enable;
  int locking_scrollback_enable;
  int group_status_display;
  int group_status_inverted_bars;
  int current_layout;
  int current_theme;
  int current_background_theme;
  int font_colors_setting;
  int theme_bg_setting;
  int automap_docked;
  int automap_display;
  int automap_size;
  int input_height;
  int channel_window_enable;
  int channel_window_height;
  int channel_window_dupe;
  int colorflash_enable;
  // Popup geometry; lookups take the first record with the name.
  std::vector<vesk_popup_geometry> popup_windows;

  // Every int setting back to its default; fonts, font sizes, name and popups stay.
  void set_int_defaults();
  // The range rules of loading: switches keep their lowest bit, the rest fall back or are clamped.
  void bring_into_range();
  // Reads the children of a single_config element whose opening tag was just read, through its
  // closing tag. Values are taken as they come; bring_into_range follows separately.
  void read_xml(vesk_xml_reader &reader);
  // The single_config element as the character file holds it.
  void write_xml(vesk_xml_writer &writer) const;
  // The record of the window, or one with the defaults and the name.
  vesk_popup_geometry popup_geometry(const char *window_name) const;
  // Replaces the numbers of the record with that name, or adds the record at the head.
  void store_popup_geometry(const vesk_popup_geometry &record);

  // A fresh configuration: every int at its default, fonts and sizes as the host has them in use.
  static std::unique_ptr<vesk_config> make_fresh();
  // Whether a name may become part of a file name: not empty, printable ASCII, no "/" or "\",
  // not starting with ".". Other names are kept in memory for the run only.
  static bool name_fits_file(const char *name);

  // The registry. The list owns the configurations, in the order they were added; none is ever
  // removed, so pointers into it stay valid for the run.
  static std::vector<std::unique_ptr<vesk_config>> &list();
  // The configuration in use; null until start-up set one up.
  static vesk_config *current_char_cfg;
  static int system_audio_enable;

  // Stores a copy (or copies into the configuration of that name, popups in front); the stored one.
  static vesk_config *add(const vesk_config &config);
  static vesk_config *find_config(const char *name);
  // find_config, else get_or_load.
  static vesk_config *get_config(const char *name);
  // Loads the character file of name (migrating one at the old place); null when there is none.
  static vesk_config *get_or_load(const char *name);
  static vesk_config *create_new_config(const char *name, vesk_config *current);
  // Start-up: the previous configuration, else a fresh unnamed one, becomes current.
  static void setup_default_config(const char *previous_name);
  // Login: the character's configuration (loaded, or made from the current one) becomes current,
  // and menus, panels, layout and fonts follow it.
  static void select_config(const char *name);

  // The system file: read at start-up; written with every named character file. 1 on success.
  static int load_system_config_file();
  static void load_xml_system_config(vesk_xml_reader &reader);
  // Reads one single_config element and adds it unless it has no name or not the expected one
  // (null: any name). The stored configuration, or null.
  static vesk_config *load_xml_single_system_config(vesk_xml_reader &reader, const char *expected_name);
  static int save_system_config_file();
  // Writes dir/char_configs/name.cfg; 0 (and nothing written) for an unnamed configuration, a name
  // that cannot name a file, or any failure, which leaves the old file as it was.
  static int save_character_config(const vesk_config &config);

  // The current configuration's fonts go to the global fonts (through the host).
  static void apply_font();
  // Store a font's native description and point size into the current configuration.
  static void capture_text_font(const char *description, int point_size);
  static void capture_button_font(const char *description, int point_size);
  // Every int setting of the current configuration back to its default, then menus, panels and
  // fonts follow.
  static void reset_to_defaults();

  static void SetSystemAudio(int value);
  static int GetSystemAudio();

  // Null restores the default host that does nothing.
  static void set_host(vesk_config_host *host);
  static vesk_config_host &host();

  // One getter and one setter per int setting, on the current configuration: a getter gives 0 and
  // a setter does nothing while there is none. Setters store the value and then update menu
  // checks, panels, layout and the status flag through the host.
  static int get_font_size();
  static void set_font_size(int value);
  static int get_button_font_size();
  static void set_button_font_size(int value);
  static int get_keypad_walking();
  static void set_keypad_walking(int value);
  static int get_url_hotlinking();
  static void set_url_hotlinking(int value);
  static int get_compact_mode();
  static void set_compact_mode(int value);
  static int get_cmd_pushthrough();
  static void set_cmd_pushthrough(int value);
  static int get_local_echo();
  static void set_local_echo(int value);
  static int get_cmd_separator();
  static void set_cmd_separator(int value);
  static int get_button_tooltips();
  static void set_button_tooltips(int value);
  static int get_direction_button_enable();
  static void set_direction_button_enable(int value);
  static int get_hint_button_enable();
  static void set_hint_button_enable(int value);
  static int get_fkey_button_display();
  static void set_fkey_button_display(int value);
  static int get_status_bar();
  static void set_status_bar(int value);
  static int get_sky_bar();
  static void set_sky_bar(int value);
  static int get_exp_display();
  static void set_exp_display(int value);
  static int get_hp_display();
  static void set_hp_display(int value);
  static int get_hpbar_enable();
  static void set_hpbar_enable(int value);
  static int get_enemy_hp_display();
  static void set_enemy_hp_display(int value);
  static int get_enemy_hpbar_enable();
  static void set_enemy_hpbar_enable(int value);
  static int get_popup_display();
  static void set_popup_display(int value);
  static int get_mw_scrollbar_enable();
  static void set_mw_scrollbar_enable(int value);
  static int get_locking_scrollback_enable();
  static void set_locking_scrollback_enable(int value);
  static int get_group_status_display();
  static void set_group_status_display(int value);
  static int get_group_status_inverted_bars();
  static void set_group_status_inverted_bars(int value);
  static int get_current_layout();
  static void set_current_layout(int value);
  static int get_current_theme();
  static void set_current_theme(int value);
  static int get_current_background_theme();
  static void set_current_background_theme(int value);
  static int get_font_colors_setting();
  static void set_font_colors_setting(int value);
  static int get_theme_bg_setting();
  static void set_theme_bg_setting(int value);
  static int get_automap_docked();
  static void set_automap_docked(int value);
  static int get_automap_display();
  static void set_automap_display(int value);
  static int get_automap_size();
  static void set_automap_size(int value);
  static int get_input_height();
  static void set_input_height(int value);
  static int get_channel_window_enable();
  static void set_channel_window_enable(int value);
  static int get_channel_window_height();
  static void set_channel_window_height(int value);
  static int get_channel_window_dupe();
  static void set_channel_window_dupe(int value);
  static int get_colorflash_enable();
  static void set_colorflash_enable(int value);

  // The current configuration's name and fonts ("" when there is none).
  static const char *get_name();
  static const char *get_font();
  static const char *get_button_font();
  // Popup geometry of the current configuration; without one, a record with the defaults.
  static vesk_popup_geometry get_popup_geometry(const char *window_name);
  static void set_popup_geometry(const vesk_popup_geometry &record);

  // The menu item that shows a button or background theme number, or a background pattern; 0 for
  // numbers without one.
  static int button_theme_menu_id(int theme);
  static int background_theme_menu_id(int theme);
  static int background_pattern_menu_id(int pattern);
  // Every menu check item of the settings brought in line with the current configuration.
  static void check_all_menu_items();
};

// Settings that belong to the user rather than to a character.
struct vesk_system_config {
  static const int uuid_size = 34;
  static const int vote_menu_count = 16;

  // The client id of the hello line: at most 33 characters; empty until loaded, created or set.
  char uuid[uuid_size] = "";
  int uuid_create_time = 0;
  int last_voting_time = 0;
  int last_voting_reminder_time = 0;
  int voting_reminders = 1;
  // Read from and written back to the system file; no other use. Absent entries are empty.
  std::optional<std::string> vote_menu_name[vote_menu_count];
  std::optional<std::string> vote_menu_url[vote_menu_count];
  // The curr_config of the system file: the configuration to take up at start-up.
  std::string previous_config;
};

extern vesk_system_config vesk_system_settings;

// Start-up: the system file, the previous configuration made current, its fonts applied.
void load_system_config();
// A default uuid ("DFLT" and 28 lower-case hexadecimal digits) from the main random generator.
void create_default_uuid();
// The server's uuid becomes the client id; the vote times restart and the system file is saved.
void set_uuid(const char *text);
