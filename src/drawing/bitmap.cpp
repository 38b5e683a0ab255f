// Software drawing into vesk_bitmap: every primitive clips once against the bitmap and then runs
// its inner loops on raw pixel words without further bounds checks.
#include "drawing/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "drawing/glyph_font.h"
#include "support/log.h"

namespace {

// Byte order in memory is always red, green, blue, alpha; these are the shifts inside a word.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const int red_shift = 24, green_shift = 16, blue_shift = 8, alpha_shift = 0;
#else
const int red_shift = 0, green_shift = 8, blue_shift = 16, alpha_shift = 24;
#endif
const uint32_t alpha_mask = 0xFFu << alpha_shift;
const uint32_t colour_mask = ~alpha_mask;

inline uint32_t pack_rgb(int r, int g, int b) {
  return (uint32_t(r & 255) << red_shift) | (uint32_t(g & 255) << green_shift) |
         (uint32_t(b & 255) << blue_shift);
}
inline uint32_t pack_rgb(const vesk_color &c) { return pack_rgb(c.red, c.green, c.blue); }
inline int red_of(uint32_t p) { return int((p >> red_shift) & 255); }
inline int green_of(uint32_t p) { return int((p >> green_shift) & 255); }
inline int blue_of(uint32_t p) { return int((p >> blue_shift) & 255); }
inline int alpha_of(uint32_t p) { return int((p >> alpha_shift) & 255); }
inline void put_rgb(uint32_t &p, uint32_t rgb) { p = (p & alpha_mask) | rgb; }

inline void log_level2(const char *text) {
  if (vesk_debug_level > 1)
    format_message("%s", text);
}

// "Error in vesk_bitmap::<operation>(), pixel data <which> failed?" of the two-bitmap operations.
inline void log_level2_pair(const char *operation, const char *which) {
  if (vesk_debug_level > 1)
    format_message("Error in vesk_bitmap::%s(), pixel data %s failed?\n", operation, which);
}

// A rectangle already clipped to a bitmap: columns x0..x1-1, rows y0..y1-1.
struct span2d {
  int x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// The part of the rectangle with top-left (x, y) and size (cw, ch) that lies in a w x h bitmap.
inline span2d clip_box(int64_t x, int64_t y, int64_t cw, int64_t ch, int w, int h) {
  span2d s;
  s.x0 = int(std::max<int64_t>(x, 0));
  s.y0 = int(std::max<int64_t>(y, 0));
  s.x1 = int(std::max<int64_t>(std::min<int64_t>(x + cw, w), 0));
  s.y1 = int(std::max<int64_t>(std::min<int64_t>(y + ch, h), 0));
  return s;
}

// Inclusive corners in any order, clipped.
inline span2d clip_corners(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int w, int h) {
  if (x1 > x2)
    std::swap(x1, x2);
  if (y1 > y2)
    std::swap(y1, y2);
  return clip_box(x1, y1, x2 - x1 + 1, y2 - y1 + 1, w, h);
}

// floor(sqrt(v)) for v >= 0, exact.
int64_t isqrt(int64_t v) {
  int64_t s = int64_t(std::sqrt(double(v)));
  while (s > 0 && s * s > v)
    --s;
  while ((s + 1) * (s + 1) <= v)
    ++s;
  return s;
}

} // namespace

vesk_bitmap::vesk_bitmap() { create(16, 16); }

vesk_bitmap::vesk_bitmap(int width, int height) { create(width, height); }

int vesk_bitmap::create(int width, int height) {
  destroy();
  if (width < 1 || height < 1 || width > max_side || height > max_side ||
      int64_t(width) * height > max_pixels)
    return 0;
  try {
    // Black, alpha 255: the state ClearAlpha() leaves a new bitmap in.
    pixels.assign(size_t(width) * size_t(height), alpha_mask);
  } catch (const std::bad_alloc &) {
    destroy();
    return 0;
  }
  w = width;
  h = height;
  return 1;
}

void vesk_bitmap::destroy() {
  std::vector<uint32_t>().swap(pixels);
  w = 0;
  h = 0;
}

const uint8_t *vesk_bitmap::data() const {
  return pixels.empty() ? nullptr : reinterpret_cast<const uint8_t *>(pixels.data());
}

uint8_t *vesk_bitmap::data() {
  return pixels.empty() ? nullptr : reinterpret_cast<uint8_t *>(pixels.data());
}

vesk_color vesk_bitmap::get_pixel(int x, int y) const {
  if (unsigned(x) >= unsigned(w) || unsigned(y) >= unsigned(h))
    return vesk_color();
  uint32_t p = pixels[size_t(y) * w + x];
  return vesk_color(red_of(p), green_of(p), blue_of(p));
}

int vesk_bitmap::get_alpha(int x, int y) const {
  if (unsigned(x) >= unsigned(w) || unsigned(y) >= unsigned(h))
    return 0;
  return alpha_of(pixels[size_t(y) * w + x]);
}

void vesk_bitmap::set_rgba(int x, int y, int red, int green, int blue, int alpha) {
  if (unsigned(x) >= unsigned(w) || unsigned(y) >= unsigned(h))
    return;
  pixels[size_t(y) * w + x] = pack_rgb(red, green, blue) | (uint32_t(alpha & 255) << alpha_shift);
}

bool vesk_bitmap::same_pixels(const vesk_bitmap &other) const {
  return w == other.w && h == other.h && pixels == other.pixels;
}

void vesk_bitmap::ClearAlpha() {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::ClearAlpha(), pixel data failed?\n");
    return;
  }
  for (uint32_t &p : pixels)
    p |= alpha_mask;
}

