// The outgoing buffer of the game connection.
#include "net/outgoing_buffer.h"

#include "support/log.h"

#include <cstring>

void vesk_outgoing_buffer::append(const char *text) {
  if (text)
    append_bytes(text, (int)std::strlen(text));
}

void vesk_outgoing_buffer::append_bytes(const char *data, int length) {
  if (!data || length <= 0)
    return;
  if (length > capacity - fill) {
    length = capacity - fill;
    if (vesk_debug_level >= 2)
      format_message("Error in append_outgoing_string() - not enough space in outgoing buffer?\n");
  }
  std::memcpy(bytes + fill, data, (size_t)length);
  fill += length;
}

void vesk_outgoing_buffer::consume(int n) {
  if (n >= fill) {
    fill = 0;
    return;
  }
  if (n <= 0)
    return;
  std::memmove(bytes, bytes + n, (size_t)(fill - n));
  fill -= n;
}
