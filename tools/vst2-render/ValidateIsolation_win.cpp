#include "tools/vst2-render/Validate.h"

namespace vrender {

// Windows has no fork: the groups run in this process, so a plug-in that crashes ends the run
// (with the crash reported by the system) instead of being reported as a failed check.
void RunGroupIsolated(const CheckGroup& group, const GroupContext& context, bool, double,
                      const CheckSink& sink) {
  group.run(context, sink);
}

}  // namespace vrender
