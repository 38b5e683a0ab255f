// Words and arguments in command texts, the strict integer reader and a bounded string copy.
// A word ends at the end of the text, a blank, a tab or a newline.
#pragma once

// The start of the second word, or null when there is none.
const char *next_arg(const char *text);
// The start of the last word (the text itself when it has one word).
const char *last_arg(const char *text);
// True for a text starting with a digit, "+", or "-" and a digit; the value is strtol base 10.
bool parse_int(const char *text, int *value);
// First words equal, ignoring the case of A-Z only; at most 400 characters compared.
bool word_equal(const char *text, const char *word);
// The first word of text as an abbreviation of name: its length when at least minimum characters
// or the whole name, else 0.
int word_abbrev(const char *text, const char *name, int minimum);
int word_prefix(const char *text, const char *name);
bool word_in_list(const char *word, const char *list);
// Copies with terminator when it fits; otherwise cuts to size - 1 bytes, logs and returns false.
bool safe_strcpy(char *destination, const char *source, int size);
