// The main window's geometry: panels stacked from the bottom up beside an optional right column
// and left column; the background picture cache; the logo and web-address placement.
#include "app/layout.h"

#include <algorithm>
#include <cstdint>

#include "drawing/glyph_font.h"
#include "drawing/themes.h"
#include "support/log.h"

namespace {

int at_least_1(int v) { return v < 1 ? 1 : v; }

void place(vesk_layout_panel &panel, int x, int y, int width, int height) {
  panel.placed = 1;
  panel.rect = vesk_rect(x, y, at_least_1(width), at_least_1(height));
}

int normalised_layout(int layout) { return layout < 0 ? 0 : (layout > 2 ? 2 : layout); }

} // namespace

int vesk_vital_bars_height(int hpbar_enable, int exp_display, int enemy_hpbar_enable) {
  // Two rows only when the enemy bar runs above the hp, mana and move bars.
  if (enemy_hpbar_enable && hpbar_enable)
    return 2 * VESK_VITAL_ROW_HEIGHT;
  if (enemy_hpbar_enable || hpbar_enable || exp_display)
    return VESK_VITAL_ROW_HEIGHT;
  return 0;
}

vesk_layout vesk_compute_layout(const vesk_layout_input &in) {
  const vesk_layout_settings &s = in.settings;
  vesk_layout out;

  int W = in.client_width, H = in.client_height;
  if (W == 0 || H == 0) {
    W = in.saved_width;
    H = in.saved_height;
  }
  out.width = W;
  out.height = H;

  const int layout = normalised_layout(s.current_layout);
  const int aw = at_least_1(in.automap_width);
  const int ah = at_least_1(in.automap_height);
  const int gh = at_least_1(in.group_display_height);

  if (!s.automap_docked) {
    out.automap_in_frame = 1;
    place(out.map_frame, 0, 0, aw, ah);
    place(out.automap, 0, 0, aw, ah);
  }

  // Right column.
  const bool directions = s.direction_button_enable != 0;
  const bool hints = s.hint_button_enable != 0;
  out.direction_buttons.show = directions;
  out.hint_buttons.show = hints;
  int X = W;
  if (directions || hints) {
    const int R = W - VESK_DIRECTION_BLOCK_WIDTH;
    int T = 2;
    if (directions) {
      place(out.direction_buttons, R - 2, 2, VESK_DIRECTION_BLOCK_WIDTH,
            VESK_DIRECTION_BLOCK_HEIGHT);
      T = VESK_DIRECTION_BLOCK_HEIGHT + 4;
    }
    if (hints)
      place(out.hint_buttons, R - 2, T, VESK_DIRECTION_BLOCK_WIDTH, H - T);
    X = R - 4;
  }

  // Left column.
  const bool map_on = s.automap_docked && s.automap_display;
  const bool group_on = s.group_status_display != 0;
  const bool bottom_bar = s.fkey_button_display || s.popup_display;
  if (layout == VESK_LAYOUT_LEFT_TOP) {
    int Y = 2, C = VESK_LEFT_COLUMN_WIDTH;
    if (map_on) {
      place(out.automap, 2, 2, aw, ah);
      Y = ah + 12;
      C = aw;
    }
    if (group_on)
      place(out.group_display, 2, Y, C, gh);
  } else if (layout == VESK_LAYOUT_LEFT_BOTTOM) {
    int Y, C;
    if (map_on) {
      Y = H - 2 - ah;
      place(out.automap, 2, Y, aw, ah);
      Y -= 10;
      C = aw;
    } else {
      // Without the map the column sits on top of the bottom bar.
      Y = (bottom_bar ? H - VESK_BOTTOM_BAR_HEIGHT : H) - 2;
      C = VESK_LEFT_COLUMN_WIDTH;
    }
    if (group_on) {
      Y -= gh;
      place(out.group_display, 2, Y, C, gh);
    }
  }
  int L = 0;
  if (layout != VESK_LAYOUT_EMBEDDED)
    L = map_on ? aw + 4 : (group_on ? VESK_LEFT_COLUMN_SPAN : 0);
  if (X <= L)
    X = L + 1;

  // Bottom bar: the full width, under the right column.
  int B = bottom_bar ? H - VESK_BOTTOM_BAR_HEIGHT : H;
  out.fkey_buttons.show = s.fkey_button_display != 0;
  const int fkey_width = vesk_fkey_bar_width(VESK_BOTTOM_BAR_HEIGHT);
  if (s.fkey_button_display)
    place(out.fkey_buttons, L, B, fkey_width, VESK_BOTTOM_BAR_HEIGHT);
  out.popup_bar.show = s.popup_display != 0;
  if (s.popup_display) {
    const int px = s.fkey_button_display ? L + fkey_width : L;
    place(out.popup_bar, px, B, W - px, VESK_BOTTOM_BAR_HEIGHT);
  }

  // The text stack, from the bottom up.
  const int U = X - L;
  out.left_width = L;
  out.stack_right = X;
  out.usable_width = U;
  if (s.status_bar) {
    B -= VESK_STATUS_BAR_HEIGHT;
    place(out.status_bar, L, B, U, VESK_STATUS_BAR_HEIGHT);
  }

  const int input_height = at_least_1(s.input_height);
  B -= input_height;
  place(out.input_line, L, B, U, input_height);

  out.vital_frame_mask = 15;
  out.vital_show_bars = s.hpbar_enable;
  out.vital_show_exp = s.exp_display;
  out.vital_show_enemy = s.enemy_hpbar_enable;
  const int vital_height = vesk_vital_bars_height(s.hpbar_enable, s.exp_display,
                                                  s.enemy_hpbar_enable);
  if (vital_height > 0) {
    B -= vital_height;
    place(out.vital_bars, L, B, U, vital_height);
  }

  int Hc = 0;
  if (in.connection_state == 2 && s.channel_window_enable) {
    // 64-bit product: the percentage is not range-checked by the setter.
    int64_t h = int64_t(s.channel_window_height) * B / 100;
    Hc = h < 1 ? 1 : (h > B ? at_least_1(B) : int(h));
    place(out.channel_window, L, 0, U, Hc);
    out.channel_window.show = 1;
  } else {
    out.channel_window.show = 0;
  }

  place(out.main_display, L, Hc, U, B - Hc);
  return out;
}

