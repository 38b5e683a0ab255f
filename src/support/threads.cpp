// Detached threads and the counting blocker that hands work between threads.
#include "support/threads.h"

#include "support/log.h"

#include <pthread.h>

namespace {
struct start_info {
  void (*function)(void *);
  void *data;
};

void *thread_main(void *arg) {
  start_info info = *static_cast<start_info *>(arg);
  delete static_cast<start_info *>(arg);
  info.function(info.data);
  return nullptr;
}
} // namespace

bool vesk_thread_create(const char *name, void (*function)(void *), void *data) {
  (void)name;
  start_info *info = new start_info{function, data};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  int rc = pthread_create(&thread, &attr, thread_main, info);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete info;
    log_message("Error in vesk_thread_create(), thread create failed?", VESK_LOG_ALLOC, 7);
    return false;
  }
  return true;
}

vesk_thread_blocker::vesk_thread_blocker() : mutex(new std::mutex), condition(new std::condition_variable) {}

vesk_thread_blocker::~vesk_thread_blocker() {
  if (counter != 0) {
    // A thread may still be inside block() or unblock(): keep the primitives alive.
    log_message("Error in ~vesk_thread_blocker(), unblock counter was nonzero on destruct?", VESK_LOG_FAILURE, 7);
    return;
  }
  delete condition;
  delete mutex;
}

void vesk_thread_blocker::unblock() {
  std::lock_guard<std::mutex> lock(*mutex);
  condition->notify_one();
  counter++;
}

void vesk_thread_blocker::block() {
  std::unique_lock<std::mutex> lock(*mutex);
  while (counter < 1)
    condition->wait(lock);
  counter--;
}
