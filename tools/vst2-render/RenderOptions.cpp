#include "tools/vst2-render/RenderOptions.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

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

// A value the tool refuses: the message is reported as it stands.
[[noreturn]] void Refuse(const std::string& message) { throw CLI::ValidationError(message); }

// The help text's head: one usage line per kind of work.
class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override {
    return "usage: vst2-render [--plugin PATH] --in FILE [--out FILE] [options]\n"
           "       vst2-render [--plugin PATH] --list [--json] [options]\n"
           "       vst2-render [--plugin PATH] --response FILE.png [--response-csv FILE.csv] [options]\n"
           "       vst2-render [--plugin PATH] --editor-png FILE.png [--mono] [options]\n"
           "       vst2-render [--plugin PATH] --validate [--level 1..10] [--seed N] [--json]\n"
           "       vst2-render --demo FILE\n"
           "       vst2-render --compare FILE_A FILE_B [--json]\n";
  }
};

// Declares every option on 'app', storing into 'o'. Each value is handled as it is met on
// the command line, so --set and --param keep their order and the first bad value is the
// one reported. CLI11 hands values over unchecked; the checks and messages are ours.
void DeclareOptions(CLI::App& app, RenderOptions& o) {
  app.set_help_flag();
  app.allow_extras();                      // reported below as "unknown option"
  app.allow_windows_style_options(false);  // "/path" is a path on both systems
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.formatter(std::make_shared<UsageFormatter>());
  app.get_formatter()->column_width(25);
  app.footer(
      "A mono file feeds every input of a multi-input plug-in; otherwise the file's channel\n"
      "count must match the plug-in's inputs.");

  using Handler = std::function<void(const std::string&)>;
  auto value = [&app](const char* name, const char* type, const char* help, Handler handler) {
    return app.add_option_function<std::string>(name, std::move(handler), help)
        ->type_name(type)
        ->trigger_on_parse();
  };
  auto text = [&value](const char* name, const char* type, const char* help, std::string& field) {
    return value(name, type, help, [&field](const std::string& v) { field = v; });
  };
  auto flag = [&app](const char* name, const char* help, bool& field) {
    return app.add_flag(name, field, help);
  };

  flag("-h,--help", "print this help and exit", o.help);
  text("--plugin", "PATH", "VST 2 plug-in library (default: the Vossamere2 built beside this tool)",
       o.pluginPath);
  text("--in", "FILE", "audio to process (WAV, AIFF, FLAC; the Windows build reads WAV)", o.inPath);
  text("--out", "FILE", "where to write the result (.wav, .aiff, .flac)", o.outPath);
  value("--out-format", "F", "pcm16, pcm24, pcm32, float or double (default float; pcm24 for FLAC)",
        [&o](const std::string& v) {
          o.formatGiven = true;
          if (!ParseSampleFormat(v, o.outFormat))
            Refuse("--out-format expects pcm16, pcm24, pcm32, float or double, got '" + v + "'");
        });
  value("--set", "NAME=TEXT", "set a parameter by name from its display text (repeatable)",
        [&o](const std::string& v) {
          ParameterSetting s;
          if (!SplitAssignment(v, s.name, s.text)) Refuse("--set expects NAME=TEXT, got '" + v + "'");
          o.settings.push_back(s);
        });
  value("--param", "INDEX=VALUE", "set a parameter by index to a normalised value 0..1 (repeatable)",
        [&o](const std::string& v) {
          ParameterSetting s;
          s.byName = false;
          std::string key, number;
          if (!SplitAssignment(v, key, number) || !ParseInt(key, 0, 1000000, s.index) ||
              !ParseDouble(number, s.value) || s.value < 0.0 || s.value > 1.0)
            Refuse("--param expects INDEX=VALUE with VALUE between 0 and 1, got '" + v + "'");
          s.text = number;
          o.settings.push_back(s);
        });
  value("--program", "N", "select program N before the parameters are set", [&o](const std::string& v) {
    if (!ParseInt(v, 0, 1000000, o.program)) Refuse("--program expects a program number, got '" + v + "'");
  });
  value("--block", "N", "block size in frames, 1..65536 (default 512)", [&o](const std::string& v) {
    if (!ParseInt(v, 1, 65536, o.blockSize))
      Refuse("--block expects a frame count from 1 to 65536, got '" + v + "'");
  });
  value("--precision", "P",
        "64, 32 or accumulate: which block callback renders\n"
        "(default 64 when the plug-in offers it, else 32)",
        [&o](const std::string& v) {
          o.precisionGiven = true;
          if (v == "64") o.precision = Precision::Double64;
          else if (v == "32") o.precision = Precision::Float32;
          else if (v == "accumulate") o.precision = Precision::Accumulate32;
          else Refuse("--precision expects 64, 32 or accumulate, got '" + v + "'");
        });
  value("--rate", "HZ", "sample rate when no input file gives one (default 44100)", [&o](const std::string& v) {
    if (!ParseDouble(v, o.sampleRate) || o.sampleRate < 1000.0 || o.sampleRate > 1536000.0)
      Refuse("--rate expects a sample rate from 1000 to 1536000 Hz, got '" + v + "'");
  });
  text("--load-state", "FILE", "restore a state saved with --save-state (.fxp or .fxb)", o.loadStatePath);
  text("--save-state", "FILE", "save the plug-in's state chunk after rendering", o.saveStatePath);
  flag("--bank", "save the whole bank (.fxb) instead of the current program", o.bank);
  flag("--list", "print the plug-in's record, parameters and programs", o.list);
  flag("--json", "print everything as one JSON object on standard output", o.json);
  text("--response", "FILE",
       "measure the frequency response of every input -> output pair and plot it (PNG)", o.responsePath);
  text("--response-csv", "FILE", "write the measured response as CSV (with or without --response)",
       o.responseCsvPath);
  text("--editor-png", "FILE",
       "open the plug-in's editor in a window, let it run a few ticks and save its picture (PNG)",
       o.editorPngPath);
  flag("--mono", "for --editor-png: connect one output only and process one block first", o.mono);
  text("--demo", "FILE", "write the built-in stereo demo signal and exit", o.demoPath);
  flag("--validate", "run the plug-in torture test: PASS, FAIL or SKIP per check", o.validate);
  value("--level", "N", "--validate strictness 1..10: more repeats and randomness (default 5)",
        [&o](const std::string& v) {
          o.levelGiven = true;
          if (!ParseInt(v, 1, 10, o.level)) Refuse("--level expects a number from 1 to 10, got '" + v + "'");
        });
  value("--seed", "N", "--validate random seed, to repeat a run (default: drawn and printed)",
        [&o](const std::string& v) {
          char* end = nullptr;
          errno = 0;
          const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
          if (v.empty() || v[0] == '-' || errno != 0 || *end != '\0')
            Refuse("--seed expects a non-negative whole number, got '" + v + "'");
          o.seed = n;
          o.seedGiven = true;
        });
  // Where groups run in child processes of the program (Windows), the parent names the group
  // and the checks already done. Not for people: left out of the help.
  text("--validate-child", "GROUP", "", o.validateChild)->group("");
  app.add_option_function<std::pair<std::string, std::string>>(
         "--compare",
         [&o](const std::pair<std::string, std::string>& files) {
           o.compareA = files.first;
           o.compareB = files.second;
         },
         "print the largest sample difference between two files")
      ->type_name("A B")
      ->trigger_on_parse();
}

