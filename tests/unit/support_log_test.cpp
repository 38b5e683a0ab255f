// The debug log: level and category filtering, opening, appending, fallbacks and write failures.
#include "log_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs f with descriptor 1 pointing at a temporary file and returns what was written there.
template <class F> std::string capture_stdout(F f) {
  std::fflush(stdout);
  char name[] = "/tmp/quorveth-stdout-XXXXXX";
  int fd = mkstemp(name);
  int saved = dup(1);
  dup2(fd, 1);
  f();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(fd);
  std::string text = read_file(name);
  unlink(name);
  return text;
}

} // namespace

TEST(Log, LevelAndCategoryFiltering) {
  struct row {
    int level, category, suppressed, enabled;
    bool written;
  } rows[] = {
      {0, 2, 0, 1, false},     {1, 2, 0, 1, true},      {2, 256, 0, 1, false}, {3, 256, 0, 1, true},
      {3, 256 | 2, 0, 1, true}, {2, 256 | 2, 0, 1, false}, // a trace bit makes the whole message a trace
      {3, 64, 64, 1, false},   {3, 64 | 2, 64, 1, true}, {3, 4, 0, 0, false},   {1, 0, 0, 1, false},
  };
  for (const row &r : rows) {
    scoped_debug_log log(r.level);
    vesk_suppressed_categories = r.suppressed;
    vesk_logging_enabled = r.enabled;
    log_message("probe line", r.category, 1);
    vesk_suppressed_categories = 0;
    vesk_logging_enabled = 1;
    EXPECT_EQ(log.contains("probe line\n"), r.written)
        << "level " << r.level << " category " << r.category << " suppressed " << r.suppressed;
  }
}

