// WebFile: bounded little-endian reading and in-memory writing of web files.
#include "creatures/WebFile.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace qm {

namespace {

// Where the checksum wraps: it is brought back by this much, which is one less than 2^16.
constexpr std::int32_t kChecksumWrap = 65535;

std::uint32_t FromLittleEndian(const std::uint8_t* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
         std::uint32_t(b[3]) << 24;
}

}  // namespace

void WebChecksum::Add(std::int32_t value) {
  // Wrapping arithmetic: hostile files may hold any value, and signed overflow must not
  // decide the result.
  m_sum = std::int32_t(std::uint32_t(m_sum) + std::uint32_t(value));
  if (m_sum > kChecksumWrap) m_sum -= kChecksumWrap;
}

bool WebReader::Take(void* out, size_t bytes) {
  if (Remaining() < bytes) return false;
  std::memcpy(out, m_pData + m_pos, bytes);
  m_pos += bytes;
  return true;
}

bool WebReader::ReadInt(std::int32_t* value) {
  std::uint8_t b[4];
  if (!Take(b, 4)) return false;
  *value = std::int32_t(FromLittleEndian(b));
  return true;
}

bool WebReader::ReadFloat(float* value) {
  std::uint8_t b[4];
  if (!Take(b, 4)) return false;
  const std::uint32_t bits = FromLittleEndian(b);
  std::memcpy(value, &bits, 4);
  return true;
}

bool WebReader::ReadByte(std::uint8_t* value) { return Take(value, 1); }

bool WebReader::ReadCount(size_t itemSize, std::int32_t* count) {
  if (!ReadInt(count) || *count < 0) return false;
  return itemSize == 0 || size_t(*count) <= Remaining() / itemSize;
}

bool WebReader::ReadIntList(std::vector<std::int32_t>* values) {
  std::int32_t count = 0;
  if (!ReadCount(4, &count)) return false;
  values->resize(size_t(count));
  for (std::int32_t& v : *values) ReadInt(&v);
  return true;
}

void WebWriter::WriteInt(std::int32_t value) {
  const std::uint32_t u = std::uint32_t(value);
  for (int shift = 0; shift < 32; shift += 8) m_bytes.push_back(std::uint8_t(u >> shift));
}

void WebWriter::WriteFloat(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  WriteInt(std::int32_t(bits));
}

void WebWriter::WriteByte(std::uint8_t value) { m_bytes.push_back(value); }

void WebWriter::WriteIntList(const std::vector<std::int32_t>& values) {
  WriteInt(std::int32_t(values.size()));
  for (std::int32_t v : values) WriteInt(v);
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  std::uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
    bytes->insert(bytes->end(), chunk, chunk + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".tmp." + std::to_string(::getpid());
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = ::fsync(::fileno(file)) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace qm
