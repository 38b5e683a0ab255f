// The command input line: for now a single-line toolkit entry that hands each finished line to
// the main window; histories and the key table come with the full line editor.
#pragma once

#include <wx/textctrl.h>

class vesk_mw;

class vesk_line_edit : public wxTextCtrl {
public:
  vesk_line_edit(vesk_mw *owner, wxWindowID id, const wxString &name);

  void select_history(int index) { history_index = index; }
  void set_font(const wxFont &font) { SetFont(font); }

private:
  void on_enter(wxCommandEvent &event);

  vesk_mw *owner;
  int history_index = 0;
};
