// The editor window's life: the class and the child window, reopening, closing in every way
// a host can, resizing with the host's frame, resources, and what 200 openings leave behind.
#include <cstdio>

#include "raster/RasterSysBitmap.h"
#include "tests/editorwin/EditorWinFixture.h"

namespace {

const char kClass[] = "IPlugWndClass";

RECT ClientPlace(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), (POINT*)&r, 2);
  return r;
}

TEST_F(EditorTest, OpensAVisibleChildOfTheHostWithTheTabledClass) {
  MakeProbeEditor();
  HWND hwnd = Open();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(canvas->GetWindow(), hwnd);
  EXPECT_TRUE(canvas->IsWindowOpen());
  EXPECT_EQ(canvas->GetParentWindow(), host->Parent());
  EXPECT_EQ(GetParent(hwnd), host->Parent());

  char text[64];
  GetClassNameA(hwnd, text, sizeof text);
  EXPECT_STREQ(text, kClass);
  GetWindowTextA(hwnd, text, sizeof text);
  EXPECT_STREQ(text, "IPlug");
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & ~(LONG_PTR)WS_CLIPSIBLINGS, (LONG_PTR)(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE), 0);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), (LONG_PTR)canvas);
  const RECT place = ClientPlace(hwnd);
  EXPECT_EQ(place.left, 0);
  EXPECT_EQ(place.top, 0);
  EXPECT_EQ(place.right, kWidth);
  EXPECT_EQ(place.bottom, kHeight);
  EXPECT_EQ(GetFocus(), hwnd);

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(canvas->GetModule(), kClass, &wc));
  EXPECT_EQ(wc.style, (UINT)CS_DBLCLKS);
  EXPECT_EQ(wc.hCursor, LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, nullptr);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_EQ(wc.cbClsExtra, 0);

  // Opening marks every control dirty, so the first tick draws the whole panel.
  StopTimer();
  log.clear();
  Tick();
  EXPECT_EQ(background->renders, 1);
  EXPECT_EQ(a->renders, 1);
  EXPECT_EQ(b->renders, 1);
}

TEST_F(EditorTest, TheTimerRunsAtTheFrameRatesShareOfASecond) {
  EXPECT_EQ(IEditorWindowWin::TimerPeriod(25), 40u);
  EXPECT_EQ(IEditorWindowWin::TimerPeriod(30), 33u);
  MakeProbeEditor(30);
  Open();
  EXPECT_EQ(IEditorWindowWin::GetTimerFrameRate(), 30.0);
  // The real timer draws the panel without any help.
  EXPECT_TRUE(PumpUntil([&] { return a->renders > 0; }));
  canvas->CloseWindow();

  TestPlug* other = new TestPlug();
  morePlugs.push_back(other);
  IEditorWindowWin* second = new IEditorWindowWin(other, 100, 100, 0);
  other->AttachEditor(second);
  second->OpenWindow(host->Parent());
  EXPECT_EQ(IEditorWindowWin::GetTimerFrameRate(), 25.0);
}

TEST_F(EditorTest, TheClassIsRegisteredWhileAnyEditorIsOpen) {
  MakeProbeEditor();
  TestPlug* other = new TestPlug();
  morePlugs.push_back(other);
  IEditorWindowWin* second = new IEditorWindowWin(other, 100, 100, 0);
  other->AttachEditor(second);
  const HINSTANCE module = canvas->GetModule();
  EXPECT_FALSE(IsClassRegistered(module, kClass));

  Open();
  ASSERT_NE(second->OpenWindow(host->Parent()), nullptr);
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 2);
  EXPECT_EQ(CountChildWindows(host->frame, kClass), 2);
  canvas->CloseWindow();
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 1);
  EXPECT_TRUE(IsClassRegistered(module, kClass));
  second->CloseWindow();
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  EXPECT_FALSE(IsClassRegistered(module, kClass));
  EXPECT_EQ(CountChildWindows(host->frame, kClass), 0);
}

TEST_F(EditorTest, OpeningAnOpenEditorRecreatesItWhereItWas) {
  MakeProbeEditor();
  HWND first = Open();
  // The host frame has a caption and borders: the place is kept in its client area.
  SetWindowPos(first, nullptr, 15, 25, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND second = (HWND)canvas->OpenWindow(host->Parent());
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 1);
  const RECT place = ClientPlace(second);
  EXPECT_EQ(place.left, 15);
  EXPECT_EQ(place.top, 25);
  EXPECT_EQ(place.right - place.left, 300);
  EXPECT_EQ(place.bottom - place.top, 200);

  // After a close the editor starts again at the corner with the panel's size.
  canvas->CloseWindow();
  const RECT fresh = ClientPlace(Open());
  EXPECT_EQ(fresh.left, 0);
  EXPECT_EQ(fresh.right, kWidth);
}

