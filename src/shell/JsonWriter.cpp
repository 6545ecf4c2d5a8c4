#include "shell/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace qm {

JsonWriter::JsonWriter() { m_text.reserve(4096); }

void JsonWriter::NewLine() {
  m_text.push_back('\n');
  m_text.append(std::size_t(m_depth) * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (m_depth == 0) return;
  if (!m_first) m_text.push_back(',');
  m_first = false;
  NewLine();
}

void JsonWriter::BeginObject() {
  BeforeValue();
  m_text.push_back('{');
  ++m_depth;
  m_first = true;
}

void JsonWriter::EndObject() {
  --m_depth;
  if (!m_first) NewLine();
  m_text.push_back('}');
  m_first = false;
  if (m_depth == 0) m_text.push_back('\n');
}

void JsonWriter::BeginArray() {
  BeforeValue();
  m_text.push_back('[');
  ++m_depth;
  m_first = true;
}

void JsonWriter::EndArray() {
  --m_depth;
  if (!m_first) NewLine();
  m_text.push_back(']');
  m_first = false;
}

void JsonWriter::Key(std::string_view name) {
  if (!m_first) m_text.push_back(',');
  m_first = false;
  NewLine();
  WriteQuoted(name);
  m_text.append(": ");
  m_afterKey = true;
}

void JsonWriter::Number(double value) {
  BeforeValue();
  AppendNumber(value);
}

void JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  m_text.append(std::to_string(value));
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  m_text.append(value ? "true" : "false");
}

void JsonWriter::Null() {
  BeforeValue();
  m_text.append("null");
}

void JsonWriter::String(std::string_view value) {
  BeforeValue();
  WriteQuoted(value);
}

void JsonWriter::WriteQuoted(std::string_view value) {
  m_text.push_back('"');
  for (const char c : value) {
    switch (c) {
      case '"': m_text.append("\\\""); break;
      case '\\': m_text.append("\\\\"); break;
      case '\n': m_text.append("\\n"); break;
      case '\t': m_text.append("\\t"); break;
      case '\r': m_text.append("\\r"); break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
          m_text.append(escape);
        } else {
          m_text.push_back(c);
        }
    }
  }
  m_text.push_back('"');
}

void JsonWriter::AppendNumber(double value) {
  if (!std::isfinite(value)) {
    ++m_nonFinite;
    m_text.append("null");
    return;
  }
  char buffer[32];
  // Integral values print without a fraction; others with enough digits for a float.
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.7g", value);
  }
  m_text.append(buffer);
}

void JsonWriter::Vector3(float x, float y, float z) {
  // A short vector stays on one line.
  BeforeValue();
  m_text.push_back('[');
  AppendNumber(x);
  m_text.append(", ");
  AppendNumber(y);
  m_text.append(", ");
  AppendNumber(z);
  m_text.push_back(']');
}

bool WriteTextFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
  if (std::fclose(file) != 0 || !written || !flushed ||
      std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace qm
