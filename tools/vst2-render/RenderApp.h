// The vst2-render program: everything main() does, callable from tests in-process.
#pragma once

#include <string>
#include <vector>

namespace vrender {

// Runs the tool with 'args' (program name first). Returns the exit status: 0 on success,
// 1 when the work failed, 2 for a command-line mistake. Never throws.
int RunRenderApp(const std::vector<std::string>& args);

}  // namespace vrender
