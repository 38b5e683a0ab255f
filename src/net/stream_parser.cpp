// The byte state machine of the server stream: text, ";"-escaped tagged items and telnet commands.
#include "net/stream_parser.h"

#include <cstring>

#include "support/fixed_text.h"
#include "support/log.h"

namespace {

// The text run of one call; it never outlives process_socket_data.
struct text_run {
  char text[vesk_stream_parser::run_size + 1];
  int length = 0;
  vesk_stream_listener &listener;

  explicit text_run(vesk_stream_listener &l) : listener(l) {}

  void flush() {
    if (length < 1)
      return;
    text[length] = 0;
    int n = length;
    length = 0;
    listener.on_text(text, n);
  }
  void append(char c) {
    text[length++] = c;
    if (length >= vesk_stream_parser::run_size)
      flush();
  }
  void append_bytes(const char *bytes, int n) {
    while (n > 0) {
      int k = vesk_stream_parser::run_size - length;
      if (k > n)
        k = n;
      std::memcpy(text + length, bytes, (size_t)k);
      length += k;
      bytes += k;
      n -= k;
      if (length >= vesk_stream_parser::run_size)
        flush();
    }
  }
};

// Bytes that end plain text: telnet IAC, the bell and the escape character.
struct special_bytes {
  bool of[256] = {};
  special_bytes() { of[0xFF] = of[0x07] = of[(unsigned char)';'] = true; }
};
const special_bytes specials;

bool warnings_on() { return vesk_debug_level > 1; }

} // namespace

void vesk_stream_parser::reset() {
  parser_state = state_text;
  telnet_command = 0;
  start_tag_name[0] = 0;
  end_tag_name[0] = 0;
  tag_length = 0;
  tag_data[0] = 0;
}

void vesk_stream_parser::process_socket_data(const char *data, int count, vesk_stream_listener &listener) {
  if (!data || count < 1)
    return;
  listener.on_chunk_begin();
  text_run run(listener);

  for (int i = 0; i < count; i++) {
    if (parser_state == state_text) {
      // Most of the stream is plain text: take it in one stretch up to the next special byte.
      int j = i;
      while (j < count && !specials.of[(unsigned char)data[j]])
        j++;
      run.append_bytes(data + i, j - i);
      if (j == count)
        break;
      i = j;
    }
    unsigned char c = (unsigned char)data[i];
    switch (parser_state) {
    case state_text:
      if (c == 0xFF) {
        parser_state = state_telnet_command;
        run.flush();
      } else if (c == 0x07) {
        listener.on_bell();
      } else if (c == ';') {
        parser_state = state_escape;
        run.flush();
      } else {
        run.append((char)c);
      }
      break;

    case state_telnet_command:
      telnet_command = c;
      parser_state = (c >= 0xFB && c <= 0xFE) ? state_telnet_option : state_text;
      break;

    case state_telnet_option:
      parser_state = state_text;
      if (c == 0x01 && telnet_command == 0xFE) {
        run.flush();
        listener.on_text("\n", 1);
        listener.on_echo(false);
      } else if (c == 0x01 && telnet_command == 0xFD) {
        run.flush();
        listener.on_echo(true);
      }
      break;

    case state_escape:
      if (c == ';') {
        parser_state = state_text;
        run.append(';');
      } else if (c == 't' || c == 's') {
        if (start_tag_name[0] && warnings_on())
          format_message("Warning in vesk_mw::process_socket_data(), double start tags?  Previous was '%s'.\n",
                         start_tag_name);
        start_tag_name[0] = 0;
        end_tag_name[0] = 0;
        tag_length = 0;
        parser_state = c == 't' ? state_empty_tag_name : state_start_name;
      } else if (c == 'e') {
        if (warnings_on()) {
          if (end_tag_name[0])
            format_message("Warning in vesk_mw::process_socket_data(), double end tags?  Previous was '%s'.\n",
                           end_tag_name);
          // The new end name is not read yet, so this names the (empty) buffer as it stands.
          if (!start_tag_name[0])
            format_message("Warning in vesk_mw::process_socket_data(), end tag '%s' without start tag.\n",
                           end_tag_name);
        }
        end_tag_name[0] = 0;
        tag_length = 0;
        parser_state = state_end_name;
      } else {
        if (warnings_on()) {
          format_message("Warning in vesk_mw::process_socket_data(), semicolon found?\n");
          vesk_fixed_text chunk;
          // Cut to the first 5999 bytes (or the first zero byte).
          chunk.append(data, count);
          format_message("Current string data ->%s<-\n", chunk.c_str());
        }
        parser_state = state_text;
        run.append(';');
        run.append((char)c);
      }
      break;

    case state_start_name:
      if (c == ';') {
        start_tag_name[tag_length] = 0;
        tag_length = 0;
        parser_state = state_tag_data;
      } else {
        start_tag_name[tag_length++] = (char)c;
        start_tag_name[tag_length] = 0;
        if (tag_length >= name_size - 1) {
          if (warnings_on())
            format_message("Warning in vesk_mw::process_socket_data(), qvs tag '%s' too long?\n", start_tag_name);
          start_tag_name[0] = 0;
          tag_length = 0;
          parser_state = state_text;
        }
      }
      break;

    case state_tag_data:
      if (c == ';') {
        tag_data[tag_length] = 0;
        // Set first so that a listener resetting the parser is not overridden.
        parser_state = state_escape;
        listener.on_tagged_item(start_tag_name, tag_data, tag_length);
      } else if (c == 0x0D) {
        // Carriage returns never reach a payload.
      } else if (tag_length >= data_size - 1) {
        // This byte would be the 15000th: the whole payload goes, the start name stays.
        if (warnings_on())
          format_message("Warning in vesk_mw::process_socket_data(), tagged data was too long, discarding.\n");
        tag_data[0] = 0;
        tag_length = 0;
        end_tag_name[0] = 0;
        parser_state = state_text;
      } else {
        tag_data[tag_length++] = (char)c;
      }
      break;

    case state_end_name:
      if (c == ';') {
        end_tag_name[tag_length] = 0;
        if (warnings_on() && std::strcmp(end_tag_name, start_tag_name) != 0)
          format_message("Warning vesk_mw::process_socket_data(), qve tag '%s' does not match qvs tag '%s'.\n",
                         end_tag_name, start_tag_name);
        tag_length = 0;
        end_tag_name[0] = 0;
        start_tag_name[0] = 0;
        parser_state = state_text;
      } else {
        end_tag_name[tag_length++] = (char)c;
        end_tag_name[tag_length] = 0;
        if (tag_length >= name_size - 1) {
          if (warnings_on())
            format_message("Warning in vesk_mw::process_socket_data(), qve tag '%s' too long?\n", end_tag_name);
          end_tag_name[0] = 0;
          tag_length = 0;
          parser_state = state_text;
        }
      }
      break;

    case state_empty_tag_name:
      if (c == ';') {
        start_tag_name[tag_length] = 0;
        parser_state = state_text;
        listener.on_tagged_item(start_tag_name, "", 0);
        start_tag_name[0] = 0;
        tag_length = 0;
      } else {
        start_tag_name[tag_length++] = (char)c;
        start_tag_name[tag_length] = 0;
        if (tag_length >= name_size - 1) {
          if (warnings_on())
            format_message("Warning in vesk_mw::process_socket_data(), qvt tag '%s' too long?\n", start_tag_name);
          start_tag_name[0] = 0;
          tag_length = 0;
          parser_state = state_text;
        }
      }
      break;

    default:
      break;
    }
  }

  run.flush();
  listener.on_chunk_end();
}
