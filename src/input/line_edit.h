// vesk_line_edit: the command line at the bottom of the main window, a multi-line toolkit text
// control inside a framed panel. It keeps the command histories, turns keys into commands and
// client actions, and hands each finished line to its host.
#pragma once

#include "app/embedded_window.h"
#include "app/main_window.h"
#include "config/settings.h"
#include "input/command_history.h"
#include "input/key_table.h"
#include "input/line_edit_host.h"
#include "text/ansi_display.h"

#include <cstring>
#include <memory>
#include <string>
#include <wx/textctrl.h>

class vesk_line_edit;

// The panel around the text control: draws the frame, flashes it, and keeps the control at
// (2, 1) inside it.
class vesk_input_container : public vesk_embedded_window {
public:
  vesk_input_container(wxWindow *parent, wxWindowID id, const wxString &name);
  ~vesk_input_container() override;

  void layout(int resized) override;
  void paint(vesk_bitmap &bitmap) override;
  int animate(int ms) override { return animate_flash(ms); }

  vesk_line_edit *edit = nullptr;
};

class vesk_line_edit : public wxTextCtrl {
public:
  // The longest line handed to the server, in bytes after transliteration.
  static const int max_line_bytes = 4999;

  // The control and its container are created as children of `parent`; the container is named
  // after `name` with " input window" (unless the name ends so already). `host` must outlive it.
  vesk_line_edit(wxWindow *parent, vesk_line_edit_host *host, wxWindowID id, const wxString &name);
  // The main window as host, until it implements vesk_line_edit_host itself.
  vesk_line_edit(vesk_mw *owner, wxWindowID id, const wxString &name);
  ~vesk_line_edit() override;

  void history_store(const std::wstring &text) { history.history_store(text); }
  void history_up();
  void history_down();
  void select_history(int index) { history.select_history(index); }
  void list_history();

  // The server's echo negotiation: typed text invisible, not stored, not echoed.
  void enter_secret_mode();
  void leave_secret_mode();
  bool secret_mode() const { return history.secret_mode; }

  // White on black in the line's font (black on black while in secret mode).
  void restyle();
  void set_font(const wxFont &font);
  void manual_clipboard_paste();
  void start_flash();

  // Places the whole block, frame included, in the parent. SetSize and Move on the line edit
  // do the same, so an owner may place it either way.
  void set_geometry(int x, int y, int width, int height);
  vesk_input_container *container() const { return box; }

protected:
  void DoSetSize(int x, int y, int width, int height, int flags) override;
  // The block's natural height is the default input height.
  wxSize DoGetBestSize() const override;

private:
  friend class vesk_input_container;

  // Inside the container, bypassing the forwarding of DoSetSize.
  void place(int x, int y, int width, int height);
  void on_key_down(wxKeyEvent &event);
  void on_key_up(wxKeyEvent &event);
  void on_wheel(wxMouseEvent &event);
  void pasteEvent(wxClipboardTextEvent &event);
  void perform(const vesk_line_action &action, wxKeyEvent &event);
  void enter();
  void escape();
  void copy_or_break();
  void show_line(const std::wstring &text);
  bool whole_text_selected() const;

  vesk_line_edit_host *host = nullptr;
  std::unique_ptr<vesk_line_edit_host> owned_host;
  vesk_input_container *box = nullptr;
  vesk_command_history history;
  vesk_key_state keys;
  int wheel_total = 0;
  bool forward_geometry = false;
};

// The main window seen through the hooks it already has; the rest keep their defaults.
class vesk_mw_line_edit_host : public vesk_line_edit_host {
public:
  explicit vesk_mw_line_edit_host(vesk_mw *owner) : mw(owner) {}
  void send_command(const char *text, int echo) override { mw->send_command(text, echo); }
  void send_line(const char *text) override { mw->send_line(text); }
  void reset_output_state() override { mw->reset_output_state(); }
  void show_local_text(const char *text) override { mw->show_local_text(text); }
  vesk_text_buffer *main_display_text() override { return mw->main_display ? &mw->main_display->text : nullptr; }
  int host_connection_state() override { return mw->connection_state; }
  void relayout() override { mw->relayout(); }
  int main_font_size() override { return vesk_config::get_font_size(); }
  void set_main_font_size(int size) override {
    vesk_config::set_font_size(size);
    vesk_config::apply_font();
    mw->fonts_to_panels();
  }
  int get_setting(const char *name) override {
    const setting_entry *e = find(name);
    return e ? e->get() : 0;
  }
  void set_setting(const char *name, int value) override {
    if (const setting_entry *e = find(name))
      e->set(value);
  }

private:
  struct setting_entry {
    const char *name;
    int (*get)();
    void (*set)(int);
  };
  // The settings the line's keys read or change.
  static const setting_entry *find(const char *name) {
    static const setting_entry table[] = {
        {"cmd_pushthrough", vesk_config::get_cmd_pushthrough, vesk_config::set_cmd_pushthrough},
        {"keypad_walking", vesk_config::get_keypad_walking, vesk_config::set_keypad_walking},
        {"locking_scrollback_enable", vesk_config::get_locking_scrollback_enable,
         vesk_config::set_locking_scrollback_enable},
        {"automap_display", vesk_config::get_automap_display, vesk_config::set_automap_display},
        {"group_status_display", vesk_config::get_group_status_display, vesk_config::set_group_status_display},
        {"hpbar_enable", vesk_config::get_hpbar_enable, vesk_config::set_hpbar_enable},
        {"enemy_hpbar_enable", vesk_config::get_enemy_hpbar_enable, vesk_config::set_enemy_hpbar_enable},
        {"exp_display", vesk_config::get_exp_display, vesk_config::set_exp_display},
        {"fkey_button_display", vesk_config::get_fkey_button_display, vesk_config::set_fkey_button_display},
        {"popup_display", vesk_config::get_popup_display, vesk_config::set_popup_display},
        {"mw_scrollbar_enable", vesk_config::get_mw_scrollbar_enable, vesk_config::set_mw_scrollbar_enable},
        {"channel_window_height", vesk_config::get_channel_window_height, vesk_config::set_channel_window_height},
        {"input_height", vesk_config::get_input_height, vesk_config::set_input_height},
    };
    for (const setting_entry &e : table)
      if (name && std::strcmp(e.name, name) == 0)
        return &e;
    return nullptr;
  }

  vesk_mw *mw;
};

inline vesk_line_edit::vesk_line_edit(vesk_mw *owner, wxWindowID id, const wxString &name)
    : vesk_line_edit(owner, new vesk_mw_line_edit_host(owner), id, name) {
  owned_host.reset(host);
}
