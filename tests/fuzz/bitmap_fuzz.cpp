// Fuzz target for vesk_bitmap: random primitives, coordinates, sizes, colours and glyph text on
// small bitmaps (1 x 1 included). Checks that nothing is written outside the buffer (the
// sanitizers), that only Clear and ClearAlpha touch alpha, and that drawing on a small bitmap
// gives the pixels the same drawing gives, shifted, on a larger one.
#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "support/log.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct reader {
  const uint8_t *data;
  size_t size, pos = 0;
  bool more() const { return pos < size; }
  uint8_t byte() { return pos < size ? data[pos++] : 0; }
  int32_t word() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v = (v << 8) | byte();
    return int32_t(v);
  }
  // Mostly near the bitmap; sometimes anywhere in the int range.
  int coord(bool &small) {
    uint8_t kind = byte();
    if (kind < 200)
      return int(byte()) - 128;
    small = false;
    if (kind < 230)
      return word();
    static const int edges[] = {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1, -65536, 65536};
    return edges[kind % 6];
  }
  vesk_color colour() {
    uint8_t kind = byte();
    if (kind < 240)
      return vesk_color(byte(), byte(), byte());
    return vesk_color(word(), word(), word());
  }
};

vesk_bitmap make_source(reader &in) {
  int w = 1 + in.byte() % 6, h = 1 + in.byte() % 6;
  vesk_bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.set_rgba(x, y, in.byte(), in.byte(), in.byte(), in.byte());
  return b;
}

const vesk_synthetic_font &fixed_font() {
  static vesk_synthetic_font font(3, 5);
  return font;
}
const vesk_synthetic_font &proportional_font() {
  static vesk_synthetic_font font(vesk_synthetic_font::proportional_width, 7);
  return font;
}

// One drawing operation, replayable at an offset.
struct operation {
  int kind = 0;
  int c[4] = {};
  int extra = 0;
  vesk_color a, b;
  vesk_bitmap source{0, 0};
  std::vector<vesk_point> points;
  std::vector<char> text;
  const vesk_glyph_font *font = nullptr;
  bool small = true;      // every coordinate near the bitmap
  bool shiftable = true;  // the result moves with the coordinates
};

const int kinds = 22;

operation read_operation(reader &in, const vesk_glyph_font &own_font) {
  operation op;
  op.kind = in.byte() % kinds;
  for (int &v : op.c)
    v = in.coord(op.small);
  op.extra = in.coord(op.small);
  op.a = in.colour();
  op.b = in.colour();
  switch (op.kind) {
  case 12: {
    int n = in.byte();
    if (in.byte() > 250)
      n = 990 + in.byte() % 20; // around the limit
    for (int i = 0; i < n && in.more(); ++i)
      op.points.push_back({in.coord(op.small), in.coord(op.small)});
    op.shiftable = false; // truncation toward zero differs left of column 0
    break;
  }
  case 13:
  case 14:
  case 15:
    op.shiftable = false; // anchored at (0, 0)
    break;
  case 16:
  case 17:
  case 18:
  case 19:
    op.source = make_source(in);
    break;
  case 20:
  case 21: {
    int n = in.byte() % 24;
    for (int i = 0; i < n; ++i)
      op.text.push_back(char(in.byte()));
    int f = in.byte() % 3;
    op.font = f == 0 ? static_cast<const vesk_glyph_font *>(&fixed_font())
              : f == 1 ? static_cast<const vesk_glyph_font *>(&proportional_font())
                       : &own_font;
    break;
  }
  default:
    break;
  }
  return op;
}

