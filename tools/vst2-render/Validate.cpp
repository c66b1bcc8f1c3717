#include "tools/vst2-render/Validate.h"

#include <chrono>
#include <cstdio>
#include <random>

#include "tools/vst2-render/HostWindow.h"
#include "tools/vst2-render/Json.h"
#include "tools/vst2-render/PluginLibrary.h"

namespace vrender {

namespace {

const char* StatusWord(CheckStatus s) {
  switch (s) {
    case CheckStatus::Pass: return "PASS";
    case CheckStatus::Fail: return "FAIL";
    case CheckStatus::Skip: return "SKIP";
  }
  return "?";
}

}  // namespace

int RunValidation(const ValidateOptions& options) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  GroupContext context;
  context.pluginPath = options.pluginPath;
  context.level = options.level < 1 ? 1 : options.level > 10 ? 10 : options.level;
  context.seed = options.seedGiven ? options.seed : std::random_device()() % 1000000000u;

  // Plug-ins may connect to the display as soon as they are created: it comes first.
  if (!EnsureDisplay(context.displayError)) context.displayError = "no display for editors: " + context.displayError;

  // The library must at least load once here; what it does after that is the checks' business.
  {
    PluginLibrary library;
    std::string error;
    if (!library.Load(options.pluginPath, error)) {
      std::fprintf(stderr, "vst2-render: %s\n", error.c_str());
      return 1;
    }
  }

  if (!options.json)
    std::printf("validating %s at level %d, seed %llu\n", options.pluginPath.c_str(), context.level,
                static_cast<unsigned long long>(context.seed));
  std::fflush(stdout);

  int passed = 0, failed = 0, skipped = 0;
  Json checks = Json::array();
  for (const CheckGroup& group : CheckGroups()) {
    const auto groupStart = Clock::now();
    CheckSink sink;
    sink.starting = [](const std::string&) {};
    sink.result = [&](const CheckResult& r) {
      (r.status == CheckStatus::Pass ? passed : r.status == CheckStatus::Fail ? failed : skipped)++;
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - groupStart).count();
      if (options.json) {
        checks.push_back({{"group", group.name},
                          {"name", r.name},
                          {"result", StatusWord(r.status)},
                          {"detail", r.detail},
                          {"groupMs", NumberOrNull(static_cast<double>(static_cast<long long>(ms)))}});
        return;
      }
      if (r.detail.empty())
        std::printf("%s %s/%s\n", StatusWord(r.status), group.name, r.name.c_str());
      else if (r.status == CheckStatus::Pass)
        std::printf("PASS %s/%s (%s)\n", group.name, r.name.c_str(), r.detail.c_str());
      else
        std::printf("%s %s/%s: %s\n", StatusWord(r.status), group.name, r.name.c_str(), r.detail.c_str());
      std::fflush(stdout);
    };
    RunGroupIsolated(group, context, options.isolate, 120.0 + 60.0 * context.level, sink);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (options.json) {
    Json j;
    j["plugin"] = options.pluginPath;
    j["level"] = context.level;
    j["seed"] = context.seed;
    j["checks"] = checks;
    j["passed"] = passed;
    j["failed"] = failed;
    j["skipped"] = skipped;
    j["seconds"] = NumberOrNull(static_cast<double>(static_cast<long long>(seconds * 10)) / 10);
    std::printf("%s\n", JsonText(j).c_str());
  } else {
    std::printf("finished in %.1f s\n", seconds);
    if (skipped)
      std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
    else
      std::printf("%d passed, %d failed\n", passed, failed);
  }
  std::fflush(stdout);
  return failed ? 1 : 0;
}

}  // namespace vrender
