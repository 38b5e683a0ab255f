// vesk_config: the fields with their defaults, range rules and XML tags, popup geometry, the
// registry of configurations, and the operations that choose which one is current.
#include "config/settings.h"

#include <cstdio>
#include <cstring>

#include "config/settings_internal.h"
#include "config/xml_reader.h"
#include "config/xml_writer.h"

namespace {

const int tag_capacity = 1000;
const int text_capacity = 10000;

enum rule { rule_none, rule_switch, rule_range, rule_clamp };

// One leaf of the character file, in the order the file holds them. Text fields have no default
// here (they start empty or from the fonts in use); the font sizes keep their value on reset.
struct field_entry {
  const char *tag;
  std::string vesk_config::*text;
  int vesk_config::*number;
  int default_value;
  rule kind;
  int low, high, fallback;
  bool keeps_on_reset;
};

#define TEXT(f) {#f, &vesk_config::f, nullptr, 0, rule_none, 0, 0, 0, true}
#define SWITCH(f, d) {#f, nullptr, &vesk_config::f, d, rule_switch, 0, 1, 0, false}
#define RANGE(f, d, lo, hi, fb) {#f, nullptr, &vesk_config::f, d, rule_range, lo, hi, fb, false}
#define CLAMP(f, d, lo, hi) {#f, nullptr, &vesk_config::f, d, rule_clamp, lo, hi, 0, false}
#define PLAIN(f, d) {#f, nullptr, &vesk_config::f, d, rule_none, 0, 0, 0, false}

const field_entry fields[] = {
    TEXT(name),
    TEXT(font),
    {"font_size", nullptr, &vesk_config::font_size, 8, rule_range, 2, 150, 10, true},
    TEXT(button_font),
    {"button_font_size", nullptr, &vesk_config::button_font_size, 6, rule_none, 0, 0, 0, true},
    SWITCH(keypad_walking, 1),
    SWITCH(url_hotlinking, 1),
    SWITCH(compact_mode, 0),
    SWITCH(local_echo, 1),
    SWITCH(cmd_separator, 1),
    SWITCH(cmd_pushthrough, 0),
    SWITCH(hint_button_enable, 1),
    SWITCH(direction_button_enable, 0),
    SWITCH(fkey_button_display, 0),
    SWITCH(button_tooltips, 0),
    SWITCH(status_bar, 1),
    SWITCH(sky_bar, 1),
    SWITCH(exp_display, 1),
    SWITCH(hpbar_enable, 1),
    SWITCH(hp_display, 0),
    SWITCH(enemy_hpbar_enable, 1),
    SWITCH(enemy_hp_display, 1),
    RANGE(group_status_display, 1, 0, 2, 0),
    SWITCH(group_status_inverted_bars, 1),
    SWITCH(popup_display, 1),
    SWITCH(locking_scrollback_enable, 0),
    SWITCH(mw_scrollbar_enable, 1),
    CLAMP(current_layout, 2, 0, 2),
    PLAIN(current_theme, 1),
    PLAIN(current_background_theme, 2),
    RANGE(font_colors_setting, 0, 0, 3, 0),
    RANGE(theme_bg_setting, 3, 0, 5, 3),
    SWITCH(automap_docked, 1),
    SWITCH(automap_display, 1),
    RANGE(automap_size, 11, 1, 400, 11),
    RANGE(input_height, 48, 24, 800, 48),
    SWITCH(channel_window_enable, 0),
    RANGE(channel_window_height, 25, 10, 80, 25),
    SWITCH(channel_window_dupe, 1),
    SWITCH(colorflash_enable, 1),
};

#undef TEXT
#undef SWITCH
#undef RANGE
#undef CLAMP
#undef PLAIN

const field_entry *find_field(const char *tag) {
  for (const field_entry &f : fields)
    if (!std::strcmp(f.tag, tag))
      return &f;
  return nullptr;
}

// A value the reader can give back: it reads printable ASCII only.
bool readable(const char *text) {
  for (const unsigned char *p = (const unsigned char *)text; *p; p++)
    if (*p < 0x20 || *p > 0x7e)
      return false;
  return true;
}

vesk_config_host default_host;
vesk_config_host *active_host = &default_host;

} // namespace

// ---------------------------------------------------------------------------------------------
// Shared helpers of the settings sources.

void vesk_settings_write_leaf(vesk_xml_writer &writer, const char *tag, const char *value) {
  writer.write_tag(tag, 0, nullptr);
  writer.write_string(value ? value : "");
  writer.end_tag(nullptr, 0);
}

