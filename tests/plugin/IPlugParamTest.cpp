#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "plugin/IPlugParam.h"

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::string Format(const IPlugParam& p, double x, bool normalized = false, bool texts = true)
{
  char out[64];
  p.FormatValue(x, normalized, out, texts);
  return out;
}
}  // namespace

TEST(IPlugParam, BoolDeclaresRangeAndTexts)
{
  IPlugParam p;
  p.DeclareBool("Power", true);
  EXPECT_EQ(IPlugParam::kKindBool, p.GetKind());
  EXPECT_EQ(1.0, p.GetValue());
  EXPECT_EQ(1.0, p.GetDefault());
  EXPECT_EQ(1.0, p.GetNormalizedValue());
  EXPECT_EQ(2, p.CountValueTexts());
  EXPECT_EQ("on", Format(p, 1));
  EXPECT_EQ("off", Format(p, 0));
  EXPECT_EQ("0", Format(p, 0, false, false));
}

TEST(IPlugParam, FirstInitialiserFixesTheKind)
{
  IPlugParam p;
  p.DeclareInt("Amount", 0, 0, 100, "%");
  p.DeclareNumber("Amount", 0, 0, 100, 0.5, "%");
  EXPECT_EQ(IPlugParam::kKindInt, p.GetKind());
}

TEST(IPlugParam, IntegerSetFromNormalizedRoundsHalfUpToTheStep)
{
  IPlugParam p;
  p.DeclareInt("Amount", 0, 0, 100, "%");
  p.SetFromNormalized(0.505);
  EXPECT_EQ(51.0, p.GetValue());
  EXPECT_EQ("51", Format(p, p.GetValue()));
  p.SetFromNormalized(0.504);
  EXPECT_EQ(50.0, p.GetValue());
  p.SetFromNormalized(1.0);
  EXPECT_EQ(100.0, p.GetValue());
  p.SetFromNormalized(0.25);
  EXPECT_EQ(0.25, p.GetNormalizedValue());

  IPlugParam power;
  power.DeclareBool("Power", true);
  power.SetFromNormalized(0.4);
  EXPECT_EQ(0.0, power.GetValue());
}

TEST(IPlugParam, FloatingParameterKeepsUnroundedValueAndShowsItsPrecision)
{
  IPlugParam p;
  p.DeclareNumber("Gain", 0.0, 0.0, 1.0, 0.01, "dB");
  EXPECT_EQ(2, p.GetDisplayPrecision());
  p.SetFromNormalized(0.12345);
  EXPECT_EQ(0.12345, p.GetValue());
  EXPECT_EQ("0.12", Format(p, p.GetValue()));

  IPlugParam coarse;
  coarse.DeclareNumber("x", 0, 0, 10, 0.1, "");
  EXPECT_EQ(1, coarse.GetDisplayPrecision());
  IPlugParam fine;
  fine.DeclareNumber("x", 0, 0, 1, 1e-9, "");
  EXPECT_EQ(IPlugParam::kMaxDisplayPrecision, fine.GetDisplayPrecision());
}

TEST(IPlugParam, MaximumIsAtLeastOneStepAboveMinimum)
{
  IPlugParam p;
  p.DeclareNumber("x", 5, 5, 2, 0.5, "");
  EXPECT_EQ(5.5, p.GetMaximum());
}

TEST(IPlugParam, OutOfRangeAndNonFiniteNormalizedInputStayInRange)
{
  IPlugParam p;
  p.DeclareInt("Amount", 0, 0, 100, "%");
  p.SetFromNormalized(1.0000001);
  EXPECT_EQ(100.0, p.GetValue());
  p.SetFromNormalized(kInf);
  EXPECT_EQ(100.0, p.GetValue());
  p.SetFromNormalized(kNaN);
  EXPECT_EQ(0.0, p.GetValue());
  p.SetFromNormalized(-0.5);
  EXPECT_EQ(0.0, p.GetValue());
  p.SetFromNormalized(-kInf);
  EXPECT_EQ(0.0, p.GetValue());
  EXPECT_EQ(0.0, p.NormalizeValue(kNaN));
  EXPECT_EQ(1.0, p.NormalizeValue(kInf));
  EXPECT_EQ(0.0, p.NormalizeValue(-3));
}

