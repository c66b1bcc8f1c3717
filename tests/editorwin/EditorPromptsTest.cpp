// The prompts: the text entry end to end with real typing, popup menus, the colour and file
// dialogs and the web prompt answered from a helper thread, and the two folder queries.
#include "tests/editorwin/EditorWinFixture.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "graphics/IPixelColor.h"
#include "graphics/IPopupMenu.h"
#include "plugin/IText.h"

namespace {

using Events = std::vector<std::string>;

std::string BoxText(HWND box) {
  char text[128] = {0};
  GetWindowTextA(box, text, sizeof text);
  return text;
}

// The texts of a dialog's static children: what a message box says.
std::string DialogText(HWND dialog) {
  std::string all;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32] = {0}, text[128] = {0};
    GetClassNameA(child, name, sizeof name);
    if (std::strcmp(name, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) all += text;
  }
  return all;
}

// Text entry ---------------------------------------------------------------------------------

TEST_F(EditorTest, TypedDigitsReachThePlugInAtTheTickAfterReturn) {
  MakeProductEditor();
  HWND hwnd = Open();
  StopTimer();
  // A click on the knob's value text opens the entry over it.
  ClickAt(280, 160);
  HWND box = canvas->GetTextEntry();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetParent(box), hwnd);
  EXPECT_EQ(GetDlgCtrlID(box), IEditorWindowWin::kTextEntryId);
  EXPECT_EQ(GetFocus(), box);
  EXPECT_EQ(BoxText(box), "0");
  EXPECT_EQ(GetWindowLongPtrA(box, GWL_STYLE) & 0xFFFF000F, (LONG_PTR)(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_CENTER));
  RECT place;
  GetWindowRect(box, &place);
  MapWindowPoints(HWND_DESKTOP, hwnd, (POINT*)&place, 2);
  const IPixelRect& text = panel.knob->GetTextArea();
  EXPECT_EQ(place.left, text.left);
  EXPECT_EQ(place.top, text.top);
  EXPECT_EQ(place.right - place.left, text.right - text.left + 1);
  EXPECT_EQ(place.bottom - place.top, text.bottom - text.top + 1);
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 7);
  EXPECT_EQ((HFONT)SendMessageA(box, WM_GETFONT, 0, 0), canvas->GetTextEntryFont());
  EXPECT_EQ(canvas->GetTextEntryControl(), panel.knob);
  EXPECT_EQ(canvas->GetTextEntryParam(), plug.GetParam(1));
  EXPECT_EQ(canvas->GetTextEntryState(), 0);

  // The whole text is selected: typing replaces it.
  plug.events.clear();
  TypeText("42");
  EXPECT_EQ(BoxText(box), "42");
  TapKey(VK_RETURN);
  Pump();
  EXPECT_EQ(canvas->GetTextEntryState(), 4);
  EXPECT_EQ(BoxText(box), "42") << "Return commits; it does not enter the text";
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 0.0);
  HFONT font = canvas->GetTextEntryFont();
  Tick();
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 42.0);
  EXPECT_EQ(plug.events, (Events{"automate 1"}));
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);
  EXPECT_EQ(canvas->GetTextEntryControl(), nullptr);
  EXPECT_EQ(canvas->GetTextEntryParam(), nullptr);
  EXPECT_EQ(canvas->GetTextEntryState(), 0);
}

TEST_F(EditorTest, TheEntryTakesOnlyWhatTheParametersKindCanRead) {
  MakeProbeEditor();
  IPlugParam gain;
  gain.DeclareNumber("Gain", 0.0, -20.0, 20.0, 0.1, "dB");
  Open();
  StopTimer();
  struct Case {
    IPlugParam* param;
    const char* typed;
    const char* shown;
  } cases[] = {
      {plug.GetParam(1), "\babc12+-x9", "12+-9"},  // an integer: digits and signs only
      {plug.GetParam(1), "\b123456789", "1234567"},  // at most 7 characters
      {&gain, "\b-12.5e", "-12.5"},                  // a floating one: the decimal point too
      {plug.GetParam(0), "\bon1", "1"},              // a boolean reads as an integer
      {nullptr, "\bab 1.", "ab 1."},                 // without a parameter, anything
  };
  for (const Case& k : cases) {
    canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 110, 50), "0", k.param);
    HWND box = canvas->GetTextEntry();
    ASSERT_NE(box, nullptr);
    TypeText(k.typed);
    PumpFor(20);
    EXPECT_EQ(BoxText(box), k.shown) << k.typed;
    canvas->CancelTextEntry();
    Tick();
    EXPECT_EQ(canvas->GetTextEntry(), nullptr);
  }
  EXPECT_EQ(plug.events.size(), 0u) << "cancelled entries send nothing";
}

