// Unit tests of the main window's geometry: worked layouts, every combination of the layout
// settings checked for a gap-free stack inside the window, tiny windows, the background growth
// rule and cache, and the logo and web-address placement.
#include "app/layout.h"
#include "drawing/glyph_font.h"
#include "drawing/themes.h"
#include "log_fixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

void PrintTo(const vesk_rect &r, std::ostream *os) {
  *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
void PrintTo(const vesk_color &c, std::ostream *os) {
  *os << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

namespace {

// The automap window's own size at the default cell size, and a group of four members.
const int kMapW = 200, kMapH = 223, kGroupH = 100;

vesk_layout_input window(int w, int h) {
  vesk_layout_input in;
  in.client_width = w;
  in.client_height = h;
  in.automap_width = kMapW;
  in.automap_height = kMapH;
  in.group_display_height = kGroupH;
  return in;
}

bool overlap(const vesk_rect &a, const vesk_rect &b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
         b.y < a.y + a.height;
}

std::string describe(const vesk_layout_settings &s, int state) {
  return testing::PrintToString(std::vector<int>{
      s.current_layout, s.direction_button_enable, s.hint_button_enable, s.fkey_button_display,
      s.popup_display, s.status_bar, s.group_status_display, s.automap_docked, s.automap_display,
      s.channel_window_enable, state, s.hpbar_enable, s.exp_display, s.enemy_hpbar_enable});
}

} // namespace

// The default settings in the start-up window, worked out by hand: hint column on the right, map
// and group in the left column, popup bar along the bottom, the stack in between.
TEST(Layout, DefaultWindow) {
  vesk_layout l = vesk_compute_layout(window(984, 728));
  struct Expect {
    const char *name;
    const vesk_layout_panel &panel;
    int show, placed;
    vesk_rect rect;
  } expect[] = {
      {"hint", l.hint_buttons, 1, 1, {885, 2, 97, 726}},
      {"direction", l.direction_buttons, 0, 0, {}},
      {"automap", l.automap, -1, 1, {2, 503, 200, 223}},
      {"group", l.group_display, -1, 1, {2, 393, 200, 100}},
      {"fkey", l.fkey_buttons, 0, 0, {}},
      {"popup", l.popup_bar, 1, 1, {204, 682, 780, 46}},
      {"status", l.status_bar, -1, 1, {204, 661, 679, 21}},
      {"input", l.input_line, -1, 1, {204, 613, 679, 48}},
      {"vital", l.vital_bars, -1, 1, {204, 571, 679, 42}},
      {"channel", l.channel_window, 0, 0, {}},
      {"main", l.main_display, -1, 1, {204, 0, 679, 571}},
      {"map_frame", l.map_frame, -1, 0, {}},
  };
  for (const Expect &e : expect) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.panel.show, e.show);
    EXPECT_EQ(e.panel.placed, e.placed);
    if (e.placed) {
      EXPECT_EQ(e.panel.rect, e.rect);
    }
  }
  EXPECT_EQ(l.left_width, 204);
  EXPECT_EQ(l.vital_frame_mask, 15);
  EXPECT_EQ(l.automap_in_frame, 0);
}

TEST(Layout, RightColumn) {
  vesk_layout_input in = window(984, 728);
  in.settings.current_layout = VESK_LAYOUT_EMBEDDED;
  in.settings.direction_button_enable = 1;
  vesk_layout l = vesk_compute_layout(in);
  EXPECT_EQ(l.direction_buttons.rect, vesk_rect(885, 2, 97, 130));
  EXPECT_EQ(l.hint_buttons.rect, vesk_rect(885, 134, 97, 594));
  EXPECT_EQ(l.stack_right, 883);
  EXPECT_EQ(l.main_display.rect.x, 0);
  EXPECT_EQ(l.main_display.rect.width, 883);

  // Hints alone start at the top; no column at all leaves the whole width.
  in.settings.direction_button_enable = 0;
  l = vesk_compute_layout(in);
  EXPECT_EQ(l.hint_buttons.rect, vesk_rect(885, 2, 97, 726));
  EXPECT_EQ(l.stack_right, 883);
  in.settings.hint_button_enable = 0;
  l = vesk_compute_layout(in);
  EXPECT_EQ(l.hint_buttons.show, 0);
  EXPECT_EQ(l.hint_buttons.placed, 0);
  EXPECT_EQ(l.main_display.rect.width, 984);
}

