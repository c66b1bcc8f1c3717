// IPlugVST's dispatcher: everything the host asks besides parameters and audio.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/IEditorCanvas.h"
#include "plugin/IPlugParam.h"
#include "vst/IPlugVST.h"

namespace
{
const VstIntPtr kIdentifyAnswer = 0x4E764566;  // the characters N, v, E, f
const VstInt32 kLastKnownOpcode = effGetSpeakerArrangement;
const VstInt32 kVendorFormatValue = 7;  // effVendorSpecific index: format a normalised value

// Room in the host's text buffers. Hosts size them by the published maxima, so a longer
// text is cut rather than written past the buffer's end. Parameter texts keep their own
// 32-byte field size, which every host buffer in practice holds.
const int kParamTextBytes = IPlugParam::kNameSize;
const int kProgramNameBytes = kVstMaxProgNameLen + 1;
const int kEffectNameBytes = kVstMaxEffectNameLen;
const int kVendorTextBytes = kVstMaxVendorStrLen;

void CopyOut(void* ptr, const char* text, int size)
{
  char* out = static_cast<char*>(ptr);
  int i = 0;
  if (text)
    for (; i < size - 1 && text[i]; ++i) out[i] = text[i];
  out[i] = 0;
}

int ClampChannels(VstInt32 n, int available)
{
  if (n < 0) return 0;
  return n > available ? available : n;
}
}  // namespace