TEST_F(EditorTest, CommittedTextIsReadByKindSignAndRange) {
  MakeProbeEditor();
  IPlugParam gain;
  gain.DeclareNumber("Gain", 0.0, -20.0, 20.0, 0.1, "dB");
  Open();
  StopTimer();
  auto commit = [&](IPlugParam* param, const char* text) {
    canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 110, 50), text, param);
    SendMessageA(canvas->GetTextEntry(), WM_COMMAND, IDOK, 0);  // the box's command notification
    EXPECT_EQ(canvas->GetTextEntryState(), 4);
    Tick();
  };
  commit(&gain, "-12.5");
  EXPECT_EQ(a->GetValue(), gain.NormalizeValue(-12.5));
  gain.SetNegatedDisplay(true);
  commit(&gain, "7");
  EXPECT_EQ(a->GetValue(), gain.NormalizeValue(-7.0));
  // Text that is no number commits 0; text longer than the box holds is read to 31 characters.
  commit(plug.GetParam(1), "x");
  EXPECT_EQ(a->GetValue(), 0.0);
  commit(plug.GetParam(1), "1234567890123456789012345678901234567890");
  EXPECT_EQ(a->GetValue(), 1.0);
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 100.0);
}

TEST_F(EditorTest, WhileTheEntryIsOpenTheEditedControlIsLeftUnpaintedOnEveryOtherTick) {
  MakeProbeEditor();
  Open();
  StopTimer();
  Tick();
  const WindowPixels before = Shot();
  const IPixelRect boxArea(30, 30, 80, 50);
  canvas->OpenTextEntry(a, a->GetTextStyle(), boxArea, "5", plug.GetParam(1));
  a->colour = 0xFFFFFF;
  b->colour = 0xFFFF00;
  a->alwaysDirty = true;
  b->alwaysDirty = true;
  const int renders = b->renders;
  int states[4];
  for (int& s : states) {
    Tick();
    s = canvas->GetTextEntryState();
  }
  EXPECT_EQ(states[0], 2);
  EXPECT_EQ(states[1], 0);
  EXPECT_EQ(states[2], 2);
  EXPECT_EQ(states[3], 0);
  EXPECT_EQ(b->renders, renders + 2);
  const WindowPixels shot = Shot();
  EXPECT_EQ(FirstPixelNot(shot, b->GetBounds(), 0xFFFF00), "");
  // The box sits on a: a's bounds keep what was there before, around the box.
  const IPixelRect boxOnScreen(boxArea.left, boxArea.top, boxArea.right + 1, boxArea.bottom + 1);
  EXPECT_EQ(FirstDifference(shot, before, a->GetBounds(), boxOnScreen), "");

  // A click elsewhere in the panel closes the box at once, nothing committed, and the
  // whole panel is painted again.
  a->alwaysDirty = b->alwaysDirty = false;
  ClickAt(250, 150);
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);
  EXPECT_EQ(FirstPixelNot(Shot(), a->GetBounds(), 0xFFFFFF), "");
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(log.back(), "bg:release 250,150 -");
}

TEST_F(EditorTest, FocusLostTheWheelOrACancelRequestCloseTheEntryUncommitted) {
  MakeProbeEditor();
  HWND hwnd = Open();
  StopTimer();
  auto open = [&] {
    canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "5", plug.GetParam(1));
    TypeText("9");
  };
  open();
  SetFocus(host->frame);  // elsewhere in the host
  EXPECT_EQ(canvas->GetTextEntryState(), 3);
  Tick();
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);

  open();
  PostMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  Pump();
  EXPECT_EQ(canvas->GetTextEntryState(), 3);
  Tick();
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);

  open();
  canvas->CancelTextEntry();
  Tick();
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);
  EXPECT_EQ(plug.GetParam(1)->GetValue(), 0.0);
  EXPECT_EQ(plug.events.size(), 0u);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "a:wheel -1 at 30,30") == log.end());
}

