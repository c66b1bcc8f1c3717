// The validator's check groups. Each group loads the library itself, so it can run in a
// child process of its own; each check reports one result.
#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>

#include "tools/vst2-render/RealtimeWatch.h"
#include "tools/vst2-render/ValidateEditor.h"
#include "tools/vst2-render/ValidateSupport.h"

namespace vrender {

namespace {

Outcome Pass(const std::string& detail = "") { return {CheckStatus::Pass, detail}; }
Outcome Fail(const std::string& detail) { return {CheckStatus::Fail, detail}; }
Outcome Skip(const std::string& why) { return {CheckStatus::Skip, why}; }

// The frame every group runs in: its library, random source and reporting.
class GroupRun : public CheckRunner {
 public:
  GroupRun(const GroupContext& c, const CheckSink& s, const char* group)
      : CheckRunner(c, s), random(c.seed ^ std::hash<std::string>()(group)) {
    loaded = plugin.Loaded();
    loadError = plugin.Error();
  }

  template <typename Body>
  void Check(const std::string& name, Body&& body) {
    const Outcome notLoaded{CheckStatus::Fail, loadError};
    Run(name, loaded ? nullptr : &notLoaded, std::forward<Body>(body));
  }

  // A fresh instance opened and resumed.
  std::unique_ptr<Subject> Started(double rate, int block, Precision precision) {
    std::unique_ptr<Subject> s = New();
    s->Start(rate, block, precision);
    return s;
  }
  // The precision hosts use first: 64-bit when offered.
  Precision Preferred() {
    std::unique_ptr<Subject> s = New();
    const std::vector<Precision> list = s->Precisions();
    if (list.empty()) throw std::string("the plug-in offers no replacing block callback");
    return list.front();
  }

  Random random;
  bool loaded = false;
  std::string loadError;
};

std::string NonFiniteDetail(const Channels& audio, const std::string& where) {
  size_t c = 0, k = 0;
  if (!FindNonFinite(audio, c, k)) return "";
  return Printf("%s: output %zu frame %zu is %g for finite input", where.c_str(), c + 1, k,
                audio[c][k]);
}

// The first frame where a and b differ, or -1.
long FirstDifference(const Channels& a, const Channels& b, double& largest) {
  long first = -1;
  largest = 0.0;
  for (size_t c = 0; c < a.size() && c < b.size(); ++c)
    for (size_t k = 0; k < a[c].size() && k < b[c].size(); ++k) {
      const double d = std::fabs(a[c][k] - b[c][k]);
      if (d > 0.0 || (std::isnan(a[c][k]) != std::isnan(b[c][k]))) {
        if (first < 0 || static_cast<long>(k) < first) first = static_cast<long>(k);
        largest = std::max(largest, d);
      }
    }
  return first;
}

void SetParameters(Subject& s, const std::vector<float>& values) {
  for (size_t i = 0; i < values.size(); ++i)
    s.Effect()->setParameter(s.Effect(), static_cast<VstInt32>(i), values[i]);
}

std::vector<float> RandomValues(Random& random, int count) {
  std::vector<float> v(static_cast<size_t>(count < 0 ? 0 : count));
  for (float& x : v) x = static_cast<float>(Uniform(random));
  return v;
}

std::vector<int> VaryingSizes(Random& random, int maxBlock, int count) {
  std::vector<int> sizes;
  sizes.push_back(0);
  for (int i = 1; i < count; ++i) {
    const double r = Uniform(random);
    sizes.push_back(r < 0.1 ? 0 : r < 0.3 ? 1 + static_cast<int>(Uniform(random) * 16)
                                          : static_cast<int>(Uniform(random) * maxBlock));
  }
  return sizes;
}

// A chunk the plug-in hands out, copied; empty when it keeps none.
std::vector<unsigned char> GetChunk(Subject& s, bool bank) {
  void* data = nullptr;
  const VstIntPtr size = s.Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + size);
}

VstIntPtr SetChunk(Subject& s, bool bank, std::vector<unsigned char> bytes) {
  // The plug-in may keep reading from the host's copy while loading: it lives until the call ends.
  return s.Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(bytes.size()),
                    bytes.empty() ? nullptr : bytes.data());
}

// Whether the plug-in deals in chunks: it says so, or it answers the chunk opcodes anyway.
bool UsesChunks(Subject& s, std::string& note) {
  if (s.Effect()->flags & effFlagsProgramChunks) return true;
  if (!GetChunk(s, false).empty()) {
    note = " (answers the chunk opcodes without effFlagsProgramChunks)";
    return true;
  }
  return false;
}

std::string RangeProblem(Subject& s) {
  for (int i = 0; i < s.Effect()->numParams; ++i) {
    const float v = s.Effect()->getParameter(s.Effect(), i);
    if (!(v >= 0.0f && v <= 1.0f)) return Printf("parameter %d reads back %g, outside 0..1", i, v);
  }
  return "";
}

const char* OpcodeName(VstInt32 op) {
  switch (op) {
    case effSetProgramName: return "effSetProgramName";
    case effGetProgramName: return "effGetProgramName";
    case effGetParamLabel: return "effGetParamLabel";
    case effGetParamDisplay: return "effGetParamDisplay";
    case effGetParamName: return "effGetParamName";
    case effGetChunk: return "effGetChunk";
    case effSetChunk: return "effSetChunk";
    case effProcessEvents: return "effProcessEvents";
    case effString2Parameter: return "effString2Parameter";
    case effGetProgramNameIndexed: return "effGetProgramNameIndexed";
    case effGetInputProperties: return "effGetInputProperties";
    case effGetOutputProperties: return "effGetOutputProperties";
    case effSetSpeakerArrangement: return "effSetSpeakerArrangement";
    case effGetEffectName: return "effGetEffectName";
    case effGetVendorString: return "effGetVendorString";
    case effGetProductString: return "effGetProductString";
    case effVendorSpecific: return "effVendorSpecific";
    case effCanDo: return "effCanDo";
    case effGetParameterProperties: return "effGetParameterProperties";
    case effGetMidiKeyName: return "effGetMidiKeyName";
    case effGetSpeakerArrangement: return "effGetSpeakerArrangement";
    default: return "an opcode";
  }
}

