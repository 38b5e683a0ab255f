// vesk_bitmap: an off-screen RGBA pixel buffer with the software drawing primitives every panel
// and the scrollback paint with; the window side copies it to the screen in one blit.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/color.h"

class vesk_glyph_font;

struct vesk_point {
  int x = 0;
  int y = 0;
};

// Side bits of DrawFrame.
enum {
  VESK_FRAME_TOP = 1,
  VESK_FRAME_RIGHT = 2,
  VESK_FRAME_BOTTOM = 4,
  VESK_FRAME_LEFT = 8,
  VESK_FRAME_ALL = 15,
};

// Modes of DrawBevel: 0 none, 1 raised, anything else sunken.
enum {
  VESK_BEVEL_NONE = 0,
  VESK_BEVEL_RAISED = 1,
  VESK_BEVEL_SUNKEN = 2,
};

// Pixels are 4 bytes in memory order red, green, blue, alpha; rows are stride() bytes apart and
// the first row is the top one. A bitmap created with a size below 1 (or too large to allocate)
// holds no pixel data: is_ok() is false and the primitives skip it (some log that, as the messages
// below say). Copying a bitmap copies its pixels.
class vesk_bitmap {
public:
  // Largest width or height accepted, and largest pixel count (256 MiB of pixels).
  static const int max_side = 65536;
  static const int64_t max_pixels = int64_t(1) << 26;

  vesk_bitmap();                      // 16 x 16
  vesk_bitmap(int width, int height); // create(width, height)

  // New pixels are black with alpha 255. Returns 1, or 0 (and no pixel data) for a size below 1
  // or beyond the limits above.
  int create(int width, int height);
  void destroy(); // drops the pixel data
  bool is_ok() const { return !pixels.empty(); }

  int width() const { return w; }
  int height() const { return h; }
  int stride() const { return w * 4; } // bytes per row

  // The pixel bytes (null without pixel data), for the blit and for decoding pictures into it.
  const uint8_t *data() const;
  uint8_t *data();

  // One pixel's colour and alpha; black and 0 outside the bitmap.
  vesk_color get_pixel(int x, int y) const;
  int get_alpha(int x, int y) const;
  // Writes all four bytes of one pixel (low 8 bits of each); ignored outside the bitmap.
  void set_rgba(int x, int y, int red, int green, int blue, int alpha);
  // Same size and the same bytes in every pixel.
  bool same_pixels(const vesk_bitmap &other) const;

  // --- primitives: all write red, green and blue only, except Clear and ClearAlpha ---

  void ClearAlpha();                  // alpha 255 everywhere
  void Clear(const vesk_color &colour); // every pixel (colour, 255)

  void SetPixel(int x, int y, const vesk_color &colour);
  void SetPixel(int x, int y, int red, int green, int blue);

  // Integer Bresenham walk, both ends included.
  void DrawLine(int x1, int y1, int x2, int y2, const vesk_color &colour);
  // Walks from (x1, y1) to (x2, y2), colour running from colour1 towards colour2.
  void DrawGradientLine(int x1, int y1, int x2, int y2, const vesk_color &colour1,
                        const vesk_color &colour2);

  // Corners in any order, both inclusive.
  void DrawFilledRectangle(int x1, int y1, int x2, int y2, const vesk_color &colour);
  void DrawXGradientRectangle(int x1, int y1, int x2, int y2, const vesk_color &left,
                              const vesk_color &right);
  void DrawYGradientRectangle(int x1, int y1, int x2, int y2, const vesk_color &top,
                              const vesk_color &bottom);
  // A negative radius counts as 0 (one pixel).
  void DrawFilledCircle(int x, int y, int radius, const vesk_color &colour);
  // 3 to 999 points, each offset by (dx, dy); filled, then outlined.
  void DrawPolygon(int count, const vesk_point *points, int dx, int dy, const vesk_color &outline,
                   const vesk_color &fill);

  // Edge lines of the width x height area at (0, 0), chosen by VESK_FRAME_* bits. Left and right
  // are two columns wide. Without a colour: outer lines white, the inner columns grey.
  void DrawFrame(int width, int height, int sides);
  void DrawFrame(int width, int height, int sides, const vesk_color &colour);
  // One-pixel outline of the width x height area with its four corner pixels black.
  void DrawBorder(const vesk_color &colour, int width, int height);
  // Clear(colour), then a two-pixel bevel around the width x height area (VESK_BEVEL_*).
  void DrawBevel(const vesk_color &colour, int width, int height, int mode);

  // Copies the source's colours with its top-left corner at (x, y); alpha of this bitmap stays.
  void DrawBitmapIgnoreAlpha(const vesk_bitmap &source, int x, int y);
  // Covered pixels become source colour x source alpha / 256 (composited onto black).
  void DrawBitmapUseAlpha(const vesk_bitmap &source, int x, int y);

  // One glyph (coverage in its green channel) with its top-left corner at (x, y). Opaque paints
  // the whole glyph rectangle; transparent blends the colour over what is there.
  void DrawTextGlyph(const vesk_bitmap &glyph, int x, int y, const vesk_color &foreground,
                     const vesk_color &background);
  void DrawTextGlyphTransparent(const vesk_bitmap &glyph, int x, int y, const vesk_color &colour);

  // A byte string: each byte's code modulo 128 selects its glyph; bytes without one (controls,
  // 127, 128 to 159, 255) draw nothing and do not advance. Nothing is drawn when x or y is at or
  // beyond the width or height. The length forms take exactly length bytes (zero bytes included);
  // the others stop at the terminating zero. A null text draws nothing.
  void DrawText(const vesk_glyph_font &font, const char *text, int x, int y,
                const vesk_color &foreground, const vesk_color &background);
  void DrawText(const vesk_glyph_font &font, const char *text, int length, int x, int y,
                const vesk_color &foreground, const vesk_color &background);
  void DrawTextTransparent(const vesk_glyph_font &font, const char *text, int x, int y,
                           const vesk_color &colour);
  void DrawTextTransparent(const vesk_glyph_font &font, const char *text, int length, int x,
                           int y, const vesk_color &colour);

  // Width = sum of the glyph widths of the bytes (as DrawText advances), height = the height of
  // the last glyph found; (0, 0) for a text without glyphs. Either pointer may be null.
  void GetTextExtent(const vesk_glyph_font &font, const char *text, int *width,
                     int *height) const;
  void GetTextExtent(const vesk_glyph_font &font, const char *text, int length, int *width,
                     int *height) const;

private:
  void fill_span(int64_t x1, int64_t x2, int64_t y, uint32_t rgb);
  template <typename F> void copy_pixels(const vesk_bitmap &source, int x, int y, const char *operation, F pixel);
  void walk_line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t rgb);
  void draw_glyph_run(const vesk_glyph_font &font, const unsigned char *text, int64_t length,
                      int x, int y, const vesk_color &foreground, const vesk_color *background);

  int w = 0;
  int h = 0;
  std::vector<uint32_t> pixels;
};
