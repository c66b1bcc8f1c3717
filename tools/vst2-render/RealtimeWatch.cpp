#include "tools/vst2-render/RealtimeWatch.h"

namespace vrender {

RealtimeWatch* g_realtimeWatch = nullptr;

}  // namespace vrender
