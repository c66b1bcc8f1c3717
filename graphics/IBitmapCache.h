#pragma once

class RasterBitmap;

// The process-wide cache of decoded image resources, shared by every plug-in instance and
// editor of the library, keyed by resource number alone. Its lock is held only for a lookup
// or an insertion, never while decoding, so two editors that load the same new image at
// once may both decode it; the first entry wins later lookups and both are freed when the
// library is unloaded. Nothing is removed before then, so cached bitmaps never dangle.
class IBitmapCache
{
public:
  // any thread: the first bitmap cached for resourceId, or null.
  static RasterBitmap* Find(int resourceId);
  // any thread: takes ownership of bitmap (null is ignored).
  static void Add(int resourceId, RasterBitmap* bitmap);
  // any thread: number of entries.
  static int Count();
};
