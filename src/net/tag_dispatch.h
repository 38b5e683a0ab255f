// The table of tagged-data names and who handles each, the lookup that the main window's
// dispatcher runs for every tagged item, and the payload rules of the tags it handles itself.
#pragma once

#include "support/fixed_text.h"

enum vesk_tag_handler {
  vesk_tag_none = 0, // not in the table: the no-handler warning
  vesk_tag_login,
  vesk_tag_map,
  vesk_tag_walkfail,
  vesk_tag_dirs,
  vesk_tag_areaname,
  vesk_tag_combat,
  vesk_tag_ncombat,
  vesk_tag_uuid,
  vesk_tag_enemyhp,
  vesk_tag_group,
  vesk_tag_xpp,
  vesk_tag_event,
  vesk_tag_hp,
  vesk_tag_sound,
  vesk_tag_bclear,
  vesk_tag_window_create,
  vesk_tag_append,
  vesk_tag_unappend,
  vesk_tag_chdiv,
  vesk_tag_chudiv,
  vesk_tag_divert,
  vesk_tag_undivert,
  vesk_tag_config,
  vesk_tag_skystate,
  vesk_tag_icons,
  vesk_tag_fkey_button, // "bf" and a number above 0
  vesk_tag_hint_button, // "b" and a number above 0
};

struct vesk_tag_row {
  const char *name;
  vesk_tag_handler handler;
};

// The tags named in full, in the order they are tried; names compare exactly (case-sensitive).
// The numbered button tags follow them (see vesk_find_tag_handler).
extern const vesk_tag_row vesk_tag_table[];
extern const int vesk_tag_table_size;

struct vesk_tag_match {
  vesk_tag_handler handler;
  int number; // the button number of the numbered tags, else 0
};

// The handler of a tag name. "bf" followed by a decimal number above 0 is a function-key button,
// "b" followed by one (and not "bf") a hint button; any other name, null included, is none.
vesk_tag_match vesk_find_tag_handler(const char *name);

// What an "event" payload asks for. "colorflash" is its first word in any case; the others are
// the whole payload, exactly.
enum vesk_event_kind { vesk_event_unhandled = 0, vesk_event_colorflash, vesk_event_qvpong, vesk_event_newcreate,
                       vesk_event_logoff };

struct vesk_event_match {
  vesk_event_kind kind;
  const char *rest; // for colorflash: the payload after its first word ("" when none)
};

vesk_event_match vesk_classify_event(const char *payload);

// The character name of a "login" payload: its first line, at most 5999 bytes. False when the
// payload names nobody (empty, or an empty first line).
bool vesk_login_name(const char *payload, vesk_fixed_text &name);

// (now − sent) / 1000 in whole milliseconds, the "qvpong" ping sample.
int vesk_ping_milliseconds(long long now_us, long long sent_us);
