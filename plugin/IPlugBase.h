#pragma once

#include <cstdint>

#include "plugin/ChannelIOConfig.h"
#include "plugin/HostId.h"
#include "plugin/IMidiMessage.h"
#include "plugin/IPlugChannel.h"
#include "plugin/IPlugMutex.h"
#include "plugin/IPlugParam.h"
#include "plugin/IPlugPreset.h"
#include "plugin/IPtrList.h"
#include "plugin/IStateChunk.h"
#include "plugin/ITransportInfo.h"

class IEditorCanvas;

// Format-neutral plug-in object: parameters, presets, channel configuration and the
// processing frame. The product overrides OnReset, OnParameterChanged and ProcessBlock64;
// a format adapter implements the host-facing operations.
class IPlugBase
{
public:
  static constexpr int kNameSize = 128;  // effect, product and maker name fields
  // Largest channel count taken from a channel I/O string.
  static constexpr int kMaxChannels = 1024;

  // any thread, before the host has the plug-in
  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* makerName, int version, int uniqueID,
            int makerID, int latency, bool usesStateChunks, bool isInstrument);

  // Virtual operations, in table order.

  // host main thread (close), no lock
  virtual ~IPlugBase();
  // any thread; takes the instance lock
  virtual void OnReset();
  // any thread; takes the instance lock
  virtual void OnParameterChanged(int index);
  // audio thread, instance lock held
  virtual void ProcessBlock64(double** inputs, double** outputs, int frames);
  // audio thread, instance lock held; no caller in the framework
  virtual void ProcessBlock32(float** inputs, float** outputs, int frames);
  // editor thread
  virtual void OnEditorOpened();
  // editor thread
  virtual void OnEditorClosing();
  virtual void ReservedHookA();
  // host main thread; takes the instance lock
  virtual void OnActivate(bool active);
  // any thread, instance lock held
  virtual void OnMidiMessage(IMidiMessage* message);
  // any thread, instance lock held; writes an empty name (when name is not null)
  virtual bool GetMidiKeyName(int key, char* name);
  // any thread; takes the instance lock
  virtual bool SaveState(IStateChunk* chunk);
  // any thread; takes the instance lock
  virtual int LoadState(IStateChunk* chunk, int pos);
  // editor thread or any thread with the instance lock held
  virtual void HostBeginEdit(int index) = 0;
  // any thread, instance lock held
  virtual void HostAutomate(int index, double normalized) = 0;
  // editor thread or any thread with the instance lock held
  virtual void HostEndEdit(int index) = 0;
  // any thread
  virtual void HostUpdateDisplay() = 0;
  // audio thread
  virtual int GetSamplePosition() = 0;
  // audio thread
  virtual double GetTempo() = 0;
  // audio thread
  virtual void GetTimeSignature(int* numerator, int* denominator) = 0;
  // audio thread
  virtual void GetTransportInfo(ITransportInfo* info) = 0;
  // host main thread, instance lock held
  virtual HostId IdentifyHost();
  // any thread
  virtual void RefreshEditorRect() = 0;
  virtual void ReservedHookB();
  virtual bool ReservedQuery();
  // host main thread, instance lock held
  virtual void AdaptToHost() = 0;
  // construction thread; takes the instance lock
  virtual void AttachEditor(IEditorCanvas* canvas);
  // host main thread, instance lock held (never while a block runs)
  virtual void SetMaxBlockFrames(int frames);
  // any thread, instance lock held
  virtual void SetLatencyFrames(int samples);
  // any thread, instance lock held
  virtual bool SendMidiMessage(IMidiMessage* message) = 0;
  // any thread, instance lock held
  virtual bool SendMidiMessages(IPtrList<IMidiMessage>* messages) = 0;
  // any thread; takes the instance lock
  virtual bool SerializeParams(IStateChunk* chunk);
  // any thread; takes the instance lock
  virtual int UnserializeParams(IStateChunk* chunk, int pos);
  // any thread, instance lock held
  virtual void PushParamsToEditor();
  // any thread, instance lock held
  virtual bool SerializePresets(IStateChunk* chunk);
  // any thread, instance lock held
  virtual int UnserializePresets(IStateChunk* chunk, int pos);
  // any thread, instance lock held
  virtual void PresetChanged();

  // Channel configuration -------------------------------------------------------------

  // any thread: true when some channel I/O entry matches; a negative count matches any.
  bool LegalIO(int inputs, int outputs) const;
  int NChannelIOConfigs() const { return channelIOConfigs.GetCount(); }
  const ChannelIOConfig* GetChannelIOConfig(int index) const { return channelIOConfigs.Get(index); }

  // host main thread, instance lock held
  void ConnectInputs(int start, int count, bool connected);
  // host main thread, instance lock held
  void ConnectOutputs(int start, int count, bool connected);
  // any thread, instance lock held
  bool IsInputConnected(int index) const;
  // any thread, instance lock held
  bool IsOutputConnected(int index) const;
  // host main thread, instance lock held
  void ApplyHostChannelRule();

  // The processing frame -----------------------------------------------------------------
  // audio thread, instance lock held (all seven)
  void AttachInputs64(int start, int count, double** host);
  void AttachInputs32(int start, int count, float** host, int frames);
  void AttachOutputs64(int start, int count, double** host);
  void AttachOutputs32(int start, int count, float** host);
  void RunBlock64(int frames);
  void RunBlock32Replacing(int frames);
  void RunBlock32Accumulating(int frames);

  // Parameters ---------------------------------------------------------------------------

  // editor thread; takes the instance lock
  void SetParameterFromGUI(int index, double normalized);
  // any thread, instance lock held
  void NotifyAllParamsChanged();
  int NParams() const { return params.GetCount(); }
  // Null for an index outside 0 .. count - 1.
  IPlugParam* GetParam(int index) const { return params.Get(index); }

  // State and presets --------------------------------------------------------------------
  // (all: any thread, instance lock held, or the constructing thread)

  int NPresets() const { return presets.GetCount(); }
  IPlugPreset* GetPreset(int index) const { return presets.Get(index); }
  int GetCurrentPresetIndex() const { return currentPreset; }
  void MakePresetsFromCurrentParams(const char* name, int count);
  void FillUnsetPresets();
  // Writes "user preset N" into out (IPlugPreset::kNameSize bytes).
  void MakeUserPresetName(char* out) const;
  bool LoadPreset(int index);
  // The slot's name, or "" outside the slots.
  const char* GetPresetNameAt(int index) const;
  void ModifyCurrentPreset(const char* name);

  // The exchanges behind a host's request for or delivery of the state chunk.
  // chunk is the adapter's own program or bank buffer. Save answers the chunk size with
  // chunk->Data() holding the bytes, or 0. Load copies size bytes from bytes into chunk,
  // reads them (with or without the header) and answers 1, or 0 on failure.
  int SaveStateExchange(IStateChunk* chunk, bool isBank);
  int LoadStateExchange(IStateChunk* chunk, bool isBank, const void* bytes, int size);

  // Host identification -----------------------------------------------------------------

  // host main thread, instance lock held
  void SetHost(const char* hostProduct, int packedVersion);
  HostId GetHostId() const { return hostId; }
  int GetHostVersion() const { return hostVersion; }

  // Names, identifiers, settings ---------------------------------------------------------

  const char* GetEffectName() const { return effectName; }
  const char* GetProductName() const { return productName; }
  const char* GetMakerName() const { return makerName; }
  int GetUniqueID() const { return uniqueID; }
  int GetMakerID() const { return makerID; }
  int GetVersion() const { return version; }
  // The packed version, or (major * 100 + minor) * 100 + patch when decimal.
  int GetVersionNumber(bool decimal) const;
  bool UsesStateChunks() const { return usesStateChunks; }
  bool IsInstrument() const { return isInstrument; }
  int GetLatency() const { return latency; }
  double GetSampleRate() const { return sampleRate; }
  // host main thread, instance lock held
  void SetSampleRateHz(double hz) { sampleRate = hz; }
  int GetBlockSize() const { return blockSize; }
  int NInputs() const { return inputs.GetCount(); }
  int NOutputs() const { return outputs.GetCount(); }
  IEditorCanvas* GetEditor() const { return editor; }
  IPlugMutex& GetMutex() { return mutex; }

protected:
  IPtrList<ChannelIOConfig> channelIOConfigs;
  IPlugMutex mutex;
  char effectName[kNameSize];
  char productName[kNameSize];
  char makerName[kNameSize];
  int32_t uniqueID;
  int32_t makerID;
  int32_t version;
  HostId hostId = kHostUninit;
  int32_t hostVersion = 0;
  bool usesStateChunks;
  bool isInstrument;
  double sampleRate = 44100.0;
  int32_t blockSize = 0;
  int32_t latency;
  IPtrList<IPlugParam> params;
  IEditorCanvas* editor = nullptr;
  IPtrList<IPlugPreset> presets;
  int32_t currentPreset = 0;
  IStateChunk inputPointers;
  IStateChunk outputPointers;
  IPtrList<IInputChannel> inputs;
  IPtrList<IOutputChannel> outputs;

private:
  void ParseChannelIO(const char* text);
  void RunBlock32(int frames, bool accumulate);
  bool StoreCurrentParams(IPlugPreset* preset);
};
