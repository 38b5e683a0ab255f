// Drawing the scrollback: the visible display lines into the text control's bitmap, with
// selection highlighting, and the display's layout and frame.
#include "text/text_render.h"

#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "support/log.h"
#include "text/text_buffer.h"

void vesk_text_buffer::repaint_internal(vesk_bitmap &bitmap) {
  bitmap.Clear(background);
  if (line_height <= 0) {
    if (vesk_debug_level > 1)
      format_message("Error in vesk_textctrl::repaint_internal(), font height %d.\n", line_height);
    return;
  }
  if (!font)
    return;
  // A blank whose glyph has no ink need not be blended, only stepped over.
  skip_blanks = false;
  if (const vesk_bitmap *blank = font->get_glyph(' ')) {
    skip_blanks = true;
    for (int y = 0; y < blank->height() && skip_blanks; y++)
      for (int x = 0; x < blank->width(); x++)
        if (blank->get_pixel(x, y).green != 0) {
          skip_blanks = false;
          break;
        }
  }
  std::lock_guard<std::mutex> guard(mutex);
  const int h = line_height;
  if (!top_anchored) {
    int y = client_height - h - 1;
    for (int n = view_position; y > -h && n >= 0; n--, y -= h)
      if (n <= last_line)
        draw_line(bitmap, n, y);
  } else {
    int i = view_position > 0 ? view_position : 0;
    for (int y = 0; y < client_height && i <= last_line; y += h, i++)
      draw_line(bitmap, i, y);
  }
}

void vesk_text_buffer::draw_line(vesk_bitmap &bitmap, int index, int y) {
  const vesk_textctrl_line *line = record(index);
  if (line->length <= 0)
    return;

  // Selected bytes of this line: [selected_from, selected_to).
  int64_t selected_from = 0, selected_to = 0;
  const vesk_text_selection &s = selection;
  if (s.active && index >= s.start_line && index <= s.end_line) {
    if (s.start_line == s.end_line) {
      selected_from = s.start_offset;
      selected_to = (int64_t)s.end_offset + 1;
      if (s.start_offset > line->length && vesk_debug_level > 1)
        format_message("Error in vesk_textctrl::render_partially_selected_nsn_line(), offset < start offset?\n");
    } else if (index == s.start_line) {
      selected_from = s.start_offset;
      selected_to = line->length;
    } else if (index == s.end_line) {
      selected_from = 0;
      selected_to = (int64_t)s.end_offset + 1;
    } else {
      selected_from = 0;
      selected_to = line->length;
    }
  }
  const vesk_color shade(selection_shade, selection_shade, selection_shade);
  const int right = bitmap.width();
  int x = 1;
  int64_t position = 0;
  for_each_piece(*line, [&](const char *text, int n, const vesk_textctrl_chunk &chunk) {
    if (x >= right) // the rest of the line is off the bitmap
      return;
    const vesk_color colour = chunk.color();
    int64_t piece_end = position + n;
    // Up to three stretches: before, inside and after the selection.
    int64_t cuts[4] = {position, position, piece_end, piece_end};
    if (selected_to > position && selected_from < piece_end) {
      cuts[1] = selected_from > position ? selected_from : position;
      cuts[2] = selected_to < piece_end ? selected_to : piece_end;
    } else {
      cuts[1] = cuts[2] = piece_end;
    }
    for (int part = 0; part < 3; part++) {
      int count = (int)(cuts[part + 1] - cuts[part]);
      if (count <= 0)
        continue;
      const char *t = text + (cuts[part] - position);
      if (part == 1) {
        bitmap.DrawText(*font, t, count, x, y, colour, shade);
        x += font->text_width(t, count);
      } else if (!skip_blanks) {
        bitmap.DrawTextTransparent(*font, t, count, x, y, colour);
        x += font->text_width(t, count);
      } else {
        // Word by word: the blanks between them only move the pen.
        const char *end = t + count;
        while (t < end) {
          const char *word = t;
          while (t < end && *t != ' ')
            t++;
          if (t > word) {
            bitmap.DrawTextTransparent(*font, word, (int)(t - word), x, y, colour);
            x += font->text_width(word, (int)(t - word));
          }
          const char *blanks = t;
          while (t < end && *t == ' ')
            t++;
          x += (int)(t - blanks) * font->glyph_width(' ');
        }
      }
    }
    position = piece_end;
  });
}

vesk_display_layout vesk_compute_display_layout(int width, int height, int scrollbar_width, bool scrollbar_shown,
                                                bool border) {
  vesk_display_layout layout;
  int bar = scrollbar_width < 1 ? 1 : scrollbar_width;
  layout.scrollbar_x = width - bar;
  layout.scrollbar_y = 0;
  layout.scrollbar_width = bar;
  layout.scrollbar_height = height < 1 ? 1 : height;
  layout.scrollbar_shown = scrollbar_shown;
  int s = scrollbar_shown ? bar : 0;
  if (border) {
    layout.text_x = 2;
    layout.text_y = 2;
    layout.text_width = width - s - 4;
    layout.text_height = height - 4;
  } else {
    layout.text_x = 0;
    layout.text_y = 0;
    layout.text_width = width - s;
    layout.text_height = height;
  }
  if (layout.text_width < 1)
    layout.text_width = 1;
  if (layout.text_height < 1)
    layout.text_height = 1;
  return layout;
}

void vesk_draw_display_frame(vesk_bitmap &bitmap, int w, int h, int flash_count, bool following) {
  vesk_color inner(128, 128, 128);
  vesk_color outer(255, 255, 255);
  if (flash_count > 0) {
    inner = outer = (flash_count & 1) ? vesk_white : vesk_black;
  } else if (!following) {
    inner = vesk_color(192, 0, 0);
    outer = vesk_color(255, 0, 0);
  }
  bitmap.DrawLine(1, 1, w - 1, 1, inner);
  bitmap.DrawLine(1, 1, 1, h - 1, inner);
  bitmap.DrawLine(1, h - 2, w - 1, h - 2, inner);
  bitmap.DrawLine(w - 2, 1, w - 2, h - 1, inner);
  bitmap.DrawLine(0, 0, w, 0, outer);
  bitmap.DrawLine(0, 0, 0, h, outer);
  bitmap.DrawLine(0, h - 1, w, h - 1, outer);
  bitmap.DrawLine(w - 1, 0, w - 1, h, outer);
}
