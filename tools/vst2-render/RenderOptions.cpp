#include "tools/vst2-render/RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vrender {

namespace {

bool ParseInt(const std::string& text, long minimum, long maximum, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < minimum || v > maximum) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

// Splits "KEY=VALUE" at the first '='; the key must not be empty.
bool SplitAssignment(const std::string& text, std::string& key, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  key = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

}  // namespace

const char* RenderUsage() {
  return "usage: vst2-render [--plugin PATH] --in FILE [--out FILE] [options]\n"
         "       vst2-render [--plugin PATH] --list [--json] [options]\n"
         "       vst2-render --demo FILE\n"
         "       vst2-render --compare FILE_A FILE_B [--json]\n"
         "\n"
         "  --plugin PATH          VST 2 plug-in library (default: the Vossamere2 built beside this tool)\n"
         "  --in FILE              audio to process (WAV, AIFF, FLAC; the Windows build reads WAV)\n"
         "  --out FILE             where to write the result (.wav, .aiff, .flac)\n"
         "  --out-format F         pcm16, pcm24, pcm32, float or double (default float; pcm24 for FLAC)\n"
         "  --set NAME=TEXT        set a parameter by name from its display text (repeatable)\n"
         "  --param INDEX=VALUE    set a parameter by index to a normalised value 0..1 (repeatable)\n"
         "  --program N            select program N before the parameters are set\n"
         "  --block N              block size in frames, 1..65536 (default 512)\n"
         "  --precision P          64, 32 or accumulate: which block callback renders\n"
         "                         (default 64 when the plug-in offers it, else 32)\n"
         "  --rate HZ              sample rate when no input file gives one (default 44100)\n"
         "  --load-state FILE      restore a state saved with --save-state (.fxp or .fxb)\n"
         "  --save-state FILE      save the plug-in's state chunk after rendering\n"
         "  --bank                 save the whole bank (.fxb) instead of the current program\n"
         "  --list                 print the plug-in's record, parameters and programs\n"
         "  --json                 print everything as one JSON object on standard output\n"
         "  --demo FILE            write the built-in stereo demo signal and exit\n"
         "  --compare A B          print the largest sample difference between two files\n"
         "\n"
         "A mono file feeds every input of a multi-input plug-in; otherwise the file's channel\n"
         "count must match the plug-in's inputs.\n";
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error) {
  options = RenderOptions();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--plugin") {
      if (!value(options.pluginPath)) return false;
    } else if (arg == "--in") {
      if (!value(options.inPath)) return false;
    } else if (arg == "--out") {
      if (!value(options.outPath)) return false;
    } else if (arg == "--set") {
      if (!value(v)) return false;
      ParameterSetting s;
      if (!SplitAssignment(v, s.name, s.text)) {
        error = "--set expects NAME=TEXT, got '" + v + "'";
        return false;
      }
      options.settings.push_back(s);
    } else if (arg == "--param") {
      if (!value(v)) return false;
      ParameterSetting s;
      s.byName = false;
      std::string key, number;
      if (!SplitAssignment(v, key, number) || !ParseInt(key, 0, 1000000, s.index) ||
          !ParseDouble(number, s.value) || s.value < 0.0 || s.value > 1.0) {
        error = "--param expects INDEX=VALUE with VALUE between 0 and 1, got '" + v + "'";
        return false;
      }
      s.text = number;
      options.settings.push_back(s);
    } else if (arg == "--block") {
      if (!value(v)) return false;
      if (!ParseInt(v, 1, 65536, options.blockSize)) {
        error = "--block expects a frame count from 1 to 65536, got '" + v + "'";
        return false;
      }
    } else if (arg == "--precision") {
      if (!value(v)) return false;
      options.precisionGiven = true;
      if (v == "64") options.precision = Precision::Double64;
      else if (v == "32") options.precision = Precision::Float32;
      else if (v == "accumulate") options.precision = Precision::Accumulate32;
      else {
        error = "--precision expects 64, 32 or accumulate, got '" + v + "'";
        return false;
      }
    } else if (arg == "--program") {
      if (!value(v)) return false;
      if (!ParseInt(v, 0, 1000000, options.program)) {
        error = "--program expects a program number, got '" + v + "'";
        return false;
      }
    } else if (arg == "--rate") {
      if (!value(v)) return false;
      if (!ParseDouble(v, options.sampleRate) || options.sampleRate < 1000.0 ||
          options.sampleRate > 1536000.0) {
        error = "--rate expects a sample rate from 1000 to 1536000 Hz, got '" + v + "'";
        return false;
      }
    } else if (arg == "--out-format") {
      if (!value(v)) return false;
      options.formatGiven = true;
      if (!ParseSampleFormat(v, options.outFormat)) {
        error = "--out-format expects pcm16, pcm24, pcm32, float or double, got '" + v + "'";
        return false;
      }
    } else if (arg == "--save-state") {
      if (!value(options.saveStatePath)) return false;
    } else if (arg == "--load-state") {
      if (!value(options.loadStatePath)) return false;
    } else if (arg == "--bank") {
      options.bank = true;
    } else if (arg == "--list") {
      options.list = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--demo") {
      if (!value(options.demoPath)) return false;
    } else if (arg == "--compare") {
      if (i + 2 >= args.size()) {
        error = "--compare needs two files";
        return false;
      }
      options.compareA = args[++i];
      options.compareB = args[++i];
    } else {
      error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
  }
  if (options.help) return true;
  const bool demo = !options.demoPath.empty();
  const bool compare = !options.compareA.empty();
  const bool hostWork = !options.inPath.empty() || !options.outPath.empty() || options.list ||
                        !options.saveStatePath.empty();
  if (demo + compare + hostWork > 1) {
    error = "--demo, --compare and plug-in work cannot be combined in one call";
    return false;
  }
  if (!demo && !compare && !hostWork) {
    error = "nothing to do: give --in, --list, --save-state, --demo or --compare (see --help)";
    return false;
  }
  if (!options.outPath.empty() && options.inPath.empty()) {
    error = "--out needs an input file (--in)";
    return false;
  }
  if (options.bank && options.saveStatePath.empty()) {
    error = "--bank applies to --save-state only";
    return false;
  }
  return true;
}

}  // namespace vrender
