// Streaming reader for the settings files' small XML subset (elements holding either children or
// one printable-ASCII value), plus fget_line, the line reader used for declarations and lists.
#pragma once

#include <cstdio>
#include <string>

// One open tag. A tag longer than 999 characters is cut so the entry never overflows.
struct vesk_xml_stack_entry {
  static const int tag_size = 1000;

  char tag[tag_size];
  vesk_xml_stack_entry *next;
};

class vesk_xml_reader {
public:
  vesk_xml_reader();
  // The next input byte as 0 to 255, or -1 at the end of input.
  virtual int read_char() = 0;
  virtual ~vesk_xml_reader();

  // 1 for an opening tag (now on the stack); 0 for a closing tag (popped), the end of input or a
  // bad tag, so "while (read_tag(...))" ends at the closing tag of the enclosing element.
  int read_tag(char *dest, int capacity);
  // The value of the element just opened, then its closing tag. 0 when the value is unreadable,
  // in which case the closing tag and the stack are left alone.
  int read_data(char *dest, int capacity);
  // As above for a decimal number; a non-number leaves *value unchanged and gives 0.
  int read_data(int *value);
  // Passes over the rest of the element on top of the stack, through its closing tag.
  void skip_data();
  // 1 for a valid declaration line such as <?xml version="1.0" encoding="ISO-8859-1"?>.
  static int check_xml_header_string(const char *line);

  void free_stack();

  vesk_xml_stack_entry *stack_top;

protected:
  int read_block(char *dest, int capacity, int tag_flag);
  bool skip_chunk();
  void compact_string(char *text);
  void pop_stack_entry(const char *tag);
  void push_stack_entry(const char *tag);
};

// Reads an open stdio file that the caller opened and will close.
class vesk_xml_file_reader : public vesk_xml_reader {
public:
  explicit vesk_xml_file_reader(FILE *file);
  int read_char() override;
  ~vesk_xml_file_reader() override;

  FILE *file_handle;
};

// Reads a copy of a byte buffer (NUL bytes included), for documents held in memory.
class vesk_xml_string_reader : public vesk_xml_reader {
public:
  vesk_xml_string_reader(const char *data, size_t length);
  explicit vesk_xml_string_reader(const std::string &data);
  int read_char() override;
  ~vesk_xml_string_reader() override;

  std::string buffer;
  size_t position;
};

// Reads one line into dest (at most capacity - 1 bytes, always terminated); the line ends at a
// newline, carriage return, NUL byte or the end of the file, and only that one byte is consumed.
// Returns the bytes stored plus one, or 0 when the file was already at its end.
int fget_line(FILE *file, char *dest, int capacity);
