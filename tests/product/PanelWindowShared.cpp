#include "tests/product/PanelWindowShared.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "raster/RasterSysBitmap.h"
#include "tests/graphics/ProductPanel.h"

namespace panel_window
{
namespace
{
bool InText(int x, int y)
{
  return x >= kTextLeft && x <= kTextRight && y >= kTextTop && y <= kTextBottom;
}
}  // namespace

std::vector<uint32_t> ReferencePanel(double amount, double type, double power, bool overlayShown)
{
  RasterSysBitmap picture(kWidth, kHeight);
  ComposeProductPanel(&picture, amount, type, power, overlayShown, nullptr);
  std::vector<uint32_t> out((size_t)kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      out[(size_t)y * kWidth + x] = picture.GetBits()[y * picture.GetRowSpan() + x] & 0xFFFFFF;
  return out;
}

std::string FirstDifferenceOutsideText(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& wanted)
{
  if (shown.size() != (size_t)kWidth * kHeight || wanted.size() != shown.size()) return "no picture";
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
    {
      if (InText(x, y)) continue;
      const uint32_t a = shown[(size_t)y * kWidth + x], b = wanted[(size_t)y * kWidth + x];
      if (a != b)
      {
        char text[64];
        std::snprintf(text, sizeof text, "%d,%d %06X/%06X", x, y, (unsigned)a, (unsigned)b);
        return text;
      }
    }
  return "";
}

uint64_t HashOutsideText(const std::vector<uint32_t>& picture)
{
  uint64_t hash = 14695981039346656037ull;
  if (picture.size() != (size_t)kWidth * kHeight) return 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
    {
      if (InText(x, y)) continue;
      const uint32_t p = picture[(size_t)y * kWidth + x];
      for (int b = 0; b < 3; ++b)
      {
        hash ^= (p >> (8 * b)) & 0xFF;
        hash *= 1099511628211ull;
      }
    }
  return hash;
}

namespace
{
bool IsEditCall(VstInt32 opcode)
{
  return opcode == audioMasterBeginEdit || opcode == audioMasterAutomate || opcode == audioMasterEndEdit;
}
}  // namespace

std::vector<VstInt32> EditCalls(const VstTestHost& host, VstInt32 index)
{
  std::vector<VstInt32> out;
  for (const HostCallRecord& c : host.Calls())
    if (IsEditCall(c.opcode) && c.index == index) out.push_back(c.opcode);
  return out;
}

std::vector<float> AutomatedValues(const VstTestHost& host, VstInt32 index)
{
  std::vector<float> out;
  for (const HostCallRecord& c : host.CallsWith(audioMasterAutomate))
    if (c.index == index) out.push_back(c.opt);
  return out;
}

size_t CountEditCalls(const VstTestHost& host)
{
  size_t n = 0;
  for (const HostCallRecord& c : host.Calls()) n += IsEditCall(c.opcode);
  return n;
}

void ReportRedrawCost(const char* where, std::vector<double> micros)
{
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  const double median = micros[micros.size() / 2];
  std::printf("[ cost     ] full panel redraw, %s: median %.0f us (fastest %.0f, slowest %.0f, %zu frames); "
              "at 25 a second %.2f%% of one core\n",
              where, median, micros.front(), micros.back(), micros.size(), median * 25.0 / 1e4);
  std::fflush(stdout);
}

void ProcessBlock(const VstEffect& fx, int outputs)
{
  VstSpeakerArrangement in{}, out{};
  in.numChannels = 2;
  out.numChannels = outputs;
  fx.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
  std::vector<std::vector<float>> inputs(2, std::vector<float>(64, 0.25f)), outputsBuffers(2, std::vector<float>(64));
  fx.ProcessReplacing(inputs, outputsBuffers, 64);
}

AudioThread::AudioThread(const VstEffect& fx)
{
  thread = std::thread([this, fx] {
    std::vector<std::vector<float>> in(2, std::vector<float>(128, 0.25f)), out(2, std::vector<float>(128));
    while (!stop.load())
    {
      fx.ProcessReplacing(in, out, 128);
      ++blocks;
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  });
}

AudioThread::~AudioThread()
{
  stop = true;
  thread.join();
}
}  // namespace panel_window