TEST(IPlugParam, DirectValuesAreClampedNotRounded)
{
  IPlugParam p;
  p.DeclareInt("Amount", 0, 0, 100, "%");
  p.SetValue(37.6);
  EXPECT_EQ(37.6, p.GetValue());
  EXPECT_EQ("37", Format(p, p.GetValue()));
  p.SetValue(150);
  EXPECT_EQ(100.0, p.GetValue());
  p.SetValue(-3);
  EXPECT_EQ(0.0, p.GetValue());
  p.SetValue(kNaN);
  EXPECT_EQ(0.0, p.GetValue());
}

TEST(IPlugParam, ValueTextsFormatAndParse)
{
  IPlugParam p;
  p.DeclareInt("Type", 0, 0, 1, "");
  p.AddValueText(0, "Professional");
  p.AddValueText(1, "Consumer");
  EXPECT_EQ("Professional", Format(p, 0));
  EXPECT_EQ("Consumer", Format(p, 1));
  EXPECT_EQ("Consumer", Format(p, 1.0, true));
  EXPECT_STREQ("Consumer", p.GetValueText(1));
  EXPECT_STREQ("", p.GetValueText(2));

  int v = -7;
  EXPECT_TRUE(p.ParseValueText("Consumer", &v));
  EXPECT_EQ(1, v);
  v = -7;
  EXPECT_FALSE(p.ParseValueText("consumer", &v));
  EXPECT_FALSE(p.ParseValueText("Consume", &v));
  EXPECT_FALSE(p.ParseValueText(nullptr, &v));
  EXPECT_EQ(-7, v);
}

TEST(IPlugParam, EmptyOrMissingValueTextFallsBackToTheNumber)
{
  IPlugParam p;
  p.DeclareInt("Mode", 0, 0, 5, "");
  p.AddValueText(2, "");
  p.AddValueText(2, "never reached");
  p.AddValueText(3, "three");
  EXPECT_EQ("2", Format(p, 2));
  EXPECT_EQ("4", Format(p, 4));
  EXPECT_EQ("three", Format(p, 3.9));  // truncated toward zero
}

TEST(IPlugParam, NegatedDisplayShowsTheOppositeSign)
{
  IPlugParam p;
  p.DeclareNumber("Cut", 3.0, 0.0, 10.0, 0.5, "");
  p.SetNegatedDisplay(true);
  EXPECT_EQ("-3.0", Format(p, 3.0));
}

TEST(IPlugParam, FormatOfHugeOrNonFiniteValuesStaysBounded)
{
  IPlugParam whole;
  whole.DeclareNumber("x", 0, -1e300, 1e300, 1, "");
  EXPECT_EQ(std::to_string(INT_MAX), Format(whole, 1e20));
  EXPECT_EQ(std::to_string(INT_MIN), Format(whole, -1e20));
  EXPECT_EQ("0", Format(whole, kNaN));

  IPlugParam decimals;
  decimals.DeclareNumber("x", 0, 0, 1, 0.001, "");
  char out[40];
  std::memset(out, 'x', sizeof out);
  decimals.FormatValue(1e300, false, out, false, 32);
  EXPECT_EQ(31u, std::strlen(out));
  EXPECT_EQ('x', out[32]);
}

TEST(IPlugParam, OverlongNamesAreCutToTheirField)
{
  IPlugParam p;
  const std::string longName(100, 'n');
  p.DeclareNumber(longName.c_str(), 0, 0, 1, 1, longName.c_str());
  p.AddValueText(0, longName.c_str());
  EXPECT_EQ(31u, std::strlen(p.GetParamName()));
  EXPECT_EQ(31u, std::strlen(p.GetParamLabel()));
  EXPECT_EQ(31u, std::strlen(p.GetValueText(0)));
}
