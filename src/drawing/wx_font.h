// The program's font on the toolkit side: a toolkit font whose glyphs for 32..126 are rendered
// once, white on black, into the engine's glyph table; all text is then drawn from that table.
#pragma once

#include "drawing/glyph_font.h"

#include <wx/font.h>

class vesk_font : public vesk_glyph_font {
public:
  vesk_font() = default;
  // The toolkit font, then build_glyphs().
  void create(int point_size, wxFontFamily family, wxFontStyle style, wxFontWeight weight, bool underline,
              const wxString &face_name);
  // From a native font description (the settings store fonts that way).
  bool create_from_native(const wxString &description);
  void build_glyphs() override;
  void set_point_size(int size) override;

  const wxFont &toolkit_font() const { return font; }

private:
  wxFont font;
};

// The three fonts every window uses, created at start-up.
extern vesk_font *vesk_main_text_font;
extern vesk_font *vesk_small_fixed_font;
extern vesk_font *vesk_medium_fixed_font;
void vesk_create_program_fonts();
