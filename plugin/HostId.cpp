#include "plugin/HostId.h"

#include <cstring>

namespace
{
struct HostName
{
  const char* text;
  HostId id;
};

// Tested in this order; the first text found wins.
const HostName kHostNames[] = {
    {"standalone", kHostStandalone},
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostCakewalk},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFruity},
    {"live", kHostLive},
    {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVstManLib},
    {"aulab", kHostAULab},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSawStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigital},
    {"audiomulch", kHostAudioMulch},
    {"presonus vst2 host", kHostPresonus},
};
// Only A-Z change, whatever the process locale says.
char LowerAscii(char c)
{
  return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// Whether the lower-case needle occurs in text read as lower case.
bool ContainsIgnoringCase(const char* text, const char* needle)
{
  const size_t n = std::strlen(needle);
  for (; *text; ++text)
  {
    size_t i = 0;
    while (i < n && text[i] && LowerAscii(text[i]) == needle[i]) ++i;
    if (i == n) return true;
  }
  return false;
}
}  // namespace

HostId MatchHostName(const char* text)
{
  if (!text) return kHostUnknown;
  for (const HostName& row : kHostNames)
    if (ContainsIgnoringCase(text, row.text)) return row.id;
  return kHostUnknown;
}

int PackDecimalHostVersion(int v)
{
  // Computed in unsigned arithmetic so that any 32-bit answer from a host packs without
  // overflow; for MMmmpp in range it is major * 65536 + minor * 256 + patch.
  const int major = v / 10000;
  const int minor = (v % 10000) / 100;
  const int patch = v % 100;
  return (int)((unsigned)major * 65536u + (unsigned)minor * 256u + (unsigned)patch);
}
