#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "plugin/IStateHeader.h"
#include "tests/plugin/TestPlug.h"

namespace
{
typedef std::vector<unsigned char> Bytes;

// A plug-in set up as the product is before a host sees it.
struct ProductPlug : TestPlug
{
  explicit ProductPlug(int nPresets = 1) : TestPlug(3, "1-2 2-2", nPresets)
  {
    DeclareProductParams();
    MakePresetsFromCurrentParams("Default", 1);
    FillUnsetPresets();
  }

  void Set(double power, double amount, double type)
  {
    GetParam(0)->SetValue(power);
    GetParam(1)->SetValue(amount);
    GetParam(2)->SetValue(type);
  }
  std::vector<double> Values() const
  {
    return {GetParam(0)->GetValue(), GetParam(1)->GetValue(), GetParam(2)->GetValue()};
  }

  Bytes Save(bool bank)
  {
    IStateChunk chunk;
    const int n = SaveStateExchange(&chunk, bank);
    return n > 0 ? Bytes(chunk.Data(), chunk.Data() + n) : Bytes();
  }
  int Load(bool bank, const Bytes& bytes)
  {
    IStateChunk chunk;
    return LoadStateExchange(&chunk, bank, bytes.data(), (int)bytes.size());
  }
};

template <typename T>
void Put(Bytes& b, T v)
{
  const unsigned char* p = reinterpret_cast<const unsigned char*>(&v);
  b.insert(b.end(), p, p + sizeof v);
}

Bytes Header(int32_t version = kStateVersion)
{
  Bytes b;
  Put(b, kStateMagic);
  Put(b, version);
  return b;
}

void PutSlot(Bytes& b, const std::string& name, bool set, double p = 1, double a = 0, double t = 0)
{
  Put(b, (int32_t)name.size());
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(set ? 1 : 0);
  if (set)
  {
    Put(b, p);
    Put(b, a);
    Put(b, t);
  }
}

void ExpectInRange(const IPlugBase& plug)
{
  for (int i = 0; i < plug.NParams(); ++i)
  {
    const IPlugParam* p = plug.GetParam(i);
    ASSERT_GE(p->GetValue(), p->GetMinimum()) << i;
    ASSERT_LE(p->GetValue(), p->GetMaximum()) << i;
  }
}
}  // namespace

TEST(State, ProgramChunkLayoutIsHeaderThenPlainValues)
{
  ProductPlug p;
  p.Set(1, 37, 1);
  Bytes expected = Header();
  Put(expected, 1.0);
  Put(expected, 37.0);
  Put(expected, 1.0);
  const Bytes saved = p.Save(false);
  ASSERT_EQ(32u, saved.size());
  EXPECT_EQ(0x74, saved[0]);
  EXPECT_EQ(0x66, saved[1]);
  EXPECT_EQ(0x66, saved[2]);
  EXPECT_EQ(0x70, saved[3]);
  EXPECT_EQ(expected, saved);
}

TEST(State, BankChunkLayoutWithOneDefaultSlot)
{
  ProductPlug p;
  Bytes expected = Header();
  PutSlot(expected, "Default", true, 1, 0, 0);
  const Bytes saved = p.Save(true);
  EXPECT_EQ(44u, saved.size());
  EXPECT_EQ(expected, saved);
}

TEST(State, BankSaveStoresLiveValuesIntoTheCurrentSlotFirst)
{
  ProductPlug p;
  p.Set(0, 80, 1);
  Bytes expected = Header();
  PutSlot(expected, "Default", true, 0, 80, 1);
  EXPECT_EQ(expected, p.Save(true));
}

TEST(State, ProgramRoundTripRestoresValuesAndSavesTheSameBytes)
{
  ProductPlug p;
  p.Set(0, 37.6, 1);
  const Bytes saved = p.Save(false);
  p.Set(1, 3, 0);
  p.changed.clear();
  EXPECT_EQ(1, p.Load(false, saved));
  EXPECT_EQ((std::vector<double>{0, 37.6, 1}), p.Values());
  EXPECT_EQ((std::vector<int>{0, 1, 2}), p.changed);
  EXPECT_EQ(saved, p.Save(false));
  // The loaded values also went into the current slot.
  EXPECT_TRUE(p.LoadPreset(0));
  EXPECT_EQ((std::vector<double>{0, 37.6, 1}), p.Values());
}

