// The input line as a real toolkit window: key events through its handlers (Enter, history,
// push-through, secret mode, walking, the Ctrl keys, scrolling), the primary selection, the
// wheel, its framed container, and real key strokes through the X server.
#include "input/line_edit.h"

#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

// The main window provides this; these tests have none, so focus stays where it is.
int transfer_focus_main(wxWindow *) { return 0; }

namespace {

enum { C = 1, S = 2, A = 4 };

struct sent_command {
  std::string text;
  int echo;
};

// A host that records what the line asks of it.
struct fake_host : vesk_line_edit_host {
  std::vector<sent_command> commands;
  std::vector<std::string> lines;
  std::vector<std::string> calls;
  std::map<std::string, int> settings;
  std::string local;
  int state = 0;
  int font_size = 8;
  bool with_channel = false;
  vesk_text_buffer main, channel;

  void send_command(const char *text, int echo) override { commands.push_back({text, echo}); }
  void send_line(const char *text) override { lines.push_back(text); }
  void reset_output_state() override { calls.push_back("reset_output_state"); }
  void show_local_text(const char *text) override { local += text; }
  vesk_text_buffer *main_display_text() override { return &main; }
  vesk_text_buffer *channel_display_text() override { return with_channel ? &channel : nullptr; }
  int host_connection_state() override { return state; }
  int get_setting(const char *name) override {
    auto it = settings.find(name);
    return it == settings.end() ? 0 : it->second;
  }
  void set_setting(const char *name, int value) override {
    settings[name] = value;
    calls.push_back(std::string("set ") + name + " " + std::to_string(value));
  }
  int main_font_size() override { return font_size; }
  void set_main_font_size(int size) override {
    font_size = size;
    calls.push_back("font " + std::to_string(size));
  }
  void relayout() override { calls.push_back("relayout"); }
  void toggle_popup_button(int n) override { calls.push_back("popup " + std::to_string(n)); }
  void automap_bigger() override { calls.push_back("automap bigger"); }
  void automap_smaller() override { calls.push_back("automap smaller"); }
};

// 100 lines in a scrollback that shows 10.
void fill(vesk_text_buffer &text) {
  int widths[256];
  for (int &w : widths)
    w = 6;
  text.set_metrics(widths, 10);
  text.on_size(300, 100);
  for (int i = 0; i < 100; i++)
    text.append(("line " + std::to_string(i) + "\n").c_str());
}

void settle() {
  for (int i = 0; i < 10; i++) {
    wxTheApp->Yield(true);
    wxMilliSleep(10);
  }
}

wxImage grab(wxWindow *window) {
  wxClientDC client(window);
  wxSize size = window->GetClientSize();
  wxBitmap copy(size.GetWidth(), size.GetHeight(), 24);
  wxMemoryDC memory(copy);
  memory.Blit(0, 0, size.GetWidth(), size.GetHeight(), &client, 0, 0);
  memory.SelectObject(wxNullBitmap);
  return copy.ConvertToImage();
}

class LineEdit : public testing::Test {
protected:
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "input test", wxPoint(0, 0), wxSize(420, 220));
    edit = new vesk_line_edit(frame, &host, wxID_ANY, "main input window");
    frame->Show();
    edit->SetSize(0, 120, 400, 48);
    fill(host.main);
    fill(host.channel);
    settle();
  }
  void TearDown() override {
    frame->Destroy();
    settle();
  }

  // One key press through the line's handlers; true when the line consumed it.
  bool press(int code, int mods = 0) {
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = code;
    event.m_controlDown = mods & C;
    event.m_shiftDown = mods & S;
    event.m_altDown = mods & A;
    event.SetEventObject(edit);
    event.SetId(edit->GetId());
    return edit->GetEventHandler()->ProcessEvent(event);
  }
  void release(int code) {
    wxKeyEvent event(wxEVT_KEY_UP);
    event.m_keyCode = code;
    event.SetEventObject(edit);
    edit->GetEventHandler()->ProcessEvent(event);
  }
  bool tap(int code, int mods = 0) {
    bool consumed = press(code, mods);
    release(code);
    return consumed;
  }
  // What typing leaves on the line: the text, the cursor at its end.
  void type(const std::wstring &text) {
    edit->Clear();
    edit->WriteText(wxString(text));
  }
  std::wstring line() const { return edit->GetValue().ToStdWstring(); }
  bool whole_selected() const {
    long from, to;
    edit->GetSelection(&from, &to);
    return to > 0 && from == 0 && to == edit->GetLastPosition();
  }
  void enter(const std::wstring &text) {
    type(text);
    tap(WXK_RETURN);
  }
  void wheel(int rotation) {
    wxMouseEvent event(wxEVT_MOUSEWHEEL);
    event.m_wheelRotation = rotation;
    event.m_wheelDelta = 120;
    event.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
    event.SetEventObject(edit);
    edit->GetEventHandler()->ProcessEvent(event);
  }

  fake_host host;
  wxFrame *frame = nullptr;
  vesk_line_edit *edit = nullptr;
};

