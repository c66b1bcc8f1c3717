// How the adapter reaches the editor canvas for the host's editor requests: the panel size
// for the editor rectangle, and the window. The canvas interface the core holds does not
// carry a window yet, so an attached canvas reports no size and opens no window; the
// dispatcher then answers the editor opcodes with their failure values.
#include "graphics/IEditorCanvas.h"
#include "vst/IPlugVST.h"

bool IPlugVST::EditorPanelSize(int* width, int* height) const
{
  (void)width;
  (void)height;
  return false;
}

bool IPlugVST::EditorOpenWindow(void* parent)
{
  (void)parent;
  return false;
}

void IPlugVST::EditorCloseWindow()
{
}
