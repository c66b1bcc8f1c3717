// The Linux editor's desktop prompts (colour, file, web) through zenity and xdg-open, and
// the two path queries.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/IPixelColor.h"
#include "platform/linux/IEditorWindowX11.h"
#include "platform/linux/IX11ErrorTrap.h"
#include "plugin/IText.h"

extern char** environ;

namespace
{
constexpr int kHelperPollMs = 40;

std::string FindOnPath(const char* program)
{
  const char* path = std::getenv("PATH");
  if (!program || !path) return std::string();
  std::string dirs(path);
  size_t start = 0;
  while (start <= dirs.size())
  {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start);
    if (candidate.empty()) candidate = ".";
    candidate += "/";
    candidate += program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::string();
}

// The folder part of a path, ending in "/", or "" when it has none.
std::string FolderOf(const std::string& path)
{
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

std::string Trimmed(std::string text)
{
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int HexValue(const std::string& text, size_t at, size_t digits)
{
  int v = 0;
  for (size_t i = 0; i < digits; ++i)
  {
    const char c = text[at + i];
    v *= 16;
    if (c >= '0' && c <= '9') v += c - '0';
    else if (c >= 'a' && c <= 'f') v += c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v += c - 'A' + 10;
    else return -1;
  }
  return v;
}

// What GTK colour choosers print: "rgb(r,g,b)", "rgba(r,g,b,a)", "#rrggbb" or "#rrrrggggbbbb".
bool ParseColour(const std::string& text, int* r, int* g, int* b)
{
  int cr = -1, cg = -1, cb = -1;
  double alpha = 0.0;
  if (std::sscanf(text.c_str(), "rgba(%d,%d,%d,%lf)", &cr, &cg, &cb, &alpha) >= 3 ||
      std::sscanf(text.c_str(), "rgb(%d,%d,%d)", &cr, &cg, &cb) == 3)
  {
  }
  else if (text.size() == 7 && text[0] == '#')
  {
    cr = HexValue(text, 1, 2);
    cg = HexValue(text, 3, 2);
    cb = HexValue(text, 5, 2);
  }
  else if (text.size() == 13 && text[0] == '#')
  {
    cr = HexValue(text, 1, 4) >> 8;
    cg = HexValue(text, 5, 4) >> 8;
    cb = HexValue(text, 9, 4) >> 8;
  }
  if (cr < 0 || cr > 255 || cg < 0 || cg > 255 || cb < 0 || cb > 255) return false;
  *r = cr;
  *g = cg;
  *b = cb;
  return true;
}

std::string DesktopFolder()
{
  const char* home = std::getenv("HOME");
  if (!home || !*home) return std::string();
  std::string desktop = std::string(home) + "/Desktop";
  struct stat info;
  if (stat(desktop.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return desktop + "/";
  return std::string(home) + "/";
}

void PluginPathAnchor() {}
}  // namespace

void IEditorWindowX11::GetHostPath(IText* out)
{
  if (!out) return;
  out->Set("");
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return;
  path[n] = 0;
  out->Set(FolderOf(path).c_str());
}

void IEditorWindowX11::GetPluginPath(IText* out)
{
  if (!out) return;
  out->Set("");
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&PluginPathAnchor), &info) || !info.dli_fname) return;
  char resolved[PATH_MAX];
  const char* path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  out->Set(FolderOf(path).c_str());
}

bool IEditorWindowX11::RunHelper(const char* const* argv, std::string* output)
{
  const std::string program = FindOnPath(argv[0]);
  if (program.empty()) return false;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0)
  {
    close(fds[0]);
    return false;
  }

  std::lock_guard<std::recursive_mutex> hold(editorLock);
  // Modal like a system dialog: the panel stays drawn, its input waits, and nothing holds
  // the instance lock meanwhile.
  const bool hadLock = instanceLockDepth > 0;
  ReleaseInstanceLock();
  const bool wasInTick = inTick;
  inTick = true;
  bool killed = false;
  for (;;)
  {
    Display* display = GetConnectionDisplay();
    pollfd waits[2] = {{fds[0], POLLIN, 0}, {display ? ConnectionNumber(display) : -1, POLLIN, 0}};
    const int ready = poll(waits, display ? 2 : 1, kHelperPollMs);
    if (ready < 0 && errno != EINTR) break;
    if (waits[0].revents & (POLLIN | POLLHUP | POLLERR))
    {
      char buffer[512];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n > 0)
      {
        if (output && output->size() < 65536) output->append(buffer, (size_t)n);
      }
      else if (n == 0 || errno != EINTR)
      {
        break;
      }
    }
    if (display)
    {
      IX11ErrorTrap trap(display);
      while (XPending(display))
      {
        XEvent event;
        XNextEvent(display, &event);
        ModalEvent(event);
      }
      if (!ModalIdle() && !killed && closing)
      {
        kill(pid, SIGTERM);  // the editor is closing: the question is moot
        killed = true;
      }
    }
  }
  close(fds[0]);
  int status = 0;
  pid_t reaped;
  do
  {
    reaped = waitpid(pid, &status, 0);
  } while (reaped < 0 && errno == EINTR);
  inTick = wasInTick;
  havePress = false;
  if (hadLock) AcquireInstanceLock();
  if (killed || closing) return false;
  // A host that reaps every child itself leaves us no status: the answer is then what the
  // helper printed.
  if (reaped < 0) return output && !output->empty();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IEditorWindowX11::PromptForColour(IPixelColor* colour, const char* title)
{
  if (!colour) return false;
  {
    std::lock_guard<std::recursive_mutex> hold(editorLock);
    if (!conn) return false;
  }
  char start[64];
  std::snprintf(start, sizeof start, "--color=rgb(%d,%d,%d)", colour->red & 0xFF, colour->green & 0xFF,
                colour->blue & 0xFF);
  const std::string titleArg = std::string("--title=") + (title ? title : "");
  std::vector<const char*> argv = {"zenity", "--color-selection", start};
  if (title && *title) argv.push_back(titleArg.c_str());
  argv.push_back(nullptr);
  std::string output;
  if (!RunHelper(argv.data(), &output)) return false;
  int r = 0, g = 0, b = 0;
  if (!ParseColour(Trimmed(output), &r, &g, &b)) return false;
  colour->red = r;
  colour->green = g;
  colour->blue = b;
  return true;
}

