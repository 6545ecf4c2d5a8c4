// libFuzzer target: ExtractEntry on arbitrary bytes must fail or succeed cleanly.
// The first input byte picks the name and password to ask for, the rest is the archive.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/Crc32.h"
#include "media/MediaArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"a.txt", "b.bin", "Digits\\digit_0.jpg", "music.wav",
                                       "part3.x", "Digits"};
  static const char* const kPasswords[] = {nullptr, "pw", qm::kMediaPassword, ""};
  const char* name = kNames[data[0] % 6];
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
