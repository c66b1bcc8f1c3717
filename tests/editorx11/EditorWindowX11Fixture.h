#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "tests/editorx11/TestPanel.h"
#include "tests/editorx11/X11TestSupport.h"
#include "tests/plugin/TestPlug.h"

// The recording plug-in of the core's tests, safe to read while the editor's threads write.
class RecordingPlug : public TestPlug
{
public:
  RecordingPlug() { DeclareProductParams(); }
  void HostBeginEdit(int index) override
  {
    std::lock_guard<std::mutex> hold(lock);
    TestPlug::HostBeginEdit(index);
  }
  void HostAutomate(int index, double normalized) override
  {
    std::lock_guard<std::mutex> hold(lock);
    TestPlug::HostAutomate(index, normalized);
  }
  void HostEndEdit(int index) override
  {
    std::lock_guard<std::mutex> hold(lock);
    TestPlug::HostEndEdit(index);
  }
  std::vector<std::string> Events()
  {
    std::lock_guard<std::mutex> hold(lock);
    return events;
  }
  int Count(const std::string& event)
  {
    int n = 0;
    for (const std::string& e : Events()) n += e == event;
    return n;
  }

private:
  std::mutex lock;
};

// One editor of the test panel on a recording plug-in, a host window for it on the test
// display, and a host GUI thread that sends idle calls when started.
class EditorX11Test : public ::testing::Test
{
protected:
  void SetUp() override
  {
    x = XOpenDisplay(TestDisplayName().c_str());
    ASSERT_NE(x, nullptr);
    host = CreateHostWindow(x, 100, 100, 368, 240);
    plug = new RecordingPlug();
    editor = new SnapshotEditorWindow(plug, 368, 240, 0);
    TestPanel::Build(editor, plug);
    plug->AttachEditor(editor);
  }
  void TearDown() override
  {
    // Closed first: a menu left open by a failed test would keep the idle thread in its loop;
    // closing ends the menu, as a host closing from another thread does.
    if (editor) editor->CloseWindow();
    StopIdle();
    delete plug;
    if (host) XDestroyWindow(x, host);
    XCloseDisplay(x);
  }

  Window Open(Window parent = 0)
  {
    return (Window)(uintptr_t)editor->OpenWindow(reinterpret_cast<void*>((uintptr_t)(parent ? parent : host)));
  }
  void StartIdle(int periodMs = 20)
  {
    idle.reset(new HostIdleThread([this] { editor->OnHostIdle(); }, periodMs));
  }
  void StopIdle() { idle.reset(); }
  std::vector<uint32_t> Screen() { return ReadScreen(x, host, 0, 0, 368, 240); }
  // What is on screen equals the back buffer, pixel for pixel (waits for it a while).
  bool ScreenShowsBackBuffer()
  {
    return WaitFor([this] { return Screen() == editor->Snapshot(); });
  }
  double ControlValue(int index) { return editor->GetControl(index)->GetValue(); }
  Window EditorWindow() { return (Window)(uintptr_t)editor->GetWindow(); }

  Display* x = nullptr;
  Window host = 0;
  RecordingPlug* plug = nullptr;
  SnapshotEditorWindow* editor = nullptr;
  std::unique_ptr<HostIdleThread> idle;
};
