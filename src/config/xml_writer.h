// Streaming writer for the settings files' small XML subset: escaped tags and values, two blanks
// of indentation per level, and a stack of open tags so closing tags need not be repeated.
#pragma once

#include <cstdio>
#include <string>

#include "config/xml_reader.h"

class vesk_xml_writer {
public:
  vesk_xml_writer();
  // Writes a NUL-terminated text unchanged; 0 means nothing was written.
  virtual int write_text(const char *text) = 0;
  virtual ~vesk_xml_writer();

  // The declaration line; the count that write_text gave for it.
  int write_xml_header();
  // Opens an element: a leaf with newline 0, a container with newline 1. Attributes go out
  // unescaped after a blank.
  void write_tag(const char *tag, int newline, const char *attributes);
  // A value or tag text with <, > and & escaped.
  void write_string(const char *text);
  // Closes the innermost open element; indent 1 for a container, 0 for a leaf.
  void end_tag(const char *expected, int indent);
  void write_newline();

  void free_stack();

  // The number of open tags.
  int depth;
  vesk_xml_stack_entry *stack_top;

protected:
  void write_indent(int levels);
};

// Writes to an open stdio file that the caller opened and will close.
class vesk_xml_file_writer : public vesk_xml_writer {
public:
  explicit vesk_xml_file_writer(FILE *file);
  int write_text(const char *text) override;
  ~vesk_xml_file_writer() override;

  FILE *file_handle;
};

// Collects the document in memory.
class vesk_xml_string_writer : public vesk_xml_writer {
public:
  vesk_xml_string_writer();
  int write_text(const char *text) override;
  ~vesk_xml_string_writer() override;

  std::string text;
};
