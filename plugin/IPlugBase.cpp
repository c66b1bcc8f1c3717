#include "plugin/IPlugBase.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <emmintrin.h>

#include "graphics/IEditorCanvas.h"
#include "plugin/ITrace.h"

namespace
{
void CopyName(char* field, int size, const char* text)
{
  int i = 0;
  if (text)
    for (; i < size - 1 && text[i]; ++i) field[i] = text[i];
  field[i] = 0;
}

bool IsSpace(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way "%d" does (white space, optional sign, digits), saturating at the
// int range instead of overflowing. False, with p unchanged, when no digit follows.
bool ScanInt(const char*& p, int* out)
{
  const char* s = p;
  while (IsSpace(*s)) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  if (*s < '0' || *s > '9') return false;
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s)
    if (v <= (int64_t)INT_MAX + 1) v = v * 10 + (*s - '0');
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  *out = (int)v;
  p = s;
  return true;
}

double* ScratchOf(IStateChunk& scratch)
{
  return reinterpret_cast<double*>(scratch.Data());
}

// Conversions between the host's 32-bit samples and the 64-bit frame, four at a time. SSE2
// is the baseline of every build, and its conversions round exactly as the scalar casts do
// (float to double is exact; double to float rounds to nearest), so both forms give the same
// samples; the vector form keeps the 32-bit callbacks close to the cost of the 64-bit one.
void FloatToDouble(const float* src, double* dst, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    const __m128 f = _mm_loadu_ps(src + i);
    _mm_storeu_pd(dst + i, _mm_cvtps_pd(f));
    _mm_storeu_pd(dst + i + 2, _mm_cvtps_pd(_mm_movehl_ps(f, f)));
  }
  for (; i < n; ++i) dst[i] = src[i];
}

inline __m128 FourDoublesToFloats(const double* src)
{
  return _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(src)), _mm_cvtpd_ps(_mm_loadu_pd(src + 2)));
}

void DoubleToFloat(const double* src, float* dst, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4) _mm_storeu_ps(dst + i, FourDoublesToFloats(src + i));
  for (; i < n; ++i) dst[i] = (float)src[i];
}

void DoubleAddToFloat(const double* src, float* dst, int n)
{
  int i = 0;
  for (; i + 4 <= n; i += 4)
    _mm_storeu_ps(dst + i, _mm_add_ps(_mm_loadu_ps(dst + i), FourDoublesToFloats(src + i)));
  for (; i < n; ++i) dst[i] += (float)src[i];
}

// The base processing at either sample width: input i to output i, silence on outputs
// that have no input.
template <typename Sample>
void PassThrough(Sample** ins, Sample** outs, int nIn, int nOut, int frames)
{
  if (frames <= 0 || !outs) return;
  if (!ins) nIn = 0;
  for (int i = 0; i < nOut; ++i)
  {
    if (!outs[i]) continue;
    if (i < nIn && ins[i])
    {
      if (ins[i] != outs[i]) std::memmove(outs[i], ins[i], (size_t)frames * sizeof(Sample));
    }
    else if (i >= nIn)
    {
      std::memset(outs[i], 0, (size_t)frames * sizeof(Sample));
    }
  }
}

// The channel indices [from, to) that start and count select inside 0 .. n - 1.
void ChannelRange(int start, int count, int n, int* from, int* to)
{
  int64_t a = start < 0 ? 0 : start;
  int64_t b = (int64_t)start + count;
  if (b > n) b = n;
  *from = (int)a;
  *to = (int)(b > a ? b : a);
}
}  // namespace

IPlugBase::IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName_,
                     const char* productName_, const char* makerName_, int version_, int uniqueID_,
                     int makerID_, int latency_, bool usesStateChunks_, bool isInstrument_)
    : uniqueID(uniqueID_),
      makerID(makerID_),
      version(version_),
      usesStateChunks(usesStateChunks_),
      isInstrument(isInstrument_),
      latency(latency_),
      inputPointers(IStateChunk::kDefaultGranularity),
      outputPointers(IStateChunk::kDefaultGranularity)
{
  for (int i = 0; i < nParams; ++i)
  {
    IPlugParam* param = new IPlugParam();
    if (!params.Add(param)) delete param;
  }
  for (int i = 0; i < nPresets; ++i)
  {
    IPlugPreset* preset = new IPlugPreset();
    if (!presets.Add(preset)) delete preset;
  }
  CopyName(effectName, kNameSize, effectName_);
  CopyName(productName, kNameSize, productName_);
  CopyName(makerName, kNameSize, makerName_);

  ParseChannelIO(channelIOStr);

  char timestamp[64];
  IBuildTraceTimestamp(std::time(nullptr), timestamp, (int)sizeof timestamp);
  ITrace("IPlugBase::IPlugBase", "%s", timestamp);
}

