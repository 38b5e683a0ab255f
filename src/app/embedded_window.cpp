// Panel base: paint into the back buffer, then one blit; sizes change only through set_geometry.
#include "app/embedded_window.h"

#include <wx/dcclient.h>

vesk_embedded_window::vesk_embedded_window(wxWindow *parent, wxWindowID id, const wxPoint &position,
                                           const wxSize &size, long style, const wxString &name)
    : wxWindow(parent, id, position, size, style | wxFULL_REPAINT_ON_RESIZE, name) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  buffer.create(size.GetWidth() < 1 ? 1 : size.GetWidth(), size.GetHeight() < 1 ? 1 : size.GetHeight());
  Bind(wxEVT_PAINT, &vesk_embedded_window::on_paint, this);
  Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent &) {});
  Bind(wxEVT_SIZE, [](wxSizeEvent &) {});
  Bind(wxEVT_SET_FOCUS, &vesk_embedded_window::on_focus, this);
}

vesk_embedded_window::~vesk_embedded_window() { remove_animation(this); }

bool vesk_embedded_window::resize_buffer(int width, int height) {
  if (width == buffer.width() && height == buffer.height())
    return false;
  buffer.create(width, height);
  return true;
}

void vesk_embedded_window::set_geometry(int x, int y, int width, int height) {
  if (width < 1)
    width = 1;
  if (height < 1)
    height = 1;
  bool resized = resize_buffer(width, height);
  wxPoint now = GetPosition();
  SetSize(x == -1 ? now.x : x, y == -1 ? now.y : y, width, height, wxSIZE_ALLOW_MINUS_ONE);
  layout(resized ? 1 : 0);
}

void vesk_embedded_window::set_size(int width, int height) {
  if (width < 1)
    width = 1;
  if (height < 1)
    height = 1;
  bool resized = resize_buffer(width, height);
  SetSize(width, height);
  layout(resized ? 1 : 0);
}

void vesk_embedded_window::start_flash() {
  bool redraw = flash_state.start();
  add_animation(this);
  if (redraw)
    refresh();
}

int vesk_embedded_window::animate_flash(int ms) {
  bool redraw = false;
  int more = flash_state.step(ms, &redraw);
  if (redraw)
    refresh();
  return more;
}

void vesk_embedded_window::on_paint(wxPaintEvent &) {
  wxPaintDC dc(this);
  if (!IsShown())
    return;
  paint(buffer);
  blitter.blit(dc, buffer);
}

void vesk_embedded_window::on_focus(wxFocusEvent &event) {
  transfer_focus_main(this);
  event.Skip();
}
