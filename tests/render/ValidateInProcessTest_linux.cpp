// The validator's groups run in this process against the product linked in, so that the
// sanitized copy of this program (ThreadSanitizer) watches the product while a second
// thread automates it during processing, and while the editor opens beside the audio.
#include <gtest/gtest.h>

#include <cstring>

#include "product/Vossamere2.h"
#include "tools/vst2-render/HostWindow.h"
#include "tools/vst2-render/Validate.h"
#include "vst/IPlugVSTEntry.h"

using namespace vrender;

namespace {

AEffect* ProductEntry(audioMasterCallback host) { return IPlugVSTCreate(host, &MakeVossamere2); }

std::vector<CheckResult> RunGroup(const char* name, int level) {
  GroupContext context;
  context.entry = &ProductEntry;
  context.level = level;
  context.seed = 99;
  std::string display;
  if (!EnsureDisplay(display)) context.displayError = display;
  std::vector<CheckResult> results;
  CheckSink sink;
  sink.starting = [](const std::string&) {};
  sink.result = [&results](const CheckResult& r) { results.push_back(r); };
  for (const CheckGroup& group : CheckGroups())
    if (std::strcmp(group.name, name) == 0) group.run(context, sink);
  return results;
}

void ExpectAllPass(const std::vector<CheckResult>& results, size_t atLeast) {
  EXPECT_GE(results.size(), atLeast);
  for (const CheckResult& r : results) EXPECT_EQ(r.status, CheckStatus::Pass) << r.name << ": " << r.detail;
}

}  // namespace

TEST(ValidateInProcess, AutomationFromAnotherThreadWhileProcessing) {
  ExpectAllPass(RunGroup("automation", 3), 4);
}

TEST(ValidateInProcess, EditorOpeningsBesideTheAudioThread) {
  const std::vector<CheckResult> results = RunGroup("editor", 1);
  ASSERT_EQ(results.size(), 4u);
  if (results[0].status == CheckStatus::Skip) GTEST_SKIP() << results[0].detail;
  ExpectAllPass(results, 4);
}

TEST(ValidateInProcess, StateAndQuirks) {
  ExpectAllPass(RunGroup("state", 2), 4);
  ExpectAllPass(RunGroup("quirks", 2), 6);
}
