// Getters and setters of the current configuration's settings, with what each change sets off in
// the window (menu check marks, panels, layout, the status flag), and the audio switch.
#include "config/settings.h"

#include "config/settings_internal.h"

namespace {

vesk_config *current() { return vesk_config::current_char_cfg; }
vesk_config_host &host() { return vesk_config::host(); }
void check(int id, int value) { host().check_menu_item(id, value != 0); }

// Stores value in field of the current configuration. False when there is none, or when
// only_if_changed is set and the value is already stored.
bool store(int vesk_config::*field, int value, bool only_if_changed) {
  vesk_config *config = current();
  if (!config || (only_if_changed && config->*field == value))
    return false;
  config->*field = value;
  return true;
}

void check_group_display(int mode) {
  if (mode == 0)
    check(19, 1);
  else if (mode == 1)
    check(21, 1);
  else if (mode == 2)
    check(20, 1);
}

void check_layout(int layout) {
  if (layout >= 0 && layout <= 2)
    check(7 + layout, 1);
}

void check_if_known(int id) {
  if (id)
    check(id, 1);
}

// The three vital bars share one panel, which is told about all of them.
void set_vital_bar(int vesk_config::*field, int value, int menu_id) {
  if (!store(field, value, true))
    return;
  check(menu_id, value);
  vesk_config *config = current();
  host().vital_bars_changed(config->hpbar_enable, config->exp_display, config->enemy_hpbar_enable);
  host().relayout();
  host().mark_settings_changed();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Menu items of theme numbers.

int vesk_config::button_theme_menu_id(int theme) {
  switch (theme) {
  case 0: return 47;
  case 1: return 51;
  case 2: return 45;
  case 40: return 46;
  case 50: return 48;
  case 60: return 49;
  case 70: return 50;
  case 80: return 52;
  case 90: return 53;
  default: return 0;
  }
}

int vesk_config::background_theme_menu_id(int theme) {
  switch (theme) {
  case 0: return 38;
  case 1: return 42;
  case 2: return 36;
  case 40: return 37;
  case 50: return 39;
  case 60: return 40;
  case 70: return 41;
  case 80: return 43;
  case 90: return 44;
  default: return 0;
  }
}

int vesk_config::background_pattern_menu_id(int pattern) {
  static const int ids[] = {54, 55, 56, 57, 59, 58};
  return pattern >= 0 && pattern <= 5 ? ids[pattern] : 0;
}

void vesk_config::check_all_menu_items() {
  vesk_config *c = current();
  if (!c)
    return;
  check(26, c->cmd_pushthrough);
  check(28, c->local_echo);
  check(27, c->cmd_separator);
  check(29, c->keypad_walking);
  check(32, c->url_hotlinking);
  check(33, c->compact_mode);
  check(31, c->locking_scrollback_enable);
  check(10, c->popup_display);
  check(11, c->hint_button_enable);
  check(12, c->direction_button_enable);
  check(13, c->fkey_button_display);
  check(14, c->status_bar);
  check(15, c->sky_bar);
  check(16, c->hpbar_enable);
  check(17, c->exp_display);
  check(18, c->enemy_hpbar_enable);
  check(30, c->mw_scrollbar_enable);
  check_group_display(c->group_status_display);
  check(22, c->group_status_inverted_bars);
  check_layout(c->current_layout);
  check_if_known(button_theme_menu_id(c->current_theme));
  check_if_known(background_theme_menu_id(c->current_background_theme));
  check_if_known(background_pattern_menu_id(c->theme_bg_setting));
  check(25, c->colorflash_enable);
}

// ---------------------------------------------------------------------------------------------
// Getters.

#define VESK_CONFIG_GETTER(field)                                                                           \
  int vesk_config::get_##field() { return current() ? current()->field : 0; }

VESK_CONFIG_GETTER(font_size)
VESK_CONFIG_GETTER(button_font_size)
VESK_CONFIG_GETTER(keypad_walking)
VESK_CONFIG_GETTER(url_hotlinking)
VESK_CONFIG_GETTER(compact_mode)
VESK_CONFIG_GETTER(cmd_pushthrough)
VESK_CONFIG_GETTER(local_echo)
VESK_CONFIG_GETTER(cmd_separator)
VESK_CONFIG_GETTER(button_tooltips)
VESK_CONFIG_GETTER(direction_button_enable)
VESK_CONFIG_GETTER(hint_button_enable)
VESK_CONFIG_GETTER(fkey_button_display)
VESK_CONFIG_GETTER(status_bar)
VESK_CONFIG_GETTER(sky_bar)
VESK_CONFIG_GETTER(exp_display)
VESK_CONFIG_GETTER(hp_display)
VESK_CONFIG_GETTER(hpbar_enable)
VESK_CONFIG_GETTER(enemy_hp_display)
VESK_CONFIG_GETTER(enemy_hpbar_enable)
VESK_CONFIG_GETTER(popup_display)
VESK_CONFIG_GETTER(mw_scrollbar_enable)
VESK_CONFIG_GETTER(locking_scrollback_enable)
VESK_CONFIG_GETTER(group_status_display)
VESK_CONFIG_GETTER(group_status_inverted_bars)
VESK_CONFIG_GETTER(current_layout)
VESK_CONFIG_GETTER(current_theme)
VESK_CONFIG_GETTER(current_background_theme)
VESK_CONFIG_GETTER(font_colors_setting)
VESK_CONFIG_GETTER(theme_bg_setting)
VESK_CONFIG_GETTER(automap_docked)
VESK_CONFIG_GETTER(automap_display)
VESK_CONFIG_GETTER(automap_size)
VESK_CONFIG_GETTER(input_height)
VESK_CONFIG_GETTER(channel_window_enable)
VESK_CONFIG_GETTER(channel_window_height)
VESK_CONFIG_GETTER(channel_window_dupe)
VESK_CONFIG_GETTER(colorflash_enable)

#undef VESK_CONFIG_GETTER

const char *vesk_config::get_name() { return current() ? current()->name.c_str() : ""; }
const char *vesk_config::get_font() { return current() ? current()->font.c_str() : ""; }
const char *vesk_config::get_button_font() { return current() ? current()->button_font.c_str() : ""; }

vesk_popup_geometry vesk_config::get_popup_geometry(const char *window_name) {
  return current() ? current()->popup_geometry(window_name) : vesk_popup_geometry(window_name);
}

void vesk_config::set_popup_geometry(const vesk_popup_geometry &record) {
  if (current())
    current()->store_popup_geometry(record);
}

// ---------------------------------------------------------------------------------------------
// Setters, with the effects each has beyond storing the value.

void vesk_config::set_font_size(int value) { store(&vesk_config::font_size, value, false); }
void vesk_config::set_button_font_size(int value) { store(&vesk_config::button_font_size, value, false); }
void vesk_config::set_button_tooltips(int value) { store(&vesk_config::button_tooltips, value, false); }
void vesk_config::set_hp_display(int value) { store(&vesk_config::hp_display, value, false); }
void vesk_config::set_enemy_hp_display(int value) { store(&vesk_config::enemy_hp_display, value, false); }
void vesk_config::set_automap_size(int value) { store(&vesk_config::automap_size, value, false); }
void vesk_config::set_input_height(int value) { store(&vesk_config::input_height, value, false); }
void vesk_config::set_channel_window_height(int value) { store(&vesk_config::channel_window_height, value, false); }

void vesk_config::set_cmd_pushthrough(int value) {
  if (store(&vesk_config::cmd_pushthrough, value, false))
    check(26, value);
}

void vesk_config::set_local_echo(int value) {
  if (store(&vesk_config::local_echo, value, false))
    check(28, value);
}

void vesk_config::set_cmd_separator(int value) {
  if (!store(&vesk_config::cmd_separator, value, false))
    return;
  check(27, value);
  host().mark_settings_changed();
}

void vesk_config::set_keypad_walking(int value) {
  if (store(&vesk_config::keypad_walking, value, false))
    check(29, value);
}

void vesk_config::set_url_hotlinking(int value) {
  if (store(&vesk_config::url_hotlinking, value, false))
    check(32, value);
}

void vesk_config::set_compact_mode(int value) {
  if (!store(&vesk_config::compact_mode, value, false))
    return;
  check(33, value);
  host().text_font_to_panels();
}

void vesk_config::set_locking_scrollback_enable(int value) {
  if (store(&vesk_config::locking_scrollback_enable, value, false))
    check(31, value);
}

void vesk_config::set_group_status_inverted_bars(int value) {
  if (store(&vesk_config::group_status_inverted_bars, value, false))
    check(22, value);
}

void vesk_config::set_colorflash_enable(int value) {
  if (!store(&vesk_config::colorflash_enable, value, false))
    return;
  check(25, value);
  host().mark_settings_changed();
}

void vesk_config::set_font_colors_setting(int value) {
  if (store(&vesk_config::font_colors_setting, value, false))
    host().mark_settings_changed();
}

void vesk_config::set_channel_window_dupe(int value) {
  if (store(&vesk_config::channel_window_dupe, value, false))
    host().mark_settings_changed();
}

void vesk_config::set_automap_docked(int value) {
  if (store(&vesk_config::automap_docked, value, false))
    host().mark_settings_changed();
}

void vesk_config::set_automap_display(int value) {
  if (store(&vesk_config::automap_display, value, false))
    host().mark_settings_changed();
}

void vesk_config::set_popup_display(int value) {
  if (!store(&vesk_config::popup_display, value, true))
    return;
  check(10, value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_hint_button_enable(int value) {
  if (!store(&vesk_config::hint_button_enable, value, true))
    return;
  check(11, value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_direction_button_enable(int value) {
  if (!store(&vesk_config::direction_button_enable, value, true))
    return;
  check(12, value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_fkey_button_display(int value) {
  if (!store(&vesk_config::fkey_button_display, value, true))
    return;
  check(13, value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_status_bar(int value) {
  if (!store(&vesk_config::status_bar, value, true))
    return;
  check(14, value);
  host().status_bar_changed(value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_sky_bar(int value) {
  if (!store(&vesk_config::sky_bar, value, true))
    return;
  check(15, value);
  host().sky_bar_changed(value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_hpbar_enable(int value) { set_vital_bar(&vesk_config::hpbar_enable, value, 16); }
void vesk_config::set_exp_display(int value) { set_vital_bar(&vesk_config::exp_display, value, 17); }
void vesk_config::set_enemy_hpbar_enable(int value) { set_vital_bar(&vesk_config::enemy_hpbar_enable, value, 18); }

void vesk_config::set_mw_scrollbar_enable(int value) {
  if (!store(&vesk_config::mw_scrollbar_enable, value, true))
    return;
  check(30, value);
  host().main_scrollbar_changed(value);
}

void vesk_config::set_group_status_display(int value) {
  if (!store(&vesk_config::group_status_display, value, true))
    return;
  check_group_display(value);
  host().group_display_changed(value);
  host().relayout();
  host().mark_settings_changed();
}

void vesk_config::set_current_layout(int value) {
  if (!store(&vesk_config::current_layout, value, true))
    return;
  check_layout(value);
  host().layout_changed(value);
  host().mark_settings_changed();
}

void vesk_config::set_current_theme(int value) {
  if (!store(&vesk_config::current_theme, value, true))
    return;
  check_if_known(button_theme_menu_id(value));
  host().button_theme_changed(value);
  host().mark_settings_changed();
}

void vesk_config::set_current_background_theme(int value) {
  if (!store(&vesk_config::current_background_theme, value, true))
    return;
  check_if_known(background_theme_menu_id(value));
  host().background_theme_changed(value, current()->theme_bg_setting);
  host().mark_settings_changed();
}

void vesk_config::set_theme_bg_setting(int value) {
  if (!store(&vesk_config::theme_bg_setting, value, true))
    return;
  check_if_known(background_pattern_menu_id(value));
  host().background_theme_changed(current()->current_background_theme, value);
  host().mark_settings_changed();
}

void vesk_config::set_channel_window_enable(int value) {
  if (!store(&vesk_config::channel_window_enable, value, true))
    return;
  host().channel_window_changed(value);
  host().relayout();
  host().mark_settings_changed();
}

// ---------------------------------------------------------------------------------------------
// Audio.

int vesk_config::GetSystemAudio() { return system_audio_enable; }

void vesk_config::SetSystemAudio(int value) {
  if (value == system_audio_enable)
    return;
  system_audio_enable = value;
  host().mark_settings_changed();
  if (!value) {
    host().stop_audio();
  } else if (!host().start_audio()) {
    VESK_SETTINGS_LOG(1, "vesk_config::SetSystemAudio() - unable to start audio.  Disabling.\n");
    SetSystemAudio(0);
  }
  check(34, system_audio_enable);
}
