// The Linux module's exports: VSTPluginMain, and the same code under the name "main" that
// older Linux hosts look for. Everything else stays hidden (version script).
#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"

// any host thread; creation lock taken inside
extern "C" VOSS_VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
  return IPlugVSTCreate(host, &MakeVossamere2);
}

// "main" cannot be declared as a C++ function of this type, so the alias gets its symbol
// name from an assembler label.
extern "C" VOSS_VST_EXPORT AEffect* VSTPluginMainAsMain(audioMasterCallback host)
    __asm__("main") __attribute__((alias("VSTPluginMain")));
