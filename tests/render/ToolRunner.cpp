#include "tests/render/ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

std::string ScratchFolder() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scratch";
  fs::path folder = fs::path(NativePath(VOSS_RENDER_WORK_DIR)) / name;
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  fs::create_directories(folder);
  std::string text = folder.string();
  return text + static_cast<char>(fs::path::preferred_separator);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

double JsonNumber(const std::string& json, const std::string& key) {
  const std::string needle = "\"" + key + "\":";
  const size_t at = json.find(needle);
  if (at == std::string::npos) return std::nan("");
  const char* start = json.c_str() + at + needle.size();
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  return end == start ? std::nan("") : v;
}

std::string Vossamere2Plugin() {
#ifdef VOSS_RENDER_PLUGIN
  const std::string path = NativePath(VOSS_RENDER_PLUGIN);
  std::error_code ignored;
  return fs::exists(fs::path(path), ignored) ? path : std::string();
#else
  return std::string();
#endif
}

std::string FixturePlugin(const std::string& name) {
  return NativePath(std::string(VOSS_RENDER_FIXTURE_DIR) + "/" + name + "Plugin" + VOSS_RENDER_FIXTURE_SUFFIX);
}
