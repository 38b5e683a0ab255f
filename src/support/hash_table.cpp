// Pointer hash table: buckets of singly linked entries, doubled when more than half full.
#include "support/hash_table.h"

#include "support/log.h"

#include <cstdio>
#include <new>

void vesk_void_pointer_hash_table::create(element_hash_fn eh, key_hash_fn kh, match_fn m) {
  clear();
  element_hash = eh;
  key_hash = kh;
  match = m;
  buckets = new (std::nothrow) entry *[256]();
  if (!buckets) {
    log_message("Error in VoidPointerHashTable(), initial table alloc failed.", VESK_LOG_ALLOC, 1);
    mask = -1;
    return;
  }
  mask = 255;
}

void vesk_void_pointer_hash_table::expand() {
  int new_capacity = (mask + 1) * 2;
  entry **grown = new (std::nothrow) entry *[new_capacity]();
  if (!grown) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "Error in VoidPointerHashTable::expand_hash_table(), unable to allocate table of size %d.  Using old table.",
                  new_capacity);
    log_message(line, VESK_LOG_FAILURE, 1);
    return;
  }
  uint32_t new_mask = (uint32_t)new_capacity - 1;
  for (int i = 0; i <= mask; i++) {
    entry *e = buckets[i];
    while (e) {
      entry *next = e->next;
      uint32_t b = e->hash & new_mask;
      e->next = grown[b];
      grown[b] = e;
      e = next;
    }
  }
  delete[] buckets;
  buckets = grown;
  mask = (int)new_mask;
}

void vesk_void_pointer_hash_table::add(void *element) {
  if (!buckets || !element_hash)
    return;
  if (count > (mask + 1) / 2)
    expand();
  uint32_t hash = element_hash(element);
  uint32_t b = hash & (uint32_t)mask;
  int in_bucket = 0;
  for (entry *e = buckets[b]; e; e = e->next) {
    if (e->element == element) {
      log_message("Error in VoidPointerHashTable::add(), attempt to add duplicate thing.", VESK_LOG_BAD_CALL, 1);
      return;
    }
    in_bucket++;
  }
  if (in_bucket > 50) {
    char line[200];
    std::snprintf(line, sizeof line, "Error in VoidPointerHashTable::add(), found %d things in bucket %d.", in_bucket,
                  (int)b);
    log_message(line, VESK_LOG_BUCKET, 1);
  }
  entry *e = new (std::nothrow) entry;
  if (!e)
    return;
  e->hash = hash;
  e->element = element;
  e->next = buckets[b];
  buckets[b] = e;
  count++;
}

void *vesk_void_pointer_hash_table::find(const void *key) const {
  if (!buckets || !key_hash)
    return nullptr;
  uint32_t b = key_hash(key) & (uint32_t)mask;
  for (entry *e = buckets[b]; e; e = e->next)
    if (match(e->element, key))
      return e->element;
  return nullptr;
}

bool vesk_void_pointer_hash_table::remove(void *element) {
  if (!buckets || !element_hash)
    return false;
  uint32_t b = element_hash(element) & (uint32_t)mask;
  for (entry **link = &buckets[b]; *link; link = &(*link)->next) {
    if ((*link)->element == element) {
      entry *gone = *link;
      *link = gone->next;
      delete gone;
      count--;
      return true;
    }
  }
  return false;
}

void vesk_void_pointer_hash_table::clear() {
  if (buckets) {
    for (int i = 0; i <= mask; i++) {
      entry *e = buckets[i];
      while (e) {
        entry *next = e->next;
        delete e;
        e = next;
      }
    }
    delete[] buckets;
  }
  buckets = nullptr;
  mask = -1;
  count = 0;
  element_hash = nullptr;
  key_hash = nullptr;
  match = nullptr;
}
