// Test helper: whole-file reads and writes for tests that check what the program wrote.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}
