#include "tools/vst2-render/RenderApp.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "tools/vst2-render/AudioFile.h"
#include "tools/vst2-render/DemoSignal.h"
#include "tools/vst2-render/EditorCapture.h"
#include "tools/vst2-render/HostWindow.h"
#include "tools/vst2-render/Json.h"
#include "tools/vst2-render/Platform.h"
#include "tools/vst2-render/PluginInstance.h"
#include "tools/vst2-render/PluginLibrary.h"
#include "tools/vst2-render/RenderOptions.h"
#include "tools/vst2-render/ResponseMeasure.h"
#include "tools/vst2-render/ResponsePlot.h"
#include "tools/vst2-render/SignalStats.h"
#include "tools/vst2-render/StateFile.h"
#include "tools/vst2-render/Validate.h"

namespace vrender {

namespace {

// Thrown inside this file only, to leave the work at the first failure with its message.
struct Failure {
  std::string message;
  int status;
};

[[noreturn]] void Fail(const std::string& message, int status = 1) { throw Failure{message, status}; }

const char* PrecisionName(Precision p) {
  switch (p) {
    case Precision::Double64: return "64";
    case Precision::Float32: return "32";
    case Precision::Accumulate32: return "accumulate";
  }
  return "?";
}

std::string FormatDb(double db) {
  if (std::isnan(db)) return "n/a";
  if (std::isinf(db)) return db < 0 ? "-inf" : "+inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", db);
  return text;
}

// "+1.25" / "-38.06"; silence "-inf", unknown "n/a".
std::string FormatSignedDb(double db) {
  if (std::isnan(db)) return "n/a";
  if (std::isinf(db)) return db < 0 ? "-inf" : "+inf";
  char text[32];
  std::snprintf(text, sizeof text, "%+.2f", db);
  return text;
}

std::string FormatHz(double hz) {
  char text[32];
  if (hz >= 1000.0) std::snprintf(text, sizeof text, "%g kHz", hz / 1000.0);
  else std::snprintf(text, sizeof text, "%g Hz", hz);
  return text;
}

// The last part of a path, either separator.
std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChannelName(int channel, int count) {
  if (count == 2) return channel == 0 ? "L" : "R";
  return std::to_string(channel + 1);
}

// Draws a bar on stderr once a render has run for about a second, when stderr is a terminal.
class Progress {
 public:
  Progress(size_t totalFrames, bool allowed) : total(totalFrames), enabled(allowed && totalFrames > 0) {}
  void Advance(size_t frames) {
    done += frames;
    if (!enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start < std::chrono::seconds(1) || now - lastDraw < std::chrono::milliseconds(100)) return;
    lastDraw = now;
    const int width = 40;
    const int filled = static_cast<int>(width * static_cast<double>(done) / static_cast<double>(total));
    char bar[width + 1];
    for (int i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, static_cast<int>(100.0 * done / total));
    std::fflush(stderr);
    drawn = true;
  }
  void Finish() {
    if (drawn) std::fprintf(stderr, "\r%*s\r", 60, "");
    drawn = false;
  }
  ~Progress() { Finish(); }

 private:
  size_t total;
  size_t done = 0;
  bool enabled;
  bool drawn = false;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw = start;
};

struct EchoLine {
  int index;
  std::string name, display, label;
  float normalized;
};

struct RenderResult {
  size_t frames = 0;
  double sampleRate = 0;
  std::string inDescription;
  std::vector<ChannelLevel> inLevels, outLevels;
  bool haveCrosstalk = false;
  double leftToRight = 0, rightToLeft = 0;
  bool monoDuplicated = false;
};

class Session {
 public:
  explicit Session(const RenderOptions& o) : options(o) {}
  int Run();

 private:
  std::string ResolvePluginPath() const;
  std::unique_ptr<PluginInstance> NewInstance();
  void Configure(PluginInstance& instance, std::vector<EchoLine>* echo);
  int FindParameter(PluginInstance& instance, const std::string& name);
  std::vector<std::vector<double>> MapInputs(const AudioBuffer& in, int inputs);
  void PrintList(PluginInstance& instance);
  void SaveState(PluginInstance& instance);
  void PrintEcho(const std::vector<EchoLine>& echo);
  void PrintRender(const RenderResult& r);
  std::string ResponseTitle(PluginInstance& instance, const std::vector<EchoLine>& echo);
  void Response(PluginInstance& instance, const std::vector<EchoLine>& echo);
  void EditorPng(PluginInstance& instance);

