// The validator's editor checks: opening, closing and reopening a plug-in's editor in a host
// window, while audio runs and up to closing the instance with the editor open.
#pragma once

#include "tools/vst2-render/Validate.h"

namespace vrender {

void EditorGroup(const GroupContext& context, const CheckSink& sink);

}  // namespace vrender
