#pragma once

class RasterCachedFont;

// The process-wide cache of cached fonts, keyed by size, orientation, style and face (exact,
// case-sensitive). Colour, alignment and quality are not part of the key: the first style
// with a given key decides the quality all such styles share. Its lock is held only for a
// lookup or an insertion, never while a font is made; fonts are freed (with their system
// fonts) when the library is unloaded and never before.
class IFontCache
{
public:
  // any thread: the first font cached for the key, or null.
  static RasterCachedFont* Find(int size, int orientation, int style, const char* face);
  // any thread: takes ownership of font (null is ignored).
  static void Add(int size, int orientation, int style, const char* face, RasterCachedFont* font);
  // any thread: number of entries.
  static int Count();
};