// The left column: which panel sits where, and how wide the column is.
TEST(Layout, LeftColumn) {
  struct Case {
    const char *name;
    int layout, fkey, popup, docked, display, group;
    int map_placed;
    vesk_rect map;
    int group_placed;
    vesk_rect group_rect;
    int left_width;
  } cases[] = {
      // Left bottom: a docked map ends 2 pixels above the bottom, beside the bottom bar; without
      // it the group ends 48 pixels above the bottom, on top of the bar.
      {"bottom fkey map", 2, 1, 0, 1, 1, 1, 1, {2, 503, 200, 223}, 1, {2, 393, 200, 100}, 204},
      {"bottom fkey nomap", 2, 1, 0, 1, 0, 1, 0, {}, 1, {2, 580, 160, 100}, 164},
      {"bottom no bar nomap", 2, 0, 0, 1, 0, 1, 0, {}, 1, {2, 626, 160, 100}, 164},
      {"bottom map only", 2, 0, 1, 1, 1, 0, 1, {2, 503, 200, 223}, 0, {}, 204},
      {"bottom nothing", 2, 1, 1, 1, 0, 0, 0, {}, 0, {}, 0},
      {"top map group", 1, 0, 1, 1, 1, 1, 1, {2, 2, 200, 223}, 1, {2, 235, 200, 100}, 204},
      {"top group", 1, 0, 1, 1, 0, 2, 0, {}, 1, {2, 2, 160, 100}, 164},
      // An undocked map leaves the column to the group.
      {"top undocked", 1, 0, 1, 0, 1, 1, 1, {0, 0, 200, 223}, 1, {2, 2, 160, 100}, 164},
      // Embedded: no column; map and group live over the text and are not placed here.
      {"embedded", 0, 1, 1, 1, 1, 1, 0, {}, 0, {}, 0},
      // Values beyond the range read as the nearest layout.
      {"layout 7", 7, 1, 0, 1, 1, 1, 1, {2, 503, 200, 223}, 1, {2, 393, 200, 100}, 204},
      {"layout -3", -3, 1, 1, 1, 1, 1, 0, {}, 0, {}, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    vesk_layout_input in = window(984, 728);
    in.settings.current_layout = c.layout;
    in.settings.fkey_button_display = c.fkey;
    in.settings.popup_display = c.popup;
    in.settings.automap_docked = c.docked;
    in.settings.automap_display = c.display;
    in.settings.group_status_display = c.group;
    vesk_layout l = vesk_compute_layout(in);
    EXPECT_EQ(l.automap.placed, c.map_placed);
    if (c.map_placed) {
      EXPECT_EQ(l.automap.rect, c.map);
    }
    EXPECT_EQ(l.group_display.placed, c.group_placed);
    if (c.group_placed) {
      EXPECT_EQ(l.group_display.rect, c.group_rect);
    }
    EXPECT_EQ(l.left_width, c.left_width);
    EXPECT_EQ(l.main_display.rect.x, c.left_width);
    EXPECT_EQ(l.automap_in_frame, c.docked ? 0 : 1);
    if (!c.docked) {
      EXPECT_EQ(l.map_frame.rect, vesk_rect(0, 0, 200, 223));
    }
  }
}

TEST(Layout, VitalBarsHeight) {
  struct Case {
    int hp, exp, enemy, height;
  } cases[] = {{0, 0, 0, 0},  {0, 1, 0, 21}, {1, 0, 0, 21}, {1, 1, 0, 21},
               {0, 0, 1, 21}, {0, 1, 1, 21}, {1, 0, 1, 42}, {1, 1, 1, 42}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.hp << c.exp << c.enemy);
    EXPECT_EQ(vesk_vital_bars_height(c.hp, c.exp, c.enemy), c.height);
    vesk_layout_input in = window(984, 728);
    in.settings.hpbar_enable = c.hp;
    in.settings.exp_display = c.exp;
    in.settings.enemy_hpbar_enable = c.enemy;
    vesk_layout l = vesk_compute_layout(in);
    EXPECT_EQ(l.vital_bars.placed, c.height ? 1 : 0);
    if (c.height) {
      EXPECT_EQ(l.vital_bars.rect, vesk_rect(204, 613 - c.height, 679, c.height));
    }
    EXPECT_EQ(l.main_display.rect.height, 613 - c.height);
    EXPECT_EQ(l.vital_show_bars, c.hp);
    EXPECT_EQ(l.vital_show_exp, c.exp);
    EXPECT_EQ(l.vital_show_enemy, c.enemy);
  }
}

