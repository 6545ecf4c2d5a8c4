// Rar20BitInput: the packed-data reader of one archive entry, most significant bit first.
//
// Rar20Decoder pulls bits through it. Packed bytes arrive through an 8 KB buffer, never
// more than the entry's packed size; each chunk is deciphered in 16-byte blocks when the
// entry is encrypted. When fewer than 30 unread bytes remain in the buffer its last 32 bytes
// move to the front and the next chunk follows them. Bits past the end of the packed data
// read as zero, and Overrun() tells when the decoder has consumed more than there was.
#pragma once

#include <cstdint>

namespace qm {

class Rar20Cipher;

class Rar20BitInput {
 public:
  // Starts reading one entry's packed data; cipher is null for plain data.
  void Start(const std::uint8_t* packed, std::uint32_t packedSize, Rar20Cipher* cipher);

  // Keeps at least 30 buffered bytes ahead of the read position; call before each symbol.
  void EnsureBuffered() {
    if ((m_bitPos >> 3) > kRefillPosition) Refill();
  }

  // The next 16 bits, left-aligned to bit 15, without consuming them.
  std::uint32_t Peek16() const {
    const std::uint32_t byte = m_bitPos >> 3;
    const std::uint32_t v = std::uint32_t(m_buffer[byte]) << 16 |
                            std::uint32_t(m_buffer[byte + 1]) << 8 | m_buffer[byte + 2];
    return (v >> (8 - (m_bitPos & 7))) & 0xFFFF;
  }

  void Skip(std::uint32_t bits) { m_bitPos += bits; }

  // Reads 0 to 16 bits as an unsigned number.
  std::uint32_t Read(std::uint32_t bits) {
    if (bits == 0) return 0;
    const std::uint32_t v = Peek16() >> (16 - bits);
    m_bitPos += bits;
    return v;
  }

  // True once more bits were consumed than the packed data holds.
  bool Overrun() const {
    return std::uint64_t(m_bufferBase) * 8 + m_bitPos > std::uint64_t(m_packedSize) * 8;
  }

  // Whole packed bytes after the byte that holds the read position.
  std::uint32_t BytesAfterPosition() const;

 private:
  static constexpr std::uint32_t kBufferSize = 8192;
  static constexpr std::uint32_t kRefillPosition = 8162;
  static constexpr std::uint32_t kKeptBytes = 32;
  static constexpr std::uint32_t kSlack = 16;   // zeros that peeks past the buffer may see

  void Refill();
  // Appends up to count packed bytes at the buffer offset, zeroing whatever is not filled.
  void ReadChunk(std::uint32_t offset, std::uint32_t count);

  const std::uint8_t* m_packed = nullptr;
  std::uint32_t m_packedSize = 0;
  std::uint32_t m_packedRead = 0;   // packed bytes moved into the buffer so far
  std::uint32_t m_bufferBase = 0;   // packed offset of m_buffer[0]
  std::uint32_t m_bitPos = 0;       // read position in the buffer, in bits
  Rar20Cipher* m_cipher = nullptr;
  std::uint8_t m_buffer[kBufferSize + kSlack] = {};
};

}  // namespace qm
