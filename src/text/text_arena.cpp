// Blocks of the scrollback's text stores: small ones from malloc, 2 MB ones mapped on 2 MB
// boundaries so the kernel can back each with one huge page instead of 512 page faults.
#include "text/text_arena.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "support/log.h"

namespace {

const size_t huge_page = 2 * 1024 * 1024;
std::atomic<int64_t> mapped_bytes{0};

} // namespace

void *vesk_text_map_block(size_t bytes) {
  bytes = (bytes + huge_page - 1) / huge_page * huge_page;
  // Map one huge page more than needed and trim both ends to reach a 2 MB boundary.
  size_t span = bytes + huge_page;
  void *raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) {
    log_message("Error in vesk_text_map_block(), mmap failed.  Failing and exiting.", VESK_LOG_ALLOC, 9);
    std::exit(1);
  }
  uintptr_t start = (uintptr_t)raw;
  uintptr_t aligned = (start + huge_page - 1) & ~(uintptr_t)(huge_page - 1);
  if (aligned > start)
    munmap(raw, aligned - start);
  uintptr_t end = start + span, used_end = aligned + bytes;
  if (end > used_end)
    munmap((void *)used_end, end - used_end);
#ifdef MADV_HUGEPAGE
  madvise((void *)aligned, bytes, MADV_HUGEPAGE);
#endif
  mapped_bytes += (int64_t)bytes;
  return (void *)aligned;
}

void vesk_text_unmap_block(void *block, size_t bytes) {
  if (!block)
    return;
  bytes = (bytes + huge_page - 1) / huge_page * huge_page;
  munmap(block, bytes);
  mapped_bytes -= (int64_t)bytes;
}

int64_t vesk_text_mapped_bytes() { return mapped_bytes; }

void vesk_text_arena::clear() {
  for (block *b = head; b;) {
    block *next = b->next;
    if (b->mapped)
      vesk_text_unmap_block(b, (size_t)largest_block);
    else
      std::free(b);
    b = next;
  }
  head = tail_block = nullptr;
  next_size = first_block;
  heap = 0;
}

void vesk_text_arena::open_block(int n) {
  block *b;
  if (next_size >= largest_block && n <= largest_block - (int)sizeof(block)) {
    b = static_cast<block *>(vesk_text_map_block((size_t)largest_block));
    b->size = largest_block - (int)sizeof(block);
    b->mapped = true;
    heap += largest_block;
  } else {
    int size = next_size;
    while (size < n)
      size *= 2;
    // 16, 64 and 256 KB from malloc, then the mapped blocks.
    if (next_size < largest_block)
      next_size = next_size >= 256 * 1024 ? largest_block : next_size * 4;
    b = static_cast<block *>(std::malloc(sizeof(block) + (size_t)size));
    if (!b) {
      log_message("Error in vesk_text_arena::open_block(), malloc failed.  Failing and exiting.", VESK_LOG_ALLOC, 9);
      std::exit(1);
    }
    b->size = size;
    b->mapped = false;
    heap += (int64_t)sizeof(block) + size;
  }
  b->next = nullptr;
  b->used = 0;
  if (tail_block)
    tail_block->next = b;
  else
    head = b;
  tail_block = b;
}
