// Start-up: configuration directory, log, TLS, random seed, pictures, fonts, command line, the
// main window. Only a missing configuration directory stops the program here.
#include "app/app.h"

#include "app/embedded_files.h"
#include "app/main_window.h"
#include "config/settings.h"
#include "drawing/themes.h"
#include "drawing/wx_font.h"
#include "net/tcp_socket.h"
#include "support/config_directory.h"
#include "support/fixed_text.h"
#include "support/log.h"
#include "support/random.h"
#include "support/words.h"
#include "text/ascii_transliteration.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <wx/display.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

vesk_bitmap *vesk_pictures[vesk_picture_count];
char vesk_launcher_version[257];
int vesk_gui_client = 0;
int vesk_screen_width = 640, vesk_screen_height = 480;

namespace {

const char *const picture_files[vesk_picture_count] = {
    "icon_empty_hand.png",      "icon_asleep.png", "icon_burning_hands.png", "icon_shocking_grasp.png",
    "icon_sickening_touch.png", "scroll_lock.png", "logo.png",
};

void load_pictures() {
  for (int i = 0; i < vesk_picture_count; i++) {
    const vesk_embedded_file *file = vesk_find_embedded_file(picture_files[i]);
    if (!file)
      continue;
    wxMemoryInputStream in(file->data, (size_t)file->size);
    wxImage image(in, wxBITMAP_TYPE_PNG);
    if (!image.IsOk())
      continue;
    int w = image.GetWidth(), h = image.GetHeight();
    vesk_bitmap *picture = new vesk_bitmap(w, h);
    const unsigned char *rgb = image.GetData();
    const unsigned char *alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        int k = y * w + x;
        picture->set_rgba(x, y, rgb[3 * k], rgb[3 * k + 1], rgb[3 * k + 2], alpha ? alpha[k] : 255);
      }
    vesk_pictures[i] = picture;
  }
}

// The toolkit's own messages go to the debug log, never to a dialog.
class log_to_debug_log : public wxLog {
protected:
  void DoLogTextAtLevel(wxLogLevel, const wxString &message) override {
    if (vesk_debug_level > 1)
      format_message("toolkit: %s\n", (const char *)message.utf8_str());
  }
};

void log_assertion(const wxString &file, int line, const wxString &, const wxString &cond, const wxString &msg) {
  if (vesk_debug_level > 1)
    format_message("toolkit assertion %s:%d: %s %s\n", (const char *)file.utf8_str(), line,
                   (const char *)cond.utf8_str(), (const char *)msg.utf8_str());
}

void read_command_line(int argc, wxChar **argv) {
  for (int i = 0; i < argc; i++) {
    vesk_fixed_text arg;
    to_ascii(std::wstring(argv[i]), arg);
    if (i == 0) {
      if (vesk_debug_level > 1)
        format_message("DEBUG - Command line executable name:  %s\n", arg.c_str());
    } else if (word_equal(arg.c_str(), "-l")) {
      if (vesk_debug_level > 1)
        format_message("DEBUG - Command line launcher flag:    %s\n", arg.c_str());
      if (i + 1 < argc) {
        vesk_fixed_text version;
        to_ascii(std::wstring(argv[++i]), version);
        if (vesk_debug_level > 1)
          format_message("DEBUG - Command line launcher version: %s\n", version.c_str());
        safe_strcpy(vesk_launcher_version, version.c_str(), 257);
      }
    } else if (word_equal(arg.c_str(), "-n")) {
      if (vesk_debug_level > 1)
        format_message("DEBUG - Command line old launcher:     %s\n", arg.c_str());
      safe_strcpy(vesk_launcher_version, "(old style launcher)", 257);
    } else if (vesk_debug_level > 1) {
      format_message("DEBUG - Unknown command line arg:      %s\n", arg.c_str());
    }
  }
}

} // namespace

bool vesk_app::OnInit() {
  if (!vesk_client_set_up_config_directory("Quorveth")) {
    std::printf("Boot failed, unable to get at system config directory.\n");
    std::fflush(stdout);
    std::exit(1);
  }
  vesk_debug_level = 3;
  vesk_gui_client = 1;
  vesk_fixed_text log_name(vesk_client_get_config_directory());
  log_name.append("/quorveth_log.txt");
  vesk_client_set_debug_logfile_name(log_name.c_str());
  if (vesk_debug_level > 1)
    format_message("--------------------------- BOOT START --------------------------\n");
  delete wxLog::SetActiveTarget(new log_to_debug_log);
  wxSetAssertHandler(log_assertion);

  std::signal(SIGPIPE, SIG_IGN);
  if (!init_ssl() && vesk_debug_level > 0)
    format_message("Boot failed, SSL startup is broken.\n");
  vesk_main_random.seed((uint32_t)std::time(nullptr));

  // Idle events only for windows that ask for them: the 20 ms tick would otherwise send one to
  // every window fifty times a second.
  wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED);
  wxImage::AddHandler(new wxPNGHandler);
  load_pictures();
  init_themes();
  vesk_create_program_fonts();
  load_system_config();
  read_command_line(argc, argv);
  apply_themes(vesk_config::get_current_background_theme(), vesk_config::get_current_theme());

  vesk_mw *frame = new vesk_mw("Quorveth", wxDefaultPosition, wxSize(984, 728));
  frame->Show(true);
  SetTopWindow(frame);

  int display = wxDisplay::GetFromWindow(frame);
  wxRect area = wxDisplay(display == wxNOT_FOUND ? 0 : (unsigned)display).GetClientArea();
  vesk_screen_width = area.GetWidth();
  vesk_screen_height = area.GetHeight();
  if (vesk_screen_width < 1) {
    if (vesk_debug_level > 0)
      format_message("Error in OnInit(), got bogus screen/display xsize of %d.  Setting to 640.\n", vesk_screen_width);
    vesk_screen_width = 640;
  }
  if (vesk_screen_height < 1) {
    if (vesk_debug_level > 0)
      format_message("Error in OnInit(), got bogus screen/display ysize of %d.  Setting to 480.\n", vesk_screen_height);
    vesk_screen_height = 480;
  }
  if (vesk_debug_level > 1)
    format_message("OnInit(), got screen/display size of %d, %d.\n", vesk_screen_width, vesk_screen_height);
  return true;
}

int vesk_app::OnExit() {
  if (vesk_debug_level > 1)
    format_message("--------------------------- PROGRAM EXIT --------------------------\n");
  return 0;
}
