#include "raster/RasterRowKernels.h"

#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace rastertest;

namespace {

const RasterRowKernels* const kKernelSets[] = {&RasterScalarRowKernels(), &RasterSse2RowKernels(),
                                               &RasterAvx2RowKernels()};

std::vector<RasterPixel> ReferenceOpaqueSrcAlpha(std::vector<RasterPixel> d, const std::vector<RasterPixel>& s)
{
  for (size_t i = 0; i < d.size(); ++i)
    d[i] = Combine(d[i], s[i], 256, 0x10000);
  return d;
}

// Runs the kernel over the row in pieces of changing length, so that pieces start at every
// offset from a vector boundary and end in every kind of tail.
void RunInPieces(const RasterRowKernels& k, std::vector<RasterPixel>& d, const std::vector<RasterPixel>& s)
{
  int start = 0, piece = 1;
  const int n = (int)d.size();
  while (start < n) {
    const int len = piece < n - start ? piece : n - start;
    k.copyOpaqueSrcAlpha(d.data() + start, s.data() + start, len);
    start += len;
    piece = piece % 37 + 1;
  }
}

} // namespace

// Every destination byte against every source byte under every source alpha, in all three
// colour bytes, with destination alphas spread so that the saturating alpha sum is crossed.
TEST(RasterRowKernels, OpaqueSourceAlphaCopyIsExactForEveryByteAndAlpha)
{
  std::vector<RasterPixel> s(65536), d(65536);
  for (int sa = 0; sa < 256; ++sa) {
    for (int sv = 0; sv < 256; ++sv)
      for (int dv = 0; dv < 256; ++dv) {
        const int j = sv * 256 + dv;
        s[j] = (RasterPixel)sv | ((RasterPixel)(255 - sv) << 8) | ((RasterPixel)(sv ^ 0x5A) << 16) | ((RasterPixel)sa << 24);
        d[j] = (RasterPixel)dv | ((RasterPixel)(dv ^ 0xA5) << 8) | ((RasterPixel)(255 - dv) << 16) |
               ((RasterPixel)((dv + sv + sa) & 0xFF) << 24);
      }
    const std::vector<RasterPixel> expected = ReferenceOpaqueSrcAlpha(d, s);
    for (int set = 0; set < 3; ++set) {
      std::vector<RasterPixel> out(d);
      RunInPieces(*kKernelSets[set], out, s);
      ASSERT_EQ(out, expected) << "source alpha " << sa << " (0 scalar, 1 SSE2, 2 AVX2): " << set;
    }
  }
}

// Groups of eight source pixels that are all opaque or all transparent are copied or skipped
// whole; one pixel of another alpha anywhere in the group, even one that shares the top bit
// (128 to 254 among opaque ones, 1 to 127 among transparent ones), must be blended instead.
TEST(RasterRowKernels, OpaqueSourceAlphaCopyTellsUniformGroupsFromNearlyUniformOnes)
{
  const int odd[] = {1, 64, 127, 128, 200, 254};
  std::vector<RasterPixel> s, d;
  unsigned seed = 7;
  auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (RasterPixel)(seed >> 8) & 0xFFFFFFu; };
  for (int fill : {0, 255})
    for (int a : odd)
      for (int pos = -1; pos < 8; ++pos)
        for (int i = 0; i < 8; ++i) {
          s.push_back(next() | ((RasterPixel)(i == pos ? a : fill) << 24));
          d.push_back(next() | ((RasterPixel)(next() & 0xFF) << 24));
        }
  const std::vector<RasterPixel> expected = ReferenceOpaqueSrcAlpha(d, s);
  for (const RasterRowKernels* k : kKernelSets) {
    std::vector<RasterPixel> out(d);
    k->copyOpaqueSrcAlpha(out.data(), s.data(), (int)out.size());
    ASSERT_EQ(out, expected);
    // From an odd start the groups straddle the uniform runs.
    out = d;
    k->copyOpaqueSrcAlpha(out.data() + 3, s.data() + 3, (int)out.size() - 3);
    std::vector<RasterPixel> shifted(expected);
    shifted[0] = d[0], shifted[1] = d[1], shifted[2] = d[2];
    ASSERT_EQ(out, shifted);
  }
}
