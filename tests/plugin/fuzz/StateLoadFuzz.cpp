#include "tests/plugin/fuzz/StateLoadFuzz.h"

#include <cstring>

#include "tests/plugin/TestPlug.h"

namespace
{
struct FuzzPlug : TestPlug
{
  explicit FuzzPlug(int nPresets) : TestPlug(3, "1-2 2-2", nPresets)
  {
    DeclareProductParams();
    MakePresetsFromCurrentParams("Default", 1);
    FillUnsetPresets();
  }
};

std::vector<uint8_t> Save(FuzzPlug& plug, bool bank)
{
  IStateChunk chunk;
  const int n = plug.SaveStateExchange(&chunk, bank);
  return n > 0 ? std::vector<uint8_t>(chunk.Data(), chunk.Data() + n) : std::vector<uint8_t>();
}

bool Fail(const char** why, const char* reason)
{
  if (why) *why = reason;
  return false;
}

bool Sane(const FuzzPlug& plug, const char** why)
{
  for (int i = 0; i < plug.NParams(); ++i)
  {
    const IPlugParam* p = plug.GetParam(i);
    if (!(p->GetValue() >= p->GetMinimum() && p->GetValue() <= p->GetMaximum()))
      return Fail(why, "parameter outside its range");
  }
  for (int i = 0; i < plug.NPresets(); ++i)
    if (!std::memchr(plug.GetPreset(i)->name, 0, IPlugPreset::kNameSize)) return Fail(why, "unterminated slot name");
  if (plug.GetCurrentPresetIndex() < 0 || plug.GetCurrentPresetIndex() >= plug.NPresets())
    return Fail(why, "current slot outside the slots");
  return true;
}
}  // namespace

bool CheckStateLoad(const uint8_t* data, size_t size, const char** why)
{
  if (size > 1 << 20) return true;
  for (int nPresets : {1, 3})
    for (bool bank : {false, true})
    {
      FuzzPlug plug(nPresets);
      IStateChunk chunk;
      const int answer = plug.LoadStateExchange(&chunk, bank, data, (int)size);
      if (answer != 0 && answer != 1) return Fail(why, "answer neither 0 nor 1");
      if (!Sane(plug, why)) return false;
      if (answer != 1) continue;

      const std::vector<uint8_t> first = Save(plug, bank);
      if (first.empty()) return Fail(why, "save after a load failed");
      if (plug.LoadStateExchange(&chunk, bank, first.data(), (int)first.size()) != 1)
        return Fail(why, "own save did not load");
      if (!Sane(plug, why)) return false;
      if (Save(plug, bank) != first) return Fail(why, "save, load, save changed the bytes");
    }
  return true;
}

std::vector<std::vector<uint8_t>> StateLoadSeeds()
{
  std::vector<std::vector<uint8_t>> seeds;
  for (int nPresets : {1, 3})
  {
    FuzzPlug plug(nPresets);
    plug.GetParam(1)->SetValue(42);
    plug.ModifyCurrentPreset("a user preset");
    seeds.push_back(Save(plug, false));
    seeds.push_back(Save(plug, true));
  }
  FuzzPlug plug(1);
  std::vector<uint8_t> program = Save(plug, false);
  seeds.emplace_back(program.begin() + 8, program.end());  // header-less block
  program[4] = 0xFF;
  program[5] = 0xFF;
  program[6] = 0;
  seeds.push_back(program);  // older version
  return seeds;
}
