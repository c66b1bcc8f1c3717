#include "tests/host/VstTestHost.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace {

// Which host an effect belongs to. Plug-ins call the host before the entry returns (often
// with a null effect), so the host that is creating answers those calls.
std::mutex registryLock;
std::vector<std::pair<AEffect*, VstTestHost*>> registry;
std::mutex creationLock;
std::atomic<VstTestHost*> creating{nullptr};

VstTestHost* Route(AEffect* effect) {
  if (effect) {
    std::lock_guard<std::mutex> lock(registryLock);
    for (auto& entry : registry) {
      if (entry.first == effect) return entry.second;
    }
  }
  return creating.load();
}

void CopyText(void* ptr, const std::string& text, size_t room) {
  if (!ptr || room == 0) return;
  size_t n = std::min(text.size(), room - 1);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = '\0';
}

}  // namespace

VstTestHost::VstTestHost(const HostSettings& s) : settings(s) {}

VstTestHost::~VstTestHost() {
  std::lock_guard<std::mutex> lock(registryLock);
  registry.erase(std::remove_if(registry.begin(), registry.end(),
                                [this](const std::pair<AEffect*, VstTestHost*>& e) {
                                  return e.second == this;
                                }),
                 registry.end());
}

AEffect* VstTestHost::Create(VstPluginMainProc entry) {
  if (!entry) return nullptr;
  std::lock_guard<std::mutex> serial(creationLock);
  creating.store(this);
  AEffect* effect = entry(&VstTestHost::Callback);
  creating.store(nullptr);
  if (effect) {
    std::lock_guard<std::mutex> lock(registryLock);
    registry.emplace_back(effect, this);
  }
  return effect;
}

void VstTestHost::Forget(AEffect* effect) {
  std::lock_guard<std::mutex> lock(registryLock);
  registry.erase(std::remove_if(registry.begin(), registry.end(),
                                [effect](const std::pair<AEffect*, VstTestHost*>& e) {
                                  return e.first == effect;
                                }),
                 registry.end());
}

std::vector<HostCallRecord> VstTestHost::Calls() const {
  std::lock_guard<std::mutex> lock(callsLock);
  return calls;
}

std::vector<HostCallRecord> VstTestHost::CallsWith(VstInt32 opcode) const {
  std::lock_guard<std::mutex> lock(callsLock);
  std::vector<HostCallRecord> result;
  for (const auto& c : calls) {
    if (c.opcode == opcode) result.push_back(c);
  }
  return result;
}

size_t VstTestHost::CountOf(VstInt32 opcode) const {
  std::lock_guard<std::mutex> lock(callsLock);
  return static_cast<size_t>(std::count_if(
      calls.begin(), calls.end(), [opcode](const HostCallRecord& c) { return c.opcode == opcode; }));
}

void VstTestHost::ClearCalls() {
  std::lock_guard<std::mutex> lock(callsLock);
  calls.clear();
}

// any thread the plug-in calls from
VstIntPtr VstTestHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt) {
  VstTestHost* host = Route(effect);
  if (!host) {
    // No host to route to (a call after the test host went away): answer like a bare host.
    return opcode == audioMasterVersion ? kVstVersion : 0;
  }
  return host->Answer(effect, opcode, index, value, ptr, opt);
}

