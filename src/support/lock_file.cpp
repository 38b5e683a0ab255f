// Lock files through lockf test-and-lock.
#include "support/lock_file.h"

#include <fcntl.h>
#include <unistd.h>

int vesk_lock_file_acquire(const char *path) {
  if (!path)
    return -1;
  int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return -1;
  if (lockf(fd, F_TLOCK, 0) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool vesk_lock_file_release(int descriptor) {
  if (descriptor < 0)
    return false;
  // The lock was taken from offset 0; unlock from there even if the holder moved the offset.
  bool unlocked = lseek(descriptor, 0, SEEK_SET) == 0 && lockf(descriptor, F_ULOCK, 0) == 0;
  close(descriptor);
  return unlocked;
}