  const RenderOptions& options;
  std::string pluginPath;
  PluginLibrary library;
  double sampleRate = 44100.0;
  Precision precision = Precision::Double64;
  bool haveState = false;
  StateFile state;
  Json json = Json::object();
};

std::string Session::ResolvePluginPath() const {
  if (!options.pluginPath.empty()) return options.pluginPath;
  return ExecutableDirectory() + DefaultPluginFileName();
}

std::unique_ptr<PluginInstance> Session::NewInstance() {
  std::string error;
  std::unique_ptr<PluginInstance> instance =
      PluginInstance::Create(library.Entry(), library.EntryName(), error);
  if (!instance) Fail("'" + pluginPath + "': " + error);
  return instance;
}

int Session::FindParameter(PluginInstance& instance, const std::string& name) {
  const int count = instance.Effect()->numParams;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    names.push_back(instance.ParameterName(i));
    if (names.back() == name) return i;
  }
  // A second, forgiving pass: case-insensitive.
  for (int i = 0; i < count; ++i) {
    const std::string& n = names[static_cast<size_t>(i)];
    if (n.size() == name.size()) {
      bool same = true;
      for (size_t k = 0; k < n.size() && same; ++k)
        same = std::tolower(static_cast<unsigned char>(n[k])) ==
               std::tolower(static_cast<unsigned char>(name[k]));
      if (same) return i;
    }
  }
  std::string known;
  for (int i = 0; i < count && i < 16; ++i) known += (i ? ", " : "") + names[static_cast<size_t>(i)];
  if (count > 16) known += ", ...";
  Fail("unknown parameter '" + name + "' (the plug-in has: " + (count ? known : "no parameters") + ")");
}

void Session::Configure(PluginInstance& instance, std::vector<EchoLine>* echo) {
  AEffect* effect = instance.Effect();
  instance.Open(sampleRate, options.blockSize, precision);
  if (haveState) {
    std::vector<unsigned char> chunk = state.chunk;
    if (instance.Dispatch(effSetChunk, state.isBank ? 0 : 1, static_cast<VstIntPtr>(chunk.size()),
                          chunk.data()) == 0)
      Fail("the plug-in rejected the state in '" + options.loadStatePath + "'");
  }
  if (options.program >= 0) {
    if (options.program >= effect->numPrograms)
      Fail("program " + std::to_string(options.program) + " does not exist (the plug-in has " +
           std::to_string(effect->numPrograms) + ")");
    instance.Dispatch(effBeginSetProgram);
    instance.Dispatch(effSetProgram, 0, options.program);
    instance.Dispatch(effEndSetProgram);
  }
  for (const ParameterSetting& s : options.settings) {
    int index = s.index;
    if (s.byName) {
      index = FindParameter(instance, s.name);
      std::vector<char> text(s.text.begin(), s.text.end());
      text.push_back('\0');
      if (instance.Dispatch(effString2Parameter, index, 0, text.data()) == 0)
        Fail("the plug-in rejected '" + s.text + "' for parameter '" + s.name + "'");
    } else {
      if (index >= effect->numParams)
        Fail("parameter index " + std::to_string(index) + " does not exist (the plug-in has " +
             std::to_string(effect->numParams) + " parameters)");
      effect->setParameter(effect, index, static_cast<float>(s.value));
    }
    if (echo) {
      echo->push_back(EchoLine{index, instance.ParameterName(index), instance.ParameterDisplay(index),
                               instance.ParameterLabel(index), instance.ParameterValue(index)});
    }
  }
}

std::vector<std::vector<double>> Session::MapInputs(const AudioBuffer& in, int inputs) {
  const int channels = in.ChannelCount();
  std::vector<std::vector<double>> feeds;
  if (channels == inputs) {
    feeds = in.channels;
  } else if (channels == 1 && inputs > 1) {
    feeds.assign(static_cast<size_t>(inputs), in.channels[0]);
  } else {
    Fail("'" + options.inPath + "' has " + std::to_string(channels) + " channel" +
         (channels == 1 ? "" : "s") + " but the plug-in has " + std::to_string(inputs) +
         " input" + (inputs == 1 ? "" : "s") +
         " (a mono file feeds every input; other counts must match)");
  }
  return feeds;
}

