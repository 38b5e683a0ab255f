// Copies an engine bitmap to the screen: one conversion into a kept toolkit bitmap, then one blit.
#pragma once

#include "drawing/bitmap.h"

#include <wx/bitmap.h>
#include <wx/dc.h>

class vesk_screen_blitter {
public:
  // Draws source at (x, y). The toolkit bitmap is re-created only when the size changes.
  void blit(wxDC &dc, const vesk_bitmap &source, int x = 0, int y = 0);
  const wxBitmap &last() const { return screen; }

private:
  wxBitmap screen;
};
