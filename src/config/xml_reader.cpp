// The settings files' XML reader: tags and values as printable ASCII with three entities, a stack
// of open tags that keeps the caller in step with the nesting, and the line reader fget_line.
#include "config/xml_reader.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/fixed_text.h"
#include "support/log.h"

namespace {

const int facility = 6;
const int scratch_size = vesk_xml_stack_entry::tag_size;
const int number_size = 100;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

void warn(const char *text) { log_message(text, VESK_LOG_WARN, facility); }

} // namespace

vesk_xml_reader::vesk_xml_reader() : stack_top(nullptr) {}

vesk_xml_reader::~vesk_xml_reader() { free_stack(); }

void vesk_xml_reader::free_stack() {
  while (stack_top) {
    vesk_xml_stack_entry *entry = stack_top;
    stack_top = entry->next;
    delete entry;
  }
}

void vesk_xml_reader::push_stack_entry(const char *tag) {
  vesk_xml_stack_entry *entry = new vesk_xml_stack_entry;
  std::strncpy(entry->tag, tag, vesk_xml_stack_entry::tag_size - 1);
  entry->tag[vesk_xml_stack_entry::tag_size - 1] = 0;
  entry->next = stack_top;
  stack_top = entry;
}

int vesk_xml_reader::read_block(char *dest, int capacity, int tag_flag) {
  if (!dest) {
    log_message("Error in vesk_xml_reader::read_block(), NULL dest?", VESK_LOG_BAD_CALL, facility);
    return 0;
  }
  if (capacity <= 0) {
    log_message("Error in vesk_xml_reader::read_block(), dest is too small?", VESK_LOG_BAD_CALL, facility);
    return 0;
  }
  int kept = 0;
  int unprintable = 0;
  int c;
  for (;;) {
    c = read_char();
    if (c < 0 || c == '<' || c == '>')
      break;
    // The excess of a long block is still read so that the next read starts after it.
    if (kept < capacity - 1) {
      if (c < 0x20 || c > 0x7e)
        unprintable++;
      dest[kept++] = (char)c;
    }
  }
  dest[kept] = 0;
  if (c < 0) {
    warn("Warning in vesk_xml_reader::read_block(), file corruption - got EOF before trailing bracket.");
    return 0;
  }
  if (tag_flag && c == '<')
    warn("Warning in vesk_xml_reader::read_block(), got second open bracket?");
  if (!tag_flag && c == '>')
    warn("Warning in vesk_xml_reader::read_block(), got second closing bracket?");
  if (unprintable)
    return 0;
  compact_string(dest);
  return 1;
}

bool vesk_xml_reader::skip_chunk() {
  for (;;) {
    int c = read_char();
    if (c < 0)
      return false;
    if (c == '<')
      return true;
    if (c == '>')
      warn("Warning in vesk_xml_reader::skip_chunk(), got closing bracket?");
  }
}

void vesk_xml_reader::compact_string(char *text) {
  if (!text)
    return;
  const char *from = text;
  char *to = text;
  while (*from) {
    if (*from == '&') {
      if (!std::strncmp(from, "&lt;", 4)) {
        *to++ = '<';
        from += 4;
        continue;
      }
      if (!std::strncmp(from, "&gt;", 4)) {
        *to++ = '>';
        from += 4;
        continue;
      }
      if (!std::strncmp(from, "&amp;", 5)) {
        *to++ = '&';
        from += 5;
        continue;
      }
      warn("Warning in vesk_xml_reader::compact_string(), unknown '&' conversion found?");
    }
    *to++ = *from++;
  }
  *to = 0;
}

