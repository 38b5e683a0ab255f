// The text path end to end: a synthetic 20 MB game stream through the stream parser, the ANSI
// interpreter and the text buffer (wrapping at 800 pixels, 8-pixel cells), then re-wrap and a
// full-screen repaint. Prints the "figure:" lines; diagnostics go to standard error.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "drawing/bitmap.h"
#include "drawing/glyph_font.h"
#include "net/stream_parser.h"
#include "support/log.h"
#include "support/random.h"
#include "text/ansi_interpreter.h"
#include "text/text_arena.h"
#include "text/text_buffer.h"

namespace {

// Timings are the thread's CPU time (page faults included): the machine is shared, and time
// spent waiting for a core is not time the text path took. Wall times go to standard error.
struct stopwatch {
  timespec cpu0, wall0;
  stopwatch() {
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    clock_gettime(CLOCK_MONOTONIC, &wall0);
  }
  static double since(const timespec &t0, clockid_t id) {
    timespec t;
    clock_gettime(id, &t);
    return (double)(t.tv_sec - t0.tv_sec) + (double)(t.tv_nsec - t0.tv_nsec) * 1e-9;
  }
  double cpu() const { return since(cpu0, CLOCK_THREAD_CPUTIME_ID); }
  double wall() const { return since(wall0, CLOCK_MONOTONIC); }
};

// What malloc has handed out plus the text stores' own 2 MB mappings, which bypass malloc.
int64_t heap_in_use() {
  struct mallinfo2 info = mallinfo2();
  return (int64_t)info.uordblks + (int64_t)info.hblkhd + vesk_text_mapped_bytes();
}

// Game-like output: lines of 40 to 300 visible bytes made of words, some tabs and bytes above
// 127, colour changes one SGR parameter per sequence, and tagged items between the lines.
std::string make_stream(int64_t bytes, int max_lines, vesk_random &random) {
  static const char *const names[] = {"group", "hp", "sky", "clock", "map"};
  std::string s;
  s.reserve((size_t)std::min<int64_t>(bytes, 64 << 20) + 1024);
  int lines = 0;
  while ((int64_t)s.size() < bytes && lines < max_lines) {
    if (random.below(2) == 0) {
      s += random.below(2) ? "\x1b[1m" : "\x1b[0m";
      s += "\x1b[3" + std::to_string(1 + random.below(7)) + "m";
    }
    int target = 40 + random.below(261), visible = 0;
    while (visible < target) {
      int word = 1 + random.below(10);
      for (int k = 0; k < word; k++)
        s += (char)('a' + random.below(26));
      visible += word;
      int r = random.below(100);
      if (r < 3)
        s += '\t';
      else if (r < 5)
        s += (char)(0x80 + random.below(0x7F)); // 0x80 to 0xFE: 0xFF would start a telnet command
      else if (r < 9)
        s += " \x1b[" + std::to_string(r < 7 ? 0 : 1) + "m\x1b[3" + std::to_string(1 + random.below(7)) + "m";
      else
        s += ' ';
      visible++;
    }
    s += "\r\n";
    lines++;
    if (random.below(8) == 0) {
      const char *name = names[random.below(5)];
      s += std::string(";s") + name + ";";
      int data = 20 + random.below(41);
      for (int k = 0; k < data; k++)
        s += (char)('0' + random.below(10));
      s += std::string(";e") + name + ";";
    }
  }
  return s;
}

class pipeline : public vesk_stream_listener {
public:
  explicit pipeline(vesk_ansi_interpreter &a) : ansi(a) {}
  void on_chunk_begin() override { ansi.text_received = false; }
  void on_text(const char *text, int length) override { ansi.process_text_data(text, length); }
  void on_tagged_item(const char *, const char *, int) override { items++; }
  void on_bell() override {}
  void on_echo(bool) override {}
  void on_chunk_end() override {}
  vesk_ansi_interpreter &ansi;
  int64_t items = 0;
};

void feed(vesk_stream_parser &parser, pipeline &sink, const std::string &stream) {
  const int read_size = 10000; // what one socket read delivers at most
  for (size_t at = 0; at < stream.size(); at += read_size) {
    int n = (int)std::min<size_t>(read_size, stream.size() - at);
    parser.process_socket_data(stream.data() + at, n, sink);
  }
}

} // namespace

