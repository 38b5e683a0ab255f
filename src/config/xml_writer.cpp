// The settings files' XML writer: the declaration line, indented elements with escaped tags and
// values, and closing tags taken from its own stack of open tags.
#include "config/xml_writer.h"

#include <cstring>

#include "support/log.h"

namespace {

const int facility = 6;

} // namespace

vesk_xml_writer::vesk_xml_writer() : depth(0), stack_top(nullptr) {}

vesk_xml_writer::~vesk_xml_writer() { free_stack(); }

void vesk_xml_writer::free_stack() {
  while (stack_top) {
    vesk_xml_stack_entry *entry = stack_top;
    stack_top = entry->next;
    delete entry;
  }
}

void vesk_xml_writer::write_indent(int levels) {
  for (int i = 0; i < levels; i++)
    write_text("  ");
}

int vesk_xml_writer::write_xml_header() {
  return write_text("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n");
}

void vesk_xml_writer::write_tag(const char *tag, int newline, const char *attributes) {
  if (!tag) {
    log_message("Error in vesk_xml_writer::write_tag(), NULL tag.\n", VESK_LOG_BAD_CALL, facility);
    return;
  }
  vesk_xml_stack_entry *entry = new vesk_xml_stack_entry;
  std::strncpy(entry->tag, tag, vesk_xml_stack_entry::tag_size - 1);
  entry->tag[vesk_xml_stack_entry::tag_size - 1] = 0;
  entry->next = stack_top;
  stack_top = entry;

  write_indent(depth);
  write_text("<");
  // The stored copy, so that a tag cut to fit the stack opens and closes with the same name.
  write_string(entry->tag);
  if (attributes) {
    write_text(" ");
    write_text(attributes);
  }
  write_text(">");
  if (newline)
    write_text("\n");
  depth++;
}

void vesk_xml_writer::write_string(const char *text) {
  if (!text) {
    log_message("Error in vesk_xml_writer::write_string(), NULL data.\n", VESK_LOG_BAD_CALL, facility);
    return;
  }
  // Gathered in runs so a file sink is not called once per byte; the bytes are the same.
  char run[256];
  int n = 0;
  for (const char *p = text; *p; p++) {
    const char *escape = nullptr;
    if (*p == '<')
      escape = "&lt;";
    else if (*p == '>')
      escape = "&gt;";
    else if (*p == '&')
      escape = "&amp;";
    int needed = escape ? (int)std::strlen(escape) : 1;
    if (n + needed >= (int)sizeof run) {
      run[n] = 0;
      write_text(run);
      n = 0;
    }
    if (escape) {
      std::memcpy(run + n, escape, (size_t)needed);
      n += needed;
    } else {
      run[n++] = *p;
    }
  }
  if (n) {
    run[n] = 0;
    write_text(run);
  }
}

void vesk_xml_writer::end_tag(const char *expected, int indent) {
  // Depth counts the open tags, so an extra close does not take it below zero.
  if (depth > 0)
    depth--;
  if (indent && depth > 0)
    write_indent(depth);
  write_text("</");
  if (!stack_top) {
    log_message("Error in vesk_xml_writer::end_tag(), tag stack empty.\n", VESK_LOG_BAD_CALL, facility);
    write_text("_BOGUS_ENDING_TAG_");
  } else {
    vesk_xml_stack_entry *entry = stack_top;
    stack_top = entry->next;
    if (expected && std::strcmp(expected, entry->tag))
      log_message("Warning in vesk_xml_writer::end_tag(), tried to close wrong tag.\n", VESK_LOG_WARN, facility);
    write_string(entry->tag);
    delete entry;
  }
  write_text(">\n");
}

void vesk_xml_writer::write_newline() { write_text("\n"); }

vesk_xml_file_writer::vesk_xml_file_writer(FILE *file) : file_handle(file) {
  if (!file)
    log_message("Error in vesk_xml_file_writer::vesk_xml_file_writer(), NULL file handle.\n", VESK_LOG_ALLOC,
                facility);
}

int vesk_xml_file_writer::write_text(const char *text) {
  if (!file_handle || !text)
    return 0;
  return std::fprintf(file_handle, "%s", text);
}

vesk_xml_file_writer::~vesk_xml_file_writer() {
  file_handle = nullptr;
  free_stack();
}

vesk_xml_string_writer::vesk_xml_string_writer() {}

int vesk_xml_string_writer::write_text(const char *text) {
  if (!text)
    return 0;
  size_t n = std::strlen(text);
  this->text.append(text, n);
  return (int)n;
}

vesk_xml_string_writer::~vesk_xml_string_writer() { free_stack(); }
