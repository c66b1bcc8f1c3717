#pragma once

#include <string>
#include <vector>

#include "graphics/IEditorCanvas.h"
#include "graphics/IPixelColor.h"
#include "graphics/ITextStyle.h"

// A canvas without a window: it implements the platform slots by recording what was asked
// (presented areas, prompts, menus) and loads image resources from the program's own
// embedded resources, so the whole editor runs in a test on either platform.
class HeadlessCanvas : public IEditorCanvas
{
public:
  struct TextEntry
  {
    IControl* control;
    ITextStyle style;
    IPixelRect area;
    std::string text;
    IPlugParam* parameter;
  };
  struct MenuItem
  {
    std::string text;
    int flags;
  };

  explicit HeadlessCanvas(IPlugBase* plug, int width = 368, int height = 240, int framesPerSecond = 0);

  bool PresentArea(const IPixelRect& rect) override;
  void CancelTextEntry() override { ++cancelRequests; }
  IPopupMenu* ShowPopupMenu(IPopupMenu* menu, const IPixelRect& area) override;
  void OpenTextEntry(IControl* control, const ITextStyle& textStyle, const IPixelRect& area, const char* text,
                     IPlugParam* parameter) override;
  void GetHostPath(IText* out) override;
  void GetPluginPath(IText* out) override;
  void PromptForFile(IText* out, int action, IText* directory, const char* extensions) override;
  bool PromptForColour(IPixelColor* colour, const char* title) override;
  bool OpenUrl(const char* url, const char* title, const char* confirmText, const char* errorText) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override { window = nullptr; }
  void* GetWindow() override { return window; }
  RasterBitmap* LoadBitmapResource(int resourceId, const char* name) override;

  // One redraw-timer tick as a window layer runs it: the dirty union, redrawn at once.
  // Answers whether anything was dirty; the area drawn goes to presented.
  bool Tick();
  // Commits text into the open text entry as a window layer's timer would.
  void CommitTextEntry(const char* text);

  using IEditorCanvas::CommitEnteredText;
  using IEditorCanvas::LoadPngResourceNamed;
  using IEditorCanvas::TextEntryAccepts;

  std::vector<IPixelRect> presented;
  bool presentResult = true;
  std::vector<TextEntry> textEntries;
  std::vector<std::vector<MenuItem>> menus;
  std::vector<IPixelRect> menuAreas;
  int menuChoice = -1;  // the item the next menu picks; -1 dismisses it
  int cancelRequests = 0;
  int resourceLoads = 0;
  void* window = nullptr;
};
