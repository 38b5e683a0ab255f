// vesk_ansi_display: the window that shows a stream of game text. It holds the engine pair
// (text buffer and ANSI interpreter), the scrollback window, the scroll bar and the frame, and
// passes toolkit events to the engine.
#pragma once

#include "app/embedded_window.h"
#include "text/ansi_interpreter.h"
#include "text/text_buffer.h"

#include <wx/scrolbar.h>

class vesk_textctrl;

class vesk_ansi_display : public vesk_embedded_window, public vesk_text_view_observer {
public:
  vesk_ansi_display(wxWindow *parent, wxWindowID id, const wxString &name = wxPanelNameStr);
  ~vesk_ansi_display() override;

  // Server text and local text.
  void process_text_data(const char *bytes, int length) { interpreter.process_text_data(bytes, length); }
  void output_text(const char *text) { interpreter.output_text(text); }
  void set_color(int first, int second) { interpreter.set_color(first, second); }
  void reset_attributes() { interpreter.reset_attributes(); }
  void set_font(const vesk_glyph_font *font, bool compact_mode = false);
  void show_scrollbar(bool on);
  void start_flash() { vesk_embedded_window::start_flash(); }
  // Repaints the display and its scrollback.
  void refresh_all();

  void layout(int resized) override;
  void paint(vesk_bitmap &bitmap) override;
  int animate(int ms) override;

  // vesk_text_view_observer
  void refresh_text() override;
  void refresh_display() override { refresh(); }
  void set_scrollbar(int position, int thumb_size, int range, int page_size) override;
  void following_changed() override;

  vesk_text_buffer text;
  vesk_ansi_interpreter interpreter;
  vesk_textctrl *textctrl = nullptr;
  wxScrollBar *scrollbar = nullptr;

private:
  void on_scroll(wxScrollEvent &event);
  int scrollbar_width() const;
};