VstIntPtr VstTestHost::Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt) {
  HostCallRecord record;
  record.effect = effect;
  record.opcode = opcode;
  record.index = index;
  record.value = value;
  record.hasPtr = ptr != nullptr;
  record.opt = opt;
  if (opcode == audioMasterCanDo && ptr) {
    const char* text = static_cast<const char*>(ptr);
    record.text.assign(text, strnlen(text, 256));
  }
  if (opcode == audioMasterProcessEvents && ptr) {
    const VstEvents* events = static_cast<const VstEvents*>(ptr);
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
      const VstEvent* e = events->events[i];
      if (!e) continue;
      record.eventTypes.push_back(e->type);
      if (e->type == kVstMidiType) {
        record.midiEvents.push_back(*reinterpret_cast<const VstMidiEvent*>(e));
      }
    }
  }
  {
    std::lock_guard<std::mutex> lock(callsLock);
    calls.push_back(std::move(record));
  }

  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(settings.sampleRate);
    case audioMasterGetBlockSize:
      return settings.blockSize;
    case audioMasterGetProductString:
      CopyText(ptr, settings.productString, kVstMaxProductStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetVendorString:
      CopyText(ptr, settings.vendorString, kVstMaxVendorStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return settings.vendorVersion;
    case audioMasterGetTime:
      if (!settings.provideTime) return 0;
      timeAnswer = settings.timeInfo;
      if (timeAnswer.sampleRate == 0.0) timeAnswer.sampleRate = settings.sampleRate;
      return reinterpret_cast<VstIntPtr>(&timeAnswer);
    case audioMasterProcessEvents:
      return settings.processEventsAnswer;
    case audioMasterGetLanguage:
      return 1;  // English
    case audioMasterGetCurrentProcessLevel:
      return kVstProcessLevelUser;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterUpdateDisplay:
      return 1;
    default:
      return 0;
  }
}

VstIntPtr VstEffect::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt) const {
  if (!effect) return 0;
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

float VstEffect::GetParameter(VstInt32 index) const {
  return effect ? effect->getParameter(effect, index) : 0.0f;
}

void VstEffect::SetParameter(VstInt32 index, float value) const {
  if (effect) effect->setParameter(effect, index, value);
}

std::string VstEffect::Text(VstInt32 opcode, VstInt32 index, VstIntPtr* result) const {
  char buffer[256] = {};
  VstIntPtr r = Dispatch(opcode, index, 0, buffer, 0.0f);
  if (result) *result = r;
  buffer[255] = '\0';
  return buffer;
}

void VstEffect::Start(float sampleRate, VstIntPtr blockSize) const {
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

void VstEffect::Close() {
  if (!effect) return;
  AEffect* e = effect;
  effect = nullptr;
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  if (host) host->Forget(e);
}

namespace {

template <typename T>
std::vector<T*> Pointers(std::vector<std::vector<T>>& buffers) {
  std::vector<T*> result;
  for (auto& b : buffers) result.push_back(b.data());
  // Hosts never hand a null array; keep one valid element even without channels.
  if (result.empty()) result.push_back(nullptr);
  return result;
}

}  // namespace

void VstEffect::ProcessReplacing(std::vector<std::vector<float>>& in,
                                 std::vector<std::vector<float>>& out, VstInt32 frames) const {
  if (!effect || !effect->processReplacing) return;
  auto i = Pointers(in);
  auto o = Pointers(out);
  effect->processReplacing(effect, i.data(), o.data(), frames);
}

void VstEffect::ProcessAccumulating(std::vector<std::vector<float>>& in,
                                    std::vector<std::vector<float>>& out, VstInt32 frames) const {
  if (!effect || !effect->process) return;
  auto i = Pointers(in);
  auto o = Pointers(out);
  effect->process(effect, i.data(), o.data(), frames);
}

void VstEffect::ProcessDouble(std::vector<std::vector<double>>& in,
                              std::vector<std::vector<double>>& out, VstInt32 frames) const {
  if (!effect || !effect->processDoubleReplacing) return;
  auto i = Pointers(in);
  auto o = Pointers(out);
  effect->processDoubleReplacing(effect, i.data(), o.data(), frames);
}

std::vector<uint8_t> VstEffect::GetChunk(bool program) const {
  void* data = nullptr;
  VstIntPtr size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr VstEffect::SetChunk(const std::vector<uint8_t>& bytes, bool program) const {
  // A copy, so the plug-in never sees the caller's storage (hosts free theirs after the call).
  std::vector<uint8_t> copy = bytes;
  uint8_t none = 0;  // an empty chunk still comes with a valid pointer
  void* data = copy.empty() ? static_cast<void*>(&none) : copy.data();
  return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), data);
}
