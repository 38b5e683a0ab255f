// Copies an engine bitmap to the screen with one conversion into a kept cairo image surface and
// one paint; nothing is allocated per paint while the size stays the same.
#pragma once

#include "drawing/bitmap.h"

#include <wx/dc.h>

typedef struct _cairo_surface cairo_surface_t;

class vesk_screen_blitter {
public:
  vesk_screen_blitter() = default;
  ~vesk_screen_blitter();
  vesk_screen_blitter(const vesk_screen_blitter &) = delete;
  vesk_screen_blitter &operator=(const vesk_screen_blitter &) = delete;

  // Draws source at (x, y) into dc. The surface is re-created only when the size changes.
  void blit(wxDC &dc, const vesk_bitmap &source, int x = 0, int y = 0);
  // The kept surface (for checks): null before the first blit.
  cairo_surface_t *surface() const { return screen; }

private:
  cairo_surface_t *screen = nullptr;
};