// ---- lifecycle ------------------------------------------------------------------------

void LifecycleGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "lifecycle");
  g.Check("open-close", [&] {
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    { std::unique_ptr<Subject> s = g.New(); s->Dispatch(effOpen); }
    auto t1 = Clock::now();
    { std::unique_ptr<Subject> s = g.New(); s->Dispatch(effOpen); }
    auto t2 = Clock::now();
    return Pass(Printf("cold %.1f ms, warm %.1f ms",
                       std::chrono::duration<double, std::milli>(t1 - t0).count(),
                       std::chrono::duration<double, std::milli>(t2 - t1).count()));
  });
  g.Check("record", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    AEffect* e = s->Effect();
    std::vector<std::string> problems;
    if ((e->flags & effFlagsCanReplacing) && !e->processReplacing)
      problems.push_back("effFlagsCanReplacing without processReplacing");
    if ((e->flags & effFlagsCanDoubleReplacing) && !e->processDoubleReplacing)
      problems.push_back("effFlagsCanDoubleReplacing without processDoubleReplacing");
    if (!(e->flags & effFlagsCanReplacing)) problems.push_back("no replacing block callback declared");
    if ((e->flags & effFlagsProgramChunks) && GetChunk(*s, false).empty())
      problems.push_back("effFlagsProgramChunks but effGetChunk gives nothing");
    const VstIntPtr program = s->Dispatch(effGetProgram);
    if (e->numPrograms > 0 && (program < 0 || program >= e->numPrograms))
      problems.push_back(Printf("current program %ld outside 0..%d", static_cast<long>(program),
                                e->numPrograms - 1));
    const VstIntPtr category = s->Dispatch(effGetPlugCategory);
    if (category < 0 || category > 11) problems.push_back(Printf("category %ld is not one of 0..11", static_cast<long>(category)));
    if (category == kPlugCategSynth && !(e->flags & effFlagsIsSynth))
      problems.push_back("category synth without effFlagsIsSynth");
    if ((e->flags & effFlagsIsSynth) && category != kPlugCategSynth && category != kPlugCategUnknown)
      problems.push_back(Printf("effFlagsIsSynth but category %ld", static_cast<long>(category)));
    const VstIntPtr version = s->Dispatch(effGetVstVersion);
    if (!problems.empty()) {
      std::string all;
      for (const auto& p : problems) all += (all.empty() ? "" : "; ") + p;
      return Fail(all);
    }
    return Pass(Printf("flags 0x%X, %d in, %d out, %d parameters, programs: %d, VST %ld", e->flags,
                       e->numInputs, e->numOutputs, e->numParams, e->numPrograms,
                       static_cast<long>(version)));
  });
  g.Check("instances-in-sequence", [&] {
    const int count = g.Scaled(20, 200);
    const Precision p = g.Preferred();
    Channels in = TestSignal(4, 256, 44100, 0.5, 1);
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<Subject> s = g.Started(44100, 256, p);
      Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(256));
      s->Block(p, 256, in, 0, &out);
      const std::string bad = NonFiniteDetail(out, Printf("instance %d", i + 1));
      if (!bad.empty()) return Fail(bad);
    }
    return Pass(Printf("%d instances", count));
  });
  g.Check("instances-alive", [&] {
    const int count = g.Level() >= 8 ? 16 : 8;
    const Precision p = g.Preferred();
    std::vector<std::unique_ptr<Subject>> alive;
    for (int i = 0; i < count; ++i) alive.push_back(g.Started(44100, 128, p));
    const int params = alive[0]->Effect()->numParams;
    std::vector<std::vector<float>> before;
    for (auto& s : alive) {
      std::vector<float> v;
      for (int k = 0; k < params; ++k) v.push_back(s->Effect()->getParameter(s->Effect(), k));
      before.push_back(v);
    }
    // Changing one instance must leave the others alone.
    SetParameters(*alive[0], RandomValues(g.random, params));
    Channels in = TestSignal(4, 128 * 8, 44100, 0.5, 2);
    for (int b = 0; b < 8; ++b)
      for (size_t i = 0; i < alive.size(); ++i) {
        Channels out(static_cast<size_t>(alive[i]->Outputs()), std::vector<double>(128 * 8));
        alive[i]->Block(p, 128, in, static_cast<size_t>(b) * 128, &out);
        const std::string bad = NonFiniteDetail(out, Printf("instance %zu", i + 1));
        if (!bad.empty()) return Fail(bad);
      }
    for (size_t i = 1; i < alive.size(); ++i)
      for (int k = 0; k < params; ++k) {
        const float v = alive[i]->Effect()->getParameter(alive[i]->Effect(), k);
        if (v != before[i][static_cast<size_t>(k)])
          return Fail(Printf("setting instance 1's parameters changed parameter %d of instance %zu", k, i + 1));
      }
    std::shuffle(alive.begin(), alive.end(), g.random);
    alive.clear();
    return Pass(Printf("%d at once, closed in random order", count));
  });
  g.Check("reload", [&] {
    if (!g.plugin.Reload()) return Fail("loading a second time: " + g.plugin.Error());
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(48000, 64, p);
    Channels in = TestSignal(s->Inputs(), 64, 48000, 0.5, 3), out;
    s->Run(p, in, 64, {64}, out);
    const std::string bad = NonFiniteDetail(out, "after reloading");
    return bad.empty() ? Pass("unloaded and loaded again") : Fail(bad);
  });
}