void vesk_bitmap::Clear(const vesk_color &colour) {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::Clear(), pixel data failed?\n");
    return;
  }
  std::fill(pixels.begin(), pixels.end(), pack_rgb(colour) | alpha_mask);
}

void vesk_bitmap::SetPixel(int x, int y, const vesk_color &colour) {
  SetPixel(x, y, colour.red, colour.green, colour.blue);
}

void vesk_bitmap::SetPixel(int x, int y, int red, int green, int blue) {
  if (unsigned(x) >= unsigned(w) || unsigned(y) >= unsigned(h))
    return;
  put_rgb(pixels[size_t(y) * w + x], pack_rgb(red, green, blue));
}

// Inclusive horizontal run on row y, x1 <= x2.
void vesk_bitmap::fill_span(int64_t x1, int64_t x2, int64_t y, uint32_t rgb) {
  if (y < 0 || y >= h || x2 < 0 || x1 >= w)
    return;
  uint32_t *row = pixels.data() + size_t(y) * w;
  int a = int(std::max<int64_t>(x1, 0)), b = int(std::min<int64_t>(x2, w - 1));
  for (int x = a; x <= b; ++x)
    put_rgb(row[x], rgb);
}

// The Bresenham walk of DrawLine. The pixels form exactly the set a step-by-step walk with
// per-pixel clipping sets; only the steps along the longer axis that can be visible are taken,
// the error term at the first of them being computed in closed form.
void vesk_bitmap::walk_line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t rgb) {
  if (pixels.empty())
    return;
  int64_t dx = x2 > x1 ? x2 - x1 : x1 - x2;
  int64_t dy = y2 > y1 ? y2 - y1 : y1 - y2;
  if (dy == 0) {
    fill_span(std::min(x1, x2), std::max(x1, x2), y1, rgb);
    return;
  }
  if (dx == 0) {
    if (x1 < 0 || x1 >= w || std::max(y1, y2) < 0 || std::min(y1, y2) >= h)
      return;
    int a = int(std::max<int64_t>(std::min(y1, y2), 0));
    int b = int(std::min<int64_t>(std::max(y1, y2), h - 1));
    for (int y = a; y <= b; ++y)
      put_rgb(pixels[size_t(y) * w + x1], rgb);
    return;
  }
  const bool x_major = dx >= dy;
  // a: the longer axis, b: the other one.
  int64_t a1 = x_major ? x1 : y1, b1 = x_major ? y1 : x1;
  int64_t a2 = x_major ? x2 : y2, b2 = x_major ? y2 : x2;
  if (a1 > a2) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  const int64_t longer = a2 - a1, shorter = x_major ? dy : dx;
  const int64_t b_step = b2 > b1 ? 1 : -1;
  const int64_t a_limit = x_major ? w : h, b_limit = x_major ? h : w;
  int64_t k0 = std::max<int64_t>(0, -a1), k1 = std::min<int64_t>(longer, a_limit - 1 - a1);
  if (k0 > k1)
    return;
  const int64_t e0 = longer / 2;
  // Moves on the minor axis during the first k0 steps, and the error term left after them.
  int64_t moved = int64_t((__int128(k0) * shorter - e0 + longer - 1) / longer);
  int64_t err = int64_t(__int128(e0) - __int128(k0) * shorter + __int128(moved) * longer);
  int64_t b = b1 + b_step * moved;
  for (int64_t k = k0; k <= k1; ++k) {
    if (b >= 0 && b < b_limit) {
      int64_t a = a1 + k;
      size_t index = x_major ? size_t(b) * w + size_t(a) : size_t(a) * w + size_t(b);
      put_rgb(pixels[index], rgb);
    }
    err -= shorter;
    if (err < 0) {
      b += b_step;
      err += longer;
    }
  }
}

