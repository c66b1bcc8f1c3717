// The Linux editor through the VST2 host harness: a plug-in module with the test panel,
// opened in a host window, idled through effEditIdle, closed by effEditClose or by effClose
// with the editor still open, and hosts that destroy the parent first.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "tests/editorx11/TestPanel.h"
#include "tests/editorx11/X11TestSupport.h"
#include "tests/host/VstTestHost.h"

namespace
{
typedef int (*SnapshotProc)(AEffect*, uint32_t*, int);

class EditorX11ModuleTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    x = XOpenDisplay(TestDisplayName().c_str());
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(file.Open(VOSS_EDITORX11_FIXTURE));
    snapshot = reinterpret_cast<SnapshotProc>(Symbol("EditorX11TestSnapshot"));
    ASSERT_NE(snapshot, nullptr);
  }
  void TearDown() override
  {
    idle.reset();
    for (VstEffect& fx : effects)
      if (fx) fx.Close();
    for (Window w : hosts) XDestroyWindow(x, w);
    XCloseDisplay(x);
  }
  void* Symbol(const char* name);
  VstEffect Create()
  {
    AEffect* effect = host.Create(file.Entry());
    EXPECT_NE(effect, nullptr);
    VstEffect fx(effect, &host);
    fx.Start(44100.0f, 512);
    effects.push_back(fx);
    return fx;
  }
  Window HostWindow(int left)
  {
    hosts.push_back(CreateHostWindow(x, left, 100, 368, 240));
    return hosts.back();
  }
  std::vector<uint32_t> Snapshot(const VstEffect& fx)
  {
    std::vector<uint32_t> pixels(368 * 240);
    snapshot(fx.Record(), pixels.data(), (int)pixels.size());
    return pixels;
  }
  bool ScreenShows(Window w, const VstEffect& fx)
  {
    return WaitFor([&] { return ReadScreen(x, w, 0, 0, 368, 240) == Snapshot(fx); });
  }
  void Idle(const VstEffect& fx, int periodMs = 30)
  {
    idle.reset(new HostIdleThread([fx] { fx.Dispatch(effEditIdle); }, periodMs));
  }
  // The opcodes of the begin, automate and end calls for index, in the order they came.
  std::vector<VstInt32> EditCalls(VstInt32 index)
  {
    std::vector<VstInt32> out;
    for (const HostCallRecord& c : host.Calls())
      if ((c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit) &&
          c.index == index)
        out.push_back(c.opcode);
    return out;
  }

  Display* x = nullptr;
  VstPluginFile file;
  VstTestHost host;
  SnapshotProc snapshot = nullptr;
  std::vector<VstEffect> effects;
  std::vector<Window> hosts;
  std::unique_ptr<HostIdleThread> idle;
};
}  // namespace

#include <dlfcn.h>

void* EditorX11ModuleTest::Symbol(const char* name)
{
  void* module = dlopen(VOSS_EDITORX11_FIXTURE, RTLD_NOW | RTLD_NOLOAD);
  if (!module) return nullptr;
  void* symbol = dlsym(module, name);
  dlclose(module);
  return symbol;
}

