// A hash table of element pointers with caller-given hash and match functions; it owns only its
// entries, never the elements.
#pragma once

#include <cstdint>

class vesk_void_pointer_hash_table {
public:
  typedef uint32_t (*element_hash_fn)(const void *element);
  typedef uint32_t (*key_hash_fn)(const void *key);
  typedef bool (*match_fn)(const void *element, const void *key);

  vesk_void_pointer_hash_table() = default;
  vesk_void_pointer_hash_table(element_hash_fn element_hash, key_hash_fn key_hash, match_fn match) {
    create(element_hash, key_hash, match);
  }
  ~vesk_void_pointer_hash_table() { clear(); }
  vesk_void_pointer_hash_table(const vesk_void_pointer_hash_table &) = delete;
  vesk_void_pointer_hash_table &operator=(const vesk_void_pointer_hash_table &) = delete;

  void create(element_hash_fn element_hash, key_hash_fn key_hash, match_fn match);
  void add(void *element);
  void *find(const void *key) const;
  bool remove(void *element);
  void clear();

  int size() const { return count; }
  int capacity() const { return mask + 1; }

private:
  struct entry {
    uint32_t hash;
    void *element;
    entry *next;
  };
  void expand();

  entry **buckets = nullptr;
  int mask = -1;
  int count = 0;
  element_hash_fn element_hash = nullptr;
  key_hash_fn key_hash = nullptr;
  match_fn match = nullptr;
};
