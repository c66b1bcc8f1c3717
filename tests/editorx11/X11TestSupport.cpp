#include "tests/editorx11/X11TestSupport.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/IX11ErrorTrap.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Longest a single GUI test may run before the watchdog ends the process; ctest's own
// timeout is far longer, and a test stuck in a modal loop must not hold the whole run.
constexpr int kWatchdogSeconds = 120;

class X11Environment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    watchdog = std::thread([this] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWatchdogSeconds);
      while (!done.load())
      {
        if (std::chrono::steady_clock::now() > deadline)
        {
          std::fprintf(stderr, "editorx11 watchdog: test still running after %d s, ending it\n", kWatchdogSeconds);
          std::fflush(stderr);
          _exit(3);  // Xvfb follows (parent-death signal)
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    });
    name = server.Start(24);
    ASSERT_FALSE(name.empty()) << "Xvfb did not start";
    setenv("DISPLAY", name.c_str(), 1);
  }
  void TearDown() override
  {
    server.Stop();
    done = true;
    if (watchdog.joinable()) watchdog.join();
  }

  XvfbServer server;
  std::string name;
  std::thread watchdog;
  std::atomic<bool> done{false};
};

X11Environment* environment = static_cast<X11Environment*>(::testing::AddGlobalTestEnvironment(new X11Environment));

KeyCode CodeOf(Display* display, unsigned long keysym)
{
  return XKeysymToKeycode(display, (KeySym)keysym);
}
}  // namespace

const std::string& TestDisplayName()
{
  return environment->name;
}

Window CreateHostWindow(Display* display, int x, int y, int width, int height)
{
  const int screen = DefaultScreen(display);
  Window w = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, (unsigned)width, (unsigned)height, 0,
                                 BlackPixel(display, screen), 0x336699);
  XSelectInput(display, w, StructureNotifyMask);
  XMapWindow(display, w);
  XSync(display, False);
  return w;
}

void MovePointer(Display* display, Window window, int x, int y)
{
  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rx, &ry, &child);
  XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, 0);
  XSync(display, False);
}

void PressButton(Display* display, unsigned button)
{
  XTestFakeButtonEvent(display, button, True, 0);
  XSync(display, False);
}

void ReleaseButton(Display* display, unsigned button)
{
  XTestFakeButtonEvent(display, button, False, 0);
  XSync(display, False);
}

void Click(Display* display, Window window, int x, int y, unsigned button)
{
  MovePointer(display, window, x, y);
  PressButton(display, button);
  ReleaseButton(display, button);
}

void HoldKey(Display* display, unsigned long keysym, bool down)
{
  XTestFakeKeyEvent(display, CodeOf(display, keysym), down ? True : False, 0);
  XSync(display, False);
}

void TapKey(Display* display, unsigned long keysym)
{
  HoldKey(display, keysym, true);
  HoldKey(display, keysym, false);
}

void TypeText(Display* display, const char* text)
{
  for (const char* p = text; *p; ++p)
  {
    unsigned long keysym = 0;
    if (*p >= '0' && *p <= '9') keysym = XK_0 + (unsigned long)(*p - '0');
    else if (*p >= 'a' && *p <= 'z') keysym = XK_a + (unsigned long)(*p - 'a');
    else if (*p == '-') keysym = XK_minus;
    else if (*p == '.') keysym = XK_period;
    else if (*p == ' ') keysym = XK_space;
    if (keysym) TapKey(display, keysym);
  }
}

std::vector<uint32_t> ReadScreen(Display* display, Window window, int x, int y, int width, int height)
{
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display, window, x, y, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.resize((size_t)width * (size_t)height);
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) pixels[(size_t)j * width + i] = (uint32_t)XGetPixel(image, i, j) & 0xFFFFFF;
  XDestroyImage(image);
  return pixels;
}

std::vector<uint32_t> Crop(const std::vector<uint32_t>& image, int width, int left, int top, int right, int bottom)
{
  std::vector<uint32_t> out;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) out.push_back(image[(size_t)y * width + x]);
  return out;
}

std::vector<Window> ChildrenOf(Display* display, Window window)
{
  std::vector<Window> out;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count))
  {
    out.assign(children, children + count);
    if (children) XFree(children);
  }
  return out;
}

std::vector<Window> PopupWindows(Display* display)
{
  std::vector<Window> out;
  // A menu may close between the query and the look at it.
  IX11ErrorTrap trap(display);
  for (Window w : ChildrenOf(display, DefaultRootWindow(display)))
  {
    XWindowAttributes a;
    if (XGetWindowAttributes(display, w, &a) && a.override_redirect && a.map_state == IsViewable) out.push_back(w);
  }
  return out;
}

bool MenuIsUp(Display* display)
{
  if (PopupWindows(display).size() != 1) return false;
  const Window root = DefaultRootWindow(display);
  bool grabbed = true;
  if (XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess)
  {
    XUngrabPointer(display, CurrentTime);
    grabbed = false;
  }
  if (XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
  {
    XUngrabKeyboard(display, CurrentTime);
    grabbed = false;
  }
  XSync(display, False);
  return grabbed;
}

namespace
{
int CountEntries(const char* folder)
{
  DIR* dir = opendir(folder);
  if (!dir) return -1;
  int n = 0;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++n;
  closedir(dir);
  return n;
}
}  // namespace

int CountOpenFiles()
{
  return CountEntries("/proc/self/fd");
}

int CountThreads()
{
  return CountEntries("/proc/self/task");
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition())
  {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

HostIdleThread::HostIdleThread(std::function<void()> t, int period) : tick(std::move(t)), periodMs(period)
{
  thread = std::thread([this] {
    while (!stop.load())
    {
      tick();
      ++calls;
      std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
    }
  });
}

void HostIdleThread::Stop()
{
  stop = true;
  if (thread.joinable()) thread.join();
}
