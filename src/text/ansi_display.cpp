// The display window: lays out scroll bar and scrollback, draws the frame, routes scroll events.
#include "text/ansi_display.h"

#include "text/textctrl.h"

vesk_ansi_display::vesk_ansi_display(wxWindow *parent, wxWindowID id, const wxString &name)
    : vesk_embedded_window(parent, id, wxDefaultPosition, wxSize(100, 100), wxBORDER_NONE, name),
      interpreter(text) {
  text.observer = this;
  textctrl = new vesk_textctrl(this, text);
  scrollbar = new wxScrollBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_VERTICAL, wxDefaultValidator,
                              "scrollBar");
  scrollbar->Bind(wxEVT_SCROLL_TOP, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_BOTTOM, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_LINEUP, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_LINEDOWN, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_PAGEUP, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_PAGEDOWN, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_THUMBTRACK, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_THUMBRELEASE, &vesk_ansi_display::on_scroll, this);
  scrollbar->Bind(wxEVT_SCROLL_CHANGED, &vesk_ansi_display::on_scroll, this);
  interpreter.reset_attributes();
}

vesk_ansi_display::~vesk_ansi_display() { text.observer = nullptr; }

int vesk_ansi_display::scrollbar_width() const {
  int w = scrollbar ? scrollbar->GetBestSize().GetWidth() : 0;
  return w < 1 ? 1 : w;
}

void vesk_ansi_display::set_font(const vesk_glyph_font *font, bool compact_mode) {
  interpreter.set_font(font, compact_mode);
  text.update_scrollbar();
  refresh_all();
}

void vesk_ansi_display::show_scrollbar(bool on) {
  if (interpreter.show_scrollbar(on))
    layout(0);
}

void vesk_ansi_display::refresh_all() {
  refresh();
  if (textctrl)
    textctrl->refresh();
}

void vesk_ansi_display::layout(int) {
  int w = buffer.width(), h = buffer.height();
  vesk_display_layout geometry = interpreter.layout(w, h, scrollbar_width());
  scrollbar->SetSize(geometry.scrollbar_x, geometry.scrollbar_y, geometry.scrollbar_width, geometry.scrollbar_height);
  scrollbar->Show(geometry.scrollbar_shown);
  textctrl->set_geometry(geometry.text_x, geometry.text_y, geometry.text_width, geometry.text_height);
  text.update_scrollbar();
  refresh_all();
}

void vesk_ansi_display::paint(vesk_bitmap &bitmap) {
  bitmap.Clear(vesk_black);
  interpreter.paint_frame(bitmap, bitmap.width(), bitmap.height(), scrollbar_width(), flash_state.count);
}

int vesk_ansi_display::animate(int ms) {
  bool redraw = false;
  int more = flash_state.step(ms, &redraw);
  if (redraw) {
    refresh();
    text.update_scrollbar();
  }
  return more;
}

void vesk_ansi_display::refresh_text() {
  if (textctrl)
    textctrl->refresh();
}

void vesk_ansi_display::set_scrollbar(int position, int thumb_size, int range, int page_size) {
  scrollbar->SetScrollbar(position, thumb_size, range, page_size, true);
}

void vesk_ansi_display::following_changed() {
  // The status bar's lock image follows this; the status bar arrives with its own work.
  refresh();
}

void vesk_ansi_display::on_scroll(wxScrollEvent &event) {
  text.scrollbar_moved(event.GetPosition());
  if (!transfer_focus_main(this))
    SetFocus();
}
