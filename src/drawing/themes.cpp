// The theme tables, the switching between them and the background pictures: mazes and bubbles
// drawn from the generator on a state of their own, re-seeded per row band so pictures repeat.
#include "drawing/themes.h"

#include <cstdint>

#include "support/log.h"
#include "support/random.h"

namespace {

constexpr vesk_color hex(uint32_t v) {
  return vesk_color(int32_t((v >> 16) & 255), int32_t((v >> 8) & 255), int32_t(v & 255));
}

// Columns in theme order: Yellow, Blue, Red, Brown, YGreen, Green, Cyan, Purple, Grey.
constexpr int numbers[vesk_theme_count] = {0, 1, 2, 40, 50, 60, 70, 80, 90};
constexpr const char *names[vesk_theme_count] = {"Yellow", "Blue",  "Red",    "Brown", "YGreen",
                                                 "Green",  "Cyan",  "Purple", "Grey"};
constexpr int blue_column = 1;

constexpr vesk_color background_rgb[vesk_theme_count][3] = {
    {{80, 80, 0}, {56, 56, 0}, {32, 32, 0}},    // Yellow
    {{0, 0, 96}, {0, 0, 64}, {0, 0, 32}},       // Blue
    {{80, 0, 0}, {56, 0, 0}, {32, 0, 0}},       // Red
    {{80, 32, 16}, {56, 24, 16}, {32, 16, 8}},  // Brown
    {{48, 80, 0}, {32, 56, 0}, {16, 32, 0}},    // YGreen
    {{0, 80, 0}, {0, 48, 0}, {0, 32, 0}},       // Green
    {{0, 56, 80}, {0, 40, 64}, {0, 24, 48}},    // Cyan
    {{80, 0, 80}, {56, 0, 56}, {32, 0, 32}},    // Purple
    {{64, 64, 64}, {32, 32, 32}, {16, 16, 16}}, // Grey
};

// Rows are slots, columns themes.
constexpr uint32_t button_hex[vesk_button_theme::slot_count][vesk_theme_count] = {
    {0xC0C000, 0x3030C0, 0xC00000, 0xA06040, 0x90C000, 0x00C000, 0x3090C0, 0xC060C0, 0xC0C0C0}, // 0
    {0xC0C000, 0x3030C0, 0xC00000, 0xA06040, 0x90C000, 0x00C000, 0x3090C0, 0xC060C0, 0xC0C0C0}, // 1
    {0xFFFF00, 0x4040FF, 0xFFC000, 0xA06040, 0xC0FF00, 0x80FF80, 0x40C0FF, 0xFFC0FF, 0xC0C0C0}, // 2
    {0x606060, 0x000050, 0x500000, 0x503020, 0x486000, 0x005000, 0x004050, 0x500050, 0x505050}, // 3
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 4
    {0xC0C000, 0x3030C0, 0x606060, 0x606060, 0x90C000, 0x306030, 0x3090C0, 0x603060, 0x808080}, // 5
    {0x404040, 0x000040, 0x400000, 0x403020, 0x304000, 0x004000, 0x003040, 0x400040, 0x404040}, // 6
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 7
    {0xC0C000, 0x202080, 0x806000, 0x806040, 0x90C000, 0x008000, 0x206080, 0x804080, 0x606060}, // 8
    {0x303030, 0x000030, 0x300000, 0x302010, 0x203000, 0x003000, 0x002030, 0x300030, 0x303030}, // 9
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 10
    {0xFFFF00, 0x4040FF, 0x808080, 0x808080, 0xC0FF00, 0x408040, 0x40C0FF, 0x804080, 0x808080}, // 11
    {0x404040, 0x000040, 0x400000, 0x403020, 0x304000, 0x004000, 0x003040, 0x400040, 0x404040}, // 12
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 13
    {0x808000, 0x000080, 0x404040, 0x404040, 0x608000, 0x204020, 0x006080, 0x402040, 0x404040}, // 14
    {0x303030, 0x000030, 0x300000, 0x302010, 0x203000, 0x003000, 0x002030, 0x300030, 0x202020}, // 15
    {0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0}, // 16
    {0xFFFF00, 0x0000FF, 0x808080, 0x808080, 0xC0FF00, 0x408040, 0x00C0FF, 0x804080, 0x808080}, // 17
    {0x303030, 0x000030, 0x300000, 0x302010, 0x203000, 0x003000, 0x002030, 0x300030, 0x303030}, // 18
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 19
    {0xC0C000, 0x0000C0, 0x606060, 0x606060, 0x90C000, 0x306030, 0x0090C0, 0x603060, 0x606060}, // 20
    {0x202020, 0x000020, 0x200000, 0x201810, 0x102000, 0x002000, 0x001820, 0x200020, 0x202020}, // 21
    {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}, // 22
    {0x606030, 0x181860, 0x303030, 0x303030, 0x486030, 0x183018, 0x184860, 0x301830, 0x404040}, // 23
    {0x202020, 0x000020, 0x200000, 0x201810, 0x102000, 0x002000, 0x001820, 0x200020, 0x202020}, // 24
    {0x606060, 0x606060, 0x606060, 0x606060, 0x606060, 0x606060, 0x606060, 0x606060, 0x606060}, // 25
};

constexpr vesk_background_theme make_background_theme(int column) {
  vesk_background_theme t{};
  t.number = numbers[column];
  t.name = names[column];
  for (int i = 0; i < 3; i++)
    t.colors[i] = background_rgb[column][i];
  return t;
}

constexpr vesk_button_theme make_button_theme(int column) {
  vesk_button_theme t{};
  t.number = numbers[column];
  t.name = names[column];
  for (int i = 0; i < vesk_button_theme::slot_count; i++)
    t.colors[i] = hex(button_hex[i][column]);
  return t;
}

// Constant-initialised, so the current themes are valid before any code runs.
constexpr vesk_background_theme background_themes[vesk_theme_count] = {
    make_background_theme(0), make_background_theme(1), make_background_theme(2),
    make_background_theme(3), make_background_theme(4), make_background_theme(5),
    make_background_theme(6), make_background_theme(7), make_background_theme(8)};
constexpr vesk_button_theme button_themes[vesk_theme_count] = {
    make_button_theme(0), make_button_theme(1), make_button_theme(2),
    make_button_theme(3), make_button_theme(4), make_button_theme(5),
    make_button_theme(6), make_button_theme(7), make_button_theme(8)};

// Theme number -> table; filled by init_themes. Theme numbers are below 100.
const int registry_size = 100;
const vesk_background_theme *background_registry[registry_size] = {};
const vesk_button_theme *button_registry[registry_size] = {};

const vesk_background_theme *current_background = &background_themes[blue_column];
const vesk_button_theme *current_button = &button_themes[blue_column];

// The column of a listed theme number, -1 for any other number.
int column_of(int number) {
  for (int i = 0; i < vesk_theme_count; i++)
    if (numbers[i] == number)
      return i;
  return -1;
}

} // namespace

