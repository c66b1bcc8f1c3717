#include "tools/vst2-render/JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace vrender {

void JsonWriter::BeforeValue() {
  if (needComma) text += ',';
  needComma = true;
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  text += '{';
  needComma = false;
  ++depth;
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  text += '}';
  needComma = true;
  --depth;
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  text += '[';
  needComma = false;
  ++depth;
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  text += ']';
  needComma = true;
  --depth;
  return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key) {
  String(key);
  text += ':';
  needComma = false;
  return *this;
}

JsonWriter& JsonWriter::String(const std::string& value) {
  BeforeValue();
  text += '"';
  for (unsigned char c : value) {
    switch (c) {
      case '"': text += "\\\""; break;
      case '\\': text += "\\\\"; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      case '\t': text += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          text += escape;
        } else {
          text += static_cast<char>(c);
        }
    }
  }
  text += '"';
  return *this;
}

JsonWriter& JsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", value);
  text += buffer;
  return *this;
}

JsonWriter& JsonWriter::Integer(long long value) {
  BeforeValue();
  text += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  text += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  text += "null";
  return *this;
}

}  // namespace vrender