void vesk_settings_write_leaf(vesk_xml_writer &writer, const char *tag, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  vesk_settings_write_leaf(writer, tag, text);
}

void vesk_settings_pass_over(vesk_xml_reader &reader, const char *tag) {
  if (tag[0] == '?' || tag[0] == '!') {
    vesk_xml_stack_entry *entry = reader.stack_top;
    if (entry) {
      reader.stack_top = entry->next;
      delete entry;
    }
    return;
  }
  reader.skip_data();
}

const char *vesk_settings_printable(const char *text, char *buffer, int capacity) {
  int k = 0;
  for (const unsigned char *p = (const unsigned char *)(text ? text : ""); *p && k < capacity - 1; p++)
    buffer[k++] = (*p < 0x20 || *p > 0x7e) ? '?' : (char)*p;
  buffer[k] = 0;
  return buffer;
}

// ---------------------------------------------------------------------------------------------
// The host that does nothing.

vesk_config_host::~vesk_config_host() {}
void vesk_config_host::get_text_font(std::string &description, int &point_size) {
  description.clear();
  point_size = 8;
}
void vesk_config_host::get_button_font(std::string &description, int &point_size) {
  description.clear();
  point_size = 6;
}
void vesk_config_host::apply_text_font(const char *, int) {}
void vesk_config_host::apply_button_font(const char *, int) {}
void vesk_config_host::check_menu_item(int, bool) {}
void vesk_config_host::relayout() {}
void vesk_config_host::mark_settings_changed() {}
void vesk_config_host::text_font_to_panels() {}
void vesk_config_host::status_bar_changed(int) {}
void vesk_config_host::sky_bar_changed(int) {}
void vesk_config_host::vital_bars_changed(int, int, int) {}
void vesk_config_host::main_scrollbar_changed(int) {}
void vesk_config_host::group_display_changed(int) {}
void vesk_config_host::layout_changed(int) {}
void vesk_config_host::button_theme_changed(int) {}
void vesk_config_host::background_theme_changed(int, int) {}
void vesk_config_host::channel_window_changed(int) {}
bool vesk_config_host::start_audio() { return true; }
void vesk_config_host::stop_audio() {}
void vesk_config_host::configuration_selected() {}
void vesk_config_host::fonts_to_panels() {}

void vesk_config::set_host(vesk_config_host *host) { active_host = host ? host : &default_host; }
vesk_config_host &vesk_config::host() { return *active_host; }

// ---------------------------------------------------------------------------------------------
// Popup geometry.

vesk_popup_geometry::vesk_popup_geometry() { name[0] = 0; }
vesk_popup_geometry::vesk_popup_geometry(const char *window_name) { set_name(window_name); }

void vesk_popup_geometry::set_name(const char *window_name) {
  std::strncpy(name, window_name ? window_name : "", name_size - 1);
  name[name_size - 1] = 0;
}

vesk_popup_geometry vesk_config::popup_geometry(const char *window_name) const {
  vesk_popup_geometry wanted(window_name);
  for (const vesk_popup_geometry &record : popup_windows)
    if (!std::strcmp(record.name, wanted.name))
      return record;
  return wanted;
}

void vesk_config::store_popup_geometry(const vesk_popup_geometry &record) {
  for (vesk_popup_geometry &old : popup_windows) {
    if (!std::strcmp(old.name, record.name)) {
      old.x = record.x;
      old.y = record.y;
      old.requested_width = record.requested_width;
      old.requested_height = record.requested_height;
      old.width = record.width;
      old.height = record.height;
      return;
    }
  }
  popup_windows.insert(popup_windows.begin(), record);
}

// ---------------------------------------------------------------------------------------------
// Fields, range rules and the character file's element.

vesk_config::vesk_config() { set_int_defaults(); }

void vesk_config::set_int_defaults() {
  for (const field_entry &f : fields)
    if (f.number && !f.keeps_on_reset)
      this->*f.number = f.default_value;
}

void vesk_config::bring_into_range() {
  for (const field_entry &f : fields) {
    if (!f.number)
      continue;
    int &value = this->*f.number;
    switch (f.kind) {
    case rule_switch:
      value &= 1;
      break;
    case rule_range:
      if (value < f.low || value > f.high)
        value = f.fallback;
      break;
    case rule_clamp:
      value = value < f.low ? f.low : value > f.high ? f.high : value;
      break;
    case rule_none:
      break;
    }
  }
}

