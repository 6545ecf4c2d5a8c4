// Rar20Cipher: the RAR 2.0 block cipher (16-byte blocks, 32 rounds, keyed by a password).
//
// The archive reader deciphers the packed data of encrypted entries with it; the packer
// enciphers. Each entry is keyed afresh from the password. The keys absorb every ciphertext
// block, so blocks must be processed in order, and the state is one stream at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

class Rar20Cipher {
 public:
  static constexpr std::size_t kBlockSize = 16;
  static constexpr std::size_t kMaxPasswordSize = 255;

  // Keys the cipher from the first min(size, kMaxPasswordSize) bytes of the password.
  void SetKey(const char* password, std::size_t size);

  // Processes whole 16-byte blocks; a trailing partial block is left as it is.
  void Decrypt(std::uint8_t* data, std::size_t size);
  void Encrypt(std::uint8_t* data, std::size_t size);

 private:
  void DecryptBlock(std::uint8_t* block);
  void EncryptBlock(std::uint8_t* block);
  void AbsorbBlock(const std::uint8_t* ciphertext);
  std::uint32_t Substitute(std::uint32_t value) const;

  std::array<std::uint32_t, 4> m_key{};
  std::array<std::uint8_t, 256> m_subst{};
};

}  // namespace qm
