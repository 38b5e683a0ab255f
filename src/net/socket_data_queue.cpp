// The buffered byte queue of the HTTP engine and its process-wide free list of spare buffers.
#include "net/socket_data_queue.h"

#include "support/log.h"

#include <climits>
#include <cstdio>
#include <mutex>
#include <new>

static_assert(sizeof(void *) != 8 || sizeof(private_socket_queue_buffer) == 4088,
              "a queue buffer is one 4088-byte allocation");

namespace {

const int facility = 22;

// Download workers and the GUI thread may both own queues; the list itself is shared.
std::mutex free_list_mutex;
private_socket_queue_buffer *free_list = nullptr;
int spare_buffers = 0;

void log_for(const char *prefix, const char *method, const char *text, int category) {
  char line[300];
  std::snprintf(line, sizeof line, "%s vesk_socket_data_queue::%s, %s", prefix, method, text);
  log_message(line, category, facility);
}

} // namespace

private_socket_queue_buffer *private_socket_queue_buffer::get_buffer() {
  {
    std::lock_guard<std::mutex> lock(free_list_mutex);
    if (free_list) {
      private_socket_queue_buffer *buffer = free_list;
      free_list = buffer->next;
      spare_buffers--;
      buffer->fill = 0;
      buffer->read_position = 0;
      buffer->next = nullptr;
      buffer->data[0] = 0;
      return buffer;
    }
  }
  return new (std::nothrow) private_socket_queue_buffer();
}

void private_socket_queue_buffer::release_buffer(private_socket_queue_buffer *buffer) {
  if (!buffer)
    return;
  std::lock_guard<std::mutex> lock(free_list_mutex);
  buffer->next = free_list;
  free_list = buffer;
  spare_buffers++;
}

int private_socket_queue_buffer::spare_count() {
  std::lock_guard<std::mutex> lock(free_list_mutex);
  return spare_buffers;
}

vesk_socket_data_queue::vesk_socket_data_queue(int max_buffers) : max_buffers(max_buffers) {}

vesk_socket_data_queue::~vesk_socket_data_queue() { clear(); }

int vesk_socket_data_queue::try_create_new_buffer() {
  if (max_buffers > 0 && buffer_count >= max_buffers) {
    limit_reached = 1;
    return 0;
  }
  private_socket_queue_buffer *buffer = private_socket_queue_buffer::get_buffer();
  if (!buffer) {
    log_message("Error in vesk_socket_data_queue::try_create_new_buffer(), memory allocation fail in "
                "private_socket_queue_buffer::get_buffer().",
                VESK_LOG_ALLOC, facility);
    return 0;
  }
  limit_reached = 0;
  if (!head) {
    head = buffer;
  } else {
    private_socket_queue_buffer *last = tail ? tail : head;
    while (last->next)
      last = last->next;
    last->next = buffer;
  }
  tail = buffer;
  buffer_count++;
  return 1;
}

int vesk_socket_data_queue::put_char(char byte) {
  if (!tail && !try_create_new_buffer())
    return 0;
  tail->data[tail->fill++] = byte;
  if (tail->full())
    tail = nullptr;
  return 1;
}

int vesk_socket_data_queue::put_bytes(const char *data, int count) {
  if (!data)
    return 0;
  int stored = 0;
  while (stored < count && put_char(data[stored]))
    stored++;
  return stored;
}

int vesk_socket_data_queue::put_string(const char *text) {
  if (!text)
    return 0;
  int stored = 0;
  while (text[stored] && put_char(text[stored]))
    stored++;
  return stored;
}

bool vesk_socket_data_queue::head_drained(const char *method) {
  if (head->read_position < head->fill)
    return false;
  if (head->next)
    log_for("Warning in", method, "top buffer empty in list of other buffers.", VESK_LOG_BAD_CALL);
  return true;
}

