// Crc32: the reflected CRC-32 (polynomial 0xEDB88320) used by RAR archives.
//
// The archive reader checks every extracted entry against the CRC-32 stored in its file
// header, the cipher keys itself from the low bytes of the table, and the packer computes
// header and file checksums with it. The table is built at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFFu;

// The 256-entry lookup table of the reflected polynomial.
const std::array<std::uint32_t, 256>& Crc32Table();

// Continues a running CRC (start with kCrc32Initial; complement the result at the end).
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The finished CRC-32 of one block of bytes.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

}  // namespace qm