void IPlugBase::ParseChannelIO(const char* text)
{
  int maxIn = 0;
  int maxOut = 0;
  for (const char* cursor = text; cursor;)
  {
    int in = 0;
    int out = 0;
    const char* p = cursor;
    if (ScanInt(p, &in) && *p == '-')
    {
      ++p;
      ScanInt(p, &out);
    }
    if (in > maxIn) maxIn = in;
    if (out > maxOut) maxOut = out;
    ChannelIOConfig* config = new ChannelIOConfig();
    config->inputs = in;
    config->outputs = out;
    if (!channelIOConfigs.Add(config)) delete config;

    cursor = std::strchr(cursor, ' ');
    if (cursor) ++cursor;
  }
  // Counts are taken as written, within reason: a channel count is also a buffer size.
  if (maxIn > kMaxChannels) maxIn = kMaxChannels;
  if (maxOut > kMaxChannels) maxOut = kMaxChannels;

  inputPointers.Resize(maxIn * (int)sizeof(double*));
  outputPointers.Resize(maxOut * (int)sizeof(double*));
  maxIn = inputPointers.Size() / (int)sizeof(double*);
  maxOut = outputPointers.Size() / (int)sizeof(double*);

  double** inSlots = reinterpret_cast<double**>(inputPointers.Data());
  for (int i = 0; i < maxIn; ++i)
  {
    IInputChannel* channel = new IInputChannel();
    channel->slot = inSlots + i;
    *channel->slot = ScratchOf(channel->scratch);
    if (!inputs.Add(channel))
    {
      delete channel;
      break;
    }
  }
  double** outSlots = reinterpret_cast<double**>(outputPointers.Data());
  for (int i = 0; i < maxOut; ++i)
  {
    IOutputChannel* channel = new IOutputChannel();
    channel->slot = outSlots + i;
    *channel->slot = ScratchOf(channel->scratch);
    if (!outputs.Add(channel))
    {
      delete channel;
      break;
    }
  }
}

IPlugBase::~IPlugBase()
{
  delete editor;
  editor = nullptr;
  for (int i = 0; i < params.GetCount(); ++i) delete params.Get(i);
  for (int i = presets.GetCount() - 1; i >= 0; --i) delete presets.Get(i);
  for (int i = 0; i < inputs.GetCount(); ++i) delete inputs.Get(i);
  for (int i = 0; i < outputs.GetCount(); ++i) delete outputs.Get(i);
  for (int i = 0; i < channelIOConfigs.GetCount(); ++i) delete channelIOConfigs.Get(i);
  params.Clear();
  presets.Clear();
  inputs.Clear();
  outputs.Clear();
  channelIOConfigs.Clear();
}

// Virtual operations with a base behaviour ------------------------------------------------

void IPlugBase::OnReset()
{
  IPlugMutexLock lock(mutex);
}

void IPlugBase::OnParameterChanged(int)
{
  IPlugMutexLock lock(mutex);
}

void IPlugBase::ProcessBlock64(double** ins, double** outs, int frames)
{
  PassThrough(ins, outs, NInputs(), NOutputs(), frames);
}

void IPlugBase::ProcessBlock32(float** ins, float** outs, int frames)
{
  PassThrough(ins, outs, NInputs(), NOutputs(), frames);
}

void IPlugBase::OnEditorOpened() {}

void IPlugBase::OnEditorClosing() {}

void IPlugBase::ReservedHookA() {}

void IPlugBase::OnActivate(bool)
{
  IPlugMutexLock lock(mutex);
}

void IPlugBase::OnMidiMessage(IMidiMessage* message)
{
  SendMidiMessage(message);
}

