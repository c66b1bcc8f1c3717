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
  bool Open(const std::string& path);
  int Run();
  void Close();

  static bool IsLoaded(const std::string& path);
  static Usage Measure();

private:
  void* handle = nullptr;
  int (*run)() = nullptr;
};
