// XFileDataReader: checked reads of packed values.
#include "d3dx/XFileDataReader.h"

#include <cstring>

bool XFileDataReader::Take(void* out, size_t size) {
  if (!m_ok || size > Remaining()) {
    m_ok = false;
    std::memset(out, 0, size);
    return false;
  }
  std::memcpy(out, m_data.Bytes().data() + m_pos, size);
  m_pos += size;
  return true;
}

DWORD XFileDataReader::Dword() {
  DWORD value;
  Take(&value, sizeof(value));
  return value;
}

WORD XFileDataReader::Word() {
  WORD value;
  Take(&value, sizeof(value));
  return value;
}

float XFileDataReader::Float() {
  float value;
  Take(&value, sizeof(value));
  return value;
}

void XFileDataReader::Floats(float* out, size_t count) {
  if (!CanRead(count, sizeof(float))) {
    std::memset(out, 0, count * sizeof(float));
    return;
  }
  Take(out, count * sizeof(float));
}

const std::string& XFileDataReader::String() { return m_data.StringAt(Dword()); }

void XFileDataReader::Seek(const char* member) {
  DWORD size = 0;
  const void* data = nullptr;
  if (!m_ok || FAILED(m_data.GetData(member, &size, &data))) {
    m_ok = false;
    return;
  }
  m_pos = static_cast<size_t>(static_cast<const BYTE*>(data) - m_data.Bytes().data());
}

bool XFileDataReader::CanRead(size_t count, size_t size) {
  if (m_ok && size != 0 && count > Remaining() / size) m_ok = false;
  return m_ok;
}
