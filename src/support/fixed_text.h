// A fixed 6000-byte text with its length: appends stop at 5999 bytes and keep the terminating
// zero, so long texts are cut and never overflow. Most of the program's texts are built in one.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstring>

struct vesk_fixed_text {
  static const int capacity = 6000;

  char data[capacity];
  int length = 0;

  vesk_fixed_text() { data[0] = 0; }
  explicit vesk_fixed_text(const char *text) { data[0] = 0; append(text); }

  void clear() {
    length = 0;
    data[0] = 0;
  }
  int room() const { return capacity - 1 - length; }
  bool full() const { return length >= capacity - 1; }
  const char *c_str() const { return data; }

  // Appends at most n bytes of text (stops at a zero byte); returns the bytes appended.
  int append(const char *text, int n) {
    if (!text || n <= 0)
      return 0;
    int k = 0;
    while (k < n && length < capacity - 1 && text[k]) {
      data[length++] = text[k++];
    }
    data[length] = 0;
    return k;
  }
  int append(const char *text) { return append(text, capacity); }
  bool append_char(char c) {
    if (length >= capacity - 1)
      return false;
    data[length++] = c;
    data[length] = 0;
    return true;
  }
  void appendf(const char *format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(data + length, (size_t)(capacity - length), format, args);
    va_end(args);
    if (n > 0)
      length += n < capacity - 1 - length ? n : capacity - 1 - length;
    data[length] = 0;
  }
  void set(const char *text) {
    clear();
    append(text);
  }
};
