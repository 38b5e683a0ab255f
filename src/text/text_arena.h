// Append-only byte store for scrollback text: blocks that never move (so pointers into them stay
// valid until clear) and grow from 16 KB to 2 MB, so a small display wastes little and a large
// one needs few allocations. Blocks of 2 MB are mapped on 2 MB boundaries and offered to the
// kernel as huge pages: taking fresh memory page by page costs more than the text path itself.
#pragma once

#include <cstddef>
#include <cstdint>

// Large zeroed blocks on 2 MB boundaries (huge pages where the kernel has them); a multiple of
// 2 MB. Ends the program when no memory can be had, like the bulk allocator.
void *vesk_text_map_block(size_t bytes);
void vesk_text_unmap_block(void *block, size_t bytes);
// Bytes mapped this way and not yet unmapped, process-wide: memory figures add them to what the
// C library reports, since they do not come from malloc.
int64_t vesk_text_mapped_bytes();

class vesk_text_arena {
public:
  static const int first_block = 16 * 1024;
  static const int largest_block = 2 * 1024 * 1024;

  struct block {
    block *next;
    int size;  // data bytes
    int used;
    bool mapped;
    char *data() { return reinterpret_cast<char *>(this + 1); }
    const char *data() const { return reinterpret_cast<const char *>(this + 1); }
  };

  vesk_text_arena() = default;
  ~vesk_text_arena() { clear(); }
  vesk_text_arena(const vesk_text_arena &) = delete;
  vesk_text_arena &operator=(const vesk_text_arena &) = delete;

  void clear();

  // Free bytes at the tail of the last block.
  int room() const { return tail_block ? tail_block->size - tail_block->used : 0; }
  // Where the next byte goes (null before the first reserve).
  char *tail() { return tail_block ? tail_block->data() + tail_block->used : nullptr; }
  // Makes at least n contiguous bytes free at the tail (opening a new block when the last one
  // has less) and returns where they start. The caller writes and then commits what it used.
  char *reserve(int n) {
    if (n < 1)
      n = 1;
    if (!tail_block || tail_block->size - tail_block->used < n)
      open_block(n);
    return tail_block->data() + tail_block->used;
  }
  void commit(int n) { tail_block->used += n; }

  const block *first() const { return head; }
  int64_t heap_bytes() const { return heap; }

private:
  void open_block(int n);

  block *head = nullptr;
  block *tail_block = nullptr;
  int next_size = first_block;
  int64_t heap = 0;
};
