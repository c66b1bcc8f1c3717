#include "tests/render/ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {
std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

std::string NativePath(const std::string& buildPath) { return buildPath; }

ToolResult RunTool(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  ToolResult result;
  const std::string base = std::string(VOSS_RENDER_WORK_DIR) + "/tool-" + std::to_string(getpid());
  const std::string outPath = base + ".out", errPath = base + ".err";
  std::vector<std::string> all = {VOSS_RENDER_TOOL};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  std::vector<std::string> variables;
  for (char** v = environ; *v; ++v) {
    const std::string entry = *v;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = name == "DISPLAY";
    for (const std::string& e : environment) replaced = replaced || e.compare(0, name.size() + 1, name + "=") == 0;
    if (!replaced) variables.push_back(entry);
  }
  variables.insert(variables.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& v : variables) envp.push_back(&v[0]);
  envp.push_back(nullptr);
  const int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  // A crash shows as a status no normal exit gives.
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return result;
}
