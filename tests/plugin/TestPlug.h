#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin/IPlugBase.h"
#include "tests/graphics/HeadlessCanvas.h"

inline int FourCC(const char* s)
{
  return (int)(((unsigned)(unsigned char)s[0] << 24) | ((unsigned)(unsigned char)s[1] << 16) |
               ((unsigned)(unsigned char)s[2] << 8) | (unsigned)(unsigned char)s[3]);
}

// A plug-in base with every host-facing operation recorded instead of sent.
class TestPlug : public IPlugBase
{
public:
  explicit TestPlug(int nParams = 3, const char* io = "1-2 2-2", int nPresets = 1,
                    const char* effect = "Vossamere2")
      : IPlugBase(nParams, io, nPresets, effect, "", "Quenmoor Audiohouse", 0x00010000,
                  FourCC("Vq4m"), FourCC("Hlmz"), 0, false, false)
  {
  }

  // The product's three parameters, declared as the product does.
  void DeclareProductParams()
  {
    GetParam(0)->DeclareBool("Power", true);
    GetParam(1)->DeclareInt("Amount", 0, 0, 100, "%");
    GetParam(2)->DeclareInt("Type", 0, 0, 1, "");
    GetParam(2)->AddValueText(0, "Professional");
    GetParam(2)->AddValueText(1, "Consumer");
  }

  void OnParameterChanged(int index) override
  {
    IPlugBase::OnParameterChanged(index);
    changed.push_back(index);
  }
  void PresetChanged() override { ++presetChanges; }

  void HostBeginEdit(int index) override { events.push_back("begin " + std::to_string(index)); }
  void HostAutomate(int index, double normalized) override
  {
    automated.emplace_back(index, normalized);
    events.push_back("automate " + std::to_string(index));
  }
  void HostEndEdit(int index) override { events.push_back("end " + std::to_string(index)); }
  void HostUpdateDisplay() override {}
  int GetSamplePosition() override { return 0; }
  double GetTempo() override { return 0.0; }
  void GetTimeSignature(int* n, int* d) override { *n = *d = 0; }
  void GetTransportInfo(ITransportInfo*) override {}
  void RefreshEditorRect() override {}
  void AdaptToHost() override {}
  bool SendMidiMessage(IMidiMessage*) override { return false; }
  bool SendMidiMessages(IPtrList<IMidiMessage>*) override { return false; }

  std::vector<int> changed;
  std::vector<std::pair<int, double>> automated;
  // Begin-edit, automation and end-edit in the order the host would see them.
  std::vector<std::string> events;
  int presetChanges = 0;
};

// A canvas that records what the core pushes into it.
class FakeCanvas : public HeadlessCanvas
{
public:
  struct Push
  {
    int index;
    double value;
    bool normalized;
  };

  explicit FakeCanvas(bool* destroyed = nullptr) : HeadlessCanvas(nullptr), destroyedFlag(destroyed) {}
  ~FakeCanvas() override
  {
    if (destroyedFlag) *destroyedFlag = true;
  }
  void PushParamToControls(int index, double value, bool normalized) override
  {
    pushes.push_back({index, value, normalized});
    log += "push ";
  }
  void PrepareDrawing() override { log += "prepare "; }

  std::vector<Push> pushes;
  std::string log;
  bool* destroyedFlag;
};
