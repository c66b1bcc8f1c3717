// The tool's machine-readable output: nlohmann/json objects that keep their keys in the
// order written, printed on one line.
#pragma once

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

namespace vrender {

using Json = nlohmann::ordered_json;

// A measured number. Whole values print without a fraction ("0", "44100"); non-finite
// ones (silence in dB, say) have no JSON form and print as null.
inline Json NumberOrNull(double value) {
  if (!std::isfinite(value)) return nullptr;
  if (value == std::floor(value) && std::fabs(value) < 9007199254740992.0) return static_cast<long long>(value);
  return value;
}

// Text a plug-in gave that is not valid UTF-8 is shown with replacement characters
// rather than refused.
inline std::string JsonText(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace vrender