void vesk_config::read_xml(vesk_xml_reader &reader) {
  char tag[tag_capacity];
  std::unique_ptr<char[]> text(new char[text_capacity]);
  while (reader.read_tag(tag, tag_capacity)) {
    const field_entry *f = find_field(tag);
    if (f && f->text) {
      // A value that cannot be read leaves the field as it was.
      if (reader.read_data(text.get(), text_capacity))
        this->*f->text = text.get();
    } else if (f) {
      reader.read_data(&(this->*f->number));
    } else if (!std::strcmp(tag, "use_new_layout")) {
      int value = 0;
      if (reader.read_data(&value))
        current_layout = value ? 1 : 0;
    } else if (!std::strcmp(tag, "bright_color_display") || !std::strcmp(tag, "zmud_color_display") ||
               !std::strcmp(tag, "gmud_color_display")) {
      int value = 0;
      if (reader.read_data(&value) && value)
        font_colors_setting = tag[0] == 'b' ? 1 : tag[0] == 'z' ? 2 : 3;
    } else if (!std::strcmp(tag, "popup_window_list")) {
      while (reader.read_tag(tag, tag_capacity)) {
        if (std::strcmp(tag, "single_popup_window")) {
          vesk_settings_pass_over(reader, tag);
          continue;
        }
        vesk_popup_geometry record;
        while (reader.read_tag(tag, tag_capacity)) {
          if (!std::strcmp(tag, "name")) {
            char window_name[vesk_popup_geometry::name_size];
            if (reader.read_data(window_name, sizeof window_name))
              record.set_name(window_name);
          } else if (!std::strcmp(tag, "x")) {
            reader.read_data(&record.x);
          } else if (!std::strcmp(tag, "y")) {
            reader.read_data(&record.y);
          } else if (!std::strcmp(tag, "width")) {
            reader.read_data(&record.width);
          } else if (!std::strcmp(tag, "height")) {
            reader.read_data(&record.height);
          } else {
            vesk_settings_pass_over(reader, tag);
          }
        }
        popup_windows.push_back(record);
      }
    } else {
      vesk_settings_pass_over(reader, tag);
    }
  }
}

void vesk_config::write_xml(vesk_xml_writer &writer) const {
  writer.write_tag("single_config", 1, nullptr);
  for (const field_entry &f : fields) {
    if (f.text)
      vesk_settings_write_leaf(writer, f.tag, (this->*f.text).c_str());
    else
      vesk_settings_write_leaf(writer, f.tag, this->*f.number);
  }
  writer.write_tag("popup_window_list", 1, nullptr);
  for (const vesk_popup_geometry &record : popup_windows) {
    // A name the reader cannot give back would only make the file invalid.
    if (!readable(record.name))
      continue;
    writer.write_tag("single_popup_window", 1, nullptr);
    vesk_settings_write_leaf(writer, "name", record.name);
    vesk_settings_write_leaf(writer, "x", record.x);
    vesk_settings_write_leaf(writer, "y", record.y);
    vesk_settings_write_leaf(writer, "width", record.width);
    vesk_settings_write_leaf(writer, "height", record.height);
    writer.end_tag(nullptr, 1);
  }
  writer.end_tag(nullptr, 1);
  writer.end_tag(nullptr, 1);
}

std::unique_ptr<vesk_config> vesk_config::make_fresh() {
  std::unique_ptr<vesk_config> config(new vesk_config);
  host().get_text_font(config->font, config->font_size);
  host().get_button_font(config->button_font, config->button_font_size);
  return config;
}