char vesk_socket_data_queue::take_byte(bool *stop, const char *method) {
  if (!head) {
    log_for("Error in", method, "null top buffer should be empty instead.", VESK_LOG_BAD_CALL);
    *stop = true;
    return 0;
  }
  char byte = head->data[head->read_position++];
  if (head->read_position < head->fill)
    return byte;
  if (head->full()) {
    // A used-up full buffer can take no more data: recycle it.
    private_socket_queue_buffer *done = head;
    head = done->next;
    if (tail == done)
      tail = nullptr;
    private_socket_queue_buffer::release_buffer(done);
    buffer_count--;
    limit_reached = 0;
    if (!head)
      *stop = true;
  } else {
    // The last buffer is still being written: it stays so that writing can go on into it.
    if (head->next)
      log_for("Warning in", method, "more buffers in list than expected.", VESK_LOG_BAD_CALL);
    *stop = true;
  }
  return byte;
}

int vesk_socket_data_queue::read_block(char *destination, int size) {
  if (!destination || size < 1 || !head || head_drained("read_block()"))
    return 0;
  int copied = 0;
  bool stop = false;
  while (copied < size && !stop)
    destination[copied++] = take_byte(&stop, "read_block()");
  return copied;
}

int vesk_socket_data_queue::get_line(vesk_fixed_text &text) {
  text.clear();
  if (!head || head_drained("get_line()"))
    return 0;
  bool stop = false;
  while (!stop) {
    // Looked at before taking it, so that a full text leaves the rest of the line queued.
    char next = head->data[head->read_position];
    if (next != '\n' && text.full()) {
      log_message("Warning in vesk_socket_data_queue::get_line(), dest buffer full.", VESK_LOG_BAD_CALL, facility);
      break;
    }
    char byte = take_byte(&stop, "get_line()");
    if (byte == '\n')
      break;
    text.append_char(byte);
  }
  return text.length;
}

int vesk_socket_data_queue::copy_text_without_remove(vesk_fixed_text &text) {
  text.clear();
  if (!head)
    return 1;
  if (head_drained("copy_text_without_remove()"))
    return 0;
  for (private_socket_queue_buffer *b = head; b; b = b->next) {
    for (int i = b->read_position; i < b->fill; i++) {
      if (b->data[i] == 0) {
        log_message("Warning in vesk_socket_data_queue::copy_text_without_remove(), bailing on data zero.",
                    VESK_LOG_BAD_CALL, facility);
        return 0;
      }
      if (text.full()) {
        log_message("Warning in vesk_socket_data_queue::copy_text_without_remove(), dest buffer full.",
                    VESK_LOG_BAD_CALL, facility);
        return 0;
      }
      text.append_char(b->data[i]);
    }
  }
  return 1;
}

int vesk_socket_data_queue::is_empty() {
  return !head || (!head->next && head->read_position >= head->fill);
}

int vesk_socket_data_queue::bytes_available() {
  if (!head || head_drained("read_block()"))
    return 0;
  long long total = 0;
  for (private_socket_queue_buffer *b = head; b; b = b->next)
    total += b->fill - b->read_position;
  return total > INT_MAX ? INT_MAX : (int)total;
}

int vesk_socket_data_queue::get_remaining_space() {
  // A queue without a limit (0 or below) has no end to its space.
  if (max_buffers <= 0)
    return -1;
  long long space = (long long)max_buffers * private_socket_queue_buffer::data_size;
  for (private_socket_queue_buffer *b = head; b; b = b->next)
    space -= b->fill;
  if (space < 0) {
    log_message("Warning in vesk_socket_data_queue::get_remaining_space(), negative available space?",
                VESK_LOG_BAD_CALL, facility);
    return 0;
  }
  return space > INT_MAX ? INT_MAX : (int)space;
}

void vesk_socket_data_queue::clear() {
  while (head) {
    private_socket_queue_buffer *b = head;
    head = b->next;
    private_socket_queue_buffer::release_buffer(b);
  }
  tail = nullptr;
  buffer_count = 0;
  limit_reached = 0;
}
