// vst2-render --validate: a torture test for a VST 2 plug-in. Named checks in groups, each
// reporting PASS, FAIL or SKIP with what was seen; higher levels repeat and randomise more.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "vst/vst2_abi.h"

namespace vrender {

struct ValidateOptions {
  std::string pluginPath;
  int level = 5;          // 1..10
  uint64_t seed = 0;      // used when seedGiven; otherwise one is drawn and reported
  bool seedGiven = false;
  bool json = false;
  bool isolate = true;    // run each group in a child process where the system allows it
  // Set in a child process: "GROUP" or "GROUP:CHECK,CHECK" (checks already done). The child
  // runs that group and reports in the child protocol on standard output.
  std::string child;
};



enum class CheckStatus { Pass, Fail, Skip };

struct CheckResult {
  std::string name;
  CheckStatus status = CheckStatus::Pass;
  std::string detail;  // what was seen (FAIL), why (SKIP), or a warning / measurement (PASS)
};

// What a group reports as it goes, one check at a time: 'starting' before a check runs (so a
// crash can be pinned on it), then its result. A group that crashes half-way keeps what it
// reported.
struct CheckSink {
  std::function<void(const std::string& name)> starting;
  // What the running check is doing now ("effGetParamName with a null pointer"), named in
  // the failure when the plug-in crashes there. May be empty.
  std::function<void(const std::string& what)> step;
  std::function<void(const CheckResult&)> result;
};

struct GroupContext {
  std::string pluginPath;
  // An entry point linked into this program, used instead of loading 'pluginPath' (the
  // in-process tests, which run the product under the thread sanitizer).
  VstPluginMainProc entry = nullptr;
  int level = 5;
  uint64_t seed = 0;
  std::string displayError;  // why editors have no display, when they have none
  // Checks already reported (a rerun after a crash goes on after them).
  std::set<std::string> done;
};

struct CheckGroup {
  const char* name;
  void (*run)(const GroupContext& context, const CheckSink& sink);
};

// The lines a child process reports with: "S\tname" before a check, "T\tstep" as it goes,
// "R\t<P|F|S>\tname\tdetail" for its result.
CheckSink ChildProtocolSink(void (*write)(const std::string& line));
// Hands one protocol line to 'sink'; updates the running check and step. Other lines
// (a plug-in printing) are ignored.
void ReadChildProtocolLine(const std::string& line, const CheckSink& sink, std::string& running,
                           std::string& step, std::set<std::string>& done);

// Every group in the order they run.
const std::vector<CheckGroup>& CheckGroups();

// Runs one group so that a crash or hang of the plug-in is reported as a failure of the
// check it happened in: on Linux in forked child processes, on Windows in child processes
// of the program itself.
void RunGroupIsolated(const CheckGroup& group, const GroupContext& context, bool isolate,
                      double timeoutSeconds, const CheckSink& sink);

// In a child process: no crash dialog or debugger, the exception code is the exit status.
void PrepareChildProcess();

// Runs everything and prints the report; returns 0 when nothing failed, 1 otherwise.
int RunValidation(const ValidateOptions& options);

}  // namespace vrender
