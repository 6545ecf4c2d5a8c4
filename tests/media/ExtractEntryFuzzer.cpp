// libFuzzer target: ExtractEntry on arbitrary bytes must fail or succeed cleanly.
// The first input byte picks the name and password to ask for, the rest is the archive.
// Besides six fixed names (those of the packer's seeds), the names of the archive's own
// first two file entries are asked for, so that real archives in the corpus reach their
// decoders too (the second one in a solid archive only after the first was unpacked).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "media/Crc32.h"
#include "media/MediaArchive.h"

namespace {

std::uint32_t Le16(const std::uint8_t* p) { return std::uint32_t(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }

// The stored name of file block `index` (0 the first), read as the format lays it out
// (marker, main header, blocks of CRC, type, flags, size and, for long blocks, the size of
// the data that follows); empty when there is none.
std::string EntryName(const std::uint8_t* data, std::size_t size, int index) {
  constexpr std::size_t kMarker = 7, kFileHeader = 32;
  constexpr std::uint32_t kLongBlock = 0x8000;
  if (size < kMarker + 7) return {};
  std::uint64_t pos = kMarker + Le16(data + kMarker + 5);
  for (int block = 0; block < 64 && pos + 7 <= size; ++block) {
    const std::uint8_t* head = data + pos;
    const std::uint32_t headSize = Le16(head + 5);
    if (headSize < 7) return {};
    if (head[2] == 0x74 && index-- == 0) {
      if (pos + kFileHeader > size) return {};
      const std::size_t nameSize = Le16(head + 26);
      if (pos + kFileHeader + nameSize > size) return {};
      return std::string(reinterpret_cast<const char*>(head + kFileHeader), nameSize).c_str();
    }
    pos += headSize;
    if ((Le16(head + 3) & kLongBlock) != 0 && pos <= size && headSize >= 11) pos += Le32(head + 7);
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"a.txt", "b.bin", "Digits\\digit_0.jpg", "music.wav",
                                       "part3.x", "Digits"};
  static const char* const kPasswords[] = {nullptr, "pw", qm::kMediaPassword, "password"};
  const unsigned pick = data[0] % 8;
  const std::string own = pick < 6 ? std::string() : EntryName(data + 1, size - 1, int(pick) - 6);
  const char* name = pick < 6 ? kNames[pick] : own.c_str();
  const char* password = kPasswords[(data[0] >> 4) % 4];
  qm::MediaArchive archive{data + 1, static_cast<std::uint32_t>(size - 1), 0};
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  if (qm::ExtractEntry(name, &archive, password, &buffer, &count)) {
    if (buffer == nullptr) std::abort();
    volatile std::uint32_t crc = qm::Crc32(buffer, count);   // touches every byte
    (void)crc;
    std::free(buffer);
  } else if (buffer != nullptr || count != 0) {
    std::abort();
  }
  return 0;
}