TEST(State, BankRoundTripKeepsNamesFlagsValuesAndCurrentIndex)
{
  ProductPlug p(3);
  p.Set(1, 10, 0);
  p.ModifyCurrentPreset("first");
  ASSERT_TRUE(p.LoadPreset(2));
  p.Set(0, 90, 1);
  p.ModifyCurrentPreset("third");
  const Bytes saved = p.Save(true);

  ProductPlug q(3);
  ASSERT_TRUE(q.LoadPreset(2));
  q.Set(1, 1, 1);
  EXPECT_EQ(1, q.Load(true, saved));
  EXPECT_EQ(2, q.GetCurrentPresetIndex());
  EXPECT_STREQ("first", q.GetPresetNameAt(0));
  EXPECT_STREQ("Empty", q.GetPresetNameAt(1));
  EXPECT_STREQ("third", q.GetPresetNameAt(2));
  EXPECT_EQ((std::vector<double>{0, 90, 1}), q.Values());
  EXPECT_EQ(saved, q.Save(true));
  ASSERT_TRUE(q.LoadPreset(0));
  EXPECT_EQ((std::vector<double>{1, 10, 0}), q.Values());
}

TEST(State, HeaderlessDataIsAParameterBlockFromOffsetZero)
{
  for (bool bank : {false, true})
  {
    ProductPlug p;
    Bytes b;
    Put(b, 0.0);
    Put(b, 42.0);
    Put(b, 1.0);
    EXPECT_EQ(1, p.Load(bank, b));
    EXPECT_EQ((std::vector<double>{0, 42, 1}), p.Values());
    EXPECT_STREQ("Default", p.GetPresetNameAt(0));
  }
}

TEST(State, BankWithOlderVersionLoadsOnlyParameterValues)
{
  ProductPlug p;
  Bytes b = Header(0x0000FFFF);
  Put(b, 0.0);
  Put(b, 12.0);
  Put(b, 1.0);
  EXPECT_EQ(1, p.Load(true, b));
  EXPECT_EQ((std::vector<double>{0, 12, 1}), p.Values());
  Bytes expected = Header();
  PutSlot(expected, "Default", true, 0, 12, 1);
  EXPECT_EQ(expected, p.Save(true));
}

TEST(State, ShortProgramSetsFirstMissingValueToItsMinimumAndFails)
{
  ProductPlug p;
  p.Set(1, 50, 1);
  Bytes b = Header();
  Put(b, 0.0);
  Put(b, 20.0);
  EXPECT_EQ(0, p.Load(false, b));
  EXPECT_EQ((std::vector<double>{0, 20, 0}), p.Values());
  // The live values still went into the current slot.
  p.Set(1, 1, 1);
  ASSERT_TRUE(p.LoadPreset(0));
  EXPECT_EQ((std::vector<double>{0, 20, 0}), p.Values());

  ProductPlug q;
  q.Set(1, 50, 1);
  EXPECT_EQ(0, q.Load(false, Bytes()));
  EXPECT_EQ((std::vector<double>{0, 50, 1}), q.Values());
}

TEST(State, MagicWithoutFullVersionFailsWithNothingRead)
{
  for (size_t n = 4; n < 8; ++n)
  {
    ProductPlug p;
    p.Set(1, 50, 1);
    Bytes b = Header();
    b.resize(n);
    EXPECT_EQ(0, p.Load(false, b)) << n;
    EXPECT_EQ(0, p.Load(true, b)) << n;
    EXPECT_EQ((std::vector<double>{1, 50, 1}), p.Values());
  }
}

