// Paint of the scrollback window: the window's own paint handler (drawing a 1000 x 700 screen of
// coloured text into its back buffer, then the blit), and the two halves alone. Needs a display.
#include "drawing/wx_font.h"
#include "text/ansi_display.h"
#include "text/textctrl.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {
double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <class F> double best_of(int rounds, int per_round, F f) {
  double best = 1e9;
  for (int r = 0; r < rounds; r++) {
    double t0 = now_ms();
    for (int i = 0; i < per_round; i++)
      f();
    double t = (now_ms() - t0) / per_round;
    best = t < best ? t : best;
  }
  return best;
}
} // namespace

int main(int argc, char **argv) {
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  wxLog::SetActiveTarget(new wxLogStderr);
  vesk_create_program_fonts();

  wxFrame *frame = new wxFrame(nullptr, wxID_ANY, "paint bench", wxPoint(0, 0), wxSize(1004, 704));
  vesk_ansi_display *display = new vesk_ansi_display(frame, wxID_ANY);
  display->set_font(vesk_main_text_font);
  frame->Show();
  display->set_geometry(0, 0, 1004, 704);
  static const int codes[] = {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37};
  std::string line;
  for (int i = 0; i < 2000; i++) {
    char esc[16];
    std::snprintf(esc, sizeof esc, "\x1b[%dm\x1b[%xm", i % 2, codes[i % 7]);
    line = esc;
    for (int k = 0; k < 160; k++)
      line += (char)('!' + (i * 7 + k) % 90);
    line += "\n";
    display->process_text_data(line.data(), (int)line.size());
  }
  wxTheApp->Yield();
  vesk_textctrl *text = display->textctrl;
  vesk_bitmap &buffer = text->back_buffer();
  std::printf("figure: scrollback_window_width %d\n", buffer.width());
  std::printf("figure: scrollback_window_height %d\n", buffer.height());
  vesk_screen_blitter blitter;
  wxClientDC dc(text);
  double blit = best_of(5, 40, [&] { blitter.blit(dc, buffer); });
  double draw = best_of(5, 40, [&] { text->paint(buffer); });
  // The real path: a repaint request handled by the window's own paint handler.
  double handler = best_of(5, 40, [&] {
    text->refresh();
    text->Update();
  });
  std::printf("figure: paint_handler_ms %.3f\n", handler);
  std::printf("figure: scrollback_draw_only_ms %.3f\n", draw);
  std::printf("figure: scrollback_blit_only_ms %.3f\n", blit);
  frame->Destroy();
  wxEntryCleanup();
  return 0;
}