// any host thread; takes the instance lock for the whole call (effClose releases it first)
VstIntPtr IPlugVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                  VstIntPtr value, void* ptr, float opt)
{
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose)
  {
    // Taking the lock waits for a block or parameter call still in progress on another
    // thread; it must be released before the object (and the lock with it) goes away.
    plug->mutex.Lock();
    plug->mutex.Unlock();
    // An editor still open goes first, while the whole object exists: a window layer with
    // threads of its own must stop them before the product's part of the object is gone
    // (they call back into it for automation).
    if (IEditorCanvas* canvas = plug->GetEditor()) canvas->CloseWindow();
    delete plug;
    return 0;
  }
  if (opcode == effEditIdle)
  {
    // Handled before the instance lock: an editor that redraws from the host's idle call
    // (where it has no timer of its own) must not stall the audio thread while it paints.
    // The canvas is attached at construction and lives as long as the plug-in.
    if (IEditorCanvas* canvas = plug->GetEditor()) canvas->OnHostIdle();
    return 0;
  }
  IPlugMutexLock lock(plug->mutex);
  return plug->Dispatch(opcode, index, value, ptr, opt);
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
  if (opcode == effEditIdle || opcode == effIdle) return 0;
  if (opcode > kLastKnownOpcode) return 0;

  IPlugParam* param = GetParam(index);  // null unless index is a valid parameter index

  switch (opcode)
  {
    case effOpen:
      AdaptToHost();
      NotifyAllParamsChanged();
      return 0;

    case effSetProgram:
      if (!UsesStateChunks()) ModifyCurrentPreset(nullptr);
      // A number outside the int range is no slot (and must not wrap onto one).
      if (value >= INT_MIN && value <= INT_MAX) LoadPreset((int)value);
      return 0;

    case effGetProgram:
      return GetCurrentPresetIndex();

    case effSetProgramName:
      if (ptr)
      {
        ModifyCurrentPreset(static_cast<const char*>(ptr));
        PresetChanged();
      }
      return 0;

    case effGetProgramName:
      if (ptr) CopyOut(ptr, GetPresetNameAt(GetCurrentPresetIndex()), kProgramNameBytes);
      return 0;

    case effGetParamLabel:
      if (param && ptr) CopyOut(ptr, param->GetParamLabel(), kParamTextBytes);
      return 0;

    case effGetParamDisplay:
      if (param && ptr)
        param->FormatValue(param->GetValue(), false, static_cast<char*>(ptr), true,
                           kParamTextBytes);
      return 0;

    case effGetParamName:
      if (param && ptr) CopyOut(ptr, param->GetParamName(), kParamTextBytes);
      return 0;

    case effSetSampleRate:
    {
      // Zero, negative or NaN rates would turn every coefficient into NaN; keep the last
      // good rate instead.
      const double hz = (double)opt;
      if (!(hz > 0.0) || !std::isfinite(hz)) return 0;
      SetSampleRateHz(hz);
      OnReset();
      return 0;
    }

    case effSetBlockSize:
      // Blocks longer than the block size are run in parts anyway, so refusing a size that
      // is not positive or would allocate gigabytes of scratch loses nothing.
      if (value < 1 || value > kMaxBlockFrames) return 0;
      SetMaxBlockFrames((int)value);
      OnReset();
      return 0;

    case effMainsChanged:
      if (value)
      {
        OnActivate(true);
      }
      else
      {
        OnActivate(false);
        OnReset();
      }
      return 0;

    case effEditGetRect:
      if (!ptr || !GetEditor()) return 0;
      *static_cast<ERect**>(ptr) = &editorRect;
      return 1;

    case effEditOpen:
      if (!GetEditor() || !EditorOpenWindow(ptr)) return 0;
      OnEditorOpened();
      return 1;

    case effEditClose:
      if (!GetEditor()) return 0;
      OnEditorClosing();
      EditorCloseWindow();
      return 1;

    case effIdentify:
      return kIdentifyAnswer;

    case effGetChunk:
      return GetChunk(index, ptr);

    case effSetChunk:
      return SetChunk(index, value, ptr);

    case effProcessEvents:
      if (!ptr) return 0;
      ProcessEvents(static_cast<const VstEvents*>(ptr));
      return 1;

    case effCanBeAutomated:
      return 1;

    case effString2Parameter:
      return StringToParameter(index, static_cast<const char*>(ptr));

    case effGetProgramNameIndexed:
    {
      if (!ptr) return 0;
      const char* name = GetPresetNameAt(index);
      CopyOut(ptr, name, kProgramNameBytes);
      return name[0] ? 1 : 0;
    }

    case effGetInputProperties:
      return PinProperties(true, index, static_cast<VstPinProperties*>(ptr));

    case effGetOutputProperties:
      return PinProperties(false, index, static_cast<VstPinProperties*>(ptr));

    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;

    case effSetSpeakerArrangement:
      SetSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                            static_cast<VstSpeakerArrangement*>(ptr));
      return 1;

    case effGetEffectName:
      if (!ptr) return 0;
      CopyOut(ptr, GetEffectName(), kEffectNameBytes);
      return 1;

    case effGetVendorString:
      if (!ptr) return 0;
      CopyOut(ptr, GetMakerName(), kVendorTextBytes);
      return 1;

    case effGetProductString:
      if (!ptr) return 0;
      CopyOut(ptr, GetProductName(), kVendorTextBytes);
      return 1;

    case effVendorSpecific:
    {
      if (index != kVendorFormatValue || !ptr) return 0;
      if (value >= 0 && value < NParams())
        GetParam((int)value)->FormatValue((double)opt, true, static_cast<char*>(ptr), true,
                                          kParamTextBytes);
      return kVendorSpecificAnswer;
    }

    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));

    case effGetVstVersion:
      return kVstVersion;

    case effGetMidiKeyName:
    {
      if (!ptr) return 0;
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      key->keyName[0] = 0;
      const bool named = GetMidiKeyName(key->thisKeyNumber, key->keyName);
      key->keyName[sizeof key->keyName - 1] = 0;
      return named ? 1 : 0;
    }

    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement;
      return 1;

    default:
      return 0;
  }
}

VstIntPtr IPlugVST::GetChunk(VstInt32 index, void* ptr)
{
  if (!ptr) return 0;
  const bool isBank = index == 0;
  IStateChunk* chunk = isBank ? &bankChunk : &programChunk;
  const int size = SaveStateExchange(chunk, isBank);
  if (size <= 0 || !chunk->Data()) return 0;
  *static_cast<void**>(ptr) = chunk->Data();
  return size;
}

