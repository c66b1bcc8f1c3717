// vst2-render --validate run as a process: Vossamere2 passes at every strictness, and each
// deliberately faulty fixture plug-in is caught by the check meant for its fault.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/Platform.h"

namespace {

// "group/check" of every line starting with 'word' ("FAIL", "PASS", "SKIP").
std::set<std::string> Lines(const std::string& out, const std::string& word) {
  std::set<std::string> names;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, word.size() + 1, word + " ") != 0) continue;
    const std::string rest = line.substr(word.size() + 1);
    names.insert(rest.substr(0, rest.find_first_of(" :")));
  }
  return names;
}

std::string LineOf(const std::string& out, const std::string& name) {
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line))
    if (line.find(" " + name) == 4) return line;
  return "";
}

bool IsSubset(const std::set<std::string>& a, const std::set<std::string>& b) {
  for (const auto& x : a)
    if (!b.count(x)) return false;
  return true;
}

#if defined(_WIN32)
const bool kLinux = false;
#else
const bool kLinux = true;
#endif

}  // namespace

TEST(Validate, Vossamere2PassesLevel5WithEveryCheckReported) {
  ScratchFolder();
  const std::string plugin = Vossamere2Plugin();
  if (plugin.empty()) GTEST_SKIP() << "the plug-in is not built";
  ToolResult r = RunTool({"--plugin", plugin, "--validate", "--level", "5", "--seed", "5"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Lines(r.out, "FAIL").empty()) << r.out;
  const std::set<std::string> passed = Lines(r.out, "PASS");
  for (const char* name : {"lifecycle/instances-in-sequence", "metadata/parameter-texts", "processing/rates-and-blocks",
                           "processing/deterministic", "silence/silence-zero-64", "state/corrupt-chunks",
                           "automation/from-another-thread", "quirks/null-pointers", "quirks/silent-host",
                           "editor/editor-rect", "editor/editor-open-close", "editor/editor-while-processing",
                           "editor/editor-close-instance"})
    EXPECT_TRUE(passed.count(name)) << name << "\n" << r.out;
  // The real-time watch lives in the Linux program only.
  EXPECT_EQ(passed.count("realtime/realtime-64"), kLinux ? 1u : 0u) << r.out;
  // Our 32-bit path leaves at most a short run of float subnormals as the tail decays.
  EXPECT_TRUE(passed.count("silence/silence-subnormals-32")) << r.out;
  EXPECT_NE(r.out.find(" passed, 0 failed"), std::string::npos) << r.out;
}

TEST(Validate, Vossamere2PassesLevel10WithAFixedSeedAndTheJsonAgrees) {
  ScratchFolder();
  const std::string plugin = Vossamere2Plugin();
  if (plugin.empty()) GTEST_SKIP() << "the plug-in is not built";
  ToolResult r = RunTool({"--plugin", plugin, "--validate", "--level", "10", "--seed", "20261209", "--json"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["level"], 10);
  EXPECT_EQ(j["seed"], 20261209);
  EXPECT_EQ(j["failed"], 0) << r.out;
  int passes = 0;
  for (const auto& c : j["checks"]) {
    EXPECT_NE(c["result"], "FAIL") << c.dump();
    passes += c["result"] == "PASS";
  }
  EXPECT_EQ(j["passed"], passes);
  EXPECT_GE(passes, 30);
}

// Each fault is caught by its own check; a fault may show in a few closely related checks,
// but never in unrelated ones.
TEST(Validate, EachFaultyFixtureIsCaughtByTheCheckMeantForIt) {
  ScratchFolder();
  struct Case {
    const char* fixture;
    const char* caughtBy;
    std::set<std::string> mayAlsoFail;
    bool linuxOnly;
  };
  const Case cases[] = {
      {"NameOverrun", "metadata/parameter-texts", {}, false},
      {"NanAtHighRate", "processing/rates-and-blocks", {}, false},
      {"SubnormalHum", "silence/silence-subnormals-64",
       {"silence/silence-zero-64", "silence/silence-zero-32", "silence/silence-subnormals-32"}, false},
      {"EchoAutomate", "automation/host-notifications", {}, false},
      {"AllocInBlock", "realtime/realtime-64", {"realtime/realtime-32"}, true},
      {"ChunkCrash", "state/corrupt-chunks", {}, false},
      {"EditorLeak", "editor/editor-open-close", {"editor/editor-close-instance"}, false},
  };
  for (const Case& c : cases) {
    if (c.linuxOnly && !kLinux) continue;
    ToolResult r = RunTool({"--plugin", FixturePlugin(c.fixture), "--validate", "--level", "2", "--seed", "3"});
    EXPECT_EQ(r.status, 1) << c.fixture << "\n" << r.out << r.err;
    const std::set<std::string> failed = Lines(r.out, "FAIL");
    EXPECT_TRUE(failed.count(c.caughtBy)) << c.fixture << "\n" << r.out;
    std::set<std::string> allowed = c.mayAlsoFail;
    allowed.insert(c.caughtBy);
    EXPECT_TRUE(IsSubset(failed, allowed)) << c.fixture << "\n" << r.out;
  }
}

TEST(Validate, ACrashIsReportedWithItsSignalAndTheRunGoesOn) {
  ScratchFolder();
  ToolResult r = RunTool({"--plugin", FixturePlugin("ChunkCrash"), "--validate", "--level", "1", "--seed", "1"});
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string line = LineOf(r.out, "state/corrupt-chunks");
  EXPECT_NE(line.find(kLinux ? "crashed with signal 11" : "crashed with exception 0xC0000005"), std::string::npos)
      << r.out;
  EXPECT_NE(line.find("effSetChunk with a damaged"), std::string::npos) << line;
  // The groups after the crash still ran, in new processes.
  EXPECT_TRUE(Lines(r.out, "PASS").count("automation/sweep")) << r.out;
  EXPECT_TRUE(Lines(r.out, "PASS").count("quirks/null-pointers")) << r.out;
  EXPECT_NE(r.out.find(" passed, 1 failed"), std::string::npos) << r.out;
}

TEST(Validate, TheSameSeedGivesTheSameVerdicts) {
  ScratchFolder();
  const std::string plugin = FixturePlugin("NameOverrun");
  ToolResult a = RunTool({"--plugin", plugin, "--validate", "--level", "1", "--seed", "42"});
  ToolResult b = RunTool({"--plugin", plugin, "--validate", "--level", "1", "--seed", "42"});
  EXPECT_EQ(Lines(a.out, "FAIL"), Lines(b.out, "FAIL"));
  EXPECT_EQ(Lines(a.out, "PASS"), Lines(b.out, "PASS"));
  EXPECT_NE(a.out.find("seed 42"), std::string::npos) << a.out;
}

TEST(Validate, APluginThatDoesNotLoadIsAnErrorNotAReport) {
  ScratchFolder();
  ToolResult r = RunTool({"--plugin", FixturePlugin("NoEntry"), "--validate"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("PASS"), std::string::npos) << r.out;
  EXPECT_FALSE(r.err.empty());
}