// ---- metadata -------------------------------------------------------------------------

struct TextField {
  VstInt32 opcode;
  const char* what;
  size_t field;
  size_t tolerated;
};

// Hosts give more room than the published sizes: 32 bytes for parameter texts and 64 or
// more for program names are what plug-ins in the field rely on.
const TextField kParamName = {effGetParamName, "name", kVstMaxParamStrLen, 32};
const TextField kParamLabel = {effGetParamLabel, "label", kVstMaxParamStrLen, 32};
const TextField kParamDisplay = {effGetParamDisplay, "display", kVstMaxParamStrLen, 32};

// Judges one text; returns a failure, or adds a warning.
std::string JudgeField(Subject& s, const TextField& f, VstInt32 index, const std::string& who,
                       std::vector<std::string>& warnings) {
  bool warning = false;
  const std::string verdict = JudgeText(AskGuarded(s, f.opcode, index), f.field, f.tolerated, warning);
  if (verdict.empty()) return "";
  if (warning) {
    warnings.push_back(who + " " + f.what + " " + verdict);
    return "";
  }
  return who + " " + f.what + ": " + verdict;
}

Outcome FromWarnings(const std::vector<std::string>& warnings, const std::string& summary) {
  if (warnings.empty()) return Pass(summary);
  std::string text = summary + "; warning: " + std::to_string(warnings.size()) +
                     " past the published field size, first: " + warnings.front();
  return Pass(text);
}

void MetadataGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "metadata");
  g.Check("plugin-names", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    std::vector<std::string> warnings;
    const TextField fields[] = {{effGetEffectName, "effect name", kVstMaxEffectNameLen, kVstMaxEffectNameLen},
                                {effGetVendorString, "vendor", kVstMaxVendorStrLen, kVstMaxVendorStrLen},
                                {effGetProductString, "product", kVstMaxProductStrLen, kVstMaxProductStrLen}};
    for (const TextField& f : fields) {
      const std::string bad = JudgeField(*s, f, 0, "the", warnings);
      if (!bad.empty()) return Fail(bad);
    }
    return FromWarnings(warnings, "effect \"" + AskGuarded(*s, effGetEffectName, 0).text + "\", vendor \"" +
                                      AskGuarded(*s, effGetVendorString, 0).text + "\"");
  });
  g.Check("parameter-texts", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    std::vector<std::string> warnings;
    const int n = s->Effect()->numParams;
    for (int i = 0; i < n; ++i)
      for (const TextField* f : {&kParamName, &kParamLabel, &kParamDisplay}) {
        const std::string bad = JudgeField(*s, *f, i, Printf("parameter %d", i), warnings);
        if (!bad.empty()) return Fail(bad);
      }
    return FromWarnings(warnings, Printf("%d parameters", n));
  });
  g.Check("parameter-displays", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    std::vector<std::string> warnings;
    const int n = s->Effect()->numParams;
    const int steps = g.Scaled(5, 40);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k <= steps; ++k) {
        const float v = k < steps / 2 ? static_cast<float>(k) / static_cast<float>(steps / 2)
                                      : static_cast<float>(Uniform(g.random));
        s->Effect()->setParameter(s->Effect(), i, v);
        const std::string bad = JudgeField(*s, kParamDisplay, i, Printf("parameter %d at %g", i, v), warnings);
        if (!bad.empty()) return Fail(bad);
      }
    return FromWarnings(warnings, Printf("%d values of each parameter", steps + 1));
  });
  g.Check("program-names", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    std::vector<std::string> warnings;
    const int n = std::min(s->Effect()->numPrograms, 256);
    const TextField current = {effGetProgramName, "name", kVstMaxProgNameLen, 64};
    const TextField indexed = {effGetProgramNameIndexed, "indexed name", kVstMaxProgNameLen, 64};
    for (int i = 0; i < n; ++i) {
      std::string bad = JudgeField(*s, indexed, i, Printf("program %d", i), warnings);
      if (bad.empty() && i < g.Scaled(4, 256)) {
        s->Dispatch(effSetProgram, 0, i);
        bad = JudgeField(*s, current, 0, Printf("program %d", i), warnings);
      }
      if (!bad.empty()) return Fail(bad);
    }
    return FromWarnings(warnings, Printf("programs: %d", n));
  });
  g.Check("pin-properties", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    for (int input = 0; input < 2; ++input) {
      const int count = input ? s->Inputs() : s->Outputs();
      for (int i = 0; i < count; ++i) {
        unsigned char buffer[sizeof(VstPinProperties) + 256];
        std::memset(buffer, 0xA5, sizeof buffer);
        if (!s->Dispatch(input ? effGetInputProperties : effGetOutputProperties, i, 0, buffer)) continue;
        for (size_t k = sizeof(VstPinProperties); k < sizeof buffer; ++k)
          if (buffer[k] != 0xA5)
            return Fail(Printf("%s %d: wrote past the end of VstPinProperties (byte %zu)",
                               input ? "input" : "output", i, k));
        VstPinProperties pin;
        std::memcpy(&pin, buffer, sizeof pin);
        // A label left entirely untouched keeps the guard and has no terminator either.
        if (!std::memchr(pin.label, 0, sizeof pin.label))
          return Fail(Printf("%s %d: label not terminated within %d bytes", input ? "input" : "output", i,
                             kVstMaxLabelLen));
      }
    }
    return Pass(Printf("%d inputs, %d outputs", s->Inputs(), s->Outputs()));
  });
}

