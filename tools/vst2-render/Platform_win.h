// Text helpers of the Windows build (Platform_win.cpp): UTF-8 to the system's wide strings,
// and one argument quoted for a command line that the C runtime splits back unchanged.
#pragma once

#include <string>

namespace vrender {

std::wstring Widen(const std::string& text);
std::wstring QuoteArgument(const std::wstring& arg);

}  // namespace vrender
