// The panel's window on Linux: an Xlib child window of the host's, the images from the
// table embedded in the shared object (found through its load address).
#include "platform/linux/IEditorWindowX11.h"
#include "product/Vossamere2.h"

#include <new>

IEditorCanvas* Vossamere2::MakeEditorWindow()
{
  return new (std::nothrow) IEditorWindowX11(this, kEditorWidth, kEditorHeight, 0);
}
