// The control registry and the redraw pass.
#include "graphics/IEditorCanvas.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IControl.h"
#include "plugin/IPlugBase.h"
#include "raster/RasterSysBitmap.h"

#include <new>

IEditorCanvas::IEditorCanvas(IPlugBase* plugIn, int w, int h, int fps)
  : plug(plugIn), width(w), height(h), framesPerSecond(fps > 0 ? fps : 25)
{
}

IEditorCanvas::~IEditorCanvas()
{
  for (int i = controls.GetCount() - 1; i >= 0; --i) delete controls.Get(i);
  delete backBuffer;
  backBuffer = nullptr;
  controls.Clear();
}

void IEditorCanvas::Resize(int w, int h)
{
  width = w;
  height = h;
  captureIndex = -1;
  lastMouseX = -1;
  if (plug) plug->RefreshEditorRect();
  for (int i = 0; i < controls.GetCount(); ++i) controls.Get(i)->MarkDirty(false);
}

bool IEditorCanvas::IsWindowOpen()
{
  return GetWindow() != nullptr;
}

const char* IEditorCanvas::ReservedTextQuery()
{
  return "";
}

void* IEditorCanvas::ReservedHandleQuery()
{
  return nullptr;
}

void IEditorCanvas::ReservedHookA() {}

void IEditorCanvas::ReservedHookB() {}

void IEditorCanvas::OnHostIdle() {}

void IEditorCanvas::PushParamToControls(int paramIndex, double value, bool normalized)
{
  if (!normalized)
  {
    const IPlugParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
    if (!param) return;  // a real value needs a parameter to normalise it
    value = param->NormalizeValue(value);
  }
  for (int i = 0; i < controls.GetCount(); ++i)
  {
    IControl* control = controls.Get(i);
    if (control->GetParamIndex() == paramIndex) control->ApplyParamValue(value);
  }
}

void IEditorCanvas::PrepareDrawing()
{
  if (!backBuffer) backBuffer = new (std::nothrow) RasterSysBitmap(width, height);
}

int IEditorCanvas::AttachControl(IControl* control)
{
  if (!control) return -1;
  if (!controls.Add(control))
  {
    delete control;
    return -1;
  }
  return controls.GetCount() - 1;
}

void IEditorCanvas::AttachBackground(int resourceId, const char* name)
{
  const IBitmapRef bitmap = LoadBitmap(resourceId, name, 1);
  const IBlendSpec replace(BlendReplace, 1.0f);
  IControl* background = new (std::nothrow) IBitmapControl(plug, 0, 0, -1, bitmap, &replace);
  if (background && !controls.Insert(0, background)) delete background;
}

void IEditorCanvas::MarkAllControlsDirty()
{
  for (int i = 0; i < controls.GetCount(); ++i) controls.Get(i)->MarkDirty(false);
}

bool IEditorCanvas::CollectDirtyArea(IPixelRect* rect)
{
  if (!rect) return false;
  bool dirty = false;
  for (int i = 0; i < controls.GetCount(); ++i)
  {
    IControl* control = controls.Get(i);
    if (!control->IsDirty()) continue;
    dirty = true;
    const IPixelRect& b = control->GetBounds();
    if (rect->IsEmpty())
    {
      *rect = b;
    }
    else if (!b.IsEmpty())
    {
      if (b.left < rect->left) rect->left = b.left;
      if (b.top < rect->top) rect->top = b.top;
      if (b.right > rect->right) rect->right = b.right;
      if (b.bottom > rect->bottom) rect->bottom = b.bottom;
    }
  }
  return dirty;
}

bool IEditorCanvas::RedrawArea(const IPixelRect& rect)
{
  if (controls.GetCount() == 0) return true;
  drawClip = rect;
  const bool area = !rect.IsEmpty();
  for (int i = 0; i < controls.GetCount(); ++i)
  {
    IControl* control = controls.Get(i);
    const IPixelRect& b = control->GetBounds();
    // The area's right and bottom edges count as overlapping: a control that only touches
    // them is asked to draw and is clipped to nothing.
    if (area && !control->IsHidden() && !b.IsEmpty() && rect.right >= b.left && rect.left < b.right &&
        rect.bottom >= b.top && rect.top < b.bottom)
      control->Render(this);
    control->MarkClean();
  }
  return PresentArea(rect);
}
