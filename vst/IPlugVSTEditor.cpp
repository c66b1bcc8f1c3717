// How the adapter reaches the editor canvas for the host's editor requests: the panel size
// for the editor rectangle, and the window.
#include "graphics/IEditorCanvas.h"
#include "vst/IPlugVST.h"

bool IPlugVST::EditorPanelSize(int* width, int* height) const
{
  const IEditorCanvas* canvas = GetEditor();
  if (!canvas) return false;
  *width = canvas->GetWidth();
  *height = canvas->GetHeight();
  return true;
}

bool IPlugVST::EditorOpenWindow(void* parent)
{
  IEditorCanvas* canvas = GetEditor();
  return canvas && canvas->OpenWindow(parent) != nullptr;
}

void IPlugVST::EditorCloseWindow()
{
  if (IEditorCanvas* canvas = GetEditor()) canvas->CloseWindow();
}