TEST(Layout, ChannelWindowAndBottomBar) {
  vesk_layout_input in = window(984, 728);
  in.settings.channel_window_enable = 1;
  in.settings.fkey_button_display = 1;
  in.settings.input_height = 100;
  in.connection_state = 2;
  vesk_layout l = vesk_compute_layout(in);
  EXPECT_EQ(l.fkey_buttons.rect, vesk_rect(204, 682, 358, 46));
  EXPECT_EQ(l.popup_bar.rect, vesk_rect(562, 682, 422, 46));
  // Above the vital bars 519 rows are left: a quarter (rounded down) for the channel window.
  EXPECT_EQ(l.input_line.rect, vesk_rect(204, 561, 679, 100));
  EXPECT_EQ(l.channel_window.show, 1);
  EXPECT_EQ(l.channel_window.rect, vesk_rect(204, 0, 679, 129));
  EXPECT_EQ(l.main_display.rect, vesk_rect(204, 129, 679, 390));

  for (int state : {0, 1, 3}) {
    in.connection_state = state;
    l = vesk_compute_layout(in);
    EXPECT_EQ(l.channel_window.show, 0) << state;
    EXPECT_EQ(l.main_display.rect, vesk_rect(204, 0, 679, 519)) << state;
  }
  in.connection_state = 2;
  in.settings.channel_window_enable = 0;
  EXPECT_EQ(vesk_compute_layout(in).channel_window.show, 0);

  // A percentage beyond the settings' range still leaves the main display its row.
  in.settings.channel_window_enable = 1;
  in.settings.channel_window_height = 400;
  l = vesk_compute_layout(in);
  EXPECT_EQ(l.channel_window.rect.height, 519);
  EXPECT_EQ(l.main_display.rect.height, 1);
}

TEST(Layout, SavedSizeStandsInForZero) {
  vesk_layout_input in = window(0, 500);
  in.saved_width = 984;
  in.saved_height = 728;
  vesk_layout l = vesk_compute_layout(in);
  EXPECT_EQ(l.width, 984);
  EXPECT_EQ(l.height, 728);
  EXPECT_EQ(l.hint_buttons.rect.x, 885);
  in.client_width = 800;
  in.client_height = 0;
  EXPECT_EQ(vesk_compute_layout(in).width, 984);
}

