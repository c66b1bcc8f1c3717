#pragma once

#include <cstdint>

#include "plugin/IPlugBase.h"
#include "plugin/IStateChunk.h"
#include "vst/vst2_abi.h"

// The VST 2.4 adapter: owns the effect record handed to the host, translates the host's
// dispatcher, parameter and block calls into the plug-in core, and implements the core's
// host-facing operations on top of the host callback.
class IPlugVST : public IPlugBase
{
public:
  // Bits of the host capability set, recorded when the host asks canDo about them.
  static const int32_t kHostCapCockosExtensions = 1 << 0;
  static const int32_t kHostCapCockosViewAsConfig = 1 << 1;
  // Answer to the Cockos vendor capability queries.
  static const VstIntPtr kCockosCanDoAnswer = 0xBEEF0000;
  static const VstIntPtr kVendorSpecificAnswer = 0xBEEF;
  // Largest state chunk accepted from a host; anything larger is refused, not allocated.
  static const VstIntPtr kMaxChunkBytes = 64 << 20;
  // Largest block size a host may announce (8 MiB of scratch per channel); longer host
  // blocks still work, in parts.
  static const VstIntPtr kMaxBlockFrames = 1 << 20;

  // construction thread (inside VSTPluginMain, creation lock held)
  IPlugVST(audioMasterCallback host, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* makerName, int version,
           int uniqueID, int makerID, int latency, bool doesMidi, bool usesStateChunks,
           bool isInstrument);
  // host main thread (effClose), no lock
  ~IPlugVST() override;

  // Host-facing operations of the core --------------------------------------------------

  // editor thread or any thread with the instance lock held
  void HostBeginEdit(int index) override;
  // any thread, instance lock held
  void HostAutomate(int index, double normalized) override;
  // editor thread or any thread with the instance lock held
  void HostEndEdit(int index) override;
  // any thread
  void HostUpdateDisplay() override;
  // audio thread
  int GetSamplePosition() override;
  // audio thread
  double GetTempo() override;
  // audio thread
  void GetTimeSignature(int* numerator, int* denominator) override;
  // audio thread
  void GetTransportInfo(ITransportInfo* info) override;
  // host main thread, instance lock held
  HostId IdentifyHost() override;
  // any thread
  void RefreshEditorRect() override;
  // host main thread, instance lock held
  void AdaptToHost() override;
  // construction thread; takes the instance lock
  void AttachEditor(IEditorCanvas* canvas) override;
  // any thread, instance lock held
  void SetLatencyFrames(int samples) override;
  // any thread, instance lock held
  bool SendMidiMessage(IMidiMessage* message) override;
  // any thread, instance lock held
  bool SendMidiMessages(IPtrList<IMidiMessage>* messages) override;

  // The effect record and what the host reads through it --------------------------------

  AEffect* GetAEffect() { return &effect; }
  const ERect& GetEditorRect() const { return editorRect; }
  int32_t GetHostCapabilities() const { return hostCapabilities; }
  bool IsHostInitDone() const { return hostInitDone; }
  bool DoesMidi() const { return doesMidi; }
  const VstSpeakerArrangement& GetInputArrangement() const { return inputArrangement; }
  const VstSpeakerArrangement& GetOutputArrangement() const { return outputArrangement; }

  // The record's callbacks --------------------------------------------------------------

  // any host thread; takes the instance lock for the whole call (effClose releases it first)
  static VstIntPtr VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                 VstIntPtr value, void* ptr, float opt);
  // any host thread; takes the instance lock
  static float VSTGetParameter(AEffect* effect, VstInt32 index);
  // any host thread; takes the instance lock
  static void VSTSetParameter(AEffect* effect, VstInt32 index, float normalized);

  // The instance behind a record, or null.
  static IPlugVST* FromEffect(AEffect* effect);

  // The block callbacks run through here.
  // audio thread; takes the instance lock
  void ProcessHostBlock32(float** inputs, float** outputs, VstInt32 frames, bool accumulate);
  // audio thread; takes the instance lock
  void ProcessHostBlock64(double** inputs, double** outputs, VstInt32 frames);

private:
  // host thread, instance lock held (all of the dispatcher's handlers)
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr GetChunk(VstInt32 index, void* ptr);
  VstIntPtr SetChunk(VstInt32 index, VstIntPtr value, void* ptr);
  VstIntPtr ProcessEvents(const VstEvents* events);
  VstIntPtr StringToParameter(VstInt32 index, const char* text);
  VstIntPtr CanDo(const char* text);
  VstIntPtr PinProperties(bool isInput, VstInt32 index, VstPinProperties* pin);
  void SetSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out);
  void SendEventToHost(VstEvent* event);
  VstTimeInfo* QueryTime(VstIntPtr requestFlags);
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f);

  // The editor canvas as the adapter sees it (window and panel size); see IPlugVSTEditor.cpp.
  bool EditorPanelSize(int* width, int* height) const;
  bool EditorOpenWindow(void* parent);
  void EditorCloseWindow();

  ERect editorRect;
  audioMasterCallback hostCallback;
  VstSpeakerArrangement inputArrangement;
  VstSpeakerArrangement outputArrangement;
  bool hostInitDone = false;
  bool doesMidi;
  int32_t hostCapabilities = 0;
  IStateChunk programChunk;
  IStateChunk bankChunk;
  AEffect effect;
};

// The record's block callbacks: audio thread, each under the instance lock for the block.
void VSTAccumulateBlock(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
void VSTReplaceBlock(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
void VSTReplaceBlock64(AEffect* effect, double** inputs, double** outputs, VstInt32 frames);
