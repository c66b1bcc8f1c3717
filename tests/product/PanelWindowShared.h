// What the tests of the product's panel in a real window share on both platforms: the panel's
// geometry as a user aims at it, the picture a redraw must put on screen (composed from the
// five images without the panel's own code), comparisons that leave the value text out, the
// host calls of a gesture, and a block with a chosen number of outputs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/VstTestHost.h"

namespace panel_window
{
constexpr int kWidth = 368;
constexpr int kHeight = 240;

// Where a user clicks: the centres of the two switches, a point on the knob's image above
// its value text, and the value text.
constexpr int kPowerX = 38, kPowerY = 162;
constexpr int kTypeX = 40, kTypeY = 92;
constexpr int kKnobX = 284, kKnobY = 146;
constexpr int kTextX = 283, kTextY = 160;
// The knob's value text (left, top, right, bottom): the font's pixels differ between systems.
constexpr int kTextLeft = 231, kTextTop = 151, kTextRight = 336, kTextBottom = 168;

// The panel as a full redraw must show it, 0x00RRGGBB row by row.
std::vector<uint32_t> ReferencePanel(double amount, double type, double power, bool overlayShown);
// The first pixel that differs outside the value text (as "x,y shown/wanted"), or "".
std::string FirstDifferenceOutsideText(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& wanted);
// FNV-1a over the pixels outside the value text: the two platforms' trees hold the same
// constants, so what one shows is what the other shows.
uint64_t HashOutsideText(const std::vector<uint32_t>& picture);

// Settings the screenshot tests show, with the hash of each picture outside the value text:
// the same constants in both trees, so what one platform shows is what the other shows.
struct ScreenshotSetting
{
  float amount, type, power;
  int outputs;
  uint64_t hash;
};
constexpr ScreenshotSetting kScreenshotSettings[] = {
    {0.0f, 0.0f, 1.0f, 2, 0xbd26cf610b696623ull}, {0.37f, 1.0f, 0.0f, 2, 0x2199d4207369766full},
    {1.0f, 0.0f, 0.0f, 2, 0x9922939a523ef015ull}, {0.5f, 1.0f, 1.0f, 1, 0xae3fa373397e40b4ull},
    {0.99f, 1.0f, 1.0f, 2, 0xee33c98d392e525aull}};

// The opcodes of the begin-edit, automate and end-edit calls for index, in order.
std::vector<VstInt32> EditCalls(const VstTestHost& host, VstInt32 index);
// The values of the automate calls for index, in order.
std::vector<float> AutomatedValues(const VstTestHost& host, VstInt32 index);
// Every begin-edit, automate and end-edit call, whatever its index.
size_t CountEditCalls(const VstTestHost& host);

// Prints what full redraws cost (wall-clock microseconds each): median, fastest, slowest and
// the share of one core at 25 a second. A note for people, not a check.
void ReportRedrawCost(const char* where, std::vector<double> micros);

// The host connects two inputs and `outputs` outputs, then processes one short block.
void ProcessBlock(const VstEffect& fx, int outputs);
// A host's audio thread: short stereo blocks, one every few milliseconds, until destroyed.
class AudioThread
{
public:
  explicit AudioThread(const VstEffect& fx);
  ~AudioThread();
  long Blocks() const { return blocks.load(); }

private:
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread thread;
};
}  // namespace panel_window