void vesk_bitmap::DrawLine(int x1, int y1, int x2, int y2, const vesk_color &colour) {
  walk_line(x1, y1, x2, y2, pack_rgb(colour));
}

void vesk_bitmap::DrawGradientLine(int x1, int y1, int x2, int y2, const vesk_color &colour1,
                                   const vesk_color &colour2) {
  if (pixels.empty())
    return;
  const int64_t dx = x2 > x1 ? int64_t(x2) - x1 : int64_t(x1) - x2;
  const int64_t dy = y2 > y1 ? int64_t(y2) - y1 : int64_t(y1) - y2;
  const bool x_major = dx >= dy;
  const int64_t a1 = x_major ? x1 : y1, b1 = x_major ? y1 : x1;
  const int64_t a2 = x_major ? x2 : y2, b2 = x_major ? y2 : x2;
  const int64_t longer = x_major ? dx : dy, shorter = x_major ? dy : dx;
  const int64_t a_step = a2 >= a1 ? 1 : -1, b_step = b2 >= b1 ? 1 : -1;
  const int64_t a_limit = x_major ? w : h, b_limit = x_major ? h : w;

  const int c1[3] = {colour1.red & 255, colour1.green & 255, colour1.blue & 255};
  const int c2[3] = {colour2.red & 255, colour2.green & 255, colour2.blue & 255};
  int64_t step[3];
  for (int i = 0; i < 3; ++i)
    step[i] = int64_t(c2[i] - c1[i]) * 256 / (longer + 1);

  // Steps k whose position a1 + a_step * k lies inside the bitmap.
  int64_t k0, k1;
  if (a_step > 0) {
    k0 = -a1;
    k1 = a_limit - 1 - a1;
  } else {
    k0 = a1 - (a_limit - 1);
    k1 = a1;
  }
  k0 = std::max<int64_t>(k0, 0);
  k1 = std::min<int64_t>(k1, longer);
  if (k0 > k1)
    return;
  if (longer == 0) {
    SetPixel(x1, y1, c1[0], c1[1], c1[2]);
    return;
  }
  const int64_t e0 = longer / 2;
  int64_t moved = int64_t((__int128(k0) * shorter - e0 + longer - 1) / longer);
  int64_t err = int64_t(__int128(e0) - __int128(k0) * shorter + __int128(moved) * longer);
  int64_t b = b1 + b_step * moved;
  int64_t acc[3];
  for (int i = 0; i < 3; ++i)
    acc[i] = int64_t(c1[i]) * 256 + k0 * step[i];
  for (int64_t k = k0; k <= k1; ++k) {
    if (b >= 0 && b < b_limit) {
      int64_t a = a1 + a_step * k;
      size_t index = x_major ? size_t(b) * w + size_t(a) : size_t(a) * w + size_t(b);
      put_rgb(pixels[index], pack_rgb(int(acc[0] >> 8), int(acc[1] >> 8), int(acc[2] >> 8)));
    }
    for (int i = 0; i < 3; ++i)
      acc[i] += step[i];
    err -= shorter;
    if (err < 0) {
      b += b_step;
      err += longer;
    }
  }
}

void vesk_bitmap::DrawFilledRectangle(int x1, int y1, int x2, int y2, const vesk_color &colour) {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawFilledRectangle(), pixel data failed?\n");
    return;
  }
  span2d s = clip_corners(x1, y1, x2, y2, w, h);
  if (s.empty())
    return;
  const uint32_t rgb = pack_rgb(colour);
  for (int y = s.y0; y < s.y1; ++y) {
    uint32_t *row = pixels.data() + size_t(y) * w;
    for (int x = s.x0; x < s.x1; ++x)
      put_rgb(row[x], rgb);
  }
}

