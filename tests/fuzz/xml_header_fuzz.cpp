// Fuzzes the declaration-line check with arbitrary lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/xml_reader.h"
#include "support/log.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  vesk_client_set_debug_logfile_name("/dev/null");
  vesk_debug_level = 3;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Exactly as long as the input, with the terminator right after it, so a read past the line's
  // end is caught rather than hidden by spare bytes.
  char *line = new char[size + 1];
  for (size_t i = 0; i < size; i++)
    line[i] = (char)data[i];
  line[size] = 0;
  vesk_xml_reader::check_xml_header_string(line);
  delete[] line;
  return 0;
}
