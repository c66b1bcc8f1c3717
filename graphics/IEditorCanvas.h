#pragma once

// What the plug-in core needs of the editor canvas. The core owns the canvas once it is
// attached and deletes it through this interface.
class IEditorCanvas
{
public:
  virtual ~IEditorCanvas() {}

  // Shows a parameter's value in every control bound to paramIndex; value is normalised
  // (0..1) when normalized is true, else in the parameter's real units.
  virtual void PushParamToControls(int paramIndex, double value, bool normalized) = 0;
  // Creates the back buffer; called once when the canvas is attached.
  virtual void PrepareDrawing() = 0;
};