void Session::PrintList(PluginInstance& instance) {
  AEffect* e = instance.Effect();
  const std::string name = instance.QueryText(effGetEffectName);
  const std::string vendor = instance.QueryText(effGetVendorString);
  const std::string product = instance.QueryText(effGetProductString);
  const VstIntPtr category = instance.Dispatch(effGetPlugCategory);
  const VstIntPtr vstVersion = instance.Dispatch(effGetVstVersion);
  struct FlagName {
    VstInt32 bit;
    const char* name;
  };
  static const FlagName kFlags[] = {
      {effFlagsHasEditor, "editor"},         {effFlagsCanMono, "mono"},
      {effFlagsCanReplacing, "replacing"},   {effFlagsProgramChunks, "chunks"},
      {effFlagsIsSynth, "synth"},            {effFlagsNoSoundInStop, "no-sound-in-stop"},
      {effFlagsCanDoubleReplacing, "double-replacing"},
  };
  std::vector<std::string> flagNames;
  for (const FlagName& f : kFlags)
    if (e->flags & f.bit) flagNames.push_back(f.name);
  const int current = static_cast<int>(instance.Dispatch(effGetProgram));
  std::vector<std::string> programs;
  for (int i = 0; i < e->numPrograms; ++i) programs.push_back(instance.QueryText(effGetProgramNameIndexed, i));

  if (options.json) {
    Json& plugin = json["plugin"];
    plugin["path"] = pluginPath;
    plugin["entry"] = library.EntryName();
    plugin["name"] = name;
    plugin["vendor"] = vendor;
    plugin["product"] = product;
    plugin["uniqueId"] = FourCharText(e->uniqueID);
    plugin["uniqueIdNumber"] = e->uniqueID;
    plugin["version"] = e->version;
    plugin["vstVersion"] = vstVersion;
    plugin["category"] = category;
    plugin["inputs"] = e->numInputs;
    plugin["outputs"] = e->numOutputs;
    plugin["latency"] = e->initialDelay;
    plugin["flags"] = e->flags;
    plugin["flagNames"] = flagNames;
    Json& parameters = json["parameters"] = Json::array();
    for (int i = 0; i < e->numParams; ++i) {
      parameters.push_back({{"index", i},
                            {"name", instance.ParameterName(i)},
                            {"display", instance.ParameterDisplay(i)},
                            {"label", instance.ParameterLabel(i)},
                            {"value", NumberOrNull(instance.ParameterValue(i))}});
    }
    json["programs"] = programs;
    json["currentProgram"] = current;
    return;
  }
  std::printf("plug-in     %s\n", pluginPath.c_str());
  std::printf("name        %s\n", name.c_str());
  std::printf("vendor      %s\n", vendor.c_str());
  if (!product.empty()) std::printf("product     %s\n", product.c_str());
  std::printf("unique ID   %s (0x%08X)\n", FourCharText(e->uniqueID).c_str(), static_cast<unsigned>(e->uniqueID));
  std::printf("version     %d   VST %ld   entry %s\n", e->version, static_cast<long>(vstVersion),
              library.EntryName().c_str());
  std::printf("I/O         %d in, %d out   category %ld   latency %d\n", e->numInputs, e->numOutputs,
              static_cast<long>(category), e->initialDelay);
  std::string flagText;
  for (const std::string& f : flagNames) flagText += (flagText.empty() ? "" : ", ") + f;
  std::printf("flags       0x%X (%s)\n", static_cast<unsigned>(e->flags), flagText.c_str());
  std::printf("parameters  %d\n", e->numParams);
  for (int i = 0; i < e->numParams; ++i) {
    std::printf("  %3d  %-24s %-16s %-8s %.6f\n", i, instance.ParameterName(i).c_str(),
                instance.ParameterDisplay(i).c_str(), instance.ParameterLabel(i).c_str(),
                static_cast<double>(instance.ParameterValue(i)));
  }
  std::printf("programs    %d\n", e->numPrograms);
  for (int i = 0; i < e->numPrograms; ++i)
    std::printf("  %3d  %s%s\n", i, programs[static_cast<size_t>(i)].c_str(), i == current ? "  (current)" : "");
}