// Gradient value of the k-th column (or row) of a run of n - 2 from c1 towards c2: the
// accumulator is advanced before the first one is written, so the last falls short of c2.
static inline uint32_t gradient_at(const int c1[3], const int64_t step[3], int64_t k) {
  return pack_rgb(int((int64_t(c1[0]) * 256 + (k + 1) * step[0]) >> 8),
                  int((int64_t(c1[1]) * 256 + (k + 1) * step[1]) >> 8),
                  int((int64_t(c1[2]) * 256 + (k + 1) * step[2]) >> 8));
}

// Start colour and per-step increments (8.8 fixed point) of a gradient over n - 2 steps.
static inline void gradient_steps(const vesk_color &from, const vesk_color &to, int64_t n, int c1[3], int64_t step[3]) {
  const int c2[3] = {to.red & 255, to.green & 255, to.blue & 255};
  c1[0] = from.red & 255, c1[1] = from.green & 255, c1[2] = from.blue & 255;
  for (int i = 0; i < 3; ++i)
    step[i] = int64_t(c2[i] - c1[i]) * 256 / n;
}

void vesk_bitmap::DrawXGradientRectangle(int x1, int y1, int x2, int y2, const vesk_color &left,
                                         const vesk_color &right) {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawXGradientRectangle(), pixel data failed?\n");
    return;
  }
  if (x1 > x2)
    std::swap(x1, x2);
  span2d s = clip_corners(x1, y1, x2, y2, w, h);
  if (s.empty())
    return;
  const int64_t n = int64_t(x2) - x1 + 2;
  int c1[3];
  int64_t step[3];
  gradient_steps(left, right, n, c1, step);
  // Columns count from the rectangle's own left edge, so a clipped gradient shows the same
  // colours as the unclipped one would at those columns.
  std::vector<uint32_t> line(size_t(s.x1 - s.x0));
  for (int x = s.x0; x < s.x1; ++x)
    line[size_t(x - s.x0)] = gradient_at(c1, step, int64_t(x) - x1);
  for (int y = s.y0; y < s.y1; ++y) {
    uint32_t *row = pixels.data() + size_t(y) * w + s.x0;
    for (size_t i = 0; i < line.size(); ++i)
      put_rgb(row[i], line[i]);
  }
}

void vesk_bitmap::DrawYGradientRectangle(int x1, int y1, int x2, int y2, const vesk_color &top,
                                         const vesk_color &bottom) {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawYGradientRectangle(), pixel data failed?\n");
    return;
  }
  if (y1 > y2)
    std::swap(y1, y2);
  span2d s = clip_corners(x1, y1, x2, y2, w, h);
  if (s.empty())
    return;
  const int64_t n = int64_t(y2) - y1 + 2;
  int c1[3];
  int64_t step[3];
  gradient_steps(top, bottom, n, c1, step);
  for (int y = s.y0; y < s.y1; ++y) {
    const uint32_t rgb = gradient_at(c1, step, int64_t(y) - y1);
    uint32_t *row = pixels.data() + size_t(y) * w;
    for (int x = s.x0; x < s.x1; ++x)
      put_rgb(row[x], rgb);
  }
}

void vesk_bitmap::DrawFilledCircle(int x, int y, int radius, const vesk_color &colour) {
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawFilledCircle(), pixel data failed?\n");
    return;
  }
  const int64_t r = radius < 0 ? 0 : radius;
  const int64_t top = std::max<int64_t>(int64_t(y) - r, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + r, h - 1);
  const uint32_t rgb = pack_rgb(colour);
  // (r + 1) * r instead of r * r rounds the edge.
  const int64_t reach = (r + 1) * r;
  for (int64_t i = top; i <= bottom; ++i) {
    const int64_t d = i - y;
    const int64_t half = isqrt(std::max<int64_t>(reach - d * d, 0));
    fill_span(int64_t(x) - half, int64_t(x) + half, i, rgb);
  }
}

namespace {

struct poly_edge {
  double x;    // at the current row once the edge has begun, else at its upper end
  double step; // x change per row
  int64_t ymin, ymax;
};

// Stable: ties keep their order, like a bubble sort that swaps only on a strictly greater x.
void sort_edges(std::vector<poly_edge> &edges) {
  for (size_t i = 1; i < edges.size(); ++i) {
    poly_edge e = edges[i];
    size_t j = i;
    while (j > 0 && edges[j - 1].x > e.x) {
      edges[j] = edges[j - 1];
      --j;
    }
    edges[j] = e;
  }
}

inline int64_t truncate_x(double x) {
  // Truncation toward zero; far values are held where they stay off any bitmap.
  if (x > 1e15)
    return int64_t(1e15);
  if (x < -1e15)
    return -int64_t(1e15);
  return int64_t(x);
}

} // namespace