// Every combination of the switches, in three window sizes: everything inside the window, the
// right column, the left column, the bottom bar and the stack side by side without overlap, and
// the stack gap-free from the top (or the channel window) down to the bottom bar.
TEST(Layout, SettingsCombinations) {
  const int sizes[][2] = {{984, 728}, {1280, 1024}, {800, 600}};
  int combinations = 0;
  for (auto &size : sizes)
    for (int bits = 0; bits < (1 << 13); bits++)
      for (int layout = 0; layout < 3; layout++) {
        vesk_layout_input in = window(size[0], size[1]);
        vesk_layout_settings &s = in.settings;
        int b = bits;
        auto next = [&b]() {
          int v = b & 1;
          b >>= 1;
          return v;
        };
        s.current_layout = layout;
        s.direction_button_enable = next();
        s.hint_button_enable = next();
        s.fkey_button_display = next();
        s.popup_display = next();
        s.status_bar = next();
        s.group_status_display = next() ? 1 + next() : (next(), 0);
        s.automap_docked = next();
        s.automap_display = next();
        s.channel_window_enable = next();
        in.connection_state = next() ? 2 : 0;
        s.hpbar_enable = next();
        s.enemy_hpbar_enable = next();
        s.exp_display = 1;
        const int W = size[0], H = size[1];
        SCOPED_TRACE(describe(s, in.connection_state) + " " + std::to_string(W));
        vesk_layout l = vesk_compute_layout(in);
        combinations++;

        std::vector<std::pair<const char *, const vesk_layout_panel *>> in_window = {
            {"direction", &l.direction_buttons}, {"hint", &l.hint_buttons},
            {"group", &l.group_display},         {"fkey", &l.fkey_buttons},
            {"popup", &l.popup_bar},             {"status", &l.status_bar},
            {"input", &l.input_line},            {"vital", &l.vital_bars},
            {"channel", &l.channel_window},      {"main", &l.main_display}};
        if (!l.automap_in_frame)
          in_window.push_back({"automap", &l.automap});
        for (auto &p : in_window) {
          if (!p.second->placed)
            continue;
          const vesk_rect &r = p.second->rect;
          ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.width >= 1 && r.height >= 1 &&
                      r.x + r.width <= W && r.y + r.height <= H)
              << p.first << " " << testing::PrintToString(r);
        }
        for (size_t i = 0; i < in_window.size(); i++)
          for (size_t j = i + 1; j < in_window.size(); j++) {
            const vesk_layout_panel &a = *in_window[i].second, &c = *in_window[j].second;
            if (!a.placed || !c.placed)
              continue;
            std::string pair = std::string(in_window[i].first) + "/" + in_window[j].first;
            // The bottom bar runs under the right column, whose buttons stop well above it.
            if (pair == "hint/fkey" || pair == "hint/popup")
              continue;
            ASSERT_FALSE(overlap(a.rect, c.rect)) << pair;
          }

        // Shown exactly as the switches say; placed only when shown.
        ASSERT_EQ(l.direction_buttons.show, s.direction_button_enable);
        ASSERT_EQ(l.hint_buttons.show, s.hint_button_enable);
        ASSERT_EQ(l.fkey_buttons.show, s.fkey_button_display);
        ASSERT_EQ(l.popup_bar.show, s.popup_display);
        ASSERT_EQ(l.channel_window.show, l.channel_window.placed);

        // The stack: one column from L to the right column, top to bottom without gaps.
        const int right = (s.direction_button_enable || s.hint_button_enable) ? W - 101 : W;
        std::vector<const vesk_layout_panel *> stack = {&l.channel_window, &l.main_display,
                                                        &l.vital_bars, &l.input_line,
                                                        &l.status_bar};
        int y = 0;
        for (const vesk_layout_panel *p : stack) {
          if (!p->placed)
            continue;
          ASSERT_EQ(p->rect.x, l.left_width);
          ASSERT_EQ(p->rect.x + p->rect.width, right);
          ASSERT_EQ(p->rect.y, y);
          y += p->rect.height;
        }
        const bool bar = s.fkey_button_display || s.popup_display;
        ASSERT_EQ(y, bar ? H - 46 : H);
        ASSERT_GE(l.main_display.rect.height, 100);
        if (l.popup_bar.placed) {
          ASSERT_EQ(l.popup_bar.rect.x + l.popup_bar.rect.width, W);
        }
      }
  EXPECT_EQ(combinations, 3 * 3 * 8192);
}

// Tiny windows: panels may overlap, but nothing gets a size below 1 and the main display keeps at
// least one pixel.
TEST(Layout, TinyWindows) {
  const int sizes[][2] = {{1, 1}, {40, 30}, {120, 90}, {0, 0}, {-5, 10}};
  for (auto &size : sizes)
    for (int layout = 0; layout < 3; layout++)
      for (int everything = 0; everything < 2; everything++) {
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " " << layout << " "
                                        << everything);
        vesk_layout_input in = window(size[0], size[1]);
        in.settings.current_layout = layout;
        in.settings.input_height = 0; // out of range: still one row
        if (everything) {
          in.settings.direction_button_enable = in.settings.fkey_button_display = 1;
          in.settings.channel_window_enable = 1;
          in.connection_state = 2;
        } else {
          in.settings.hint_button_enable = in.settings.popup_display = 0;
          in.settings.status_bar = in.settings.hpbar_enable = 0;
          in.settings.exp_display = in.settings.enemy_hpbar_enable = 0;
        }
        in.automap_width = 0;
        in.group_display_height = -4;
        vesk_layout l = vesk_compute_layout(in);
        const vesk_layout_panel *all[] = {&l.map_frame,    &l.automap,      &l.direction_buttons,
                                          &l.hint_buttons, &l.group_display, &l.fkey_buttons,
                                          &l.popup_bar,    &l.status_bar,   &l.input_line,
                                          &l.vital_bars,   &l.channel_window, &l.main_display};
        for (const vesk_layout_panel *p : all)
          if (p->placed) {
            EXPECT_GE(p->rect.width, 1);
            EXPECT_GE(p->rect.height, 1);
          }
        EXPECT_EQ(l.main_display.placed, 1);
        EXPECT_GE(l.usable_width, 1);
      }
}

// --- background ---

TEST(BackgroundCache, GrownSize) {
  struct Case {
    int client, old_size, expect;
  } cases[] = {{0, 0, 256},      {255, 0, 256},    {256, 0, 512},    {984, 0, 1024},
               {728, 0, 768},    {1100, 1024, 1280}, {740, 768, 1024}, {300, 0, 512},
               {600, 512, 768},  {-20, 0, 256},    {1000000, 0, vesk_bitmap::max_side + 256}};
  for (const Case &c : cases)
    EXPECT_EQ(vesk_background::grown_size(c.client, c.old_size), c.expect)
        << c.client << " " << c.old_size;
}

