// The tag table, its lookup and the payload rules of the main window's own tags.
#include "net/tag_dispatch.h"

#include "support/words.h"

#include <climits>
#include <cstdlib>
#include <cstring>

const vesk_tag_row vesk_tag_table[] = {
    {"login", vesk_tag_login},
    {"map", vesk_tag_map},
    {"walkfail", vesk_tag_walkfail},
    {"dirs", vesk_tag_dirs},
    {"areaname", vesk_tag_areaname},
    {"combat", vesk_tag_combat},
    {"ncombat", vesk_tag_ncombat},
    {"uuid", vesk_tag_uuid},
    {"enemyhp", vesk_tag_enemyhp},
    {"group", vesk_tag_group},
    {"xpp", vesk_tag_xpp},
    {"event", vesk_tag_event},
    {"hp", vesk_tag_hp},
    {"sound", vesk_tag_sound},
    {"bclear", vesk_tag_bclear},
    {"window_create", vesk_tag_window_create},
    {"append", vesk_tag_append},
    {"unappend", vesk_tag_unappend},
    {"chdiv", vesk_tag_chdiv},
    {"chudiv", vesk_tag_chudiv},
    {"divert", vesk_tag_divert},
    {"undivert", vesk_tag_undivert},
    {"config", vesk_tag_config},
    {"skystate", vesk_tag_skystate},
    {"icons", vesk_tag_icons},
};
const int vesk_tag_table_size = (int)(sizeof vesk_tag_table / sizeof vesk_tag_table[0]);

namespace {

// The decimal number after a button tag's letters. Held to the range of an int, so that a huge
// number cannot wrap round into a valid button.
int button_number(const char *digits) {
  long value = std::strtol(digits, nullptr, 10);
  if (value > INT_MAX)
    return INT_MAX;
  if (value < 0)
    return 0;
  return (int)value;
}

} // namespace

vesk_tag_match vesk_find_tag_handler(const char *name) {
  vesk_tag_match match{vesk_tag_none, 0};
  if (!name)
    return match;
  for (int i = 0; i < vesk_tag_table_size; i++) {
    if (std::strcmp(name, vesk_tag_table[i].name) == 0) {
      match.handler = vesk_tag_table[i].handler;
      return match;
    }
  }
  // A name starting "bf" is a function-key tag or nothing: it is never tried as a hint button.
  if (name[0] == 'b' && name[1] == 'f') {
    int n = button_number(name + 2);
    if (n > 0)
      match = {vesk_tag_fkey_button, n};
    return match;
  }
  if (name[0] == 'b') {
    int n = button_number(name + 1);
    if (n > 0)
      match = {vesk_tag_hint_button, n};
  }
  return match;
}

vesk_event_match vesk_classify_event(const char *payload) {
  vesk_event_match match{vesk_event_unhandled, ""};
  if (!payload)
    return match;
  if (word_equal(payload, "colorflash")) {
    const char *rest = next_arg(payload);
    match = {vesk_event_colorflash, rest ? rest : ""};
  } else if (std::strcmp(payload, "qvpong") == 0) {
    match.kind = vesk_event_qvpong;
  } else if (std::strcmp(payload, "newcreate") == 0) {
    match.kind = vesk_event_newcreate;
  } else if (std::strcmp(payload, "logoff") == 0) {
    match.kind = vesk_event_logoff;
  }
  return match;
}

bool vesk_login_name(const char *payload, vesk_fixed_text &name) {
  name.clear();
  if (!payload)
    return false;
  const char *end = std::strchr(payload, '\n');
  int length = end ? (int)(end - payload) : (int)std::strlen(payload);
  name.append(payload, length);
  return name.length > 0;
}

int vesk_ping_milliseconds(long long now_us, long long sent_us) {
  long long ms = (now_us - sent_us) / 1000;
  if (ms > INT_MAX)
    return INT_MAX;
  if (ms < INT_MIN)
    return INT_MIN;
  return (int)ms;
}