const int vesk_theme_numbers[vesk_theme_count] = {0, 1, 2, 40, 50, 60, 70, 80, 90};

void init_themes() {
  for (int i = 0; i < vesk_theme_count; i++) {
    background_registry[numbers[i]] = &background_themes[i];
    button_registry[numbers[i]] = &button_themes[i];
  }
}

void switch_background_theme(int current_background_theme) {
  int number = column_of(current_background_theme) < 0 ? VESK_THEME_BLUE : current_background_theme;
  const vesk_background_theme *t = background_registry[number];
  if (!t) {
    if (vesk_debug_level > 1)
      format_message("Error in switch_background_theme() - null theme for index %d.\n", number);
    t = &background_themes[blue_column];
  }
  current_background = t;
}

void switch_button_theme(int current_theme) {
  int number = column_of(current_theme) < 0 ? VESK_THEME_BLUE : current_theme;
  const vesk_button_theme *t = button_registry[number];
  if (!t) {
    if (vesk_debug_level > 1)
      format_message("Error in switch_button_theme() - null theme for index %d.\n", number);
    t = &button_themes[blue_column];
  }
  current_button = t;
}

void apply_themes(int current_background_theme, int current_theme) {
  switch_background_theme(current_background_theme);
  switch_button_theme(current_theme);
}

const vesk_color *current_background_theme_colors() { return current_background->colors; }
const vesk_background_theme &current_background_theme_table() { return *current_background; }
const vesk_button_theme &current_button_theme() { return *current_button; }

