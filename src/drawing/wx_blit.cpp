// The one place where engine pixels become screen pixels. The toolkit's bitmap path would
// convert twice per paint (into its pixbuf, then into a cairo surface), so the engine's RGBA is
// converted once, straight into a cairo surface, and painted on the context behind the DC.
#include "drawing/wx_blit.h"

#include <cairo.h>
#include <wx/bitmap.h>
#include <wx/graphics.h>
#include <wx/rawbmp.h>

vesk_screen_blitter::~vesk_screen_blitter() {
  if (screen)
    cairo_surface_destroy(screen);
}

void vesk_screen_blitter::blit(wxDC &dc, const vesk_bitmap &source, int x, int y) {
  if (!source.is_ok())
    return;
  int w = source.width(), h = source.height();
  if (!screen || cairo_image_surface_get_width(screen) != w || cairo_image_surface_get_height(screen) != h) {
    if (screen)
      cairo_surface_destroy(screen);
    screen = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  }
  cairo_surface_flush(screen);
  unsigned char *dest = cairo_image_surface_get_data(screen);
  int dest_stride = cairo_image_surface_get_stride(screen);
  const uint8_t *src = source.data();
  for (int j = 0; j < h; j++) {
    const uint8_t *s = src + (size_t)j * source.stride();
    uint32_t *d = reinterpret_cast<uint32_t *>(dest + (size_t)j * dest_stride);
    for (int i = 0; i < w; i++, s += 4)
      d[i] = (uint32_t)s[0] << 16 | (uint32_t)s[1] << 8 | s[2];
  }
  cairo_surface_mark_dirty(screen);

  wxGraphicsContext *gc = dc.GetGraphicsContext();
  cairo_t *cr = gc ? static_cast<cairo_t *>(gc->GetNativeContext()) : nullptr;
  if (cr) {
    cairo_save(cr);
    cairo_set_source_surface(cr, screen, x, y);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
    return;
  }
  // A context without cairo behind it (a memory DC on some builds): through a toolkit bitmap.
  wxBitmap bitmap(w, h, 24);
  wxNativePixelData pixels(bitmap);
  if (!pixels)
    return;
  wxNativePixelData::Iterator row(pixels);
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
  dc.DrawBitmap(bitmap, x, y, false);
}
