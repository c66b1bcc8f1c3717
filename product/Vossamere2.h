#pragma once

#include <cstdint>

#include "vst/IPlugVST.h"

// The product: a stereo channel bleed. The sum of both channels is split by a one-pole
// low-pass at min(20 kHz, fs / 2); the part above it plus a small smoothed share of the
// sum is added back into both channels. With fewer than two outputs it passes channel 0.
class Vossamere2 : public IPlugVST
{
public:
  enum EParams
  {
    kPower = 0,
    kAmount,
    kType,
    kNumParams
  };
  enum ETypes
  {
    kProfessional = 0,
    kConsumer = 1
  };

  // construction thread (inside VSTPluginMain, creation lock held)
  explicit Vossamere2(audioMasterCallback host);

  // any thread; takes the instance lock
  void OnReset() override;
  // any thread; takes the instance lock
  void OnParameterChanged(int index) override;
  // audio thread, instance lock held
  void ProcessBlock64(double** inputs, double** outputs, int frames) override;

  // The processing state, for inspection (any thread holding the instance lock).
  bool IsPowerOn() const { return powerOn; }
  double GetBleedGain() const { return bleedGain; }
  double GetSmoothingTarget() const { return smoothingTarget; }
  double GetProcessingSampleRate() const { return processingSampleRate; }
  double GetSmoothedLevel() const { return smoothedLevel; }
  double GetCutoff() const { return cutoff; }
  double GetPole() const { return pole; }
  double GetFeedCoefficient() const { return feedCoefficient; }
  double GetFeedbackCoefficient() const { return feedbackCoefficient; }
  double GetFilterState() const { return filterState; }
  int GetOverlayIndex() const { return overlayIndex; }
  bool IsOverlayShown() const { return overlayShown; }

  // The panel's size.
  static constexpr int kEditorWidth = 368;
  static constexpr int kEditorHeight = 240;

private:
  void ComputeCoefficients(double fs);
  // Builds the editor panel and attaches it. Without one of its images (or without memory)
  // no editor is attached and overlayIndex stays -1: the host then shows its own controls.
  void BuildEditor();
  // This platform's editor window for the panel, with the library's module handle set
  // (Vossamere2Editor_win.cpp, Vossamere2Editor_linux.cpp); null without memory.
  IEditorCanvas* MakeEditorWindow();
  // Shows the mono-mode overlay (or hides it); called for every block.
  // audio thread, instance lock held (or the constructing thread)
  void ShowMonoOverlay(bool show);

  bool powerOn = true;
  double bleedGain = 0.0;
  double smoothingTarget = 0.0001;
  double processingSampleRate = 44100.0;
  double smoothedLevel = 0.0001;
  double cutoff = 0.0;
  double pole = 0.0;
  double feedCoefficient = 0.0;
  double feedbackCoefficient = 0.0;
  double filterState = 0.0;
  int32_t overlayIndex = -1;
  bool overlayShown = false;
};

// The factory VSTPluginMain hands to the adapter.
// construction thread (creation lock held)
IPlugVST* MakeVossamere2(audioMasterCallback host);
