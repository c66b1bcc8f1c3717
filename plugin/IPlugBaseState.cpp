// State, presets and the state exchanges of IPlugBase.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "graphics/IEditorCanvas.h"
#include "plugin/IPlugBase.h"
#include "plugin/IStateHeader.h"
#include "plugin/IText.h"
#include "plugin/ITrace.h"

bool IPlugBase::SaveState(IStateChunk* chunk)
{
  IPlugMutexLock lock(mutex);
  return SerializeParams(chunk);
}

int IPlugBase::LoadState(IStateChunk* chunk, int pos)
{
  IPlugMutexLock lock(mutex);
  return UnserializeParams(chunk, pos);
}

bool IPlugBase::SerializeParams(IStateChunk* chunk)
{
  if (!chunk) return false;
  IPlugMutexLock lock(mutex);
  ITrace("IPlugBase::SerializeParams", "%d", NParams());
  bool ok = true;
  for (int i = 0; i < NParams() && ok; ++i)
  {
    const int before = chunk->Size();
    const double v = GetParam(i)->GetValue();
    // A dropped append must fail the save, not silently shorten it.
    ok = chunk->AppendValue(v) == before + (int)sizeof v;
  }
  return ok;
}

int IPlugBase::UnserializeParams(IStateChunk* chunk, int pos)
{
  if (!chunk) return -1;
  IPlugMutexLock lock(mutex);
  ITrace("IPlugBase::UnserializeParams", "%d %d", NParams(), pos);
  for (int i = 0; i < NParams() && pos >= 0; ++i)
  {
    double v = 0.0;
    pos = chunk->ReadValue(v, pos);
    GetParam(i)->SetValue(v);
  }
  for (int i = 0; i < NParams(); ++i) OnParameterChanged(i);
  return pos;
}

void IPlugBase::PushParamsToEditor()
{
  if (!editor) return;
  for (int i = 0; i < NParams(); ++i) editor->PushParamToControls(i, GetParam(i)->GetValue(), false);
}

bool IPlugBase::SerializePresets(IStateChunk* chunk)
{
  if (!chunk) return false;
  IPlugMutexLock lock(mutex);
  ITrace("IPlugBase::SerializePresets", "%d", NPresets());
  bool ok = true;
  for (int i = 0; i < NPresets() && ok; ++i)
  {
    const IPlugPreset* preset = GetPreset(i);
    const int before = chunk->Size();
    const int nameLength = (int)std::strlen(preset->name);
    const uint8_t flag = preset->isSet ? 1 : 0;
    ok = chunk->AppendText(preset->name) == before + 4 + nameLength;
    ok = ok && chunk->AppendValue(flag) == before + 5 + nameLength;
    if (ok && preset->isSet)
      ok = chunk->AppendChunk(&preset->values) == before + 5 + nameLength + preset->values.Size();
  }
  return ok;
}

int IPlugBase::UnserializePresets(IStateChunk* chunk, int pos)
{
  if (!chunk) return -1;
  IPlugMutexLock lock(mutex);
  ITrace("IPlugBase::UnserializePresets", "%d %d", NPresets(), pos);
  IText text;
  for (int i = 0; i < NPresets() && pos >= 0; ++i)
  {
    IPlugPreset* preset = GetPreset(i);
    // Each slot gets its own name: a stored length of 0 is an empty name, not the name
    // of the slot before. A name running past the end leaves the slot's name alone.
    text.Set("");
    const int end = chunk->ReadText(&text, pos);
    if (end >= 0 && end <= chunk->Size()) preset->SetName(text.Get());

    uint8_t flag = 0;
    if (end >= 0 && chunk->ReadValue(flag, end) >= 0)
    {
      preset->isSet = flag != 0;
      pos = end + 1;
    }
    else
    {
      pos = -1;
    }

    if (preset->isSet)
    {
      pos = UnserializeParams(chunk, pos);
      if (pos > 0)
      {
        preset->values.Clear();
        SerializeParams(&preset->values);
      }
    }
  }
  LoadPreset(currentPreset);
  return pos;
}

bool IPlugBase::StoreCurrentParams(IPlugPreset* preset)
{
  // Cleared first: a slot a bank marked unset may still hold an older block, which would
  // otherwise be read back in place of the values stored now.
  preset->values.Clear();
  return SerializeParams(&preset->values);
}

