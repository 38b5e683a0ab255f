// Multiply-with-carry generator; the constants fix the sequences other code relies on.
#include "support/random.h"

vesk_random vesk_main_random;

void vesk_random::init() {
  uint32_t a = 123456789u;
  for (int i = 0; i < 8; i++) {
    initial_words[i] = words[i] = a;
    a = a * 1664525u + 1013904223u;
  }
  initial_carry = carry = 362436u;
  initial_index = index = 0;
}

void vesk_random::reset() {
  for (int i = 0; i < 8; i++)
    words[i] = initial_words[i];
  index = initial_index;
  carry = initial_carry;
}

void vesk_random::seed(uint32_t n) {
  for (int i = 0; i < 8; i++) {
    n = n * 1664525u + 1013904223u;
    words[i] ^= n;
  }
  for (int i = 0; i < 8; i++)
    next();
}

uint32_t vesk_random::next() {
  uint64_t t = (uint64_t)words[index] * 809430660u + carry;
  carry = (uint32_t)(t >> 32);
  words[index] = (uint32_t)t;
  index = (index + 1) & 7;
  return (uint32_t)t;
}

int vesk_random::below(int n) { return (int)(((int64_t)n * (int64_t)(next() & 65535)) >> 16); }

double vesk_random::next_double() { return (double)(next() >> 1) * (1.0 / 2147483648.0); }
