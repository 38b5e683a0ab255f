// The input line's window side: its framed container, the toolkit's key, wheel and paste events
// turned into the decisions of the key table, and the primary selection.
#include "input/line_edit.h"

#include "input/input_frame.h"
#include "support/fixed_text.h"
#include "support/log.h"
#include "text/ascii_transliteration.h"
#include "text/text_buffer.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/log.h>

namespace {

const wxColour line_black(0, 0, 0);
const wxColour line_white(255, 255, 255);
const int default_input_height = 48;

wxString container_name(const wxString &name) {
  const wxString suffix = " input window";
  return name.EndsWith(suffix) ? name : name + suffix;
}

// The selection clipboard (the X11 primary selection that a middle click pastes). The toolkit's
// own logging is off meanwhile, so a busy clipboard raises no dialog.
bool set_clipboard_data(const std::wstring &text) {
  wxLogNull quiet;
  if (!wxTheClipboard->Open()) {
    if (vesk_debug_level > 1)
      format_message("Error in set_clipboard_data(), unable to open clipboard.\n");
    return false;
  }
  wxTheClipboard->UsePrimarySelection(true);
  wxTheClipboard->SetData(new wxTextDataObject(wxString(to_ascii_wide(text))));
  wxTheClipboard->UsePrimarySelection(false);
  wxTheClipboard->Close();
  return true;
}

bool get_clipboard_data(std::wstring *text) {
  wxLogNull quiet;
  if (!wxTheClipboard->Open()) {
    if (vesk_debug_level > 1)
      format_message("Error in get_clipboard_data(), unable to open clipboard.\n");
    return false;
  }
  wxTheClipboard->UsePrimarySelection(true);
  bool ok = wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT);
  wxTextDataObject data;
  if (ok)
    ok = wxTheClipboard->GetData(data);
  wxTheClipboard->UsePrimarySelection(false);
  wxTheClipboard->Close();
  if (!ok)
    return false;
  *text = to_ascii_wide(data.GetText().ToStdWstring());
  return true;
}

// The toolkit's key codes in the key table's terms.
int engine_key(int code) {
  switch (code) {
  case WXK_BACK: return vesk_key_backspace;
  case WXK_TAB: return vesk_key_tab;
  case WXK_RETURN: return vesk_key_return;
  case WXK_ESCAPE: return vesk_key_escape;
  case WXK_DELETE: return vesk_key_delete;
  case WXK_UP: return vesk_key_up;
  case WXK_DOWN: return vesk_key_down;
  case WXK_LEFT: return vesk_key_left;
  case WXK_RIGHT: return vesk_key_right;
  case WXK_HOME: return vesk_key_home;
  case WXK_END: return vesk_key_end;
  case WXK_PAGEUP: return vesk_key_page_up;
  case WXK_PAGEDOWN: return vesk_key_page_down;
  case WXK_NUMPAD0: return vesk_key_kp_0;
  case WXK_NUMPAD1: return vesk_key_kp_1;
  case WXK_NUMPAD2: return vesk_key_kp_2;
  case WXK_NUMPAD3: return vesk_key_kp_3;
  case WXK_NUMPAD4: return vesk_key_kp_4;
  case WXK_NUMPAD5: return vesk_key_kp_5;
  case WXK_NUMPAD6: return vesk_key_kp_6;
  case WXK_NUMPAD7: return vesk_key_kp_7;
  case WXK_NUMPAD8: return vesk_key_kp_8;
  case WXK_NUMPAD9: return vesk_key_kp_9;
  case WXK_NUMPAD_HOME: return vesk_key_kp_home;
  case WXK_NUMPAD_UP: return vesk_key_kp_up;
  case WXK_NUMPAD_PAGEUP: return vesk_key_kp_page_up;
  case WXK_NUMPAD_LEFT: return vesk_key_kp_left;
  case WXK_NUMPAD_BEGIN: return vesk_key_kp_begin;
  case WXK_NUMPAD_RIGHT: return vesk_key_kp_right;
  case WXK_NUMPAD_END: return vesk_key_kp_end;
  case WXK_NUMPAD_DOWN: return vesk_key_kp_down;
  case WXK_NUMPAD_PAGEDOWN: return vesk_key_kp_page_down;
  case WXK_NUMPAD_ADD: return vesk_key_kp_add;
  case WXK_NUMPAD_SUBTRACT: return vesk_key_kp_subtract;
  case WXK_NUMPAD_ENTER: return vesk_key_kp_enter;
  case WXK_CLEAR: return vesk_key_clear;
  case WXK_SHIFT:
  case WXK_CONTROL:
  case WXK_ALT:
  case WXK_WINDOWS_LEFT:
  case WXK_WINDOWS_RIGHT:
  case WXK_CAPITAL:
  case WXK_NUMLOCK:
  case WXK_SCROLL:
    return vesk_key_modifier;
  default:
    break;
  }
  if (code >= WXK_F1 && code <= WXK_F12)
    return vesk_key_f1 + (code - WXK_F1);
  if (code >= 'a' && code <= 'z')
    return code - 'a' + 'A';
  if (code >= 32 && code <= 126)
    return code;
  return vesk_key_other;
}

} // namespace

