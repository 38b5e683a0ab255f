// Geometry and frame of an ANSI display, computed and drawn without the toolkit; the display
// window places its children from the layout and copies the painted frame to the screen.
#pragma once

class vesk_bitmap;

struct vesk_display_layout {
  int scrollbar_x = 0, scrollbar_y = 0, scrollbar_width = 1, scrollbar_height = 1;
  bool scrollbar_shown = true;
  int text_x = 0, text_y = 0, text_width = 1, text_height = 1;
};

// Client size (width, height) of the display, the scroll bar's natural width, whether it is
// shown and whether the two-pixel frame is drawn (the text control is then inset by 2).
vesk_display_layout vesk_compute_display_layout(int width, int height, int scrollbar_width, bool scrollbar_shown,
                                                bool border);

// The display's frame in its client area: grey and white normally, red while scrolled back
// (not following), white/black on odd/even counts while a frame flash runs. `width` already
// excludes a shown scroll bar.
void vesk_draw_display_frame(vesk_bitmap &bitmap, int width, int height, int flash_count, bool following);