// ---- processing -----------------------------------------------------------------------

void ProcessingGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "processing");
  g.Check("rates-and-blocks", [&] {
    std::vector<double> rates = {22050, 44100, 48000, 88200, 96000, 176400, 192000};
    const std::vector<int> fixed = {1, 7, 64, 512, 4096};
    const size_t frames = static_cast<size_t>(g.Scaled(4096, 16384));
    int runs = 0;
    std::unique_ptr<Subject> probe = g.New();
    const std::vector<Precision> precisions = probe->Precisions();
    probe.reset();
    for (Precision p : precisions)
      for (double rate : rates) {
        std::unique_ptr<Subject> s = g.New();
        SetParameters(*s, RandomValues(g.random, s->Effect()->numParams));
        s->Start(rate, 4096, p);
        Channels in = TestSignal(s->Inputs(), frames, rate, 0.7, static_cast<uint64_t>(rate)), out;
        for (size_t b = 0; b <= fixed.size(); ++b) {
          const std::vector<int> sizes =
              b < fixed.size() ? std::vector<int>{fixed[b]} : VaryingSizes(g.random, 4096, 64);
          s->Run(p, in, frames, sizes, out);
          const std::string bad = NonFiniteDetail(
              out, Printf("%s, %.0f Hz, %s blocks", PrecisionLabel(p), rate,
                          b < fixed.size() ? std::to_string(fixed[b]).c_str() : "varying"));
          if (!bad.empty()) return Fail(bad);
          ++runs;
          s->Suspend();
          s->Resume();
        }
      }
    return Pass(Printf("%d runs: %zu precisions, 7 rates, 6 block patterns", runs, precisions.size()));
  });
  g.Check("accumulate", [&] {
    std::unique_ptr<Subject> probe = g.New();
    if (!probe->Instance().SupportsPrecision(Precision::Accumulate32))
      return Skip("no accumulating callback (process is null)");
    if (!probe->Instance().SupportsPrecision(Precision::Float32)) return Skip("no replacing callback to compare with");
    probe.reset();
    const size_t frames = 4096;
    std::unique_ptr<Subject> a = g.Started(44100, 512, Precision::Float32);
    std::unique_ptr<Subject> b = g.Started(44100, 512, Precision::Accumulate32);
    Channels in = TestSignal(a->Inputs(), frames, 44100, 0.5, 4);
    Channels ra(static_cast<size_t>(a->Outputs()), std::vector<double>(frames)), rb = ra;
    for (size_t at = 0; at < frames; at += 512) {
      a->Block(Precision::Float32, 512, in, at, &ra);
      b->Block(Precision::Accumulate32, 512, in, at, &rb, 0.25f);
    }
    std::string bad = NonFiniteDetail(rb, "accumulating");
    if (!bad.empty()) return Fail(bad);
    double largest = 0.0;
    if (FirstDifference(ra, rb, largest) < 0 || largest < 1e-6) return Pass("adds to the output buffers");
    for (auto& c : rb)
      for (double& x : c) x += 0.25;  // undo the base: did it overwrite the buffers?
    if (FirstDifference(ra, rb, largest) < 0 || largest < 1e-6)
      return Pass("warning: process() replaces the output instead of adding to it");
    return Fail(Printf("accumulating output differs from replacing output by up to %g", largest));
  });
  g.Check("deterministic", [&] {
    std::unique_ptr<Subject> probe = g.New();
    const std::vector<Precision> precisions = probe->Precisions();
    const std::vector<float> values = RandomValues(g.random, probe->Effect()->numParams);
    probe.reset();
    const size_t frames = static_cast<size_t>(g.Scaled(8192, 65536));
    const std::vector<int> sizes = VaryingSizes(g.random, 1024, 97);
    for (Precision p : precisions) {
      Channels outs[2];
      for (Channels& out : outs) {
        std::unique_ptr<Subject> s = g.New();
        SetParameters(*s, values);
        s->Start(48000, 1024, p);
        Channels in = TestSignal(s->Inputs(), frames, 48000, 0.8, 5);
        s->Run(p, in, frames, sizes, out);
      }
      double largest = 0.0;
      const long first = FirstDifference(outs[0], outs[1], largest);
      if (first >= 0)
        return Fail(Printf("%s: two fresh instances differ from frame %ld (by up to %g)", PrecisionLabel(p),
                           first, largest));
    }
    return Pass(Printf("%zu frames, random parameters, %zu precisions", frames, precisions.size()));
  });
}

// ---- silence --------------------------------------------------------------------------

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

void SilenceGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "silence");
  std::unique_ptr<Subject> probe;
  std::vector<Precision> precisions;
  if (g.loaded) {
    try {
      probe = g.New();
      precisions = probe->Precisions();
      probe.reset();
    } catch (...) {
    }
  }
  for (Precision p : {Precision::Double64, Precision::Float32}) {
    const std::string suffix = p == Precision::Double64 ? "-64" : "-32";
    const bool offered = std::find(precisions.begin(), precisions.end(), p) != precisions.end();
    // One run feeds the three checks of a precision.
    struct Measure {
      bool done = false;
      std::string failure;
      double loudCost = 0, silentCost = 0;
      long firstZero = -1;  // frames after the silence began; -1: never stays zero
      long subnormals = 0, lastSubnormal = -1;
      double lastLevel = 0;
    };
    auto measure = std::make_shared<Measure>();
    const double rate = 44100;
    const int block = 512;
    const size_t loud = static_cast<size_t>(rate * 2) / block * block;  // whole blocks: silence starts with one
    const size_t quiet = static_cast<size_t>(rate * 20);
    auto run = [&]() -> Measure& {
      Measure& m = *measure;
      if (m.done) return m;
      m.done = true;
      std::unique_ptr<Subject> s = g.New();
      // Defaults often mean "no effect"; settings from the upper middle of every range turn
      // most processing on without the extremes (a feedback at 1 never decays, rightly).
      std::vector<float> settings = RandomValues(g.random, s->Effect()->numParams);
      for (float& v : settings) v = 0.5f + 0.4f * v;
      SetParameters(*s, settings);
      s->Start(rate, block, p);
      Channels in = TestSignal(s->Inputs(), loud, rate, 1.0, 6);
      Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(block));
      std::vector<double> loudTimes, quietTimes;
      using Clock = std::chrono::steady_clock;
      const Channels none;
      long lastNonZero = -1;
      for (size_t at = 0; at < loud + quiet; at += block) {
        const bool isLoud = at < loud;
        auto t0 = Clock::now();
        s->Block(p, block, isLoud ? in : none, isLoud ? at : 0, &out, 0.0f, 0);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        if (isLoud && at >= loud / 2) loudTimes.push_back(us);
        if (!isLoud && at >= loud + quiet - static_cast<size_t>(rate * 5)) quietTimes.push_back(us);
        for (size_t c = 0; c < out.size(); ++c) {
          for (int k = 0; k < block; ++k) {
            const double x = out[c][static_cast<size_t>(k)];
            if (!std::isfinite(x)) {
              m.failure = Printf("output %zu is %g at frame %zu", c + 1, x, at + static_cast<size_t>(k));
              return m;
            }
            if (isLoud) continue;
            const long frame = static_cast<long>(at - loud) + k;
            if (x != 0.0) lastNonZero = std::max(lastNonZero, frame);
            const bool subnormal = p == Precision::Double64 ? std::fpclassify(x) == FP_SUBNORMAL
                                                            : (x != 0.0 && std::fabs(x) < FLT_MIN);
            if (subnormal) {
              ++m.subnormals;
              m.lastSubnormal = std::max(m.lastSubnormal, frame);
            }
            if (frame >= static_cast<long>(quiet) - static_cast<long>(rate))
              m.lastLevel = std::max(m.lastLevel, std::fabs(x));
          }
        }
      }
      m.loudCost = Median(loudTimes);
      m.silentCost = Median(quietTimes);
      m.firstZero = lastNonZero + 1 < static_cast<long>(quiet) ? lastNonZero + 1 : -1;
      return m;
    };
    g.Check("silence-cost" + suffix, [&] {
      if (!offered) return Skip(std::string("no ") + PrecisionLabel(p) + " callback");
      Measure& m = run();
      if (!m.failure.empty()) return Fail(m.failure);
      const double ratio = m.loudCost > 0 ? m.silentCost / m.loudCost : 0.0;
      const std::string seen = Printf("a block of silence after 20 s costs %.1f us, %.2f times a loud block (%.1f us)",
                                      m.silentCost, ratio, m.loudCost);
      // Below a few microseconds a block is the call itself; denormal arithmetic costs far more.
      if (ratio > 4.0 && m.silentCost > 5.0) return Fail(seen + " (denormal arithmetic?)");
      return Pass(seen);
    });
    g.Check("silence-zero" + suffix, [&] {
      if (!offered) return Skip(std::string("no ") + PrecisionLabel(p) + " callback");
      Measure& m = run();
      if (!m.failure.empty()) return Fail(m.failure);
      if (m.firstZero < 0)
        return Fail(Printf("the output never stays at exact zero in 20 s of silence (up to %g in the last second)",
                           m.lastLevel));
      return Pass(Printf("exact zero from %.3f s into the silence (frame %ld)", m.firstZero / rate, m.firstZero));
    });
    g.Check("silence-subnormals" + suffix, [&] {
      if (!offered) return Skip(std::string("no ") + PrecisionLabel(p) + " callback");
      Measure& m = run();
      if (!m.failure.empty()) return Fail(m.failure);
      if (m.subnormals == 0) return Pass("no subnormal output samples");
      if (m.lastSubnormal >= static_cast<long>(quiet) - static_cast<long>(rate))
        return Fail(Printf("%ld subnormal output samples, still coming in the last second of silence", m.subnormals));
      return Pass(Printf("warning: %ld subnormal output samples while the tail decayed, the last at %.3f s",
                         m.subnormals, m.lastSubnormal / rate));
    });
  }
}

// ---- state ----------------------------------------------------------------------------

void StateGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "state");
  for (bool bank : {false, true}) {
    g.Check(bank ? "bank-chunk-round-trip" : "program-chunk-round-trip", [&] {
      std::unique_ptr<Subject> a = g.New();
      a->Dispatch(effOpen);
      std::string note;
      if (!UsesChunks(*a, note)) return Skip("the plug-in keeps no state chunk (effFlagsProgramChunks clear)");
      const Precision p = a->Precisions().empty() ? Precision::Float32 : a->Precisions().front();
      SetParameters(*a, RandomValues(g.random, a->Effect()->numParams));
      const std::vector<unsigned char> saved = GetChunk(*a, bank);
      if (saved.empty()) return Fail("effGetChunk gave no data");
      std::unique_ptr<Subject> b = g.New();
      b->Dispatch(effOpen);
      SetChunk(*b, bank, saved);
      const std::vector<unsigned char> again = GetChunk(*b, bank);
      if (again != saved) {
        size_t k = 0;
        while (k < again.size() && k < saved.size() && again[k] == saved[k]) ++k;
        return Fail(Printf("saved %zu bytes, loaded them into a fresh instance, which saves %zu bytes differing from byte %zu",
                           saved.size(), again.size(), k));
      }
      Channels in = TestSignal(a->Inputs(), 16384, 44100, 0.5, 7), oa, ob;
      a->Start(44100, 512, p);
      b->Start(44100, 512, p);
      a->Run(p, in, 16384, {512}, oa);
      b->Run(p, in, 16384, {512}, ob);
      double largest = 0;
      const long first = FirstDifference(oa, ob, largest);
      if (first >= 0) return Fail(Printf("the restored instance sounds different from frame %ld (by up to %g)", first, largest));
      return Pass(Printf("%zu bytes%s", saved.size(), note.c_str()));
    });
  }
  g.Check("parameters-restore", [&] {
    std::unique_ptr<Subject> a = g.New();
    a->Dispatch(effOpen);
    const int n = a->Effect()->numParams;
    if (n == 0) return Skip("no parameters");
    const Precision p = a->Precisions().empty() ? Precision::Float32 : a->Precisions().front();
    SetParameters(*a, RandomValues(g.random, n));
    std::vector<float> saved;
    for (int i = 0; i < n; ++i) saved.push_back(a->Effect()->getParameter(a->Effect(), i));
    for (int r = 0; r < g.Scaled(1, 10); ++r) SetParameters(*a, RandomValues(g.random, n));
    SetParameters(*a, saved);
    for (int i = 0; i < n; ++i) {
      const float v = a->Effect()->getParameter(a->Effect(), i);
      if (std::fabs(v - saved[static_cast<size_t>(i)]) > 1e-6f)
        return Fail(Printf("parameter %d was saved as %g, set back and reads %g", i, saved[static_cast<size_t>(i)], v));
    }
    std::unique_ptr<Subject> b = g.New();
    b->Dispatch(effOpen);
    SetParameters(*b, saved);
    Channels in = TestSignal(a->Inputs(), 16384, 44100, 0.5, 8), oa, ob;
    a->Start(44100, 512, p);
    b->Start(44100, 512, p);
    a->Run(p, in, 16384, {512}, oa);
    b->Run(p, in, 16384, {512}, ob);
    double largest = 0;
    const long first = FirstDifference(oa, ob, largest);
    if (first >= 0)
      return Fail(Printf("restored parameters sound different from a fresh instance with the same values, from frame %ld (by up to %g)",
                         first, largest));
    return Pass(Printf("%d parameters", n));
  });
  g.Check("corrupt-chunks", [&] {
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    std::string note;
    if (!UsesChunks(*s, note)) return Skip("the plug-in keeps no state chunk (effFlagsProgramChunks clear)");
    const Precision p = s->Precisions().empty() ? Precision::Float32 : s->Precisions().front();
    s->Start(44100, 256, p);
    Channels in = TestSignal(s->Inputs(), 256, 44100, 0.5, 9);
    Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(256));
    int tried = 0, refused = 0;
    for (bool bank : {false, true}) {
      const std::vector<unsigned char> good = GetChunk(*s, bank);
      std::vector<std::vector<unsigned char>> bad;
      const size_t cuts = std::min<size_t>(good.size(), static_cast<size_t>(g.Scaled(24, 400)));
      for (size_t i = 0; i < cuts; ++i)
        bad.emplace_back(good.begin(), good.begin() + static_cast<long>(cuts == good.size() ? i : (good.size() * i) / cuts));
      for (int i = 0; i < g.Scaled(20, 400) && !good.empty(); ++i) {
        std::vector<unsigned char> flipped = good;
        const int flips = 1 + static_cast<int>(Uniform(g.random) * 4);
        for (int f = 0; f < flips; ++f)
          flipped[static_cast<size_t>(Uniform(g.random) * static_cast<double>(flipped.size())) % flipped.size()] ^=
              static_cast<unsigned char>(1u << (static_cast<int>(Uniform(g.random) * 8) & 7));
        bad.push_back(flipped);
      }
      for (int i = 0; i < g.Scaled(5, 50); ++i) {
        std::vector<unsigned char> noise(static_cast<size_t>(Uniform(g.random) * 512));
        for (auto& b : noise) b = static_cast<unsigned char>(g.random());
        if (i % 2 == 0 && noise.size() >= 8 && good.size() >= 8) std::copy(good.begin(), good.begin() + 8, noise.begin());
        bad.push_back(noise);
      }
      for (const auto& chunk : bad) {
        s->Suspend();
        g.Step(Printf("effSetChunk with a damaged %zu-byte %s chunk", chunk.size(), bank ? "bank" : "program"));
        if (SetChunk(*s, bank, chunk) == 0) ++refused;
        ++tried;
        s->Resume();
        s->Block(p, 256, in, 0, &out);
        std::string problem = NonFiniteDetail(out, Printf("after a %zu-byte damaged %s chunk", chunk.size(), bank ? "bank" : "program"));
        if (problem.empty()) problem = RangeProblem(*s);
        if (!problem.empty()) return Fail(problem);
      }
    }
    return Pass(Printf("%d damaged chunks, %d refused, the rest handled%s", tried, refused, note.c_str()));
  });
}

// ---- automation -----------------------------------------------------------------------

void AutomationGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "automation");
  TheHostLog().Clear();
  g.Check("sweep", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 64, p);
    const int n = s->Effect()->numParams;
    if (n == 0) return Skip("no parameters");
    const int steps = g.Scaled(10, 100);
    Channels in = TestSignal(s->Inputs(), 64, 44100, 0.5, 10);
    Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(64));
    for (int i = 0; i < n; ++i)
      for (int k = 0; k <= steps; ++k) {
        s->Effect()->setParameter(s->Effect(), i, static_cast<float>(k) / static_cast<float>(steps));
        const float v = s->Effect()->getParameter(s->Effect(), i);
        if (!(v >= 0.0f && v <= 1.0f)) return Fail(Printf("parameter %d set to %g reads back %g", i, static_cast<double>(k) / steps, v));
        s->Block(p, 64, in, 0, &out);
        const std::string bad = NonFiniteDetail(out, Printf("parameter %d at %g", i, static_cast<double>(k) / steps));
        if (!bad.empty()) return Fail(bad);
      }
    return Pass(Printf("%d parameters, %d steps each, a block between", n, steps + 1));
  });
  g.Check("random", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 128, p);
    const int n = s->Effect()->numParams;
    if (n == 0) return Skip("no parameters");
    const int changes = g.Scaled(200, 5000);
    Channels in = TestSignal(s->Inputs(), 128, 44100, 0.5, 11);
    Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(128));
    for (int k = 0; k < changes; ++k) {
      const int i = static_cast<int>(g.random() % static_cast<uint64_t>(n));
      s->Effect()->setParameter(s->Effect(), i, static_cast<float>(Uniform(g.random)));
      if (k % 4 == 0) {
        s->Block(p, static_cast<int>(Uniform(g.random) * 128), in, 0, &out);
        std::string bad = NonFiniteDetail(out, Printf("after change %d", k));
        if (bad.empty()) bad = RangeProblem(*s);
        if (!bad.empty()) return Fail(bad);
      }
    }
    return Pass(Printf("%d random changes", changes));
  });
  g.Check("from-another-thread", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 256, p);
    const int n = s->Effect()->numParams;
    if (n == 0) return Skip("no parameters");
    std::atomic<bool> stop{false};
    std::atomic<long> changes{0};
    std::string threadProblem;
    AEffect* e = s->Effect();
    const uint64_t threadSeed = g.random();
    std::thread automation([&] {
      Random r(threadSeed);
      char text[256];
      while (!stop.load()) {
        const int i = static_cast<int>(r() % static_cast<uint64_t>(n));
        e->setParameter(e, i, static_cast<float>(Uniform(r)));
        const float v = e->getParameter(e, i);
        if (!(v >= 0.0f && v <= 1.0f) && threadProblem.empty())
          threadProblem = Printf("parameter %d reads back %g", i, v);
        std::memset(text, 0, sizeof text);
        e->dispatcher(e, effGetParamDisplay, i, 0, text, 0.0f);
        ++changes;
      }
    });
    Channels in = TestSignal(s->Inputs(), 256, 44100, 0.5, 12);
    Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(256));
    std::string bad;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100 * g.Level());
    long blocks = 0;
    while (std::chrono::steady_clock::now() < until && bad.empty()) {
      s->Block(p, 256, in, 0, &out);
      ++blocks;
      bad = NonFiniteDetail(out, Printf("block %ld", blocks));
    }
    stop = true;
    automation.join();
    if (!bad.empty()) return Fail(bad);
    if (!threadProblem.empty()) return Fail(threadProblem);
    return Pass(Printf("%ld blocks while another thread made %ld changes", blocks, changes.load()));
  });
  g.Check("host-notifications", [&] {
    HostLog& log = TheHostLog();
    // Nothing above was a user gesture: a plug-in that reports host-made changes back as
    // automation makes hosts record what they played.
    if (log.automate > 0 || log.beginEdit != log.endEdit)
      return Fail(Printf("%ld audioMasterAutomate, %ld begin-edit and %ld end-edit calls during host-driven changes without a user gesture",
                         log.automate.load(), log.beginEdit.load(), log.endEdit.load()));
    return Pass("no automation reported back for host-made changes");
  });
}

// ---- host quirks ----------------------------------------------------------------------

void QuirksGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "quirks");
  auto play = [&](Subject& s, Precision p, const char* where) {
    Channels in = TestSignal(s.Inputs(), 2048, 44100, 0.5, 13), out;
    s.Run(p, in, 2048, {256}, out);
    return NonFiniteDetail(out, where);
  };
  g.Check("suspend-first", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.New();
    s->Dispatch(effOpen);
    s->Dispatch(effMainsChanged, 0, 0);
    s->Dispatch(effMainsChanged, 0, 0);
    s->Start(44100, 256, p);
    const std::string bad = play(*s, p, "after a suspend before any resume");
    return bad.empty() ? Pass() : Fail(bad);
  });
  g.Check("resume-twice", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 256, p);
    s->Dispatch(effMainsChanged, 0, 1);
    const std::string bad = play(*s, p, "after a second resume");
    return bad.empty() ? Pass() : Fail(bad);
  });
  g.Check("set-chunk-while-resumed", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 256, p);
    std::string note;
    if (!UsesChunks(*s, note)) return Skip("the plug-in keeps no state chunk");
    std::unique_ptr<Subject> other = g.New();
    other->Dispatch(effOpen);
    SetParameters(*other, RandomValues(g.random, other->Effect()->numParams));
    play(*s, p, "");
    SetChunk(*s, false, GetChunk(*other, false));
    SetChunk(*s, true, GetChunk(*other, true));
    const std::string bad = play(*s, p, "after effSetChunk while resumed");
    return bad.empty() ? Pass() : Fail(bad);
  });
  g.Check("unknown-opcodes", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 256, p);
    std::vector<VstInt32> opcodes;
    for (VstInt32 op = 80; op < 80 + g.Scaled(20, 200); ++op) opcodes.push_back(op);
    for (VstInt32 op : {1000, 65535, 0x10000, 0x7FFFFFFF}) opcodes.push_back(op);
    for (VstInt32 op : opcodes) {
      g.Step(Printf("unknown opcode %d", op));
      s->Dispatch(op, 0, 0, nullptr, 0.0f);
    }
    g.Step("");
    const std::string bad = play(*s, p, "after unknown opcodes");
    return bad.empty() ? Pass(Printf("%zu opcodes", opcodes.size())) : Fail(bad);
  });
  g.Check("silent-host", [&] {
    std::string error;
    std::unique_ptr<Subject> s = Subject::Make(g.plugin.entry, g.plugin.entryName, error, &SilentHostCallback);
    // Refusing such a host is fine: hosts are told by the null record.
    if (!s) return Pass("refuses to start (the entry point returns null)");
    const std::vector<Precision> list = s->Precisions();
    if (list.empty()) return Fail("no replacing block callback");
    s->Start(44100, 256, list.front());
    const std::string bad = play(*s, list.front(), "with a host answering 0 to everything");
    return bad.empty() ? Pass() : Fail(bad);
  });
  g.Check("null-pointers", [&] {
    const Precision p = g.Preferred();
    std::unique_ptr<Subject> s = g.Started(44100, 256, p);
    // Opcodes whose pointer a plug-in can test before writing through it. effEditGetRect is
    // asked by the editor checks, where a display is known to be there.
    const VstInt32 opcodes[] = {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                                effGetParamName, effGetChunk, effSetChunk,
                                effProcessEvents, effString2Parameter, effGetProgramNameIndexed,
                                effGetInputProperties, effGetOutputProperties, effSetSpeakerArrangement,
                                effGetEffectName, effGetVendorString, effGetProductString,
                                effVendorSpecific, effCanDo, effGetParameterProperties,
                                effGetMidiKeyName, effGetSpeakerArrangement};
    for (VstInt32 op : opcodes) {
      g.Step(std::string(OpcodeName(op)) + " with a null pointer");
      s->Dispatch(op, 0, 0, nullptr, 0.0f);
    }
    g.Step("");
    const std::string bad = play(*s, p, "after null pointers");
    return bad.empty() ? Pass(std::to_string(sizeof opcodes / sizeof opcodes[0]) + " opcodes") : Fail(bad);
  });
}

// ---- real-time safety -----------------------------------------------------------------

void RealtimeGroup(const GroupContext& context, const CheckSink& sink) {
  GroupRun g(context, sink, "realtime");
  for (Precision p : {Precision::Double64, Precision::Float32, Precision::Accumulate32}) {
    const std::string name = std::string("realtime-") + (p == Precision::Double64 ? "64" : p == Precision::Float32 ? "32" : "accumulate");
    g.Check(name, [&] {
#if defined(_WIN32)
      if (!g_realtimeWatch) return Skip("heap, lock and system-call counting exists in the Linux program only");
#else
      if (!g_realtimeWatch) return Skip("heap, lock and system-call counting is built into the vst2-render program only");
#endif
      std::unique_ptr<Subject> s = g.New();
      if (!s->Instance().SupportsPrecision(p)) return Skip(std::string("no ") + PrecisionLabel(p) + " callback");
      s->Start(44100, 1024, p);
      const int blocks = g.Scaled(50, 1000);
      Channels in = TestSignal(s->Inputs(), 1024, 44100, 0.5, 14);
      Channels out(static_cast<size_t>(s->Outputs()), std::vector<double>(1024));
      s->Block(p, 1024, in, 0, &out);  // the first block may set things up
      RealtimeCounts total;
      const int n = s->Effect()->numParams;
      AEffect* e = s->Effect();
      for (int b = 0; b < blocks; ++b) {
        if (n > 0 && b % 3 == 0)
          e->setParameter(e, static_cast<int>(g.random() % static_cast<uint64_t>(n)), static_cast<float>(Uniform(g.random)));
        const int frames = 1 + static_cast<int>(Uniform(g.random) * 1023);
        // Only the callback itself is watched; the host's own copying around it is not.
        RealtimeCounts c;
        s->Watched(p, frames, c);
        total.allocations += c.allocations;
        total.frees += c.frees;
        total.locks += c.locks;
        total.contendedLocks += c.contendedLocks;
        total.distinctLocks = std::max(total.distinctLocks, c.distinctLocks);
        total.systemCalls += c.systemCalls;
        if (!total.firstSystemCall && c.firstSystemCall) total.firstSystemCall = c.firstSystemCall;
      }
      std::string problems;
      if (total.allocations || total.frees)
        problems += Printf("%ld heap allocations and %ld frees; ", total.allocations, total.frees);
      if (total.systemCalls)
        problems += Printf("%ld system calls (first: %s); ", total.systemCalls, total.firstSystemCall);
      if (total.distinctLocks > 1) problems += Printf("%ld different locks in one block; ", total.distinctLocks);
      if (total.contendedLocks) problems += Printf("%ld contended locks; ", total.contendedLocks);
      const std::string seen = Printf("%d blocks: %ld locks, of at most %ld mutex(es) in one block", blocks,
                                      total.locks, total.distinctLocks);
      if (!problems.empty()) return Fail(problems + seen);
      return Pass(seen + ", no heap or system calls");
    });
  }
}

}  // namespace

const std::vector<CheckGroup>& CheckGroups() {
  static const std::vector<CheckGroup> groups = {
      {"lifecycle", &LifecycleGroup},   {"metadata", &MetadataGroup}, {"processing", &ProcessingGroup},
      {"silence", &SilenceGroup},       {"state", &StateGroup},       {"automation", &AutomationGroup},
      {"quirks", &QuirksGroup},         {"editor", &EditorGroup},     {"realtime", &RealtimeGroup},
  };
  return groups;
}

}  // namespace vrender
