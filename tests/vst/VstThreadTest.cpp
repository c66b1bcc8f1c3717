// One thread processing while another automates, reads texts and swaps state: every call
// holds the instance lock, so under ThreadSanitizer nothing may race.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "tests/vst/VstTestSupport.h"

namespace {

TEST(VstThreads, ProcessingWhileAnotherThreadAutomatesAndLoadsState) {
  VstTestHost host;
  VstEffect fx(host.Create(&ProductMain), &host);
  ASSERT_TRUE(fx);
  fx.Start(44100.0f, 256);
  fx.SetParameter(1, 0.6f);
  const std::vector<uint8_t> program = fx.GetChunk(true);
  const std::vector<uint8_t> bank = fx.GetChunk(false);
  IPlugVST& plug = *IPlugVST::FromEffect(fx.Record());

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::atomic<bool> finite{true};
  std::thread audio([&] {
    std::vector<std::vector<double>> in(2, std::vector<double>(256, 0.5));
    std::vector<std::vector<double>> out(2, std::vector<double>(256));
    std::vector<std::vector<float>> in32(2, std::vector<float>(256, -0.5f));
    std::vector<std::vector<float>> out32(2, std::vector<float>(256));
    while (!stop.load() || blocks.load() < 100) {
      fx.ProcessDouble(in, out, 256);
      fx.ProcessReplacing(in32, out32, 256);
      if (!std::isfinite(out[0][255]) || !std::isfinite(out32[1][255])) finite = false;
      ++blocks;
    }
  });

  char text[64];
  char consumer[] = "Consumer";
  for (int i = 0; i < 3000; ++i) {
    fx.SetParameter(i % 3, (i % 11) / 10.0f);
    fx.GetParameter(i % 3);
    fx.Dispatch(effGetParamDisplay, i % 3, 0, text);
    plug.SetParameterFromGUI(1, (i % 7) / 6.0);  // tells the host from this thread
    if (i % 100 == 0) {
      EXPECT_EQ(fx.SetChunk(program, true), 1);
      EXPECT_EQ(fx.SetChunk(bank, false), 1);
      EXPECT_EQ(fx.GetChunk(true).size(), 32u);
      fx.Dispatch(effString2Parameter, 2, 0, consumer);
      fx.Dispatch(effSetSampleRate, 0, 0, nullptr, (i % 200) ? 48000.0f : 44100.0f);
    }
  }
  stop = true;
  audio.join();
  EXPECT_TRUE(finite.load());
  EXPECT_GE(blocks.load(), 100);
  fx.Close();
}

TEST(VstThreads, InstancesCreatedAndClosedFromSeveralThreads) {
  VstTestHost host;
  auto work = [&host] {
    for (int i = 0; i < 50; ++i) {
      VstEffect fx(host.Create(&ProductMain), &host);
      ASSERT_TRUE(fx);
      fx.Start(48000.0f, 64);
      std::vector<std::vector<float>> in(2, std::vector<float>(64, 0.1f));
      std::vector<std::vector<float>> out(2, std::vector<float>(64));
      fx.ProcessReplacing(in, out, 64);
      fx.Close();
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
}

}  // namespace
