// What the adapter does once an editor canvas is attached: the editor flag, the editor
// opcodes, and controls following values set by the host.
#include <gtest/gtest.h>

#include <cmath>
#include <atomic>
#include <thread>

#include "tests/graphics/HeadlessCanvas.h"
#include "tests/vst/VstTestSupport.h"

namespace {

struct Push {
  int index;
  double value;
  bool normalized;
};

class RecordingCanvas : public HeadlessCanvas {
 public:
  explicit RecordingCanvas(std::vector<Push>* log) : HeadlessCanvas(nullptr), log(log) {}
  void PushParamToControls(int index, double value, bool normalized) override {
    log->push_back({index, value, normalized});
  }
  void PrepareDrawing() override { ++prepared; }
  void OnHostIdle() override { ++idles; }
  std::vector<Push>* log;
  int prepared = 0;
  int idles = 0;
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fx = VstEffect(CreateLoggingPlug(host, LoggingPlugConfig()), &host);
    plug = IPlugVST::FromEffect(fx.Record());
    canvas = new RecordingCanvas(&pushes);
    plug->AttachEditor(canvas);  // the plug-in owns it from here
  }
  void TearDown() override { fx.Close(); }
  VstTestHost host;
  VstEffect fx;
  IPlugVST* plug = nullptr;
  RecordingCanvas* canvas = nullptr;
  std::vector<Push> pushes;
};

TEST_F(EditorTest, AttachingSetsTheEditorFlagAndShowsEveryValue) {
  EXPECT_EQ(fx.Record()->flags & effFlagsHasEditor, effFlagsHasEditor);
  EXPECT_EQ(canvas->prepared, 1);
  ASSERT_EQ(pushes.size(), 2u);
  EXPECT_TRUE(pushes[0].normalized);
  EXPECT_EQ(pushes[1].index, 1);
  // A null canvas is ignored.
  plug->AttachEditor(nullptr);
  EXPECT_EQ(plug->GetEditor(), canvas);
}

TEST_F(EditorTest, EditorOpcodesAnswerForTheAttachedCanvas) {
  ERect* rect = nullptr;
  EXPECT_EQ(fx.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect, &plug->GetEditorRect());
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 240);
  EXPECT_EQ(rect->right, 368);
  EXPECT_EQ(fx.Dispatch(effEditGetRect, 0, 0, nullptr), 0);

  int parent = 0;
  EXPECT_EQ(fx.Dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(canvas->GetWindow(), &parent);
  EXPECT_EQ(fx.Dispatch(effEditClose), 1);
  EXPECT_EQ(canvas->GetWindow(), nullptr);
}

TEST_F(EditorTest, EditorIdleReachesTheCanvasWithoutTheInstanceLock) {
  // Another thread holds the instance lock (a long audio block); the idle call must not
  // wait for it.
  std::atomic<bool> locked{false}, release{false};
  std::thread block([&] {
    IPlugMutexLock lock(plug->GetMutex());
    locked = true;
    while (!release) std::this_thread::yield();
  });
  while (!locked) std::this_thread::yield();
  EXPECT_EQ(fx.Dispatch(effEditIdle), 0);
  EXPECT_EQ(canvas->idles, 1);
  release = true;
  block.join();
}

TEST_F(EditorTest, ControlsFollowHostValuesAndLoadedState) {
  pushes.clear();
  fx.SetParameter(1, 0.3f);
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].index, 1);
  EXPECT_EQ(pushes[0].value, (double)0.3f);
  EXPECT_TRUE(pushes[0].normalized);

  pushes.clear();
  fx.SetParameter(1, std::nanf(""));
  fx.SetParameter(1, 3.0f);
  ASSERT_EQ(pushes.size(), 2u);
  EXPECT_EQ(pushes[0].value, 0.0);
  EXPECT_EQ(pushes[1].value, 1.0);

  pushes.clear();
  char text[] = "40";  // clamped to the range 0..10 before it is shown
  fx.Dispatch(effString2Parameter, 0, 0, text);
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].value, 10.0);
  EXPECT_FALSE(pushes[0].normalized);

  std::vector<uint8_t> state = fx.GetChunk(true);
  pushes.clear();
  EXPECT_EQ(fx.SetChunk(state, true), 1);
  EXPECT_EQ(pushes.size(), 2u);
  pushes.clear();
  fx.SetParameter(7, 0.3f);  // no such parameter: nothing shown
  EXPECT_TRUE(pushes.empty());
}

}  // namespace
