// Compact storage of the render list: run headers and text in one append-only arena.
#include "text/render_list.h"

#include <cstring>

namespace {

const int64_t longest_run = 0xFFFFFFF0LL; // what the 32-bit length of a header can hold

unsigned char byte_of(int value) { return (unsigned char)(value < 0 ? 0 : value > 255 ? 255 : value); }

void write_length(unsigned char *header, uint32_t length) { std::memcpy(header, &length, 4); }

uint32_t read_length(const unsigned char *header) {
  uint32_t length;
  std::memcpy(&length, header, 4);
  return length;
}

} // namespace

void vesk_render_list::append(const char *text, int length, const text_attributes &attributes) {
  if (!text || length <= 0)
    return;
  if (open_header && open_length + length > longest_run)
    close_run();
  if (!open_header) {
    unsigned char *header = reinterpret_cast<unsigned char *>(store.reserve(header_size));
    write_length(header, 0);
    header[4] = (unsigned char)(attributes.color.red & 255);
    header[5] = (unsigned char)(attributes.color.green & 255);
    header[6] = (unsigned char)(attributes.color.blue & 255);
    header[7] = byte_of(attributes.style);
    header[8] = byte_of(attributes.color_code);
    store.commit(header_size);
    open_header = header;
    open_length = 0;
    runs++;
  }
  int left = length;
  while (left > 0) {
    int room = store.room();
    if (room < 1) {
      store.reserve(1);
      room = store.room();
    }
    int k = left < room ? left : room;
    std::memcpy(store.tail(), text, (size_t)k);
    store.commit(k);
    text += k;
    left -= k;
  }
  open_length += length;
  bytes += length;
  write_length(open_header, (uint32_t)open_length);
}

bool vesk_render_list::close_run() {
  if (!open_header)
    return false;
  open_header = nullptr;
  open_length = 0;
  return true;
}

void vesk_render_list::clear() {
  store.clear();
  open_header = nullptr;
  open_length = 0;
  runs = 0;
  bytes = 0;
}

vesk_render_list::reader::reader(const vesk_render_list &list)
    : block(list.store.first()), position(0), remaining(0) {}

bool vesk_render_list::reader::next_run(vesk_render_run *run) {
  const char *skipped;
  int n;
  while (next_piece(&skipped, &n)) {
  }
  while (block && position >= block->used) {
    block = block->next;
    position = 0;
  }
  if (!block)
    return false;
  const unsigned char *header = reinterpret_cast<const unsigned char *>(block->data() + position);
  position += header_size;
  remaining = read_length(header);
  if (run) {
    run->color = vesk_color(header[4], header[5], header[6]);
    run->style = header[7];
    run->color_code = header[8];
    run->length = remaining;
  }
  return true;
}

bool vesk_render_list::reader::next_piece(const char **text, int *length) {
  if (remaining <= 0)
    return false;
  while (block && position >= block->used) {
    block = block->next;
    position = 0;
  }
  if (!block) { // cannot happen while headers and text agree; stop rather than read past
    remaining = 0;
    return false;
  }
  int available = block->used - position;
  int k = remaining < available ? (int)remaining : available;
  *text = block->data() + position;
  *length = k;
  position += k;
  remaining -= k;
  return true;
}
