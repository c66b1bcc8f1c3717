#include "tools/vst2-render/PluginInstance.h"

#include <cstdio>
#include <cstring>

namespace vrender {

namespace {

void CopyText(void* ptr, const char* text, size_t capacity) {
  if (!ptr) return;
  std::snprintf(static_cast<char*>(ptr), capacity, "%s", text);
}

VstSpeakerArrangement ArrangementFor(int channels) {
  VstSpeakerArrangement arrangement;
  std::memset(&arrangement, 0, sizeof arrangement);
  arrangement.numChannels = channels;
  arrangement.type = channels == 0   ? kSpeakerArrEmpty
                     : channels == 1 ? kSpeakerArrMono
                     : channels == 2 ? kSpeakerArrStereo
                                     : kSpeakerArrUserDefined;
  for (int i = 0; i < channels && i < 8; ++i) {
    VstSpeakerProperties& speaker = arrangement.speakers[i];
    speaker.type = channels == 1 ? kSpeakerM : channels == 2 ? (i == 0 ? kSpeakerL : kSpeakerR)
                                                             : kSpeakerUndefined;
    std::snprintf(speaker.name, sizeof speaker.name, "%d", i + 1);
  }
  return arrangement;
}

}  // namespace

HostContext& TheHostContext() {
  static HostContext context;
  return context;
}

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  HostContext& host = TheHostContext();
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterAutomate:
      ++host.automateCalls;
      return 0;
    case audioMasterGetTime:
      return reinterpret_cast<VstIntPtr>(&host.timeInfo);
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(host.sampleRate);
    case audioMasterGetBlockSize:
      return host.blockSize;
    case audioMasterGetCurrentProcessLevel:
      return kVstProcessLevelOffline;
    case audioMasterGetAutomationState:
      return 1;  // automation off
    case audioMasterGetVendorString:
      CopyText(ptr, "Vossamere2 project", kVstMaxVendorStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      CopyText(ptr, "vst2-render", kVstMaxProductStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return 10000;
    case audioMasterGetLanguage:
      return 1;  // English
    case audioMasterCanDo: {
      const char* what = static_cast<const char*>(ptr);
      if (!what) return 0;
      if (std::strcmp(what, "sendVstTimeInfo") == 0) return 1;
      if (std::strcmp(what, "supportShell") == 0 || std::strcmp(what, "sizeWindow") == 0 ||
          std::strcmp(what, "offline") == 0)
        return -1;
      return 0;
    }
    default:
      // Edit gestures, display updates, idle requests, I/O changes and anything newer are
      // accepted and ignored: an offline render has nobody to show them to.
      return 0;
  }
}

std::unique_ptr<PluginInstance> PluginInstance::Create(VstPluginMainProc entry,
                                                       const std::string& entryName,
                                                       std::string& error,
                                                       audioMasterCallback host) {
  AEffect* effect = entry(host);
  if (!effect) {
    error = "the plug-in's entry point " + entryName + " returned no effect (null)";
    return nullptr;
  }
  if (effect->magic != kEffectMagic) {
    char text[96];
    std::snprintf(text, sizeof text, "the plug-in's effect record has magic 0x%08X, not 0x%08X ('VstP')",
                  static_cast<unsigned>(effect->magic), static_cast<unsigned>(kEffectMagic));
    error = text;
    return nullptr;  // the record cannot be trusted, so not even its close opcode is sent
  }
  if (!effect->dispatcher || !effect->getParameter || !effect->setParameter) {
    error = "the plug-in's effect record lacks its dispatcher or parameter functions";
    return nullptr;
  }
  if (effect->numInputs < 0 || effect->numInputs > 64 || effect->numOutputs < 0 ||
      effect->numOutputs > 64 || effect->numParams < 0 || effect->numParams > 100000 ||
      effect->numPrograms < 0 || effect->numPrograms > 100000) {
    error = "the plug-in's effect record declares implausible counts (" +
            std::to_string(effect->numInputs) + " inputs, " + std::to_string(effect->numOutputs) +
            " outputs, " + std::to_string(effect->numParams) + " parameters)";
    return nullptr;
  }
  return std::unique_ptr<PluginInstance>(new PluginInstance(effect));
}

PluginInstance::~PluginInstance() {
  Suspend();
  Dispatch(effClose);
}

VstIntPtr PluginInstance::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginInstance::QueryText(VstInt32 opcode, VstInt32 index) {
  char buffer[512];
  std::memset(buffer, 0, sizeof buffer);
  Dispatch(opcode, index, 0, buffer);
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

void PluginInstance::Open(double sampleRate, int frames, Precision precision) {
  HostContext& host = TheHostContext();
  host.sampleRate = sampleRate;
  host.blockSize = frames;
  blockSize = frames;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, frames);
  if (effect->flags & effFlagsCanDoubleReplacing) {
    Dispatch(effSetProcessPrecision, 0,
             precision == Precision::Double64 ? kVstProcessPrecision64 : kVstProcessPrecision32);
  }
  VstSpeakerArrangement in = ArrangementFor(effect->numInputs);
  VstSpeakerArrangement out = ArrangementFor(effect->numOutputs);
  if (effect->numInputs <= 8 && effect->numOutputs <= 8)
    Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);

