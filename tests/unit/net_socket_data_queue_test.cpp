// Tests of the buffered byte queue: growth and limits, reading across buffers, lines, copies
// without removal, and reuse of spare buffers through the free list.
#include "net/socket_data_queue.h"
#include "log_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int B = private_socket_queue_buffer::data_size;

std::string pattern(int n, int seed = 0) {
  std::string s((size_t)n, 0);
  for (int i = 0; i < n; i++)
    s[(size_t)i] = (char)('a' + (i * 7 + seed + i / B) % 26);
  return s;
}

std::string read_all(vesk_socket_data_queue &q, int block) {
  std::string out;
  std::string buffer((size_t)block, 0);
  for (;;) {
    int n = q.read_block(&buffer[0], block);
    if (n <= 0)
      break;
    out.append(buffer, 0, (size_t)n);
  }
  return out;
}

int walk_count(const vesk_socket_data_queue &q) {
  int n = 0;
  for (auto *b = q.head; b; b = b->next)
    n++;
  return n;
}

TEST(SocketDataQueue, WritesAndReadsShapeTheBufferList) {
  struct Case {
    const char *name;
    int limit, write, read;
    int stored, got, buffers, available;
    bool tail_null, limit_reached, empty;
    int spare_change; // buffers handed back to the free list by the read
  } cases[] = {
      {"one byte", 0, 1, 0, 1, 0, 1, 1, false, false, false, 0},
      {"exactly one buffer", 0, B, 0, B, 0, 1, B, true, false, false, 0},
      {"one byte more opens a second buffer", 0, B + 1, 0, B + 1, 0, 2, B + 1, false, false, false, 0},
      {"limit of one cuts 5000 bytes", 1, 5000, 0, B, 0, 1, B, true, true, false, 0},
      {"limit of two", 2, 9000, 0, 2 * B, 0, 2, 2 * B, true, true, false, 0},
      {"negative limit does not bound growth", -1, 3 * B, 0, 3 * B, 0, 3, 3 * B, true, false, false, 0},
      {"full buffer read out goes to the free list", 0, B, B, B, B, 0, 0, true, false, true, 1},
      {"partly filled last buffer read out stays", 0, 100, 100, 100, 100, 1, 0, false, false, true, 0},
      {"read stops at the data", 0, 10, 100, 10, 10, 1, 0, false, false, true, 0},
      {"read across a buffer boundary", 0, 5000, 4500, 5000, 4500, 1, 500, false, false, false, 1},
      {"read inside the first buffer", 0, 5000, 4000, 5000, 4000, 2, 1000, false, false, false, 0},
      {"reading clears the limit flag", 1, 5000, B, B, B, 0, 0, true, false, true, 1},
      {"nothing to read", 0, 0, 10, 0, 0, 0, 0, true, false, true, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    vesk_socket_data_queue q(c.limit);
    std::string data = pattern(c.write);
    EXPECT_EQ(q.put_bytes(data.data(), c.write), c.stored);
    int spare_before = private_socket_queue_buffer::spare_count();
    std::string got((size_t)(c.read > 0 ? c.read : 1), 0);
    EXPECT_EQ(q.read_block(&got[0], c.read), c.got);
    EXPECT_EQ(got.substr(0, (size_t)c.got), data.substr(0, (size_t)c.got));
    EXPECT_EQ(private_socket_queue_buffer::spare_count() - spare_before, c.spare_change);
    EXPECT_EQ(q.buffer_count, c.buffers);
    EXPECT_EQ(walk_count(q), c.buffers);
    EXPECT_EQ(q.tail == nullptr, c.tail_null);
    EXPECT_EQ(q.limit_reached, c.limit_reached ? 1 : 0);
    EXPECT_EQ(q.bytes_available(), c.available);
    EXPECT_EQ(q.is_empty(), c.empty ? 1 : 0);
    EXPECT_EQ(read_all(q, 977), data.substr((size_t)c.got, (size_t)(c.stored - c.got)));
  }
}

TEST(SocketDataQueue, DataComesOutInOrderForAnyBlockSize) {
  std::string data = pattern(3 * B + 123, 5);
  for (int block : {1, 7, B - 1, B, B + 1, 20000}) {
    SCOPED_TRACE(block);
    vesk_socket_data_queue q(-1);
    ASSERT_EQ(q.put_bytes(data.data(), (int)data.size()), (int)data.size());
    EXPECT_EQ(read_all(q, block), data);
    EXPECT_EQ(q.is_empty(), 1);
  }
}

TEST(SocketDataQueue, DrainedQueueKeepsWritingIntoItsLastBuffer) {
  vesk_socket_data_queue q;
  ASSERT_EQ(q.put_string("hello"), 5);
  char buffer[16];
  ASSERT_EQ(q.read_block(buffer, 16), 5);
  private_socket_queue_buffer *kept = q.head;
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(q.tail, kept);
  // Fill that buffer to the end and beyond: the read position stays where it was.
  std::string more = pattern(B, 3);
  ASSERT_EQ(q.put_bytes(more.data(), B), B);
  EXPECT_EQ(q.head, kept);
  EXPECT_EQ(q.buffer_count, 2);
  EXPECT_EQ(q.bytes_available(), B);
  EXPECT_EQ(read_all(q, 1000), more);
  EXPECT_EQ(q.buffer_count, 1);
  EXPECT_EQ(q.is_empty(), 1);
}

TEST(SocketDataQueue, LimitRefusesGrowthUntilABufferLeaves) {
  vesk_socket_data_queue q(1);
  std::string data = pattern(B);
  ASSERT_EQ(q.put_bytes(data.data(), B), B);
  EXPECT_EQ(q.put_char('x'), 0);
  EXPECT_EQ(q.limit_reached, 1);
  EXPECT_EQ(q.get_remaining_space(), 0);
  std::string out(B, 0);
  ASSERT_EQ(q.read_block(&out[0], B), B);
  EXPECT_EQ(q.limit_reached, 0);
  EXPECT_EQ(q.get_remaining_space(), B);
  EXPECT_EQ(q.put_string("next"), 4);
  EXPECT_EQ(q.get_remaining_space(), B - 4);
}

TEST(SocketDataQueue, RemainingSpace) {
  vesk_socket_data_queue unlimited(0), negative(-1), two(2);
  std::string data = pattern(5000);
  for (auto *q : {&unlimited, &negative, &two})
    ASSERT_EQ(q->put_bytes(data.data(), 5000), 5000);
  // 0 means no limit, the same as a negative limit.
  EXPECT_EQ(unlimited.get_remaining_space(), -1);
  EXPECT_EQ(negative.get_remaining_space(), -1);
  EXPECT_EQ(two.get_remaining_space(), 2 * B - 5000);
  // A limit lowered below what is held.
  scoped_debug_log log;
  two.max_buffers = 1;
  EXPECT_EQ(two.get_remaining_space(), 0);
  EXPECT_TRUE(log.contains("Warning in vesk_socket_data_queue::get_remaining_space(), negative available space?"));
}

TEST(SocketDataQueue, GetLine) {
  struct Case {
    const char *name;
    std::string input;
    std::vector<std::string> lines; // each get_line result in turn
    bool full_warning;
  } cases[] = {
      {"no line feed: the partial line is taken", "abc", {"abc", ""}, false},
      {"a line feed alone", "\n", {"", ""}, false},
      {"two lines", "ab\ncd\n", {"ab", "cd", ""}, false},
      {"carriage return is kept", "a\r\nb", {"a\r", "b", ""}, false},
      {"line across a buffer boundary", std::string(B - 2, 'x') + "yyyy\nz", {std::string(B - 2, 'x') + "yyyy", "z"},
       false},
      {"a line that just fits", std::string(5999, 'q') + "\nr", {std::string(5999, 'q'), "r", ""}, false},
      {"a longer line is cut, the rest stays", std::string(6001, 'w') + "\nv",
       {std::string(5999, 'w'), "ww", "v", ""},
       true},
      {"empty queue", "", {""}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    scoped_debug_log log;
    vesk_socket_data_queue q(-1);
    q.put_bytes(c.input.data(), (int)c.input.size());
    for (const std::string &want : c.lines) {
      vesk_fixed_text text;
      EXPECT_EQ(q.get_line(text), (int)want.size());
      EXPECT_EQ(std::string(text.data, (size_t)text.length), want);
    }
    EXPECT_EQ(q.is_empty(), 1);
    EXPECT_EQ(log.contains("Warning in vesk_socket_data_queue::get_line(), dest buffer full."), c.full_warning);
  }
}

TEST(SocketDataQueue, CopyTextWithoutRemove) {
  struct Case {
    const char *name;
    std::string input;
    int consume; // bytes read out before the copy
    int result;
    std::string copied;
    const char *warning;
  } cases[] = {
      {"plain text", "hello", 0, 1, "hello", nullptr},
      {"after a partial read", "hello", 2, 1, "llo", nullptr},
      {"across buffers", std::string(B, 'a') + "bc", 0, 1, std::string(B, 'a') + "bc", nullptr},
      {"zero byte", std::string("ab\0cd", 5), 0, 0, "ab",
       "Warning in vesk_socket_data_queue::copy_text_without_remove(), bailing on data zero."},
      {"exactly 5999 bytes", std::string(5999, 'k'), 0, 1, std::string(5999, 'k'), nullptr},
      {"more than fits", std::string(6000, 'k'), 0, 0, std::string(5999, 'k'),
       "Warning in vesk_socket_data_queue::copy_text_without_remove(), dest buffer full."},
      {"drained head buffer", "abc", 3, 0, "", nullptr},
      {"no buffer at all", "", 0, 1, "", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    scoped_debug_log log;
    vesk_socket_data_queue q;
    q.put_bytes(c.input.data(), (int)c.input.size());
    std::string skip((size_t)c.consume + 1, 0);
    if (c.consume) {
      ASSERT_EQ(q.read_block(&skip[0], c.consume), c.consume);
    }
    int before = q.bytes_available();
    vesk_fixed_text text;
    EXPECT_EQ(q.copy_text_without_remove(text), c.result);
    EXPECT_EQ(std::string(text.data, (size_t)text.length), c.copied);
    EXPECT_EQ(q.bytes_available(), before);
    if (c.warning) {
      EXPECT_TRUE(log.contains(c.warning));
    }
  }
}

TEST(SocketDataQueue, InconsistentHeadIsReportedNotRead) {
  // A drained head with a successor breaks the queue's invariant; readers refuse and warn.
  vesk_socket_data_queue q;
  ASSERT_EQ(q.put_string("ab"), 2);
  q.head->read_position = q.head->fill;
  q.head->next = private_socket_queue_buffer::get_buffer();
  q.head->next->data[0] = 'z';
  q.head->next->fill = 1;
  q.buffer_count = 2;
  scoped_debug_log log;
  char buffer[4];
  vesk_fixed_text text;
  EXPECT_EQ(q.read_block(buffer, 4), 0);
  EXPECT_EQ(q.get_line(text), 0);
  EXPECT_EQ(q.bytes_available(), 0);
  EXPECT_TRUE(log.contains("Warning in vesk_socket_data_queue::read_block(), top buffer empty in list of other buffers."));
  EXPECT_TRUE(log.contains("Warning in vesk_socket_data_queue::get_line(), top buffer empty in list of other buffers."));
  q.clear();
}

TEST(SocketDataQueue, SpareBuffersAreReused) {
  private_socket_queue_buffer *first, *second;
  int spare_before = private_socket_queue_buffer::spare_count();
  {
    vesk_socket_data_queue q;
    std::string data = pattern(B + 10);
    ASSERT_EQ(q.put_bytes(data.data(), B + 10), B + 10);
    first = q.head;
    second = q.head->next;
    q.clear();
    EXPECT_EQ(q.head, nullptr);
    EXPECT_EQ(q.tail, nullptr);
    EXPECT_EQ(q.buffer_count, 0);
    EXPECT_EQ(private_socket_queue_buffer::spare_count(), spare_before + 2);
  }
  // The last buffer given back is the first handed out again, reset.
  vesk_socket_data_queue q;
  ASSERT_EQ(q.put_char('x'), 1);
  EXPECT_EQ(q.head, second);
  EXPECT_EQ(q.head->fill, 1);
  EXPECT_EQ(q.head->read_position, 0);
  EXPECT_EQ(q.head->next, nullptr);
  private_socket_queue_buffer *again = private_socket_queue_buffer::get_buffer();
  EXPECT_EQ(again, first);
  EXPECT_EQ(again->fill, 0);
  EXPECT_EQ(again->read_position, 0);
  EXPECT_EQ(again->next, nullptr);
  EXPECT_EQ(again->data[0], 0);
  private_socket_queue_buffer::release_buffer(again);
  // A queue that goes out of scope hands its buffers back too.
  int spare = private_socket_queue_buffer::spare_count();
  { vesk_socket_data_queue gone; gone.put_string("abc"); }
  EXPECT_EQ(private_socket_queue_buffer::spare_count(), spare);
}

} // namespace
