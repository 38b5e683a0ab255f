// Feeds arbitrary server streams to the stream parser cut at input-chosen points and checks that
// the text, the items and the echo changes equal those of feeding the stream in one piece.
#include "net/stream_parser.h"

#include "support/log.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct event {
  int kind; // 0 item, 1 echo off, 2 echo on
  std::string name, data;
  size_t text_offset;
  bool operator==(const event &o) const {
    return kind == o.kind && name == o.name && data == o.data && text_offset == o.text_offset;
  }
};

class recorder : public vesk_stream_listener {
public:
  void on_chunk_begin() override {
    if (in_chunk)
      abort();
    in_chunk = true;
  }
  void on_text(const char *t, int length) override {
    if (!in_chunk || length < 1 || length > vesk_stream_parser::run_size || t[length] != 0)
      abort();
    text.append(t, (size_t)length);
  }
  void on_tagged_item(const char *name, const char *data, int length) override {
    if (!in_chunk || length < 0 || length >= vesk_stream_parser::data_size || data[length] != 0)
      abort();
    events.push_back({0, name, std::string(data, (size_t)length), text.size()});
  }
  void on_bell() override {
    if (!in_chunk)
      abort();
    bells++;
  }
  void on_echo(bool echo_on) override {
    if (!in_chunk)
      abort();
    events.push_back({echo_on ? 2 : 1, "", "", text.size()});
  }
  void on_chunk_end() override {
    if (!in_chunk)
      abort();
    in_chunk = false;
  }

  bool in_chunk = false;
  std::string text;
  std::vector<event> events;
  int bells = 0;
};

bool logging_ready = false;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
  if (!logging_ready) {
    // Warnings are formatted (the chunk dump included) but go nowhere.
    vesk_client_set_debug_logfile_name("/dev/null");
    vesk_debug_level = 3;
    logging_ready = true;
  }
  if (size < 1)
    return 0;
  // The low four bits of the first byte say how many of the following bytes are chunk sizes,
  // used in turn.
  size_t k = bytes[0] % 16;
  if (k + 1 > size)
    k = size - 1;
  const uint8_t *sizes = bytes + 1;
  std::string buffer((const char *)(bytes + 1 + k), size - 1 - k);
  // Bit 7 of the first byte stretches the last byte 15000 times, so that short inputs reach the
  // payload limit too.
  if ((bytes[0] & 0x80) && !buffer.empty())
    buffer.append(15000, buffer.back());
  const char *stream = buffer.data();
  size_t length = buffer.size();

  vesk_stream_parser whole_parser;
  recorder whole;
  whole_parser.process_socket_data(stream, (int)length, whole);

  vesk_stream_parser split_parser;
  recorder split;
  size_t pos = 0, turn = 0;
  while (pos < length) {
    // A size byte below 128 gives 1 to 128 bytes, above it 1 to 8129 in steps of 64; with no size
    // bytes, byte by byte.
    size_t n = 1;
    if (k) {
      unsigned b = sizes[turn++ % k];
      n = b < 128 ? b + 1 : (b - 128) * 64 + 1;
    }
    if (n > length - pos)
      n = length - pos;
    split_parser.process_socket_data(stream + pos, (int)n, split);
    pos += n;
  }

  if (whole.in_chunk || split.in_chunk || whole.text != split.text || !(whole.events == split.events) ||
      whole.bells != split.bells)
    abort();
  if (whole_parser.parser_state != split_parser.parser_state)
    abort();
  return 0;
}