void Session::SaveState(PluginInstance& instance) {
  AEffect* e = instance.Effect();
  void* data = nullptr;
  const VstIntPtr size = instance.Dispatch(effGetChunk, options.bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data)
    Fail("the plug-in gave no state chunk (it may not support state chunks)");
  StateFile saved;
  saved.isBank = options.bank;
  saved.uniqueId = e->uniqueID;
  saved.pluginVersion = e->version;
  saved.programCount = e->numPrograms;
  if (!options.bank) saved.programName = instance.QueryText(effGetProgramName);
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  saved.chunk.assign(bytes, bytes + size);
  if (!WriteWholeFileAtomically(options.saveStatePath, EncodeStateFile(saved)))
    Fail("cannot write state file '" + options.saveStatePath + "'");
  if (options.json) {
    json["savedState"] = {{"path", options.saveStatePath},
                          {"kind", options.bank ? "bank" : "program"},
                          {"chunkBytes", size}};
  } else {
    std::printf("saved %s state (%ld-byte chunk) to %s\n", options.bank ? "bank" : "program",
                static_cast<long>(size), options.saveStatePath.c_str());
  }
}

void Session::PrintEcho(const std::vector<EchoLine>& echo) {
  if (options.json) {
    Json& set = json["set"] = Json::array();
    for (const EchoLine& l : echo) {
      set.push_back({{"index", l.index},
                     {"name", l.name},
                     {"display", l.display},
                     {"label", l.label},
                     {"value", NumberOrNull(l.normalized)}});
    }
    return;
  }
  for (const EchoLine& l : echo)
    std::printf("%s = %s%s%s\n", l.name.c_str(), l.display.c_str(), l.label.empty() ? "" : " ",
                l.label.c_str());
}

void Session::PrintRender(const RenderResult& r) {
  const int ins = static_cast<int>(r.inLevels.size());
  const int outs = static_cast<int>(r.outLevels.size());
  if (options.json) {
    Json& render = json["render"];
    render["input"] = options.inPath;
    render["inputFormat"] = r.inDescription;
    render["output"] = options.outPath;
    if (!options.outPath.empty()) render["outputFormat"] = SampleFormatName(options.outFormat);
    render["frames"] = r.frames;
    render["sampleRate"] = NumberOrNull(r.sampleRate);
    render["blockSize"] = options.blockSize;
    render["precision"] = PrecisionName(precision);
    render["monoFedToAllInputs"] = r.monoDuplicated;
    auto levels = [](const std::vector<ChannelLevel>& list) {
      Json out = Json::array();
      for (const ChannelLevel& l : list) {
        out.push_back({{"peakDb", NumberOrNull(AmplitudeToDb(l.peak))},
                       {"rmsDb", NumberOrNull(AmplitudeToDb(l.rms))},
                       {"peak", NumberOrNull(l.peak)},
                       {"rms", NumberOrNull(l.rms)}});
      }
      return out;
    };
    render["in"] = levels(r.inLevels);
    render["out"] = levels(r.outLevels);
    if (r.haveCrosstalk) {
      render["crosstalk"] = {{"leftToRightDb", NumberOrNull(r.leftToRight)},
                             {"rightToLeftDb", NumberOrNull(r.rightToLeft)}};
    } else {
      render["crosstalk"] = nullptr;
    }
    return;
  }
  std::printf("rendered    %s -> %s\n", options.inPath.c_str(),
              options.outPath.empty() ? "(not written)" : options.outPath.c_str());
  std::printf("            %zu frames at %.0f Hz (%.2f s), %s, blocks of %d, %s-bit callback%s\n",
              r.frames, r.sampleRate, r.sampleRate > 0 ? r.frames / r.sampleRate : 0.0,
              r.inDescription.c_str(), options.blockSize, PrecisionName(precision),
              precision == Precision::Accumulate32 ? " (accumulating)" : "");
  if (r.monoDuplicated) std::printf("            mono input fed to every plug-in input\n");
  std::printf("level (dBFS)   peak in   RMS in  peak out  RMS out\n");
  const int rows = ins > outs ? ins : outs;
  for (int c = 0; c < rows; ++c) {
    std::string cols[4] = {"", "", "", ""};
    if (c < ins) {
      cols[0] = FormatDb(AmplitudeToDb(r.inLevels[static_cast<size_t>(c)].peak));
      cols[1] = FormatDb(AmplitudeToDb(r.inLevels[static_cast<size_t>(c)].rms));
    }
    if (c < outs) {
      cols[2] = FormatDb(AmplitudeToDb(r.outLevels[static_cast<size_t>(c)].peak));
      cols[3] = FormatDb(AmplitudeToDb(r.outLevels[static_cast<size_t>(c)].rms));
    }
    std::printf("  %-10s %9s %8s %9s %8s\n", ChannelName(c, rows).c_str(), cols[0].c_str(),
                cols[1].c_str(), cols[2].c_str(), cols[3].c_str());
  }
  if (r.haveCrosstalk) {
    std::printf("crosstalk added (dB): left -> right %s, right -> left %s\n",
                FormatDb(r.leftToRight).c_str(), FormatDb(r.rightToLeft).c_str());
  } else {
    std::printf("crosstalk added: not measured (needs a plug-in with two inputs and two outputs)\n");
  }
}

