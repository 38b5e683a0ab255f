// Fuzzes the settings XML reader the way a settings loader walks a file: tags in a loop, some read
// as text or numbers, some entered as containers, others skipped, with a bounded depth.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/xml_reader.h"
#include "support/log.h"

namespace {

const int max_depth = 12;

void walk(vesk_xml_reader &reader, int depth) {
  char tag[10000];
  while (reader.read_tag(tag, sizeof tag)) {
    // The tag's first byte chooses what a loader would do with it, so every path is reachable.
    switch ((unsigned char)tag[0] % 5) {
    case 0: {
      char value[1000];
      reader.read_data(value, sizeof value);
      break;
    }
    case 1: {
      int value = 7;
      reader.read_data(&value);
      break;
    }
    case 2: {
      // A short value buffer exercises cutting.
      char value[8];
      reader.read_data(value, sizeof value);
      break;
    }
    case 3:
      if (depth < max_depth) {
        walk(reader, depth + 1);
        break;
      }
      reader.skip_data();
      break;
    default:
      reader.skip_data();
      break;
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // Messages are assembled and written, but to nowhere.
  vesk_client_set_debug_logfile_name("/dev/null");
  vesk_debug_level = 3;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  vesk_xml_string_reader reader((const char *)data, size);
  walk(reader, 0);
  // A loader goes on after a stray closing tag; so do we, until the input is used up.
  for (int rounds = 0; rounds < 4 && reader.position < reader.buffer.size(); rounds++)
    walk(reader, 0);
  return 0;
}
