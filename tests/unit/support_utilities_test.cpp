// Utilities: the random generator, word matching, the integer reader, the bounded copy, the
// pointer hash table, the bulk allocator, the thread blocker and the direction angle.
#include "log_fixture.h"

#include "support/bulk_allocate.h"
#include "support/clock.h"
#include "support/hash_table.h"
#include "support/random.h"
#include "support/threads.h"
#include "support/words.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

TEST(Random, FirstValueAfterInitFollowsTheRecurrence) {
  vesk_random r;
  uint64_t t = 123456789ULL * 809430660ULL + 362436ULL;
  EXPECT_EQ(r.next(), (uint32_t)t);
  // Second value: next word of the initial table, carry from the first step.
  uint32_t w1 = 123456789u * 1664525u + 1013904223u;
  EXPECT_EQ(r.next(), (uint32_t)((uint64_t)w1 * 809430660ULL + (t >> 32)));
}

TEST(Random, ResetReplaysAndSeedDiverges) {
  vesk_random a, b;
  a.seed(42);
  b.seed(42);
  std::vector<uint32_t> first;
  for (int i = 0; i < 20; i++) {
    first.push_back(a.next());
    EXPECT_EQ(first.back(), b.next()) << "same seed, same sequence";
  }
  vesk_random c;
  c.seed(43);
  EXPECT_NE(c.next(), first[0]);
  a.reset();
  vesk_random fresh;
  EXPECT_EQ(a.next(), fresh.next()) << "reset returns to the initial state, not the seeded one";
}

