// The command line of vst2-render, parsed and checked before anything is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/vst2-render/AudioBuffer.h"
#include "tools/vst2-render/PluginInstance.h"

namespace vrender {

// One parameter change, applied in command-line order.
struct ParameterSetting {
  bool byName = true;     // --set NAME=TEXT, else --param INDEX=VALUE
  std::string name;       // parameter name as given
  std::string text;       // text handed to the plug-in
  int index = -1;         // --param
  double value = 0.0;     // --param, normalised 0..1
};

struct RenderOptions {
  bool help = false;
  std::string pluginPath;  // empty: the plug-in built beside the tool
  std::string inPath;
  std::string outPath;
  std::vector<ParameterSetting> settings;
  int blockSize = 512;
  bool precisionGiven = false;
  Precision precision = Precision::Double64;
  int program = -1;  // -1: leave the plug-in's current program
  std::string saveStatePath;
  bool bank = false;
  std::string loadStatePath;
  bool list = false;
  bool json = false;
  std::string responsePath;     // --response: the plot (PNG)
  std::string responseCsvPath;  // --response-csv: the same numbers as CSV
  std::string editorPngPath;     // --editor-png: a picture of the plug-in's editor
  bool mono = false;             // --mono: one output connected and one block processed first
  std::string demoPath;
  std::string compareA, compareB;
  bool formatGiven = false;
  SampleFormat outFormat = SampleFormat::Float32;
  double sampleRate = 44100.0;  // used when no input file gives one
  bool validate = false;        // --validate: the plug-in torture test
  int level = 5;                // --level 1..10
  bool levelGiven = false;
  uint64_t seed = 0;            // --seed
  bool seedGiven = false;
  std::string validateChild;    // hidden: run one check group for a parent validator process
};

// Parses the arguments after the program name. On failure returns false with a one-line reason.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error);

// The --help text, generated from the same option declarations the parser uses.
std::string RenderUsage();

}  // namespace vrender