TEST_F(EditorTest, WithFocusGivenBackToTheEntryThePanelWaitsAndAClickOnlyAsksItToClose) {
  MakeProbeEditor();
  Open();
  StopTimer();
  canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "5", plug.GetParam(1));
  SendMessageA(canvas->GetTextEntry(), WM_SETFOCUS, 0, 0);
  EXPECT_EQ(canvas->GetTextEntryState(), 1);
  b->MarkDirty(false);
  const int renders = b->renders;
  Tick();
  EXPECT_EQ(b->renders, renders) << "no redraw in state 1";
  EXPECT_EQ(canvas->GetTextEntryState(), 1);
  log.clear();
  ClickAt(250, 150);
  EXPECT_TRUE(log.empty()) << "the click reaches no control";
  EXPECT_EQ(canvas->GetTextEntryState(), 3);
  EXPECT_NE(canvas->GetTextEntry(), nullptr);
  Tick();
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);
}

TEST_F(EditorTest, ASecondEntryAnEntryWithoutControlOrWindowAndAnUnknownFaceAreHandled) {
  MakeProbeEditor();
  canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "5", plug.GetParam(1));
  EXPECT_EQ(canvas->GetTextEntry(), nullptr) << "no window";
  Open();
  StopTimer();
  canvas->OpenTextEntry(nullptr, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "5", plug.GetParam(1));
  EXPECT_EQ(canvas->GetTextEntry(), nullptr) << "no control";

  ITextStyle style("No Such Face At All", 14, IPixelColor(), TextStyleBold, TextAlignRight);
  canvas->OpenTextEntry(a, style, IPixelRect(30, 30, 80, 50), nullptr, plug.GetParam(1));
  HWND box = canvas->GetTextEntry();
  ASSERT_NE(box, nullptr);
  EXPECT_NE(canvas->GetTextEntryFont(), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(box, GWL_STYLE) & ES_RIGHT, ES_RIGHT);
  EXPECT_EQ(BoxText(box), "");
  LOGFONTA font;
  GetObjectA(canvas->GetTextEntryFont(), sizeof font, &font);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(font.lfHeight, 14);

  canvas->OpenTextEntry(b, b->GetTextStyle(), IPixelRect(210, 30, 280, 50), "7", nullptr);
  EXPECT_EQ(canvas->GetTextEntry(), box);
  EXPECT_EQ(canvas->GetTextEntryControl(), a);
  EXPECT_EQ(CountChildWindows(Window(), "Edit"), 1);
  // Return is among the keys the box asks for only without a parameter.
  MSG msg = {};
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_RETURN;
  const LRESULT withParam = SendMessageA(box, WM_GETDLGCODE, VK_RETURN, (LPARAM)&msg);
  canvas->CancelTextEntry();
  Tick();
  canvas->OpenTextEntry(b, b->GetTextStyle(), IPixelRect(210, 30, 280, 50), "7", nullptr);
  const LRESULT without = SendMessageA(canvas->GetTextEntry(), WM_GETDLGCODE, VK_RETURN, (LPARAM)&msg);
  EXPECT_EQ(without & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
  EXPECT_EQ(without & ~(LRESULT)DLGC_WANTALLKEYS, withParam & ~(LRESULT)DLGC_WANTALLKEYS);
}

// Popup menus --------------------------------------------------------------------------------

struct MenuSeen {
  std::vector<std::string> texts;
  std::vector<UINT> states;
  POINT anchor = {};
};

// Reads the open menu, then posts keys to its owner, which the menu's loop takes.
std::function<void(HWND)> AnswerMenu(MenuSeen* seen, HWND owner, std::vector<WPARAM> keys) {
  return [seen, owner, keys](HWND menuWindow) {
    HMENU menu = (HMENU)SendMessageA(menuWindow, MN_GETHMENU, 0, 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[64] = {0};
      GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
      seen->texts.push_back(text);
      seen->states.push_back(GetMenuState(menu, (UINT)i, MF_BYPOSITION));
    }
    RECT r;
    GetWindowRect(menuWindow, &r);
    seen->anchor = {r.left, r.top};
    for (WPARAM key : keys) {
      PostMessageA(owner, WM_KEYDOWN, key, 0);
      Sleep(30);
    }
  };
}

