// The frequency-response measurement: its arithmetic in-process, and `vst2-render --response`
// run against Vossamere2 (checked against the bleed's transfer function in closed form) and
// against fixture plug-ins that each break one of its assumptions.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "raster/RasterPng.h"
#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/ResponseMeasure.h"
#include "tools/vst2-render/ResponsePlot.h"

using namespace vrender;

namespace {

constexpr double kPi = 3.141592653589793;

// A CSV file as columns of numbers by header name; empty fields read as NaN.
struct Table {
  std::vector<std::string> names;
  std::vector<std::vector<double>> columns;
  const std::vector<double>& operator[](const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return columns[i];
    ADD_FAILURE() << "no column " << name;
    static const std::vector<double> none;
    return none;
  }
};

Table ReadCsv(const std::string& path) {
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
  std::istringstream text(std::string(bytes.begin(), bytes.end()));
  Table t;
  std::string line, field;
  std::getline(text, line);
  std::istringstream header(line);
  while (std::getline(header, field, ',')) t.names.push_back(field);
  t.columns.resize(t.names.size());
  while (std::getline(text, line)) {
    size_t column = 0, start = 0;
    for (;;) {
      const size_t comma = line.find(',', start);
      const std::string f = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      t.columns[column++].push_back(f.empty() ? std::nan("") : std::strtod(f.c_str(), nullptr));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    EXPECT_EQ(column, t.names.size()) << line;
  }
  return t;
}


// The settled bleed's transfer functions: a one-pole low-pass y = (1 − p)·sum + p·y', its
// complement plus the settled share s of the sum, scaled by the gain, added to each side.
struct Bleed {
  std::complex<double> cross, same;
};
Bleed BleedTransfer(double fs, int amount, int type, double hz) {
  const double gain = type == 1 ? amount * 0.025 : amount * 0.025 * 0.1;
  const double share = type == 1 ? 0.005 : 0.0001;
  const double cutoff = std::min(20000.0, fs * 0.5);
  const double p = std::exp(-2.0 * kPi * cutoff / fs);
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / fs);
  const std::complex<double> lowPass = (1.0 - p) / (1.0 - p * z1);
  const std::complex<double> cross = gain * (share + 1.0 - lowPass);
  return {cross, 1.0 + cross};
}

double Db(std::complex<double> h) { return 20.0 * std::log10(std::abs(h)); }
double Degrees(std::complex<double> h) { return std::arg(h) * 180.0 / kPi; }

}  // namespace

TEST(Response, FrequenciesRunEvenlyInLogFrom20HzToNyquist) {
  const std::vector<double> f = ResponseFrequencies(44100.0);
  ASSERT_EQ(f.size(), 400u);
  EXPECT_EQ(f.front(), 20.0);
  EXPECT_EQ(f.back(), 22050.0);
  const double ratio = f[1] / f[0];
  for (size_t i = 1; i < f.size(); ++i) EXPECT_NEAR(f[i] / f[i - 1], ratio, 1e-9) << i;
}

TEST(Response, TransferIsTheDirectTransformOfTheImpulse) {
  // h = δ + 0.5·δ(k − 1) − 0.25·δ(k − 700): the long gap crosses the phasor's restarts.
  std::vector<double> h(1000, 0.0);
  h[0] = 1.0;
  h[1] = 0.5;
  h[700] = -0.25;
  for (double hz : {20.0, 997.0, 10000.0, 22050.0}) {
    const double w = 2.0 * kPi * hz / 44100.0;
    const std::complex<double> expected = 1.0 + 0.5 * std::polar(1.0, -w) - 0.25 * std::polar(1.0, -700.0 * w);
    const std::complex<double> got = TransferAt(h, hz, 44100.0);
    EXPECT_NEAR(got.real(), expected.real(), 1e-12) << hz;
    EXPECT_NEAR(got.imag(), expected.imag(), 1e-12) << hz;
  }
  EXPECT_EQ(MagnitudeDb(TransferAt(std::vector<double>(8, 0.0), 100.0, 44100.0)), -HUGE_VAL);
  EXPECT_TRUE(std::isnan(PhaseDegrees(0.0)));  // nothing passes: no phase
  h[500] = std::nan("");
  EXPECT_TRUE(std::isnan(MagnitudeDb(TransferAt(h, 100.0, 44100.0))));
}