TEST_F(LineEdit, EnterSendsTheAsciiLineWithEchoAndStoresWhatWasTyped) {
  host.main.lock();
  enter(L"say caf\u00e9 \u00c6sir");
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].text, "say cafe AEsir");
  EXPECT_EQ(host.commands[0].echo, 1);
  EXPECT_EQ(line(), L"");
  EXPECT_TRUE(host.main.is_following()) << "Enter brings the main display back to the end";

  // Keypad Enter does the same; an empty line is sent but not stored.
  type(L"");
  tap(WXK_NUMPAD_ENTER);
  ASSERT_EQ(host.commands.size(), 2u);
  EXPECT_EQ(host.commands[1].text, "");
  tap(WXK_UP);
  EXPECT_EQ(line(), L"say caf\u00e9 \u00c6sir") << "the history keeps the wide text";
}

TEST_F(LineEdit, LinesAreCutAt4999BytesAfterTransliteration) {
  // Each AE ligature becomes two bytes, so the cut falls inside the converted text.
  enter(std::wstring(3000, L'\u00c6'));
  ASSERT_EQ(host.commands.size(), 1u);
  std::string expected;
  for (int i = 0; i < 2500; i++)
    expected += "AE";
  expected.resize(4999);
  EXPECT_EQ(host.commands[0].text, expected);
}

TEST_F(LineEdit, UpAndDownBrowseTheHistoryAndMoveInsideAMultiLineEntry) {
  edit->select_history(2); // the playing history starts empty
  enter(L"one");
  enter(L"two");
  type(L"draft");
  const struct {
    int key;
    const wchar_t *shows;
  } steps[] = {
      {WXK_UP, L"two"},     {WXK_UP, L"one"},  {WXK_UP, L"one"},   {WXK_DOWN, L"two"},
      {WXK_DOWN, L"draft"}, {WXK_DOWN, L""},   {WXK_DOWN, L""},    {WXK_UP, L"draft"},
  };
  for (int n = 0; n < (int)(sizeof steps / sizeof steps[0]); n++) {
    EXPECT_TRUE(tap(steps[n].key));
    EXPECT_EQ(line(), steps[n].shows) << "step " << n;
  }

  type(L"ab\ncd\nef");
  edit->SetInsertionPoint(4);
  tap(WXK_UP);
  EXPECT_EQ(edit->GetInsertionPoint(), 2);
  tap(WXK_UP);
  EXPECT_EQ(edit->GetInsertionPoint(), 0);
  EXPECT_EQ(line(), L"ab\ncd\nef");
  tap(WXK_DOWN);
  EXPECT_EQ(edit->GetInsertionPoint(), 3);
  tap(WXK_DOWN);
  tap(WXK_DOWN);
  EXPECT_EQ(edit->GetInsertionPoint(), 8);
  EXPECT_EQ(line(), L"ab\ncd\nef");
  tap(WXK_UP);
  EXPECT_EQ(line(), L"two") << "at the end, Up browses again";
}

TEST_F(LineEdit, PushThroughKeepsTheSentLineSelected) {
  host.settings["cmd_pushthrough"] = 1;
  enter(L"look");
  EXPECT_EQ(line(), L"") << "not playing: the line clears";
  host.state = playing;
  enter(L"kill rat");
  EXPECT_EQ(line(), L"kill rat");
  EXPECT_TRUE(whole_selected());
  tap(WXK_RETURN);
  ASSERT_EQ(host.commands.size(), 3u);
  EXPECT_EQ(host.commands[2].text, "kill rat") << "Enter repeats the command";
  tap(WXK_UP);
  EXPECT_EQ(line(), L"look") << "Up skips the command still on the line";
  tap(WXK_DOWN);
  EXPECT_EQ(line(), L"kill rat");

  enter(L"kill rat");
  EXPECT_TRUE(press(WXK_HOME));
  EXPECT_FALSE(whole_selected());
  EXPECT_EQ(edit->GetInsertionPoint(), 0);
  EXPECT_EQ(line(), L"kill rat");
}