void vesk_bitmap::DrawPolygon(int count, const vesk_point *points, int dx, int dy,
                              const vesk_color &outline, const vesk_color &fill) {
  if (count < 3 || !points) {
    if (vesk_debug_level > 0)
      format_message("Error in vesk_bitmap::DrawPolygon(), only got %d points, need a minimum "
                     "of 3.\n",
                     points ? count : 0);
    return;
  }
  if (count > 999) {
    if (vesk_debug_level > 0)
      format_message("Error in vesk_bitmap::DrawPolygon(), got %d points, max is %d.\n", count,
                     1000);
    return;
  }
  if (pixels.empty())
    return;
  std::vector<int64_t> px(static_cast<size_t>(count)), py(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    px[size_t(i)] = int64_t(points[i].x) + dx;
    py[size_t(i)] = int64_t(points[i].y) + dy;
  }

  // Edges: the last point with the first, then each point with the next.
  std::vector<poly_edge> edges;
  edges.reserve(size_t(count));
  int64_t row_first = INT64_MAX, row_last = INT64_MIN;
  for (int i = 0; i < count; ++i) {
    size_t p = size_t(i == 0 ? count - 1 : i - 1), q = size_t(i);
    if (py[p] == py[q])
      continue;
    size_t up = py[p] < py[q] ? p : q, low = up == p ? q : p;
    poly_edge e;
    e.ymin = py[up];
    e.ymax = py[low];
    e.x = double(px[up]);
    e.step = double(px[low] - px[up]) / double(e.ymax - e.ymin);
    edges.push_back(e);
    row_first = std::min(row_first, e.ymin);
    row_last = std::max(row_last, e.ymax);
  }

  if (!edges.empty()) {
    sort_edges(edges);
    int64_t row = row_first;
    // Rows far above the bitmap draw nothing; jump to the top row with each begun edge's x
    // computed directly instead of by repeated addition.
    const int64_t far_above = 4096;
    if (row < -far_above) {
      row = 0;
      std::vector<poly_edge> kept;
      for (poly_edge e : edges) {
        if (e.ymax < 0)
          continue;
        if (e.ymin < 0)
          e.x += double(0 - e.ymin) * e.step;
        kept.push_back(e);
      }
      edges.swap(kept);
      sort_edges(edges);
    }
    const uint32_t rgb = pack_rgb(fill);
    std::vector<double> active;
    active.reserve(edges.size());
    for (; row <= row_last && row < h && !edges.empty(); ++row) {
      if (row >= 0) {
        active.clear();
        for (const poly_edge &e : edges)
          if (row > e.ymin && row <= e.ymax)
            active.push_back(e.x);
        for (size_t i = 0; i + 1 < active.size(); i += 2) {
          int64_t xa = truncate_x(active[i]), xb = truncate_x(active[i + 1]);
          fill_span(std::min(xa, xb), std::max(xa, xb), row, rgb);
        }
      }
      size_t kept = 0;
      for (size_t i = 0; i < edges.size(); ++i) {
        poly_edge &e = edges[i];
        if (e.ymin <= row)
          e.x += e.step;
        if (e.ymax > row)
          edges[kept++] = e;
      }
      edges.resize(kept);
      sort_edges(edges);
    }
  }

  const uint32_t line = pack_rgb(outline);
  walk_line(px[size_t(count - 1)], py[size_t(count - 1)], px[0], py[0], line);
  for (int i = 0; i + 1 < count; ++i)
    walk_line(px[size_t(i)], py[size_t(i)], px[size_t(i + 1)], py[size_t(i + 1)], line);
}

