#include "tools/vst2-render/ValidateEditor.h"

namespace vrender {

void EditorGroup(const GroupContext&, const CheckSink& sink) {
  const char* names[] = {"editor-open-close", "editor-while-processing", "editor-close-instance"};
  for (const char* name : names) {
    CheckResult r;
    r.name = name;
    r.status = CheckStatus::Skip;
    r.detail = "this build has no host window for plug-in editors";
    sink.starting(name);
    sink.result(r);
  }
}

}  // namespace vrender