TEST_F(LineEdit, SecretModeHidesStoresNothingAndAlwaysClears) {
  host.state = playing;
  host.settings["cmd_pushthrough"] = 1;
  enter(L"look");
  edit->enter_secret_mode();
  EXPECT_TRUE(edit->secret_mode());
  EXPECT_EQ(edit->GetForegroundColour(), *wxBLACK);
  EXPECT_EQ(edit->GetBackgroundColour(), *wxBLACK);
  EXPECT_EQ(edit->GetDefaultStyle().GetTextColour(), *wxBLACK);
  edit->set_font(wxFont(wxFontInfo(10).Family(wxFONTFAMILY_MODERN)));
  EXPECT_EQ(edit->GetDefaultStyle().GetTextColour(), *wxBLACK) << "a font change keeps the line hidden";

  enter(L"hunter2");
  ASSERT_EQ(host.commands.size(), 2u);
  EXPECT_EQ(host.commands[1].text, "hunter2");
  EXPECT_EQ(host.commands[1].echo, 0) << "no local echo of a password";
  EXPECT_EQ(line(), L"") << "a password never stays on the line, push-through or not";
  EXPECT_EQ(edit->GetDefaultStyle().GetTextColour(), *wxBLACK) << "the next password is hidden too";

  type(L"hunt");
  tap(WXK_UP);
  EXPECT_EQ(line(), L"look") << "the password was not stored";
  tap(WXK_DOWN);
  EXPECT_EQ(line(), L"") << "nor the half-typed one";

  edit->leave_secret_mode();
  EXPECT_FALSE(edit->secret_mode());
  EXPECT_EQ(edit->GetForegroundColour(), wxColour(255, 255, 255));
  EXPECT_EQ(edit->GetDefaultStyle().GetTextColour(), wxColour(255, 255, 255));
  edit->list_history();
  EXPECT_EQ(host.local.find("hunt"), std::string::npos);
  EXPECT_NE(host.local.find("\n 1 - look"), std::string::npos);
  EXPECT_EQ(host.calls.front(), "reset_output_state");
}

TEST_F(LineEdit, KeypadWalkingSendsOnceWhileHeld) {
  EXPECT_FALSE(press(WXK_NUMPAD8)) << "walking off: the keypad types";
  release(WXK_NUMPAD8);
  host.settings["keypad_walking"] = 1;
  host.main.lock();
  for (int i = 0; i < 5; i++)
    EXPECT_TRUE(press(WXK_NUMPAD8));
  release(WXK_NUMPAD8);
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].text, "north");
  EXPECT_EQ(host.commands[0].echo, 1);
  EXPECT_TRUE(host.main.is_following());
  tap(WXK_NUMPAD_PAGEDOWN);
  tap(WXK_NUMPAD_ADD);
  ASSERT_EQ(host.commands.size(), 3u);
  EXPECT_EQ(host.commands[1].text, "southeast");
  EXPECT_EQ(host.commands[2].text, "up");
  EXPECT_FALSE(tap(WXK_NUMPAD8, S)) << "Shift leaves the key to the toolkit";
}

TEST_F(LineEdit, CtrlKeys) {
  host.state = playing;
  tap('P', C);
  EXPECT_EQ(host.settings["hpbar_enable"], 1);
  tap('3', C | S);
  EXPECT_EQ(host.settings["hpbar_enable"], 0) << "Ctrl+Shift+3 and Ctrl+P toggle the same bars";
  host.settings["group_status_display"] = 2;
  tap('2', C | S);
  EXPECT_EQ(host.settings["group_status_display"], 0);

  host.calls.clear();
  tap('=', C);
  tap('-', C | S);
  host.settings["input_height"] = 30;
  tap('[', C | S);
  tap(']', C);
  tap('1', C);
  tap('0', C);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"font 9", "relayout", "set channel_window_height 10", "relayout",
                                                  "set input_height 24", "relayout", "automap bigger", "popup 1",
                                                  "popup 10"}));

  type(L"half typed");
  tap('K', C);
  EXPECT_EQ(line(), L"");
  type(L"x");
  host.main.lock();
  tap('D', C);
  tap('\\', C);
  EXPECT_EQ(host.lines, (std::vector<std::string>{"\x03", "\x1a"}));
  EXPECT_EQ(line(), L"");
  EXPECT_TRUE(host.main.is_following());

  host.main.lock();
  EXPECT_TRUE(tap('S', C));
  EXPECT_FALSE(host.main.is_following()) << "Ctrl+S freezes the main display";
  tap('Q', C);
  EXPECT_TRUE(host.main.is_following());
  host.with_channel = true;
  host.channel.lock();
  tap('Q', C);
  EXPECT_TRUE(host.channel.is_following()) << "with the main display following, Ctrl+Q reaches the channel";
}