std::string Session::ResponseTitle(PluginInstance& instance, const std::vector<EchoLine>& echo) {
  std::string name = instance.QueryText(effGetEffectName);
  if (name.empty()) name = instance.QueryText(effGetProductString);
  if (name.empty()) name = FileName(pluginPath);
  std::string settings;
  auto add = [&settings](const std::string& part) { settings += (settings.empty() ? "" : ", ") + part; };
  if (!options.loadStatePath.empty()) add("state " + FileName(options.loadStatePath));
  if (options.program >= 0) add("program " + std::to_string(options.program));
  for (const EchoLine& l : echo) add(l.name + " " + l.display + (l.label.empty() ? "" : " " + l.label));
  if (settings.empty()) settings = "default settings";
  return name + " \u2014 " + settings + " \u2014 " + FormatHz(sampleRate);
}

// One line on stderr for each way the measurement may mislead.
void PrintResponseWarnings(const ResponseMeasurement& m, int inputs, int outputs) {
  std::string unusable;
  for (const ResponsePair& p : m.pairs)
    if (p.nonFinite) unusable += (unusable.empty() ? "" : ", ") + ResponsePairName(p.input, p.output, inputs, outputs, "->");
  if (!unusable.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "vst2-render: warning: the plug-in's output holds NaN or infinite samples (%s): "
                 "their levels are unknown and left as gaps\n", unusable.c_str());
  }
  if (m.LevelDependent() || m.TimeVarying()) {
    auto apart = [](const ResponseDeviation& d) {
      if (std::isinf(d.relative)) return std::string("one of them not finite");
      char text[96];
      if (d.phaseDeg >= 0.05)
        std::snprintf(text, sizeof text, "up to %.2f dB and %.1f degrees apart", d.levelDb, d.phaseDeg);
      else
        std::snprintf(text, sizeof text, "up to %.2f dB apart", d.levelDb);
      return std::string(text);
    };
    std::string what;
    if (m.LevelDependent()) {
      char text[64];
      std::snprintf(text, sizeof text, "impulses %.0f dB apart give responses ", m.levelCheckDb);
      what = text + apart(m.levelCheck);
    }
    if (m.TimeVarying()) {
      char text[80];
      std::snprintf(text, sizeof text, "two impulses %.2f s apart into one instance give responses ", m.timeCheckSeconds);
      what += (what.empty() ? "" : "; ") + std::string(text) + apart(m.timeCheck);
    }
    const char* kind = m.LevelDependent() && m.TimeVarying() ? "is neither linear nor time-invariant"
                       : m.LevelDependent()                   ? "is not linear"
                                                              : "varies in time";
    std::fflush(stdout);
    std::fprintf(stderr, "vst2-render: warning: the plug-in %s (%s): shown is the response to the first full-scale impulse\n",
                 kind, what.c_str());
  }
}