TEST(Response, PlotScaleHoldsTheCurvesInWholeSteps) {
  PlotScale s = ChoosePlotScale({{"flat", {0.0, 0.0, 0.0}}});
  EXPECT_EQ(s.topDb, 8.0);
  EXPECT_EQ(s.bottomDb, -8.0);
  s = ChoosePlotScale({{"a", {0.1, 2.3}}, {"b", {-38.1, -11.0}}, {"silent", {-HUGE_VAL, std::nan("")}}});
  EXPECT_EQ(s.stepDb, 6.0);
  EXPECT_EQ(s.topDb, 6.0);
  EXPECT_EQ(s.bottomDb, -42.0);
  s = ChoosePlotScale({{"deep", {0.0, -400.0}}});  // about 120 dB are shown at most
  EXPECT_EQ(s.topDb, 20.0);
  EXPECT_EQ(s.bottomDb, -140.0);
}

TEST(ResponseTool, Vossamere2MatchesTheBleedInClosedForm) {
  const std::string plugin = Vossamere2Plugin();
  if (plugin.empty()) GTEST_SKIP() << "Vossamere2 is not built in this tree";
  const std::string dir = ScratchFolder();
  const struct {
    int amount, type;
    double rate;
  } cases[] = {{100, 1, 44100}, {100, 0, 44100}, {37, 1, 32000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.amount) + " " + std::to_string(c.type) + " " + std::to_string(c.rate));
    const ToolResult r = RunTool({"--plugin", plugin, "--response", dir + "r.png", "--response-csv", dir + "r.csv",
                                  "--set", "Amount=" + std::to_string(c.amount), "--set",
                                  c.type ? "Type=Consumer" : "Type=Professional", "--rate",
                                  std::to_string(static_cast<int>(c.rate))});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;  // linear and time-invariant: no warning
    const Table t = ReadCsv(dir + "r.csv");
    const std::vector<double>& hz = t["frequency_hz"];
    ASSERT_EQ(hz.size(), 400u);
    for (size_t i = 0; i < hz.size(); ++i) {
      const Bleed b = BleedTransfer(c.rate, c.amount, c.type, hz[i]);
      for (const char* side : {"L_to_L", "R_to_R"}) {
        EXPECT_NEAR(t[std::string(side) + "_db"][i], Db(b.same), 0.01) << hz[i];
        EXPECT_NEAR(t[std::string(side) + "_phase_deg"][i], Degrees(b.same), 0.01) << hz[i];
      }
      for (const char* side : {"L_to_R", "R_to_L"}) {
        EXPECT_NEAR(t[std::string(side) + "_db"][i], Db(b.cross), 0.01) << hz[i];
        EXPECT_NEAR(t[std::string(side) + "_phase_deg"][i], Degrees(b.cross), 0.01) << hz[i];
      }
    }
    // The summary's spot levels are the same function, exactly at 100 Hz, 1 kHz and 10 kHz.
    const Bleed at1k = BleedTransfer(c.rate, c.amount, c.type, 1000.0);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%+.2f", Db(at1k.cross));
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  }
}

TEST(ResponseTool, PlotIsAPngWithTheCurvesAndItsTitle) {
  const std::string dir = ScratchFolder();
  // Crossfeed at 50 %: flat curves at 0 dB and −6.02 dB; inverted, the cross pairs at 180°.
  ToolResult r = RunTool({"--plugin", FixturePlugin("Crossfeed"), "--response", dir + "x.png", "--response-csv",
                          dir + "x.csv", "--set", "Feed=50", "--set", "Mode=Inverted", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_NEAR(JsonNumber(r.out, "levelDb1kHz"), 0.0, 1e-9) << r.out;
  EXPECT_NE(r.out.find("\"name\":\"L \u2192 R\",\"levelDb100Hz\":-6.02"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"linear\":true,\"timeInvariant\":true"), std::string::npos) << r.out;
  const Table t = ReadCsv(dir + "x.csv");
  for (size_t i = 0; i < t["frequency_hz"].size(); ++i) {
    EXPECT_NEAR(t["L_to_R_db"][i], 20 * std::log10(0.5), 1e-5);
    EXPECT_NEAR(std::fabs(t["R_to_L_phase_deg"][i]), 180.0, 1e-3);
    EXPECT_NEAR(t["R_to_R_phase_deg"][i], 0.0, 1e-9);
  }

  std::unique_ptr<RasterBitmap> picture(RasterLoadPngFile((dir + "x.png").c_str(), nullptr));
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->GetWidth(), kPlotWidth);
  ASSERT_EQ(picture->GetHeight(), kPlotHeight);
  // Anti-aliased curves blend into the white background: count the pixels that are at
  // least 40 % of a colour over white, the same share in every channel.
  auto count = [&](RasterPixel colour, int top, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < kPlotWidth; ++x) {
        const RasterPixel p = picture->GetBits()[y * picture->GetRowSpan() + x];
        double lo = 1.0, hi = 0.0;
        for (int shift : {0, 8, 16}) {
          const double share = (255.0 - ((p >> shift) & 0xFF)) / (255.0 - ((colour >> shift) & 0xFF));
          lo = std::min(lo, share);
          hi = std::max(hi, share);
        }
        n += lo >= 0.4 && hi - lo < 0.08;
      }
    return n;
  };
  // Two distinct curves (the matching pairs share a colour), drawn across the plot's width;
  // the title and legend rows hold dark text.
  EXPECT_GT(count(PlotCurveColour(0), 70, kPlotHeight), 600);
  EXPECT_GT(count(PlotCurveColour(1), 70, kPlotHeight), 600);
  EXPECT_EQ(count(PlotCurveColour(2), 0, kPlotHeight), 0);
  int dark = 0;
  for (int y = 5; y < 40; ++y)
    for (int x = 0; x < kPlotWidth; ++x) dark += RasterPixelGreen(picture->GetBits()[y * picture->GetRowSpan() + x]) < 100;
  EXPECT_GT(dark, 200);
  EXPECT_EQ(picture->GetBits()[0], 0xFFFFFFFFu);
}