bool IPlugBase::GetMidiKeyName(int, char* name)
{
  if (name) name[0] = 0;
  return false;
}

HostId IPlugBase::IdentifyHost()
{
  return hostId;
}

void IPlugBase::ReservedHookB() {}

bool IPlugBase::ReservedQuery()
{
  return false;
}

void IPlugBase::AttachEditor(IEditorCanvas* canvas)
{
  if (!canvas) return;
  IPlugMutexLock lock(mutex);
  for (int i = 0; i < NParams(); ++i) canvas->PushParamToControls(i, GetParam(i)->GetNormalizedValue(), true);
  canvas->PrepareDrawing();
  // The plug-in owns what it was given; a replaced canvas must not leak.
  if (editor && editor != canvas) delete editor;
  editor = canvas;
}

void IPlugBase::SetMaxBlockFrames(int frames)
{
  if (frames == blockSize) return;
  if (frames < 0 || frames > INT_MAX / (int)sizeof(double)) return;

  bool ok = true;
  for (int i = 0; i < NInputs(); ++i)
  {
    IStateChunk& scratch = inputs.Get(i)->scratch;
    scratch.Resize(frames * (int)sizeof(double));
    ok = ok && scratch.Size() == frames * (int)sizeof(double);
  }
  for (int i = 0; i < NOutputs(); ++i)
  {
    IStateChunk& scratch = outputs.Get(i)->scratch;
    scratch.Resize(frames * (int)sizeof(double));
    ok = ok && scratch.Size() == frames * (int)sizeof(double);
  }
  if (!ok)
  {
    // Every scratch must hold exactly one block; without memory for it, run no blocks.
    frames = 0;
    for (int i = 0; i < NInputs(); ++i) inputs.Get(i)->scratch.Resize(0);
    for (int i = 0; i < NOutputs(); ++i) outputs.Get(i)->scratch.Resize(0);
  }

  for (int i = 0; i < NInputs(); ++i)
  {
    IInputChannel* channel = inputs.Get(i);
    if (frames > 0) std::memset(channel->scratch.Data(), 0, (size_t)frames * sizeof(double));
    if (!channel->connected) *channel->slot = ScratchOf(channel->scratch);
  }
  for (int i = 0; i < NOutputs(); ++i)
  {
    IOutputChannel* channel = outputs.Get(i);
    if (frames > 0) std::memset(channel->scratch.Data(), 0, (size_t)frames * sizeof(double));
    if (!channel->connected) *channel->slot = ScratchOf(channel->scratch);
  }
  blockSize = frames;
}

void IPlugBase::SetLatencyFrames(int samples)
{
  latency = samples;
}

void IPlugBase::PresetChanged() {}

// Channel configuration --------------------------------------------------------------------

bool IPlugBase::LegalIO(int nIn, int nOut) const
{
  for (int i = 0; i < channelIOConfigs.GetCount(); ++i)
  {
    const ChannelIOConfig* config = channelIOConfigs.Get(i);
    if ((nIn < 0 || nIn == config->inputs) && (nOut < 0 || nOut == config->outputs)) return true;
  }
  return false;
}

void IPlugBase::ConnectInputs(int start, int count, bool connected)
{
  int from, to;
  ChannelRange(start, count, NInputs(), &from, &to);
  for (int i = from; i < to; ++i)
  {
    IInputChannel* channel = inputs.Get(i);
    channel->connected = connected;
    if (!connected)
    {
      // A disconnected input reads silence, not what the last 32-bit block left there.
      if (channel->scratch.Size() > 0) std::memset(channel->scratch.Data(), 0, (size_t)channel->scratch.Size());
      *channel->slot = ScratchOf(channel->scratch);
    }
  }
}

void IPlugBase::ConnectOutputs(int start, int count, bool connected)
{
  int from, to;
  ChannelRange(start, count, NOutputs(), &from, &to);
  for (int i = from; i < to; ++i)
  {
    IOutputChannel* channel = outputs.Get(i);
    channel->connected = connected;
    if (!connected) *channel->slot = ScratchOf(channel->scratch);
  }
}

bool IPlugBase::IsInputConnected(int index) const
{
  const IInputChannel* channel = inputs.Get(index);
  return channel && channel->connected;
}

