// The Windows module's export: VSTPluginMain, also exported as "main" by Vossamere2.def.
#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"

// any host thread; creation lock taken inside
extern "C" AEffect* VSTPluginMain(audioMasterCallback host)
{
  return IPlugVSTCreate(host, &MakeVossamere2);
}
