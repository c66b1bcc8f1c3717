#include "tools/vst2-render/AudioFile.h"

#include <cctype>

namespace vrender {

std::string FileExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

SampleFormat DefaultSampleFormatFor(const std::string& path) {
  return FileExtension(path) == "flac" ? SampleFormat::Pcm24 : SampleFormat::Float32;
}

}  // namespace vrender