VstIntPtr IPlugVST::SetChunk(VstInt32 index, VstIntPtr value, void* ptr)
{
  if (!ptr) return 0;
  // A negative count cannot size a buffer, and an enormous one would allocate (and read)
  // far more than any state this plug-in writes.
  if (value < 0 || value > kMaxChunkBytes) return 0;
  const bool isBank = index == 0;
  IStateChunk* chunk = isBank ? &bankChunk : &programChunk;
  return LoadStateExchange(chunk, isBank, ptr, (int)value) ? 1 : 0;
}

VstIntPtr IPlugVST::ProcessEvents(const VstEvents* events)
{
  for (VstInt32 i = 0; i < events->numEvents; ++i)
  {
    VstEvent* event = events->events[i];
    if (!event) continue;
    if (event->type == kVstMidiType)
    {
      const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
      IMidiMessage message;
      message.sampleOffset = midi->deltaFrames;
      message.status = (uint8_t)midi->midiData[0];
      message.data1 = (uint8_t)midi->midiData[1];
      message.data2 = (uint8_t)midi->midiData[2];
      OnMidiMessage(&message);
    }
    else
    {
      SendEventToHost(event);
    }
  }
  return 1;
}

VstIntPtr IPlugVST::StringToParameter(VstInt32 index, const char* text)
{
  IPlugParam* param = GetParam(index);
  if (!param) return 0;
  if (!text) return 1;
  double v = 0.0;
  if (param->CountValueTexts() > 0)
  {
    int matched = 0;
    if (!param->ParseValueText(text, &matched)) return 0;
    v = matched;
  }
  else
  {
    v = IPlugParam::ReadDecimal(text);  // unreadable text gives 0
    if (param->GetNegatedDisplay()) v = -v;
  }
  // Stored first, so the controls are shown the clamped value (a text like "nan" must not
  // reach them).
  param->SetValue(v);
  if (IEditorCanvas* canvas = GetEditor()) canvas->PushParamToControls(index, param->GetValue(), false);
  OnParameterChanged(index);
  return 1;
}

VstIntPtr IPlugVST::CanDo(const char* text)
{
  if (!text) return 0;
  if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
  if (doesMidi && (!std::strcmp(text, "sendVstEvents") || !std::strcmp(text, "sendVstMidiEvent") ||
                   !std::strcmp(text, "receiveVstEvents") ||
                   !std::strcmp(text, "receiveVstMidiEvent")))
    return 1;
  if (!std::strcmp(text, "hasCockosExtensions"))
  {
    hostCapabilities |= kHostCapCockosExtensions;
    return kCockosCanDoAnswer;
  }
  if (!std::strcmp(text, "hasCockosViewAsConfig"))
  {
    hostCapabilities |= kHostCapCockosViewAsConfig;
    return kCockosCanDoAnswer;
  }
  return 0;
}

VstIntPtr IPlugVST::PinProperties(bool isInput, VstInt32 index, VstPinProperties* pin)
{
  const int n = isInput ? NInputs() : NOutputs();
  if (index < 0 || index >= n || !pin) return 0;
  pin->flags = kVstPinIsActive;
  if (index % 2 == 0 && index < n - 1) pin->flags |= kVstPinIsStereo;
  std::snprintf(pin->label, sizeof pin->label, isInput ? "Input %d" : "Output %d", index + 1);
  return 1;
}

void IPlugVST::SetSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out)
{
  if (in)
  {
    const int n = ClampChannels(in->numChannels, NInputs());
    ConnectInputs(0, n, true);
    ConnectInputs(n, NInputs() - n, false);
  }
  if (out)
  {
    const int n = ClampChannels(out->numChannels, NOutputs());
    ConnectOutputs(0, n, true);
    ConnectOutputs(n, NOutputs() - n, false);
  }
}
