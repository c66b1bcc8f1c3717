// One tick of the Linux editor: the whole panel redrawn and put on screen, and a tick with
// nothing to do, beside a copy of the back buffer's bytes and an X round trip.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/editorx11/TestPanel.h"
#include "tools/vst2-render/XvfbServer.h"
#include "tests/plugin/TestPlug.h"

namespace
{
struct Editor
{
  XvfbServer server;
  Display* x = nullptr;
  Window host = 0;
  std::unique_ptr<TestPlug> plug;
  SnapshotEditorWindow* editor = nullptr;
  bool ready = false;

  Editor()
  {
    const std::string name = server.Start(24);
    if (name.empty()) return;
    setenv("DISPLAY", name.c_str(), 1);
    x = XOpenDisplay(name.c_str());
    if (!x) return;
    host = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 368, 240, 0, 0, 0);
    XMapWindow(x, host);
    XSync(x, False);
    plug.reset(new TestPlug());
    plug->DeclareProductParams();
    editor = new SnapshotEditorWindow(plug.get(), 368, 240, 0);
    TestPanel::Build(editor, plug.get());
    plug->AttachEditor(editor);
    ready = editor->OpenWindow(reinterpret_cast<void*>((uintptr_t)host)) != nullptr;
    if (ready) editor->RunTickNow(true);
  }
};

Editor& Shared()
{
  static Editor editor;
  return editor;
}

void FullPanelTick(benchmark::State& state, bool waitForServer)
{
  Editor& e = Shared();
  if (!e.ready)
  {
    state.SkipWithError("no editor window");
    return;
  }
  for (auto _ : state)
  {
    e.editor->MarkAllControlsDirty();
    e.editor->RunTickNow(waitForServer);
  }
  state.SetBytesProcessed(state.iterations() * 368 * 240 * 4);
}

void BM_FullPanelTick(benchmark::State& state)
{
  FullPanelTick(state, false);
}
BENCHMARK(BM_FullPanelTick)->Unit(benchmark::kMicrosecond);

// Until the server has drawn it: what the whole frame costs the machine, not only us.
void BM_FullPanelTickUntilDrawn(benchmark::State& state)
{
  FullPanelTick(state, true);
}
BENCHMARK(BM_FullPanelTickUntilDrawn)->Unit(benchmark::kMicrosecond);

void BM_IdleTickNothingDirty(benchmark::State& state)
{
  Editor& e = Shared();
  if (!e.ready)
  {
    state.SkipWithError("no editor window");
    return;
  }
  e.editor->RunTickNow(true);
  for (auto _ : state) e.editor->RunTickNow(false);
}
BENCHMARK(BM_IdleTickNothingDirty)->Unit(benchmark::kMicrosecond);

// Anchors ---------------------------------------------------------------------------------

void BM_AnchorCopyPanelBytes(benchmark::State& state)
{
  std::vector<uint32_t> from(368 * 240, 0x12345678), to(368 * 240);
  for (auto _ : state)
  {
    std::memcpy(to.data(), from.data(), from.size() * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 368 * 240 * 4);
}
BENCHMARK(BM_AnchorCopyPanelBytes)->Unit(benchmark::kMicrosecond);

void BM_AnchorXRoundTrip(benchmark::State& state)
{
  Editor& e = Shared();
  if (!e.x)
  {
    state.SkipWithError("no display");
    return;
  }
  for (auto _ : state) XSync(e.x, False);
}
BENCHMARK(BM_AnchorXRoundTrip)->Unit(benchmark::kMicrosecond);
}  // namespace
