// A small VST 2.4 host for tests: loads a plug-in file through its exported entry point,
// answers the host callback like a real host and records every call the plug-in makes,
// and drives the effect record (dispatcher, parameters, the three block callbacks).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "vst/vst2_abi.h"

// A plug-in file opened with dlopen / LoadLibrary. The entry is "VSTPluginMain", or "main"
// when the file exports only that.
class VstPluginFile {
 public:
  VstPluginFile() = default;
  ~VstPluginFile();
  VstPluginFile(const VstPluginFile&) = delete;
  VstPluginFile& operator=(const VstPluginFile&) = delete;

  // Unix paths are turned into Z:\ paths on Windows (Wine maps Z: to /).
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return handle != nullptr; }
  VstPluginMainProc Entry() const { return entry; }
  const std::string& EntryName() const { return entryName; }
  // Whether the file exports a symbol of this name (any kind).
  bool Exports(const char* symbol) const;

  static std::string NativePath(const std::string& path);

 private:
  void* handle = nullptr;
  VstPluginMainProc entry = nullptr;
  std::string entryName;
};

// One call the plug-in made to the host.
struct HostCallRecord {
  AEffect* effect = nullptr;
  VstInt32 opcode = 0;
  VstInt32 index = 0;
  VstIntPtr value = 0;
  bool hasPtr = false;
  float opt = 0.0f;
  std::string text;  // the capability string of audioMasterCanDo
  std::vector<VstMidiEvent> midiEvents;  // copied from audioMasterProcessEvents
  std::vector<VstInt32> eventTypes;      // type of every event of audioMasterProcessEvents
};

struct HostSettings {
  double sampleRate = 44100.0;
  VstIntPtr blockSize = 512;
  std::string productString = "Quenmoor Test Host";
  std::string vendorString = "Quenmoor Audiohouse";
  VstIntPtr vendorVersion = 10203;
  VstIntPtr processEventsAnswer = 1;
  bool provideTime = true;
  VstTimeInfo timeInfo{};
};

// The host side. Each effect created through a VstTestHost routes its callbacks to it; calls
// made with a null effect (or before the entry returns) go to the host that is creating.
class VstTestHost {
 public:
  explicit VstTestHost(const HostSettings& settings = HostSettings());
  ~VstTestHost();
  VstTestHost(const VstTestHost&) = delete;
  VstTestHost& operator=(const VstTestHost&) = delete;

  // Calls the entry with this host's callback; null when the plug-in declined.
  AEffect* Create(VstPluginMainProc entry);
  // Forgets an effect (after effClose), so later calls with its address are not routed here.
  void Forget(AEffect* effect);

  // Any thread.
  std::vector<HostCallRecord> Calls() const;
  std::vector<HostCallRecord> CallsWith(VstInt32 opcode) const;
  size_t CountOf(VstInt32 opcode) const;
  void ClearCalls();

  // Change only while no plug-in call is running.
  HostSettings settings;

  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                            void* ptr, float opt);

 private:
  VstIntPtr Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                   float opt);

  mutable std::mutex callsLock;
  std::vector<HostCallRecord> calls;
  VstTimeInfo timeAnswer{};
};

// Drives one effect record. Does not own the record: Close() sends effClose.
class VstEffect {
 public:
  VstEffect() = default;
  VstEffect(AEffect* effect, VstTestHost* host) : effect(effect), host(host) {}

  AEffect* Record() const { return effect; }
  explicit operator bool() const { return effect != nullptr; }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f) const;
  float GetParameter(VstInt32 index) const;
  void SetParameter(VstInt32 index, float value) const;

  // Text opcodes: a 256-byte zeroed buffer; answer in *result when given.
  std::string Text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr* result = nullptr) const;

  // The usual start of a host: open, sample rate, block size, resume.
  void Start(float sampleRate, VstIntPtr blockSize) const;
  void Close();

  // Block helpers; the vectors hold one buffer per channel (numInputs / numOutputs of them,
  // or as many as given). Each buffer must hold at least `frames` samples.
  void ProcessReplacing(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
                        VstInt32 frames) const;
  void ProcessAccumulating(std::vector<std::vector<float>>& in,
                           std::vector<std::vector<float>>& out, VstInt32 frames) const;
  void ProcessDouble(std::vector<std::vector<double>>& in, std::vector<std::vector<double>>& out,
                     VstInt32 frames) const;

  // State chunks: program (index 1) or bank (index 0).
  std::vector<uint8_t> GetChunk(bool program) const;
  VstIntPtr SetChunk(const std::vector<uint8_t>& bytes, bool program) const;

 private:
  AEffect* effect = nullptr;
  VstTestHost* host = nullptr;
};
