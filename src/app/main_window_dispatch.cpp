// The main window's tagged-data dispatcher: looks each tag up in the tag table and runs its
// owner; log-in, events and the diversion of server text to popups are handled here.
#include "app/main_window.h"

#include "config/settings.h"
#include "input/line_edit.h"
#include "net/tag_dispatch.h"
#include "support/clock.h"
#include "support/log.h"
#include "text/ansi_display.h"

#include <ctime>
#include <wx/scrolbar.h>

namespace {

// Names arrive as bytes; UTF-8 when they are valid, else one character per byte.
wxString title_text(const char *bytes) {
  wxString text = wxString::FromUTF8(bytes);
  if (text.empty() && bytes[0])
    text = wxString::From8BitData(bytes);
  return text;
}

} // namespace

void vesk_mw::process_tagged_data(const char *name, const char *data, int length) {
  (void)length; // the handlers here read the payload as zero-terminated text
  if (!data)
    data = "";
  vesk_tag_match match = vesk_find_tag_handler(name);
  switch (match.handler) {
  case vesk_tag_login:
    tag_login(data);
    return;
  case vesk_tag_event:
    tag_event(data);
    return;
  case vesk_tag_append:
    divert_output(data, false);
    return;
  case vesk_tag_unappend:
    end_append();
    return;
  case vesk_tag_chdiv:
    channel_divert_start(data);
    channel_divert = 1;
    return;
  case vesk_tag_chudiv:
    channel_divert_end();
    channel_divert = 0;
    return;
  case vesk_tag_divert:
    divert_output(data, true);
    return;
  case vesk_tag_undivert:
    end_divert();
    return;
  case vesk_tag_uuid:
    set_uuid(data);
    return;
  default:
    // Tags whose owners are not part of the window yet take the warning below.
    break;
  }
  if (vesk_debug_level > 1)
    format_message("Warning in vesk_mw::process_tagged_data(), no handler for tag '%s'.\n", name ? name : "(null)");
}

void vesk_mw::tag_login(const char *data) {
  vesk_fixed_text name;
  if (vesk_login_name(data, name)) {
    SetTitle(wxString("Quorveth - Player ") + title_text(name.c_str()));
    vesk_config::select_config(name.c_str());
  }
  login_time = (long)time(nullptr);
  connection_state = playing;
  input_window->select_history(2);
  input_secret_mode(false);
  layout_windows();
  Refresh(false);
  settings_changed = 1;
}

void vesk_mw::tag_event(const char *data) {
  vesk_event_match event = vesk_classify_event(data);
  switch (event.kind) {
  case vesk_event_colorflash:
    if (vesk_config::get_colorflash_enable())
      output_colorflash(event.rest);
    return;
  case vesk_event_qvpong:
    // An answer to no ping would give a meaningless sample.
    if (ping_sent_time > 0)
      status_bar_ping_sample(vesk_ping_milliseconds(vesk_gettimeofday_useconds(), ping_sent_time));
    return;
  case vesk_event_newcreate:
    connection_state = creating;
    return;
  case vesk_event_logoff:
    connection_state = logging_off;
    return;
  case vesk_event_unhandled:
    break;
  }
  if (vesk_debug_level > 1)
    format_message("Warning in vesk_mw::process_tagged_data(), got unhandled event '%s'.\n", data);
}

// ---- output diversion ----

void vesk_mw::divert_output(const char *popup_name, bool suspend_and_clear) {
  vesk_ansi_display *popup = find_popup_display(popup_name);
  if (popup) {
    output_display = popup;
    if (suspend_and_clear) {
      popup->interpreter.suspend_updates();
      popup->interpreter.clear();
    }
    return;
  }
  output_display = main_display;
  main_display->reset_attributes();
  show_local_text("\n");
  show_local_text("Sorry, no popup window by that name has been defined.\n");
  show_local_text("\n");
  main_display->refresh_all();
}

void vesk_mw::end_divert() {
  vesk_ansi_display *d = output_display;
  d->refresh_all();
  // Without a diversion there is nothing to rebuild, and the main display keeps its place.
  if (d != main_display) {
    int thumb = d->scrollbar ? d->scrollbar->GetThumbPosition() : 0;
    d->interpreter.resume_updates();
    d->text.scroll_to_line(thumb);
  }
  output_display = main_display;
}

void vesk_mw::end_append() {
  vesk_ansi_display *d = output_display;
  d->refresh_all();
  if (d != main_display)
    d->text.scroll_to_end();
  output_display = main_display;
}

void vesk_mw::end_all_diversions() {
  if (output_display != main_display && output_display->interpreter.updates_suspended)
    output_display->interpreter.resume_updates();
  output_display = main_display;
  if (channel_divert)
    channel_divert_end();
  channel_divert = 0;
}

// ---- the panels these tags feed ----

vesk_ansi_display *vesk_mw::find_popup_display(const char *) { return nullptr; }

void vesk_mw::channel_clear_all() {}

void vesk_mw::channel_divert_start(const char *) {}

void vesk_mw::channel_divert_end() {}

void vesk_mw::channel_display_text(const char *, int) {}

void vesk_mw::status_bar_ping_sample(int milliseconds) { last_ping_ms = milliseconds; }

void vesk_mw::output_colorflash(const char *) {}
