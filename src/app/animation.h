// The process-wide list of panels that animate, driven by the main window's 20 ms tick, and the
// frame flash that every flashing panel shares.
#pragma once

class vesk_animated {
public:
  virtual ~vesk_animated();
  // Advances by ms; returning 0 takes the object off the list.
  virtual int animate(int ms);

  vesk_animated *next_animating = nullptr;
};

// Pushes onto the front unless already listed.
void add_animation(vesk_animated *item);
void remove_animation(vesk_animated *item);
bool is_animating(const vesk_animated *item);
// Calls animate(ms) on every listed item; those that return 0 leave the list.
void run_animations(int ms);

// A frame flash: 16 steps of 200 ms; panels draw their frame white on odd counts.
struct vesk_frame_flash {
  int shown_count = 0;
  int count = 0;
  int elapsed = 0;
  int period = 200;

  // Restarts the flash; true when the panel must be redrawn.
  bool start();
  // Advances by ms; sets *redraw when the count changed. Returns 1 while the flash goes on.
  int step(int ms, bool *redraw);
  bool frame_lit() const { return (shown_count & 1) != 0; }
};