TEST_F(LineEdit, CtrlCCopiesTheSelectionOrBreaks) {
  type(L"get sword");
  edit->SetSelection(4, 9);
  EXPECT_TRUE(tap('C', C));
  long from, to;
  edit->GetSelection(&from, &to);
  EXPECT_EQ(from, to) << "the selection is removed";
  EXPECT_EQ(line(), L"get sword");

  // The copy went to the primary selection; Ctrl+V pastes it at the cursor.
  type(L"wield ");
  tap('V', C);
  EXPECT_EQ(line(), L"wield sword");

  host.main.set_selection(2, 0, 3, 4);
  ASSERT_TRUE(host.main.get_selection().active);
  tap('C', C);
  EXPECT_EQ(line(), L"");
  EXPECT_FALSE(host.main.get_selection().active);
  EXPECT_TRUE(host.lines.empty()) << "the first Ctrl+C only drops the display's selection";
  host.main.lock();
  tap('C', C);
  EXPECT_EQ(host.lines, std::vector<std::string>{"\x03"});
  EXPECT_TRUE(host.main.is_following());
}

TEST_F(LineEdit, FunctionKeysWhilePlaying) {
  EXPECT_FALSE(tap(WXK_F5)) << "offline the key goes to the toolkit";
  host.state = playing;
  host.main.lock();
  tap(WXK_F5);
  tap(WXK_F5, S);
  tap(WXK_F12, C | S);
  EXPECT_FALSE(tap(WXK_F5, A));
  ASSERT_EQ(host.commands.size(), 3u);
  EXPECT_EQ(host.commands[0].text, "f05");
  EXPECT_EQ(host.commands[0].echo, 0);
  EXPECT_EQ(host.commands[1].text, "sf05");
  EXPECT_EQ(host.commands[2].text, "cf12");
  EXPECT_TRUE(host.main.is_following());
}

TEST_F(LineEdit, ScrollingKeysAndEscape) {
  vesk_text_buffer &main = host.main;
  int end = main.get_scroll_position();
  tap(WXK_PAGEUP);
  EXPECT_FALSE(main.is_following());
  EXPECT_EQ(main.get_scroll_position(), end - 5);
  tap(WXK_UP, C);
  EXPECT_EQ(main.get_scroll_position(), end - 10);
  tap(WXK_CONTROL);
  EXPECT_FALSE(main.is_following()) << "a modifier on its own keeps the view";
  tap(WXK_DOWN, C);
  EXPECT_EQ(main.get_scroll_position(), end - 5);

  host.settings["locking_scrollback_enable"] = 1;
  EXPECT_FALSE(tap('A'));
  EXPECT_FALSE(main.is_following()) << "locked scrollback survives typing";
  host.settings["locking_scrollback_enable"] = 0;
  EXPECT_FALSE(tap('A'));
  EXPECT_TRUE(main.is_following()) << "typing returns to the end";

  tap(WXK_PAGEUP);
  tap(WXK_ESCAPE);
  EXPECT_TRUE(main.is_following());

  host.with_channel = true;
  host.channel.lock();
  type(L"text");
  main.set_selection(1, 0, 1, 3);
  host.channel.set_selection(1, 0, 1, 3);
  tap(WXK_ESCAPE);
  EXPECT_TRUE(host.channel.is_following());
  EXPECT_EQ(line(), L"text") << "the first Escape only brings the channel back";
  tap(WXK_ESCAPE);
  EXPECT_EQ(line(), L"");
  EXPECT_FALSE(main.get_selection().active);
  EXPECT_FALSE(host.channel.get_selection().active);
}

