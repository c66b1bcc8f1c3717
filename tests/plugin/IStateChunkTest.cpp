#include <gtest/gtest.h>

#include <climits>

#include "plugin/IPtrList.h"
#include "plugin/IStateChunk.h"
#include "plugin/IText.h"

TEST(IStateChunk, NewBufferHasNoStorage)
{
  IStateChunk c;
  EXPECT_EQ(0, c.Size());
  EXPECT_EQ(0, c.Capacity());
  EXPECT_EQ(nullptr, c.Data());
}

TEST(IStateChunk, GrowthRuleForLargeGranularity)
{
  IStateChunk c(4096);
  EXPECT_EQ(8, c.AppendValue(1.5));
  EXPECT_EQ(4000, c.Capacity());

  // Up to the capacity nothing moves; one byte more takes the next page-sized step.
  c.Resize(4000);
  EXPECT_EQ(4000, c.Capacity());
  c.Resize(4001);
  EXPECT_EQ(8096, c.Capacity());  // ((4096 + 4001 + 96) & ~4095) - 96

  // Past 8 MiB the step is held at 4 MiB.
  IStateChunk big(4096);
  big.Resize(20000000);
  EXPECT_EQ(((0x400000 + 20000000 + 96) / 4096) * 4096 - 96, big.Capacity());
}

TEST(IStateChunk, GrowthRuleForSmallGranularity)
{
  IStateChunk c(128);
  c.Resize(1);
  EXPECT_EQ(129, c.Capacity());  // size + granularity
  c.Resize(1000);
  EXPECT_EQ(1500, c.Capacity());  // size + size / 2
}

TEST(IStateChunk, ShrinksOnlyWellBelowCapacity)
{
  IStateChunk c(128);
  c.Resize(1000);  // capacity 1500
  c.Resize(800);   // not below half the capacity
  EXPECT_EQ(1500, c.Capacity());
  c.Resize(100);  // below 750 and below 1500 - 4 * 128
  EXPECT_EQ(228, c.Capacity());
  EXPECT_EQ(100, c.Size());

  // A state chunk keeps its first allocation when cleared: 0 is not below 4000 - 4 * 4096.
  IStateChunk s(4096);
  s.AppendValue(1.0);
  s.Clear();
  EXPECT_EQ(0, s.Size());
  EXPECT_EQ(4000, s.Capacity());
}

TEST(IStateChunk, ResizeKeepsContentsAndZeroFillsGrowth)
{
  IStateChunk c(128);
  c.AppendValue<int32_t>(0x11223344);
  EXPECT_EQ(4, c.Resize(4));  // same size: answers it, changes nothing
  EXPECT_EQ(4, c.Resize(2));
  EXPECT_EQ(2, c.Resize(300));
  ASSERT_EQ(300, c.Size());
  EXPECT_EQ(0x44, c.Data()[0]);
  EXPECT_EQ(0x33, c.Data()[1]);
  for (int i = 2; i < 300; ++i) ASSERT_EQ(0, c.Data()[i]) << i;

  EXPECT_EQ(300, c.Resize(-1));  // a negative size changes nothing
  EXPECT_EQ(300, c.Size());
  c.Clear();
  EXPECT_EQ(nullptr, c.Data());
}

TEST(IStateChunk, ReadsPastTheEndFailAndLeaveOutputAlone)
{
  IStateChunk c;
  for (int i = 0; i < 3; ++i) c.AppendValue((double)i);
  double v = 42.0;
  EXPECT_EQ(-1, c.ReadValue(v, 20));
  EXPECT_EQ(42.0, v);
  EXPECT_EQ(24, c.ReadValue(v, 16));
  EXPECT_EQ(2.0, v);
  v = 42.0;
  EXPECT_EQ(-1, c.ReadValue(v, -1));
  EXPECT_EQ(-1, c.ReadValue(v, INT_MAX));
  EXPECT_EQ(-1, c.ReadValue(v, INT_MIN));
  EXPECT_EQ(42.0, v);
}

