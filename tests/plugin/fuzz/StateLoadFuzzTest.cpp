#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <random>

#include "tests/plugin/fuzz/StateLoadFuzz.h"

namespace
{
typedef std::vector<uint8_t> Bytes;

const int32_t kInterestingInts[] = {0, 1, -1, 4, 7, 8, 24, 31, 32, 255, 0x10000, 0xFFFF,
                                    INT_MAX, INT_MIN, INT_MAX - 3, -4, 1 << 20};

// One random edit of the kinds that break length-prefixed formats.
void Mutate(Bytes& b, std::mt19937& rng)
{
  auto pick = [&](size_t n) { return n ? (size_t)(rng() % n) : 0; };
  switch (rng() % 8)
  {
    case 0:
      if (!b.empty()) b[pick(b.size())] ^= (uint8_t)(1u << (rng() % 8));
      break;
    case 1:
      if (!b.empty()) b[pick(b.size())] = (uint8_t)rng();
      break;
    case 2:
      if (b.size() >= 4)
      {
        const int32_t v = kInterestingInts[pick(sizeof kInterestingInts / sizeof kInterestingInts[0])];
        std::memcpy(&b[pick(b.size() - 3)], &v, 4);
      }
      break;
    case 3:
      b.resize(pick(b.size() + 1));
      break;
    case 4:
      for (int n = 1 + (int)(rng() % 16); n > 0; --n) b.insert(b.begin() + pick(b.size() + 1), (uint8_t)rng());
      break;
    case 5:
      if (!b.empty()) b.erase(b.begin() + pick(b.size()));
      break;
    case 6:
      if (b.size() >= 8)
      {
        const double specials[] = {NAN, INFINITY, -INFINITY, 1e308, -0.0, 150.0, -3.0, 0.5};
        const double v = specials[rng() % 8];
        std::memcpy(&b[pick(b.size() - 7)], &v, 8);
      }
      break;
    default:
      if (b.size() >= 4)
      {
        const size_t from = pick(b.size()), to = pick(b.size()), n = pick(std::min(b.size() - from, b.size() - to) + 1);
        std::memmove(&b[to], &b[from], n);
      }
      break;
  }
}
}  // namespace

// Seeded random mutations of valid chunks, for a few seconds.
TEST(StateLoadFuzz, MutatedChunksLoadSafelyAndReloadStably)
{
  const std::vector<Bytes> seeds = StateLoadSeeds();
  for (const Bytes& seed : seeds) ASSERT_TRUE(CheckStateLoad(seed.data(), seed.size()));

  std::mt19937 rng(20261208);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  long inputs = 0;
  while (std::chrono::steady_clock::now() < deadline)
  {
    for (int batch = 0; batch < 256; ++batch, ++inputs)
    {
      Bytes b = seeds[rng() % seeds.size()];
      for (int edits = 1 + (int)(rng() % 4); edits > 0; --edits) Mutate(b, rng);
      const char* why = "";
      ASSERT_TRUE(CheckStateLoad(b.data(), b.size(), &why)) << why << " after " << inputs << " inputs";
    }
  }
  RecordProperty("inputs", (int)inputs);
  std::printf("state load fuzz: %ld inputs\n", inputs);
}

TEST(StateLoadFuzz, RandomBytesLoadSafely)
{
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i)
  {
    Bytes b(rng() % 64);
    for (uint8_t& x : b) x = (uint8_t)rng();
    if (b.size() >= 4 && (rng() & 1))
    {
      const uint8_t magic[4] = {0x74, 0x66, 0x66, 0x70};
      std::memcpy(b.data(), magic, 4);
    }
    const char* why = "";
    ASSERT_TRUE(CheckStateLoad(b.data(), b.size(), &why)) << why;
  }
}
