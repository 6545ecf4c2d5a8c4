#include "media/Rar20Cipher.h"

#include "media/Crc32.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qm {
namespace {

constexpr int kRounds = 32;
constexpr std::array<std::uint32_t, 4> kInitialKey = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u,
                                                      0xA4E7F123u};
constexpr std::array<std::uint8_t, 256> kInitialSubst = {
    215, 19,  149, 35,  73,  197, 192, 205, 249, 28,  16,  119, 48,  221, 2,   42,
    232, 1,   177, 233, 14,  88,  219, 25,  223, 195, 244, 90,  87,  239, 153, 137,
    255, 199, 147, 70,  92,  66,  246, 13,  216, 40,  62,  29,  217, 230, 86,  6,
    71,  24,  171, 196, 101, 113, 218, 123, 93,  91,  163, 178, 202, 67,  44,  235,
    107, 250, 75,  234, 49,  167, 125, 211, 83,  114, 157, 144, 32,  193, 143, 36,
    158, 124, 247, 187, 89,  214, 141, 47,  121, 228, 61,  130, 213, 194, 174, 251,
    97,  110, 54,  229, 115, 57,  152, 94,  105, 243, 212, 55,  209, 245, 63,  11,
    164, 200, 31,  156, 81,  176, 227, 21,  76,  99,  139, 188, 127, 17,  248, 51,
    207, 120, 189, 210, 8,   226, 41,  72,  183, 203, 135, 165, 166, 60,  98,  7,
    122, 38,  155, 170, 69,  172, 252, 238, 39,  134, 59,  128, 236, 27,  240, 80,
    131, 3,   85,  206, 145, 79,  154, 142, 159, 220, 201, 133, 74,  64,  20,  129,
    224, 185, 138, 103, 173, 182, 43,  34,  254, 82,  198, 151, 231, 180, 58,  10,
    118, 26,  102, 12,  50,  132, 22,  191, 136, 111, 162, 179, 45,  4,   148, 108,
    161, 56,  78,  126, 242, 222, 15,  175, 146, 23,  33,  241, 181, 190, 77,  225,
    0,   46,  169, 186, 68,  95,  237, 65,  53,  208, 253, 168, 9,   18,  100, 52,
    116, 184, 160, 96,  109, 37,  30,  106, 140, 104, 150, 5,   204, 117, 112, 84};

std::uint32_t RotateLeft(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

std::uint32_t LoadLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

}  // namespace

void Rar20Cipher::SetKey(const char* password, std::size_t size) {
  const auto& crc = Crc32Table();
  size = std::min(size, kMaxPasswordSize);
  // One spare zero byte: an odd-length password pairs its last character with zero.
  std::uint8_t block[kMaxPasswordSize + 1 + kBlockSize] = {};
  std::memcpy(block, password, size);

  m_key = kInitialKey;
  m_subst = kInitialSubst;
  for (std::uint32_t j = 0; j < 256; ++j) {
    for (std::size_t i = 0; i < size; i += 2) {
      std::uint32_t x = crc[(block[i] - j) & 0xFF] & 0xFF;
      const std::uint32_t y = crc[(block[i + 1] + j) & 0xFF] & 0xFF;
      for (std::uint32_t k = 1; x != y; x = (x + 1) & 0xFF, ++k)
        std::swap(m_subst[x], m_subst[(x + i + k) & 0xFF]);
    }
  }
  for (std::size_t i = 0; i < size; i += kBlockSize) EncryptBlock(block + i);
  std::memset(block, 0, sizeof block);
}

std::uint32_t Rar20Cipher::Substitute(std::uint32_t v) const {
  return std::uint32_t(m_subst[v & 0xFF]) | std::uint32_t(m_subst[(v >> 8) & 0xFF]) << 8 |
         std::uint32_t(m_subst[(v >> 16) & 0xFF]) << 16 |
         std::uint32_t(m_subst[(v >> 24) & 0xFF]) << 24;
}

void Rar20Cipher::AbsorbBlock(const std::uint8_t* ciphertext) {
  const auto& crc = Crc32Table();
  for (int m = 0; m < 4; ++m)
    for (int j = 0; j < 4; ++j) m_key[j] ^= crc[ciphertext[4 * m + j]];
}

void Rar20Cipher::DecryptBlock(std::uint8_t* block) {
  std::uint8_t ciphertext[kBlockSize];
  std::memcpy(ciphertext, block, kBlockSize);
  std::uint32_t a = LoadLe32(block) ^ m_key[0], b = LoadLe32(block + 4) ^ m_key[1];
  std::uint32_t c = LoadLe32(block + 8) ^ m_key[2], d = LoadLe32(block + 12) ^ m_key[3];
  for (int r = kRounds - 1; r >= 0; --r) {
    const std::uint32_t k = m_key[r & 3];
    const std::uint32_t t = Substitute((c + RotateLeft(d, 11)) ^ k);
    const std::uint32_t u = Substitute((d ^ RotateLeft(c, 17)) + k);
    const std::uint32_t newC = t ^ a, newD = u ^ b;
    a = c;
    b = d;
    c = newC;
    d = newD;
  }
  StoreLe32(block, c ^ m_key[0]);
  StoreLe32(block + 4, d ^ m_key[1]);
  StoreLe32(block + 8, a ^ m_key[2]);
  StoreLe32(block + 12, b ^ m_key[3]);
  AbsorbBlock(ciphertext);
}

void Rar20Cipher::EncryptBlock(std::uint8_t* block) {
  std::uint32_t a = LoadLe32(block) ^ m_key[0], b = LoadLe32(block + 4) ^ m_key[1];
  std::uint32_t c = LoadLe32(block + 8) ^ m_key[2], d = LoadLe32(block + 12) ^ m_key[3];
  for (int r = 0; r < kRounds; ++r) {
    const std::uint32_t k = m_key[r & 3];
    const std::uint32_t t = Substitute((c + RotateLeft(d, 11)) ^ k);
    const std::uint32_t u = Substitute((d ^ RotateLeft(c, 17)) + k);
    const std::uint32_t newC = t ^ a, newD = u ^ b;
    a = c;
    b = d;
    c = newC;
    d = newD;
  }
  StoreLe32(block, c ^ m_key[0]);
  StoreLe32(block + 4, d ^ m_key[1]);
  StoreLe32(block + 8, a ^ m_key[2]);
  StoreLe32(block + 12, b ^ m_key[3]);
  AbsorbBlock(block);
}

void Rar20Cipher::Decrypt(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + kBlockSize <= size; i += kBlockSize) DecryptBlock(data + i);
}

void Rar20Cipher::Encrypt(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + kBlockSize <= size; i += kBlockSize) EncryptBlock(data + i);
}

}  // namespace qm