const vesk_background_theme &vesk_background_theme_for(int number) {
  int column = column_of(number);
  return background_themes[column < 0 ? blue_column : column];
}

const vesk_button_theme &vesk_button_theme_for(int number) {
  int column = column_of(number);
  return button_themes[column < 0 ? blue_column : column];
}

const char *vesk_theme_name(int number) {
  int column = column_of(number);
  return names[column < 0 ? blue_column : column];
}

const char *vesk_background_style_name(int style) {
  switch (style) {
  case VESK_BG_NONE:
    return "None";
  case VESK_BG_SOLID:
    return "Solid";
  case VESK_BG_MAZE1:
    return "Maze1";
  case VESK_BG_BUBBLES:
    return "Bubbles";
  case VESK_BG_MAZE3:
    return "Maze3";
  default:
    return "Maze2";
  }
}

namespace {

// Each band of 5 rows restarts the generator from its initial state, seeded with the band's top.
void draw_maze(vesk_bitmap &b, int width, int height, int style, const vesk_color *colors) {
  vesk_random rng;
  for (int y = 5; y - 5 < height; y += 5) {
    rng.reset();
    rng.seed(uint32_t(y - 5));
    for (int x = 0; x < width; x += 5) {
      uint32_t r = rng.next();
      if (style == VESK_BG_MAZE3) {
        const vesk_color &c = (r & 2) ? colors[1] : colors[0];
        if (r & 1)
          b.DrawLine(x, y - 5, x + 5, y, c);
        else
          b.DrawLine(x + 5, y - 5, x, y, c);
        continue;
      }
      const vesk_color &c = (style == VESK_BG_MAZE1 || (r & 28) != 0) ? colors[1] : colors[0];
      switch (r & 3) {
      case 0:
        b.DrawLine(x, y - 5, x + 5, y - 5, c);
        break;
      case 1:
        b.DrawLine(x, y - 5, x, y, c);
        break;
      case 2:
        b.DrawLine(x, y - 5, x - 5, y - 5, c);
        break;
      default:
        b.DrawLine(x, y - 5, x, y - 10, c);
        break;
      }
    }
  }
}

// Four layers of rings, dim first; each 16-row band of each layer has its own seed.
void draw_bubbles(vesk_bitmap &b, int width, int height, const vesk_color *colors) {
  vesk_random rng;
  for (uint32_t p = 0; p < 4; p++) {
    const vesk_color &c = p < 2 ? colors[2] : (p == 2 ? colors[1] : colors[0]);
    uint32_t seed = p * 137u + 169135679u;
    for (int top = 0; top < height; top += 16) {
      rng.reset();
      rng.seed(seed);
      for (int left = -16; left < width; left += 16) {
        int cx = left + int(rng.next() & 15);
        int cy = top + int(rng.next() & 15);
        int r = int((rng.next() >> 2) & 3);
        b.DrawFilledCircle(cx, cy, r + 2, c);
        b.DrawFilledCircle(cx, cy, r + 1, vesk_black);
      }
      seed += p * 16u + 19753072u;
    }
  }
}

} // namespace

int make_background(vesk_bitmap &bitmap, int width, int height, int style) {
  return make_background(bitmap, width, height, style, current_background_theme_colors());
}

int make_background(vesk_bitmap &bitmap, int width, int height, int style,
                    const vesk_color colors[3]) {
  if (!bitmap.is_ok() || bitmap.width() != width || bitmap.height() != height) {
    if (!bitmap.create(width, height))
      return 0;
  }
  if (!colors)
    colors = current_background_theme_colors();
  switch (style) {
  case VESK_BG_NONE:
    bitmap.Clear(vesk_black);
    break;
  case VESK_BG_SOLID:
    bitmap.Clear(colors[2]);
    break;
  case VESK_BG_BUBBLES:
    bitmap.Clear(vesk_black);
    draw_bubbles(bitmap, width, height, colors);
    break;
  case VESK_BG_MAZE1:
  case VESK_BG_MAZE3:
    bitmap.Clear(vesk_black);
    draw_maze(bitmap, width, height, style, colors);
    break;
  default:
    bitmap.Clear(vesk_black);
    draw_maze(bitmap, width, height, VESK_BG_MAZE2, colors);
    break;
  }
  return 1;
}
