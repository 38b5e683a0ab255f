// Splits the game server's byte stream into text runs, tagged items and telnet echo changes.
// Its state survives between received chunks, so an item may be cut by a read at any byte.
#pragma once

// What the parser reports; the main window implements it (displays, tag dispatcher, input line).
// A callback may reset the parser but must not feed it more data.
class vesk_stream_listener {
public:
  virtual ~vesk_stream_listener() = default;
  // Before the first byte of every chunk: clear the displays' text-received marks.
  virtual void on_chunk_begin() = 0;
  // One run of plain text, 1 to 2560 bytes, zero-terminated after `length` bytes (the run itself
  // may hold zero bytes). Where runs are cut depends on how the stream was split into chunks.
  virtual void on_text(const char *text, int length) = 0;
  // One complete item. Both texts are zero-terminated; `data` holds `data_length` bytes.
  virtual void on_tagged_item(const char *name, const char *data, int data_length) = 0;
  // The server sent BEL.
  virtual void on_bell() = 0;
  // IAC DONT ECHO gives false (enter the input line's secret mode), right after a "\n" text run;
  // IAC DO ECHO gives true (leave it).
  virtual void on_echo(bool echo_on) = 0;
  // After the last byte of every chunk, pending text included: refresh the displays that
  // received text during the chunk.
  virtual void on_chunk_end() = 0;
};

class vesk_stream_parser {
public:
  enum {
    state_text = 1,
    state_telnet_command = 10,
    state_telnet_option = 11,
    state_escape = 20,
    state_start_name = 21,
    state_end_name = 22,
    state_tag_data = 23,
    state_empty_tag_name = 30,
  };
  static const int name_size = 65;    // at most 63 characters in use; the 64th discards the name
  static const int data_size = 15000; // at most 14999 characters; the 15000th discards the data
  static const int run_size = 2560;   // longest text run handed to on_text

  vesk_stream_parser() { reset(); }

  // Back to the text state with empty names; abandons a half-received item.
  void reset();
  // Parses one received chunk, reporting everything to `listener`.
  void process_socket_data(const char *data, int count, vesk_stream_listener &listener);

  // Any value other than the states above makes the parser ignore every byte until reset().
  int parser_state;
  unsigned char telnet_command;
  char start_tag_name[name_size];
  char end_tag_name[name_size];
  int tag_length; // characters collected in the current name or in the data
  char tag_data[data_size];
};
