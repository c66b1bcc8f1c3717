#include "vst/IPlugVST.h"

#include <climits>
#include <cstring>

#include "graphics/IEditorCanvas.h"
#include "plugin/IPlugParam.h"

namespace
{
// The time-info fields GetTransportInfo asks for.
const VstIntPtr kTransportRequest =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;

int SaturatedRound(double x)
{
  const double r = x + 0.5;
  if (!(r < (double)INT_MAX)) return INT_MAX;
  return (int)r;
}

void SetArrangement(VstSpeakerArrangement& arrangement, int channels)
{
  std::memset(&arrangement, 0, sizeof arrangement);
  arrangement.numChannels = channels;
  switch (channels)
  {
    case 0: arrangement.type = kSpeakerArrEmpty; break;
    case 1: arrangement.type = kSpeakerArrMono; break;
    case 2: arrangement.type = kSpeakerArrStereo; break;
    default: arrangement.type = kSpeakerArrUserDefined; break;
  }
}

}  // namespace

IPlugVST::IPlugVST(audioMasterCallback host, int nParams, const char* channelIOStr, int nPresets,
                   const char* effectName, const char* productName, const char* makerName,
                   int version, int uniqueID, int makerID, int latency, bool doesMidiFlag,
                   bool usesStateChunks, bool isInstrument)
  : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, makerName, version,
              uniqueID, makerID, latency, usesStateChunks, isInstrument),
    hostCallback(host),
    doesMidi(doesMidiFlag),
    programChunk(IStateChunk::kDefaultGranularity),
    bankChunk(IStateChunk::kDefaultGranularity)
{
  std::memset(&editorRect, 0, sizeof editorRect);

  std::memset(&effect, 0, sizeof effect);
  effect.magic = kEffectMagic;
  effect.dispatcher = &IPlugVST::VSTDispatcher;
  effect.process = &VSTAccumulateBlock;
  effect.setParameter = &IPlugVST::VSTSetParameter;
  effect.getParameter = &IPlugVST::VSTGetParameter;
  effect.numPrograms = NPresets();
  effect.numParams = NParams();
  effect.numInputs = NInputs();
  effect.numOutputs = NOutputs();
  int flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (usesStateChunks) flags |= effFlagsProgramChunks;
  if (LegalIO(1, -1)) flags |= effFlagsCanMono;
  if (isInstrument) flags |= effFlagsIsSynth;
  effect.flags = flags;
  effect.initialDelay = latency;
  effect.ioRatio = 1.0f;
  effect.object = this;
  effect.uniqueID = uniqueID;
  effect.version = GetVersionNumber(true);
  effect.processReplacing = &VSTReplaceBlock;
  effect.processDoubleReplacing = &VSTReplaceBlock64;

  SetArrangement(inputArrangement, NInputs());
  SetArrangement(outputArrangement, NOutputs());

  ConnectInputs(0, NInputs(), true);
  ConnectOutputs(0, NOutputs(), true);
  SetMaxBlockFrames(1024);
}

IPlugVST::~IPlugVST()
{
  programChunk.Clear();
  bankChunk.Clear();
}

IPlugVST* IPlugVST::FromEffect(AEffect* effect)
{
  return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
}

// Host notifications ----------------------------------------------------------------------

VstIntPtr IPlugVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
  if (!hostCallback) return 0;
  return hostCallback(&effect, opcode, index, value, ptr, opt);
}

void IPlugVST::HostBeginEdit(int index)
{
  CallHost(audioMasterBeginEdit, index);
}

void IPlugVST::HostAutomate(int index, double normalized)
{
  CallHost(audioMasterAutomate, index, 0, nullptr, (float)normalized);
}

void IPlugVST::HostEndEdit(int index)
{
  CallHost(audioMasterEndEdit, index);
}

void IPlugVST::HostUpdateDisplay()
{
  CallHost(audioMasterUpdateDisplay);
}

