// Test helper: points the process-wide debug log at a fresh temporary file and reads it back.
#pragma once

#include "support/log.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class scoped_debug_log {
public:
  explicit scoped_debug_log(int level = 3) {
    char pattern[] = "/tmp/quorveth-log-XXXXXX";
    char *dir = mkdtemp(pattern);
    directory = dir ? dir : "/tmp";
    path = directory + "/quorveth_log.txt";
    if (vesk_client_debug_logfile_is_open())
      vesk_client_debug_logfile_close();
    vesk_client_set_debug_logfile_name(path.c_str());
    saved_level = vesk_debug_level;
    vesk_debug_level = level;
  }
  ~scoped_debug_log() {
    vesk_debug_level = saved_level;
    if (vesk_client_debug_logfile_is_open())
      vesk_client_debug_logfile_close();
    std::remove(path.c_str());
    rmdir(directory.c_str());
    // Later tests in the same process log to the void rather than to standard output.
    vesk_client_set_debug_logfile_name("/dev/null");
  }
  std::string text() const {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool contains(const std::string &needle) const { return text().find(needle) != std::string::npos; }
  int count(const std::string &needle) const {
    std::string t = text();
    int n = 0;
    for (size_t p = t.find(needle); p != std::string::npos; p = t.find(needle, p + 1))
      n++;
    return n;
  }

  std::string directory;
  std::string path;
  int saved_level;
};
