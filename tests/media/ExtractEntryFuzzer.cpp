// libFuzzer target: ExtractEntry on arbitrary bytes must fail or succeed cleanly.
// The first input byte picks the name and password to ask for, the rest is the archive.
// Besides six fixed names, the name of the archive's own first file entry is asked for, so
// that real archives in the corpus reach their decoders too.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "media/Crc32.h"
#include "media/MediaArchive.h"

namespace {

// The stored name of the first file block, read as the format lays it out (marker, main
// header, blocks of CRC, type, flags, size); empty when there is none.
std::string FirstEntryName(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kMarker = 7, kFileHeader = 32;
  if (size < kMarker + 7) return {};
  std::size_t pos = kMarker + std::size_t(data[kMarker + 5] | data[kMarker + 6] << 8);
  for (int block = 0; block < 16 && pos + 7 <= size; ++block) {
    const std::size_t headSize = std::size_t(data[pos + 5] | data[pos + 6] << 8);
    if (headSize < 7) return {};
    if (data[pos + 2] == 0x74) {
      if (pos + kFileHeader > size) return {};
      const std::size_t nameSize = std::size_t(data[pos + 26] | data[pos + 27] << 8);
      if (pos + kFileHeader + nameSize > size) return {};
      return std::string(reinterpret_cast<const char*>(data + pos + kFileHeader), nameSize).c_str();
    }
    pos += headSize;
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"a.txt", "b.bin", "Digits\\digit_0.jpg", "music.wav",
                                       "part3.x", "Digits"};
  static const char* const kPasswords[] = {nullptr, "pw", qm::kMediaPassword, "password"};
  const std::string first = FirstEntryName(data + 1, size - 1);
  const unsigned pick = data[0] % 8;
  const char* name = pick < 6 ? kNames[pick] : first.c_str();
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
