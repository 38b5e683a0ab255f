// The render list of an ANSI display: everything it has shown, as colour runs in order of
// arrival, from which the text control is rebuilt and the logs are written. Stored compactly:
// each run is a 9-byte header (length, colour, style, code) followed by its text in one
// append-only arena, so the list costs little more than the text itself.
#pragma once

#include <cstdint>

#include "text/text_arena.h"
#include "text/text_attributes.h"

// One run as the reader reports it.
struct vesk_render_run {
  vesk_color color;
  int style = 0;
  int color_code = 0;
  int64_t length = 0; // bytes of text, any number (a run spans everything between two changes)
};

class vesk_render_list {
public:
  // Bytes of a run header in the store (the record size the debug fill reports).
  static const int header_size = 9;

  vesk_render_list() = default;
  vesk_render_list(const vesk_render_list &) = delete;
  vesk_render_list &operator=(const vesk_render_list &) = delete;

  // Adds text to the open run, first opening one with these attributes when none is open. The
  // colour components keep their low 8 bits, style and code are kept as 0 to 255 (cut).
  void append(const char *text, int length, const text_attributes &attributes);
  // Ends the open run, so the next text starts a new one. False when no run was open.
  bool close_run();
  bool has_open_run() const { return open_header != nullptr; }
  int64_t open_run_length() const { return open_length; }
  // Frees every run.
  void clear();

  int run_count() const { return runs; }
  int64_t text_bytes() const { return bytes; }
  int64_t heap_bytes() const { return store.heap_bytes(); }

  // Walks the runs in order: next_run, then next_piece until it returns false, and so on. The
  // open run is included. The list must not change while a reader walks it.
  class reader {
  public:
    explicit reader(const vesk_render_list &list);
    bool next_run(vesk_render_run *run);
    // The next stretch of the current run's text (contiguous bytes, not terminated).
    bool next_piece(const char **text, int *length);

  private:
    const vesk_text_arena::block *block;
    int position;
    int64_t remaining;
  };

private:
  vesk_text_arena store;
  unsigned char *open_header = nullptr;
  int64_t open_length = 0;
  int runs = 0;
  int64_t bytes = 0;
};