void IEditorWindowX11::PromptForFile(IText* out, int action, IText* directory, const char* extensions)
{
  if (!out) return;
  {
    std::lock_guard<std::recursive_mutex> hold(editorLock);
    if (!conn)
    {
      out->Set("");
      return;
    }
  }
  const std::string initialName = out->Get();
  if (directory && directory->IsEmpty()) directory->Set(DesktopFolder().c_str());
  std::string folder = directory ? directory->Get() : "";
  if (!folder.empty() && folder.back() != '/') folder += '/';

  // "a b" filters "*.a *.b"; the first extension is the default one of a saved file.
  std::vector<std::string> exts;
  if (extensions)
  {
    std::string list(extensions);
    size_t start = 0;
    while (start < list.size())
    {
      size_t end = list.find(' ', start);
      if (end == std::string::npos) end = list.size();
      if (end > start) exts.push_back(list.substr(start, end - start));
      start = end + 1;
    }
  }
  std::string patterns, description;
  for (const std::string& e : exts)
  {
    if (!patterns.empty())
    {
      patterns += ' ';
      description += ';';
    }
    patterns += "*." + e;
    description += "*." + e;
  }
  const std::string filenameArg = "--filename=" + folder + initialName;
  const std::string filterArg = "--file-filter=" + description + " | " + patterns;
  std::vector<const char*> argv = {"zenity", "--file-selection", filenameArg.c_str()};
  if (action == 1)
  {
    argv.push_back("--save");
    argv.push_back("--confirm-overwrite");
  }
  if (!exts.empty()) argv.push_back(filterArg.c_str());
  argv.push_back(nullptr);

  if (FindOnPath("zenity").empty())
  {
    out->Set("");
    return;
  }
  std::string output;
  if (!RunHelper(argv.data(), &output)) return;  // cancelled: the initial name stays
  std::string chosen = Trimmed(output);
  if (chosen.empty()) return;
  if (action == 1 && !exts.empty())
  {
    const size_t slash = chosen.rfind('/');
    const std::string base = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    if (base.find('.') == std::string::npos) chosen += "." + exts[0];
  }
  out->Set(chosen.c_str());
  if (directory) directory->Set(FolderOf(chosen).c_str());
}

bool IEditorWindowX11::OpenUrl(const char* url, const char* title, const char* confirmText, const char* errorText)
{
  if (!url || !*url) return false;
  const std::string titleArg = std::string("--title=") + (title ? title : "");
  if (confirmText && *confirmText)
  {
    const std::string text = std::string("--text=") + confirmText;
    const char* argv[] = {"zenity", "--question", "--no-markup", titleArg.c_str(), text.c_str(), nullptr};
    if (!RunHelper(argv, nullptr)) return false;  // "no", or nobody to ask
  }
  // xdg-open may stay until the browser it started exits; waiting five seconds for its
  // answer is enough to know it found one, after which it is left to run on its own.
  static const char* const waitScript =
    "xdg-open \"$1\" >/dev/null 2>&1 & p=$!; i=0;"
    " while kill -0 $p 2>/dev/null; do i=$((i+1)); [ $i -ge 50 ] && exit 0; sleep 0.1; done;"
    " wait $p";
  if (!FindOnPath("xdg-open").empty())
  {
    const char* argv[] = {"sh", "-c", waitScript, "sh", url, nullptr};
    if (RunHelper(argv, nullptr)) return true;
  }
  if (errorText && *errorText)
  {
    const std::string text = std::string("--text=") + errorText;
    const char* argv[] = {"zenity", "--error", "--no-markup", titleArg.c_str(), text.c_str(), nullptr};
    RunHelper(argv, nullptr);
  }
  return false;
}
