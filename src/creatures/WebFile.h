// WebFile: the byte-level reading and writing of web files.
//
// A web file is little-endian int32, float and byte values without header or padding: the
// web's section (Cobweb), then the drops' and the leaf clusters' sections (the scene). The
// reader never reads past the bytes it was given: every read reports whether the value was
// there, and counts are checked against the bytes left before anything is sized by them.
// The writer collects the bytes in memory; the file is written in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Running checksum of a thread list block: the sum of every node and link index, brought
// back by 65535 whenever it passes 65535.
class WebChecksum {
 public:
  void Add(std::int32_t value);
  std::int32_t Value() const { return m_sum; }

 private:
  std::int32_t m_sum = 0;
};

class WebReader {
 public:
  WebReader(const void* data, size_t size)
      : m_pData(static_cast<const std::uint8_t*>(data)), m_size(data ? size : 0) {}

  bool ReadInt(std::int32_t* value);
  bool ReadFloat(float* value);
  bool ReadByte(std::uint8_t* value);
  // A count that is not negative and leaves room for count items of itemSize bytes.
  bool ReadCount(size_t itemSize, std::int32_t* count);
  // An int32 count, then that many int32 values.
  bool ReadIntList(std::vector<std::int32_t>* values);

  size_t Position() const { return m_pos; }
  size_t Remaining() const { return m_size - m_pos; }

 private:
  bool Take(void* out, size_t bytes);

  const std::uint8_t* m_pData;
  size_t m_size;
  size_t m_pos = 0;
};

class WebWriter {
 public:
  void WriteInt(std::int32_t value);
  void WriteFloat(float value);
  void WriteByte(std::uint8_t value);
  void WriteIntList(const std::vector<std::int32_t>& values);

  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes);
// Writes the bytes to a temporary file beside path and renames it over path, so a reader
// never sees half a file; false (and path untouched) on any failure.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace qm
