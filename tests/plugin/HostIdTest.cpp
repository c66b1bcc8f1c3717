#include <gtest/gtest.h>

#include "plugin/HostId.h"
#include "tests/plugin/TestPlug.h"

TEST(HostId, MatchIgnoresCaseOfTheHostText)
{
  EXPECT_EQ(kHostReaper, MatchHostName("REAPER"));
  EXPECT_EQ(kHostCubase, MatchHostName("Steinberg CuBaSe 12"));
  EXPECT_EQ(kHostPresonus, MatchHostName("PreSonus VST2 Host"));
  EXPECT_EQ(kHostLive, MatchHostName("Ableton LIVE 11"));
  EXPECT_EQ(kHostLive, MatchHostName("oLIVEr"));
  EXPECT_EQ(kHostUnknown, MatchHostName("Bitwig Studio"));
  EXPECT_EQ(kHostUnknown, MatchHostName(""));
  EXPECT_EQ(kHostUnknown, MatchHostName(nullptr));
}

TEST(HostId, FirstRowOfTheTableWins)
{
  EXPECT_EQ(kHostCubase, MatchHostName("nuendo and cubase"));
  EXPECT_EQ(kHostStandalone, MatchHostName("live standalone"));
  EXPECT_EQ(kHostLive, MatchHostName("Logic Live"));
  EXPECT_EQ(kHostForte, MatchHostName("Forte"));
  EXPECT_EQ(kHostAudition, MatchHostName("Adobe Audition"));
  EXPECT_EQ(kHostOrion, MatchHostName("Orion Platinum"));
  EXPECT_EQ(kHostSawStudio, MatchHostName("SAWStudio"));
  EXPECT_EQ(kHostDigital, MatchHostName("Digital Performer"));
}

TEST(HostId, DecimalVendorVersionPacks)
{
  EXPECT_EQ(0x00050102, PackDecimalHostVersion(50102));
  EXPECT_EQ(0x0005000A, PackDecimalHostVersion(50010));
  EXPECT_EQ(0, PackDecimalHostVersion(0));
  PackDecimalHostVersion(2147483647);  // must not overflow
  PackDecimalHostVersion(-2147483647 - 1);
}

TEST(HostId, SetHostStoresIdentityAndVersionOnce)
{
  TestPlug p;
  EXPECT_EQ(kHostUninit, p.IdentifyHost());
  p.SetHost("Cockos REAPER", 0x00050102);
  EXPECT_EQ(kHostReaper, p.GetHostId());
  EXPECT_EQ(kHostReaper, p.IdentifyHost());
  EXPECT_EQ(0x00050102, p.GetHostVersion());

  p.SetHost("", 0);
  EXPECT_EQ(kHostUnknown, p.GetHostId());
  p.SetHost(nullptr, -1);
  EXPECT_EQ(kHostUnknown, p.GetHostId());
}