bool vesk_config::name_fits_file(const char *name) {
  if (!name || !*name || name[0] == '.')
    return false;
  for (const unsigned char *p = (const unsigned char *)name; *p; p++)
    if (*p < 0x20 || *p > 0x7e || *p == '/' || *p == '\\')
      return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// The registry.

vesk_config *vesk_config::current_char_cfg = nullptr;
int vesk_config::system_audio_enable = 1;

std::vector<std::unique_ptr<vesk_config>> &vesk_config::list() {
  // Never destroyed, so nothing that runs at exit finds current_char_cfg dangling.
  static std::vector<std::unique_ptr<vesk_config>> *configurations = new std::vector<std::unique_ptr<vesk_config>>;
  return *configurations;
}

vesk_config *vesk_config::find_config(const char *name) {
  const char *wanted = name ? name : "";
  for (const std::unique_ptr<vesk_config> &config : list())
    if (config->name == wanted)
      return config.get();
  return nullptr;
}

vesk_config *vesk_config::add(const vesk_config &config) {
  vesk_config *found = find_config(config.name.c_str());
  if (found) {
    VESK_SETTINGS_LOG(3, "vesk_config::add(), replacing config for %s.\n", config.name.c_str());
    if (found == &config)
      return found;
    // The incoming popup records go in front of those already there.
    std::vector<vesk_popup_geometry> kept = std::move(found->popup_windows);
    *found = config;
    found->popup_windows.insert(found->popup_windows.end(), kept.begin(), kept.end());
    return found;
  }
  list().push_back(std::unique_ptr<vesk_config>(new vesk_config(config)));
  return list().back().get();
}

vesk_config *vesk_config::get_config(const char *name) {
  vesk_config *config = find_config(name);
  return config ? config : get_or_load(name);
}

vesk_config *vesk_config::create_new_config(const char *name, vesk_config *current) {
  if (!name)
    name = "";
  if (!current) {
    VESK_SETTINGS_LOG(1, "Error in vesk_config::create_new_config(), NULL old config?  Creating new.\n");
    // Named, so that the character's settings are not lost to the unnamed default.
    std::unique_ptr<vesk_config> fresh = make_fresh();
    fresh->name = name;
    return add(*fresh);
  }
  if (current->name.empty()) {
    VESK_SETTINGS_LOG(3, "vesk_config::create_new_config() - attaching name '%s' to current blank config.\n", name);
    current->name = name;
    return current;
  }
  VESK_SETTINGS_LOG(3, "vesk_config::create_new_config() - making a copy of current config '%s' to create config '%s'.\n",
                    current->name.c_str(), name);
  vesk_config copy(*current);
  copy.name = name;
  return add(copy);
}

void vesk_config::setup_default_config(const char *previous_name) {
  if (previous_name && *previous_name) {
    VESK_SETTINGS_LOG(3, "vesk_config::setup_default_config() - trying to use previous config '%s'.\n", previous_name);
    vesk_config *previous = get_config(previous_name);
    if (previous) {
      current_char_cfg = previous;
      return;
    }
    VESK_SETTINGS_LOG(3, "vesk_config::setup_default_config() - unable to load or find previous config, using default.\n");
  } else {
    VESK_SETTINGS_LOG(3, "vesk_config::setup_default_config() - no previous config specified, using default.\n");
  }
  current_char_cfg = add(*make_fresh());
}

void vesk_config::select_config(const char *name) {
  vesk_config *config = get_config(name);
  if (!config)
    config = create_new_config(name, current_char_cfg);
  current_char_cfg = config;

  vesk_config_host &h = host();
  int id = button_theme_menu_id(config->current_theme);
  if (id)
    h.check_menu_item(id, true);
  id = background_theme_menu_id(config->current_background_theme);
  if (id)
    h.check_menu_item(id, true);
  id = background_pattern_menu_id(config->theme_bg_setting);
  if (id)
    h.check_menu_item(id, true);
  h.button_theme_changed(config->current_theme);
  h.mark_settings_changed();

  check_all_menu_items();
  h.configuration_selected();

  apply_font();
  h.fonts_to_panels();
}

// ---------------------------------------------------------------------------------------------
// Fonts and defaults.

void vesk_config::apply_font() {
  vesk_config *config = current_char_cfg;
  if (!config) {
    VESK_SETTINGS_LOG(1, "Error in vesk_config::apply_font(), null current_char_cfg.\n");
    return;
  }
  host().apply_text_font(config->font.c_str(), config->font_size);
  host().apply_button_font(config->button_font.c_str(), config->button_font_size);
}

void vesk_config::capture_text_font(const char *description, int point_size) {
  if (!current_char_cfg)
    return;
  current_char_cfg->font = description ? description : "";
  current_char_cfg->font_size = point_size;
}

void vesk_config::capture_button_font(const char *description, int point_size) {
  if (!current_char_cfg)
    return;
  current_char_cfg->button_font = description ? description : "";
  current_char_cfg->button_font_size = point_size;
}

void vesk_config::reset_to_defaults() {
  vesk_config *config = current_char_cfg;
  if (!config)
    return;
  config->set_int_defaults();
  // These setters act whether or not the value changed, so they bring their menus and the
  // input behaviour in line; the others are covered by the menu pass below.
  set_cmd_pushthrough(config->cmd_pushthrough);
  set_local_echo(config->local_echo);
  set_cmd_separator(config->cmd_separator);
  set_keypad_walking(config->keypad_walking);
  set_locking_scrollback_enable(config->locking_scrollback_enable);
  set_url_hotlinking(config->url_hotlinking);
  set_channel_window_dupe(config->channel_window_dupe);
  set_colorflash_enable(config->colorflash_enable);
  check_all_menu_items();
  host().configuration_selected();
  host().fonts_to_panels();
}