// --- background picture ---

int vesk_background::grown_size(int client, int old_size) {
  int m = std::max(std::max(client, old_size), 0);
  // Beyond what a bitmap may hold the result is only refused by create, never overflows.
  if (m > vesk_bitmap::max_side)
    m = vesk_bitmap::max_side;
  return 256 * (m / 256) + 256;
}

int vesk_background::build_background(int client_width, int client_height, int style,
                                       const vesk_color *colors, int force) {
  if (!colors)
    colors = current_background_theme_colors();
  const int w = std::max(client_width, 0);
  const int h = std::max(client_height, 0);
  const bool large_enough = exists() && bitmap.width() >= w && bitmap.height() >= h;
  const bool same_look = style == built_style && colors[0] == built_colors[0] &&
                         colors[1] == built_colors[1] && colors[2] == built_colors[2];
  if (!force && large_enough && same_look)
    return 0;

  // Copy first: colors may point at built_colors.
  const vesk_color wanted[3] = {colors[0], colors[1], colors[2]};
  if (large_enough) {
    // Same size as before, so repeated theme changes never grow the bitmap.
    make_background(bitmap, bitmap.width(), bitmap.height(), style, wanted);
  } else {
    const int nw = grown_size(w, width());
    const int nh = grown_size(h, height());
    vesk_bitmap fresh(0, 0);
    if (!make_background(fresh, nw, nh, style, wanted)) {
      if (vesk_debug_level > 0)
        format_message("Error in vesk_background::build_background(), unable to create a %d x %d "
                       "background.\n",
                       nw, nh);
      return 0;
    }
    bitmap = std::move(fresh);
  }
  built_style = style;
  for (int i = 0; i < 3; i++)
    built_colors[i] = wanted[i];
  return 1;
}

// --- logo and web address ---

vesk_logo_placement vesk_place_logo(int current_layout, int client_width, int client_height,
                                    int logo_width, int logo_height, int text_width,
                                    int text_height) {
  vesk_logo_placement p;
  const int lw = logo_width, lh = logo_height, tw = text_width, th = text_height;
  const int cw = client_width, ch = client_height;
  const int block = std::max(lw, tw);
  const int link_height = std::max(lh + th - 5, 0);
  const int a = block / 2;
  switch (normalised_layout(current_layout)) {
  case VESK_LAYOUT_LEFT_BOTTOM:
    p.logo_x = a - lw / 2;
    p.logo_y = 0;
    p.text_x = a - tw / 2;
    p.text_y = lh - 5;
    p.link = vesk_rect(0, 0, block, link_height);
    break;
  case VESK_LAYOUT_LEFT_TOP:
    p.logo_x = a - lw / 2;
    p.logo_y = ch - lh - th + 10;
    p.text_x = a - tw / 2;
    p.text_y = ch - th;
    p.link = vesk_rect(0, ch - link_height, block, link_height);
    break;
  default:
    p.logo_x = cw - a - lw / 2;
    p.logo_y = ch - lh - th + 10;
    p.text_x = cw - a - tw / 2;
    p.text_y = ch - th;
    p.link = vesk_rect(cw - block, ch - link_height, block, link_height);
    break;
  }
  return p;
}

namespace {

// Source over destination by the source's alpha, clipped.
void blend_over(vesk_bitmap &dest, const vesk_bitmap &src, int x, int y) {
  const int x0 = std::max(0, -x), y0 = std::max(0, -y);
  const int x1 = std::min(src.width(), dest.width() - x);
  const int y1 = std::min(src.height(), dest.height() - y);
  for (int sy = y0; sy < y1; sy++)
    for (int sx = x0; sx < x1; sx++) {
      const int a = src.get_alpha(sx, sy);
      if (a == 0)
        continue;
      const vesk_color s = src.get_pixel(sx, sy);
      const vesk_color d = dest.get_pixel(x + sx, y + sy);
      dest.SetPixel(x + sx, y + sy, (s.red * a + d.red * (255 - a) + 127) / 255,
                    (s.green * a + d.green * (255 - a) + 127) / 255,
                    (s.blue * a + d.blue * (255 - a) + 127) / 255);
    }
}

} // namespace

int vesk_compose_window_picture(vesk_bitmap &picture, const vesk_background &background,
                                const vesk_bitmap *logo, const vesk_glyph_font *font,
                                const char *address, const vesk_logo_placement &place,
                                int client_width, int client_height) {
  if (!background.exists()) {
    if (vesk_debug_level > 1)
      format_message("Error in vesk_mw::repaint_handler() - no background image?\n");
    return 0;
  }
  const int w = at_least_1(client_width), h = at_least_1(client_height);
  if (!picture.is_ok() || picture.width() != w || picture.height() != h)
    picture.create(w, h);
  if (background.width() < w || background.height() < h)
    picture.Clear(vesk_black);
  picture.DrawBitmapIgnoreAlpha(background.bitmap, 0, 0);
  if (logo && logo->is_ok())
    blend_over(picture, *logo, place.logo_x, place.logo_y);
  if (font && address)
    picture.DrawText(*font, address, place.text_x, place.text_y, vesk_white, vesk_black);
  return 1;
}