bool IPlugBase::IsOutputConnected(int index) const
{
  const IOutputChannel* channel = outputs.Get(index);
  return channel && channel->connected;
}

void IPlugBase::ApplyHostChannelRule()
{
  if (NInputs() > 2) ConnectInputs(2, NInputs() - 2, false);
  if (NOutputs() >= 3)
    for (int i = 2; i < NOutputs(); ++i) outputs.Get(i)->connected = true;
}

// The processing frame ---------------------------------------------------------------------
//
// The k-th connected channel takes the k-th host buffer; disconnected channels never touch
// host memory. A missing host buffer leaves the channel on its (silent) scratch. Blocks
// longer than the block size run as several calls of at most the block size, so scratch
// is never overrun.

void IPlugBase::AttachInputs64(int start, int count, double** host)
{
  int from, to;
  ChannelRange(start, count, NInputs(), &from, &to);
  int k = 0;
  for (int i = from; i < to; ++i)
  {
    IInputChannel* channel = inputs.Get(i);
    if (!channel->connected) continue;
    double* buffer = host ? host[k++] : nullptr;
    channel->hostSource64 = buffer;
    channel->hostSource32 = nullptr;
    if (buffer)
      *channel->slot = buffer;
    else
    {
      if (channel->scratch.Size() > 0) std::memset(channel->scratch.Data(), 0, (size_t)channel->scratch.Size());
      *channel->slot = ScratchOf(channel->scratch);
    }
  }
}

void IPlugBase::AttachInputs32(int start, int count, float** host, int frames)
{
  int from, to;
  ChannelRange(start, count, NInputs(), &from, &to);
  const int n = frames < 0 ? 0 : (frames < blockSize ? frames : blockSize);
  int k = 0;
  for (int i = from; i < to; ++i)
  {
    IInputChannel* channel = inputs.Get(i);
    if (!channel->connected) continue;
    const float* buffer = host ? host[k++] : nullptr;
    channel->hostSource32 = buffer;
    channel->hostSource64 = nullptr;
    double* scratch = ScratchOf(channel->scratch);
    *channel->slot = scratch;
    if (buffer)
      FloatToDouble(buffer, scratch, n);
    else if (scratch)
      std::memset(scratch, 0, (size_t)channel->scratch.Size());
  }
}

void IPlugBase::AttachOutputs64(int start, int count, double** host)
{
  int from, to;
  ChannelRange(start, count, NOutputs(), &from, &to);
  int k = 0;
  for (int i = from; i < to; ++i)
  {
    IOutputChannel* channel = outputs.Get(i);
    if (!channel->connected) continue;
    double* buffer = host ? host[k++] : nullptr;
    channel->hostDestination64 = buffer;
    channel->hostDestination = nullptr;
    *channel->slot = buffer ? buffer : ScratchOf(channel->scratch);
  }
}

void IPlugBase::AttachOutputs32(int start, int count, float** host)
{
  int from, to;
  ChannelRange(start, count, NOutputs(), &from, &to);
  int k = 0;
  for (int i = from; i < to; ++i)
  {
    IOutputChannel* channel = outputs.Get(i);
    if (!channel->connected) continue;
    channel->hostDestination = host ? host[k++] : nullptr;
    channel->hostDestination64 = nullptr;
    *channel->slot = ScratchOf(channel->scratch);
  }
}

void IPlugBase::RunBlock64(int frames)
{
  if (frames < 0) frames = 0;
  double** ins = NInputs() > 0 ? reinterpret_cast<double**>(inputPointers.Data()) : nullptr;
  double** outs = NOutputs() > 0 ? reinterpret_cast<double**>(outputPointers.Data()) : nullptr;
  if (frames <= blockSize)
  {
    ProcessBlock64(ins, outs, frames);
    return;
  }
  if (blockSize <= 0)
  {
    // No scratch to run on: give the host silence rather than what its buffers held.
    for (int i = 0; i < NOutputs(); ++i)
    {
      IOutputChannel* channel = outputs.Get(i);
      if (channel->connected && channel->hostDestination64)
        std::memset(channel->hostDestination64, 0, (size_t)frames * sizeof(double));
    }
    return;
  }
  for (int offset = 0; offset < frames; offset += blockSize)
  {
    const int n = frames - offset < blockSize ? frames - offset : blockSize;
    for (int i = 0; i < NInputs(); ++i)
    {
      IInputChannel* channel = inputs.Get(i);
      if (channel->connected && channel->hostSource64) *channel->slot = const_cast<double*>(channel->hostSource64) + offset;
    }
    for (int i = 0; i < NOutputs(); ++i)
    {
      IOutputChannel* channel = outputs.Get(i);
      if (channel->connected && channel->hostDestination64) *channel->slot = channel->hostDestination64 + offset;
    }
    ProcessBlock64(ins, outs, n);
  }
}