// ---- the container ----

vesk_input_container::vesk_input_container(wxWindow *parent, wxWindowID id, const wxString &name)
    : vesk_embedded_window(parent, id, wxDefaultPosition, wxSize(100, default_input_height), 0, name) {}

vesk_input_container::~vesk_input_container() {
  // The control is destroyed with the children after this; it must not reach back.
  if (edit)
    edit->box = nullptr;
}

void vesk_input_container::layout(int) {
  if (!edit)
    return;
  int x, y, w, h;
  vesk_input_control_rect(buffer.width(), buffer.height(), &x, &y, &w, &h);
  edit->place(x, y, w, h);
}

void vesk_input_container::paint(vesk_bitmap &bitmap) { vesk_paint_input_frame(bitmap, flash_state.count); }

// ---- the line edit ----

vesk_line_edit::vesk_line_edit(wxWindow *parent, vesk_line_edit_host *host, wxWindowID id, const wxString &name)
    : host(host) {
  static vesk_line_edit_host no_host;
  if (!this->host)
    this->host = &no_host;
  box = new vesk_input_container(parent, wxID_ANY, container_name(name));
  int x, y, w, h;
  vesk_input_control_rect(box->back_buffer().width(), box->back_buffer().height(), &x, &y, &w, &h);
  Create(box, id, wxEmptyString, wxPoint(x, y), wxSize(w, h),
         wxBORDER_NONE | wxTE_NOHIDESEL | wxTE_PROCESS_ENTER | wxTE_RICH | wxTE_MULTILINE, wxDefaultValidator, name);
  box->edit = this;
  restyle();
  Bind(wxEVT_KEY_DOWN, &vesk_line_edit::on_key_down, this);
  Bind(wxEVT_KEY_UP, &vesk_line_edit::on_key_up, this);
  Bind(wxEVT_MOUSEWHEEL, &vesk_line_edit::on_wheel, this);
  Bind(wxEVT_TEXT_PASTE, &vesk_line_edit::pasteEvent, this);
  forward_geometry = true;
}

vesk_line_edit::~vesk_line_edit() {
  if (box)
    box->edit = nullptr;
}

void vesk_line_edit::set_geometry(int x, int y, int width, int height) {
  if (box)
    box->set_geometry(x, y, width, height);
}

void vesk_line_edit::DoSetSize(int x, int y, int width, int height, int flags) {
  if (!forward_geometry || !box) {
    wxTextCtrl::DoSetSize(x, y, width, height, flags);
    return;
  }
  // Coordinates the caller leaves at the default keep the block's current ones.
  bool minus_one_is_value = (flags & wxSIZE_ALLOW_MINUS_ONE) != 0;
  wxRect now = box->GetRect();
  if (x == wxDefaultCoord && !minus_one_is_value)
    x = now.x;
  if (y == wxDefaultCoord && !minus_one_is_value)
    y = now.y;
  if (width == wxDefaultCoord)
    width = now.width;
  if (height == wxDefaultCoord)
    height = now.height;
  box->set_geometry(x, y, width, height);
}

wxSize vesk_line_edit::DoGetBestSize() const {
  return wxSize(wxTextCtrl::DoGetBestSize().GetWidth(), default_input_height);
}

void vesk_line_edit::place(int x, int y, int width, int height) {
  wxTextCtrl::DoSetSize(x, y, width, height, wxSIZE_ALLOW_MINUS_ONE);
}

