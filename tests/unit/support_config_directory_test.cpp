// Tests of the configuration directory choice, directory creation and the writability check,
// each run in a child process with its own HOME, current directory and (where it matters) user.
#include "support/config_directory.h"

#include <cerrno>
#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/log.h"

#include "test_files.h"

namespace {

const uid_t nobody = 65534;

bool is_dir(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

int remove_entry(const char *path, const struct stat *, int, struct FTW *) { return remove(path); }

void remove_tree(const std::string &path) {
  if (exists(path))
    nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string replace_all(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The debug log of this test program goes to a file, so the tests can read what was logged.
class LogToFile : public ::testing::Environment {
public:
  void SetUp() override {
    char dir[] = "/tmp/qvcfglog-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    directory = dir;
    path = directory + "/log.txt";
    vesk_debug_level = 3;
    vesk_client_set_debug_logfile_name(path.c_str());
    // Opened now, so that children (also unprivileged ones) write through the same descriptor.
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

// Runs body in a child process and returns what it produced; the test process keeps its own
// working directory, environment and user.
std::string in_child(const std::function<std::string()> &body) {
  int fds[2];
  if (pipe(fds) != 0)
    return "pipe failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string out = body();
    ssize_t ignored = write(fds[1], out.data(), out.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    out.append(buffer, (size_t)n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child crashed";
  return out;
}

// In a child: gives up root so that permissions apply. Without root it already does.
bool become_unprivileged() {
  if (geteuid() != 0)
    return true;
  return setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0 && geteuid() == nobody;
}

class TempDir {
public:
  TempDir() {
    char dir[] = "/tmp/qvcfg-XXXXXX";
    if (mkdtemp(dir)) {
      path = dir;
      chmod(dir, 0755); // reachable by the unprivileged child
    }
  }
  ~TempDir() { remove_tree(path); }
  std::string path;
};

// ---------------------------------------------------------------------------------------------

enum Place { IN_HOME, IN_CWD_DOT, IN_TMP, IN_CWD_PLAIN, NOWHERE };

struct Scenario {
  const char *label;
  bool home_set;
  bool home_is_file;
  bool home_read_only; // checked as an unprivileged user
  bool cwd_read_only;  // likewise
  bool cwd_dot_is_file, tmp_is_file, cwd_plain_is_file;
  Place expected;
  // Log lines that must appear ({T}: temp dir, {N}: application name).
  std::vector<std::string> log_lines;
};

class ConfigDirectory : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path.empty());
    name = "QvTest" + std::to_string(getpid());
    CleanTmp();
  }
  void TearDown() override { CleanTmp(); }
  void CleanTmp() {
    remove_tree("/tmp/" + name);
    remove_tree("/tmp/." + name);
  }
  std::string Expand(const std::string &text, const std::string &dir) {
    return replace_all(replace_all(text, "{T}", dir), "{N}", name);
  }
  TempDir tmp;
  std::string name;
};

TEST_F(ConfigDirectory, ChoosesTheFirstUsableCandidate) {
  const std::vector<Scenario> scenarios = {
      {"writable HOME", true, false, false, false, false, false, false, IN_HOME,
       {"Checking config directory: {T}/home/.{N}\n",
        "vesk_client_set_up_config_directory() - got final config directory '{T}/home/.{N}'\n"}},
      {"HOME is a regular file", true, true, false, false, false, false, false, IN_CWD_DOT,
       {"Checking config directory: {T}/home/.{N} [FAIL]\n", "Checking config directory: .{N}\n",
        "vesk_client_set_up_config_directory() - got final config directory '.{N}'\n"}},
      {"HOME file, .name in the current directory a file", true, true, false, false, true, false, false, IN_TMP,
       {"Checking config directory: .{N} [FAIL]\n", "Checking config directory: /tmp/{N}\n"}},
      {"only the bare name is left", true, true, false, false, true, true, false, IN_CWD_PLAIN,
       {"Checking config directory: /tmp/{N} [FAIL]\n", "Checking config directory: {N}\n",
        "vesk_client_set_up_config_directory() - got final config directory '{N}'\n"}},
      {"nothing usable", true, true, false, false, true, true, true, NOWHERE,
       {"Checking config directory: {N} [FAIL]\n",
        "vesk_client_set_up_config_directory() - Giving up.  Cannot create config directory.\n"}},
      {"no HOME", false, false, false, false, false, false, false, NOWHERE,
       {"Error in vesk_client_set_up_config_directory(), unable to fetch home directory - please set HOME "
        "environment variable and restart.\n"}},
      {"read-only HOME", true, false, true, false, false, false, false, IN_CWD_DOT,
       {"Checking config directory: {T}/home/.{N} [FAIL]\n"}},
      {"read-only HOME and current directory", true, false, true, true, false, false, false, IN_TMP,
       {"Checking config directory: {T}/home/.{N} [FAIL]\n", "Checking config directory: .{N} [FAIL]\n",
        "vesk_client_set_up_config_directory() - got final config directory '/tmp/{N}'\n"}},
  };
  for (const Scenario &s : scenarios) {
    SCOPED_TRACE(s.label);
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    const std::string home = t.path + "/home", work = t.path + "/work";
    const bool unprivileged = s.home_read_only || s.cwd_read_only;
    if (s.home_is_file)
      write_file(home, "not a directory");
    else
      ASSERT_EQ(mkdir(home.c_str(), s.home_read_only ? 0555 : 0755), 0);
    ASSERT_EQ(mkdir(work.c_str(), s.cwd_read_only ? 0555 : 0755), 0);
    if (unprivileged && !s.cwd_read_only && geteuid() == 0) {
      ASSERT_EQ(chown(work.c_str(), nobody, nobody), 0);
    }
    if (s.cwd_dot_is_file)
      write_file(work + "/." + name, "x");
    if (s.tmp_is_file)
      write_file("/tmp/" + name, "x");
    if (s.cwd_plain_is_file)
      write_file(work + "/" + name, "x");

    size_t offset = log_size();
    std::string result = in_child([&]() -> std::string {
      if (unprivileged && !become_unprivileged())
        return "skip";
      umask(022);
      if (chdir(work.c_str()) != 0)
        return "chdir failed";
      if (s.home_set)
        setenv("HOME", home.c_str(), 1);
      else
        unsetenv("HOME");
      if (vesk_client_get_config_directory())
        return "set before set-up";
      bool ok = vesk_client_set_up_config_directory(name.c_str());
      const char *dir = vesk_client_get_config_directory();
      return std::string(ok ? "ok:" : "fail:") + (dir ? dir : "(null)");
    });
    std::string log = log_since(offset);
    if (result == "skip")
      GTEST_SKIP() << "cannot switch to an unprivileged user";

    const std::string expected_path[] = {home + "/." + name, "." + name, "/tmp/" + name, name, ""};
    const std::string expected_on_disk[] = {home + "/." + name, work + "/." + name, "/tmp/" + name,
                                            work + "/" + name, ""};
    if (s.expected == NOWHERE) {
      EXPECT_EQ(result, "fail:(null)");
    } else {
      EXPECT_EQ(result, "ok:" + expected_path[s.expected]);
      const std::string &dir = expected_on_disk[s.expected];
      struct stat info;
      ASSERT_EQ(stat(dir.c_str(), &info), 0) << dir;
      EXPECT_TRUE(S_ISDIR(info.st_mode));
      EXPECT_EQ(info.st_mode & 0777, 0700u);
      EXPECT_FALSE(exists(dir + "/xx-rw-test.qqq"));
    }
    for (const std::string &line : s.log_lines)
      EXPECT_NE(log.find(Expand(line, t.path)), std::string::npos) << Expand(line, t.path) << "in log:\n" << log;
    if (!s.home_set) {
      EXPECT_EQ(log.find("Checking config directory"), std::string::npos);
    }
    CleanTmp();
  }
}

// A directory prepared by another user (a squatted /tmp path, say) would let that user read the
// settings and the log, and plant links in it.
TEST_F(ConfigDirectory, RefusesADirectoryOwnedBySomebodyElse) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to create a directory owned by another user";
  const std::string home = tmp.path + "/home", work = tmp.path + "/work", foreign = home + "/." + name;
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(foreign.c_str(), 0777), 0);
  ASSERT_EQ(chmod(foreign.c_str(), 0777), 0);
  ASSERT_EQ(chown(foreign.c_str(), nobody, nobody), 0);
  size_t offset = log_size();
  std::string result = in_child([&]() -> std::string {
    if (chdir(work.c_str()) != 0)
      return "chdir failed";
    setenv("HOME", home.c_str(), 1);
    bool ok = vesk_client_set_up_config_directory(name.c_str());
    return std::string(ok ? "ok:" : "fail:") + vesk_client_get_config_directory();
  });
  EXPECT_EQ(result, "ok:." + name);
  EXPECT_NE(log_since(offset).find("Checking config directory: " + foreign + " [FAIL]\n"), std::string::npos);
}

TEST_F(ConfigDirectory, SettingUpAgainLogsAndTakesTheNewName) {
  const std::string home = tmp.path + "/home";
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  const std::string second = name + "b";
  size_t offset = log_size();
  std::string result = in_child([&]() -> std::string {
    setenv("HOME", home.c_str(), 1);
    std::string out;
    out += vesk_client_set_up_config_directory(name.c_str()) ? "ok:" : "fail:";
    out += vesk_client_get_config_directory();
    out += vesk_client_set_up_config_directory(second.c_str()) ? " ok:" : " fail:";
    out += vesk_client_get_config_directory();
    return out;
  });
  EXPECT_EQ(result, "ok:" + home + "/." + name + " ok:" + home + "/." + second);
  std::string log = log_since(offset);
  EXPECT_NE(log.find("Error in vesk_client_set_up_config_directory(), attempt to change config directory path "
                     "after initial configuration.\nOld path '" +
                     home + "/." + name + "', new base name '" + second + "'\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(is_dir(home + "/." + second));
}

TEST_F(ConfigDirectory, NullNameFails) {
  std::string result = in_child([]() -> std::string {
    bool ok = vesk_client_set_up_config_directory(nullptr);
    return std::string(ok ? "ok" : "fail") + (vesk_client_get_config_directory() ? " set" : " unset");
  });
  EXPECT_EQ(result, "fail unset");
}

TEST_F(ConfigDirectory, CheckLogsThePathAndTheOutcome) {
  size_t offset = log_size();
  const std::string good = tmp.path + "/good", bad = tmp.path + "/bad";
  write_file(bad, "file");
  EXPECT_TRUE(vesk_client_check_config_directory(good.c_str()));
  EXPECT_FALSE(vesk_client_check_config_directory(bad.c_str()));
  std::string log = log_since(offset);
  EXPECT_NE(log.find("Checking config directory: " + good + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Checking config directory: " + bad + " [FAIL]\n"), std::string::npos) << log;
}

// ---------------------------------------------------------------------------------------------

TEST(RecursiveMkdir, CreatesEveryComponentFollowedByASeparator) {
  struct Case {
    const char *path; // {T}: the case's temp dir, which is also the current directory
    mode_t mode;
    bool ok;
    std::vector<std::string> created, not_created;
    const char *error; // appended after "pre:"
  } cases[] = {
      {"a//b/c", 0755, true, {"a", "a/b"}, {"a/b/c"}, ""},
      {"a//b/c/", 0755, true, {"a", "a/b", "a/b/c"}, {}, ""},
      {"p\\q\\\\r\\", 0755, true, {"p/q/r"}, {"p\\q"}, ""},
      {"{T}//abs///x\\y/", 0755, true, {"abs/x/y"}, {}, ""},
      {"\\{T}\\lead\\", 0755, true, {"lead"}, {}, ""},
      {"plain", 0755, true, {}, {"plain"}, ""},
      {"", 0755, true, {}, {}, ""},
      {"m1/m2/", 0750, true, {"m1", "m1/m2"}, {}, ""},
      {"file/sub/", 0755, false, {}, {"file/sub"}, "file/"},
      {"file/", 0755, false, {}, {}, "file/"},
      {"{T}/file/x/", 0755, false, {}, {}, "{T}/file/"},
  };
  for (const Case &c : cases) {
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    write_file(t.path + "/file", "x");
    // A leading backslash stands for the root, so the temp dir is spelled without its first "/".
    std::string path = replace_all(replace_all(c.path, "\\{T}", "\\" + t.path.substr(1)), "{T}", t.path);
    SCOPED_TRACE(path);
    std::string result = in_child([&]() -> std::string {
      umask(022);
      if (chdir(t.path.c_str()) != 0)
        return "chdir failed";
      vesk_fixed_text error("pre:");
      bool ok = vesk_recursive_mkdir(path.c_str(), c.mode, &error);
      return std::string(ok ? "ok " : "fail ") + error.c_str();
    });
    EXPECT_EQ(result, std::string(c.ok ? "ok " : "fail ") + "pre:" + replace_all(c.error, "{T}", t.path));
    for (const std::string &dir : c.created) {
      struct stat info;
      ASSERT_EQ(stat((t.path + "/" + dir).c_str(), &info), 0) << dir;
      EXPECT_TRUE(S_ISDIR(info.st_mode)) << dir;
      EXPECT_EQ(info.st_mode & 0777, c.mode) << dir;
    }
    for (const std::string &dir : c.not_created)
      EXPECT_FALSE(exists(t.path + "/" + dir)) << dir;
  }
}

TEST(RecursiveMkdir, NullPathIsLoggedAndFails) {
  size_t offset = log_size();
  vesk_fixed_text error;
  EXPECT_FALSE(vesk_recursive_mkdir(nullptr, 0700, &error));
  EXPECT_EQ(error.length, 0);
  EXPECT_NE(log_since(offset).find("Error in vesk_recursive_mkdir(), NULL path.\n"), std::string::npos);
  // Without an error output a failure is still reported.
  TempDir t;
  write_file(t.path + "/file", "x");
  EXPECT_FALSE(vesk_recursive_mkdir((t.path + "/file/sub/").c_str(), 0700, nullptr));
}

// ---------------------------------------------------------------------------------------------

TEST(CreateAndCheckWriteableDirectory, CreatesProvesAndCleansUp) {
  struct Case {
    const char *label;
    const char *path;                                // {T}: temp dir, also the current directory
    std::function<void(const std::string &)> setup;  // gets {T}
    bool unprivileged;
    bool ok;
    const char *error;
  } cases[] = {
      {"new nested directory", "{T}/new/deep", nullptr, false, true, ""},
      {"existing directory", "{T}", nullptr, false, true, ""},
      {"empty path is the current directory", "", nullptr, false, true, ""},
      {"path is a regular file", "{T}/f", [](const std::string &t) { write_file(t + "/f", "x"); }, false, false,
       "{T}/f/"},
      {"test file cannot be created", "{T}/d",
       [](const std::string &t) {
         mkdir((t + "/d").c_str(), 0755);
         mkdir((t + "/d/xx-rw-test.qqq").c_str(), 0755);
       },
       false, false, "{T}/d/xx-rw-test.qqq"},
      {"planted link to a file", "{T}/s",
       [](const std::string &t) {
         mkdir((t + "/s").c_str(), 0755);
         write_file(t + "/victim", "keep");
         symlink((t + "/victim").c_str(), (t + "/s/xx-rw-test.qqq").c_str());
       },
       false, false, "{T}/s/xx-rw-test.qqq"},
      {"planted dangling link", "{T}/s",
       [](const std::string &t) {
         mkdir((t + "/s").c_str(), 0755);
         symlink((t + "/made-by-check").c_str(), (t + "/s/xx-rw-test.qqq").c_str());
       },
       false, false, "{T}/s/xx-rw-test.qqq"},
      {"read-only directory", "{T}/ro", [](const std::string &t) { mkdir((t + "/ro").c_str(), 0555); }, true,
       false, "{T}/ro/xx-rw-test.qqq"},
  };
  bool skipped = false;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    TempDir t;
    ASSERT_FALSE(t.path.empty());
    if (c.setup)
      c.setup(t.path);
    std::string path = replace_all(c.path, "{T}", t.path);
    std::string result = in_child([&]() -> std::string {
      if (c.unprivileged && !become_unprivileged())
        return "skip";
      umask(022);
      if (chdir(t.path.c_str()) != 0)
        return "chdir failed";
      vesk_fixed_text error;
      bool ok = vesk_create_and_check_writeable_directory(path.c_str(), &error);
      return std::string(ok ? "ok " : "fail ") + error.c_str();
    });
    if (result == "skip") {
      skipped = true;
      continue;
    }
    EXPECT_EQ(result, std::string(c.ok ? "ok " : "fail ") + replace_all(c.error, "{T}", t.path));
    std::string dir = path.empty() ? t.path : path;
    if (c.ok) {
      EXPECT_TRUE(is_dir(dir));
      EXPECT_FALSE(exists(dir + "/xx-rw-test.qqq"));
    }
    if (exists(t.path + "/victim")) {
      EXPECT_EQ(read_file(t.path + "/victim"), "keep");
    }
    EXPECT_FALSE(exists(t.path + "/made-by-check"));
  }
  struct stat info;
  TempDir t;
  ASSERT_TRUE(vesk_create_and_check_writeable_directory((t.path + "/mode").c_str(), nullptr));
  ASSERT_EQ(stat((t.path + "/mode").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);
  if (skipped)
    GTEST_SKIP() << "cannot switch to an unprivileged user for the read-only case";
}

TEST(CreateAndCheckWriteableDirectory, NullPathIsLoggedAndFails) {
  size_t offset = log_size();
  EXPECT_FALSE(vesk_create_and_check_writeable_directory(nullptr, nullptr));
  EXPECT_NE(log_since(offset).find("Error in vesk_create_and_check_writeable_directory(), NULL path.\n"),
            std::string::npos);
}

TEST(IsRegularFile, OnlyExistingRegularFiles) {
  TempDir t;
  write_file(t.path + "/f", "x");
  mkdir((t.path + "/d").c_str(), 0755);
  EXPECT_TRUE(vesk_is_regular_file((t.path + "/f").c_str()));
  EXPECT_FALSE(vesk_is_regular_file((t.path + "/d").c_str()));
  EXPECT_FALSE(vesk_is_regular_file((t.path + "/missing").c_str()));
  EXPECT_FALSE(vesk_is_regular_file(nullptr));
}

} // namespace
