#include "d3d/CallLog.h"

#include <cstdio>

namespace qm {

std::vector<std::string> CallLog::Texts(std::string_view onlyName) const {
  std::vector<std::string> texts;
  for (const RecordedCall& call : m_calls) {
    if (onlyName.empty() || call.name == onlyName) texts.push_back(call.Text());
  }
  return texts;
}

size_t CallLog::Count(std::string_view name) const {
  size_t count = 0;
  for (const RecordedCall& call : m_calls) count += call.name == name ? 1 : 0;
  return count;
}

int CallLog::IndexOf(std::string_view text, size_t from) const {
  for (size_t i = from; i < m_calls.size(); ++i) {
    if (m_calls[i].Text() == text) return static_cast<int>(i);
  }
  return -1;
}

std::string FormatArg(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, value < 65536 ? "%u" : "0x%08X", value);
  return text;
}

std::string FormatFloat(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

std::string FormatPointer(const void* pointer) { return pointer ? "ptr" : "null"; }

std::string FormatMatrix(const D3DMATRIX* matrix) {
  if (!matrix) return "null";
  std::string text = "[";
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      if (row || column) text += column ? " " : "; ";
      text += FormatFloat(matrix->m[row][column]);
    }
  }
  return text + "]";
}

std::string JoinArgs(std::initializer_list<std::string> args) {
  std::string text;
  for (const std::string& arg : args) {
    if (!text.empty()) text += ", ";
    text += arg;
  }
  return text;
}

}  // namespace qm