TEST(Random, BelowAndDoubleStayInRange) {
  vesk_random r;
  bool saw_top = false;
  for (int i = 0; i < 100000; i++) {
    int v = r.below(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    saw_top |= v == 9;
    ASSERT_EQ(r.below(1), 0);
    double d = r.next_double();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
  }
  EXPECT_TRUE(saw_top);
}

TEST(Words, NextAndLastArg) {
  struct row {
    const char *text;
    const char *next; // null: none
    const char *last;
  } rows[] = {
      {"look   north", "north", "north"},
      {"look", nullptr, "look"},
      {"   look", nullptr, "look"},
      {"a b c", "b c", "c"},
      {"a\tb\nc  ", "b\nc  ", "c  "},
      {"", nullptr, ""},
  };
  for (const row &r : rows) {
    const char *n = next_arg(r.text);
    if (r.next)
      EXPECT_STREQ(n, r.next) << r.text;
    else
      EXPECT_EQ(n, nullptr) << r.text;
    EXPECT_STREQ(last_arg(r.text), r.last) << r.text;
  }
  EXPECT_EQ(next_arg(nullptr), nullptr);
  EXPECT_EQ(last_arg(nullptr), nullptr);
}

TEST(Words, ParseInt) {
  struct row {
    const char *text;
    bool ok;
    int value;
  } rows[] = {
      {"12", true, 12},  {"-7x", true, -7}, {"+5a", true, 5}, {"+a", true, 0}, {"-a", false, 99},
      {"-", false, 99},  {" 3", false, 99}, {"x3", false, 99}, {"", false, 99}, {"007", true, 7},
  };
  for (const row &r : rows) {
    int v = 99;
    EXPECT_EQ(parse_int(r.text, &v), r.ok) << r.text;
    EXPECT_EQ(v, r.value) << r.text;
  }
  EXPECT_FALSE(parse_int(nullptr, nullptr));
  EXPECT_TRUE(parse_int("4", nullptr));
}

TEST(Words, WordEqualAndList) {
  struct row {
    const char *text, *word;
    bool equal;
  } rows[] = {
      {"FLASH now", "flash", true}, {"flashy", "flash", false}, {"flash", "flash now", true},
      {"fla", "flash", false},      {"", "", true},             {"\xc4x", "\xe4x", false}, // only A-Z fold
      {"event\tx", "EVENT", true},  {"", "a", false},
  };
  for (const row &r : rows)
    EXPECT_EQ(word_equal(r.text, r.word), r.equal) << r.text << " / " << r.word;
  EXPECT_FALSE(word_equal(nullptr, "a"));
  EXPECT_FALSE(word_equal("a", nullptr));
  EXPECT_TRUE(word_in_list("Mana", "hp mana move"));
  EXPECT_FALSE(word_in_list("man", "hp mana move"));
  EXPECT_FALSE(word_in_list("hp", ""));
}

TEST(Words, Abbreviations) {
  struct row {
    const char *text, *name;
    int minimum, result;
  } rows[] = {
      {"//co", "//commands", 3, 4}, {"//c", "//commands", 3, 3}, {"//", "//commands", 3, 0},
      {"//commands", "//commands", 3, 10}, {"//commandsx", "//commands", 3, 0}, {"//CO x", "//commands", 3, 4},
      {"ab", "ab", 5, 2}, // the whole name is enough even below the minimum
      {"ab", "ab\tmore", 5, 2}, {"ab", "abc", 5, 0}, {"", "abc", 0, 0}, {"x", "abc", 0, 0},
  };
  for (const row &r : rows)
    EXPECT_EQ(word_abbrev(r.text, r.name, r.minimum), r.result) << r.text << " / " << r.name;
  EXPECT_EQ(word_prefix("//d", "//debug"), 3);
  EXPECT_EQ(word_prefix("//x", "//debug"), 0);
}

TEST(Words, SafeStrcpy) {
  scoped_debug_log log;
  char dest[8];
  EXPECT_TRUE(safe_strcpy(dest, "1234567", 8));
  EXPECT_STREQ(dest, "1234567");
  EXPECT_FALSE(safe_strcpy(dest, "12345678", 8));
  EXPECT_STREQ(dest, "1234567");
  EXPECT_TRUE(log.contains("Error in safe_strcpy(), src overflow. String was: ->12345678<-\n"));
  EXPECT_FALSE(safe_strcpy(dest, nullptr, 8));
  EXPECT_STREQ(dest, "");
  EXPECT_TRUE(log.contains("Error in safe_strcpy(), NULL src.\n"));
  EXPECT_FALSE(safe_strcpy(nullptr, "a", 8));
  EXPECT_TRUE(log.contains("Error in safe_strcpy(), NULL dest.\n"));
  EXPECT_FALSE(safe_strcpy(dest, "a", 0));
  EXPECT_TRUE(log.contains("Error in safe_strcpy(), dest too short.\n"));
}

namespace {
struct item {
  int key;
};
uint32_t item_hash(const void *e) { return (uint32_t)static_cast<const item *>(e)->key * 2654435761u; }
uint32_t key_hash(const void *k) { return (uint32_t)*static_cast<const int *>(k) * 2654435761u; }
bool item_match(const void *e, const void *k) { return static_cast<const item *>(e)->key == *static_cast<const int *>(k); }
uint32_t constant_hash(const void *) { return 7; }
} // namespace

TEST(HashTable, GrowsFindsAndRemoves) {
  scoped_debug_log log;
  std::vector<item> items(1000);
  vesk_void_pointer_hash_table table(item_hash, key_hash, item_match);
  EXPECT_EQ(table.capacity(), 256);
  for (int i = 0; i < 129; i++) {
    items[i].key = i;
    table.add(&items[i]);
  }
  EXPECT_EQ(table.capacity(), 256) << "129 entries still fit";
  items[129].key = 129;
  table.add(&items[129]);
  EXPECT_EQ(table.capacity(), 512) << "the 130th add doubles first";
  for (int i = 130; i < 1000; i++) {
    items[i].key = i;
    table.add(&items[i]);
  }
  EXPECT_EQ(table.size(), 1000);
  for (int k : {0, 129, 500, 999}) {
    EXPECT_EQ(table.find(&k), &items[k]);
  }
  int absent = 5000;
  EXPECT_EQ(table.find(&absent), nullptr);
  table.add(&items[3]);
  EXPECT_EQ(table.size(), 1000);
  EXPECT_TRUE(log.contains("Error in VoidPointerHashTable::add(), attempt to add duplicate thing.\n"));
  EXPECT_TRUE(table.remove(&items[3]));
  EXPECT_FALSE(table.remove(&items[3]));
  int three = 3;
  EXPECT_EQ(table.find(&three), nullptr);
  EXPECT_EQ(table.size(), 999);
}

TEST(HashTable, CrowdedBucketIsReported) {
  scoped_debug_log log;
  std::vector<item> items(60);
  vesk_void_pointer_hash_table table(constant_hash, constant_hash, item_match);
  for (int i = 0; i < 52; i++) {
    items[i].key = i;
    table.add(&items[i]);
  }
  EXPECT_EQ(log.count("Error in VoidPointerHashTable::add(), found 51 things in bucket 7.\n"), 1);
  int key = 0;
  EXPECT_EQ(table.find(&key), &items[0]) << "same hash, the match function decides";
}

TEST(BulkAllocate, ChainsRoundedRecords) {
  scoped_debug_log log;
  int64_t bytes_before = vesk_bulk_allocated_bytes();
  int64_t count_before = vesk_bulk_allocation_count();
  void *head = vesk_bulk_allocate(20, "test record", 1000); // 24-byte records, 41 of them
  int n = 0;
  char *prev = nullptr;
  for (void *r = head; r; r = vesk_bulk_next(r)) {
    if (prev) {
      EXPECT_EQ(static_cast<char *>(r) - prev, 24);
    }
    prev = static_cast<char *>(r);
    std::memset(static_cast<char *>(r) + 8, 0xAB, 16); // the payload is ours to use
    n++;
  }
  EXPECT_EQ(n, 41);
  EXPECT_EQ(vesk_bulk_allocated_bytes() - bytes_before, 41 * 24);
  EXPECT_EQ(vesk_bulk_allocation_count() - count_before, 1);
  EXPECT_TRUE(log.contains("Allocating     41 objects of size     24 (      984 bytes), type 'test record'\n"));
  void *single = vesk_bulk_allocate(5000, "big", 100);
  EXPECT_NE(single, nullptr);
  EXPECT_EQ(vesk_bulk_next(single), nullptr) << "a block smaller than a record still yields one";
}

TEST(Threads, BlockerCountsAcrossThreads) {
  vesk_thread_blocker ready, done;
  std::atomic<int> stage{0};
  struct shared {
    vesk_thread_blocker *ready, *done;
    std::atomic<int> *stage;
  } s{&ready, &done, &stage};
  ASSERT_TRUE(vesk_thread_create("worker", [](void *p) {
    shared *s = static_cast<shared *>(p);
    for (int i = 0; i < 3; i++) {
      s->ready->block();
      (*s->stage)++;
      s->done->unblock();
    }
  }, &s));
  // Two unblocks before the worker waits are both counted.
  ready.unblock();
  ready.unblock();
  done.block();
  done.block();
  EXPECT_EQ(stage, 2);
  sleep_ms(20);
  EXPECT_EQ(stage, 2) << "the worker waits for the third unblock";
  ready.unblock();
  done.block();
  EXPECT_EQ(stage, 3);
}

TEST(Clock, DirectionAngleInEveryOctant) {
  struct row {
    int dx, dy, angle;
  } rows[] = {
      {0, 0, 90},   {1, 0, 0},    {5, 5, 45},   {0, 5, 90},  {-5, 5, 135}, {-5, 0, 180},
      {-5, -5, 225}, {0, -5, 270}, {5, -5, 315}, {10, 1, 6}, {1, 10, 84},  {-10, -1, 186},
  };
  for (const row &r : rows)
    EXPECT_EQ(direction_angle(r.dx, r.dy), r.angle) << r.dx << "," << r.dy;
}

TEST(Clock, MicrosecondsAdvanceAcrossASleep) {
  int64_t a = vesk_gettimeofday_useconds();
  sleep_ms(30);
  int64_t b = vesk_gettimeofday_useconds();
  EXPECT_GE(b - a, 29000);
  EXPECT_LT(b - a, 5000000);
}
