// What the validator's checks share: the library under test, instances driven block by
// block with any block size and precision, the host callbacks it offers, test signals and
// guarded text buffers.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/vst2-render/PluginInstance.h"
#include "tools/vst2-render/PluginLibrary.h"
#include "tools/vst2-render/RealtimeWatch.h"
#include "tools/vst2-render/Validate.h"

namespace vrender {

// What the plug-ins called back, across every instance of the process.
struct HostLog {
  std::atomic<long> automate{0};
  std::atomic<long> beginEdit{0};
  std::atomic<long> endEdit{0};
  void Clear() {
    automate = 0;
    beginEdit = 0;
    endEdit = 0;
  }
};
HostLog& TheHostLog();

// The validator's host: counts edit gestures and automation, otherwise answers as the
// render host does.
VstIntPtr ValidatorHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt);
// A host that answers 0 to everything, time queries and version included.
VstIntPtr SilentHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt);

using Channels = std::vector<std::vector<double>>;

const char* PrecisionLabel(Precision precision);

// The plug-in a group tests: its library loaded from the context's path, or the entry the
// context names.
class Plugin {
 public:
  explicit Plugin(const GroupContext& context);
  bool Loaded() const { return entry != nullptr; }
  const std::string& Error() const { return error; }
  // Unloads and loads the library again (nothing to do for a linked-in entry).
  bool Reload();
  VstPluginMainProc entry = nullptr;
  std::string entryName;

 private:
  const GroupContext& context;
  PluginLibrary library;
  std::string error;
};

// One instance under test with buffers for blocks up to a maximum size.
class Subject {
 public:
  // Null with a reason when the entry point or the record fails.
  static std::unique_ptr<Subject> Make(VstPluginMainProc entry, const std::string& entryName,
                                       std::string& error,
                                       audioMasterCallback host = &ValidatorHostCallback);
  AEffect* Effect() const { return instance->Effect(); }
  PluginInstance& Instance() { return *instance; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return instance->Dispatch(opcode, index, value, ptr, opt);
  }
  int Inputs() const { return Effect()->numInputs; }
  int Outputs() const { return Effect()->numOutputs; }

  // effOpen, rate, block size, precision, arrangement; then resume.
  void Start(double sampleRate, int maxBlock, Precision precision);
  void Resume() { instance->Resume(); }
  void Suspend() { instance->Suspend(); }
  // The precisions this plug-in offers, 64-bit first.
  std::vector<Precision> Precisions() const;

  // One block of 'frames' (0 allowed) through the chosen callback: input frames from
  // 'in' at 'at' (silence where 'in' is short or empty), output written to 'out' at 'at'
  // when 'out' is given (at 'outAt' instead when that is given). Accumulating blocks start
  // from 'accumulateBase' in every output.
  static constexpr size_t kAtInput = ~static_cast<size_t>(0);
  void Block(Precision precision, int frames, const Channels& in, size_t at, Channels* out,
             float accumulateBase = 0.0f, size_t outAt = kAtInput);
  // Whole signal in blocks given by 'sizes' (cycled); 'out' gets every output channel.
  void Run(Precision precision, const Channels& in, size_t frames, const std::vector<int>& sizes,
           Channels& out);
  // One block of the inputs already in place, with only the callback itself under the
  // real-time watch (the copying around it is the host's).
  void Watched(Precision precision, int frames, RealtimeCounts& counts);
  int MaxBlock() const { return maxBlock; }

  // Raw 32-bit output of the last block, for subnormal counts in the output's own format.
  const std::vector<std::vector<float>>& LastOut32() const { return buffers.out32; }

 private:
  explicit Subject(std::unique_ptr<PluginInstance> i) : instance(std::move(i)) {}
  std::unique_ptr<PluginInstance> instance;
  int maxBlock = 0;
  BlockBuffers buffers;
};

// Test signals: decorrelated noise per channel with a sine under it, at 'gain'.
Channels TestSignal(int channels, size_t frames, double sampleRate, double gain, uint64_t seed);

// The first non-finite sample, or false when every sample is finite.
bool FindNonFinite(const Channels& audio, size_t& channel, size_t& frame);

// A text opcode answered into a buffer filled with a guard pattern. 'field' is the size the
// published interface gives the host's buffer; 'tolerated' the size real hosts give.
struct GuardedText {
  std::string text;
  size_t written = 0;       // bytes changed from the guard pattern, terminator included
  bool terminated = false;  // a terminator within the buffer
};
GuardedText AskGuarded(Subject& subject, VstInt32 opcode, VstInt32 index);
// The verdict on one field: empty when fine; otherwise what went wrong. 'warning' set when
// only the published size was exceeded.
std::string JudgeText(const GuardedText& g, size_t field, size_t tolerated, bool& warning);

// A reproducible random source for one group.
using Random = std::mt19937_64;
double Uniform(Random& random, double low = 0.0, double high = 1.0);

// A check's outcome as its body returns it.
struct Outcome {
  CheckStatus status = CheckStatus::Pass;
  std::string detail;
};

// What every check group shares: its context and reporting, the level's scaling, fresh
// instances of the group's own library, and the run of one check.
class CheckRunner {
 public:
  CheckRunner(const GroupContext& c, const CheckSink& s) : context(c), sink(s), plugin(c) {}

  int Level() const { return context.level; }
  // A count that grows with the level: 'low' at level 1, 'high' at level 10.
  int Scaled(int low, int high) const { return low + (high - low) * (context.level - 1) / 9; }
  void Step(const std::string& what) const {
    if (sink.step) sink.step(what);
  }
  // A fresh instance; failing to make one ends the check (thrown as its detail).
  std::unique_ptr<Subject> New(audioMasterCallback host = &ValidatorHostCallback) {
    std::string error;
    std::unique_ptr<Subject> s = Subject::Make(plugin.entry, plugin.entryName, error, host);
    if (!s) throw error;
    return s;
  }

  // Runs one check and reports it; nothing when an earlier child process already ran it.
  // 'instead' (when given) is reported without running the body: the group cannot run it.
  // An exception leaving the plug-in, or a detail thrown by the body, is a failure.
  template <typename Body>
  void Run(const std::string& name, const Outcome* instead, Body&& body) const {
    if (context.done.count(name)) return;
    if (sink.starting) sink.starting(name);
    Outcome o;
    if (instead) {
      o = *instead;
    } else {
      try {
        o = body();
      } catch (const std::exception& e) {
        o = {CheckStatus::Fail, std::string("exception: ") + e.what()};
      } catch (const std::string& what) {
        o = {CheckStatus::Fail, what};
      } catch (...) {
        o = {CheckStatus::Fail, "an exception of unknown type left the plug-in"};
      }
    }
    CheckResult r;
    r.name = name;
    r.status = o.status;
    r.detail = o.detail;
    sink.result(r);
  }

  const GroupContext& context;
  const CheckSink& sink;
  Plugin plugin;
};

std::string Printf(const char* format, ...)
#if defined(__GNUC__) && !defined(_WIN32)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace vrender
