// The Windows module's export: VSTPluginMain, also exported as "main" by Vossamere2.def.
#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"
#include "raster/RasterResource.h"

#include <windows.h>

namespace __gnu_cxx
{
void __freeres() noexcept;
}

// loader lock held: records the handle the image resources are looked up in, and at unload
// gives back the emergency exception arena the statically linked C++ runtime allocates when
// the module loads (some 72 KB a load, which a host that loads and unloads plug-ins, as
// scanners do, would otherwise lose each time)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
  if (reason == DLL_PROCESS_ATTACH) RasterSetModuleHandle(instance);
  if (reason == DLL_PROCESS_DETACH && !reserved) __gnu_cxx::__freeres();
  return TRUE;
}

// any host thread; creation lock taken inside
extern "C" AEffect* VSTPluginMain(audioMasterCallback host)
{
  return IPlugVSTCreate(host, &MakeVossamere2);
}
