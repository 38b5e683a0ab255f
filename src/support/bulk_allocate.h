// Pooled records: one allocation yields a chain of free records linked through their first 8
// bytes. Users keep the chain as a free list; memory is never returned.
#pragma once

#include <cstdint>

// Rounds size up to a multiple of 8 and returns the head of a chain of block_bytes / size
// records (at least one). Ends the program with status 1 when not even one record can be had.
void *vesk_bulk_allocate(int size, const char *label, int block_bytes);
// The allocator's own totals, for memory figures.
int64_t vesk_bulk_allocated_bytes();
int64_t vesk_bulk_allocation_count();

// Link field of a record in a chain.
inline void *&vesk_bulk_next(void *record) { return *static_cast<void **>(record); }
