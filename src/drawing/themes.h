// Colour themes of the client (nine background and nine button themes) and the procedural
// background pictures of the main window. Theme switching and the pictures are GUI-thread work.
#pragma once

#include "drawing/bitmap.h"
#include "drawing/color.h"

// The theme numbers stored in the settings `current_theme` and `current_background_theme`.
enum {
  VESK_THEME_YELLOW = 0,
  VESK_THEME_BLUE = 1,
  VESK_THEME_RED = 2,
  VESK_THEME_BROWN = 40,
  VESK_THEME_YGREEN = 50,
  VESK_THEME_GREEN = 60,
  VESK_THEME_CYAN = 70,
  VESK_THEME_PURPLE = 80,
  VESK_THEME_GREY = 90,
};

// Values of `theme_bg_setting`; any other value draws as Maze2.
enum {
  VESK_BG_NONE = 0,
  VESK_BG_SOLID = 1,
  VESK_BG_MAZE1 = 2,
  VESK_BG_MAZE2 = 3,
  VESK_BG_BUBBLES = 4,
  VESK_BG_MAZE3 = 5,
};

const int vesk_theme_count = 9;
// The theme numbers in menu order: 0, 1, 2, 40, 50, 60, 70, 80, 90.
extern const int vesk_theme_numbers[vesk_theme_count];

// Three colours, brightest first.
struct vesk_background_theme {
  int number;
  const char *name;
  vesk_color colors[3];
};

// Slot 0 frames framed panels, slot 1 borders list panels; slots 2 to 25 are eight groups of
// (border, face, text) for the button states.
struct vesk_button_theme {
  static const int slot_count = 26;
  int number;
  const char *name;
  vesk_color colors[slot_count];

  // A slot outside 0..25 reads as slot 0, so a bad index never reads past the table.
  const vesk_color &slot(int n) const { return colors[(n >= 0 && n < slot_count) ? n : 0]; }
  // Group 1..8 (anything else reads as group 1).
  const vesk_color &group_border(int group) const { return colors[group_base(group)]; }
  const vesk_color &group_face(int group) const { return colors[group_base(group) + 1]; }
  const vesk_color &group_text(int group) const { return colors[group_base(group) + 2]; }

private:
  static int group_base(int group) { return 2 + 3 * ((group >= 1 && group <= 8) ? group - 1 : 0); }
};

// Builds the theme registry (start-up). Until then, switching logs a missing theme and keeps Blue;
// the current themes are Blue from program load, so painters always find colours.
void init_themes();

// Make the background or button theme of a theme number current. A number that names no theme
// selects Blue silently; a listed number whose table is missing logs and selects Blue.
void switch_background_theme(int current_background_theme);
void switch_button_theme(int current_theme);
// switch_background_theme, then switch_button_theme.
void apply_themes(int current_background_theme, int current_theme);

// The current background theme's three colours (brightest first) and the current button theme.
const vesk_color *current_background_theme_colors();
const vesk_background_theme &current_background_theme_table();
const vesk_button_theme &current_button_theme();

// The tables a theme number selects (Blue for unlisted numbers), without switching.
const vesk_background_theme &vesk_background_theme_for(int number);
const vesk_button_theme &vesk_button_theme_for(int number);
// Menu names: "Yellow" ... "Grey" (unlisted numbers give "Blue"); "None", "Solid", "Maze1",
// "Maze2", "Bubbles", "Maze3" (other styles give "Maze2").
const char *vesk_theme_name(int number);
const char *vesk_background_style_name(int style);

// Draws the background picture of a style into bitmap, (re)creating it at width x height first
// when its size differs. The colours are three, brightest first; without them the current
// background theme's are used. The same size, style and colours always give the same pixels.
// Returns 1, or 0 when the bitmap cannot be created (size below 1 or too large).
int make_background(vesk_bitmap &bitmap, int width, int height, int style);
int make_background(vesk_bitmap &bitmap, int width, int height, int style,
                    const vesk_color colors[3]);