void vesk_bitmap::DrawFrame(int width, int height, int sides) {
  const int64_t fw = width, fh = height;
  const uint32_t outer = pack_rgb(vesk_white), inner = pack_rgb(vesk_grey);
  if (sides & VESK_FRAME_LEFT) {
    walk_line(0, 0, 0, fh - 1, outer);
    walk_line(1, 0, 1, fh - 1, inner);
  }
  if (sides & VESK_FRAME_RIGHT) {
    walk_line(fw - 1, 0, fw - 1, fh - 1, outer);
    walk_line(fw - 2, 0, fw - 2, fh - 1, inner);
  }
  if (sides & VESK_FRAME_TOP)
    walk_line(0, 0, fw - 1, 0, outer);
  if (sides & VESK_FRAME_BOTTOM)
    walk_line(0, fh - 1, fw - 1, fh - 1, outer);
}

void vesk_bitmap::DrawFrame(int width, int height, int sides, const vesk_color &colour) {
  const int64_t fw = width, fh = height;
  const uint32_t rgb = pack_rgb(colour);
  if (sides & VESK_FRAME_LEFT) {
    walk_line(0, 0, 0, fh - 1, rgb);
    walk_line(1, 0, 1, fh - 1, rgb);
  }
  if (sides & VESK_FRAME_RIGHT) {
    walk_line(fw - 1, 0, fw - 1, fh - 1, rgb);
    walk_line(fw - 2, 0, fw - 2, fh - 1, rgb);
  }
  if (sides & VESK_FRAME_TOP)
    walk_line(0, 0, fw - 1, 0, rgb);
  if (sides & VESK_FRAME_BOTTOM)
    walk_line(0, fh - 1, fw - 1, fh - 1, rgb);
}

void vesk_bitmap::DrawBorder(const vesk_color &colour, int width, int height) {
  const int64_t bw = width, bh = height;
  const uint32_t rgb = pack_rgb(colour), black = pack_rgb(vesk_black);
  walk_line(0, 1, 0, bh - 1, rgb);
  walk_line(1, 0, bw - 1, 0, rgb);
  walk_line(bw - 1, 1, bw - 1, bh - 1, rgb);
  walk_line(1, bh - 1, bw - 1, bh - 1, rgb);
  walk_line(0, 0, 0, 0, black);
  walk_line(bw - 1, 0, bw - 1, 0, black);
  walk_line(0, bh - 1, 0, bh - 1, black);
  walk_line(bw - 1, bh - 1, bw - 1, bh - 1, black);
}

void vesk_bitmap::DrawBevel(const vesk_color &colour, int width, int height, int mode) {
  Clear(colour);
  if (mode == VESK_BEVEL_NONE)
    return;
  const int c[3] = {colour.red & 255, colour.green & 255, colour.blue & 255};
  const uint32_t light = pack_rgb(std::min(255, (3 * c[0] + 96) / 2),
                                  std::min(255, (3 * c[1] + 96) / 2),
                                  std::min(255, (3 * c[2] + 96) / 2));
  const uint32_t dark = pack_rgb(c[0] / 2, c[1] / 2, c[2] / 2);
  const uint32_t top_left = mode == VESK_BEVEL_RAISED ? light : dark;
  const uint32_t bottom_right = mode == VESK_BEVEL_RAISED ? dark : light;
  const int64_t bw = width, bh = height;
  walk_line(0, 1, 0, bh - 1, top_left);
  walk_line(1, 1, 1, bh - 2, top_left);
  walk_line(1, 0, bw - 1, 0, top_left);
  walk_line(1, 1, bw - 2, 1, top_left);
  walk_line(bw - 1, 1, bw - 1, bh - 1, bottom_right);
  walk_line(bw - 2, 2, bw - 2, bh - 2, bottom_right);
  walk_line(1, bh - 1, bw - 1, bh - 1, bottom_right);
  walk_line(2, bh - 2, bw - 2, bh - 2, bottom_right);
}

// Copies source onto this bitmap with its corner at (x, y), each covered pixel becoming
// pixel(destination, source). A bitmap drawn onto itself is read from a snapshot.
template <typename F>
void vesk_bitmap::copy_pixels(const vesk_bitmap &source, int x, int y, const char *operation, F pixel) {
  if (source.pixels.empty()) {
    log_level2_pair(operation, "src");
    return;
  }
  if (pixels.empty()) {
    log_level2_pair(operation, "dest");
    return;
  }
  span2d s = clip_box(x, y, source.w, source.h, w, h);
  if (s.empty())
    return;
  const vesk_bitmap *from = &source;
  vesk_bitmap copy(0, 0);
  if (&source == this) {
    copy = source;
    from = &copy;
  }
  const int n = s.x1 - s.x0;
  for (int yy = s.y0; yy < s.y1; ++yy) {
    uint32_t *d = pixels.data() + size_t(yy) * w + s.x0;
    const uint32_t *src = from->pixels.data() + size_t(yy - y) * from->w + (s.x0 - x);
    for (int i = 0; i < n; ++i)
      pixel(d[i], src[i]);
  }
}

