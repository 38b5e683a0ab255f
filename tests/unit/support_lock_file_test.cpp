// Tests of the lock file: exclusion between two processes, release, and the file it creates.
#include "support/lock_file.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

class LockFile : public ::testing::Test {
protected:
  void SetUp() override {
    char dir[] = "/tmp/qvlock-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    directory = dir;
    path = directory + "/update.lock";
  }
  void TearDown() override {
    unlink(path.c_str());
    rmdir(directory.c_str());
  }
  std::string directory, path;
};

// One byte through a pipe, so parent and child take turns.
bool send_byte(int fd, char c) { return write(fd, &c, 1) == 1; }
char receive_byte(int fd) {
  char c = 0;
  return read(fd, &c, 1) == 1 ? c : 0;
}

TEST_F(LockFile, ExcludesAnotherProcessUntilReleased) {
  int fd = vesk_lock_file_acquire(path.c_str());
  ASSERT_GE(fd, 0);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  int to_child[2], to_parent[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(to_parent), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // 'b': blocked while the parent holds it; 'g': got it after the release.
    int first = vesk_lock_file_acquire(path.c_str());
    send_byte(to_parent[1], first == -1 ? 'b' : 'x');
    if (receive_byte(to_child[0]) != 'r')
      _exit(2);
    int second = vesk_lock_file_acquire(path.c_str());
    send_byte(to_parent[1], second >= 0 ? 'g' : 'x');
    // Hold it until the parent has tried.
    receive_byte(to_child[0]);
    _exit(vesk_lock_file_release(second) ? 0 : 3);
  }
  EXPECT_EQ(receive_byte(to_parent[0]), 'b');
  EXPECT_TRUE(vesk_lock_file_release(fd));
  // The descriptor is closed by the release.
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
  send_byte(to_child[1], 'r');
  EXPECT_EQ(receive_byte(to_parent[0]), 'g');
  EXPECT_EQ(vesk_lock_file_acquire(path.c_str()), -1);
  send_byte(to_child[1], 'e');
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  // The child is gone; the lock can be taken again.
  int again = vesk_lock_file_acquire(path.c_str());
  EXPECT_GE(again, 0);
  EXPECT_TRUE(vesk_lock_file_release(again));
  for (int p : {to_child[0], to_child[1], to_parent[0], to_parent[1]})
    close(p);
}

TEST_F(LockFile, FailuresReturnMinusOneOrFalse) {
  EXPECT_EQ(vesk_lock_file_acquire((directory + "/missing/update.lock").c_str()), -1);
  EXPECT_EQ(vesk_lock_file_acquire(nullptr), -1);
  EXPECT_FALSE(vesk_lock_file_release(-1));
  int fd = vesk_lock_file_acquire(path.c_str());
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(vesk_lock_file_release(fd));
  // Already closed: the unlock fails.
  EXPECT_FALSE(vesk_lock_file_release(fd));
}

} // namespace
