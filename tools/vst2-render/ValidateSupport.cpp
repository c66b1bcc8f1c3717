#include "tools/vst2-render/ValidateSupport.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vrender {

namespace {

const unsigned char kGuard = 0xA5;
const size_t kGuardedBytes = 1024;

}  // namespace

HostLog& TheHostLog() {
  static HostLog log;
  return log;
}

VstIntPtr ValidatorHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt) {
  HostLog& log = TheHostLog();
  switch (opcode) {
    case audioMasterAutomate:
      ++log.automate;
      return 0;
    case audioMasterBeginEdit:
      ++log.beginEdit;
      return 1;
    case audioMasterEndEdit:
      ++log.endEdit;
      return 1;
    default:
      return HostCallback(effect, opcode, index, value, ptr, opt);
  }
}

VstIntPtr SilentHostCallback(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

const char* PrecisionLabel(Precision precision) {
  switch (precision) {
    case Precision::Double64: return "64-bit";
    case Precision::Float32: return "32-bit";
    case Precision::Accumulate32: return "accumulating";
  }
  return "?";
}

Plugin::Plugin(const GroupContext& c) : context(c) { Reload(); }

bool Plugin::Reload() {
  if (context.entry) {
    entry = context.entry;
    entryName = "VSTPluginMain";
    return true;
  }
  entry = nullptr;
  library.Unload();
  if (!library.Load(context.pluginPath, error)) return false;
  entry = library.Entry();
  entryName = library.EntryName();
  return true;
}

std::unique_ptr<Subject> Subject::Make(VstPluginMainProc entry, const std::string& entryName,
                                       std::string& error, audioMasterCallback host) {
  std::unique_ptr<PluginInstance> instance = PluginInstance::Create(entry, entryName, error, host);
  if (!instance) return nullptr;
  return std::unique_ptr<Subject>(new Subject(std::move(instance)));
}

void Subject::Start(double sampleRate, int block, Precision precision) {
  maxBlock = block < 1 ? 1 : block;
  instance->Open(sampleRate, maxBlock, precision);
  const size_t ins = static_cast<size_t>(Inputs());
  const size_t outs = static_cast<size_t>(Outputs());
  const size_t n = static_cast<size_t>(maxBlock);
  buffers.Allocate(ins, outs, n);
  instance->Resume();
}

std::vector<Precision> Subject::Precisions() const {
  std::vector<Precision> list;
  for (Precision p : {Precision::Double64, Precision::Float32, Precision::Accumulate32})
    if (instance->SupportsPrecision(p)) list.push_back(p);
  return list;
}

void Subject::Block(Precision precision, int frames, const Channels& in, size_t at, Channels* out,
                    float accumulateBase, size_t outAt) {
  if (outAt == kAtInput) outAt = at;
  if (frames > maxBlock) frames = maxBlock;
  const size_t n = static_cast<size_t>(frames < 0 ? 0 : frames);
  AEffect* effect = Effect();
  HostContext& host = TheHostContext();
  host.timeInfo.samplePos = static_cast<double>(at);
  host.timeInfo.sampleRate = host.sampleRate;
  host.timeInfo.tempo = 120.0;
  host.timeInfo.timeSigNumerator = 4;
  host.timeInfo.timeSigDenominator = 4;
  host.timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
  auto input = [&](size_t c, size_t k) {
    if (c >= in.size() || at + k >= in[c].size()) return 0.0;
    return in[c][at + k];
  };
  if (precision == Precision::Double64) {
    for (size_t c = 0; c < buffers.in64.size(); ++c)
      for (size_t k = 0; k < n; ++k) buffers.in64[c][k] = input(c, k);
    for (auto& b : buffers.out64) std::fill(b.begin(), b.begin() + static_cast<long>(n), 0.0);
    effect->processDoubleReplacing(effect, buffers.inPtr64.data(), buffers.outPtr64.data(), frames);
    if (out)
      for (size_t c = 0; c < buffers.out64.size() && c < out->size(); ++c)
        for (size_t k = 0; k < n && outAt + k < (*out)[c].size(); ++k) (*out)[c][outAt + k] = buffers.out64[c][k];
    return;
  }
  for (size_t c = 0; c < buffers.in32.size(); ++c)
    for (size_t k = 0; k < n; ++k) buffers.in32[c][k] = static_cast<float>(input(c, k));
  const float base = precision == Precision::Accumulate32 ? accumulateBase : 0.0f;
  for (auto& b : buffers.out32) std::fill(b.begin(), b.begin() + static_cast<long>(n), base);
  if (precision == Precision::Float32)
    effect->processReplacing(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  else
    effect->process(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  if (out)
    for (size_t c = 0; c < buffers.out32.size() && c < out->size(); ++c)
      for (size_t k = 0; k < n && outAt + k < (*out)[c].size(); ++k)
        (*out)[c][outAt + k] = static_cast<double>(buffers.out32[c][k]) - base;
}

void Subject::Watched(Precision precision, int frames, RealtimeCounts& counts) {
  if (frames > maxBlock) frames = maxBlock;
  AEffect* effect = Effect();
  g_realtimeWatch->begin();
  if (precision == Precision::Double64)
    effect->processDoubleReplacing(effect, buffers.inPtr64.data(), buffers.outPtr64.data(), frames);
  else if (precision == Precision::Float32)
    effect->processReplacing(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  else
    effect->process(effect, buffers.inPtr32.data(), buffers.outPtr32.data(), frames);
  g_realtimeWatch->end(counts);
}

void Subject::Run(Precision precision, const Channels& in, size_t frames, const std::vector<int>& sizes,
                  Channels& out) {
  out.assign(static_cast<size_t>(Outputs()), std::vector<double>(frames, 0.0));
  size_t at = 0;
  for (size_t i = 0; at < frames; ++i) {
    int n = sizes.empty() ? maxBlock : sizes[i % sizes.size()];
    if (n > maxBlock) n = maxBlock;
    if (static_cast<size_t>(n) > frames - at) n = static_cast<int>(frames - at);
    if (n == 0 && i > 4 * frames + 16) break;  // a size list of zeros alone never advances
    Block(precision, n, in, at, &out);
    at += static_cast<size_t>(n);
  }
}

Channels TestSignal(int channels, size_t frames, double sampleRate, double gain, uint64_t seed) {
  Channels audio(static_cast<size_t>(channels < 0 ? 0 : channels), std::vector<double>(frames));
  Random random(seed);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (size_t c = 0; c < audio.size(); ++c) {
    const double hz = 220.0 * static_cast<double>(c + 1);
    for (size_t k = 0; k < frames; ++k)
      audio[c][k] = gain * (0.5 * noise(random) +
                            0.5 * std::sin(6.283185307179586 * hz * static_cast<double>(k) / sampleRate));
  }
  return audio;
}

bool FindNonFinite(const Channels& audio, size_t& channel, size_t& frame) {
  for (size_t c = 0; c < audio.size(); ++c)
    for (size_t k = 0; k < audio[c].size(); ++k)
      if (!std::isfinite(audio[c][k])) {
        channel = c;
        frame = k;
        return true;
      }
  return false;
}

GuardedText AskGuarded(Subject& subject, VstInt32 opcode, VstInt32 index) {
  unsigned char buffer[kGuardedBytes];
  std::memset(buffer, kGuard, sizeof buffer);
  subject.Dispatch(opcode, index, 0, buffer);
  GuardedText g;
  for (size_t i = sizeof buffer; i > 0; --i)
    if (buffer[i - 1] != kGuard) {
      g.written = i;
      break;
    }
  const void* end = std::memchr(buffer, 0, sizeof buffer);
  g.terminated = end != nullptr;
  if (g.terminated) g.text.assign(reinterpret_cast<const char*>(buffer));
  return g;
}

std::string JudgeText(const GuardedText& g, size_t field, size_t tolerated, bool& warning) {
  warning = false;
  if (g.written == 0) return "";  // nothing written: the buffer keeps the host's contents
  if (!g.terminated || g.text.size() + 1 > g.written)
    return Printf("wrote %zu bytes without a terminator", g.written);
  if (g.written > tolerated)
    return Printf("wrote %zu bytes into a field of %zu (\"%s\")", g.written, field, g.text.c_str());
  if (g.written > field) {
    warning = true;
    return Printf("\"%s\" takes %zu bytes of a %zu-byte field", g.text.c_str(), g.written, field);
  }
  return "";
}

double Uniform(Random& random, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(random);
}

std::string Printf(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace vrender
