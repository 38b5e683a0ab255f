// vesk_app: start-up in its fixed order and the exit hook.
#pragma once

#include "drawing/bitmap.h"

#include <wx/app.h>

class vesk_app : public wxApp {
public:
  bool OnInit() override;
  int OnExit() override;
};

// The pictures the program carries, decoded at start-up into RGBA bitmaps the panels draw with:
// the five status icons in the status bar's order, the scrollback lock and the logo.
enum { vesk_picture_count = 7, vesk_picture_lock = 5, vesk_picture_logo = 6 };
extern vesk_bitmap *vesk_pictures[vesk_picture_count];

extern char vesk_launcher_version[257];
extern int vesk_gui_client;
extern int vesk_screen_width, vesk_screen_height;
