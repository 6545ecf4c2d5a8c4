// XFileDataReader: a bounds-checked cursor over one data object's packed values.
//
// The mesh builder and the model loader read values in template order (a count, then that
// many vectors ...). Every read checks what is left; after the first failed read the reader
// stays failed and returns zeros, so a caller can read a whole record and test Ok() once.
#pragma once

#include <string>

#include "d3dx/XFileData.h"

class XFileDataReader {
 public:
  explicit XFileDataReader(const XFileData& data) : m_data(data) {}

  DWORD Dword();
  WORD Word();
  float Float();
  // Reads `count` floats into out (which must hold them).
  void Floats(float* out, size_t count);
  const std::string& String();
  // Moves to the start of a top-level member; fails the reader when there is none.
  void Seek(const char* member);
  // Fails the reader unless `count` values of `size` bytes are still there, so that a
  // count read from the file can be checked before anything is allocated for it.
  bool CanRead(size_t count, size_t size);

  bool Ok() const { return m_ok; }
  size_t Remaining() const { return m_data.Bytes().size() - m_pos; }

 private:
  bool Take(void* out, size_t size);

  const XFileData& m_data;
  size_t m_pos = 0;
  bool m_ok = true;
};
