#include "graphics/IFontCache.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "raster/RasterCachedFont.h"

namespace
{
struct Entry
{
  int size;
  int orientation;
  int style;
  std::string face;
  RasterCachedFont* font;
};

// One object for the library's lifetime: constructed when the library is loaded, destroyed
// (deleting every font, which releases its system font) when it is unloaded.
struct FontCache
{
  std::mutex lock;
  std::vector<Entry> entries;

  ~FontCache()
  {
    for (Entry& e : entries) delete e.font;
    entries.clear();
  }
} cache;
}  // namespace

RasterCachedFont* IFontCache::Find(int size, int orientation, int style, const char* face)
{
  if (!face) face = "";
  std::lock_guard<std::mutex> hold(cache.lock);
  for (const Entry& e : cache.entries)
    if (e.size == size && e.orientation == orientation && e.style == style && e.face == face) return e.font;
  return nullptr;
}

void IFontCache::Add(int size, int orientation, int style, const char* face, RasterCachedFont* font)
{
  if (!font) return;
  std::lock_guard<std::mutex> hold(cache.lock);
  try
  {
    cache.entries.push_back({size, orientation, style, face ? face : "", font});
  }
  catch (const std::bad_alloc&)
  {
    // A style may already point at the font: keep it alive rather than leave that dangling.
  }
}

int IFontCache::Count()
{
  std::lock_guard<std::mutex> hold(cache.lock);
  return (int)cache.entries.size();
}
