// The main window's side of the settings: it is the settings' host (menus, layout, fonts, themes
// follow a setter), reads the layout switches from the current configuration, and tells the
// server the display settings with the "qvclstatus" line.
#include "app/main_window.h"

#include "config/settings.h"
#include "drawing/themes.h"
#include "drawing/wx_font.h"
#include "input/line_edit.h"
#include "support/log.h"
#include "text/ansi_display.h"

#include <wx/font.h>

namespace {

void describe(const vesk_font *font, std::string &description, int &size, int fallback) {
  description.clear();
  size = fallback;
  if (!font || !font->toolkit_font().IsOk())
    return;
  description = (const char *)font->toolkit_font().GetNativeFontInfoDesc().utf8_str();
  size = font->get_point_size();
}

// A described font, else only the size changes.
void apply(vesk_font *font, const char *description, int size) {
  if (!font)
    return;
  if (!(description && *description && font->create_from_native(wxString::FromUTF8(description))))
    font->set_point_size(size);
  else if (size > 0 && font->get_point_size() != size)
    font->set_point_size(size);
}

} // namespace

void vesk_mw::get_text_font(std::string &description, int &point_size) {
  describe(vesk_main_text_font, description, point_size, 8);
}

void vesk_mw::get_button_font(std::string &description, int &point_size) {
  describe(vesk_small_fixed_font, description, point_size, 6);
}

void vesk_mw::apply_text_font(const char *description, int point_size) {
  apply(vesk_main_text_font, description, point_size);
}

void vesk_mw::apply_button_font(const char *description, int point_size) {
  // The button fonts belong to the button bars, which come with their own work.
  (void)description;
  (void)point_size;
}

void vesk_mw::relayout() {
  layout_windows();
  Refresh(false);
}

void vesk_mw::mark_settings_changed() { settings_changed = 1; }

void vesk_mw::main_scrollbar_changed(int on) {
  main_display->show_scrollbar(on != 0);
  main_display->refresh_all();
}

void vesk_mw::layout_changed(int) { relayout(); }

void vesk_mw::button_theme_changed(int theme) { switch_button_theme(theme); }

void vesk_mw::background_theme_changed(int theme, int pattern) {
  switch_background_theme(theme);
  background.build_background(saved_width, saved_height, pattern, nullptr, 1);
  relayout();
}

void vesk_mw::configuration_selected() {
  main_display->show_scrollbar(vesk_config::get_mw_scrollbar_enable() != 0);
  relayout();
}

void vesk_mw::fonts_to_panels() {
  if (!vesk_main_text_font)
    return;
  main_display->set_font(vesk_main_text_font, vesk_config::get_compact_mode() != 0);
  input_window->set_font(vesk_main_text_font->toolkit_font());
  relayout();
}

void vesk_mw::text_font_to_panels() { fonts_to_panels(); }

void vesk_mw::read_layout_settings() {
  vesk_layout_settings &s = layout_settings;
  s.current_layout = vesk_config::get_current_layout();
  s.direction_button_enable = vesk_config::get_direction_button_enable();
  s.hint_button_enable = vesk_config::get_hint_button_enable();
  s.fkey_button_display = vesk_config::get_fkey_button_display();
  s.popup_display = vesk_config::get_popup_display();
  s.status_bar = vesk_config::get_status_bar();
  s.hpbar_enable = vesk_config::get_hpbar_enable();
  s.exp_display = vesk_config::get_exp_display();
  s.enemy_hpbar_enable = vesk_config::get_enemy_hpbar_enable();
  s.group_status_display = vesk_config::get_group_status_display();
  s.automap_docked = vesk_config::get_automap_docked();
  s.automap_display = vesk_config::get_automap_display();
  s.input_height = vesk_config::get_input_height();
  s.channel_window_enable = vesk_config::get_channel_window_enable();
  s.channel_window_height = vesk_config::get_channel_window_height();
  background_style = vesk_config::get_theme_bg_setting();
}

void vesk_mw::send_settings_status() {
  settings_changed = 0;
  auto on = [](int value) { return value ? '1' : '0'; };
  int colors = vesk_config::get_font_colors_setting();
  char flags[21] = {
      on(vesk_config::GetSystemAudio()),
      on(vesk_config::get_cmd_separator()),
      on(vesk_config::get_direction_button_enable()),
      on(vesk_config::get_hint_button_enable()),
      on(vesk_config::get_fkey_button_display()),
      on(vesk_config::get_status_bar()),
      on(vesk_config::get_sky_bar()),
      on(vesk_config::get_exp_display()),
      on(vesk_config::get_hpbar_enable()),
      on(vesk_config::get_enemy_hpbar_enable()),
      on(vesk_config::get_popup_display()),
      (char)('0' + (vesk_config::get_group_status_display() == 2 ? 2 : vesk_config::get_group_status_display() ? 1 : 0)),
      (char)('0' + (vesk_config::get_current_layout() == 2 ? 2 : vesk_config::get_current_layout() == 1 ? 1 : 0)),
      on(vesk_config::get_automap_display()),
      on(vesk_config::get_automap_docked()),
      on(vesk_config::get_channel_window_enable()),
      on(vesk_config::get_channel_window_dupe()),
      on(vesk_config::get_colorflash_enable()),
      (char)(colors >= 0 && colors <= 3 ? '0' + colors : '9'),
      on(vesk_system_settings.voting_reminders),
      0,
  };
  vesk_fixed_text line("qvclstatus ");
  line.append(flags);
  line.appendf(" %2d %2d %2d", vesk_config::get_current_theme(), vesk_config::get_current_background_theme(),
               vesk_config::get_theme_bg_setting());
  send_command(line.c_str(), 0);
}
