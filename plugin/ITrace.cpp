#include "plugin/ITrace.h"

#include <cstring>

#include "plugin/ILocalTime.h"

void ITrace(const char*, const char*, ...) {}

void IBuildTraceTimestamp(std::time_t t, char* out, int size)
{
  if (!out || size < 1) return;
  out[0] = 0;
  std::tm local;
  if (!ILocalTime(t, &local)) return;

  if (std::strftime(out, (size_t)size, "%Y%m%d %H:%M ", &local) == 0)
  {
    out[0] = 0;
    return;
  }
  // Only the capitals of the zone name: "Coordinated Universal Time" gives "CUT",
  // "CET" stays "CET".
  char zone[128];
  if (std::strftime(zone, sizeof zone, "%Z", &local) == 0) return;
  size_t n = std::strlen(out);
  for (const char* z = zone; *z && n + 1 < (size_t)size; ++z)
    if (*z >= 'A' && *z <= 'Z') out[n++] = *z;
  out[n] = 0;
}
