// One effect instance created through a plug-in library's entry point, driven the way
// real hosts drive it: open, sample rate and block size, resume, blocks, suspend, close.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/vst2-render/AudioBuffer.h"
#include "vst/vst2_abi.h"

namespace vrender {

// Which block callback renders the audio.
enum class Precision { Double64, Float32, Accumulate32 };

// What the host callback answers; one per process (the callback may run before the entry
// function has returned an effect, so it cannot be found through the effect).
struct HostContext {
  double sampleRate = 44100.0;
  int blockSize = 512;
  VstTimeInfo timeInfo = {};
  int automateCalls = 0;
};
HostContext& TheHostContext();

// main thread, and any thread the plug-in calls from; effect may be null during entry
VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                       void* ptr, float opt);

// The host's channel buffers for blocks of up to one size, and the pointer arrays the block
// callbacks take.
struct BlockBuffers {
  std::vector<std::vector<double>> in64, out64;
  std::vector<std::vector<float>> in32, out32;
  std::vector<double*> inPtr64, outPtr64;
  std::vector<float*> inPtr32, outPtr32;
  void Allocate(size_t inputs, size_t outputs, size_t frames);
};

class PluginInstance {
 public:
  // Calls the entry point and checks the record. On failure returns null with a reason.
  static std::unique_ptr<PluginInstance> Create(VstPluginMainProc entry,
                                                const std::string& entryName,
                                                std::string& error,
                                                audioMasterCallback host = &HostCallback);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  AEffect* Effect() const { return effect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f);
  // Asks a text opcode into a roomy zeroed buffer, so plug-ins that overrun the
  // published field sizes do no harm.
  std::string QueryText(VstInt32 opcode, VstInt32 index = 0);

  // effOpen, sample rate, block size, precision and speaker arrangement.
  void Open(double sampleRate, int blockSize, Precision precision);
  void Resume();
  void Suspend();
  // Tells the plug-in that only the first 'outputs' of its outputs are connected (a host's
  // track narrower than the plug-in), keeping every input.
  void ConnectOutputs(int outputs);

  bool SupportsPrecision(Precision precision) const;
  // Processes 'frames' frames of 'inputs' (one vector per plug-in input) in blocks of at
  // most the opened block size; 'output' receives one channel per plug-in output. Calls on
  // the same instance continue one another, as one stretch of audio.
  // 'advance' is told the number of frames done after each block.
  template <typename Advance>
  void Render(const std::vector<std::vector<double>>& inputs, size_t frames,
              Precision precision, AudioBuffer& output, Advance&& advance);

  std::string ParameterName(int index) { return QueryText(effGetParamName, index); }
  std::string ParameterDisplay(int index) { return QueryText(effGetParamDisplay, index); }
  std::string ParameterLabel(int index) { return QueryText(effGetParamLabel, index); }
  float ParameterValue(int index) { return effect->getParameter(effect, index); }

 private:
  explicit PluginInstance(AEffect* e) : effect(e) {}
  void RenderBlock(size_t start, int frames, Precision precision, AudioBuffer& output,
                   const std::vector<std::vector<double>>& inputs);

  AEffect* effect;
  int blockSize = 512;
  size_t position = 0;  // frames rendered so far: the transport runs on across Render calls
  bool resumed = false;
  BlockBuffers buffers;
};

template <typename Advance>
void PluginInstance::Render(const std::vector<std::vector<double>>& inputs, size_t frames,
                            Precision precision, AudioBuffer& output, Advance&& advance) {
  output.Resize(effect->numOutputs, frames);
  for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize)) {
    const size_t left = frames - start;
    const int n = left < static_cast<size_t>(blockSize) ? static_cast<int>(left) : blockSize;
    RenderBlock(start, n, precision, output, inputs);
    advance(static_cast<size_t>(n));
  }
  position += frames;
}

}  // namespace vrender
