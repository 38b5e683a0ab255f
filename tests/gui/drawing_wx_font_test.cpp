// Glyphs rendered with the toolkit, and the blit of an engine bitmap to a toolkit bitmap.
#include "drawing/wx_blit.h"
#include "drawing/wx_font.h"

#include <gtest/gtest.h>

#include <wx/dcmemory.h>
#include <wx/image.h>

TEST(ToolkitFont, RendersEveryPrintableGlyph) {
  vesk_font font;
  font.create(8, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString);
  int w0 = 0, h0 = 0;
  font.get_glyph_size('M', &w0, &h0);
  ASSERT_GT(w0, 0);
  ASSERT_GT(h0, 0);
  for (int code = 32; code <= 126; code++) {
    int w = 0, h = 0;
    font.get_glyph_size(code, &w, &h);
    EXPECT_EQ(w, w0) << "fixed pitch: " << (char)code;
    EXPECT_EQ(h, h0) << (char)code;
    EXPECT_EQ(font.glyph_width((unsigned char)code), w);
  }
  // Ink: a letter has full-coverage pixels, the blank none.
  const vesk_bitmap *m = font.get_glyph('M');
  int ink = 0;
  for (int y = 0; y < m->height(); y++)
    for (int x = 0; x < m->width(); x++)
      ink += m->get_pixel(x, y).green > 128;
  EXPECT_GT(ink, 5);
  const vesk_bitmap *space = font.get_glyph(' ');
  ASSERT_NE(space, nullptr);
  for (int y = 0; y < space->height(); y++)
    for (int x = 0; x < space->width(); x++)
      ASSERT_EQ(space->get_pixel(x, y).green, 0);
  EXPECT_EQ(font.get_glyph(10), nullptr);
}

TEST(ToolkitFont, SizeChangeRebuildsGlyphs) {
  vesk_font font;
  font.create(8, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString);
  int small = font.glyph_height('f');
  font.set_point_size(16);
  EXPECT_EQ(font.get_point_size(), 16);
  EXPECT_GT(font.glyph_height('f'), small + 4);
}

TEST(ScreenBlit, CopiesColoursIntoTheKeptBitmap) {
  vesk_bitmap picture(40, 30);
  picture.Clear(vesk_color(10, 20, 30));
  picture.DrawFilledRectangle(5, 5, 9, 9, vesk_color(200, 100, 50));
  vesk_screen_blitter blitter;
  wxBitmap target(40, 30, 24);
  wxMemoryDC dc(target);
  blitter.blit(dc, picture);
  cairo_surface_t *kept = blitter.surface();
  ASSERT_NE(kept, nullptr);
  picture.SetPixel(0, 0, vesk_color(10, 20, 30));
  blitter.blit(dc, picture);
  EXPECT_EQ(kept, blitter.surface()) << "same size: the surface is kept, nothing allocated per paint";
  dc.SelectObject(wxNullBitmap);
  wxImage image = target.ConvertToImage();
  EXPECT_EQ(image.GetRed(0, 0), 10);
  EXPECT_EQ(image.GetGreen(0, 0), 20);
  EXPECT_EQ(image.GetBlue(0, 0), 30);
  EXPECT_EQ(image.GetRed(7, 7), 200);
  EXPECT_EQ(image.GetGreen(7, 7), 100);
  EXPECT_EQ(image.GetBlue(9, 9), 50);
  EXPECT_EQ(image.GetRed(10, 10), 10);
}
