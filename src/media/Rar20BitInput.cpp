#include "media/Rar20BitInput.h"

#include "media/Rar20Cipher.h"

#include <algorithm>
#include <cstring>

namespace qm {

void Rar20BitInput::Start(const std::uint8_t* packed, std::uint32_t packedSize,
                          Rar20Cipher* cipher) {
  m_packed = packed;
  m_packedSize = packedSize;
  m_packedRead = 0;
  m_bufferBase = 0;
  m_bitPos = 0;
  m_cipher = cipher;
  ReadChunk(0, kBufferSize);
}

void Rar20BitInput::ReadChunk(std::uint32_t offset, std::uint32_t count) {
  const std::uint32_t n = std::min(count, m_packedSize - m_packedRead);
  if (n > 0) std::memcpy(m_buffer + offset, m_packed + m_packedRead, n);
  if (m_cipher != nullptr) m_cipher->Decrypt(m_buffer + offset, n);
  m_packedRead += n;
  std::memset(m_buffer + offset + n, 0, sizeof m_buffer - offset - n);
}

void Rar20BitInput::Refill() {
  const std::uint32_t moved = kBufferSize - kKeptBytes;
  std::memmove(m_buffer, m_buffer + moved, kKeptBytes);
  m_bitPos -= moved * 8;
  m_bufferBase += moved;
  ReadChunk(kKeptBytes, moved);
}

std::uint32_t Rar20BitInput::BytesAfterPosition() const {
  const std::uint64_t byte = std::uint64_t(m_bufferBase) + (m_bitPos >> 3);
  return byte >= m_packedSize ? 0 : static_cast<std::uint32_t>(m_packedSize - byte);
}

}  // namespace qm