TEST_F(EditorX11ModuleTest, EditorOpensInTheHostWindowAndIdleCallsDrawAndDriveIt)
{
  VstEffect fx = Create();
  ASSERT_EQ(fx.Record()->flags & effFlagsHasEditor, effFlagsHasEditor);
  ERect* rect = nullptr;
  ASSERT_EQ(fx.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, 368);
  EXPECT_EQ(rect->bottom - rect->top, 240);
  const Window w = HostWindow(100);
  // Some hosts pass their own Display in value; the editor uses a connection of its own.
  ASSERT_EQ(fx.Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(x), reinterpret_cast<void*>((uintptr_t)w)), 1);
  EXPECT_EQ(ChildrenOf(x, w).size(), 1u);
  Idle(fx);
  EXPECT_TRUE(ScreenShows(w, fx));

  host.ClearCalls();
  MovePointer(x, w, 284, 90);
  PressButton(x, 1);
  MovePointer(x, w, 284, 60);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  MovePointer(x, w, 284, 30);
  ReleaseButton(x, 1);
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<VstInt32> calls = EditCalls(1);
    return !calls.empty() && calls.back() == audioMasterEndEdit;
  }));
  const std::vector<VstInt32> calls = EditCalls(1);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], audioMasterAutomate);
  EXPECT_EQ(calls[1], audioMasterBeginEdit);
  EXPECT_EQ(calls[2], audioMasterAutomate);
  EXPECT_NEAR(fx.GetParameter(1), 0.11, 0.0051) << "60 pixels up, as an integer percentage";
  EXPECT_TRUE(ScreenShows(w, fx));

  idle.reset();
  EXPECT_EQ(fx.Dispatch(effEditClose), 1);
  EXPECT_TRUE(ChildrenOf(x, w).empty());
}

TEST_F(EditorX11ModuleTest, ClosingTheInstanceWithTheEditorOpenLeavesNothingBehind)
{
  const int files = CountOpenFiles(), threads = CountThreads();
  VstEffect fx = Create();
  const Window w = HostWindow(100);
  ASSERT_EQ(fx.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)w)), 1);
  Idle(fx);
  ASSERT_TRUE(ScreenShows(w, fx));
  idle.reset();
  effects.back().Close();
  effects.clear();
  EXPECT_TRUE(ChildrenOf(x, w).empty());
  EXPECT_EQ(CountOpenFiles(), files);
  EXPECT_EQ(CountThreads(), threads);
}

TEST_F(EditorX11ModuleTest, AHostThatDestroysTheParentBeforeClosingTheEditorSurvives)
{
  VstEffect fx = Create();
  const Window w = HostWindow(100);
  ASSERT_EQ(fx.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)w)), 1);
  Idle(fx);
  ASSERT_TRUE(ScreenShows(w, fx));
  XDestroyWindow(x, w);
  XSync(x, False);
  hosts.clear();
  fx.SetParameter(1, 0.5f);  // something to draw
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  idle.reset();
  EXPECT_EQ(fx.Dispatch(effEditClose), 1);
  // And the editor opens again in a new window.
  const Window again = HostWindow(100);
  ASSERT_EQ(fx.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)again)), 1);
  Idle(fx);
  EXPECT_TRUE(ScreenShows(again, fx));
}

TEST_F(EditorX11ModuleTest, TwoInstancesOpenAtOnceAndManyOpenCloseCyclesLeaveNothingBehind)
{
  VstEffect first = Create();
  VstEffect second = Create();
  const Window a = HostWindow(0), b = HostWindow(400);
  // A first round loads what stays loaded for the process.
  ASSERT_EQ(first.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)a)), 1);
  first.Dispatch(effEditIdle);
  first.Dispatch(effEditClose);
  const int files = CountOpenFiles(), threads = CountThreads();

  ASSERT_EQ(first.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)a)), 1);
  ASSERT_EQ(second.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)b)), 1);
  HostIdleThread idleBoth([first, second] {
    first.Dispatch(effEditIdle);
    second.Dispatch(effEditIdle);
  }, 20);
  EXPECT_TRUE(ScreenShows(a, first));
  EXPECT_TRUE(ScreenShows(b, second));
  idleBoth.Stop();
  first.Dispatch(effEditClose);
  second.Dispatch(effEditClose);
  EXPECT_TRUE(ChildrenOf(x, a).empty());
  EXPECT_TRUE(ChildrenOf(x, b).empty());

  for (int i = 0; i < 200; ++i)
  {
    ASSERT_EQ(first.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>((uintptr_t)a)), 1) << "open " << i;
    first.Dispatch(effEditIdle);
    ASSERT_EQ(first.Dispatch(effEditClose), 1);
  }
  EXPECT_TRUE(ChildrenOf(x, a).empty());
  EXPECT_EQ(CountOpenFiles(), files);
  EXPECT_EQ(CountThreads(), threads);
}