void Session::Response(PluginInstance& instance, const std::vector<EchoLine>& echo) {
  AEffect* effect = instance.Effect();
  ResponseSetup setup;
  setup.newInstance = [this] {
    std::unique_ptr<PluginInstance> fresh = NewInstance();
    Configure(*fresh, nullptr);
    return fresh;
  };
  setup.precision = precision;
  setup.sampleRate = sampleRate;
  setup.inputs = effect->numInputs;
  setup.outputs = effect->numOutputs;
  const ResponseMeasurement m = MeasureResponse(setup);

  // Everything is made in memory first, then written together: a failure leaves no file.
  std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
  if (!options.responsePath.empty()) {
    PlotContent content;
    content.title = ResponseTitle(instance, echo);
    content.frequencies = m.frequencies;
    content.highestHz = sampleRate * 0.5;
    for (const ResponsePair& p : m.pairs) content.curves.push_back({p.name, p.magnitudeDb});
    std::unique_ptr<RasterMemBitmap> picture = DrawResponsePlot(content);
    std::vector<unsigned char> png;
    if (!EncodePng(*picture, png)) Fail("cannot encode the response plot as PNG");
    files.emplace_back(options.responsePath, std::move(png));
  }
  if (!options.responseCsvPath.empty()) {
    const std::string csv = ResponseCsv(m);
    files.emplace_back(options.responseCsvPath, std::vector<unsigned char>(csv.begin(), csv.end()));
  }
  std::string failed;
  if (!WriteFilesAtomically(files, failed)) Fail("cannot write response file '" + failed + "'");

  // The levels a listener would ask about first, evaluated exactly at those frequencies.
  static const double kSpotHz[] = {100.0, 1000.0, 10000.0};
  std::vector<std::vector<double>> spots;
  for (const ResponsePair& p : m.pairs) {
    spots.emplace_back();
    for (double hz : kSpotHz)
      spots.back().push_back(hz < sampleRate * 0.5 ? MagnitudeDb(TransferAt(p.impulse, hz, sampleRate)) : std::nan(""));
  }

  if (options.json) {
    Json& r = json["response"];
    r["plot"] = options.responsePath;
    r["csv"] = options.responseCsvPath;
    r["sampleRate"] = NumberOrNull(m.sampleRate);
    r["impulseFrames"] = m.impulseFrames;
    r["frequencies"] = m.frequencies.size();
    r["linear"] = !m.LevelDependent();
    r["timeInvariant"] = !m.TimeVarying();
    r["levelDeviationDb"] = NumberOrNull(m.levelCheck.levelDb);
    r["timeDeviationDb"] = NumberOrNull(m.timeCheck.levelDb);
    r["nonFinite"] = m.AnyNonFinite();
    Json& pairs = r["pairs"] = Json::array();
    for (size_t i = 0; i < m.pairs.size(); ++i) {
      pairs.push_back({{"input", m.pairs[i].input},
                       {"output", m.pairs[i].output},
                       {"name", m.pairs[i].name},
                       {"levelDb100Hz", NumberOrNull(spots[i][0])},
                       {"levelDb1kHz", NumberOrNull(spots[i][1])},
                       {"levelDb10kHz", NumberOrNull(spots[i][2])}});
    }
  } else {
    std::printf("response    %zu-frame impulse responses at %.0f Hz, %zu frequencies from 20 Hz to %s\n",
                m.impulseFrames, m.sampleRate, m.frequencies.size(), FormatHz(sampleRate * 0.5).c_str());
    std::printf("%-16s%10s%10s%10s\n", "level (dB)", "100 Hz", "1 kHz", "10 kHz");
    for (size_t i = 0; i < m.pairs.size(); ++i) {
      const ResponsePair& p = m.pairs[i];
      const std::string name = ResponsePairName(p.input, p.output, setup.inputs, setup.outputs, "->");
      std::printf("  %-14s %9s %9s %9s\n", name.c_str(), FormatSignedDb(spots[i][0]).c_str(),
                  FormatSignedDb(spots[i][1]).c_str(), FormatSignedDb(spots[i][2]).c_str());
    }
    if (!options.responsePath.empty())
      std::printf("plot        %s (%d x %d)\n", options.responsePath.c_str(), kPlotWidth, kPlotHeight);
    if (!options.responseCsvPath.empty()) std::printf("csv         %s\n", options.responseCsvPath.c_str());
  }
  PrintResponseWarnings(m, setup.inputs, setup.outputs);
}

void Session::EditorPng(PluginInstance& instance) {
  if (!(instance.Effect()->flags & effFlagsHasEditor)) Fail("'" + pluginPath + "' has no editor");
  if (options.mono) {
    // What a mono track shows: one output connected, then a block so the plug-in sees it.
    if (instance.Effect()->numOutputs < 1) Fail("the plug-in has no outputs: --mono needs one");
    instance.ConnectOutputs(1);
    const int frames = options.blockSize;
    std::vector<std::vector<double>> silence(static_cast<size_t>(instance.Effect()->numInputs),
                                             std::vector<double>(static_cast<size_t>(frames), 0.0));
    AudioBuffer ignored;
    instance.Resume();
    instance.Render(silence, static_cast<size_t>(frames), precision, ignored, [](size_t) {});
  }
  EditorPicture picture;
  std::string error;
  if (!CaptureEditor(instance, picture, error)) Fail(error);
  RasterMemBitmap bitmap(picture.width, picture.height, 1);
  RasterPixel* bits = bitmap.GetBits();
  if (!bits) Fail("out of memory for the editor's picture");
  for (size_t i = 0; i < picture.pixels.size(); ++i) bits[i] = picture.pixels[i] | 0xFF000000u;
  std::vector<unsigned char> png;
  if (!EncodePng(bitmap, png)) Fail("cannot encode the editor's picture as PNG");
  if (!WriteWholeFileAtomically(options.editorPngPath, png))
    Fail("cannot write '" + options.editorPngPath + "'");
  if (options.json) {
    json["editor"] = {{"png", options.editorPngPath},
                      {"width", picture.width},
                      {"height", picture.height},
                      {"ticks", picture.ticks},
                      {"mono", options.mono}};
  } else {
    std::printf("editor      %s (%d x %d, after %d idle ticks%s)\n", options.editorPngPath.c_str(), picture.width,
                picture.height, picture.ticks, options.mono ? ", one output connected" : "");
  }
}