void vesk_bitmap::DrawBitmapIgnoreAlpha(const vesk_bitmap &source, int x, int y) {
  copy_pixels(source, x, y, "DrawBitmapIgnoreAlpha", [](uint32_t &d, uint32_t p) { put_rgb(d, p & colour_mask); });
}

void vesk_bitmap::DrawBitmapUseAlpha(const vesk_bitmap &source, int x, int y) {
  copy_pixels(source, x, y, "DrawBitmapUseAlpha", [](uint32_t &d, uint32_t p) {
    const int a = alpha_of(p);
    put_rgb(d, pack_rgb((red_of(p) * a) >> 8, (green_of(p) * a) >> 8, (blue_of(p) * a) >> 8));
  });
}

// (a x t + b x (255 - t)) / 256 for each colour byte of two packed colours. In the usual byte
// order red and blue are mixed together in one multiplication: each lane's sum stays below
// 65536, so neither carries into the other.
static inline uint32_t mix(uint32_t a, uint32_t b, uint32_t t) {
  const uint32_t u = 255 - t;
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
  const uint32_t rb = ((a & 0x00FF00FFu) * t + (b & 0x00FF00FFu) * u) >> 8;
  const uint32_t g = ((a & 0x0000FF00u) * t + (b & 0x0000FF00u) * u) >> 8;
  return (rb & 0x00FF00FFu) | (g & 0x0000FF00u);
#else
  return pack_rgb(int((red_of(a) * t + red_of(b) * u) >> 8),
                  int((green_of(a) * t + green_of(b) * u) >> 8),
                  int((blue_of(a) * t + blue_of(b) * u) >> 8));
#endif
}

// Glyph inner loops. The clipped box is in destination coordinates; (x, y) is where the glyph's
// top-left corner goes. No bounds checks inside: the box lies within both bitmaps.
static void blend_glyph_opaque(uint32_t *dest, int dest_w, const uint32_t *glyph, int glyph_w,
                               const span2d &s, int x, int y, const vesk_color &fg,
                               const vesk_color &bg) {
  const uint32_t foreground = pack_rgb(fg), background = pack_rgb(bg);
  const int n = s.x1 - s.x0;
  for (int yy = s.y0; yy < s.y1; ++yy) {
    uint32_t *d = dest + size_t(yy) * dest_w + s.x0;
    const uint32_t *g = glyph + size_t(yy - y) * glyph_w + (s.x0 - x);
    for (int i = 0; i < n; ++i) {
      const uint32_t t = uint32_t(green_of(g[i]));
      put_rgb(d[i], t == 0 ? background : mix(foreground, background, t));
    }
  }
}

static void blend_glyph_transparent(uint32_t *dest, int dest_w, const uint32_t *glyph,
                                    int glyph_w, const span2d &s, int x, int y,
                                    const vesk_color &colour) {
  const uint32_t ink = pack_rgb(colour);
  const int n = s.x1 - s.x0;
  for (int yy = s.y0; yy < s.y1; ++yy) {
    uint32_t *d = dest + size_t(yy) * dest_w + s.x0;
    const uint32_t *g = glyph + size_t(yy - y) * glyph_w + (s.x0 - x);
    for (int i = 0; i < n; ++i) {
      const uint32_t t = uint32_t(green_of(g[i]));
      if (t == 0)
        continue;
      const uint32_t p = d[i];
      d[i] = (p & alpha_mask) | mix(ink, p & colour_mask, t);
    }
  }
}

void vesk_bitmap::DrawTextGlyph(const vesk_bitmap &glyph, int x, int y,
                                const vesk_color &foreground, const vesk_color &background) {
  if (glyph.pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawTextGlyph(), pixel data src failed?\n");
    return;
  }
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawTextGlyph(), pixel data dest failed?\n");
    return;
  }
  span2d s = clip_box(x, y, glyph.w, glyph.h, w, h);
  if (s.empty())
    return;
  if (&glyph == this) {
    vesk_bitmap copy(glyph);
    blend_glyph_opaque(pixels.data(), w, copy.pixels.data(), copy.w, s, x, y, foreground,
                       background);
    return;
  }
  blend_glyph_opaque(pixels.data(), w, glyph.pixels.data(), glyph.w, s, x, y, foreground,
                     background);
}