void IPlugBase::MakePresetsFromCurrentParams(const char* name, int count)
{
  IPlugMutexLock lock(mutex);
  for (int r = 0; r < count; ++r)
  {
    IPlugPreset* preset = nullptr;
    for (int i = 0; i < NPresets() && !preset; ++i)
      if (!GetPreset(i)->isSet) preset = GetPreset(i);
    if (!preset) break;  // every slot is set: the remaining repetitions would do nothing
    preset->isSet = true;
    preset->SetName(name ? name : "Empty");
    StoreCurrentParams(preset);
  }
}

void IPlugBase::FillUnsetPresets()
{
  MakePresetsFromCurrentParams("Empty", NPresets());
}

void IPlugBase::MakeUserPresetName(char* out) const
{
  if (!out) return;
  int64_t count = 0;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strstr(GetPreset(i)->name, "user preset")) ++count;
  std::snprintf(out, IPlugPreset::kNameSize, "%s %lld", "user preset", (long long)(count + 1));
}

bool IPlugBase::LoadPreset(int index)
{
  IPlugMutexLock lock(mutex);
  IPlugPreset* preset = GetPreset(index);
  if (!preset) return false;
  ITrace("IPlugBase::LoadPreset", "%d", index);

  bool result;
  if (preset->isSet)
  {
    result = UnserializeParams(&preset->values, 0) > 0;
  }
  else
  {
    // Selecting an empty slot keeps the current sound and makes it a user preset.
    preset->isSet = true;
    char name[IPlugPreset::kNameSize];
    MakeUserPresetName(name);
    preset->SetName(name);
    result = StoreCurrentParams(preset);
  }
  if (result)
  {
    currentPreset = index;
    PresetChanged();
    PushParamsToEditor();
  }
  return result;
}

const char* IPlugBase::GetPresetNameAt(int index) const
{
  const IPlugPreset* preset = GetPreset(index);
  return preset ? preset->name : "";
}

void IPlugBase::ModifyCurrentPreset(const char* name)
{
  IPlugMutexLock lock(mutex);
  IPlugPreset* preset = GetPreset(currentPreset);
  if (!preset) return;
  preset->values.Clear();
  SerializeParams(&preset->values);
  if (name && name[0]) preset->SetName(name);
}

int IPlugBase::SaveStateExchange(IStateChunk* chunk, bool isBank)
{
  if (!chunk) return 0;
  IPlugMutexLock lock(mutex);
  if (!WriteStateHeader(chunk)) return 0;
  bool ok;
  if (isBank)
  {
    ModifyCurrentPreset(nullptr);
    ok = SerializePresets(chunk);
  }
  else
  {
    ok = SaveState(chunk);
  }
  return ok && chunk->Size() > 0 ? chunk->Size() : 0;
}

int IPlugBase::LoadStateExchange(IStateChunk* chunk, bool isBank, const void* bytes, int size)
{
  if (!chunk || size < 0 || (!bytes && size > 0)) return 0;
  IPlugMutexLock lock(mutex);

  // Hosts may hand back the very bytes an earlier save pointed them at; those live in
  // this chunk and would be freed or overwritten by resizing it first.
  const uintptr_t from = reinterpret_cast<uintptr_t>(bytes);
  const uintptr_t base = reinterpret_cast<uintptr_t>(chunk->Data());
  if (base && from >= base && from < base + (uintptr_t)chunk->Size())
  {
    const uintptr_t offset = from - base;
    if ((uintptr_t)size > (uintptr_t)chunk->Size() - offset) return 0;
    std::memmove(chunk->Data(), bytes, (size_t)size);
    chunk->Resize(size);
  }
  else
  {
    chunk->Resize(size);
    if (chunk->Size() != size) return 0;
    if (size > 0) std::memcpy(chunk->Data(), bytes, (size_t)size);
  }

  int pos = 0;
  int32_t stateVersion = 0;
  int32_t magic = 0;
  if (chunk->ReadValue(magic, 0) >= 0 && magic == kStateMagic)
    pos = chunk->ReadValue(stateVersion, 4) >= 0 ? 8 : -1;

  int result;
  if (isBank && stateVersion >= kStateVersion)
  {
    result = UnserializePresets(chunk, pos);
  }
  else
  {
    result = LoadState(chunk, pos);
    ModifyCurrentPreset(nullptr);
  }
  if (result < 0) return 0;
  PushParamsToEditor();
  return 1;
}
