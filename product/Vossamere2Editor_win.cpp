// The panel's window on Windows: a Win32 child window, the images from the DLL's resources.
#include "platform/win/IEditorWindowWin.h"
#include "product/Vossamere2.h"
#include "raster/RasterResource.h"

#include <new>

IEditorCanvas* Vossamere2::MakeEditorWindow()
{
  IEditorWindowWin* window = new (std::nothrow) IEditorWindowWin(this, kEditorWidth, kEditorHeight, 0);
  // The handle DllMain recorded when the system loaded the library.
  if (window) window->SetModuleHandle(RasterGetModuleHandle());
  return window;
}