// A sequence of builds as the window and the themes change: the bitmap only grows, a theme or
// style change redraws at the old size, and redrawing gives back the same picture.
TEST(BackgroundCache, GrowthAndThemeChanges) {
  const vesk_color red[3] = {{80, 0, 0}, {56, 0, 0}, {32, 0, 0}};
  const vesk_color grey[3] = {{64, 64, 64}, {32, 32, 32}, {16, 16, 16}};
  vesk_background bg;
  EXPECT_FALSE(bg.exists());
  struct Step {
    const char *what;
    int w, h, style;
    const vesk_color *colors;
    int force, built, bw, bh;
  } steps[] = {
      {"start", 984, 728, VESK_BG_MAZE2, red, 0, 1, 1024, 768},
      {"grow within", 1000, 740, VESK_BG_MAZE2, red, 0, 0, 1024, 768},
      {"outgrow", 1100, 740, VESK_BG_MAZE2, red, 0, 1, 1280, 1024},
      {"shrink", 300, 200, VESK_BG_MAZE2, red, 0, 0, 1280, 1024},
      {"colour", 1100, 740, VESK_BG_MAZE2, grey, 0, 1, 1280, 1024},
      {"colour back", 1100, 740, VESK_BG_MAZE2, red, 0, 1, 1280, 1024},
      {"style", 1100, 740, VESK_BG_BUBBLES, red, 0, 1, 1280, 1024},
      {"same", 1100, 740, VESK_BG_BUBBLES, red, 0, 0, 1280, 1024},
      {"forced", 1100, 740, VESK_BG_BUBBLES, red, 1, 1, 1280, 1024},
      {"taller", 1100, 1100, VESK_BG_BUBBLES, red, 0, 1, 1536, 1280},
  };
  for (const Step &s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(bg.build_background(s.w, s.h, s.style, s.colors, s.force), s.built);
    EXPECT_EQ(bg.width(), s.bw);
    EXPECT_EQ(bg.height(), s.bh);
    EXPECT_EQ(bg.built_style, s.style);
  }

  // Many theme changes never make it grow.
  for (int i = 0; i < 20; i++) {
    EXPECT_EQ(bg.build_background(1100, 1100, i % 6, (i & 1) ? grey : red, 0), 1);
    EXPECT_EQ(bg.width(), 1536);
    EXPECT_EQ(bg.height(), 1280);
  }

  // The same size, style and colours give the same picture after any detour.
  vesk_background fresh;
  fresh.build_background(984, 728, VESK_BG_MAZE1, red, 0);
  vesk_bitmap first = fresh.bitmap;
  fresh.build_background(984, 728, VESK_BG_MAZE3, grey, 0);
  EXPECT_FALSE(fresh.bitmap.same_pixels(first));
  fresh.build_background(984, 728, VESK_BG_MAZE1, red, 0);
  EXPECT_TRUE(fresh.bitmap.same_pixels(first));
  fresh.build_background(984, 728, VESK_BG_MAZE1, red, 1);
  EXPECT_TRUE(fresh.bitmap.same_pixels(first));
}

TEST(BackgroundCache, CurrentThemeAndRefusedSize) {
  init_themes();
  switch_background_theme(VESK_THEME_GREEN);
  vesk_background bg;
  EXPECT_EQ(bg.build_background(100, 100, VESK_BG_SOLID, nullptr, 0), 1);
  EXPECT_EQ(bg.bitmap.get_pixel(10, 10), vesk_color(0, 32, 0));
  EXPECT_EQ(bg.build_background(100, 100, VESK_BG_SOLID, nullptr, 0), 0);
  switch_background_theme(VESK_THEME_CYAN);
  EXPECT_EQ(bg.build_background(100, 100, VESK_BG_SOLID, nullptr, 0), 1);
  EXPECT_EQ(bg.bitmap.get_pixel(10, 10), vesk_color(0, 24, 48));

  // A size no bitmap can hold keeps the old picture and says so.
  scoped_debug_log log(1);
  EXPECT_EQ(bg.build_background(9000, 9000, VESK_BG_SOLID, nullptr, 0), 0);
  EXPECT_TRUE(bg.exists());
  EXPECT_EQ(bg.width(), 256);
  EXPECT_TRUE(log.contains("Error in vesk_background::build_background()"));
}