TEST(State, LoadedValuesAreClampedIntoRange)
{
  ProductPlug p;
  Bytes b = Header();
  Put(b, std::numeric_limits<double>::quiet_NaN());
  Put(b, 150.0);
  Put(b, -3.0);
  EXPECT_EQ(1, p.Load(false, b));
  EXPECT_EQ((std::vector<double>{0, 100, 0}), p.Values());

  Bytes c = Header();
  Put(c, std::numeric_limits<double>::infinity());
  Put(c, -std::numeric_limits<double>::infinity());
  Put(c, 0.5);
  EXPECT_EQ(1, p.Load(false, c));
  EXPECT_EQ((std::vector<double>{1, 0, 0.5}), p.Values());
}

TEST(State, TruncatedDataAtEveryLengthFailsSafely)
{
  ProductPlug source(2);
  source.Set(0, 70, 1);
  for (bool bank : {false, true})
  {
    const Bytes full = source.Save(bank);
    for (size_t n = 0; n < full.size(); ++n)
    {
      ProductPlug p(2);
      const Bytes cut(full.begin(), full.begin() + n);
      EXPECT_EQ(0, p.Load(bank, cut)) << bank << " " << n;
      ExpectInRange(p);
    }
    ProductPlug p(2);
    EXPECT_EQ(1, p.Load(bank, full));
    EXPECT_EQ(full, p.Save(bank));
  }
}

TEST(State, BankWithMoreOrFewerSlotsThanOurs)
{
  Bytes three = Header();
  PutSlot(three, "a", true, 0, 1, 0);
  PutSlot(three, "b", true, 0, 2, 0);
  PutSlot(three, "c", true, 0, 3, 0);

  ProductPlug two(2);
  EXPECT_EQ(1, two.Load(true, three));  // extra slots are ignored
  EXPECT_STREQ("b", two.GetPresetNameAt(1));
  EXPECT_EQ(1.0, two.GetParam(1)->GetValue());

  Bytes one = Header();
  PutSlot(one, "z", true, 0, 9, 0);
  ProductPlug four(4);
  EXPECT_EQ(0, four.Load(true, one));
  EXPECT_STREQ("z", four.GetPresetNameAt(0));
  EXPECT_STREQ("Empty", four.GetPresetNameAt(1));
}

TEST(State, UnsetSlotsLoadWithoutValuesAndBecomeUserPresetsWhenSelected)
{
  Bytes b = Header();
  PutSlot(b, "my user preset", true, 1, 5, 0);
  PutSlot(b, "blank", false);
  PutSlot(b, "x", true, 1, 7, 1);
  ProductPlug p(3);
  EXPECT_EQ(1, p.Load(true, b));
  EXPECT_FALSE(p.GetPreset(1)->isSet);

  p.Set(0, 33, 1);
  p.presetChanges = 0;
  EXPECT_TRUE(p.LoadPreset(1));
  EXPECT_STREQ("user preset 2", p.GetPresetNameAt(1));
  EXPECT_TRUE(p.GetPreset(1)->isSet);
  EXPECT_EQ((std::vector<double>{0, 33, 1}), p.Values());  // the sound stays
  EXPECT_EQ(1, p.GetCurrentPresetIndex());
  EXPECT_EQ(1, p.presetChanges);

  char name[IPlugPreset::kNameSize];
  ProductPlug fresh;
  fresh.MakeUserPresetName(name);
  EXPECT_STREQ("user preset 1", name);
}

TEST(State, ZeroLengthNameLoadsAsEmptyName)
{
  ProductPlug p(2);
  p.MakePresetsFromCurrentParams("", 0);
  Bytes b = Header();
  PutSlot(b, "named", true);
  PutSlot(b, "", true);
  EXPECT_EQ(1, p.Load(true, b));
  EXPECT_STREQ("", p.GetPresetNameAt(1));
  EXPECT_EQ(b, p.Save(true));
}

TEST(State, OverlongSlotNamesAreCutToTheField)
{
  ProductPlug p;
  Bytes b = Header();
  PutSlot(b, std::string(200, 'n'), true);
  EXPECT_EQ(1, p.Load(true, b));
  EXPECT_EQ(std::string(IPlugPreset::kNameSize - 1, 'n'), p.GetPresetNameAt(0));

  p.ModifyCurrentPreset(std::string(100, 'h').c_str());
  EXPECT_EQ(std::string(IPlugPreset::kNameSize - 1, 'h'), p.GetPresetNameAt(0));
}