TEST(Log, OpensOnFirstMessageAndAppends) {
  scoped_debug_log log;
  EXPECT_FALSE(exists(log.path)) << "nothing is opened before the first message";
  format_message("first %d\n", 1);
  ASSERT_TRUE(exists(log.path));
  vesk_client_debug_logfile_close();
  vesk_client_set_debug_logfile_name(log.path.c_str());
  format_message("second %s\n", "run");
  std::string text = log.text();
  EXPECT_NE(text.find("first 1\n"), std::string::npos);
  EXPECT_LT(text.find("first 1\n"), text.find("second run\n"));
  EXPECT_NE(text.find("vesk_client_try_open_debug_logfile() opened logfile '" + log.path + "'"), std::string::npos);
  struct stat st;
  stat(log.path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(Log, SettingTheNameWhileOpenOnlyLogsAnError) {
  scoped_debug_log log;
  format_message("opened\n");
  EXPECT_FALSE(vesk_client_set_debug_logfile_name("/tmp/elsewhere-quorveth.txt"));
  EXPECT_FALSE(vesk_client_set_autoopen_debug_logfile_name("elsewhere"));
  EXPECT_STREQ(vesk_client_get_debug_logfile_name(), log.path.c_str());
  EXPECT_TRUE(log.contains("Error in vesk_client_set_debug_logfile_name(), logfile already open.\n"));
  EXPECT_TRUE(log.contains("Error in vesk_client_set_autoopen_debug_logfile_name(), logfile already open.\n"));
  EXPECT_FALSE(vesk_client_try_open_debug_logfile());
  EXPECT_TRUE(log.contains("Error in vesk_client_try_open_debug_logfile(), logfile already open.\n"));
}

TEST(Log, UnopenableFileDisablesLoggingUntilTheNameChanges) {
  scoped_debug_log log;
  std::string missing_dir = log.directory + "/not-yet";
  std::string bad = missing_dir + "/quorveth_log.txt";
  vesk_client_set_debug_logfile_name(bad.c_str());
  format_message("lost\n");
  EXPECT_TRUE(vesk_client_debug_logfile_open_failed());
  EXPECT_FALSE(vesk_client_debug_logfile_is_open());
  EXPECT_STREQ(vesk_client_get_debug_logfile_name(), bad.c_str());
  // No further automatic attempt, even once the directory exists.
  mkdir(missing_dir.c_str(), 0700);
  format_message("still lost\n");
  EXPECT_FALSE(exists(bad));
  vesk_client_set_debug_logfile_name(bad.c_str());
  format_message("found\n");
  EXPECT_EQ(read_file(bad).find("lost"), std::string::npos);
  EXPECT_NE(read_file(bad).find("found\n"), std::string::npos);
  vesk_client_debug_logfile_close();
  unlink(bad.c_str());
  rmdir(missing_dir.c_str());
}

TEST(Log, WithoutANameTheLogGoesToStandardOutput) {
  scoped_debug_log log;
  std::string out = capture_stdout([] {
    vesk_client_set_debug_logfile_name(nullptr);
    format_message("to stdout %d\n", 7);
    vesk_client_debug_logfile_close();
  });
  EXPECT_NE(out.find("vesk_client_try_open_debug_logfile() - using STDOUT.\n"), std::string::npos);
  EXPECT_NE(out.find("to stdout 7\n"), std::string::npos);
}

TEST(Log, AutoOpenNameGoesUnderTmp) {
  scoped_debug_log log;
  std::string base = "quorveth-autoopen-" + std::to_string(getpid()) + ".txt";
  vesk_client_set_autoopen_debug_logfile_name(base.c_str());
  format_message("auto\n");
  EXPECT_STREQ(vesk_client_get_debug_logfile_name(), ("/tmp/" + base).c_str());
  EXPECT_NE(read_file("/tmp/" + base).find("auto\n"), std::string::npos);
  vesk_client_debug_logfile_close();
  unlink(("/tmp/" + base).c_str());
}

TEST(Log, LongMessagesAreCutAt10239Bytes) {
  scoped_debug_log log;
  format_message("%s", "x"); // opens the file and writes its trace line
  size_t before = log.text().size();
  std::string big(20000, 'a');
  format_message("%s", big.c_str());
  EXPECT_EQ(log.text().size() - before, 10239u);
  log_message(big.c_str(), 2, 1);
  std::string text = log.text();
  EXPECT_EQ(text.size() - before, 10239u * 2);
  EXPECT_EQ(text.back(), '\n') << "a cut log_message still ends its line";
}

TEST(Log, WriteFailuresAreReportedOncePerRun) {
  scoped_debug_log log;
  vesk_signal_safe_logfile full;
  ASSERT_TRUE(full.open_file("/dev/full"));
  EXPECT_FALSE(full.write("a"));
  EXPECT_FALSE(full.write("b"));
  EXPECT_FALSE(full.write("c"));
  const char *report = "Error in vesk_signal_safe_logfile::write(), write failed.\n";
  EXPECT_EQ(log.count(report), 1);
  // A success ends the run of failures; the next failure is reported again.
  std::string good = log.directory + "/other.txt";
  ASSERT_TRUE(full.open_file(good.c_str()));
  EXPECT_TRUE(full.write("ok"));
  ASSERT_TRUE(full.open_file("/dev/full"));
  EXPECT_FALSE(full.write("d"));
  EXPECT_EQ(log.count(report), 2);
  full.close();
  unlink(good.c_str());
}

TEST(Log, FailingDebugLogItselfDoesNotRecurse) {
  scoped_debug_log log;
  ASSERT_TRUE(vesk_client_debug_logfile_is_open());
  vesk_client_debug_logfile_close();
  ASSERT_TRUE(vesk_client_set_debug_logfile_name("/dev/full"));
  format_message("into a full device\n");
  log_message("again", 2, 1);
  vesk_signal_safe_logfile *file = vesk_client_get_signal_safe_logfile();
  EXPECT_TRUE(file->failure_reported);
  EXPECT_EQ(file->depth, 0);
}

TEST(Log, RecursionLimiterRefusesDeepWrites) {
  scoped_debug_log log;
  vesk_signal_safe_logfile file;
  std::string path = log.directory + "/deep.txt";
  ASSERT_TRUE(file.open_file(path.c_str()));
  file.depth = 24;
  EXPECT_TRUE(file.write("fits\n"));
  file.depth = 25;
  EXPECT_FALSE(file.write("refused\n"));
  file.depth = 30;
  EXPECT_FALSE(file.write("refused\n"));
  file.depth = 0;
  EXPECT_EQ(read_file(path), "fits\n");
  // The limiter's report goes to the debug log, which sits at depth 0 and accepts it.
  EXPECT_EQ(log.count("Error in vesk_signal_safe_logfile::write(), recursion limiter triggered.\n"), 1);
  file.close();
  unlink(path.c_str());
}

TEST(Log, NumbersAndNullTexts) {
  scoped_debug_log log;
  vesk_signal_safe_logfile file;
  std::string path = log.directory + "/n.txt";
  ASSERT_TRUE(file.open_file(path.c_str()));
  for (long long n : {0LL, 7LL, -42LL, 9223372036854775807LL, (-9223372036854775807LL - 1)}) {
    file.write_number(n);
    file.write(" ");
  }
  file.write(nullptr);
  EXPECT_EQ(read_file(path), "0 7 -42 9223372036854775807 -9223372036854775808 (null)");
  file.close();
  unlink(path.c_str());
}

TEST(Log, ThreadsWriteWholeMessages) {
  scoped_debug_log log;
  const int threads = 4, per_thread = 2000;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; t++)
    workers.emplace_back([t] {
      std::string pad(150, (char)('a' + t));
      for (int i = 0; i < per_thread; i++)
        format_message("T%d %05d %s\n", t, i, pad.c_str());
    });
  for (auto &w : workers)
    w.join();
  std::istringstream lines(log.text());
  std::string line;
  std::set<std::string> seen;
  while (std::getline(lines, line)) {
    if (line.rfind("vesk_client_", 0) == 0)
      continue;
    ASSERT_EQ(line.size(), 159u) << "torn line: " << line;
    char t = line[1];
    ASSERT_EQ(line.substr(9), std::string(150, (char)('a' + (t - '0'))));
    seen.insert(line.substr(0, 8));
  }
  EXPECT_EQ(seen.size(), (size_t)threads * per_thread);
}
