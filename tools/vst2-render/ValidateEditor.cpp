#include "tools/vst2-render/ValidateEditor.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "tools/vst2-render/ChildWindows.h"
#include "tools/vst2-render/HostWindow.h"
#include "tools/vst2-render/ValidateSupport.h"

namespace vrender {

namespace {

using Clock = std::chrono::steady_clock;

// One host idle period: the window's messages, the editor's idle call, a short wait.
void Tick(Subject& s, HostWindow& window, int milliseconds = 10) {
  window.PumpEvents();
  s.Dispatch(effEditIdle);
  window.PumpEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Waits a little for the windows an editor made to go: another client's destroy requests
// reach the X server when that client flushes. Returns what is left.
int ChildrenAfterClose(Subject* s, HostWindow& window) {
  const auto until = Clock::now() + std::chrono::seconds(1);
  int left = ChildWindowCount(window.ParentHandle());
  while (left > 0 && Clock::now() < until) {
    window.PumpEvents();
    if (s) s->Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    left = ChildWindowCount(window.ParentHandle());
  }
  return left;
}

struct EditorRun : CheckRunner {
  using CheckRunner::CheckRunner;
  std::string unavailable;  // why the editor checks cannot run, when they cannot

  // The editor's size once asked; a default when it gives none before opening.
  void Size(Subject& s, int& width, int& height) {
    ERect* rect = nullptr;
    s.Dispatch(effEditGetRect, 0, 0, &rect);
    width = rect ? rect->right - rect->left : 0;
    height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
      width = 640;
      height = 480;
    }
  }

  std::unique_ptr<HostWindow> Window(Subject& s) {
    int width = 0, height = 0;
    Size(s, width, height);
    std::string error;
    std::unique_ptr<HostWindow> window = HostWindow::Create(width, height, error);
    if (!window) throw "no host window: " + error;
    return window;
  }

  // A body answers its detail, prefixed "FAIL: " when the check failed.
  template <typename Body>
  void Check(const std::string& name, Body&& body) {
    const Outcome skipped{CheckStatus::Skip, unavailable};
    Run(name, unavailable.empty() ? nullptr : &skipped, [&]() {
      std::string detail = body();
      if (detail.compare(0, 5, "FAIL:") == 0) return Outcome{CheckStatus::Fail, detail.erase(0, 6)};
      return Outcome{CheckStatus::Pass, detail};
    });
  }
};

std::string Failed(const std::string& what) { return "FAIL: " + what; }

}  // namespace

void EditorGroup(const GroupContext& context, const CheckSink& sink) {
  EditorRun e(context, sink);
  std::string error;
  if (!e.plugin.Loaded()) {
    e.unavailable = e.plugin.Error();
  } else if (!context.displayError.empty()) {
    e.unavailable = context.displayError;
  } else {
    std::unique_ptr<Subject> probe = Subject::Make(e.plugin.entry, e.plugin.entryName, error);
    if (!probe) e.unavailable = error;
    else if (!(probe->Effect()->flags & effFlagsHasEditor)) e.unavailable = "the plug-in reports no editor";
  }

  e.Check("editor-rect", [&]() -> std::string {
    std::unique_ptr<Subject> s = e.New();
    s->Dispatch(effOpen);
    e.Step("effEditGetRect with a null pointer");
    s->Dispatch(effEditGetRect, 0, 0, nullptr);
    e.Step("effEditGetRect before the editor opened");
    ERect* rect = nullptr;
    s->Dispatch(effEditGetRect, 0, 0, &rect);
    const bool before = rect && rect->right > rect->left && rect->bottom > rect->top;
    std::unique_ptr<HostWindow> window = e.Window(*s);
    e.Step("effEditOpen");
    if (!s->Dispatch(effEditOpen, 0, 0, window->ParentHandle())) return Failed("effEditOpen returned 0");
    Tick(*s, *window);
    rect = nullptr;
    s->Dispatch(effEditGetRect, 0, 0, &rect);
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
      return Failed("no editor rectangle with the editor open");
    const std::string size = Printf("%d x %d", rect->right - rect->left, rect->bottom - rect->top);
    s->Dispatch(effEditClose);
    if (!before) return "warning: the rectangle is empty until the editor opens; open, it is " + size;
    return size;
  });
  e.Check("editor-open-close", [&]() -> std::string {
    std::unique_ptr<Subject> s = e.New();
    s->Dispatch(effOpen);
    std::unique_ptr<HostWindow> window = e.Window(*s);
    const int cycles = e.Scaled(10, 100);
    const auto start = Clock::now();
    for (int i = 0; i < cycles; ++i) {
      e.Step(Printf("effEditOpen %d", i + 1));
      if (!s->Dispatch(effEditOpen, 0, 0, window->ParentHandle()))
        return Failed(Printf("effEditOpen returned 0 the %d. time", i + 1));
      for (int t = 0; t < 3; ++t) Tick(*s, *window);
      e.Step(Printf("effEditClose %d", i + 1));
      s->Dispatch(effEditClose);
      const int left = ChildrenAfterClose(s.get(), *window);
      if (left > 0) return Failed(Printf("after effEditClose %d the host window still holds %d window(s)", i + 1, left));
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / cycles;
    return Printf("%d times, %.0f ms each, nothing left behind", cycles, ms);
  });
  e.Check("editor-while-processing", [&]() -> std::string {
    std::unique_ptr<Subject> s = e.New();
    const std::vector<Precision> precisions = s->Precisions();
    if (precisions.empty()) return Failed("no replacing block callback");
    const Precision p = precisions.front();
    s->Start(44100, 256, p);
    std::unique_ptr<HostWindow> window = e.Window(*s);
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::string audioProblem;
    Channels in = TestSignal(s->Inputs(), 256, 44100, 0.5, 15);
    std::thread audio([&] {
      Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(256));
      while (!stop.load()) {
        s->Block(p, 256, in, 0, &out);
        ++blocks;
        size_t c = 0, k = 0;
        if (FindNonFinite(out, c, k) && audioProblem.empty()) audioProblem = Printf("output %zu frame %zu not finite", c + 1, k);
      }
    });
    const int cycles = e.Scaled(3, 30);
    std::string problem;
    for (int i = 0; i < cycles && problem.empty(); ++i) {
      e.Step(Printf("effEditOpen %d while processing", i + 1));
      if (!s->Dispatch(effEditOpen, 0, 0, window->ParentHandle())) problem = "effEditOpen returned 0";
      for (int t = 0; t < 5; ++t) Tick(*s, *window);
      e.Step(Printf("effEditClose %d while processing", i + 1));
      s->Dispatch(effEditClose);
      window->PumpEvents();
    }
    stop = true;
    audio.join();
    if (!problem.empty()) return Failed(problem);
    if (!audioProblem.empty()) return Failed(audioProblem);
    return Printf("%d openings while %ld blocks ran on another thread", cycles, blocks.load());
  });
  e.Check("editor-close-instance", [&]() -> std::string {
    std::unique_ptr<Subject> s = e.New();
    s->Dispatch(effOpen);
    std::unique_ptr<HostWindow> window = e.Window(*s);
    e.Step("effEditOpen");
    if (!s->Dispatch(effEditOpen, 0, 0, window->ParentHandle())) return Failed("effEditOpen returned 0");
    for (int t = 0; t < 5; ++t) Tick(*s, *window);
    e.Step("effClose with the editor open");
    s.reset();
    const int left = ChildrenAfterClose(nullptr, *window);
    if (left > 0) return Failed(Printf("the instance closed with its editor open leaves %d window(s) in the host window", left));
    return "closed with the editor open, nothing left behind";
  });
}

}  // namespace vrender
