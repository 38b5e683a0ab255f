// The one place where engine pixels become toolkit pixels.
#include "drawing/wx_blit.h"

#include <wx/rawbmp.h>

void vesk_screen_blitter::blit(wxDC &dc, const vesk_bitmap &source, int x, int y) {
  if (!source.is_ok())
    return;
  int w = source.width(), h = source.height();
  if (!screen.IsOk() || screen.GetWidth() != w || screen.GetHeight() != h)
    screen.Create(w, h, 24);
  {
    wxNativePixelData pixels(screen);
    if (!pixels)
      return;
    wxNativePixelData::Iterator row(pixels);
    const uint8_t *src = source.data();
    for (int j = 0; j < h; j++) {
      wxNativePixelData::Iterator p = row;
      const uint8_t *s = src + (size_t)j * source.stride();
      for (int i = 0; i < w; i++, ++p, s += 4) {
        p.Red() = s[0];
        p.Green() = s[1];
        p.Blue() = s[2];
      }
      row.OffsetY(pixels, 1);
    }
  }
  dc.DrawBitmap(screen, x, y, false);
}
