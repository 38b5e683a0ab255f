// Detached worker threads and a counting blocker between them and the GUI thread.
#pragma once

#include <condition_variable>
#include <mutex>

bool vesk_thread_create(const char *name, void (*function)(void *), void *data);

// A counting semaphore.
class vesk_thread_blocker {
public:
  vesk_thread_blocker();
  ~vesk_thread_blocker();
  void unblock();
  void block();

private:
  std::mutex *mutex;
  std::condition_variable *condition;
  int counter = 0;
};
