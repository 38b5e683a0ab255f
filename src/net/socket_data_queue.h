// A first-in first-out byte queue made of fixed 4072-byte buffers, for data on its way to or from a
// socket. Spare buffers wait on one process-wide free list and are reused, never freed.
#pragma once

#include "support/fixed_text.h"

#include <cstdint>

struct private_socket_queue_buffer {
  static const int data_size = 4072;

  int32_t fill;          // bytes written, 0 to data_size
  int32_t read_position; // bytes taken out, 0 to fill
  private_socket_queue_buffer *next;
  char data[data_size];

  bool full() const { return fill >= data_size; }

  // A reset buffer from the free list, or a new zeroed one; null when memory ran out.
  static private_socket_queue_buffer *get_buffer();
  // Pushes the buffer onto the front of the free list.
  static void release_buffer(private_socket_queue_buffer *buffer);
  // Buffers waiting on the free list.
  static int spare_count();
};

class vesk_socket_data_queue {
public:
  // max_buffers 0 or below: no limit on growth.
  explicit vesk_socket_data_queue(int max_buffers = 0);
  // Hands every buffer back to the free list.
  ~vesk_socket_data_queue();
  vesk_socket_data_queue(const vesk_socket_data_queue &) = delete;
  vesk_socket_data_queue &operator=(const vesk_socket_data_queue &) = delete;

  int try_create_new_buffer();
  // 1 stored, 0 refused (limit or memory).
  int put_char(char byte);
  // The number of bytes stored; fewer than asked when the queue could not grow.
  int put_bytes(const char *data, int count);
  int put_string(const char *text);

  // Copies up to size bytes from the front and removes them; the number copied.
  int read_block(char *destination, int size);
  // Removes the bytes up to and including the next line feed and stores those before it in text
  // (cleared first); the number stored. Stops without consuming more when text is full.
  int get_line(vesk_fixed_text &text);
  // Copies every unread byte into text (cleared first) and keeps them queued; 1 when all fitted
  // (or there is no buffer), 0 at a zero byte, a full text or a drained head buffer.
  int copy_text_without_remove(vesk_fixed_text &text);
  int is_empty();
  int bytes_available();
  // -1 without a limit; else the bytes the queue may still take.
  int get_remaining_space();
  void clear();

  private_socket_queue_buffer *head = nullptr;
  private_socket_queue_buffer *tail = nullptr;
  int32_t max_buffers = 0;
  int32_t buffer_count = 0;
  int32_t limit_reached = 0;

private:
  // Takes one byte from the front. Sets *stop when the last, still growing buffer ran dry.
  char take_byte(bool *stop, const char *method);
  // True, with the warning for `method`, when the head buffer has been read to its end.
  bool head_drained(const char *method);
};
