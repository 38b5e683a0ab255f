// Renders glyphs with the toolkit: each character is measured and drawn white on black in a
// memory context, and its green channel becomes the coverage the engine blends with.
#include "drawing/wx_font.h"

#include <wx/dcmemory.h>
#include <wx/image.h>

vesk_font *vesk_main_text_font = nullptr;
vesk_font *vesk_small_fixed_font = nullptr;
vesk_font *vesk_medium_fixed_font = nullptr;

void vesk_font::create(int size, wxFontFamily family, wxFontStyle style, wxFontWeight weight, bool underline,
                       const wxString &face_name) {
  font = wxFont(size, family, style, weight, underline, face_name);
  point_size = size;
  build_glyphs();
}

bool vesk_font::create_from_native(const wxString &description) {
  wxFont f;
  if (!f.SetNativeFontInfo(description) || !f.IsOk())
    return false;
  font = f;
  point_size = font.GetPointSize();
  build_glyphs();
  return true;
}

void vesk_font::set_point_size(int size) {
  font.SetPointSize(size);
  point_size = size;
  build_glyphs();
}

void vesk_font::build_glyphs() {
  if (!font.IsOk())
    return;
  // Measuring needs a bitmap selected into the context.
  wxBitmap scratch(1, 1, 24);
  wxMemoryDC dc(scratch);
  dc.SetFont(font);
  for (int code = first_code; code <= last_code; code++) {
    wxString ch((wxChar)code);
    wxCoord w = 0, h = 0;
    dc.GetTextExtent(ch, &w, &h);
    if (w < 1 || h < 1) {
      clear_glyph(code);
      continue;
    }
    wxBitmap picture(w, h, 24);
    dc.SelectObject(picture);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetTextForeground(*wxWHITE);
    dc.SetTextBackground(*wxBLACK);
    dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc.DrawText(ch, 0, 0);
    dc.SelectObject(scratch);
    wxImage image = picture.ConvertToImage();
    vesk_bitmap glyph(w, h);
    const unsigned char *rgb = image.GetData();
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        const unsigned char *p = rgb + (y * w + x) * 3;
        glyph.SetPixel(x, y, p[0], p[1], p[2]);
      }
    set_glyph(code, glyph);
  }
  dc.SelectObject(wxNullBitmap);
}

void vesk_create_program_fonts() {
  vesk_main_text_font = new vesk_font;
  vesk_main_text_font->create(8, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString);
  vesk_small_fixed_font = new vesk_font;
  vesk_small_fixed_font->create(6, wxFONTFAMILY_TELETYPE, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString);
  vesk_medium_fixed_font = new vesk_font;
  vesk_medium_fixed_font->create(8, wxFONTFAMILY_TELETYPE, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                                 wxEmptyString);
}
