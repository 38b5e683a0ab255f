// Transliteration of wide and UTF-8 text to 7-bit ASCII, and the lenient UTF-8 decoder behind it.
#include "text/ascii_transliteration.h"

#include <cstring>

namespace {

// What one code point becomes: a single character for plain ASCII and the controls, else the
// replacement text or ".".
inline const char *ascii_text_of(unsigned code_point, char *single) {
  if (code_point == 9 || code_point == 10 || code_point == 13 ||
      (code_point >= 32 && code_point <= 126)) {
    single[0] = (char)code_point;
    single[1] = 0;
    return single;
  }
  if (code_point < 32)
    return ".";
  const char *text = ascii_replacement(code_point);
  return text ? text : ".";
}

// A wide character as a code point. Encoding a wide string to UTF-8 and decoding it again gives
// each code point back unchanged, so wide text is mapped one character at a time. Values that no
// UTF-8 sequence can carry (above U+10FFFF, or negative) have no replacement and give ".".
inline unsigned code_point_of(wchar_t c) {
  long long value = (long long)c;
  if (value < 0 || value > 0x10FFFF)
    return 0xFFFFFFFFu;
  return (unsigned)value;
}

void append_cut(vesk_fixed_text &buffer, const char *text) {
  // Single characters are the common case; avoid the general append for them.
  if (text[1] == 0)
    buffer.append_char(text[0]);
  else
    buffer.append(text);
}

} // namespace

const char *ascii_replacement(unsigned code_point) {
  using namespace vesk_ascii_table;
  if (code_point < dense_begin)
    return nullptr;
  if (code_point < dense_end)
    return dense[code_point - dense_begin];
  int low = 0, high = sparse_count - 1;
  if (code_point < sparse[low].code_point || code_point > sparse[high].code_point)
    return nullptr;
  while (low <= high) {
    int middle = (low + high) / 2;
    unsigned found = sparse[middle].code_point;
    if (found == code_point)
      return sparse[middle].text;
    if (found < code_point)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return nullptr;
}

int utf8_decode(const unsigned char *bytes, int length, int *code_point) {
  if (!bytes || length <= 0) {
    if (code_point)
      *code_point = 0;
    return 0;
  }
  unsigned lead = bytes[0];
  int value, wanted;
  if (lead < 0x80) {
    value = (int)lead;
    wanted = 0;
  } else if (lead < 0xC0) {
    value = (int)(lead & 0x3F);
    wanted = 0;
  } else if (lead < 0xE0) {
    value = (int)(lead & 0x1F);
    wanted = 1;
  } else if (lead < 0xF0) {
    value = (int)(lead & 0x0F);
    wanted = 2;
  } else if (lead < 0xF8) {
    value = (int)(lead & 0x07);
    wanted = 3;
  } else {
    value = '.';
    wanted = 0;
  }
  int used = 1;
  while (wanted > 0 && used < length && (bytes[used] & 0xC0) == 0x80) {
    value = (value << 6) | (bytes[used] & 0x3F);
    used++;
    wanted--;
  }
  if (code_point)
    *code_point = value;
  return used;
}

void to_ascii(const wchar_t *wide, vesk_fixed_text &buffer) {
  if (!wide)
    return;
  char single[2];
  for (; *wide && !buffer.full(); wide++)
    append_cut(buffer, ascii_text_of(code_point_of(*wide), single));
}

void to_ascii(const std::wstring &wide, vesk_fixed_text &buffer) {
  // c_str() ends at the first zero, which is where the text ends anyway.
  to_ascii(wide.c_str(), buffer);
}

std::wstring to_ascii_wide(const std::wstring &wide) {
  std::wstring result;
  result.reserve(wide.size());
  char single[2];
  for (wchar_t c : wide) {
    if (c == 0)
      break;
    for (const char *text = ascii_text_of(code_point_of(c), single); *text; text++)
      result.push_back((wchar_t)*text);
  }
  return result;
}

void utf8_to_ascii(const char *utf8, int length, vesk_fixed_text &buffer) {
  if (!utf8)
    return;
  if (length < 0)
    length = (int)std::strlen(utf8);
  const unsigned char *bytes = (const unsigned char *)utf8;
  char single[2];
  int position = 0;
  while (position < length && bytes[position] && !buffer.full()) {
    int code_point = 0;
    position += utf8_decode(bytes + position, length - position, &code_point);
    append_cut(buffer, ascii_text_of((unsigned)code_point, single));
  }
}
