// Fuzz target for the ASCII transliteration: arbitrary bytes as UTF-8 and as wide characters must
// give 7-bit printable ASCII (with tab, line feed, carriage return) within the 5999-byte limit.
#include "text/ascii_transliteration.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check_ascii(const vesk_fixed_text &buffer, int prefill) {
  if (buffer.length < prefill || buffer.length > 5999 || buffer.data[buffer.length] != 0)
    std::abort();
  for (int k = 0; k < buffer.length; k++) {
    unsigned char c = (unsigned char)buffer.data[k];
    if (!(c == 9 || c == 10 || c == 13 || (c >= 32 && c <= 126)))
      std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 100000)
    return 0;
  int length = (int)size;

  // The decoder always advances by 1 to 4 bytes within the input.
  for (int position = 0; position < length;) {
    int code_point = -1;
    int used = utf8_decode(data + position, length - position, &code_point);
    if (used < 1 || used > 4 || used > length - position || code_point < 0 ||
        code_point > 0x1FFFFF)
      std::abort();
    position += used;
  }

  // A prefill taken from the first byte exercises chaining and the cut.
  int prefill = size ? (data[0] * 23) % 6000 : 0;
  std::string filler((size_t)prefill, 'p');
  vesk_fixed_text buffer;
  buffer.append(filler.c_str());
  utf8_to_ascii((const char *)data, length, buffer);
  check_ascii(buffer, prefill < 5999 ? prefill : 5999);

  std::wstring wide(size / sizeof(wchar_t), L'\0');
  if (!wide.empty())
    std::memcpy(&wide[0], data, wide.size() * sizeof(wchar_t));
  vesk_fixed_text from_wide;
  from_wide.append(filler.c_str());
  to_ascii(wide, from_wide);
  check_ascii(from_wide, prefill < 5999 ? prefill : 5999);

  // The unlimited form is ASCII too and agrees with the buffered one as far as that goes.
  std::wstring ascii = to_ascii_wide(wide);
  vesk_fixed_text plain;
  to_ascii(wide, plain);
  check_ascii(plain, 0);
  if (ascii.size() < (size_t)plain.length || (ascii.size() > (size_t)plain.length && !plain.full()))
    std::abort();
  for (size_t k = 0; k < ascii.size(); k++) {
    if (ascii[k] < 0 || ascii[k] > 126)
      std::abort();
    if (k < (size_t)plain.length && ascii[k] != (wchar_t)(unsigned char)plain.data[k])
      std::abort();
  }
  return 0;
}