TEST_F(EditorTest, ANullParentOpensNothingAndClosingNothingIsHarmless) {
  MakeProbeEditor();
  EXPECT_EQ(canvas->OpenWindow(nullptr), nullptr);
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  EXPECT_FALSE(IsClassRegistered(canvas->GetModule(), kClass));
  EXPECT_FALSE(canvas->IsWindowOpen());
  canvas->CloseWindow();
  canvas->CloseWindow();
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  // And the editor still opens afterwards.
  EXPECT_NE(Open(), nullptr);
}

TEST_F(EditorTest, ACloseRequestClosesTheEditorEvenWithATextEntryOpen) {
  MakeProbeEditor();
  for (int withEntryFocused = 0; withEntryFocused < 2; ++withEntryFocused) {
    HWND hwnd = Open();
    canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "12", plug.GetParam(1));
    HWND box = canvas->GetTextEntry();
    HFONT font = canvas->GetTextEntryFont();
    ASSERT_NE(box, nullptr);
    // Focus given back to the box: the state in which the panel ignores almost everything.
    if (withEntryFocused) SendMessageA(box, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(canvas->GetTextEntryState(), withEntryFocused ? 1 : 0);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(GetObjectType(font), 0u) << "the entry's font is released";
    EXPECT_EQ(canvas->GetWindow(), nullptr);
    EXPECT_EQ(canvas->GetTextEntry(), nullptr);
    EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
    EXPECT_FALSE(IsClassRegistered(canvas->GetModule(), kClass));
  }
}

TEST_F(EditorTest, DestroyingTheHostsWindowTakesTheEditorAndItsTextEntryAlong) {
  MakeProbeEditor();
  HWND hwnd = Open();
  canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "12", plug.GetParam(1));
  HFONT font = canvas->GetTextEntryFont();
  DestroyWindow(host->frame);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(canvas->GetWindow(), nullptr);
  EXPECT_EQ(canvas->GetTextEntry(), nullptr);
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  // The host's close that follows finds nothing open and lets the class go.
  canvas->CloseWindow();
  EXPECT_FALSE(IsClassRegistered(canvas->GetModule(), kClass));
  // And the editor opens again in a new host window.
  host.reset(new TestHostWindow());
  EXPECT_NE(Open(), nullptr);
}

TEST_F(EditorTest, DeletingThePlugInWithTheEditorOpenClosesIt) {
  TestPlug* owner = new TestPlug();
  owner->DeclareProductParams();
  IEditorWindowWin* editor = new IEditorWindowWin(owner, kWidth, kHeight, 0);
  editor->AttachControl(new ProbeControl(owner, IPixelRect(0, 0, 50, 50), -1, 0, nullptr, "p"));
  owner->AttachEditor(editor);
  HWND hwnd = (HWND)editor->OpenWindow(host->Parent());
  ASSERT_NE(hwnd, nullptr);
  delete owner;
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CountChildWindows(host->frame, kClass), 0);
}

TEST_F(EditorTest, AnEditorClosedFromAnotherThreadIsLetGoAndDestroyedByItsOwn) {
  MakeProbeEditor();
  HWND hwnd = Open();
  std::thread([this] { canvas->CloseWindow(); }).join();
  EXPECT_EQ(canvas->GetWindow(), nullptr);
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  // Cut loose: its messages no longer reach the canvas, and its own thread destroys it.
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
  canvas->CloseWindow();  // the class goes once the window has
}

TEST_F(EditorTest, MessagesForOtherWindowsOfTheClassGoToTheDefaultProcedure) {
  MakeProbeEditor();
  Open();
  // One without an editor and one claiming this editor while it has its own window.
  HWND orphan = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host->Parent(), nullptr,
                                canvas->GetModule(), nullptr);
  HWND stranger = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, host->Parent(), nullptr,
                                  canvas->GetModule(), canvas);
  ASSERT_NE(orphan, nullptr);
  ASSERT_NE(stranger, nullptr);
  for (HWND hwnd : {orphan, stranger}) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    SendMessageA(hwnd, WM_TIMER, IEditorWindowWin::kTimerId, 0);
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(30, 30));
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
  }
  EXPECT_TRUE(log.empty()) << log.front();
  EXPECT_EQ(plug.events.size(), 0u);
  EXPECT_TRUE(canvas->IsWindowOpen());
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 1);
  if (IsWindow(orphan)) DestroyWindow(orphan);
  if (IsWindow(stranger)) DestroyWindow(stranger);
}

