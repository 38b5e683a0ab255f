// The input line's container drawing: a black area with its frame, and where the text control
// sits inside it.
#pragma once

class vesk_bitmap;

// Clears the bitmap to black and draws the frame around all of it: outer lines and the two
// rightmost columns white, the column next to the leftmost grey. While a flash runs
// (flash_count above 0) every frame line is white on odd counts and black on even ones.
void vesk_paint_input_frame(vesk_bitmap &bitmap, int flash_count);

// The text control's rectangle inside a container of width x height: (2, 1), two pixels
// narrower on each side and one shorter at top and bottom, each size at least 1.
void vesk_input_control_rect(int width, int height, int *x, int *y, int *w, int *h);
