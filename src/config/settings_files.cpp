// The settings files: the system file with the uuid and vote data, the character files (with the
// move from their old place), and the start-up load.
#include "config/settings.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <unistd.h>

#include "config/settings_file.h"
#include "config/settings_internal.h"
#include "config/uuid.h"
#include "config/xml_reader.h"
#include "config/xml_writer.h"
#include "support/config_directory.h"
#include "support/random.h"
#include "support/words.h"

vesk_system_config vesk_system_settings;

namespace {

const int tag_capacity = 10000;
const int short_text_capacity = 1000;
const int header_capacity = 10000;
const char system_file_name[] = "/quorveth.cfg";

// Index 0 to 15 of a "vote_menu%d_name" (url false) or "vote_menu%d_url" (url true) tag, else -1.
int vote_menu_index(const char *tag, bool &url) {
  if (std::strncmp(tag, "vote_menu", 9))
    return -1;
  char expected[32];
  for (int i = 0; i < vesk_system_config::vote_menu_count; i++) {
    std::snprintf(expected, sizeof expected, "vote_menu%d_name", i);
    if (!std::strcmp(tag, expected)) {
      url = false;
      return i;
    }
    std::snprintf(expected, sizeof expected, "vote_menu%d_url", i);
    if (!std::strcmp(tag, expected)) {
      url = true;
      return i;
    }
  }
  return -1;
}

void remove_in_config_directory(const char *file_name) {
  const char *dir = vesk_client_get_config_directory();
  vesk_fixed_text path;
  if (dir && vesk_settings_path(path, dir, "/", file_name, nullptr))
    unlink(path.c_str());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reading.

vesk_config *vesk_config::load_xml_single_system_config(vesk_xml_reader &reader, const char *expected_name) {
  std::unique_ptr<vesk_config> fresh = make_fresh();
  fresh->read_xml(reader);
  fresh->bring_into_range();
  if (fresh->name.empty()) {
    VESK_SETTINGS_LOG(1, "Error in vesk_config::load_xml_single_system_config(), missing name for loaded config.  Ignoring.\n");
    return nullptr;
  }
  if (expected_name && fresh->name != expected_name) {
    VESK_SETTINGS_LOG(1, "Error in vesk_config::load_xml_single_system_config(), got bad name '%s' for loaded config '%s'.\n",
                      fresh->name.c_str(), expected_name);
    return nullptr;
  }
  vesk_config *stored = add(*fresh);
  VESK_SETTINGS_LOG(3, "vesk_config::load_xml_single_system_config() - Font size %d, '%s'.\n", stored->font_size,
                    stored->font.c_str());
  VESK_SETTINGS_LOG(3, "vesk_config::load_xml_single_system_config() - Button font size %d, '%s'.\n",
                    stored->button_font_size, stored->button_font.c_str());
  return stored;
}

void vesk_config::load_xml_system_config(vesk_xml_reader &reader) {
  vesk_system_config &system = vesk_system_settings;
  std::unique_ptr<char[]> tag(new char[tag_capacity]);
  char text[short_text_capacity];
  while (reader.read_tag(tag.get(), tag_capacity)) {
    const char *t = tag.get();
    bool url = false;
    int vote = -1;
    int dropped = 0;
    if (!std::strcmp(t, "curr_config")) {
      if (reader.read_data(text, sizeof text))
        system.previous_config = text;
    } else if (!std::strcmp(t, "system_audio_enable")) {
      reader.read_data(&system_audio_enable);
    } else if (!std::strcmp(t, "bootloader_version")) {
      reader.read_data(text, sizeof text);
    } else if (!std::strcmp(t, "autoupdate_executable1_state") || !std::strcmp(t, "autoupdate_executable2_state")) {
      reader.read_data(&dropped);
    } else if (!std::strcmp(t, "single_config")) {
      load_xml_single_system_config(reader, nullptr);
    } else if (!std::strcmp(t, "uuid")) {
      if (reader.read_data(text, sizeof text)) {
        std::strncpy(system.uuid, text, 32);
        system.uuid[32] = 0;
        VESK_SETTINGS_LOG(3, "load_xml_system_config() - loaded uuid '%s'.\n", system.uuid);
      }
    } else if (!std::strcmp(t, "uuid_create_time")) {
      reader.read_data(&system.uuid_create_time);
    } else if (!std::strcmp(t, "last_voting_time")) {
      reader.read_data(&system.last_voting_time);
    } else if (!std::strcmp(t, "last_voting_reminder_time")) {
      reader.read_data(&system.last_voting_reminder_time);
    } else if (!std::strcmp(t, "voting_reminders")) {
      reader.read_data(&system.voting_reminders);
    } else if ((vote = vote_menu_index(t, url)) >= 0) {
      if (reader.read_data(text, sizeof text))
        (url ? system.vote_menu_url : system.vote_menu_name)[vote] = std::string(text);
    } else {
      vesk_settings_pass_over(reader, t);
    }
  }
}

int vesk_config::load_system_config_file() {
  const char *dir = vesk_client_get_config_directory();
  if (!dir) {
    VESK_SETTINGS_LOG(1, "Unable to load system config - no config file directory.\n");
    return 0;
  }
  remove_in_config_directory("sound_version.cfg");
  vesk_fixed_text path;
  vesk_settings_path(path, dir, system_file_name, nullptr, nullptr);
  VESK_SETTINGS_LOG(3, "load_system_config_file() - using core config file name '%s'.\n", path.c_str());
  FILE *file = path.length ? std::fopen(path.c_str(), "r") : nullptr;
  if (!file) {
    VESK_SETTINGS_LOG(1, "Unable to load system config - cannot open config file '%s'.\n", path.c_str());
  } else {
    std::unique_ptr<char[]> line(new char[header_capacity]);
    line[0] = 0;
    fget_line(file, line.get(), header_capacity);
    if (!vesk_xml_reader::check_xml_header_string(line.get())) {
      VESK_SETTINGS_LOG(1, "Warning in load_system_config_file() - bad XML header, bailing.\n");
    } else {
      vesk_xml_file_reader reader(file);
      std::unique_ptr<char[]> tag(new char[tag_capacity]);
      while (reader.read_tag(tag.get(), tag_capacity)) {
        if (!std::strcmp(tag.get(), "system_config_list")) {
          load_xml_system_config(reader);
        } else {
          VESK_SETTINGS_LOG(1, "vesk_config::load_system_config_file() got unknown tag '%s'\n", tag.get());
          vesk_settings_pass_over(reader, tag.get());
        }
      }
    }
    std::fclose(file);
  }
  if (!vesk_system_settings.uuid[0]) {
    create_default_uuid();
    VESK_SETTINGS_LOG(3, "load_system_config_file() - created default uuid '%s'.\n", vesk_system_settings.uuid);
  }
  setup_default_config(vesk_system_settings.previous_config.c_str());
  apply_font();
  return 1;
}

vesk_config *vesk_config::get_or_load(const char *name) {
  if (!name)
    name = "";
  VESK_SETTINGS_LOG(2, "vesk_config::get_or_load() - trying load of config '%s'.\n", name);
  const char *dir = vesk_client_get_config_directory();
  // The name comes from the server; one that could lead outside the settings folder (or be
  // deleted there by the move below) is never looked up on disk.
  if (!name_fits_file(name)) {
    char shown[200];
    VESK_SETTINGS_LOG(1, "Warning in vesk_config::get_or_load(), config name '%s' cannot name a file, not loading it.\n",
                      vesk_settings_printable(name, shown, sizeof shown));
    return nullptr;
  }
  vesk_fixed_text old_path, path;
  FILE *file = nullptr;
  bool old_style = false;
  if (dir && vesk_settings_path(old_path, dir, "/", name, ".cfg"))
    file = std::fopen(old_path.c_str(), "r");
  if (file) {
    VESK_SETTINGS_LOG(1, "vesk_config::get_or_load() - got old style per-char config file '%s'.\n", old_path.c_str());
    old_style = true;
  } else {
    if (dir && vesk_settings_path(path, dir, "/char_configs/", name, ".cfg"))
      file = std::fopen(path.c_str(), "r");
    if (!file) {
      VESK_SETTINGS_LOG(2, "vesk_config::get_or_load() - no config file for '%s'.\n", name);
      return nullptr;
    }
  }
  {
    vesk_xml_file_reader reader(file);
    std::unique_ptr<char[]> tag(new char[tag_capacity]);
    while (reader.read_tag(tag.get(), tag_capacity)) {
      if (!std::strcmp(tag.get(), "single_config"))
        load_xml_single_system_config(reader, name);
      else
        vesk_settings_pass_over(reader, tag.get());
    }
  }
  std::fclose(file);
  vesk_config *config = find_config(name);
  // The old file goes only once the new one is in place; otherwise it is all there is.
  if (config && old_style && save_character_config(*config))
    unlink(old_path.c_str());
  VESK_SETTINGS_LOG(2, "vesk_config::get_or_load() - load of config '%s' success.\n", name);
  return config;
}

// ---------------------------------------------------------------------------------------------
// Writing.

int vesk_config::save_character_config(const vesk_config &config) {
  if (config.name.empty())
    return 0;
  if (!name_fits_file(config.name.c_str())) {
    char shown[200];
    VESK_SETTINGS_LOG(1, "Warning in vesk_config::save_character_config(), config name '%s' cannot name a file, "
                         "keeping it for this session only.\n",
                      vesk_settings_printable(config.name.c_str(), shown, sizeof shown));
    return 0;
  }
  const char *dir = vesk_client_get_config_directory();
  if (!dir)
    return 0;
  vesk_fixed_text folder;
  vesk_settings_path(folder, dir, "/char_configs", nullptr, nullptr);
  if (!folder.length || !vesk_create_and_check_writeable_directory(folder.c_str(), nullptr)) {
    VESK_SETTINGS_LOG(2, "Unable to create directory for config file '%s'.\n", folder.c_str());
    return 0;
  }
  vesk_fixed_text path;
  vesk_settings_path(path, dir, "/char_configs/", config.name.c_str(), ".cfg");
  vesk_replacement_file out;
  if (!path.length || !out.open(path.c_str())) {
    VESK_SETTINGS_LOG(1, "Unable to save config file '%s'.\n", path.c_str());
    return 0;
  }
  {
    vesk_xml_file_writer writer(out.file());
    config.write_xml(writer);
  }
  if (!out.commit()) {
    VESK_SETTINGS_LOG(1, "Unable to save config file '%s'.\n", path.c_str());
    return 0;
  }
  std::fflush(nullptr);
  return 1;
}

int vesk_config::save_system_config_file() {
  const char *dir = vesk_client_get_config_directory();
  if (!dir) {
    VESK_SETTINGS_LOG(1, "Unable to save system config - no config file directory.\n");
    return 0;
  }
  vesk_fixed_text path;
  vesk_settings_path(path, dir, system_file_name, nullptr, nullptr);
  vesk_replacement_file out;
  if (!path.length || !out.open(path.c_str())) {
    VESK_SETTINGS_LOG(1, "Unable to save system config - cannot open config file '%s'.\n", path.c_str());
    return 0;
  }
  const vesk_system_config &system = vesk_system_settings;
  int result = 1;
  {
    vesk_xml_file_writer writer(out.file());
    if (!writer.write_xml_header()) {
      VESK_SETTINGS_LOG(1, "Error in vesk_config::save_system_config_file(), unable to write to system config file '%s'.\n",
                        path.c_str());
      return 0;
    }
    writer.write_tag("system_config_list", 1, nullptr);
    vesk_settings_write_leaf(writer, "uuid", system.uuid);
    vesk_settings_write_leaf(writer, "uuid_create_time", system.uuid_create_time);
    // A name that cannot have a file would only send the next start looking for one.
    if (current_char_cfg && !current_char_cfg->name.empty() && name_fits_file(current_char_cfg->name.c_str()))
      vesk_settings_write_leaf(writer, "curr_config", current_char_cfg->name.c_str());
    vesk_settings_write_leaf(writer, "system_audio_enable", system_audio_enable);
    vesk_settings_write_leaf(writer, "last_voting_time", system.last_voting_time);
    vesk_settings_write_leaf(writer, "last_voting_reminder_time", system.last_voting_reminder_time);
    vesk_settings_write_leaf(writer, "voting_reminders", system.voting_reminders);
    char tag[32];
    for (int i = 0; i < vesk_system_config::vote_menu_count; i++) {
      if (!system.vote_menu_name[i])
        continue;
      std::snprintf(tag, sizeof tag, "vote_menu%d_name", i);
      vesk_settings_write_leaf(writer, tag, system.vote_menu_name[i]->c_str());
      std::snprintf(tag, sizeof tag, "vote_menu%d_url", i);
      vesk_settings_write_leaf(writer, tag, system.vote_menu_url[i] ? system.vote_menu_url[i]->c_str() : "");
    }
    for (const std::unique_ptr<vesk_config> &config : list())
      if (!config->name.empty())
        save_character_config(*config);
    writer.end_tag(nullptr, 1);
    writer.write_newline();
  }
  if (!out.commit()) {
    VESK_SETTINGS_LOG(1, "Error in vesk_config::save_system_config_file(), unable to write to system config file '%s'.\n",
                      path.c_str());
    result = 0;
  }
  std::fflush(nullptr);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Start-up and the uuid.

void load_system_config() {
  vesk_config::load_system_config_file();
  VESK_SETTINGS_LOG(3, "load_system_config() - finished\n");
  VESK_SETTINGS_LOG(3, "\n");
  remove_in_config_directory("bootname.txt");
}

void create_default_uuid() { vesk_create_default_uuid(vesk_main_random, vesk_system_settings.uuid); }

void set_uuid(const char *text) {
  // Only the printable start is kept: the uuid goes into the hello line and the system file,
  // where a line feed or control byte would break the line or make the file unreadable.
  int usable = 0;
  while (text && (unsigned char)text[usable] >= 0x20 && (unsigned char)text[usable] <= 0x7e)
    usable++;
  if (!usable) {
    VESK_SETTINGS_LOG(1, "Error in set_uuid(), null string?\n");
    create_default_uuid();
    return;
  }
  std::string kept(text, (size_t)usable);
  safe_strcpy(vesk_system_settings.uuid, kept.c_str(), vesk_system_config::uuid_size);
  VESK_SETTINGS_LOG(3, "Changed uuid to '%s'.\n", vesk_system_settings.uuid);
  int now = (int)std::time(nullptr);
  vesk_system_settings.uuid_create_time = now;
  vesk_system_settings.last_voting_reminder_time = now;
  vesk_system_settings.last_voting_time = now;
  vesk_config::save_system_config_file();
}
