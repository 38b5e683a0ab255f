// Entry point of the GUI tests: starts the toolkit (a display is needed; the test command runs
// under Xvfb), keeps its log on stderr so no modal dialog can hang a run, then runs the tests.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {
// A failed toolkit assertion would open a dialog nobody can answer under Xvfb: fail loudly instead.
void abort_on_assert(const wxString &file, int line, const wxString &func, const wxString &cond, const wxString &msg) {
  fprintf(stderr, "toolkit assertion failed: %s:%d %s: %s %s\n", (const char *)file.utf8_str(), line,
          (const char *)func.utf8_str(), (const char *)cond.utf8_str(), (const char *)msg.utf8_str());
  abort();
}
} // namespace

int main(int argc, char **argv) {
  wxSetAssertHandler(abort_on_assert);
  testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    fprintf(stderr, "cannot start the toolkit (no display?)\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  wxLog::SetActiveTarget(new wxLogStderr);
  wxImage::AddHandler(new wxPNGHandler);
  int result = RUN_ALL_TESTS();
  wxEntryCleanup();
  return result;
}
