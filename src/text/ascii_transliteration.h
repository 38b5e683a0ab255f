// Transliteration of wide and UTF-8 text to the 7-bit ASCII that the client shows, sends, stores
// and exports: accented Latin letters become base letters, typographic punctuation look-alikes.
#pragma once

#include <string>

#include "support/fixed_text.h"

// Appends the ASCII form of `wide` to `buffer`, stopping at the end, at a code point 0, or when
// the buffer holds 5999 bytes (whatever it already held counts, so calls can be chained; a
// replacement that does not fit whole is cut). Tab, line feed, carriage return and 32 to 126 are
// copied, other code points below 32 give ".", and code points above 126 give their
// replacement text or ".". A null pointer appends nothing.
void to_ascii(const wchar_t *wide, vesk_fixed_text &buffer);
void to_ascii(const std::wstring &wide, vesk_fixed_text &buffer);

// The same rule without a length limit, as a wide string holding only ASCII characters.
std::wstring to_ascii_wide(const std::wstring &wide);

// The lenient UTF-8 decoder. Decodes one code point from the `length` bytes at `bytes` into
// *code_point and returns the bytes consumed: the lead byte plus the continuation bytes it used
// (1 to 4), or 0 when there is nothing to decode (length <= 0 or a null pointer).
// A byte below 128 is itself; a stray continuation byte (128 to 191) gives its low 6 bits; a lead
// of 2, 3 or 4 bytes collects the continuation bytes that follow, stopping early with the bits
// collected so far at the first other byte or at the end; leads 248 to 255 give '.' (46).
int utf8_decode(const unsigned char *bytes, int length, int *code_point);

// Appends the ASCII form of UTF-8 bytes to `buffer` with the rule of to_ascii, decoding with
// utf8_decode. Reads `length` bytes, or up to the first zero byte when `length` is negative, and
// stops early at a zero byte. A malformed sequence that decodes to 0 (a stray 0x80, a lead cut
// short) gives "." rather than ending the text, so one bad byte cannot swallow what follows.
void utf8_to_ascii(const char *utf8, int length, vesk_fixed_text &buffer);

// The replacement text (one to five ASCII characters) of a code point above 126, or null when it
// has none. ASCII code points have none here: they stand for themselves.
const char *ascii_replacement(unsigned code_point);

// The table's data, kept apart from the logic (ascii_table.cpp).
namespace vesk_ascii_table {
const unsigned dense_begin = 0x80;
const unsigned dense_end = 0x360;
extern const char *const dense[dense_end - dense_begin];

struct sparse_entry {
  unsigned code_point;
  const char *text;
};
const int sparse_count = 64;
extern const sparse_entry sparse[sparse_count];
} // namespace vesk_ascii_table