TEST(IStateChunk, TextRoundTripAndLengthRules)
{
  IStateChunk c;
  c.AppendText("Default");
  c.AppendText("");
  ASSERT_EQ(4 + 7 + 4, c.Size());

  IText t("previous");
  EXPECT_EQ(11, c.ReadText(&t, 0));
  EXPECT_STREQ("Default", t.Get());
  // A length-0 text answers pos + 4 and leaves the text as it was.
  EXPECT_EQ(15, c.ReadText(&t, 11));
  EXPECT_STREQ("Default", t.Get());
  EXPECT_EQ(-1, c.ReadText(&t, 12));
}

TEST(IStateChunk, TextRunningPastTheEndIsNotTaken)
{
  IStateChunk c;
  c.AppendValue<int32_t>(5);
  c.AppendBytes("abc", 3);
  IText t("kept");
  EXPECT_EQ(9, c.ReadText(&t, 0));
  EXPECT_STREQ("kept", t.Get());
  double v;
  EXPECT_EQ(-1, c.ReadValue(v, 9));
}

TEST(IStateChunk, HostileTextLengthsNeverReadOutside)
{
  IText t("kept");
  for (int32_t length : {-1, -4, INT_MIN, INT_MAX, INT_MAX - 3})
  {
    IStateChunk c;
    c.AppendValue(length);
    c.AppendBytes("abcd", 4);
    const int end = c.ReadText(&t, 0);
    EXPECT_TRUE(end == -1 || end > c.Size()) << length;
    EXPECT_STREQ("kept", t.Get());
  }
}

TEST(IStateChunk, TextIsCutAtItsFirstZeroByte)
{
  IStateChunk c;
  c.AppendValue<int32_t>(5);
  c.AppendBytes("ab\0cd", 5);
  IText t;
  EXPECT_EQ(9, c.ReadText(&t, 0));
  EXPECT_STREQ("ab", t.Get());
}

TEST(IStateChunk, AppendChunkCopiesBytesWithoutLengthEvenFromItself)
{
  IStateChunk a, b;
  a.AppendValue<int32_t>(7);
  b.AppendChunk(&a);
  b.AppendChunk(&b);
  ASSERT_EQ(8, b.Size());
  int32_t x = 0, y = 0;
  b.ReadValue(x, 0);
  b.ReadValue(y, 4);
  EXPECT_EQ(7, x);
  EXPECT_EQ(7, y);
  EXPECT_EQ(8, b.AppendChunk(nullptr));
}

TEST(IText, SettingNeverShrinksStorage)
{
  IText t("a fairly long text value");
  t.Set("ab");
  EXPECT_STREQ("ab", t.Get());
  EXPECT_EQ(2, t.Length());
  t.Set(nullptr);
  EXPECT_STREQ("", t.Get());
  t.Set("abcdef", 3);
  EXPECT_STREQ("abc", t.Get());
}

TEST(IPtrList, LookupOutsideTheListIsNull)
{
  int a = 1, b = 2, c = 3;
  IPtrList<int> list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);
  EXPECT_EQ(3, list.GetCount());
  EXPECT_EQ(&b, list.Get(1));
  EXPECT_EQ(nullptr, list.Get(3));
  EXPECT_EQ(nullptr, list.Get(-1));
}

TEST(IPtrList, InsertAndRemoveKeepOrder)
{
  int a = 1, b = 2, c = 3;
  IPtrList<int> list;
  list.Add(&b);
  list.Add(&c);
  list.Insert(0, &a);
  EXPECT_EQ(&a, list.Get(0));
  EXPECT_EQ(&b, list.Get(1));
  EXPECT_EQ(&c, list.Get(2));
  EXPECT_TRUE(list.Remove(1));
  EXPECT_EQ(&c, list.Get(1));
  EXPECT_FALSE(list.Remove(2));
  list.Insert(99, &b);  // clamped to the end
  EXPECT_EQ(&b, list.Get(2));
}