// --- logo and web address ---

TEST(LogoPlacement, ThreeLayouts) {
  struct Case {
    int layout, tw;
    int logo_x, logo_y, text_x, text_y;
    vesk_rect link;
  } cases[] = {
      {2, 150, 0, 0, 21, 38, {0, 0, 192, 52}},
      {1, 150, 0, 681, 21, 714, {0, 676, 192, 52}},
      {0, 150, 792, 681, 813, 714, {792, 676, 192, 52}},
      // A text wider than the logo sets the block's width.
      {2, 250, 29, 0, 0, 38, {0, 0, 250, 52}},
      {0, 251, 763, 681, 734, 714, {733, 676, 251, 52}},
      {5, 150, 0, 0, 21, 38, {0, 0, 192, 52}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.layout << " " << c.tw);
    vesk_logo_placement p = vesk_place_logo(c.layout, 984, 728, 192, 43, c.tw, 14);
    EXPECT_EQ(p.logo_x, c.logo_x);
    EXPECT_EQ(p.logo_y, c.logo_y);
    EXPECT_EQ(p.text_x, c.text_x);
    EXPECT_EQ(p.text_y, c.text_y);
    EXPECT_EQ(p.link, c.link);
  }
  vesk_rect link = vesk_place_logo(0, 984, 728, 192, 43, 150, 14).link;
  EXPECT_TRUE(link.contains(792, 676));
  EXPECT_TRUE(link.contains(983, 727));
  EXPECT_FALSE(link.contains(791, 700));
  EXPECT_FALSE(link.contains(900, 675));
  EXPECT_FALSE(vesk_rect().contains(0, 0)); // the rectangle before the first paint
}

TEST(LogoPlacement, ComposedPicture) {
  const vesk_color back(10, 20, 30);
  vesk_background bg;
  vesk_bitmap picture(0, 0);
  {
    scoped_debug_log log(2);
    vesk_logo_placement none;
    EXPECT_EQ(vesk_compose_window_picture(picture, bg, nullptr, nullptr, nullptr, none, 50, 40), 0);
    EXPECT_TRUE(log.contains("Error in vesk_mw::repaint_handler() - no background image?\n"));
    EXPECT_FALSE(picture.is_ok());
  }
  const vesk_color colors[3] = {back, back, back};
  bg.build_background(300, 200, VESK_BG_SOLID, colors, 0);

  // Logo: left half opaque white, right half transparent; one column half-transparent.
  vesk_bitmap logo(192, 43);
  for (int y = 0; y < 43; y++)
    for (int x = 0; x < 192; x++)
      logo.set_rgba(x, y, 255, 255, 255, x < 96 ? 255 : (x == 100 ? 128 : 0));
  vesk_synthetic_font font(4, 6);
  const char *address = "www";
  vesk_logo_placement p = vesk_place_logo(2, 300, 200, 192, 43, 12, 6);
  ASSERT_EQ(vesk_compose_window_picture(picture, bg, &logo, &font, address, p, 300, 200), 1);
  EXPECT_EQ(picture.width(), 300);
  EXPECT_EQ(picture.height(), 200);
  EXPECT_EQ(picture.get_pixel(p.logo_x + 10, 20), vesk_white);
  EXPECT_EQ(picture.get_pixel(p.logo_x + 150, 20), back);
  EXPECT_EQ(picture.get_pixel(p.logo_x + 100, 20),
            vesk_color((255 * 128 + 10 * 127 + 127) / 255, (255 * 128 + 20 * 127 + 127) / 255,
                       (255 * 128 + 30 * 127 + 127) / 255));
  EXPECT_EQ(picture.get_pixel(250, 150), back);
  // The address in white on black at its place: coverage decides each pixel.
  for (int x = 0; x < 4; x++) {
    int t = vesk_synthetic_font::coverage('w', x, 1);
    int v = t > 0 ? 255 * t / 256 : 0;
    EXPECT_EQ(picture.get_pixel(p.text_x + x, p.text_y + 1), vesk_color(v, v, v)) << x;
  }

  // A client area larger than the picture (before the next build) shows black beyond it.
  ASSERT_EQ(vesk_compose_window_picture(picture, bg, nullptr, nullptr, nullptr, p, 400, 300), 1);
  EXPECT_EQ(picture.get_pixel(10, 280), vesk_black);
  EXPECT_EQ(picture.get_pixel(350, 10), back);
}