TEST_F(LineEdit, WheelScrollsTheMainDisplay) {
  vesk_text_buffer &main = host.main;
  int end = main.get_scroll_position();
  wheel(0);
  EXPECT_TRUE(main.is_following());
  wheel(120);
  wheel(120);
  EXPECT_FALSE(main.is_following());
  EXPECT_EQ(main.get_scroll_position(), end - 6);
  wheel(-120);
  EXPECT_EQ(main.get_scroll_position(), end - 3);
  wheel(60);
  EXPECT_EQ(main.get_scroll_position(), end - 3) << "half a step does not scroll the wrong way";
  wheel(60);
  EXPECT_EQ(main.get_scroll_position(), end - 6);
}

TEST_F(LineEdit, ContainerFramesTheControl) {
  vesk_input_container *box = edit->container();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetName(), "main input window");
  EXPECT_EQ(edit->GetParent(), box);
  EXPECT_EQ(box->GetParent(), frame);
  EXPECT_EQ(box->GetRect(), wxRect(0, 120, 400, 48)) << "placing the line edit places the block";
  EXPECT_EQ(edit->GetRect(), wxRect(2, 1, 396, 46));
  edit->set_geometry(10, -1, 300, 60);
  EXPECT_EQ(box->GetRect(), wxRect(10, 120, 300, 60));
  EXPECT_EQ(edit->GetRect(), wxRect(2, 1, 296, 58));
  EXPECT_EQ(edit->GetBestSize().GetHeight(), 48);

  box->refresh();
  settle();
  wxImage shown = grab(box);
  ASSERT_TRUE(shown.IsOk());
  EXPECT_EQ(shown.GetRed(0, 30), 255);
  EXPECT_EQ(shown.GetRed(1, 30), 128);
  EXPECT_EQ(shown.GetRed(299, 30), 255);
  EXPECT_EQ(shown.GetRed(298, 30), 255);

  edit->start_flash();
  EXPECT_TRUE(is_animating(box));
  for (int i = 0; i < 16 * 10; i++)
    run_animations(20);
  EXPECT_FALSE(is_animating(box)) << "the flash ends after 16 steps";

  // A bare "main" gets the suffix; a name that already ends with it is not doubled.
  vesk_line_edit *other = new vesk_line_edit(frame, &host, wxID_ANY, "main");
  EXPECT_EQ(other->container()->GetName(), "main input window");
}

// Real key strokes from the X server, when it offers the test extension: the same handlers see
// what GTK delivers, including the keys that fall through to the control.
TEST_F(LineEdit, RealKeyStrokes) {
  edit->SetFocus();
  wxUIActionSimulator keyboard;
  wxPoint centre = edit->ClientToScreen(wxPoint(20, 10));
  keyboard.MouseMove(centre);
  keyboard.MouseClick();
  settle();
  if (!keyboard.Text("look")) {
    GTEST_SKIP() << "no synthetic keyboard on this display";
  }
  settle();
  if (line() != L"look")
    GTEST_SKIP() << "key strokes do not reach the window on this display (got '" << edit->GetValue() << "')";
  keyboard.Char(WXK_RETURN, wxMOD_CONTROL);
  keyboard.Text("x");
  settle();
  EXPECT_EQ(line(), L"look\nx") << "Ctrl+Enter adds a line break";
  keyboard.Char(WXK_RETURN);
  settle();
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0].text, "look\nx");
  EXPECT_EQ(line(), L"");
  keyboard.Char(WXK_UP);
  settle();
  EXPECT_EQ(line(), L"look\nx");

  // What is typed shows white on black; in secret mode nothing of it can be seen.
  auto lit_pixels = [this]() {
    edit->Refresh();
    settle();
    wxImage shown = grab(edit);
    int lit = 0;
    for (int y = 0; y < shown.GetHeight(); y++)
      for (int x = 0; x < shown.GetWidth(); x++)
        lit += shown.GetRed(x, y) + shown.GetGreen(x, y) + shown.GetBlue(x, y) > 150;
    return lit;
  };
  keyboard.Char(WXK_ESCAPE);
  keyboard.Text("WWWW");
  settle();
  ASSERT_EQ(line(), L"WWWW");
  EXPECT_GT(lit_pixels(), 20);
  keyboard.Char(WXK_ESCAPE);
  edit->enter_secret_mode();
  keyboard.Text("WWWW");
  settle();
  ASSERT_EQ(line(), L"WWWW");
  EXPECT_EQ(lit_pixels(), 0);
  keyboard.Char(WXK_RETURN);
  settle();
  EXPECT_EQ(host.commands.back().text, "WWWW");
  EXPECT_EQ(host.commands.back().echo, 0);
}

} // namespace