TEST(ResponseTool, NonlinearAndTimeVaryingPluginsAreMeasuredWithAWarning) {
  const std::string dir = ScratchFolder();
  const struct {
    const char* fixture;
    const char* warning;
  } cases[] = {{"Saturator", "is not linear (impulses 24 dB apart give responses up to"},
               {"Wobble", "varies in time (two impulses"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const ToolResult r = RunTool({"--plugin", FixturePlugin(c.fixture), "--response", dir + "r.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("vst2-render: warning: the plug-in ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "more than one line: " << r.err;
    EXPECT_TRUE(FileExists(dir + "r.png"));
    RemoveFile(dir + "r.png");
  }
}

TEST(ResponseTool, NanOutputIsWarnedAndLeftAsGaps) {
  const std::string dir = ScratchFolder();
  const ToolResult r = RunTool({"--plugin", FixturePlugin("NanOut"), "--response", dir + "r.png", "--response-csv",
                                dir + "r.csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: the plug-in's output holds NaN or infinite samples (L -> R, R -> R)"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  const Table t = ReadCsv(dir + "r.csv");
  for (size_t i = 0; i < t["frequency_hz"].size(); ++i) {
    EXPECT_EQ(t["L_to_L_db"][i], 0.0);
    EXPECT_TRUE(std::isnan(t["L_to_R_db"][i]));
    EXPECT_EQ(t["R_to_L_db"][i], -HUGE_VAL);  // silent, which is known
    EXPECT_TRUE(std::isnan(t["R_to_L_phase_deg"][i]));
  }
  EXPECT_TRUE(FileExists(dir + "r.png"));
}

TEST(ResponseTool, BadInputIsRefusedWithOneLineAndLeavesNoFile) {
  const std::string dir = ScratchFolder();
  const std::string png = dir + "r.png", csv = dir + "r.csv";
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--plugin", FixturePlugin("NoInputs"), "--response", png}, "has no inputs: --response measures"},
      {{"--plugin", FixturePlugin("NoOutputs"), "--response", png}, "the plug-in has no outputs"},
      {{"--plugin", FixturePlugin("Crossfeed"), "--response", dir + "no/such/dir/r.png"},
       "cannot write response file"},
      // The plot could be written, the CSV cannot: neither is left behind.
      {{"--plugin", FixturePlugin("Crossfeed"), "--response", png, "--response-csv", dir + "no/such/dir/r.csv"},
       "cannot write response file"},
      {{"--plugin", FixturePlugin("Crossfeed"), "--response", png, "--set", "Feed=x"}, "rejected 'x'"},
      {{"--plugin", FixturePlugin("Crossfeed"), "--response"}, "option --response needs a value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const ToolResult r = RunTool(c.args);
    EXPECT_TRUE(r.status == 1 || r.status == 2) << "status " << r.status;
    EXPECT_EQ(r.err.rfind("vst2-render: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "more than one line: " << r.err;
    EXPECT_TRUE(FilesIn(dir).empty());
  }
}
