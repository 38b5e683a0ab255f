// Animation list and frame flash; GUI thread only, so plain pointers without locks.
#include "app/animation.h"

#include "support/log.h"

namespace {
vesk_animated *animation_head = nullptr;
}

vesk_animated::~vesk_animated() { remove_animation(this); }

int vesk_animated::animate(int) {
  if (vesk_debug_level > 0)
    format_message("Error in vesk_embedded_window::animation_callback(), this handler should never be called.\n");
  return 0;
}

bool is_animating(const vesk_animated *item) {
  for (vesk_animated *a = animation_head; a; a = a->next_animating)
    if (a == item)
      return true;
  return false;
}

void add_animation(vesk_animated *item) {
  if (!item || is_animating(item))
    return;
  item->next_animating = animation_head;
  animation_head = item;
}

void remove_animation(vesk_animated *item) {
  for (vesk_animated **link = &animation_head; *link; link = &(*link)->next_animating) {
    if (*link == item) {
      *link = item->next_animating;
      item->next_animating = nullptr;
      return;
    }
  }
}

void run_animations(int ms) {
  vesk_animated **link = &animation_head;
  while (*link) {
    vesk_animated *item = *link;
    if (item->animate(ms)) {
      link = &item->next_animating;
    } else {
      *link = item->next_animating;
      item->next_animating = nullptr;
    }
  }
}

bool vesk_frame_flash::start() {
  shown_count = 0;
  count = 16;
  elapsed = 0;
  period = 200;
  if (count != shown_count) {
    shown_count = count;
    return true;
  }
  return false;
}

int vesk_frame_flash::step(int ms, bool *redraw) {
  elapsed += ms;
  if (elapsed >= period) {
    count--;
    elapsed = ms < period ? elapsed - period : 0;
  }
  bool changed = count != shown_count;
  if (changed)
    shown_count = count;
  if (redraw)
    *redraw = changed;
  return count > 0 ? 1 : 0;
}
