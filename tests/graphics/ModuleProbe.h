#pragma once

#include <string>

// Loads and unloads the cache module and measures the process around it (per platform).
class ModuleProbe
{
public:
  struct Usage
  {
    long long heapBytes;  // heap in use (Linux) or private bytes committed (Windows)
    long long gdiObjects; // GDI objects of the process where the system counts them, else 0
  };

  ~ModuleProbe() { Close(); }
  // Loads path and finds symbol, a function taking nothing and answering an int.
  bool Open(const std::string& path, const char* symbol = "VossCacheModuleRun");
  int Run();
  void Close();

  static bool IsLoaded(const std::string& path);
  static Usage Measure();

private:
  void* handle = nullptr;
  int (*run)() = nullptr;
};
