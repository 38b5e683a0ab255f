// Panel base and the text display as real windows: geometry rules, the paint path from the
// engine's bitmap to the screen, and coloured server text read back from the window.
#include "app/embedded_window.h"
#include "drawing/wx_font.h"
#include "text/ansi_display.h"
#include "text/textctrl.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

// The main window provides this; these tests have none, so focus stays where it is.
int transfer_focus_main(wxWindow *) { return 0; }

namespace {

struct plain_panel : vesk_embedded_window {
  int layouts = 0, last_resized = -1;
  vesk_color colour{10, 200, 30};
  explicit plain_panel(wxWindow *parent) : vesk_embedded_window(parent, wxID_ANY, wxPoint(5, 6), wxSize(40, 30)) {}
  void layout(int resized) override {
    layouts++;
    last_resized = resized;
  }
  void paint(vesk_bitmap &bitmap) override { bitmap.Clear(colour); }
};

// What a window shows, read through a copy of its client area.
wxImage grab(wxWindow *window) {
  wxClientDC client(window);
  wxSize size = window->GetClientSize();
  wxBitmap copy(size.GetWidth(), size.GetHeight(), 24);
  wxMemoryDC memory(copy);
  memory.Blit(0, 0, size.GetWidth(), size.GetHeight(), &client, 0, 0);
  memory.SelectObject(wxNullBitmap);
  return copy.ConvertToImage();
}

void settle() {
  for (int i = 0; i < 20; i++) {
    wxTheApp->Yield(true);
    wxMilliSleep(10);
  }
}

} // namespace

TEST(EmbeddedWindow, GeometryRules) {
  wxFrame *frame = new wxFrame(nullptr, wxID_ANY, "t", wxPoint(0, 0), wxSize(300, 200));
  plain_panel *panel = new plain_panel(frame);
  EXPECT_EQ(panel->back_buffer().width(), 40);
  panel->set_geometry(-1, 20, 0, 15);
  EXPECT_EQ(panel->GetPosition().x, 5) << "-1 keeps the x coordinate";
  EXPECT_EQ(panel->GetPosition().y, 20);
  EXPECT_EQ(panel->GetSize().GetWidth(), 1) << "a width of 0 becomes 1";
  EXPECT_EQ(panel->back_buffer().width(), 1);
  EXPECT_EQ(panel->back_buffer().height(), 15);
  EXPECT_EQ(panel->last_resized, 1);
  panel->set_geometry(50, -1, 1, 15);
  EXPECT_EQ(panel->GetPosition().y, 20);
  EXPECT_EQ(panel->last_resized, 0) << "same size: the back buffer is kept";
  panel->set_size(60, 40);
  EXPECT_EQ(panel->back_buffer().width(), 60);
  EXPECT_EQ(panel->GetPosition().x, 50);
  frame->Destroy();
  settle();
}

TEST(EmbeddedWindow, PaintReachesTheScreen) {
  wxFrame *frame = new wxFrame(nullptr, wxID_ANY, "t", wxPoint(0, 0), wxSize(300, 200));
  plain_panel *panel = new plain_panel(frame);
  frame->Show();
  panel->set_geometry(10, 10, 80, 50);
  panel->refresh();
  settle();
  wxImage shown = grab(panel);
  ASSERT_TRUE(shown.IsOk());
  EXPECT_EQ(shown.GetRed(40, 25), 10);
  EXPECT_EQ(shown.GetGreen(40, 25), 200);
  EXPECT_EQ(shown.GetBlue(79, 49), 30);
  frame->Destroy();
  settle();
}

TEST(AnsiDisplay, ServerColoursAndTheFrameShowInTheWindow) {
  vesk_create_program_fonts();
  wxFrame *frame = new wxFrame(nullptr, wxID_ANY, "t", wxPoint(0, 0), wxSize(500, 300));
  vesk_ansi_display *display = new vesk_ansi_display(frame, wxID_ANY);
  display->set_font(vesk_main_text_font);
  frame->Show();
  display->set_geometry(0, 0, 480, 260);
  const char text[] = "\x1b[1m\x1b[33mMMMMMMMMMMMMMMMMMMMM\x1b[0m\n";
  display->process_text_data(text, (int)sizeof text - 1);
  display->refresh_all();
  settle();
  wxImage shown = grab(display->textctrl);
  ASSERT_TRUE(shown.IsOk());
  // Bright yellow of the default scheme (FFFF55) at any glyph coverage keeps red = green = 3 x blue.
  int yellow = 0;
  for (int y = 0; y < shown.GetHeight(); y++)
    for (int x = 0; x < shown.GetWidth(); x++) {
      int r = shown.GetRed(x, y), g = shown.GetGreen(x, y), b = shown.GetBlue(x, y);
      yellow += r > 90 && std::abs(r - g) <= 2 && std::abs(3 * b - r) <= 6;
    }
  EXPECT_GT(yellow, 40);
  // The frame: outer white line and grey inner line while following.
  wxImage whole = grab(display);
  EXPECT_EQ(whole.GetRed(0, 100), 255);
  EXPECT_EQ(whole.GetRed(1, 100), 128);
  // Scrolled back, the frame turns red.
  for (int i = 0; i < 200; i++)
    display->output_text("line\n");
  display->text.lock();
  display->refresh_all();
  settle();
  whole = grab(display);
  EXPECT_EQ(whole.GetRed(0, 100), 255);
  EXPECT_EQ(whole.GetGreen(0, 100), 0);
  EXPECT_EQ(whole.GetRed(1, 100), 192);
  frame->Destroy();
  settle();
}