void vesk_bitmap::DrawTextGlyphTransparent(const vesk_bitmap &glyph, int x, int y,
                                           const vesk_color &colour) {
  if (glyph.pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawTextGlyphTransparent(), pixel data src failed?\n");
    return;
  }
  if (pixels.empty()) {
    log_level2("Error in vesk_bitmap::DrawTextGlyphTransparent(), pixel data dest failed?\n");
    return;
  }
  span2d s = clip_box(x, y, glyph.w, glyph.h, w, h);
  if (s.empty())
    return;
  if (&glyph == this) {
    vesk_bitmap copy(glyph);
    blend_glyph_transparent(pixels.data(), w, copy.pixels.data(), copy.w, s, x, y, colour);
    return;
  }
  blend_glyph_transparent(pixels.data(), w, glyph.pixels.data(), glyph.w, s, x, y, colour);
}

// Draws the glyphs of a byte run from pen position x; background null means transparent.
void vesk_bitmap::draw_glyph_run(const vesk_glyph_font &font, const unsigned char *text,
                                 int64_t length, int x, int y, const vesk_color &foreground,
                                 const vesk_color *background) {
  if (!text || length <= 0 || pixels.empty() || x >= w || y >= h)
    return;
  int64_t pen = x;
  for (int64_t i = 0; i < length; ++i) {
    const vesk_bitmap *glyph = font.get_glyph(text[i] & 127);
    if (!glyph)
      continue;
    // Widths are never negative, so nothing after this point can show.
    if (pen >= w)
      break;
    if (pen + glyph->w > 0) {
      span2d s = clip_box(pen, y, glyph->w, glyph->h, w, h);
      if (!s.empty()) {
        if (background)
          blend_glyph_opaque(pixels.data(), w, glyph->pixels.data(), glyph->w, s, int(pen), y,
                             foreground, *background);
        else
          blend_glyph_transparent(pixels.data(), w, glyph->pixels.data(), glyph->w, s, int(pen),
                                  y, foreground);
      }
    }
    pen += glyph->w;
  }
}

void vesk_bitmap::DrawText(const vesk_glyph_font &font, const char *text, int x, int y,
                           const vesk_color &foreground, const vesk_color &background) {
  if (!text)
    return;
  draw_glyph_run(font, reinterpret_cast<const unsigned char *>(text), int64_t(std::strlen(text)),
                 x, y, foreground, &background);
}

void vesk_bitmap::DrawText(const vesk_glyph_font &font, const char *text, int length, int x,
                           int y, const vesk_color &foreground, const vesk_color &background) {
  draw_glyph_run(font, reinterpret_cast<const unsigned char *>(text), length, x, y, foreground,
                 &background);
}

void vesk_bitmap::DrawTextTransparent(const vesk_glyph_font &font, const char *text, int x, int y,
                                      const vesk_color &colour) {
  if (!text)
    return;
  draw_glyph_run(font, reinterpret_cast<const unsigned char *>(text), int64_t(std::strlen(text)),
                 x, y, colour, nullptr);
}

void vesk_bitmap::DrawTextTransparent(const vesk_glyph_font &font, const char *text, int length,
                                      int x, int y, const vesk_color &colour) {
  draw_glyph_run(font, reinterpret_cast<const unsigned char *>(text), length, x, y, colour,
                 nullptr);
}

void vesk_bitmap::GetTextExtent(const vesk_glyph_font &font, const char *text, int *width,
                                int *height) const {
  GetTextExtent(font, text, text ? int(std::min<size_t>(std::strlen(text), INT32_MAX)) : 0,
                width, height);
}

void vesk_bitmap::GetTextExtent(const vesk_glyph_font &font, const char *text, int length,
                                int *width, int *height) const {
  int64_t total = 0;
  int last_height = 0;
  if (text) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
    for (int i = 0; i < length; ++i) {
      const vesk_bitmap *glyph = font.get_glyph(bytes[i] & 127);
      if (!glyph)
        continue;
      total += glyph->w;
      last_height = glyph->h;
    }
  }
  if (width)
    *width = int(std::min<int64_t>(total, INT32_MAX));
  if (height)
    *height = last_height;
}