void vesk_line_edit::restyle() {
  // In secret mode the line stays hidden whoever restyles it (Enter, browsing, a font change).
  const wxColour &foreground = history.secret_mode ? line_black : line_white;
  SetBackgroundColour(line_black);
  SetForegroundColour(foreground);
  SetDefaultStyle(wxTextAttr(foreground, line_black, GetFont()));
}

void vesk_line_edit::set_font(const wxFont &font) {
  restyle();
  SetFont(font);
  restyle();
}

void vesk_line_edit::enter_secret_mode() {
  history.secret_mode = true;
  restyle();
}

void vesk_line_edit::leave_secret_mode() {
  history.secret_mode = false;
  restyle();
}

void vesk_line_edit::start_flash() {
  if (box)
    box->start_flash();
}

void vesk_line_edit::show_line(const std::wstring &text) {
  Clear();
  restyle();
  WriteText(wxString(text));
  restyle();
}

void vesk_line_edit::history_up() {
  std::wstring text = GetValue().ToStdWstring();
  long cursor = GetInsertionPoint();
  if (cursor != GetLastPosition()) {
    SetInsertionPoint(vesk_line_up_target(text, cursor));
    return;
  }
  std::wstring shown;
  if (history.history_up(text, &shown))
    show_line(shown);
}

void vesk_line_edit::history_down() {
  std::wstring text = GetValue().ToStdWstring();
  long cursor = GetInsertionPoint();
  if (cursor != GetLastPosition()) {
    SetInsertionPoint(vesk_line_down_target(text, cursor));
    return;
  }
  std::wstring shown;
  int result = history.history_down(text, &shown);
  if (result == vesk_command_history::browse_clear)
    Clear();
  else if (result == vesk_command_history::browse_show)
    show_line(shown);
}

void vesk_line_edit::list_history() {
  host->reset_output_state();
  history.list_history([this](const char *text) { host->show_local_text(text); });
}

bool vesk_line_edit::whole_text_selected() const {
  long from = 0, to = 0;
  GetSelection(&from, &to);
  long last = GetLastPosition();
  return last > 0 && from == 0 && to == last;
}

void vesk_line_edit::enter() {
  if (vesk_text_buffer *main = host->main_display_text())
    main->follow_if_not();
  std::wstring typed = GetValue().ToStdWstring();
  vesk_fixed_text line;
  to_ascii(typed, line);
  if (line.length > max_line_bytes) {
    line.length = max_line_bytes;
    line.data[max_line_bytes] = 0;
  }
  bool secret = history.secret_mode;
  if (line.length > 0)
    history.history_store(typed);
  // A password must never stay on the line to be shown later or sent twice.
  if (!secret && host->host_connection_state() == playing && host->get_setting("cmd_pushthrough"))
    SelectAll();
  else
    Clear();
  host->send_command(line.c_str(), secret ? 0 : 1);
  restyle();
}

void vesk_line_edit::escape() {
  vesk_text_buffer *main = host->main_display_text();
  if (main && !main->is_following()) {
    main->follow_if_not();
    return;
  }
  vesk_text_buffer *channel = host->channel_display_text();
  if (channel && !channel->is_following()) {
    channel->follow_if_not();
    return;
  }
  Clear();
  if (main)
    main->clear_selection();
  if (channel)
    channel->clear_selection();
}

void vesk_line_edit::copy_or_break() {
  long from = 0, to = 0;
  GetSelection(&from, &to);
  if (from != to) {
    set_clipboard_data(GetRange(from, to).ToStdWstring());
    long cursor = GetInsertionPoint();
    SetSelection(cursor, cursor);
    return;
  }
  Clear();
  vesk_text_buffer *main = host->main_display_text();
  if (main && main->get_selection().active) {
    main->clear_selection();
    return;
  }
  host->send_line("\x03");
  if (main)
    main->follow_if_not();
}

void vesk_line_edit::on_key_down(wxKeyEvent &event) {
  vesk_key_press press;
  press.key = engine_key(event.GetKeyCode());
  press.ctrl = event.ControlDown();
  press.shift = event.ShiftDown();
  press.alt = event.AltDown();
  press.meta = event.MetaDown();
  vesk_key_context context;
  context.keypad_walking = host->get_setting("keypad_walking") != 0;
  context.push_through = host->get_setting("cmd_pushthrough") != 0;
  context.playing = host->host_connection_state() == playing;
  context.whole_text_selected = whole_text_selected();
  perform(keys.press(press, context), event);
}

