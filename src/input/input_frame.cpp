// Drawing of the input line's container and the placement of the control inside it.
#include "input/input_frame.h"

#include "drawing/bitmap.h"

void vesk_paint_input_frame(vesk_bitmap &bitmap, int flash_count) {
  bitmap.Clear(vesk_black);
  int w = bitmap.width(), h = bitmap.height();
  if (flash_count > 0) {
    bitmap.DrawFrame(w, h, VESK_FRAME_ALL, (flash_count & 1) ? vesk_white : vesk_black);
    return;
  }
  // The stock frame's left side is white with a grey inner column; the other sides are all white.
  bitmap.DrawFrame(w, h, VESK_FRAME_LEFT);
  bitmap.DrawFrame(w, h, VESK_FRAME_TOP | VESK_FRAME_RIGHT | VESK_FRAME_BOTTOM, vesk_white);
}

void vesk_input_control_rect(int width, int height, int *x, int *y, int *w, int *h) {
  *x = 2;
  *y = 1;
  *w = width - 4 < 1 ? 1 : width - 4;
  *h = height - 2 < 1 ? 1 : height - 2;
}
