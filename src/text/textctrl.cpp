// Scrollback window: size to the buffer, wheel and clicks to the display, repaint from the lines.
#include "text/textctrl.h"

#include "text/ansi_display.h"
#include "text/text_buffer.h"

vesk_textctrl::vesk_textctrl(vesk_ansi_display *owner, vesk_text_buffer &text)
    : vesk_embedded_window(owner, wxID_ANY, wxPoint(0, 0), wxSize(1, 1), wxBORDER_NONE), owner(owner), text(text) {
  Bind(wxEVT_MOUSEWHEEL, &vesk_textctrl::on_wheel, this);
  Bind(wxEVT_RIGHT_DOWN, &vesk_textctrl::on_click, this);
  Bind(wxEVT_MIDDLE_DOWN, &vesk_textctrl::on_click, this);
}

void vesk_textctrl::layout(int) {
  text.on_size(buffer.width(), buffer.height());
  refresh();
}

void vesk_textctrl::paint(vesk_bitmap &bitmap) { text.repaint_internal(bitmap); }

void vesk_textctrl::on_wheel(wxMouseEvent &event) {
  // One notch is one call, whatever the device's delta.
  wheel_rest += event.GetWheelRotation();
  int delta = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
  while (wheel_rest >= delta) {
    wheel_rest -= delta;
    text.mouse_wheel(1);
  }
  while (wheel_rest <= -delta) {
    wheel_rest += delta;
    text.mouse_wheel(-1);
  }
}

void vesk_textctrl::on_click(wxMouseEvent &event) {
  text.follow_if_not();
  transfer_focus_main(this);
  event.Skip();
}
