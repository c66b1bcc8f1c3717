#include <gtest/gtest.h>

#include "tools/vst2-render/RenderOptions.h"

using namespace vrender;

namespace {
bool Parse(const std::vector<std::string>& args, RenderOptions& options, std::string& error) {
  return ParseRenderOptions(args, options, error);
}
}  // namespace

TEST(RenderOptions, SettingsKeepTheirCommandLineOrderAndSplitAtTheFirstEquals) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--in", "a.wav", "--set", "Amount=50", "--param", "2=0.25", "--set", "Mix=a=b",
                     "--precision", "accumulate", "--block", "64", "--out-format", "pcm24"},
                    o, error))
      << error;
  ASSERT_EQ(o.settings.size(), 3u);
  EXPECT_TRUE(o.settings[0].byName);
  EXPECT_EQ(o.settings[0].name, "Amount");
  EXPECT_EQ(o.settings[0].text, "50");
  EXPECT_FALSE(o.settings[1].byName);
  EXPECT_EQ(o.settings[1].index, 2);
  EXPECT_EQ(o.settings[1].value, 0.25);
  EXPECT_EQ(o.settings[2].text, "a=b");
  EXPECT_EQ(o.precision, Precision::Accumulate32);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_EQ(o.outFormat, SampleFormat::Pcm24);
}

TEST(RenderOptions, MalformedValuesAreRefusedWithTheOptionNamed) {
  const std::vector<std::vector<std::string>> bad = {
      {"--in", "a.wav", "--block", "0"},         {"--in", "a.wav", "--block", "70000"},
      {"--in", "a.wav", "--block", "12x"},       {"--in", "a.wav", "--param", "1=1.5"},
      {"--in", "a.wav", "--param", "-1=0.5"},    {"--in", "a.wav", "--param", "x=0.5"},
      {"--in", "a.wav", "--param", "1=nan"},     {"--in", "a.wav", "--set", "=5"},
      {"--in", "a.wav", "--set", "Amount"},      {"--in", "a.wav", "--precision", "16"},
      {"--in", "a.wav", "--program", "-2"},      {"--in", "a.wav", "--out-format", "mp3"},
      {"--in"},                                  {"--list", "--rate", "10"},
      {"--in", "a.wav", "--frobnicate"},         {"--validate", "--level", "0"},
      {"--validate", "--level", "11"},           {"--validate", "--seed", "-3"},
      {"--validate", "--seed", "12ab"},
  };
  for (const auto& args : bad) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, o, error)) << args.back();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(RenderOptions, ActionsMustBeGivenAndNotMixed) {
  RenderOptions o;
  std::string error;
  EXPECT_FALSE(Parse({}, o, error));
  EXPECT_NE(error.find("nothing to do"), std::string::npos);
  EXPECT_FALSE(Parse({"--demo", "d.wav", "--in", "a.wav"}, o, error));
  EXPECT_FALSE(Parse({"--compare", "a.wav"}, o, error));
  EXPECT_FALSE(Parse({"--out", "b.wav"}, o, error));
  EXPECT_FALSE(Parse({"--list", "--bank"}, o, error));
  EXPECT_TRUE(Parse({"--list", "--save-state", "s.fxb", "--bank"}, o, error));
  EXPECT_TRUE(Parse({"--help"}, o, error));
  EXPECT_TRUE(o.help);
  EXPECT_FALSE(Parse({"--validate", "--list"}, o, error));
  EXPECT_FALSE(Parse({"--list", "--level", "3"}, o, error));  // strictness means nothing without --validate
  ASSERT_TRUE(Parse({"--validate", "--level", "10", "--seed", "18446744073709551615", "--json"}, o, error)) << error;
  EXPECT_TRUE(o.validate);
  EXPECT_EQ(o.level, 10);
  EXPECT_TRUE(o.seedGiven);
  EXPECT_EQ(o.seed, 18446744073709551615ull);
  ASSERT_TRUE(Parse({"--validate"}, o, error)) << error;
  EXPECT_EQ(o.level, 5);
  EXPECT_FALSE(o.seedGiven);
}

TEST(RenderOptions, ValuesAreTakenAsTheyStandEvenWhenTheyLookLikeOptions) {
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--in", "-odd.wav", "--plugin", "--list", "--block", "8"}, o, error)) << error;
  EXPECT_EQ(o.inPath, "-odd.wav");
  EXPECT_EQ(o.pluginPath, "--list");
  EXPECT_FALSE(o.list);
  ASSERT_TRUE(Parse({"--compare", "-a.wav", "--json"}, o, error)) << error;
  EXPECT_EQ(o.compareA, "-a.wav");
  EXPECT_EQ(o.compareB, "--json");
  ASSERT_TRUE(Parse({"--list", "--plugin", "a", "--plugin", "b", "--rate", "8000", "--rate", "96000"}, o, error));
  EXPECT_EQ(o.pluginPath, "b");  // the last of a repeated option counts
  EXPECT_EQ(o.sampleRate, 96000.0);
}

TEST(RenderOptions, MissingValuesAndStrayArgumentsAreNamed) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--list", "--plugin"}, "option --plugin needs a value"},
      {{"--compare", "a.wav"}, "--compare needs two files"},
      {{"--list", "/plugins/x.so"}, "unknown option '/plugins/x.so' (see --help)"},
      {{"--list", "--", "x"}, "unknown option '--' (see --help)"},
      {{"--lis"}, "unknown option '--lis' (see --help)"},
  };
  for (const auto& c : cases) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, o, error)) << c.message;
    EXPECT_EQ(error, c.message);
  }
}

TEST(RenderOptions, HelpListsEveryOption) {
  const std::string help = RenderUsage();
  EXPECT_EQ(help.rfind("usage: vst2-render ", 0), 0u) << help;
  for (const char* option : {"--plugin PATH", "--in FILE", "--out FILE", "--out-format", "--set NAME=TEXT",
                             "--param INDEX=VALUE", "--program N", "--block N", "--precision P", "--rate HZ",
                             "--load-state FILE", "--save-state FILE", "--bank", "--list", "--json", "--demo FILE",
                             "--compare", "--response FILE", "--response-csv FILE"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}
