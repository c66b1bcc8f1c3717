// A small streaming JSON writer: the tool's machine-readable output.
#pragma once

#include <string>

namespace vrender {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(const std::string& key);
  JsonWriter& String(const std::string& value);
  // Non-finite numbers (silence in dB, say) are written as null.
  JsonWriter& Number(double value);
  JsonWriter& Integer(long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  const std::string& Text() const { return text; }

 private:
  void BeforeValue();
  std::string text;
  bool needComma = false;
  int depth = 0;
};

}  // namespace vrender