void vesk_xml_reader::pop_stack_entry(const char *tag) {
  if (!tag)
    tag = "";
  vesk_fixed_text message;
  if (tag[0] == '/') {
    tag++;
  } else {
    message.append("Warning in vesk_xml_reader::pop_stack_entry() - got bad closing tag '");
    message.append(tag);
    message.append("'?");
    warn(message.c_str());
  }
  // A stray closing tag at the outermost level: there is nothing to pop, so it is reported and
  // dropped; read_tag still gives 0 for it, which ends the caller's loop.
  if (!stack_top) {
    message.set("Warning in vesk_xml_reader::pop_stack_entry() - got closing tag '");
    message.append(tag);
    message.append("' with no open tag.");
    warn(message.c_str());
    return;
  }
  vesk_xml_stack_entry *entry = stack_top;
  stack_top = entry->next;
  if (std::strcmp(tag, entry->tag)) {
    message.set("Warning in vesk_xml_reader::pop_stack_entry() - popped tag '");
    message.append(tag);
    message.append("' did not match expected tag '");
    message.append(entry->tag);
    message.append("'.");
    warn(message.c_str());
  }
  delete entry;
}

int vesk_xml_reader::read_tag(char *dest, int capacity) {
  if (!skip_chunk())
    return 0;
  if (!read_block(dest, capacity, 1))
    return 0;
  if (dest[0] == '/') {
    pop_stack_entry(dest);
    return 0;
  }
  push_stack_entry(dest);
  return 1;
}

int vesk_xml_reader::read_data(char *dest, int capacity) {
  if (!read_block(dest, capacity, 0))
    return 0;
  char closing[scratch_size];
  read_block(closing, scratch_size, 1);
  pop_stack_entry(closing);
  return 1;
}

int vesk_xml_reader::read_data(int *value) {
  char text[number_size];
  if (!read_block(text, number_size, 0))
    return 0;
  int result = 0;
  if ((text[0] == '-' && is_digit(text[1])) || text[0] == '+' || is_digit(text[0])) {
    long number = std::strtol(text, nullptr, 10);
    // Out-of-range numbers saturate rather than wrap, so range checks of callers still see them.
    if (number > INT_MAX)
      number = INT_MAX;
    if (number < INT_MIN)
      number = INT_MIN;
    if (value)
      *value = (int)number;
    result = 1;
  } else {
    vesk_fixed_text message("Warning in vesk_xml_reader::read_data(int) - got non-number'");
    message.append(text);
    message.append("'.");
    warn(message.c_str());
  }
  char closing[scratch_size];
  read_block(closing, scratch_size, 1);
  pop_stack_entry(closing);
  return result;
}

void vesk_xml_reader::skip_data() {
  if (!stack_top) {
    log_message("Error in vesk_xml_reader::skip_data() - you must read at least the opening tag before skipping data.",
                VESK_LOG_BAD_CALL, facility);
    return;
  }
  // Only this entry's own closing tag ends the skip; nested elements push and pop above it.
  const vesk_xml_stack_entry *element = stack_top;
  char block[scratch_size];
  for (;;) {
    if (!skip_chunk()) {
      warn("Warning in vesk_xml_reader::skip_data() - unable to read chunk?");
      return;
    }
    if (!read_block(block, scratch_size, 1)) {
      warn("Warning in vesk_xml_reader::skip_data() - unable to read block?");
      return;
    }
    if (block[0] == '!')
      continue;
    if (block[0] == '/') {
      bool last = stack_top == element;
      pop_stack_entry(block);
      if (last)
        return;
      continue;
    }
    push_stack_entry(block);
  }
}

