// Word scanning and matching for command texts, and the bounded string copy.
#include "support/words.h"

#include "support/fixed_text.h"
#include "support/log.h"

#include <cstdlib>
#include <cstring>

namespace {

bool is_word_end(char c) { return c == 0 || c == ' ' || c == '\t' || c == '\n'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

} // namespace

const char *next_arg(const char *text) {
  if (!text) {
    log_message("Error in next_arg(), NULL pointer passed in.", VESK_LOG_TRACE, 1);
    return nullptr;
  }
  while (is_space(*text))
    text++;
  while (!is_word_end(*text))
    text++;
  while (is_space(*text))
    text++;
  return *text ? text : nullptr;
}

const char *last_arg(const char *text) {
  if (!text) {
    log_message("Error in last_arg(), NULL pointer passed in.", VESK_LOG_TRACE, 1);
    return nullptr;
  }
  const char *last = text;
  const char *p = text;
  while (*p) {
    if (is_space(*p)) {
      while (is_space(*p))
        p++;
      if (*p)
        last = p;
    } else {
      p++;
    }
  }
  return last;
}

bool parse_int(const char *text, int *value) {
  if (!text)
    return false;
  bool ok = (text[0] >= '0' && text[0] <= '9') || text[0] == '+' ||
            (text[0] == '-' && text[1] >= '0' && text[1] <= '9');
  if (!ok)
    return false;
  if (value)
    *value = (int)std::strtol(text, nullptr, 10);
  return true;
}

bool word_equal(const char *text, const char *word) {
  if (!text || !word)
    return false;
  for (int i = 0; i < 400; i++) {
    bool end_a = is_word_end(text[i]);
    bool end_b = is_word_end(word[i]);
    if (end_a || end_b)
      return end_a && end_b;
    if (lower(text[i]) != lower(word[i]))
      return false;
  }
  return true;
}

int word_abbrev(const char *text, const char *name, int minimum) {
  if (!text || !name)
    return 0;
  int i = 0;
  for (; i < 399 && !is_word_end(text[i]); i++) {
    if (lower(text[i]) != lower(name[i]))
      return 0;
  }
  if (i == 0)
    return 0;
  if (i >= minimum || is_word_end(name[i]))
    return i;
  return 0;
}

int word_prefix(const char *text, const char *name) { return word_abbrev(text, name, 0); }

bool word_in_list(const char *word, const char *list) {
  if (!word || !list)
    return false;
  const char *p = list;
  while (is_space(*p))
    p++;
  while (p && *p) {
    if (word_equal(word, p))
      return true;
    p = next_arg(p);
  }
  return false;
}

bool safe_strcpy(char *destination, const char *source, int size) {
  if (!destination) {
    log_message("Error in safe_strcpy(), NULL dest.", VESK_LOG_BAD_CALL, 1);
    return false;
  }
  if (size <= 0) {
    log_message("Error in safe_strcpy(), dest too short.", VESK_LOG_BAD_CALL, 1);
    return false;
  }
  if (!source) {
    destination[0] = 0;
    log_message("Error in safe_strcpy(), NULL src.", VESK_LOG_BAD_CALL, 1);
    return false;
  }
  size_t n = std::strlen(source);
  if (n < (size_t)size) {
    std::memcpy(destination, source, n + 1);
    return true;
  }
  std::memcpy(destination, source, (size_t)size - 1);
  destination[size - 1] = 0;
  vesk_fixed_text message("Error in safe_strcpy(), src overflow. String was: ->");
  message.append(source);
  message.append("<-");
  log_message(message.c_str(), VESK_LOG_BAD_CALL, 1);
  return false;
}
