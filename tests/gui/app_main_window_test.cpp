// The main window as a real window: its layout on the background, the logo and web address
// painted on it, and a click on the address starting the browser on the game's main page.
#include "app/app.h"
#include "app/main_window.h"
#include "config/settings.h"
#include "drawing/themes.h"
#include "drawing/wx_font.h"
#include "support/config_directory.h"
#include "text/ansi_display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/app.h>

namespace {

void settle(int ms) {
  for (int i = 0; i < ms / 10; i++) {
    wxTheApp->Yield(true);
    wxMilliSleep(10);
  }
}

std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool display_shows(vesk_ansi_display *display, const std::string &needle) {
  vesk_fixed_text line;
  for (int i = 0; i <= display->text.get_last_line(); i++)
    if (display->text.line_text(i, line) && std::string(line.c_str()).find(needle) != std::string::npos)
      return true;
  return false;
}

} // namespace

TEST(MainWindow, LaysOutPaintsTheAddressAndOpensItsPage) {
  char pattern[] = "/tmp/quorveth-mw-XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string record = dir + "/firefox-args.txt";
  // A recording browser first on PATH.
  std::string browser = dir + "/firefox";
  {
    std::ofstream out(browser);
    out << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n";
  }
  chmod(browser.c_str(), 0755);
  setenv("PATH", (dir + ":" + std::getenv("PATH")).c_str(), 1);
  setenv("HOME", dir.c_str(), 1);
  // Nothing listens on port 1: the window comes up offline.
  setenv("QUORVETH_SERVER", "127.0.0.1:1", 1);
  ASSERT_TRUE(vesk_client_set_up_config_directory("Quorveth"));
  init_ssl();
  init_themes();
  vesk_create_program_fonts();
  load_system_config();

  vesk_mw *window = new vesk_mw("Quorveth", wxPoint(0, 0), wxSize(984, 728));
  window->Show();
  window->Update();
  settle(500);

  // Without panels the text fills the window above the input line.
  wxSize client = window->GetClientSize();
  wxRect text = window->main_display->GetRect();
  EXPECT_EQ(text.x, 0);
  EXPECT_EQ(text.y, 0);
  EXPECT_EQ(text.width, client.GetWidth());
  EXPECT_EQ(text.height, client.GetHeight() - vesk_config::get_input_height());
  EXPECT_GE(window->background.width(), client.GetWidth());
  EXPECT_EQ(window->background.width() % 256, 0) << "the background grows in steps of 256";

  // The left-bottom layout puts the logo and the address in the top-left corner.
  window->Refresh(false);
  window->Update();
  settle(200);
  ASSERT_GT(window->web_link.width, 0);
  EXPECT_EQ(window->web_link.x, 0);
  EXPECT_EQ(window->web_link.y, 0);

  wxMouseEvent click(wxEVT_LEFT_DOWN);
  click.SetPosition(wxPoint(window->web_link.x + window->web_link.width / 2, window->web_link.y + 5));
  click.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(click);
  for (int i = 0; i < 100 && !display_shows(window->main_display, "Opening the main Quorveth web page"); i++)
    settle(50);
  EXPECT_EQ(slurp(record), "http://www.quorveth.net/?qv\n");
  EXPECT_TRUE(display_shows(window->main_display, "Opening the main Quorveth web page in your browser..."));
  // A click beside the address opens nothing.
  unlink(record.c_str());
  wxMouseEvent beside(wxEVT_LEFT_DOWN);
  beside.SetPosition(wxPoint(window->web_link.x + window->web_link.width + 50, window->web_link.y + 5));
  window->GetEventHandler()->ProcessEvent(beside);
  settle(300);
  EXPECT_EQ(access(record.c_str(), F_OK), -1);

  window->Destroy();
  settle(100);
  std::string rm = "rm -rf " + dir;
  EXPECT_EQ(system(rm.c_str()), 0);
}