int vesk_xml_reader::check_xml_header_string(const char *line) {
  const int category = 128; // declaration warnings
  const char *neither =
      "Warning in vesk_xml_reader::check_xml_header_string(), didn't get either version or encoding.";
  if (!line)
    line = "";
  const char *p = line;
  const char *opening = "<?xml";
  int k = 0;
  while (p[k] && p[k] != ' ' && p[k] != '\t' && p[k] != '\n')
    k++;
  bool opening_ok = k == 5;
  for (int i = 0; opening_ok && i < 5; i++) {
    char c = p[i];
    if (c >= 'A' && c <= 'Z')
      c = (char)(c - 'A' + 'a');
    if (c != opening[i])
      opening_ok = false;
  }
  if (!opening_ok) {
    log_message("Warning in vesk_xml_reader::check_xml_header_string(), missing opening '<?xml' tag.", category,
                facility);
    return 0;
  }
  p += k;
  while (*p == ' ' || *p == '\t' || *p == '\n')
    p++;
  if (!*p) {
    log_message(neither, category, facility);
    return 0;
  }

  struct attribute {
    const char *name;
    const char *no_value;
    const char *no_opening_quote;
    const char *no_closing_quote;
  };
  static const attribute attributes[2] = {
      {"version", "Warning in vesk_xml_reader::check_xml_header_string(), 'version' tag found, but no version.",
       "Warning in vesk_xml_reader::check_xml_header_string(), 'version' tag found, but no opening version quote.",
       "Warning in vesk_xml_reader::check_xml_header_string(), 'version' tag found, but no closing version quote."},
      {"encoding", "Warning in vesk_xml_reader::check_xml_header_string(), 'encoding' tag found, but no encoding.",
       "Warning in vesk_xml_reader::check_xml_header_string(), 'encoding' tag found, but no opening encoding quote.",
       "Warning in vesk_xml_reader::check_xml_header_string(), 'encoding' tag found, but no closing encoding quote."},
  };
  bool seen[2] = {false, false};
  for (;;) {
    int which = -1;
    for (int i = 0; i < 2; i++) {
      size_t n = std::strlen(attributes[i].name);
      if (!std::strncmp(p, attributes[i].name, n)) {
        which = i;
        p += n;
        break;
      }
    }
    if (which < 0) {
      log_message("Warning in vesk_xml_reader::check_xml_header_string(), unknown tag found.", category, facility);
      return 0;
    }
    const attribute &a = attributes[which];
    while (is_blank(*p))
      p++;
    if (*p != '=') {
      log_message(a.no_value, category, facility);
      return 0;
    }
    p++;
    while (is_blank(*p))
      p++;
    if (*p != '"') {
      log_message(a.no_opening_quote, category, facility);
      return 0;
    }
    const char *closing = std::strchr(p + 1, '"');
    if (!closing) {
      log_message(a.no_closing_quote, category, facility);
      return 0;
    }
    p = closing + 1;
    while (is_blank(*p))
      p++;
    seen[which] = true;
    if (!*p || !std::strncmp(p, "?>", 2))
      break;
  }
  if (seen[0] && seen[1])
    return 1;
  if (!seen[0] && !seen[1])
    log_message(neither, category, facility);
  else if (seen[0])
    log_message("Warning in vesk_xml_reader::check_xml_header_string(), didn't get encoding.", category, facility);
  else
    log_message("Warning in vesk_xml_reader::check_xml_header_string(), didn't get version.", category, facility);
  return 0;
}

vesk_xml_file_reader::vesk_xml_file_reader(FILE *file) : file_handle(file) {
  if (!file)
    log_message("Error in vesk_xml_file_reader::vesk_xml_file_reader(), NULL file handle.", VESK_LOG_ALLOC, facility);
}

int vesk_xml_file_reader::read_char() {
  if (!file_handle)
    return -1;
  int c = std::fgetc(file_handle);
  return c == EOF ? -1 : c;
}

vesk_xml_file_reader::~vesk_xml_file_reader() {
  file_handle = nullptr;
  free_stack();
}

vesk_xml_string_reader::vesk_xml_string_reader(const char *data, size_t length)
    : buffer(data ? std::string(data, length) : std::string()), position(0) {}

vesk_xml_string_reader::vesk_xml_string_reader(const std::string &data) : buffer(data), position(0) {}

int vesk_xml_string_reader::read_char() {
  if (position >= buffer.size())
    return -1;
  return (unsigned char)buffer[position++];
}

vesk_xml_string_reader::~vesk_xml_string_reader() { free_stack(); }

int fget_line(FILE *file, char *dest, int capacity) {
  if (!file || !dest || capacity <= 0)
    return 0;
  int c = std::fgetc(file);
  if (c == EOF) {
    dest[0] = 0;
    return 0;
  }
  int stored = 0;
  while (c != EOF && c != '\n' && c != '\r' && c != 0) {
    if (stored < capacity - 1)
      dest[stored++] = (char)c;
    c = std::fgetc(file);
  }
  dest[stored] = 0;
  if (stored == capacity - 1) {
    log_message("Warning in fget_line(), string overflow.  String was:", VESK_LOG_FAILURE, facility);
    log_message(dest, VESK_LOG_FAILURE, facility);
  }
  return stored + 1;
}
