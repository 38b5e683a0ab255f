// Enter sends the typed line, transliterated to ASCII, through the main window.
#include "input/line_edit.h"

#include "app/main_window.h"
#include "support/fixed_text.h"
#include "text/ansi_display.h"
#include "text/ascii_transliteration.h"

vesk_line_edit::vesk_line_edit(vesk_mw *owner, wxWindowID id, const wxString &name)
    : wxTextCtrl(owner, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER | wxBORDER_NONE,
                 wxDefaultValidator, name),
      owner(owner) {
  SetBackgroundColour(*wxBLACK);
  SetForegroundColour(*wxWHITE);
  Bind(wxEVT_TEXT_ENTER, &vesk_line_edit::on_enter, this);
}

void vesk_line_edit::on_enter(wxCommandEvent &) {
  vesk_fixed_text line;
  to_ascii(GetValue().ToStdWstring(), line);
  Clear();
  owner->main_display->text.follow_if_not();
  owner->send_command(line.c_str(), 1);
}
