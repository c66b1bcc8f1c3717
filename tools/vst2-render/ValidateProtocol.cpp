#include "tools/vst2-render/Validate.h"

namespace vrender {

namespace {

std::string Clean(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return out;
}

}  // namespace

CheckSink ChildProtocolSink(void (*write)(const std::string& line)) {
  CheckSink sink;
  sink.starting = [write](const std::string& name) { write("S\t" + Clean(name) + "\n"); };
  sink.step = [write](const std::string& what) { write("T\t" + Clean(what) + "\n"); };
  sink.result = [write](const CheckResult& r) {
    const char status = r.status == CheckStatus::Pass ? 'P' : r.status == CheckStatus::Fail ? 'F' : 'S';
    write(std::string("R\t") + status + "\t" + Clean(r.name) + "\t" + Clean(r.detail) + "\n");
  };
  return sink;
}

void ReadChildProtocolLine(const std::string& raw, const CheckSink& sink, std::string& running,
                           std::string& step, std::set<std::string>& done) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.compare(0, 2, "S\t") == 0) {
    running = line.substr(2);
    step.clear();
    if (sink.starting) sink.starting(running);
  } else if (line.compare(0, 2, "T\t") == 0) {
    step = line.substr(2);
  } else if (line.compare(0, 2, "R\t") == 0 && line.size() > 4) {
    CheckResult r;
    r.status = line[2] == 'P' ? CheckStatus::Pass : line[2] == 'F' ? CheckStatus::Fail : CheckStatus::Skip;
    const size_t tab = line.find('\t', 4);
    r.name = line.substr(4, tab == std::string::npos ? std::string::npos : tab - 4);
    if (tab != std::string::npos) r.detail = line.substr(tab + 1);
    done.insert(r.name);
    running.clear();
    sink.result(r);
  }
}

}  // namespace vrender
