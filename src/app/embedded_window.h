// The two bases of every panel: a child window that paints through an off-screen bitmap and can
// flash its frame, and a group of child windows placed as one block.
#pragma once

#include "app/animation.h"
#include "drawing/bitmap.h"
#include "drawing/wx_blit.h"

#include <wx/window.h>

class vesk_embedded_window : public wxWindow, public vesk_animated {
public:
  vesk_embedded_window(wxWindow *parent, wxWindowID id, const wxPoint &position, const wxSize &size,
                       long style = 0, const wxString &name = wxPanelNameStr);
  ~vesk_embedded_window() override;

  // Places the panel's contents; resized is 1 when the back buffer was re-created.
  virtual void layout(int resized) = 0;
  // Draws the whole panel into the back buffer.
  virtual void paint(vesk_bitmap &bitmap) = 0;
  // -1 keeps a coordinate; sizes below 1 become 1.
  virtual void set_geometry(int x, int y, int width, int height);
  virtual void set_size(int width, int height);
  virtual void relayout() { layout(1); }

  void start_flash();
  // The frame flash's step; panels that flash use it as their animate().
  int animate_flash(int ms);
  const vesk_frame_flash &flash() const { return flash_state; }
  // Repaints all of the window without erasing.
  void refresh() { Refresh(false); }

  vesk_bitmap &back_buffer() { return buffer; }

protected:
  void on_paint(wxPaintEvent &event);
  void on_focus(wxFocusEvent &event);

  vesk_bitmap buffer;
  vesk_frame_flash flash_state;
  vesk_screen_blitter blitter;

private:
  bool resize_buffer(int width, int height);
};

// Not a window itself: owns child windows inside the rectangle the layout gives it.
class vesk_window_group {
public:
  virtual ~vesk_window_group() = default;
  virtual void set_visible(int flag) = 0;
  virtual void set_geometry(int x, int y, int width, int height) = 0;
  virtual void theme_changed() = 0;

  void place(int new_x, int new_y, int new_width, int new_height) {
    x = new_x;
    y = new_y;
    width = new_width;
    height = new_height;
    set_geometry(x, y, width, height);
  }
  void show(int flag) {
    shown = flag;
    set_visible(flag);
  }

  int x = 0, y = 0, width = 10, height = 10;
  int shown = 1;
  wxWindow *owner = nullptr;
};

// Walks up from window to the main window and hands it the keyboard focus (defined by the main window).
int transfer_focus_main(wxWindow *window);
