// View arithmetic of the scrollback: the visible line count, the view position and scroll-bar
// metrics of the text control, and the display's following/locking and scroll commands.
#include "text/text_buffer.h"

#include "support/log.h"

int vesk_text_buffer::get_visible_line_count() const {
  if (line_height <= 0) {
    if (vesk_debug_level > 1)
      format_message("Error in vesk_textctrl::get_visible_line_count(), font height %d.\n", line_height);
    return 20;
  }
  int count = client_height / line_height;
  return count < 1 ? 1 : count;
}

void vesk_text_buffer::set_view_position(int position) {
  if (position < 0)
    position = 0;
  int bound = top_anchored ? last_line : last_line + get_visible_line_count();
  view_position = position < bound ? position : bound;
  refresh_text();
}

int vesk_text_buffer::set_view_from_thumb(int thumb) {
  int position = top_anchored ? thumb : thumb + get_visible_line_count();
  set_view_position(position);
  return position;
}

void vesk_text_buffer::get_scroll_metrics(int *thumb, int *range, int *page) const {
  int visible = get_visible_line_count();
  if (page)
    *page = visible;
  if (top_anchored) {
    if (thumb)
      *thumb = view_position;
    if (range)
      *range = last_line + visible + 1;
  } else {
    if (thumb)
      *thumb = view_position - visible;
    if (range)
      *range = last_line;
  }
}

void vesk_text_buffer::update_scrollbar() {
  int thumb, range, page;
  get_scroll_metrics(&thumb, &range, &page);
  if (!observer)
    return;
  // Setting a neighbouring position first makes the toolkit redraw the bar even when the
  // position itself did not change.
  observer->set_scrollbar(thumb - 1, page, range, page);
  observer->set_scrollbar(thumb, page, range, page);
}

void vesk_text_buffer::scroll_to_end() {
  int position = last_line;
  if (top_anchored)
    position -= get_visible_line_count() - 1;
  scroll_position = position;
  set_view_position(position);
  update_scrollbar();
}

void vesk_text_buffer::scroll_to_line(int thumb) {
  refresh_both();
  scroll_position = set_view_from_thumb(thumb);
  update_scrollbar();
}

void vesk_text_buffer::follow() {
  following = true;
  locked = false;
  scroll_to_end();
  refresh_both();
  if (observer)
    observer->following_changed();
}

void vesk_text_buffer::follow_if_not() {
  if (!following)
    follow();
}

void vesk_text_buffer::lock() {
  if (!never_unfollow) {
    following = false;
    locked = true;
    scroll_to_end();
  }
  refresh_both();
  if (observer)
    observer->following_changed();
}

void vesk_text_buffer::lock_if_following() {
  if (following)
    lock();
}

void vesk_text_buffer::scroll_by(int lines) {
  int visible = get_visible_line_count();
  int low, high;
  if (top_anchored) {
    low = 0;
    high = last_line - visible + 1;
  } else {
    low = visible - 1;
    high = last_line;
  }
  // When everything fits (high below low) the only place to be is the end.
  int64_t wanted = (int64_t)scroll_position + lines;
  int position = wanted < low ? low : wanted > INT32_MAX ? INT32_MAX : (int)wanted;
  if (position > high)
    position = high;
  if (position == high)
    follow_if_not();
  scroll_position = position;
  set_view_position(position);
  update_scrollbar();
}

void vesk_text_buffer::scroll_up(int lines) {
  int half = get_visible_line_count() / 2;
  int m = lines < half ? lines : half;
  scroll_by(m > 0 ? -m : -1);
}

void vesk_text_buffer::scroll_down(int lines) {
  int half = get_visible_line_count() / 2;
  int m = lines < half ? lines : half;
  scroll_by(m > 0 ? m : 1);
}

void vesk_text_buffer::page_up() {
  int half = get_visible_line_count() / 2;
  scroll_by(half > 0 ? -half : -1);
}

void vesk_text_buffer::page_down() {
  int half = get_visible_line_count() / 2;
  scroll_by(half > 0 ? half : 1);
}

void vesk_text_buffer::scrollbar_moved(int thumb) {
  int visible = get_visible_line_count();
  int bound = last_line + (top_anchored ? visible : 0);
  if (bound > visible) {
    int position = set_view_from_thumb(thumb);
    scroll_position = position;
    if (position < bound && following) {
      if (!never_unfollow) {
        following = false;
        locked = true;
      }
      refresh_both();
      // The status bar's lock image must show the new state as lock() would.
      if (observer)
        observer->following_changed();
    }
    if (position >= bound && !following)
      follow();
  } else {
    scroll_position = thumb;
    if (!following)
      follow();
  }
}

void vesk_text_buffer::mouse_wheel(int rotation) {
  if (rotation == 0)
    return;
  lock_if_following();
  if (rotation > 0)
    scroll_up(3);
  else
    scroll_down(3);
}