TEST(State, RenamingWithEmptyTextKeepsNameButStoresValues)
{
  ProductPlug p;
  p.Set(0, 66, 1);
  p.ModifyCurrentPreset("");
  EXPECT_STREQ("Default", p.GetPresetNameAt(0));
  p.ModifyCurrentPreset(nullptr);
  p.Set(1, 1, 1);
  ASSERT_TRUE(p.LoadPreset(0));
  EXPECT_EQ((std::vector<double>{0, 66, 1}), p.Values());
}

TEST(State, PresetIndicesOutsideTheSlotsChangeNothing)
{
  ProductPlug p(2);
  EXPECT_STREQ("", p.GetPresetNameAt(-1));
  EXPECT_STREQ("", p.GetPresetNameAt(2));
  EXPECT_FALSE(p.LoadPreset(-1));
  EXPECT_FALSE(p.LoadPreset(2));
  EXPECT_EQ(0, p.GetCurrentPresetIndex());
  EXPECT_EQ(0, p.presetChanges);
}

TEST(State, PresetCreationFillsUnsetSlotsInOrder)
{
  TestPlug p(3, "1-2 2-2", 3);
  p.DeclareProductParams();
  EXPECT_STREQ("empty", p.GetPresetNameAt(0));
  p.MakePresetsFromCurrentParams(nullptr, 1);
  EXPECT_STREQ("Empty", p.GetPresetNameAt(0));
  p.MakePresetsFromCurrentParams("Warm", 5);  // only two slots are left
  EXPECT_STREQ("Warm", p.GetPresetNameAt(1));
  EXPECT_STREQ("Warm", p.GetPresetNameAt(2));
  EXPECT_EQ(24, p.GetPreset(2)->values.Size());
}

TEST(State, LoadingPushesPlainValuesToTheEditor)
{
  ProductPlug p;
  FakeCanvas* canvas = new FakeCanvas();
  p.AttachEditor(canvas);
  canvas->pushes.clear();
  Bytes b = Header();
  Put(b, 1.0);
  Put(b, 40.0);
  Put(b, 1.0);
  EXPECT_EQ(1, p.Load(false, b));
  ASSERT_EQ(3u, canvas->pushes.size());
  EXPECT_EQ(40.0, canvas->pushes[1].value);
  EXPECT_FALSE(canvas->pushes[1].normalized);

  canvas->pushes.clear();
  b.resize(20);
  EXPECT_EQ(0, p.Load(false, b));
  EXPECT_TRUE(canvas->pushes.empty());
}

TEST(State, HostHandingBackOurOwnBytesLoads)
{
  ProductPlug p;
  p.Set(0, 12, 1);
  IStateChunk chunk;
  const int n = p.SaveStateExchange(&chunk, false);
  ASSERT_EQ(32, n);
  p.Set(1, 1, 0);
  EXPECT_EQ(1, p.LoadStateExchange(&chunk, false, chunk.Data(), n));
  EXPECT_EQ((std::vector<double>{0, 12, 1}), p.Values());
  // A tail of our own bytes: the parameter block without its header.
  EXPECT_EQ(1, p.LoadStateExchange(&chunk, false, chunk.Data() + 8, 24));
  EXPECT_EQ((std::vector<double>{0, 12, 1}), p.Values());
  EXPECT_EQ(0, p.LoadStateExchange(&chunk, false, chunk.Data() + 8, 100));
}

TEST(State, InvalidExchangeArgumentsFail)
{
  ProductPlug p;
  IStateChunk chunk;
  const unsigned char bytes[8] = {};
  EXPECT_EQ(0, p.LoadStateExchange(nullptr, false, bytes, 8));
  EXPECT_EQ(0, p.LoadStateExchange(&chunk, false, bytes, -1));
  EXPECT_EQ(0, p.LoadStateExchange(&chunk, false, nullptr, 8));
  EXPECT_EQ(0, p.SaveStateExchange(nullptr, true));
  EXPECT_EQ((std::vector<double>{1, 0, 0}), p.Values());
}
