// ns per stereo frame of the channel bleed through VSTReplaceBlock64 and VSTReplaceBlock,
// beside a floor kernel measured in the same run, with the ratios printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"

namespace {

const int kMaxFrames = 4096;

struct Input {
  std::vector<double> l, r;
  std::vector<float> lf, rf;
  Input() : l(kMaxFrames), r(kMaxFrames), lf(kMaxFrames), rf(kMaxFrames) {
    uint32_t seed = 1;
    for (int i = 0; i < kMaxFrames; ++i) {
      seed = seed * 1664525u + 1013904223u;
      l[i] = (double)(seed >> 8) / 8388608.0 - 1.0;
      seed = seed * 1664525u + 1013904223u;
      r[i] = (double)(seed >> 8) / 8388608.0 - 1.0;
      lf[i] = (float)l[i];
      rf[i] = (float)r[i];
    }
  }
};
const Input& SharedInput() {
  static Input input;
  return input;
}

void Report(benchmark::State& state, int frames) {
  state.SetItemsProcessed(state.iterations() * frames);
  state.counters["frames"] = frames;
}

// The two serial chains of the bleed and nothing else: the smoothed level and the
// one-pole filter fed with the channel sum.
void BM_Floor(benchmark::State& state) {
  const int frames = (int)state.range(0);
  const Input& in = SharedInput();
  const double target = 0.005, a0 = 0.9421, b1 = -0.0579;
  double s = 0.0001, y = 0.0;
  for (auto _ : state) {
    const double* l = in.l.data();
    const double* r = in.r.data();
    for (int k = 0; k < frames; ++k) {
      s = (target + s) * 0.5;
      y = (r[k] + l[k]) * a0 - b1 * y;
    }
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(y);
  }
  Report(state, frames);
}

AEffect* MakeRunningInstance() {
  AEffect* e = IPlugVSTCreate(nullptr, &MakeVossamere2);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, effSetBlockSize, 0, kMaxFrames, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  e->setParameter(e, Vossamere2::kAmount, 0.5f);
  e->setParameter(e, Vossamere2::kType, 1.0f);
  return e;
}

void BM_ReplaceBlock64(benchmark::State& state) {
  const int frames = (int)state.range(0);
  const Input& in = SharedInput();
  std::vector<double> o0(kMaxFrames), o1(kMaxFrames);
  double* ins[2] = {const_cast<double*>(in.l.data()), const_cast<double*>(in.r.data())};
  double* outs[2] = {o0.data(), o1.data()};
  AEffect* e = MakeRunningInstance();
  for (auto _ : state) {
    VSTReplaceBlock64(e, ins, outs, frames);
    benchmark::ClobberMemory();
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  Report(state, frames);
}

void BM_ReplaceBlock32(benchmark::State& state) {
  const int frames = (int)state.range(0);
  const Input& in = SharedInput();
  std::vector<float> o0(kMaxFrames), o1(kMaxFrames);
  float* ins[2] = {const_cast<float*>(in.lf.data()), const_cast<float*>(in.rf.data())};
  float* outs[2] = {o0.data(), o1.data()};
  AEffect* e = MakeRunningInstance();
  for (auto _ : state) {
    VSTReplaceBlock(e, ins, outs, frames);
    benchmark::ClobberMemory();
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  Report(state, frames);
}

BENCHMARK(BM_Floor)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK(BM_ReplaceBlock64)->Arg(32)->Arg(512)->Arg(4096);
BENCHMARK(BM_ReplaceBlock32)->Arg(32)->Arg(512)->Arg(4096);

// Keeps ns per block of every run, then prints ns per frame and the ratios to the floor.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      nsPerBlock[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
  }

  void PrintRatios() const {
    std::printf("\n%8s %14s %14s %8s %14s %8s\n", "frames", "floor ns/frm", "64-bit ns/frm",
                "ratio", "32-bit ns/frm", "ratio");
    for (int frames : {32, 512, 4096}) {
      const std::string arg = "/" + std::to_string(frames);
      const double f = Get("BM_Floor" + arg) / frames;
      const double d = Get("BM_ReplaceBlock64" + arg) / frames;
      const double s = Get("BM_ReplaceBlock32" + arg) / frames;
      std::printf("%8d %14.3f %14.3f %8.2f %14.3f %8.2f\n", frames, f, d, d / f, s, s / f);
    }
    // Per-block cost beyond the per-frame work of a long block.
    const double d32 = Get("BM_ReplaceBlock64/32") - 32 * Get("BM_ReplaceBlock64/4096") / 4096;
    const double s32 = Get("BM_ReplaceBlock32/32") - 32 * Get("BM_ReplaceBlock32/4096") / 4096;
    std::printf("per-block overhead at 32 frames: 64-bit %.1f ns, 32-bit %.1f ns\n", d32, s32);
  }

 private:
  double Get(const std::string& name) const {
    auto it = nsPerBlock.find(name);
    return it == nsPerBlock.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> nsPerBlock;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  return 0;
}
