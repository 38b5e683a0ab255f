// vesk_textctrl: the scrollback window. It owns no text itself: the display's text buffer holds
// the lines, this window forwards its size and mouse to it and blits what it draws.
#pragma once

#include "app/embedded_window.h"

class vesk_ansi_display;
class vesk_text_buffer;

class vesk_textctrl : public vesk_embedded_window {
public:
  vesk_textctrl(vesk_ansi_display *owner, vesk_text_buffer &text);

  void layout(int resized) override;
  void paint(vesk_bitmap &bitmap) override;
  int animate(int ms) override { return animate_flash(ms); }

private:
  void on_wheel(wxMouseEvent &event);
  void on_click(wxMouseEvent &event);

  vesk_ansi_display *owner;
  vesk_text_buffer &text;
  int wheel_rest = 0;
};
