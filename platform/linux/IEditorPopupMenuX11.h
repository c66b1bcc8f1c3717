#pragma once

#include <functional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;
class IEditorCanvas;
class IPopupMenu;

// A popup menu of the Linux editor: an override-redirect window at the anchor that lists
// the menu's items (numbered by its prefix style, with checks, greyed and disabled items and
// separators), drawn with our raster text, and run modally on the editor's connection until
// an item is chosen or the menu is dismissed (a click outside it, Escape).
//
// Threads: the editor's thread, with the editor's connection lock held.
class IEditorPopupMenuX11
{
public:
  struct Row
  {
    int item;          // index in the menu
    std::string text;  // as shown, numbered
    int flags;         // the item's flags
    int top;
    int height;
  };

  // Lays the menu out: one row per item that carries no submenu.
  IEditorPopupMenuX11(IPopupMenu* menu, IEditorCanvas* canvas);

  IEditorPopupMenuX11(const IEditorPopupMenuX11&) = delete;
  IEditorPopupMenuX11& operator=(const IEditorPopupMenuX11&) = delete;

  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  const std::vector<Row>& GetRows() const { return rows; }
  // The row under (x, y) in menu coordinates, or -1.
  int RowAt(int x, int y) const;
  // Separators, greyed and disabled items cannot be chosen.
  bool IsChoosable(int row) const;

  // Shows the menu with its top-left corner at (rootX, rootY), kept on the screen, and runs
  // it. other receives every event that is not the menu's and answers false to end the
  // menu (the editor went away); idle runs about every 40 ms and answers the same. The
  // chosen item's index, or -1.
  int Run(Display* display, void* visual, unsigned long colormap, int rootX, int rootY,
          const std::function<bool(const XEvent&)>& other, const std::function<bool()>& idle);

private:
  void Draw();
  int Step(int from, int direction) const;

  IEditorCanvas* canvas;
  std::vector<Row> rows;
  int width = 0;
  int height = 0;
  int highlighted = -1;
  Display* display = nullptr;
  void* visual = nullptr;
  unsigned long window = 0;
};