// CLI11's own line for an option whose values ran out names the option first ("--in: ...").
std::string MissingValueMessage(const CLI::App& app, const std::string& what) {
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name();
    if (!name.empty() && what.compare(0, name.size() + 1, name + ":") == 0)
      return name == "--compare" ? "--compare needs two files" : "option " + name + " needs a value";
  }
  return what;
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

std::string RenderUsage() {
  RenderOptions ignored;
  CLI::App app;
  DeclareOptions(app, ignored);
  return app.help();
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error) {
  options = RenderOptions();
  CLI::App app;
  DeclareOptions(app, options);
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& e) {
    error = OneLine(MissingValueMessage(app, e.what()));
    return false;
  } catch (const CLI::Error& e) {
    error = OneLine(e.what());
    return false;
  }
  if (!app.remaining().empty()) {
    error = "unknown option '" + app.remaining().front() + "' (see --help)";
    return false;
  }

  if (options.help) return true;
  const bool demo = !options.demoPath.empty();
  const bool compare = !options.compareA.empty();
  const bool hostWork = !options.inPath.empty() || !options.outPath.empty() || options.list ||
                        !options.saveStatePath.empty() || !options.responsePath.empty() ||
                        !options.responseCsvPath.empty() || !options.editorPngPath.empty();
  if (demo + compare + hostWork + options.validate > 1) {
    error = "--demo, --compare, --validate and plug-in work cannot be combined in one call";
    return false;
  }
  if ((options.levelGiven || options.seedGiven) && !options.validate) {
    error = "--level and --seed apply to --validate only";
    return false;
  }
  if (!demo && !compare && !hostWork && !options.validate) {
    error = "nothing to do: give --in, --list, --response, --editor-png, --save-state, --validate, --demo or --compare (see --help)";
    return false;
  }
  if (!options.outPath.empty() && options.inPath.empty()) {
    error = "--out needs an input file (--in)";
    return false;
  }
  if (options.mono && options.editorPngPath.empty()) {
    error = "--mono applies to --editor-png only";
    return false;
  }
  if (options.bank && options.saveStatePath.empty()) {
    error = "--bank applies to --save-state only";
    return false;
  }
  return true;
}

}  // namespace vrender
