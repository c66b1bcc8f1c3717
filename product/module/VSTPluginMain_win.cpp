// The Windows module's export: VSTPluginMain, also exported as "main" by Vossamere2.def.
#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"
#include "raster/RasterResource.h"

#include <windows.h>

// loader lock held: only records the handle the image resources are looked up in
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
  if (reason == DLL_PROCESS_ATTACH) RasterSetModuleHandle(instance);
  return TRUE;
}

// any host thread; creation lock taken inside
extern "C" AEffect* VSTPluginMain(audioMasterCallback host)
{
  return IPlugVSTCreate(host, &MakeVossamere2);
}
