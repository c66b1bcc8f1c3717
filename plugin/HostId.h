#pragma once

#include <cstdint>

// The host application as found once from its product text.
enum HostId : int32_t
{
  kHostUninit = -1,  // not yet asked
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostReserved2 = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostReserved6 = 6,
  kHostFruity = 7,
  kHostSamplitude = 8,
  kHostLive = 9,
  kHostReserved10 = 10,
  kHostReserved11 = 11,
  kHostMelodyne = 12,
  kHostVstManLib = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostReserved19 = 19,
  kHostSawStudio = 20,
  kHostLogic = 21,
  kHostDigital = 22,
  kHostStandalone = 23,
  kHostAudioMulch = 24,
  kHostPresonus = 25
};

// The identity whose text occurs in the product text, ignoring the case of A-Z; the
// first row of the table wins; kHostUnknown when nothing matches or text is null.
HostId MatchHostName(const char* text);

// Packs a vendor version written in decimal as MMmmpp into major << 16 | minor << 8 | patch.
int PackDecimalHostVersion(int decimalVersion);
