// Tests of the tag table and its lookup (exact names, the numbered button tags), and the payload
// rules of the tags the main window handles itself: events, the log-in name and the ping sample.
#include "net/tag_dispatch.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(TagDispatch, EveryNamedTagReachesItsHandlerInOrder) {
  struct row {
    const char *name;
    vesk_tag_handler handler;
  };
  const row rows[] = {
      {"login", vesk_tag_login},       {"map", vesk_tag_map},
      {"walkfail", vesk_tag_walkfail}, {"dirs", vesk_tag_dirs},
      {"areaname", vesk_tag_areaname}, {"combat", vesk_tag_combat},
      {"ncombat", vesk_tag_ncombat},   {"uuid", vesk_tag_uuid},
      {"enemyhp", vesk_tag_enemyhp},   {"group", vesk_tag_group},
      {"xpp", vesk_tag_xpp},           {"event", vesk_tag_event},
      {"hp", vesk_tag_hp},             {"sound", vesk_tag_sound},
      {"bclear", vesk_tag_bclear},     {"window_create", vesk_tag_window_create},
      {"append", vesk_tag_append},     {"unappend", vesk_tag_unappend},
      {"chdiv", vesk_tag_chdiv},       {"chudiv", vesk_tag_chudiv},
      {"divert", vesk_tag_divert},     {"undivert", vesk_tag_undivert},
      {"config", vesk_tag_config},     {"skystate", vesk_tag_skystate},
      {"icons", vesk_tag_icons},
  };
  ASSERT_EQ(vesk_tag_table_size, (int)(sizeof rows / sizeof rows[0]));
  for (int i = 0; i < vesk_tag_table_size; i++) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_STREQ(vesk_tag_table[i].name, rows[i].name);
    vesk_tag_match m = vesk_find_tag_handler(rows[i].name);
    EXPECT_EQ(m.handler, rows[i].handler);
    EXPECT_EQ(m.number, 0);
  }
}

TEST(TagDispatch, NearMissesFallThrough) {
  const char *names[] = {"Login", "LOGIN", "logi", "login2", " login", "login ", "Event", "even", "events",
                         "ma",    "maps",  "HP",   "h",      "undiver", "divert\n", "window-create", "",
                         "chdiv;", "icon", "sounds"};
  for (const char *name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(vesk_find_tag_handler(name).handler, vesk_tag_none);
  }
  EXPECT_EQ(vesk_find_tag_handler(nullptr).handler, vesk_tag_none);
}

TEST(TagDispatch, NumberedButtonTags) {
  struct row {
    const char *name;
    vesk_tag_handler handler;
    int number;
  };
  const row rows[] = {
      {"b3", vesk_tag_hint_button, 3},
      {"b12", vesk_tag_hint_button, 12},
      {"b13", vesk_tag_hint_button, 13}, // the hint buttons reject it themselves
      {"b3t", vesk_tag_hint_button, 3},  // the hint buttons ignore it themselves
      {"bf3", vesk_tag_fkey_button, 3},
      {"bf12", vesk_tag_fkey_button, 12},
      {"bf3x", vesk_tag_fkey_button, 3},
      {"bclear", vesk_tag_bclear, 0}, // the named row comes first
      {"b0", vesk_tag_none, 0},
      {"bf0", vesk_tag_none, 0},
      {"bx", vesk_tag_none, 0},
      {"bf", vesk_tag_none, 0},
      {"b", vesk_tag_none, 0},
      {"bfx", vesk_tag_none, 0}, // never tried as a hint button
      {"bf-1", vesk_tag_none, 0},
      {"b-2", vesk_tag_none, 0},
      {"bF3", vesk_tag_none, 0},
      {"B3", vesk_tag_none, 0},
      {"BF3", vesk_tag_none, 0},
      // A number too big for an int stays out of range instead of wrapping round to a button.
      {"b4294967299", vesk_tag_hint_button, INT_MAX},
      {"bf99999999999999999999", vesk_tag_fkey_button, INT_MAX},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.name);
    vesk_tag_match m = vesk_find_tag_handler(r.name);
    EXPECT_EQ(m.handler, r.handler);
    EXPECT_EQ(m.number, r.number);
  }
}

TEST(TagDispatch, EventKinds) {
  struct row {
    const char *payload;
    vesk_event_kind kind;
    const char *rest;
  };
  const row rows[] = {
      {"qvpong", vesk_event_qvpong, ""},
      {"QVPONG", vesk_event_unhandled, ""},
      {"qvpong ", vesk_event_unhandled, ""},
      {"qvpong\n", vesk_event_unhandled, ""},
      {"newcreate", vesk_event_newcreate, ""},
      {"NewCreate", vesk_event_unhandled, ""},
      {"logoff", vesk_event_logoff, ""},
      {"logoff now", vesk_event_unhandled, ""},
      {"colorflash 000000 ff0000 10 000000 10", vesk_event_colorflash, "000000 ff0000 10 000000 10"},
      {"COLORFLASH\t000000 ff0000 5", vesk_event_colorflash, "000000 ff0000 5"},
      {"colorflash", vesk_event_colorflash, ""},
      {"colorflash   ", vesk_event_colorflash, ""},
      {"colorflashes 000000", vesk_event_unhandled, ""},
      {"", vesk_event_unhandled, ""},
      {"earthquake", vesk_event_unhandled, ""},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.payload);
    vesk_event_match e = vesk_classify_event(r.payload);
    EXPECT_EQ(e.kind, r.kind);
    ASSERT_NE(e.rest, nullptr);
    EXPECT_STREQ(e.rest, r.rest);
  }
  EXPECT_EQ(vesk_classify_event(nullptr).kind, vesk_event_unhandled);
}

TEST(TagDispatch, LoginNameIsTheFirstLine) {
  struct row {
    std::string payload;
    bool named;
    std::string name;
  };
  const row rows[] = {
      {"Aldric", true, "Aldric"},
      {"Aldric\nwelcome back", true, "Aldric"},
      {"Two Words\n", true, "Two Words"},
      {"", false, ""},
      {"\nAldric", false, ""},
      {std::string(7000, 'n'), true, std::string(5999, 'n')},
  };
  for (const row &r : rows) {
    SCOPED_TRACE(r.payload.substr(0, 20));
    vesk_fixed_text name;
    name.set("stale");
    EXPECT_EQ(vesk_login_name(r.payload.c_str(), name), r.named);
    EXPECT_EQ(std::string(name.c_str()), r.name);
  }
}

TEST(TagDispatch, PingSampleInWholeMilliseconds) {
  EXPECT_EQ(vesk_ping_milliseconds(1700000000123456LL, 1700000000000000LL), 123);
  EXPECT_EQ(vesk_ping_milliseconds(1700000000000999LL, 1700000000000000LL), 0);
  EXPECT_EQ(vesk_ping_milliseconds(1700000001000000LL, 1700000000000000LL), 1000);
}

} // namespace