TEST_F(EditorTest, APopupMenuShowsItsItemsNumberedAndFlaggedAndReturnsTheChoice) {
  MakeProbeEditor();
  HWND hwnd = Open();
  IPopupMenu menu(IPopupMenu::kPrefixTwoDigits);
  menu.AddItem("first");
  menu.AddSeparator();
  menu.AddItem("third", -1, IPopupMenuItem::kChecked);
  menu.AddItem("fourth", -1, IPopupMenuItem::kGreyed);
  menu.AddItem("fifth");
  IPopupMenuItem* nested = menu.AddItem("sub");
  IPopupMenu inner;
  nested->submenu = &inner;  // not shown
  canvas->MousePressed(40, 40, IMouseKeys());
  MenuSeen seen;
  IPopupMenu* chosen;
  {
    WindowAnswerer answer("#32768", nullptr, AnswerMenu(&seen, hwnd, {VK_DOWN, VK_DOWN, VK_RETURN}));
    chosen = canvas->ShowPopupMenu(&menu, IPixelRect(100, 50, 200, 70));
    EXPECT_TRUE(answer.Found());
  }
  EXPECT_EQ(seen.texts, (std::vector<std::string>{"01: first", "", "03: third", "04: fourth", "05: fifth"}));
  ASSERT_EQ(seen.states.size(), 5u);
  EXPECT_TRUE(seen.states[1] & MF_SEPARATOR);
  EXPECT_TRUE(seen.states[2] & MF_CHECKED);
  EXPECT_TRUE(seen.states[3] & MF_GRAYED);
  EXPECT_EQ(seen.states[4] & (MF_GRAYED | MF_CHECKED | MF_DISABLED), 0u);
  POINT anchor = {100, 70};
  ClientToScreen(hwnd, &anchor);
  EXPECT_EQ(seen.anchor.x, anchor.x);
  EXPECT_EQ(seen.anchor.y, anchor.y);
  // Down, down: past the separator to "03: third".
  EXPECT_EQ(chosen, &menu);
  EXPECT_EQ(menu.chosenIndex, 2);
  EXPECT_EQ(canvas->GetCaptureIndex(), -1);
  EXPECT_EQ(canvas->GetLastMouseX(), -1);
}

TEST_F(EditorTest, ADismissedOrEmptyMenuReturnsNothing) {
  MakeProbeEditor();
  HWND hwnd = Open();
  IPopupMenu menu;
  EXPECT_EQ(canvas->ShowPopupMenu(&menu, IPixelRect(10, 10, 20, 20)), nullptr);
  menu.AddItem("only");
  for (UINT dismiss : {0u, 1u}) {
    MenuSeen seen;
    auto act = dismiss ? AnswerMenu(&seen, hwnd, {VK_ESCAPE, VK_ESCAPE})
                       : std::function<void(HWND)>([hwnd](HWND) { PostMessageA(hwnd, WM_CANCELMODE, 0, 0); });
    WindowAnswerer answer("#32768", nullptr, act);
    EXPECT_EQ(canvas->ShowPopupMenu(&menu, IPixelRect(10, 10, 20, 20)), nullptr);
    EXPECT_EQ(menu.chosenIndex, -1);
  }
  canvas->CloseWindow();
  EXPECT_EQ(canvas->ShowPopupMenu(&menu, IPixelRect(10, 10, 20, 20)), nullptr);
}

TEST_F(EditorTest, ARightClickOnABooleansControlOffersItsValueTextsAndSetsTheChosenOne) {
  MakeProbeEditor();
  c->SetPromptDisabled(false);  // "Power": a boolean with the texts "off" and "on"

  HWND hwnd = Open();
  MenuSeen seen;
  {
    WindowAnswerer answer("#32768", nullptr, AnswerMenu(&seen, hwnd, {VK_DOWN, VK_RETURN}));
    MoveMouseToClient(hwnd, 40, 150);
    SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return answer.Found() && !plug.events.empty(); }, 8000));
  }
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  PumpFor(50);
  EXPECT_EQ(seen.texts, (std::vector<std::string>{"off", "on"}));
  ASSERT_EQ(seen.states.size(), 2u);
  EXPECT_TRUE(seen.states[1] & MF_CHECKED);
  EXPECT_EQ(c->GetValue(), 0.0);
  EXPECT_EQ(plug.GetParam(0)->GetValue(), 0.0);
  EXPECT_EQ(plug.events, (Events{"automate 0", "begin 0", "end 0"}));
}

// Dialogs ------------------------------------------------------------------------------------