void vesk_line_edit::perform(const vesk_line_action &action, wxKeyEvent &event) {
  vesk_text_buffer *main = host->main_display_text();
  switch (action.kind) {
  case vesk_act_type:
    if (main && !main->is_following() && !host->get_setting("locking_scrollback_enable"))
      main->follow_if_not();
    event.Skip();
    break;
  case vesk_act_modifier:
    event.Skip();
    break;
  case vesk_act_ignore:
    break;
  case vesk_act_walk:
    if (main)
      main->follow_if_not();
    host->send_command(action.text, 1);
    break;
  case vesk_act_function_key:
    host->send_command(action.text, 0);
    if (main)
      main->follow_if_not();
    break;
  case vesk_act_cursor_to_start:
    SetInsertionPoint(0);
    break;
  case vesk_act_repeat_previous:
    // The first step would only show the command that is still on the line.
    SetInsertionPointEnd();
    history_up();
    history_up();
    break;
  case vesk_act_enter:
    enter();
    break;
  case vesk_act_escape:
    escape();
    break;
  case vesk_act_history_up:
    history_up();
    break;
  case vesk_act_history_down:
    history_down();
    break;
  case vesk_act_page_up:
    if (main) {
      main->lock_if_following();
      main->page_up();
    }
    break;
  case vesk_act_page_down:
    if (main) {
      if (action.value)
        main->lock_if_following();
      main->page_down();
    }
    break;
  case vesk_act_font_size: {
    int size = host->main_font_size();
    if (size > 0) {
      int next = vesk_step_font_size(size, action.value);
      if (next != size)
        host->set_main_font_size(next);
    }
    if (main)
      main->follow_if_not();
    host->relayout();
    break;
  }
  case vesk_act_channel_height:
    host->set_setting("channel_window_height",
                      vesk_step_channel_height(host->get_setting("channel_window_height"), action.value));
    host->relayout();
    break;
  case vesk_act_input_height:
    host->set_setting("input_height", vesk_step_input_height(host->get_setting("input_height"), action.value));
    host->relayout();
    break;
  case vesk_act_toggle_popup:
    host->toggle_popup_button(action.value);
    break;
  case vesk_act_toggle_setting:
    host->set_setting(action.text, vesk_toggled_setting(action.text, host->get_setting(action.text)));
    break;
  case vesk_act_copy_or_break:
    copy_or_break();
    break;
  case vesk_act_send_control: {
    Clear();
    const char line[2] = {(char)action.value, 0};
    host->send_line(line);
    if (main)
      main->follow_if_not();
    break;
  }
  case vesk_act_clear_line:
    Clear();
    break;
  case vesk_act_follow: {
    vesk_text_buffer *channel = host->channel_display_text();
    if (main && !main->is_following())
      main->follow_if_not();
    else if (channel)
      channel->follow_if_not();
    break;
  }
  case vesk_act_freeze:
    if (main)
      main->lock_if_following();
    break;
  case vesk_act_paste:
    manual_clipboard_paste();
    break;
  case vesk_act_automap_size:
    if (action.value > 0)
      host->automap_bigger();
    else
      host->automap_smaller();
    break;
  default:
    event.Skip();
    break;
  }
}

void vesk_line_edit::on_key_up(wxKeyEvent &event) {
  keys.release();
  event.Skip();
}

void vesk_line_edit::on_wheel(wxMouseEvent &event) {
  if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL)
    return;
  int step = vesk_wheel_step(&wheel_total, event.GetWheelRotation(), event.GetWheelDelta());
  vesk_text_buffer *main = host->main_display_text();
  if (!step || !main)
    return;
  main->lock_if_following();
  if (step > 0)
    main->scroll_up(3);
  else
    main->scroll_down(3);
}

void vesk_line_edit::manual_clipboard_paste() {
  if (vesk_debug_level > 1)
    format_message("vesk_line_edit::manual_clipboard_paste()\n");
  std::wstring text;
  if (!get_clipboard_data(&text))
    return;
  long from = 0, to = 0;
  GetSelection(&from, &to);
  if (from == to)
    WriteText(wxString(text));
  else
    Replace(from, to, wxString(text));
}

void vesk_line_edit::pasteEvent(wxClipboardTextEvent &) {
  if (vesk_debug_level > 1)
    format_message("vesk_line_edit::pasteEvent()\n");
  manual_clipboard_paste();
}
