// Helpers shared by the settings sources only: leveled logging and passing over unwanted elements.
#pragma once

#include "support/log.h"

// A settings log line, written when the debug level is at least level.
#define VESK_SETTINGS_LOG(level, ...)                                                                       \
  do {                                                                                                      \
    if (vesk_debug_level >= (level))                                                                        \
      format_message(__VA_ARGS__);                                                                          \
  } while (0)

class vesk_xml_reader;
class vesk_xml_writer;

// A leaf element: the tag, the escaped value (NULL writes an empty one) and the closing tag.
void vesk_settings_write_leaf(vesk_xml_writer &writer, const char *tag, const char *value);
void vesk_settings_write_leaf(vesk_xml_writer &writer, const char *tag, int value);

// Passes over the element whose opening tag was just read. A "<?...>" or "<!...>" block is not an
// element and has no closing tag, so it is only taken off the stack rather than skipped, which
// would swallow the rest of its container.
void vesk_settings_pass_over(vesk_xml_reader &reader, const char *tag);

// The name as a log line can show it: bytes outside printable ASCII become "?".
const char *vesk_settings_printable(const char *text, char *buffer, int capacity);
