// Multiply-with-carry random generator of lag 8. The program keeps separate states (the main one,
// one for background pictures), so sequences are reproducible per state.
#pragma once

#include <cstdint>

class vesk_random {
public:
  vesk_random() { init(); }
  void init();
  void reset();
  void seed(uint32_t n);
  uint32_t next();
  // An integer in [0, n).
  int below(int n);
  double next_double();

  int index = 0;
  int initial_index = 0;
  uint32_t initial_words[8] = {};
  uint32_t words[8] = {};
  uint32_t initial_carry = 0;
  uint32_t carry = 0;
};

// The main generator, seeded at start-up.
extern vesk_random vesk_main_random;