int main() {
  vesk_debug_level = 0;
  vesk_random random;
  random.seed(20240611);
  vesk_synthetic_font font(8, 14);
  static vesk_stream_parser parser; // 15 KB of item buffer: not on the stack

  // ---- ingest ----
  const std::string stream = make_stream(20 * 1000 * 1000, 1 << 30, random);
  std::vector<char> copy(stream.size());
  double best_copy = 1e9;
  for (int i = 0; i < 5; i++) {
    stopwatch watch;
    std::memcpy(copy.data(), stream.data(), stream.size());
    best_copy = std::min(best_copy, watch.cpu());
  }
  if (copy[copy.size() / 2] != stream[stream.size() / 2])
    return 1;

  malloc_trim(0);
  int64_t heap_before = heap_in_use();
  auto *text = new vesk_text_buffer;
  auto *ansi = new vesk_ansi_interpreter(*text);
  text->set_font(&font);
  text->on_size(800, 700);
  pipeline sink(*ansi);
  parser.reset();
  rusage usage0, usage1;
  getrusage(RUSAGE_THREAD, &usage0);
  stopwatch ingest_watch;
  feed(parser, sink, stream);
  double ingest = ingest_watch.cpu();
  getrusage(RUSAGE_THREAD, &usage1);
  std::fprintf(stderr, "ingest: %.1f ms CPU (%.1f ms in the kernel, %ld page faults), %.1f ms wall\n",
               ingest * 1000.0,
               (double)(usage1.ru_stime.tv_sec - usage0.ru_stime.tv_sec) * 1e3 +
                   (double)(usage1.ru_stime.tv_usec - usage0.ru_stime.tv_usec) / 1e3,
               usage1.ru_minflt - usage0.ru_minflt, ingest_watch.wall() * 1000.0);
  int64_t heap_after = heap_in_use();
  int64_t held = text->get_text_bytes();
  std::fprintf(stderr,
               "stream %zu bytes, %lld items, text held %lld bytes, %d display lines, %lld chunks, "
               "%d runs (%lld bytes), heap %lld bytes (own count %lld + %lld)\n",
               stream.size(), (long long)sink.items, (long long)held, text->get_last_line(),
               (long long)text->get_chunk_count(), ansi->get_render_list().run_count(),
               (long long)ansi->get_render_list().text_bytes(), (long long)(heap_after - heap_before),
               (long long)text->heap_bytes(), (long long)ansi->get_render_list().heap_bytes());
  delete ansi;
  delete text;

  // ---- re-wrap of 100 000 lines ----
  const std::string hundred_k = make_stream(1LL << 40, 100000, random);
  vesk_text_buffer wrap_text;
  vesk_ansi_interpreter wrap_ansi(wrap_text);
  wrap_text.set_font(&font);
  wrap_text.on_size(800, 700);
  pipeline wrap_sink(wrap_ansi);
  parser.reset();
  feed(parser, wrap_sink, hundred_k);
  std::vector<double> rewraps;
  for (int width : {640, 1000, 800, 720, 960}) {
    stopwatch watch;
    wrap_text.on_size(width, 700);
    rewraps.push_back(watch.cpu() * 1000.0);
    std::fprintf(stderr, "re-wrap at %d: %.1f ms CPU, %.1f ms wall\n", width, watch.cpu() * 1000.0, watch.wall() * 1000.0);
  }
  std::sort(rewraps.begin(), rewraps.end());
  std::fprintf(stderr, "re-wrap: %lld text bytes, %d display lines at 960 px\n",
               (long long)wrap_text.get_text_bytes(), wrap_text.get_last_line());

  // ---- one full screen ----
  vesk_text_buffer screen;
  screen.set_font(&font);
  screen.on_size(1000, 700);
  for (int line = 0; line < 60; line++) {
    int used = 0;
    while (used < 118) {
      screen.set_colors(vesk_color(64 + random.below(192), 64 + random.below(192), 64 + random.below(192)),
                        vesk_black);
      std::string word((size_t)(2 + random.below(8)), (char)('A' + random.below(58)));
      word += ' ';
      screen.append(word.c_str());
      used += (int)word.size();
    }
    screen.append("\n");
  }
  vesk_bitmap bitmap(1000, 700);
  screen.repaint_internal(bitmap);
  const int rounds = 200;
  stopwatch draw_watch;
  for (int i = 0; i < rounds; i++)
    screen.repaint_internal(bitmap);
  double draw_ms = draw_watch.cpu() * 1000.0 / rounds;
  std::fprintf(stderr, "draw: %.3f ms CPU, %.3f ms wall per screen\n", draw_ms, draw_watch.wall() * 1000.0 / rounds);

  const double mb = (double)stream.size() / 1e6;
  std::printf("figure: ingest_mb_per_s %.1f\n", mb / ingest);
  std::printf("figure: memcpy_mb_per_s %.1f\n", mb / best_copy);
  std::printf("figure: scrollback_heap_bytes_per_text_byte %.3f\n", (double)(heap_after - heap_before) / (double)held);
  std::printf("figure: rewrap_100k_lines_ms %.2f\n", rewraps[rewraps.size() / 2]);
  std::printf("figure: draw_screen_ms %.3f\n", draw_ms);
  return 0;
}
