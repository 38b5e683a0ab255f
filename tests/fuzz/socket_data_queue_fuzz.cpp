// Fuzzes the buffered byte queue: random sequences of writes, reads, lines, copies and clears on
// two queues sharing the free list, checked against a std::deque model and the list invariants.
#include "net/socket_data_queue.h"
#include "support/log.h"

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>

namespace {

const int B = private_socket_queue_buffer::data_size;

struct Input {
  const uint8_t *data;
  size_t size, pos = 0;
  uint8_t byte() { return pos < size ? data[pos++] : 0; }
  int number(int limit) { // 0 .. limit-1, biased towards buffer-edge sizes
    int n = (byte() << 8) | byte();
    switch (byte() % 4) {
    case 0:
      return n % limit;
    case 1:
      return (B - 2 + byte() % 5) % limit;
    case 2:
      return (2 * B - 2 + byte() % 5) % limit;
    default:
      return byte() % 16 % limit;
    }
  }
};

void check(bool ok) {
  if (!ok)
    abort();
}

// Structure and contents of the queue against the model.
void check_invariants(vesk_socket_data_queue &q, const std::deque<char> &model) {
  int count = 0;
  long long fills = 0;
  std::deque<char>::const_iterator m = model.begin();
  private_socket_queue_buffer *last = nullptr;
  for (private_socket_queue_buffer *b = q.head; b; b = b->next) {
    count++;
    check(b->fill >= 1 && b->fill <= B);
    check(b->read_position >= 0 && b->read_position <= b->fill);
    if (b != q.head)
      check(b->read_position == 0); // only the head is partly read
    if (b->next)
      check(b->fill == B); // every buffer but the last is full
    for (int i = b->read_position; i < b->fill; i++, ++m) {
      check(m != model.end());
      check(b->data[i] == *m);
    }
    fills += b->fill;
    last = b;
  }
  check(m == model.end());
  check(count == q.buffer_count);
  check(q.tail == ((last && last->fill < B) ? last : nullptr));
  if (q.max_buffers > 0)
    check(count <= q.max_buffers);
  check(q.is_empty() == (model.empty() ? 1 : 0));
  check(q.bytes_available() == (int)model.size());
  int space = q.get_remaining_space();
  check(space == (q.max_buffers > 0 ? (int)(q.max_buffers * (long long)B - fills) : -1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  vesk_logging_enabled = 0;
  Input in{data, size};
  static const int limits[] = {0, -1, 1, 2, 3};
  vesk_socket_data_queue queues[2] = {vesk_socket_data_queue(limits[in.byte() % 5]),
                                      vesk_socket_data_queue(limits[in.byte() % 5])};
  std::deque<char> models[2];
  std::string scratch;
  for (int step = 0; step < 200 && in.pos < in.size; step++) {
    int which = in.byte() & 1;
    vesk_socket_data_queue &q = queues[which];
    std::deque<char> &model = models[which];
    switch (in.byte() % 8) {
    case 0:
    case 1: { // put_bytes: cut short only by a reached limit
      // Letters with a line feed every so often (or never, for lines longer than a text holds)
      // and sometimes one zero byte.
      int n = in.number(3 * B);
      int mode = in.byte();
      int line_every = (mode & 3) == 0 ? 0 : 1 + (in.byte() << 5) + in.byte() % 32;
      if ((mode & 0x60) == 0x20) // lines right at the size a text holds
        line_every = vesk_fixed_text::capacity - 2 + in.byte() % 4;
      int zero_at = (mode & 0x1c) == 0 ? in.number(n + 1) : -1;
      scratch.assign((size_t)n, 0);
      for (int i = 0; i < n; i++) {
        char c = (char)('a' + (step + i) % 26);
        if (line_every && i % line_every == line_every - 1)
          c = '\n';
        if (i == zero_at)
          c = 0;
        scratch[(size_t)i] = c;
      }
      int stored = q.put_bytes(scratch.data(), n);
      check(stored >= 0 && stored <= n);
      if (stored < n)
        check(q.limit_reached == 1 && q.max_buffers > 0 && q.buffer_count == q.max_buffers && !q.tail);
      model.insert(model.end(), scratch.begin(), scratch.begin() + stored);
      break;
    }
    case 2: { // put_string with an occasional zero inside: stops there
      std::string s = "line" + std::to_string(step) + "\n";
      if (in.byte() % 3 == 0)
        s[2] = 0;
      int stored = q.put_string(s.c_str());
      check(stored <= (int)std::char_traits<char>::length(s.c_str()));
      model.insert(model.end(), s.begin(), s.begin() + stored);
      break;
    }
    case 3:
    case 4: { // read_block
      int n = in.number(3 * B) + 1;
      scratch.assign((size_t)n, 0);
      int got = q.read_block(&scratch[0], n);
      check(got >= 0 && got <= n && got <= (int)model.size());
      // A read stops early only at the end of the data.
      check(got == n || got == (int)model.size());
      for (int i = 0; i < got; i++) {
        check(scratch[(size_t)i] == model.front());
        model.pop_front();
      }
      break;
    }
    case 5: { // get_line
      vesk_fixed_text text;
      int got = q.get_line(text);
      check(got == text.length);
      size_t i = 0;
      for (; i < model.size() && model[i] != '\n' && i < (size_t)vesk_fixed_text::capacity - 1; i++)
        ;
      check(got == (int)i);
      for (size_t k = 0; k < i; k++)
        check(text.data[k] == model[k]);
      bool line_end = i < model.size() && model[i] == '\n';
      model.erase(model.begin(), model.begin() + (long)i + (line_end ? 1 : 0));
      break;
    }
    case 6: { // copy_text_without_remove leaves the queue as it was
      vesk_fixed_text text;
      int r = q.copy_text_without_remove(text);
      size_t i = 0;
      for (; i < model.size() && model[i] != 0 && i < (size_t)vesk_fixed_text::capacity - 1; i++)
        check(text.data[i] == model[i]);
      check(text.length == (int)i);
      if (model.empty())
        check(r == (q.head ? 0 : 1)); // a drained head buffer counts as a failed copy
      else
        check(r == (i == model.size() ? 1 : 0));
      break;
    }
    default:
      if (in.byte() % 4 == 0) {
        q.clear();
        model.clear();
        check(q.head == nullptr && q.buffer_count == 0);
      }
      break;
    }
    check_invariants(q, model);
  }
  return 0;
}