int Session::Run() {
  // Everything that can be checked without the plug-in comes first.
  AudioBuffer input;
  RenderResult result;
  if (!options.inPath.empty()) {
    std::string error;
    if (!ReadAudioFile(options.inPath, input, result.inDescription, error)) Fail(error);
    if (input.ChannelCount() < 1) Fail("'" + options.inPath + "' holds no audio channels");
    sampleRate = input.sampleRate;
  } else {
    sampleRate = options.sampleRate;
  }
  if (!options.loadStatePath.empty()) {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!FileExists(options.loadStatePath)) Fail("state file '" + options.loadStatePath + "' does not exist");
    if (!ReadWholeFile(options.loadStatePath, bytes)) Fail("cannot read state file '" + options.loadStatePath + "'");
    if (!DecodeStateFile(bytes, state, error)) Fail("'" + options.loadStatePath + "': " + error);
    haveState = true;
  }

  pluginPath = ResolvePluginPath();
  std::string error;
  if (!options.editorPngPath.empty() && !EnsureDisplay(error)) Fail(error);
  if (!library.Load(pluginPath, error)) Fail(error);

  std::vector<EchoLine> echo;
  {
    std::unique_ptr<PluginInstance> main = NewInstance();
    AEffect* effect = main->Effect();
    if (haveState && state.uniqueId != effect->uniqueID)
      Fail("'" + options.loadStatePath + "' was saved by plug-in '" + FourCharText(state.uniqueId) +
           "', not by this one ('" + FourCharText(effect->uniqueID) + "')");
    precision = options.precision;
    if (!options.precisionGiven && !main->SupportsPrecision(Precision::Double64)) precision = Precision::Float32;
    const bool response = !options.responsePath.empty() || !options.responseCsvPath.empty();
    if (response) {
      if (effect->numInputs < 1)
        Fail("'" + pluginPath + "' has no inputs: --response measures what a plug-in does to its input "
             "(an instrument or generator has none)");
      if (effect->numOutputs < 1) Fail("the plug-in has no outputs");
    }
    if ((!options.inPath.empty() || response) && !main->SupportsPrecision(precision))
      Fail(std::string("the plug-in has no ") +
           (precision == Precision::Double64 ? "64-bit (double replacing)"
            : precision == Precision::Float32 ? "32-bit replacing"
                                              : "accumulating") +
           " block callback");
    std::vector<std::vector<double>> feeds;
    if (!options.inPath.empty()) {
      if (effect->numOutputs < 1) Fail("the plug-in has no outputs");
      feeds = MapInputs(input, effect->numInputs);
      result.monoDuplicated = input.ChannelCount() == 1 && effect->numInputs > 1;
    }
    Configure(*main, &echo);
    PrintEcho(echo);
    if (options.list) PrintList(*main);

    if (!options.inPath.empty()) {
      const size_t frames = input.FrameCount();
      const bool probes = effect->numInputs >= 2 && effect->numOutputs >= 2;
      Progress progress(frames * (probes ? 3 : 1), StderrIsTerminal() && !options.json);
      auto advance = [&progress](size_t n) { progress.Advance(n); };
      AudioBuffer output;
      output.sampleRate = sampleRate;
      main->Resume();
      main->Render(feeds, frames, precision, output, advance);
      main->Suspend();
      output.sampleRate = sampleRate;

      // The bleed is measured on fresh, identically set-up instances fed one side at a time.
      if (probes) {
        result.haveCrosstalk = true;
        for (int side = 0; side < 2; ++side) {
          std::unique_ptr<PluginInstance> probe = NewInstance();
          Configure(*probe, nullptr);
          std::vector<std::vector<double>> oneSide(feeds.size(), std::vector<double>(frames, 0.0));
          oneSide[static_cast<size_t>(side)] = feeds[static_cast<size_t>(side)];
          AudioBuffer probeOut;
          probe->Resume();
          probe->Render(oneSide, frames, precision, probeOut, advance);
          probe->Suspend();
          const double leak = LeakageDb(probeOut.channels[static_cast<size_t>(1 - side)],
                                        feeds[static_cast<size_t>(side)]);
          (side == 0 ? result.leftToRight : result.rightToLeft) = leak;
        }
      }
      progress.Finish();
      result.frames = frames;
      result.sampleRate = sampleRate;
      for (const auto& c : input.channels) result.inLevels.push_back(MeasureChannel(c));
      for (const auto& c : output.channels) result.outLevels.push_back(MeasureChannel(c));
      if (!options.outPath.empty()) {
        if (!WriteAudioFile(options.outPath, output, options.outFormat, error)) Fail(error);
      }
      PrintRender(result);
    }
    if (response) Response(*main, echo);
    if (!options.editorPngPath.empty()) EditorPng(*main);
    if (!options.saveStatePath.empty()) SaveState(*main);
  }
  if (options.json) std::printf("%s\n", JsonText(json).c_str());
  std::fflush(stdout);
  return 0;
}