int clamped(int64_t v) { return int(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

void apply(vesk_bitmap &b, const operation &op, int dx, int dy) {
  const int x1 = op.c[0] + dx, y1 = op.c[1] + dy, x2 = op.c[2] + dx, y2 = op.c[3] + dy;
  switch (op.kind) {
  case 0: b.SetPixel(x1, y1, op.a); break;
  case 1: b.SetPixel(x1, y1, op.a.red, op.a.green, op.a.blue); break;
  case 2: b.DrawLine(x1, y1, x2, y2, op.a); break;
  case 3: b.DrawGradientLine(x1, y1, x2, y2, op.a, op.b); break;
  case 4: b.DrawFilledRectangle(x1, y1, x2, y2, op.a); break;
  case 5: b.DrawXGradientRectangle(x1, y1, x2, y2, op.a, op.b); break;
  case 6: b.DrawYGradientRectangle(x1, y1, x2, y2, op.a, op.b); break;
  case 7: b.DrawFilledCircle(x1, y1, op.extra, op.a); break;
  case 8: b.Clear(op.a); break;
  case 9: b.ClearAlpha(); break;
  case 10: b.DrawLine(x1, y1, clamped(int64_t(x1) + op.extra), y1, op.a); break;
  case 11: b.DrawGradientLine(x1, y1, x1, clamped(int64_t(y1) + op.extra), op.a, op.b); break;
  case 12:
    b.DrawPolygon(int(op.points.size()), op.points.data(), op.c[0], op.c[1], op.a, op.b);
    break;
  case 13: b.DrawFrame(op.c[0], op.c[1], op.extra & 15, op.extra & 16 ? op.a : vesk_white); break;
  case 14: b.DrawBorder(op.a, op.c[0], op.c[1]); break;
  case 15: b.DrawBevel(op.a, op.c[0], op.c[1], op.extra & 3); break;
  case 16: b.DrawBitmapIgnoreAlpha(op.source, x1, y1); break;
  case 17: b.DrawBitmapUseAlpha(op.source, x1, y1); break;
  case 18: b.DrawTextGlyph(op.source, x1, y1, op.a, op.b); break;
  case 19: b.DrawTextGlyphTransparent(op.source, x1, y1, op.a); break;
  case 20:
    b.DrawText(*op.font, op.text.data(), int(op.text.size()), x1, y1, op.a, op.b);
    break;
  case 21:
    b.DrawTextTransparent(*op.font, op.text.data(), int(op.text.size()), x1, y1, op.a);
    break;
  }
}

void check(bool ok) {
  if (!ok)
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  vesk_debug_level = 0;
  reader in{data, size};
  const int w = 1 + in.byte() % 9, h = 1 + in.byte() % 9;

  // A font of the input's own making: a few glyphs of odd sizes, the rest empty.
  vesk_glyph_font own_font;
  for (int i = in.byte() % 6; i > 0; --i) {
    int code = in.byte();
    own_font.set_glyph(code, make_source(in));
  }

  vesk_bitmap small(w, h);
  std::vector<uint8_t> alpha(size_t(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      alpha[size_t(y * w + x)] = in.byte();
      small.set_rgba(x, y, x * 40, y * 40, 90, alpha[size_t(y * w + x)]);
    }
  for (int step = 0; step < 12 && in.more(); ++step) {
    operation op = read_operation(in, own_font);
    const int offset = 40;
    const bool compare = op.small && op.shiftable && op.kind != 8 && op.kind != 9;
    vesk_bitmap large(0, 0);
    if (compare) {
      large.create(w + 2 * offset, h + 2 * offset);
      large.DrawBitmapIgnoreAlpha(small, offset, offset);
    }
    apply(small, op, 0, 0);
    check(small.width() == w && small.height() == h);
    // DrawBevel starts with a Clear.
    if (op.kind == 8 || op.kind == 9 || (op.kind == 15 && small.is_ok()))
      for (uint8_t &a : alpha)
        a = 255;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        check(small.get_alpha(x, y) == alpha[size_t(y * w + x)]);
    if (compare) {
      apply(large, op, offset, offset);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          check(small.get_pixel(x, y) == large.get_pixel(x + offset, y + offset));
    }
  }

  // A bitmap without pixel data takes every operation and stays empty.
  vesk_bitmap empty(0, 0);
  reader again{data, size};
  again.pos = size / 2;
  for (int step = 0; step < 3 && again.more(); ++step) {
    operation op = read_operation(again, own_font);
    apply(empty, op, 0, 0);
    check(!empty.is_ok() && empty.width() == 0);
  }
  int tw = 0, th = 0;
  static const char sample[] = "Fuzz \x01\xc1 text";
  small.GetTextExtent(proportional_font(), sample, &tw, &th);
  check(tw == proportional_font().text_width(sample, int(sizeof sample - 1)));
  return 0;
}
