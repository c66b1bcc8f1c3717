#include "vst/IPlugVSTEntry.h"

#include <mutex>

namespace
{
// Created on first use and destroyed when the library unloads; initialisation of a
// function-local static is thread-safe, so even two first calls at once are serialised.
std::mutex& CreationLock()
{
  static std::mutex lock;
  return lock;
}
}  // namespace

AEffect* IPlugVSTCreate(audioMasterCallback host, IPlugVSTFactory make)
{
  if (!make) return nullptr;
  try
  {
    std::lock_guard<std::mutex> hold(CreationLock());
    IPlugVST* plug = make(host);
    if (!plug) return nullptr;
    plug->FillUnsetPresets();
    AEffect* effect = plug->GetAEffect();
    if (effect->numPrograms < 1) effect->numPrograms = 1;
    return effect;
  }
  catch (...)
  {
    // Allocation or construction failed; the host only learns that no instance exists.
    return nullptr;
  }
}
