#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/IPixelRect.h"
#include "graphics/ITextStyle.h"

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;
class IControl;
class IEditorCanvas;
class IPlugParam;

// The text entry of the Linux editor: a small child window over the prompt area in which the
// user types a value. It opens with the current text all selected (typing replaces it),
// passes only the characters the parameter's kind allows, holds at most the control's
// length, and is drawn with our own raster text in the control's style.
//
// It never applies anything itself: Return asks for a commit and Escape, a lost focus or a
// click elsewhere ask for a cancel (state), and the window's next tick carries it out.
//
// Threads: the editor's thread, with the editor's connection lock held.
class IEditorTextEntryX11
{
public:
  enum EState : int32_t
  {
    kOpen = 0,             // open, nothing pending, focus not yet arrived
    kFocused = 1,          // the box has the keyboard
    kCancelRequested = 3,  // close without committing at the next tick
    kCommitRequested = 4   // commit at the next tick
  };

  // Whether a typed character may enter the box for the parameter (null: any may).
  typedef bool (*CharacterFilter)(const IPlugParam* parameter, int character);

  // maxLength in characters (the control's text entry length); 0 or less allows none.
  IEditorTextEntryX11(IControl* control, IPlugParam* parameter, const ITextStyle& style, const IPixelRect& area,
                      const char* text, int maxLength, CharacterFilter filter);
  ~IEditorTextEntryX11();

  IEditorTextEntryX11(const IEditorTextEntryX11&) = delete;
  IEditorTextEntryX11& operator=(const IEditorTextEntryX11&) = delete;

  // Editing ------------------------------------------------------------------------------

  // One typed character (a code point): false when the filter or the length refused it.
  bool Type(uint32_t character);
  void Backspace();
  void DeleteForward();
  // Moves the caret by delta characters and drops the selection.
  void MoveCaret(int delta);
  void CaretToStart();
  void CaretToEnd();
  void SelectAll();
  // A key press: keysym (X11 keysym value), the Latin-1 text it produced and the modifier
  // state. Return and Enter ask for a commit, Escape for a cancel.
  void HandleKey(unsigned long keysym, const char* chars, int count, unsigned modifiers);

  // The text as UTF-8, at most 31 characters (what a commit reads).
  std::string GetText() const;
  int GetCaret() const { return caret; }
  bool IsAllSelected() const { return allSelected; }
  int GetMaxLength() const { return maxLength; }

  // The X window ----------------------------------------------------------------------------

  // Creates the box as a mapped child of the editor window and takes the keyboard focus
  // (some hosts forward no keys to plug-in windows). false when the window could not be made.
  bool Create(Display* display, unsigned long editorWindow, void* visual);
  // Gives the focus back where it was when the box still holds it, and destroys the box
  // unless the editor window went away with it.
  void Destroy(bool windowExists);
  unsigned long GetXWindow() const { return window; }
  // Handles an event of the box's window (keys, focus, expose, clicks); false for any other.
  bool HandleEvent(const XEvent& event, IEditorCanvas* canvas);
  // Draws the box and puts it on screen.
  void Draw(IEditorCanvas* canvas);

  IControl* GetControl() const { return control; }
  IPlugParam* GetParameter() const { return parameter; }
  const IPixelRect& GetArea() const { return area; }

  int32_t state = kOpen;

private:
  void DeleteSelection();

  IControl* control;
  IPlugParam* parameter;
  ITextStyle style;
  IPixelRect area;
  int maxLength;
  CharacterFilter filter;
  std::vector<uint32_t> characters;
  int caret = 0;
  bool allSelected = true;

  Display* display = nullptr;
  unsigned long window = 0;
  void* visual = nullptr;
  unsigned long previousFocus = 0;
  int previousRevert = 0;
};
