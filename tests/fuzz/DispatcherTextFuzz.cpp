// The dispatcher's text opcodes with any text: the first byte picks the opcode and index,
// the rest is the text. Afterwards every parameter reads back in 0..1 and the texts the
// plug-in writes are terminated within their fields.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "product/Vossamere2.h"
#include "vst/IPlugVSTEntry.h"

namespace {

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

[[noreturn]] void Broken(const char* what, int index) {
  std::fprintf(stderr, "%s (index %d)\n", what, index);
  std::abort();
}

// A text opcode answered into a buffer of 'field' bytes followed by a guard.
void ExpectTerminated(AEffect* e, VstInt32 opcode, VstInt32 index, size_t field) {
  unsigned char buffer[512];
  std::memset(buffer, 0xA5, sizeof buffer);
  e->dispatcher(e, opcode, index, 0, buffer, 0.0f);
  if (buffer[0] == 0xA5) return;  // nothing written
  if (!std::memchr(buffer, 0, field)) Broken("text not terminated within its field", index);
  for (size_t k = field; k < sizeof buffer; ++k)
    if (buffer[k] != 0xA5) Broken("text written past its field", index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static AEffect* e = [] {
    AEffect* effect = IPlugVSTCreate(&Host, &MakeVossamere2);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return effect;
  }();
  const int choice = data[0] & 7;
  const VstInt32 index = static_cast<VstInt32>(data[0] >> 3) - 2;  // -2 .. 29: invalid ones too
  std::vector<char> text(reinterpret_cast<const char*>(data) + 1, reinterpret_cast<const char*>(data) + size);
  text.push_back('\0');
  switch (choice) {
    case 0:
    case 1:
      e->dispatcher(e, effString2Parameter, index, 0, text.data(), 0.0f);
      break;
    case 2:
      e->dispatcher(e, effSetProgramName, 0, 0, text.data(), 0.0f);
      break;
    case 3:
      e->dispatcher(e, effCanDo, 0, 0, text.data(), 0.0f);
      break;
    case 4:
      e->dispatcher(e, effSetProgram, index, 0, nullptr, 0.0f);
      break;
    default:
      e->setParameter(e, index, static_cast<float>(data[size - 1]) / 255.0f);
      break;
  }
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    if (!(v >= 0.0f && v <= 1.0f)) Broken("parameter outside 0..1", i);
    ExpectTerminated(e, effGetParamDisplay, i, 32);
    ExpectTerminated(e, effGetParamName, i, 32);
    ExpectTerminated(e, effGetParamLabel, i, 32);
  }
  ExpectTerminated(e, effGetProgramName, 0, kVstMaxProgNameLen + 1);
  ExpectTerminated(e, effGetProgramNameIndexed, 0, kVstMaxProgNameLen + 1);
  return 0;
}
