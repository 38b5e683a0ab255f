// Tests of the browser launch against a recording "firefox" script put first on PATH: the URL
// arrives as one untouched argument, and the way the program ends decides the outcome.
#include "support/browser.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/log.h"

#include "test_files.h"

namespace {

bool exists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

int remove_entry(const char *path, const struct stat *, int, struct FTW *) { return remove(path); }
void remove_tree(const std::string &path) {
  if (exists(path))
    nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

class LogToFile : public ::testing::Environment {
public:
  void SetUp() override {
    char dir[] = "/tmp/qvbrlog-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    directory = dir;
    path = directory + "/log.txt";
    vesk_debug_level = 3;
    vesk_client_set_debug_logfile_name(path.c_str());
    ASSERT_TRUE(vesk_client_debug_logfile_is_open());
  }
  void TearDown() override {
    vesk_client_debug_logfile_close();
    remove_tree(directory);
  }
  std::string directory, path;
};

LogToFile *log_file = static_cast<LogToFile *>(::testing::AddGlobalTestEnvironment(new LogToFile));
size_t log_size() { return read_file(log_file->path).size(); }
std::string log_since(size_t offset) { return read_file(log_file->path).substr(offset); }

// A descriptor left open without close-on-exec, as a socket of another library might be.
const int leaked_fd = 47;

class Browser : public ::testing::Test {
protected:
  void SetUp() override {
    char dir[] = "/tmp/qvbrowser-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    tmp = dir;
    ASSERT_EQ(mkdir((tmp + "/bin").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((tmp + "/empty").c_str(), 0755), 0);
    const char *path = getenv("PATH");
    old_path = path ? path : "/usr/bin:/bin";
    setenv("PATH", (tmp + "/bin:" + old_path).c_str(), 1);
    Script("");
  }
  void TearDown() override {
    setenv("PATH", old_path.c_str(), 1);
    remove_tree(tmp);
  }
  // The fake browser records its argument count and first argument, then runs tail.
  void Script(const std::string &tail) {
    const std::string file = tmp + "/bin/firefox";
    write_file(file, "#!/bin/sh\n"
                     "printf '%s' \"$#\" > '" + tmp + "/argc'\n"
                     "printf '%s' \"$1\" > '" + tmp + "/arg1'\n"
                     "[ -e /proc/$$/fd/" + std::to_string(leaked_fd) + " ] && : > '" + tmp + "/leaked'\n" +
                         tail + "\n");
    chmod(file.c_str(), 0755);
    unlink((tmp + "/argc").c_str());
  }
  bool Ran() { return exists(tmp + "/argc"); }
  std::string tmp, old_path;
};

TEST_F(Browser, UrlArrivesAsOneUntouchedArgument) {
  const std::string marker = tmp + "/marker";
  const std::string url = "http://h/?a=$(touch " + marker + ")&b=`touch " + marker + "`;touch " + marker +
                          " 'single' \"double\" (paren) $HOME & | > " + marker + "2 \\ end";
  int fd = open("/dev/null", O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(dup2(fd, leaked_fd), leaked_fd);
  close(fd);
  size_t offset = log_size();
  EXPECT_TRUE(vesk_launch_browser(url.c_str()));
  close(leaked_fd);
  ASSERT_TRUE(Ran());
  EXPECT_EQ(read_file(tmp + "/argc"), "1");
  EXPECT_EQ(read_file(tmp + "/arg1"), url);
  EXPECT_FALSE(exists(marker));
  EXPECT_FALSE(exists(marker + "2"));
  EXPECT_FALSE(exists(tmp + "/leaked")) << "the browser inherited a descriptor of this program";
  EXPECT_EQ(log_since(offset).find("vesk_http_fork()"), std::string::npos);
}

TEST_F(Browser, HowTheProgramEndsDecidesTheOutcome) {
  struct Case {
    const char *label, *tail;
    bool missing; // no firefox on PATH at all
    bool launched;
  } cases[] = {
      {"exit 0", "exit 0", false, true},
      {"non-zero exit", "exit 3", false, true},
      {"killed", "kill -KILL $$", false, false},
      {"terminated", "kill -TERM $$", false, false},
      // The child cannot run the program and ends with a status: not detected here.
      {"no firefox", "", true, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    Script(c.tail);
    if (c.missing)
      setenv("PATH", (tmp + "/empty").c_str(), 1);
    size_t offset = log_size();
    EXPECT_EQ(vesk_launch_browser("http://example.test/"), c.launched);
    EXPECT_EQ(Ran(), !c.missing);

    Script(c.tail);
    vesk_browser_launch launch;
    ASSERT_TRUE(vesk_browser_launch_async("http://example.test/", &launch));
    vesk_browser_outcome outcome = VESK_BROWSER_RUNNING;
    for (int i = 0; i < 500 && outcome == VESK_BROWSER_RUNNING; i++) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      outcome = vesk_browser_poll(&launch);
    }
    EXPECT_EQ(outcome, c.launched ? VESK_BROWSER_LAUNCHED : VESK_BROWSER_FAILED);
    EXPECT_EQ(log_since(offset).find("vesk_http_fork()"), std::string::npos);
    setenv("PATH", (tmp + "/bin:" + old_path).c_str(), 1);
  }
}

TEST_F(Browser, UrlThatLooksLikeAnOptionIsRefused) {
  for (const char *url : {"-new-instance", "--headless", "-"}) {
    SCOPED_TRACE(url);
    EXPECT_FALSE(vesk_launch_browser(url));
    vesk_browser_launch launch;
    EXPECT_FALSE(vesk_browser_launch_async(url, &launch));
    EXPECT_EQ(vesk_browser_poll(&launch), VESK_BROWSER_FAILED);
    EXPECT_STREQ(launch.url.c_str(), url);
    EXPECT_FALSE(Ran());
  }
  EXPECT_FALSE(vesk_launch_browser(nullptr));
  EXPECT_FALSE(Ran());
}

TEST_F(Browser, AsyncLaunchDoesNotBlockAndCollectsOnlyItsOwnChild) {
  Script("/bin/sleep 2");
  auto start = std::chrono::steady_clock::now();
  vesk_browser_launch launch;
  ASSERT_TRUE(vesk_browser_launch_async("http://example.test/slow", &launch));
  EXPECT_EQ(vesk_browser_poll(&launch), VESK_BROWSER_RUNNING);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // Another child of this process ends while the browser runs; its status stays for its owner.
  pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0)
    _exit(7);

  vesk_browser_outcome outcome = VESK_BROWSER_RUNNING;
  for (int i = 0; i < 500 && outcome == VESK_BROWSER_RUNNING; i++) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    outcome = vesk_browser_poll(&launch);
  }
  EXPECT_EQ(outcome, VESK_BROWSER_LAUNCHED);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_EQ(read_file(tmp + "/arg1"), "http://example.test/slow");
  EXPECT_EQ(vesk_browser_poll(&launch), VESK_BROWSER_LAUNCHED);

  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
}

// In a child process whose disposition of SIGCHLD or whose limits the test changes.
int run_in_child(int (*body)()) {
  pid_t pid = fork();
  if (pid == 0)
    _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(Browser, ChildAlreadyCollectedCountsAsLaunched) {
  // With SIGCHLD ignored the kernel collects the child itself and waiting reports ECHILD.
  int result = run_in_child([]() -> int {
    signal(SIGCHLD, SIG_IGN);
    if (!vesk_launch_browser("http://example.test/a"))
      return 1;
    vesk_browser_launch launch;
    if (!vesk_browser_launch_async("http://example.test/b", &launch))
      return 2;
    for (int i = 0; i < 500 && vesk_browser_poll(&launch) == VESK_BROWSER_RUNNING; i++)
      usleep(20000);
    return vesk_browser_poll(&launch) == VESK_BROWSER_LAUNCHED ? 0 : 3;
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(read_file(tmp + "/arg1"), "http://example.test/b");
}

TEST_F(Browser, FailedStartIsLoggedWithItsErrno) {
  size_t offset = log_size();
  // An unprivileged user with no processes allowed cannot fork.
  int result = run_in_child([]() -> int {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      return 50;
    struct rlimit none = {0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0)
      return 50;
    if (vesk_launch_browser("http://example.test/"))
      return 1;
    vesk_browser_launch launch;
    if (vesk_browser_launch_async("http://example.test/", &launch))
      return 2;
    return vesk_browser_poll(&launch) == VESK_BROWSER_FAILED ? 0 : 3;
  });
  if (result == 50)
    GTEST_SKIP() << "cannot become an unprivileged user with a process limit";
  EXPECT_EQ(result, 0);
  std::string expected = "vesk_http_fork() failed with errno " + std::to_string(EAGAIN) + ".\n";
  std::string log = log_since(offset);
  size_t first = log.find(expected);
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find(expected, first + 1), std::string::npos) << "the asynchronous form logs it too";
  EXPECT_FALSE(Ran());
}

} // namespace