void IPlugBase::RunBlock32Replacing(int frames)
{
  RunBlock32(frames, false);
}

void IPlugBase::RunBlock32Accumulating(int frames)
{
  RunBlock32(frames, true);
}

void IPlugBase::RunBlock32(int frames, bool accumulate)
{
  if (frames < 0) frames = 0;
  double** ins = NInputs() > 0 ? reinterpret_cast<double**>(inputPointers.Data()) : nullptr;
  double** outs = NOutputs() > 0 ? reinterpret_cast<double**>(outputPointers.Data()) : nullptr;
  if (frames == 0)
  {
    ProcessBlock64(ins, outs, 0);
    return;
  }
  if (blockSize <= 0)
  {
    if (!accumulate)
      for (int i = 0; i < NOutputs(); ++i)
      {
        IOutputChannel* channel = outputs.Get(i);
        if (channel->connected && channel->hostDestination)
          std::memset(channel->hostDestination, 0, (size_t)frames * sizeof(float));
      }
    return;
  }
  for (int offset = 0; offset < frames; offset += blockSize)
  {
    const int n = frames - offset < blockSize ? frames - offset : blockSize;
    if (offset > 0)
      for (int i = 0; i < NInputs(); ++i)
      {
        IInputChannel* channel = inputs.Get(i);
        if (channel->connected && channel->hostSource32)
          FloatToDouble(channel->hostSource32 + offset, ScratchOf(channel->scratch), n);
      }
    ProcessBlock64(ins, outs, n);
    for (int i = 0; i < NOutputs(); ++i)
    {
      IOutputChannel* channel = outputs.Get(i);
      if (!channel->connected || !channel->hostDestination) continue;
      const double* result = *channel->slot;
      if (accumulate)
        DoubleAddToFloat(result, channel->hostDestination + offset, n);
      else
        DoubleToFloat(result, channel->hostDestination + offset, n);
    }
  }
}

// Parameters ---------------------------------------------------------------------------------

void IPlugBase::SetParameterFromGUI(int index, double normalized)
{
  IPlugMutexLock lock(mutex);
  IPlugParam* param = GetParam(index);
  if (!param) return;
  if (std::isnan(normalized) || normalized < 0.0) normalized = 0.0;
  if (normalized > 1.0) normalized = 1.0;
  param->SetFromNormalized(normalized);
  HostAutomate(index, normalized);
  OnParameterChanged(index);
}

void IPlugBase::NotifyAllParamsChanged()
{
  for (int i = 0; i < NParams(); ++i) OnParameterChanged(i);
}

// Identity -------------------------------------------------------------------------------------

int IPlugBase::GetVersionNumber(bool decimal) const
{
  if (!decimal) return version;
  const int major = (int)((uint32_t)version >> 16);
  const int minor = (version >> 8) & 0xFF;
  const int patch = version & 0xFF;
  return (major * 100 + minor) * 100 + patch;
}

void IPlugBase::SetHost(const char* hostProduct, int packedVersion)
{
  hostId = MatchHostName(hostProduct);
  hostVersion = packedVersion;
  char versionText[64];
  std::snprintf(versionText, sizeof versionText, "v%d.%d.%d", (int)((uint32_t)packedVersion >> 16),
                (packedVersion >> 8) & 0xFF, packedVersion & 0xFF);
  ITrace("IPlugBase::SetHost", "host_%sknown:%s:%s", hostId == kHostUnknown ? "un" : "",
         hostProduct ? hostProduct : "", versionText);
}