int RunDemo(const RenderOptions& options) {
  AudioBuffer demo = MakeDemoSignal(options.sampleRate);
  std::string error;
  const SampleFormat format = options.formatGiven ? options.outFormat : DefaultSampleFormatFor(options.demoPath);
  if (!WriteAudioFile(options.demoPath, demo, format, error)) Fail(error);
  std::printf("wrote demo signal to %s (%zu frames, %.0f Hz, stereo, %s)\n", options.demoPath.c_str(),
              demo.FrameCount(), demo.sampleRate, SampleFormatName(format));
  return 0;
}

int RunCompare(const RenderOptions& options) {
  AudioBuffer a, b;
  std::string da, db, error;
  if (!ReadAudioFile(options.compareA, a, da, error)) Fail(error);
  if (!ReadAudioFile(options.compareB, b, db, error)) Fail(error);
  Difference d;
  if (!CompareAudio(a, b, d, error)) Fail("cannot compare '" + options.compareA + "' and '" + options.compareB + "': " + error);
  if (options.json) {
    const Json j = {{"largestDifference", NumberOrNull(d.largest)},
                    {"largestDifferenceDb", NumberOrNull(AmplitudeToDb(d.largest))},
                    {"channel", d.channel},
                    {"frame", d.frame}};
    std::printf("%s\n", JsonText(j).c_str());
  } else if (d.largest == 0.0) {
    std::printf("largest sample difference: 0 (the files are identical, %zu frames)\n", a.FrameCount());
  } else {
    std::printf("largest sample difference: %.6g (%s dBFS) at channel %d, frame %zu\n", d.largest,
                FormatDb(AmplitudeToDb(d.largest)).c_str(), d.channel + 1, d.frame);
  }
  return 0;
}

}  // namespace

int RunRenderApp(const std::vector<std::string>& args) {
  RenderOptions options;
  UseUnixLineEndings();
  try {
    std::string error;
    if (!ParseRenderOptions(std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end()),
                            options, error)) {
      std::fprintf(stderr, "vst2-render: %s\n", error.c_str());
      return 2;
    }
    if (options.help) {
      std::fputs(RenderUsage().c_str(), stdout);
      return 0;
    }
    if (!options.formatGiven && !options.outPath.empty())
      options.outFormat = DefaultSampleFormatFor(options.outPath);
    if (!options.demoPath.empty()) return RunDemo(options);
    if (!options.compareA.empty()) return RunCompare(options);
    if (options.validate) {
      ValidateOptions v;
      v.pluginPath = options.pluginPath.empty() ? ExecutableDirectory() + DefaultPluginFileName() : options.pluginPath;
      v.level = options.level;
      v.seed = options.seed;
      v.seedGiven = options.seedGiven;
      v.json = options.json;
      v.child = options.validateChild;
      return RunValidation(v);
    }
    Session session(options);
    return session.Run();
  } catch (const Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "vst2-render: %s\n", failure.message.c_str());
    return failure.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vst2-render: %s\n", e.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "vst2-render: unexpected failure\n");
    return 1;
  }
}

}  // namespace vrender
