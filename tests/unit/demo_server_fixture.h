// Test helper: runs the demo world on a free port of 127.0.0.1 with a transcript, for as long as
// the fixture lives (at most a minute), and stops it afterwards.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

class demo_server {
public:
  explicit demo_server(const std::string &extra_args = "") {
    char pattern[] = "/tmp/quorveth-demo-XXXXXX";
    directory = mkdtemp(pattern) ? pattern : "/tmp";
    transcript = directory + "/transcript.txt";
    std::string out = directory + "/server.out";
    std::string command = "exec /usr/bin/python3 " QUORVETH_SOURCE_DIR "/tools/demo_server.py --port 0 --lifetime 60 "
                          "--cert-dir " QUORVETH_BINARY_DIR "/demo-cert --transcript " +
                          transcript + " " + extra_args + " >" + out + " 2>&1";
    pid = fork();
    if (pid == 0) {
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", command.c_str(), (char *)nullptr);
      _exit(127);
    }
    // The first run makes the certificate, which takes a moment.
    for (int i = 0; i < 300 && port == 0; i++) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::ifstream in(out);
      std::string word;
      while (in >> word)
        if (word.rfind("127.0.0.1:", 0) == 0)
          port = std::atoi(word.c_str() + 10);
    }
  }
  ~demo_server() {
    if (pid > 0) {
      kill(-pid, SIGTERM);
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    std::string rm = "rm -rf " + directory;
    if (system(rm.c_str()) != 0) {
    }
  }
  std::string transcript_text() const {
    std::ifstream in(transcript);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  pid_t pid = -1;
  int port = 0;
  std::string directory;
  std::string transcript;
};
