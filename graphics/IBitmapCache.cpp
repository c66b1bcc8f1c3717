#include "graphics/IBitmapCache.h"

#include <mutex>
#include <new>
#include <vector>

#include "raster/RasterBitmap.h"

namespace
{
struct Entry
{
  int resourceId;
  RasterBitmap* bitmap;
};

// One object for the library's lifetime: constructed when the library is loaded, destroyed
// (deleting every bitmap) when it is unloaded.
struct BitmapCache
{
  std::mutex lock;
  std::vector<Entry> entries;

  ~BitmapCache()
  {
    for (Entry& e : entries) delete e.bitmap;
    entries.clear();
  }
} cache;
}  // namespace

RasterBitmap* IBitmapCache::Find(int resourceId)
{
  std::lock_guard<std::mutex> hold(cache.lock);
  for (const Entry& e : cache.entries)
    if (e.resourceId == resourceId) return e.bitmap;
  return nullptr;
}

void IBitmapCache::Add(int resourceId, RasterBitmap* bitmap)
{
  if (!bitmap) return;
  std::lock_guard<std::mutex> hold(cache.lock);
  try
  {
    cache.entries.push_back({resourceId, bitmap});
  }
  catch (const std::bad_alloc&)
  {
    // Not cached: the caller's reference stays valid only if the bitmap lives on, so keep
    // it alive (leaked) rather than delete what a control is about to draw.
  }
}

int IBitmapCache::Count()
{
  std::lock_guard<std::mutex> hold(cache.lock);
  return (int)cache.entries.size();
}