TEST_F(EditorTest, TheColourDialogIsTitledStartsAtTheColourAndKeepsItsCustomColours) {
  MakeProbeEditor();
  IPixelColor colour(77, 10, 200, 30);
  EXPECT_FALSE(canvas->PromptForColour(&colour, "Pick")) << "no window";
  Open();
  bool started = false;
  {
    WindowAnswerer answer("#32770", "Pick a colour", [](HWND dialog) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(canvas->PromptForColour(&colour, "Pick a colour"));
    started = answer.Found();
  }
  EXPECT_TRUE(started) << "the hook titled the dialog";
  const IEditorWindowWin::ColourRef* custom = canvas->GetCustomColours();
  ASSERT_NE(custom, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(custom[i], 0u);

  {
    WindowAnswerer answer("#32770", nullptr, [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
    EXPECT_TRUE(canvas->PromptForColour(&colour, nullptr));
  }
  EXPECT_EQ(colour.alpha, 77);
  EXPECT_EQ(colour.red, 10);
  EXPECT_EQ(colour.green, 200);
  EXPECT_EQ(colour.blue, 30);
  EXPECT_EQ(canvas->GetCustomColours(), custom);
}

TEST_F(EditorTest, TheFileDialogsStartOnTheDesktopAndReturnTheChosenFile) {
  MakeProbeEditor();
  IText out("initial.txt"), directory;
  canvas->PromptForFile(&out, 0, &directory, "txt wav");
  EXPECT_STREQ(out.Get(), "") << "no window";
  Open();

  out.Set("initial.txt");
  std::string filter;
  {
    WindowAnswerer answer("#32770", nullptr, [&filter](HWND dialog) {
      char text[128] = {0};
      GetDlgItemTextA(dialog, cmb1, text, sizeof text);
      filter = text;
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    canvas->PromptForFile(&out, 1, &directory, "txt  wav");
  }
  EXPECT_STREQ(out.Get(), "initial.txt");
  char desktop[MAX_PATH] = {0};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
  EXPECT_STREQ(directory.Get(), desktop);
  EXPECT_EQ(filter, "*.txt;*.wav");

  // An existing file, typed into the open dialog.
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string file = std::string(folder) + "voss_editor_prompt.txt";
  std::ofstream(file) << "x";
  out.Set("");
  directory.Set(folder);
  {
    WindowAnswerer answer("#32770", nullptr, [&file](HWND dialog) {
      SetDlgItemTextA(dialog, cmb13, file.c_str());
      SetDlgItemTextA(dialog, edt1, file.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    canvas->PromptForFile(&out, 0, &directory, "txt");
  }
  EXPECT_STREQ(out.Get(), file.c_str());
  EXPECT_STREQ(directory.Get(), folder);
  DeleteFileA(file.c_str());
}

TEST_F(EditorTest, AWebAddressDeclinedAtItsConfirmationIsNotOpened) {
  MakeProbeEditor();
  Open();
  std::string asked;
  {
    WindowAnswerer answer("#32770", "Quenmoor", [&asked](HWND box) {
      asked = DialogText(box);
      PostMessageA(box, WM_COMMAND, IDNO, 0);
    });
    EXPECT_FALSE(canvas->OpenUrl("https://example.invalid/", "Quenmoor", "Open the manual?", "Could not open"));
  }
  EXPECT_EQ(asked, "Open the manual?");

  // What cannot be opened shows the error text.
  std::string error;
  {
    WindowAnswerer answer("#32770", "Quenmoor", [&error](HWND box) {
      error = DialogText(box);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(canvas->OpenUrl("Z:\\no\\such\\file.voss", "Quenmoor", nullptr, "Could not open"));
  }
  EXPECT_EQ(error, "Could not open");
  EXPECT_FALSE(canvas->OpenUrl(nullptr, "Quenmoor", nullptr, nullptr));
}

TEST_F(EditorTest, TheFoldersOfTheHostAndThePlugInEndInABackslash) {
  MakeProbeEditor();
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder(program);
  folder.erase(folder.rfind('\\') + 1);
  IText out("stale");
  canvas->GetPluginPath(&out);
  EXPECT_EQ(out.Get(), folder);  // the test program holds the code here
  out.Set("stale");
  canvas->GetHostPath(&out);
  EXPECT_EQ(out.Get(), folder);
  canvas->SetModuleHandle((HINSTANCE)(intptr_t)0x1230);  // no module there
  canvas->GetPluginPath(&out);
  EXPECT_STREQ(out.Get(), "");
}

}  // namespace
