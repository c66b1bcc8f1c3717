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

void WriteToStdout(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// A child process: one group, reported line by line to the parent.
int RunChild(const ValidateOptions& options) {
  PrepareChildProcess();
  GroupContext context;
  context.pluginPath = options.pluginPath;
  context.level = options.level;
  context.seed = options.seed;
  std::string name = options.child;
  const size_t colon = name.find(':');
  if (colon != std::string::npos) {
    std::string list = name.substr(colon + 1);
    name.erase(colon);
    size_t at = 0;
    while (at <= list.size()) {
      const size_t comma = list.find(',', at);
      const std::string one = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      if (!one.empty()) context.done.insert(one);
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
  }
  if (!EnsureDisplay(context.displayError)) context.displayError = "no display for editors: " + context.displayError;
  for (const CheckGroup& group : CheckGroups())
    if (name == group.name) {
      group.run(context, ChildProtocolSink(&WriteToStdout));
      return 0;
    }
  std::fprintf(stderr, "vst2-render: no check group '%s'\n", name.c_str());
  return 2;
}

}  // namespace

int RunValidation(const ValidateOptions& options) {
  if (!options.child.empty()) return RunChild(options);
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
