// Fuzzes the settings loaders with arbitrary bytes as a character file or a system file: no crash,
// and every configuration that comes out has its values within their ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "config/settings.h"
#include "config/xml_reader.h"
#include "support/log.h"

namespace {

bool in(int value, int low, int high) { return value >= low && value <= high; }

void check_ranges(const vesk_config &c) {
  const int *switches[] = {&c.keypad_walking, &c.url_hotlinking, &c.compact_mode, &c.cmd_pushthrough, &c.local_echo,
                           &c.cmd_separator, &c.button_tooltips, &c.direction_button_enable, &c.hint_button_enable,
                           &c.fkey_button_display, &c.status_bar, &c.sky_bar, &c.exp_display, &c.hp_display,
                           &c.hpbar_enable, &c.enemy_hp_display, &c.enemy_hpbar_enable, &c.popup_display,
                           &c.mw_scrollbar_enable, &c.locking_scrollback_enable, &c.group_status_inverted_bars,
                           &c.automap_docked, &c.automap_display, &c.channel_window_enable, &c.channel_window_dupe,
                           &c.colorflash_enable};
  for (const int *value : switches)
    if (!in(*value, 0, 1))
      std::abort();
  if (!in(c.font_size, 2, 150) || !in(c.group_status_display, 0, 2) || !in(c.current_layout, 0, 2) ||
      !in(c.font_colors_setting, 0, 3) || !in(c.theme_bg_setting, 0, 5) || !in(c.automap_size, 1, 400) ||
      !in(c.input_height, 24, 800) || !in(c.channel_window_height, 10, 80))
    std::abort();
  for (const vesk_popup_geometry &record : c.popup_windows)
    if (std::memchr(record.name, 0, sizeof record.name) == nullptr)
      std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  vesk_client_set_debug_logfile_name("/dev/null");
  vesk_debug_level = 3;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  // The first byte chooses the file: a character file's elements, or a system file's content.
  vesk_xml_string_reader reader((const char *)data + 1, size - 1);
  char tag[1000];
  if (data[0] & 1) {
    vesk_config::load_xml_system_config(reader);
    for (const auto &config : vesk_config::list())
      check_ranges(*config);
    // The registry only grows during a run; between inputs it starts over.
    vesk_config::list().clear();
    vesk_config::current_char_cfg = nullptr;
    return 0;
  }
  for (int rounds = 0; rounds < 4 && reader.position < reader.buffer.size(); rounds++) {
    while (reader.read_tag(tag, sizeof tag)) {
      if (std::strcmp(tag, "single_config")) {
        reader.skip_data();
        continue;
      }
      vesk_config config;
      config.read_xml(reader);
      config.bring_into_range();
      check_ranges(config);
    }
  }
  return 0;
}
