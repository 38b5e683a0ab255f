// Geometry of the main window without the toolkit: every panel rectangle from the client size,
// the layout settings and the panels' own sizes; the cached background picture with its growth
// rule; and where the logo and the web address go on it.
#pragma once

#include "drawing/bitmap.h"
#include "drawing/color.h"

class vesk_glyph_font;

struct vesk_rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  constexpr vesk_rect() = default;
  constexpr vesk_rect(int x_, int y_, int w_, int h_) : x(x_), y(y_), width(w_), height(h_) {}
  bool contains(int px, int py) const {
    return px >= x && py >= y && px - x < width && py - y < height;
  }
  bool operator==(const vesk_rect &o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
  bool operator!=(const vesk_rect &o) const { return !(*this == o); }
};

// Fixed sizes of the window's blocks.
enum {
  VESK_DIRECTION_BLOCK_WIDTH = 97,
  VESK_DIRECTION_BLOCK_HEIGHT = 130,
  VESK_BOTTOM_BAR_HEIGHT = 46,
  VESK_STATUS_BAR_HEIGHT = 21,
  VESK_VITAL_ROW_HEIGHT = 21,
  VESK_LEFT_COLUMN_WIDTH = 160,
  VESK_LEFT_COLUMN_SPAN = 164, // with its margin
  VESK_LOGO_WIDTH = 192,
  VESK_LOGO_HEIGHT = 43,
};

// Values of current_layout.
enum { VESK_LAYOUT_EMBEDDED = 0, VESK_LAYOUT_LEFT_TOP = 1, VESK_LAYOUT_LEFT_BOTTOM = 2 };

// Width of the function-key bar of height h: 8h - 10.
inline int vesk_fkey_bar_width(int height) { return 8 * height - 10; }

// The character settings the layout reads, by their setting names; defaults are the settings'
// defaults. A switch is on when it is not 0.
struct vesk_layout_settings {
  int current_layout = 2; // below 0 reads as 0, above 2 as 2
  int direction_button_enable = 0;
  int hint_button_enable = 1;
  int fkey_button_display = 0;
  int popup_display = 1;
  int status_bar = 1;
  int hpbar_enable = 1;
  int exp_display = 1;
  int enemy_hpbar_enable = 1;
  int group_status_display = 1; // 0 off, 1 vertical, 2 horizontal
  int automap_docked = 1;
  int automap_display = 1;
  int input_height = 48;
  int channel_window_enable = 0;
  int channel_window_height = 25; // percent of the height left above the input area
};

struct vesk_layout_input {
  // Client size now; when either is 0 the saved size (the last non-zero size seen) is used.
  int client_width = 0;
  int client_height = 0;
  int saved_width = 0;
  int saved_height = 0;
  int connection_state = 0; // 2 = playing: only then is the channel window shown
  vesk_layout_settings settings;
  // The panels' own sizes: the automap window, and the height the group display's members need.
  int automap_width = 1;
  int automap_height = 1;
  int group_display_height = 1;
};

// What the layout does to one panel. show: -1 leaves its visibility alone, 0 hides, 1 shows it.
// placed: the panel takes rect (and is refreshed); otherwise its geometry stays as it is.
struct vesk_layout_panel {
  int show = -1;
  int placed = 0;
  vesk_rect rect;
};

struct vesk_layout {
  int width = 0; // the client size used
  int height = 0;
  // Undocked automap: map_frame's client size (rect at 0, 0) and the automap inside it.
  int automap_in_frame = 0;
  vesk_layout_panel map_frame;
  vesk_layout_panel automap; // in map_frame when automap_in_frame, else in the left column
  vesk_layout_panel direction_buttons;
  vesk_layout_panel hint_buttons;
  vesk_layout_panel group_display;
  vesk_layout_panel fkey_buttons;
  vesk_layout_panel popup_bar;
  vesk_layout_panel status_bar;
  vesk_layout_panel input_line;
  vesk_layout_panel vital_bars;
  vesk_layout_panel channel_window;
  vesk_layout_panel main_display;
  // Vital bars panel fields set on every layout: frame mask and the three copied switches.
  int vital_frame_mask = 15;
  int vital_show_bars = 0;
  int vital_show_exp = 0;
  int vital_show_enemy = 0;
  // Intermediate values, for the panels that want them: left column width, right edge of the
  // text stack, and the width left for it.
  int left_width = 0;
  int stack_right = 0;
  int usable_width = 0;
};

// The whole layout of the main window. Pure: the same input always gives the same result.
// Every width and height given out is at least 1; in a tiny window panels may overlap.
vesk_layout vesk_compute_layout(const vesk_layout_input &input);

// Height of the vital bars panel for the three switches: 42, 21 or 0 (not placed).
int vesk_vital_bars_height(int hpbar_enable, int exp_display, int enemy_hpbar_enable);

// The background picture of the main window, cached and only ever grown.
class vesk_background {
public:
  // Size of a new bitmap for a client size and the old bitmap's size (0 without one): per
  // direction 256 * (m / 256) + 256 with m the larger of the two.
  static int grown_size(int client, int old_size);

  // (Re)builds the picture for the client size, style (theme_bg_setting) and three colours
  // (brightest first; null: the current background theme's). Unless forced, nothing is done when
  // the bitmap is at least the client size and was built for this style and these colours. A
  // bitmap that is still large enough keeps its size when rebuilt (style or colour change, or
  // forced), so theme changes never grow it; otherwise it grows by the rule above. Returns 1 when
  // a picture was drawn, 0 when the cached one stands (also when the new bitmap cannot be
  // allocated: then the old one stays, with a log line).
  int build_background(int client_width, int client_height, int style, const vesk_color *colors,
                       int force);

  bool exists() const { return bitmap.is_ok(); }
  int width() const { return exists() ? bitmap.width() : 0; }
  int height() const { return exists() ? bitmap.height() : 0; }

  vesk_bitmap bitmap{0, 0}; // no pixel data until the first build
  int built_style = -1;
  vesk_color built_colors[3];
};

// Where the logo, the web-address text and the clickable rectangle go for a layout and client
// size, given the logo's size and the measured size of the address text.
struct vesk_logo_placement {
  int logo_x = 0;
  int logo_y = 0;
  int text_x = 0;
  int text_y = 0;
  vesk_rect link; // a left click inside it opens the game's main web page
};

vesk_logo_placement vesk_place_logo(int current_layout, int client_width, int client_height,
                                    int logo_width, int logo_height, int text_width,
                                    int text_height);

// The window's picture for one paint: picture becomes client-size (at least 1 x 1), holding the
// background's top-left part with the logo blended over it by its alpha, and, when a font is
// given, the address text drawn white on black at its place. Without a background picture it logs
// "Error in vesk_mw::repaint_handler() - no background image?" (level above 1), leaves picture
// alone and returns 0; else returns 1. logo and font may be null (nothing drawn for them).
int vesk_compose_window_picture(vesk_bitmap &picture, const vesk_background &background,
                                const vesk_bitmap *logo, const vesk_glyph_font *font,
                                const char *address, const vesk_logo_placement &place,
                                int client_width, int client_height);
