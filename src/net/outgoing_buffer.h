// Everything for the server is collected here and written from the tick: a fixed 10000-byte
// buffer that cuts rather than grows.
#pragma once

class vesk_outgoing_buffer {
public:
  static const int capacity = 10000;

  // Appends the text's bytes; what does not fit is dropped with a log line.
  void append(const char *text);
  void append_bytes(const char *data, int length);
  // After a write of n bytes: keeps the unwritten rest at the front, in order.
  void consume(int n);
  void clear() { fill = 0; }

  const char *data() const { return bytes; }
  int size() const { return fill; }

private:
  char bytes[capacity];
  int fill = 0;
};