class EditorInFrameTest : public EditorTest {
 protected:
  EditorInFrameTest() { withContainer = true; }
};

TEST_F(EditorInFrameTest, ResizeGrowsTheEditorItsFrameAndTheFramesWindow) {
  MakeProbeEditor();
  HWND hwnd = Open();
  RECT before[3], after[3];
  HWND windows[3] = {hwnd, host->container, host->frame};
  for (int i = 0; i < 3; ++i) GetWindowRect(windows[i], &before[i]);
  canvas->Resize(kWidth + 10, kHeight + 20);
  for (int i = 0; i < 3; ++i) {
    GetWindowRect(windows[i], &after[i]);
    EXPECT_EQ(after[i].left, before[i].left) << i;
    EXPECT_EQ(after[i].top, before[i].top) << i;
    EXPECT_EQ(after[i].right - after[i].left, before[i].right - before[i].left + 10) << i;
    EXPECT_EQ(after[i].bottom - after[i].top, before[i].bottom - before[i].top + 20) << i;
  }
  EXPECT_EQ(canvas->GetWidth(), kWidth + 10);
  EXPECT_EQ(canvas->GetBackBuffer()->GetWidth(), kWidth + 10);
  EXPECT_EQ(canvas->GetBackBuffer()->GetHeight(), kHeight + 20);
  EXPECT_EQ(canvas->GetCaptureIndex(), -1);
  canvas->Resize(kWidth, kHeight);
  GetWindowRect(hwnd, &after[0]);
  EXPECT_EQ(after[0].right - after[0].left, kWidth);
}

TEST_F(EditorTest, ImageResourcesLoadFromTheModuleOnlyUnderAPngName) {
  MakeProbeEditor();
  for (const char* name : {"knob.png", "resources/img/KNOB.Png"}) {
    RasterBitmap* image = canvas->LoadBitmapResource(101, name);
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(image->GetHeight(), 12524);
    delete image;
  }
  for (const char* name : {"knob.bmp", "knob", "png", "knob.png.gz"})
    EXPECT_EQ(canvas->LoadBitmapResource(101, name), nullptr) << name;
  EXPECT_EQ(canvas->LoadBitmapResource(999, "missing.png"), nullptr);
}

TEST_F(EditorTest, TwoHundredOpeningsLeaveNoWindowClassFontOrHandleBehind) {
  MakeProbeEditor();
  // One opening first, so that what the system sets up once is not counted.
  Open();
  canvas->CloseWindow();
  Pump();
  const long handles = ProcessHandleCount();
  const DWORD gdi = GdiObjectCount();
  const int windows = CountThreadWindows();
  std::vector<HFONT> fonts;
  for (int i = 0; i < 200; ++i) {
    HWND hwnd = Open();
    ASSERT_NE(hwnd, nullptr) << "opening " << i;
    Tick();
    if (i % 4 == 0) {
      canvas->OpenTextEntry(a, a->GetTextStyle(), IPixelRect(30, 30, 80, 50), "5", plug.GetParam(1));
      fonts.push_back(canvas->GetTextEntryFont());
      Tick();
    }
    if (i % 2) canvas->OpenWindow(host->Parent());  // reopened while open
    canvas->CloseWindow();
    if (i % 10 == 0) Pump();
  }
  Pump();
  const long handlesAfter = ProcessHandleCount();
  const DWORD gdiAfter = GdiObjectCount();
  const int windowsAfter = CountThreadWindows();
  std::printf("200 openings: process handles %ld -> %ld, GDI objects %lu -> %lu (0: not reported), "
              "windows of the thread %d -> %d, fonts made and released %zu\n",
              handles, handlesAfter, (unsigned long)gdi, (unsigned long)gdiAfter, windows, windowsAfter,
              fonts.size());
  EXPECT_EQ(CountChildWindows(host->frame, kClass), 0);
  EXPECT_EQ(CountChildWindows(host->frame, "Edit"), 0);
  EXPECT_EQ(IEditorWindowWin::GetOpenWindowCount(), 0);
  EXPECT_FALSE(IsClassRegistered(canvas->GetModule(), kClass));
  for (HFONT font : fonts) EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_GT(handles, 0);
  EXPECT_LE(handlesAfter, handles + 2);
  EXPECT_LE(gdiAfter, gdi + 2);
  EXPECT_EQ(windowsAfter, windows);
}

}  // namespace