VstTimeInfo* IPlugVST::QueryTime(VstIntPtr requestFlags)
{
  return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, requestFlags));
}

int IPlugVST::GetSamplePosition()
{
  const VstTimeInfo* t = QueryTime(0);
  if (t && t->samplePos >= 0.0) return SaturatedRound(t->samplePos);
  return 0;
}

double IPlugVST::GetTempo()
{
  if (!hostCallback) return 0.0;
  const VstTimeInfo* t = QueryTime(kVstTempoValid);
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void IPlugVST::GetTimeSignature(int* numerator, int* denominator)
{
  if (!numerator || !denominator) return;
  *numerator = 0;
  *denominator = 0;
  const VstTimeInfo* t = QueryTime(kVstTimeSigValid);
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 &&
      t->timeSigDenominator >= 0)
  {
    *numerator = t->timeSigNumerator;
    *denominator = t->timeSigDenominator;
  }
}

void IPlugVST::GetTransportInfo(ITransportInfo* info)
{
  if (!info) return;
  const VstTimeInfo* t = QueryTime(kTransportRequest);
  if (!t || !(t->flags & kTransportRequest)) return;
  if ((t->flags & kVstTempoValid) && t->tempo > 0.0) info->tempo = t->tempo;
  info->samplePosition = t->samplePos;
  if ((t->flags & kVstPpqPosValid) && t->ppqPos >= 0.0) info->quarterNotePosition = t->ppqPos;
  if ((t->flags & kVstBarsValid) && t->barStartPos >= 0.0) info->lastBarStart = t->barStartPos;
  if ((t->flags & kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0)
  {
    info->cycleStart = t->cycleStartPos;
    info->cycleEnd = t->cycleEndPos;
  }
  if ((t->flags & kVstTimeSigValid) && t->timeSigNumerator > 0 && t->timeSigDenominator > 0)
  {
    info->numerator = t->timeSigNumerator;
    info->denominator = t->timeSigDenominator;
  }
  info->transportPlaying = (t->flags & kVstTransportPlaying) != 0;
  info->cycleActive = (t->flags & kVstTransportCycleActive) != 0;
}

HostId IPlugVST::IdentifyHost()
{
  if (GetHostId() != kHostUninit) return GetHostId();
  char product[256];
  product[0] = 0;
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = 0;  // a host that fills the buffer may leave it unterminated
  int packed = 0;
  if (product[0])
    packed = PackDecimalHostVersion((int32_t)CallHost(audioMasterGetVendorVersion));
  SetHost(product, packed);
  return GetHostId();
}

void IPlugVST::AdaptToHost()
{
  if (hostInitDone) return;
  hostInitDone = true;
  switch (IdentifyHost())
  {
    case kHostForte:
    case kHostAudition:
    case kHostOrion:
    case kHostSawStudio:
      ApplyHostChannelRule();
      break;
    default:
      break;
  }
  inputArrangement.numChannels = effect.numInputs = NInputs();
  outputArrangement.numChannels = effect.numOutputs = NOutputs();
}

void IPlugVST::AttachEditor(IEditorCanvas* canvas)
{
  if (!canvas) return;
  IPlugBase::AttachEditor(canvas);
  effect.flags |= effFlagsHasEditor;
  RefreshEditorRect();
}

void IPlugVST::RefreshEditorRect()
{
  int width = 0, height = 0;
  if (!GetEditor() || !EditorPanelSize(&width, &height)) return;
  editorRect.top = 0;
  editorRect.left = 0;
  editorRect.bottom = (VstInt16)(height < 0 ? 0 : height > SHRT_MAX ? SHRT_MAX : height);
  editorRect.right = (VstInt16)(width < 0 ? 0 : width > SHRT_MAX ? SHRT_MAX : width);
}

void IPlugVST::SetLatencyFrames(int samples)
{
  effect.initialDelay = samples;
  IPlugBase::SetLatencyFrames(samples);
}

bool IPlugVST::SendMidiMessage(IMidiMessage* message)
{
  if (!message) return false;
  VstMidiEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = kVstMidiType;
  event.byteSize = (VstInt32)sizeof event;
  event.deltaFrames = message->sampleOffset;
  event.midiData[0] = (char)message->status;
  event.midiData[1] = (char)message->data1;
  event.midiData[2] = (char)message->data2;
  VstEvents list;
  std::memset(&list, 0, sizeof list);
  list.numEvents = 1;
  list.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IPlugVST::SendMidiMessages(IPtrList<IMidiMessage>* messages)
{
  if (!messages) return false;
  bool allSent = true;
  const int n = messages->GetCount();
  for (int i = 0; i < n; ++i)
    if (!SendMidiMessage(messages->Get(i))) allSent = false;
  return allSent;
}

void IPlugVST::SendEventToHost(VstEvent* event)
{
  VstEvents list;
  std::memset(&list, 0, sizeof list);
  list.numEvents = 1;
  list.events[0] = event;
  CallHost(audioMasterProcessEvents, 0, 0, &list);
}

// Parameter callbacks -----------------------------------------------------------------------

float IPlugVST::VSTGetParameter(AEffect* effect, VstInt32 index)
{
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0.0f;
  IPlugMutexLock lock(plug->mutex);
  const IPlugParam* param = plug->GetParam(index);
  return param ? (float)param->GetNormalizedValue() : 0.0f;
}

void IPlugVST::VSTSetParameter(AEffect* effect, VstInt32 index, float normalized)
{
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return;
  IPlugMutexLock lock(plug->mutex);
  IPlugParam* param = plug->GetParam(index);
  if (!param) return;
  if (IEditorCanvas* canvas = plug->GetEditor())
  {
    // Controls get a value they can draw even when the host sends NaN or overshoots.
    double shown = (double)normalized;
    if (!(shown >= 0.0)) shown = 0.0;
    if (shown > 1.0) shown = 1.0;
    canvas->PushParamToControls(index, shown, true);
  }
  param->SetFromNormalized((double)normalized);
  plug->OnParameterChanged(index);
}

// Block callbacks ---------------------------------------------------------------------------

// The core attaches the k-th connected channel to the k-th host buffer, treats a missing
// buffer as silence (inputs) or scratch (outputs), and splits a block longer than the
// block size, so a host's odd block never overruns a scratch buffer.
void IPlugVST::ProcessHostBlock32(float** in, float** out, VstInt32 frames, bool accumulate)
{
  IPlugMutexLock lock(mutex);
  if (doesMidi) CallHost(audioMasterWantMidi);
  AttachInputs32(0, NInputs(), in, frames);
  AttachOutputs32(0, NOutputs(), out);
  if (accumulate)
    RunBlock32Accumulating(frames);
  else
    RunBlock32Replacing(frames);
}

void IPlugVST::ProcessHostBlock64(double** in, double** out, VstInt32 frames)
{
  IPlugMutexLock lock(mutex);
  if (doesMidi) CallHost(audioMasterWantMidi);
  AttachInputs64(0, NInputs(), in);
  AttachOutputs64(0, NOutputs(), out);
  RunBlock64(frames);
}

// audio thread; takes the instance lock
void VSTAccumulateBlock(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
  if (IPlugVST* plug = IPlugVST::FromEffect(effect))
    plug->ProcessHostBlock32(inputs, outputs, frames, true);
}

// audio thread; takes the instance lock
void VSTReplaceBlock(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
  if (IPlugVST* plug = IPlugVST::FromEffect(effect))
    plug->ProcessHostBlock32(inputs, outputs, frames, false);
}

// audio thread; takes the instance lock
void VSTReplaceBlock64(AEffect* effect, double** inputs, double** outputs, VstInt32 frames)
{
  if (IPlugVST* plug = IPlugVST::FromEffect(effect))
    plug->ProcessHostBlock64(inputs, outputs, frames);
}
