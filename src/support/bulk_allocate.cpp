// Bulk allocation of fixed-size records chained into a free list; memory is kept for the run.
#include "support/bulk_allocate.h"

#include "support/log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {
std::atomic<int64_t> allocated_bytes{0};
std::atomic<int64_t> allocation_count{0};
// Blocks live for the whole run; keeping them listed makes that ownership visible to leak checkers.
std::mutex blocks_mutex;
std::vector<void *> *blocks = new std::vector<void *>;
} // namespace

void *vesk_bulk_allocate(int size, const char *label, int block_bytes) {
  if (size < 8)
    size = 8;
  size = (size + 7) & ~7;
  int count = block_bytes / size;
  if (count < 1)
    count = 1;
  if (!label)
    label = "(null)";
  char line[400];
  std::snprintf(line, sizeof line, "Allocating %6d objects of size %6d (%9d bytes), type '%s'", count, size,
                count * size, label);
  log_message(line, VESK_LOG_TRACE, 9);
  char *block = static_cast<char *>(std::malloc((size_t)count * (size_t)size));
  if (!block) {
    std::snprintf(line, sizeof line,
                  "Error in vesk_bulk_allocate(), malloc failed for %6d objects of size %6d (%9d bytes), type '%s'.  Trying single object.",
                  count, size, count * size, label);
    log_message(line, VESK_LOG_ALLOC, 9);
    count = 1;
    block = static_cast<char *>(std::malloc((size_t)size));
    if (!block) {
      std::snprintf(line, sizeof line,
                    "Error in vesk_bulk_allocate(), malloc failed for %6d objects of size %6d (%9d bytes), type '%s'.  Failing and exiting.",
                    count, size, size, label);
      log_message(line, VESK_LOG_ALLOC, 9);
      std::exit(1);
    }
  }
  {
    std::lock_guard<std::mutex> lock(blocks_mutex);
    blocks->push_back(block);
  }
  allocated_bytes += (int64_t)count * size;
  allocation_count++;
  for (int i = 0; i < count; i++)
    vesk_bulk_next(block + (size_t)i * size) = i + 1 < count ? block + (size_t)(i + 1) * size : nullptr;
  return block;
}

int64_t vesk_bulk_allocated_bytes() { return allocated_bytes; }
int64_t vesk_bulk_allocation_count() { return allocation_count; }
