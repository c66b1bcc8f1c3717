#include <gtest/gtest.h>

#include <cmath>

#include "tools/vst2-render/SignalStats.h"

using namespace vrender;

TEST(SignalStats, LevelsOfAFullScaleSquareAndOfSilence) {
  ChannelLevel square = MeasureChannel({1.0, -1.0, 1.0, -1.0});
  EXPECT_EQ(square.peak, 1.0);
  EXPECT_EQ(square.rms, 1.0);
  EXPECT_EQ(AmplitudeToDb(square.peak), 0.0);
  ChannelLevel half = MeasureChannel({0.5, -0.25});
  EXPECT_EQ(half.peak, 0.5);
  EXPECT_NEAR(AmplitudeToDb(half.peak), -6.0206, 1e-4);
  ChannelLevel silence = MeasureChannel({0.0, 0.0});
  EXPECT_TRUE(std::isinf(AmplitudeToDb(silence.peak)) && AmplitudeToDb(silence.peak) < 0);
  EXPECT_EQ(MeasureChannel({}).rms, 0.0);
}

TEST(SignalStats, LeakageIsTheEnergyRatioAndUndefinedForASilentSource) {
  std::vector<double> source = {0.5, -0.5, 0.25, 0.0};
  std::vector<double> leaked;
  for (double x : source) leaked.push_back(x * 0.1);
  EXPECT_NEAR(LeakageDb(leaked, source), -20.0, 1e-12);
  EXPECT_TRUE(std::isinf(LeakageDb({0.0, 0.0, 0.0, 0.0}, source)));
  EXPECT_TRUE(std::isnan(LeakageDb(leaked, {0.0, 0.0})));
}

TEST(SignalStats, CompareFindsTheLargestDifferenceAndRefusesOtherShapes) {
  AudioBuffer a, b;
  a.Resize(2, 4);
  b.Resize(2, 4);
  b.channels[1][2] = -0.75;
  b.channels[0][3] = 0.5;
  Difference d;
  std::string error;
  ASSERT_TRUE(CompareAudio(a, b, d, error));
  EXPECT_EQ(d.largest, 0.75);
  EXPECT_EQ(d.channel, 1);
  EXPECT_EQ(d.frame, 2u);

  b.channels[0][1] = NAN;  // a NaN is never "no difference"
  ASSERT_TRUE(CompareAudio(a, b, d, error));
  EXPECT_TRUE(std::isinf(d.largest));

  AudioBuffer shorter;
  shorter.Resize(2, 3);
  EXPECT_FALSE(CompareAudio(a, shorter, d, error));
  EXPECT_NE(error.find("lengths"), std::string::npos);
  AudioBuffer mono;
  mono.Resize(1, 4);
  EXPECT_FALSE(CompareAudio(a, mono, d, error));
}