  const size_t ins = static_cast<size_t>(effect->numInputs);
  const size_t outs = static_cast<size_t>(effect->numOutputs);
  const size_t n = static_cast<size_t>(frames);
  buffers.Allocate(ins, outs, n);
}

void BlockBuffers::Allocate(size_t inputs, size_t outputs, size_t frames) {
  in64.assign(inputs, std::vector<double>(frames));
  out64.assign(outputs, std::vector<double>(frames));
  in32.assign(inputs, std::vector<float>(frames));
  out32.assign(outputs, std::vector<float>(frames));
  inPtr64.clear();
  outPtr64.clear();
  inPtr32.clear();
  outPtr32.clear();
  for (auto& b : in64) inPtr64.push_back(b.data());
  for (auto& b : out64) outPtr64.push_back(b.data());
  for (auto& b : in32) inPtr32.push_back(b.data());
  for (auto& b : out32) outPtr32.push_back(b.data());
  // Some plug-ins index the arrays even with zero channels.
  inPtr64.push_back(nullptr);
  outPtr64.push_back(nullptr);
  inPtr32.push_back(nullptr);
  outPtr32.push_back(nullptr);
}

void PluginInstance::ConnectOutputs(int outputs) {
  VstSpeakerArrangement in = ArrangementFor(effect->numInputs);
  VstSpeakerArrangement out = ArrangementFor(outputs);
  Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
}

void PluginInstance::Resume() {
  if (resumed) return;
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  resumed = true;
}

void PluginInstance::Suspend() {
  if (!resumed) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  resumed = false;
}

bool PluginInstance::SupportsPrecision(Precision precision) const {
  switch (precision) {
    case Precision::Double64:
      return (effect->flags & effFlagsCanDoubleReplacing) && effect->processDoubleReplacing;
    case Precision::Float32:
      return effect->processReplacing != nullptr;
    case Precision::Accumulate32:
      return effect->process != nullptr;
  }
  return false;
}

void PluginInstance::RenderBlock(size_t start, int frames, Precision precision,
                                 AudioBuffer& output,
                                 const std::vector<std::vector<double>>& inputs) {
  HostContext& host = TheHostContext();
  VstTimeInfo& time = host.timeInfo;
  std::memset(&time, 0, sizeof time);
  time.samplePos = static_cast<double>(position + start);
  time.sampleRate = host.sampleRate;
  time.tempo = 120.0;
  time.ppqPos = time.samplePos / host.sampleRate * 2.0;
  time.timeSigNumerator = 4;
  time.timeSigDenominator = 4;
  time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;

  const size_t n = static_cast<size_t>(frames);
  const size_t ins = buffers.in64.size();
  const size_t outs = buffers.out64.size();
  if (precision == Precision::Double64) {
    for (size_t c = 0; c < ins; ++c)
      std::memcpy(buffers.in64[c].data(), inputs[c].data() + start, n * sizeof(double));
    for (size_t c = 0; c < outs; ++c) std::memset(buffers.out64[c].data(), 0, n * sizeof(double));
    effect->processDoubleReplacing(effect, buffers.inPtr64.data(), buffers.outPtr64.data(), frames);
    for (size_t c = 0; c < outs; ++c)
      std::memcpy(output.channels[c].data() + start, buffers.out64[c].data(), n * sizeof(double));
    return;
  }
  for (size_t c = 0; c < ins; ++c)
    for (size_t k = 0; k < n; ++k) buffers.in32[c][k] = static_cast<float>(inputs[c][start + k]);
  // The accumulating callback adds to what the outputs hold: start them silent.
  for (size_t c = 0; c < outs; ++c) std::memset(buffers.out32[c].data(), 0, n * sizeof(float));
  if (precision == Precision::Float32)
    effect->processReplacing(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  else
    effect->process(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  for (size_t c = 0; c < outs; ++c)
    for (size_t k = 0; k < n; ++k) output.channels[c][start + k] = buffers.out32[c][k];
}

}  // namespace vrender
