// MediaArchive: extraction of named entries from the RAR 2.0 archives the saver carries.
//
// The scene objects, the clock overlay and the cobweb loader call LoadMediaArchive with the
// id of a "MediaData" resource and then ExtractEntry for each file they need ("spider.x",
// "Digits\digit_0.JPG"). Stored, compressed (including the multimedia mode), solid and
// encrypted entries are read; the resulting buffer comes from malloc and belongs to the
// caller, who frees it. Every failure gives false, a null buffer and a count of 0. The
// archive bytes are outside data: damaged archives fail cleanly instead of crashing.
#pragma once

#include <cstdint>

namespace qm {

// Password of the clock digits archive (resource 452).
inline constexpr char kDigitsPassword[] = "QM V7R WB";
// Password of every other archive, among them the scene media (resource 481).
inline constexpr char kMediaPassword[] = "QF";

// Largest entry ExtractEntry agrees to produce; bigger sizes in a header mean a damaged file.
inline constexpr std::uint32_t kMaxEntrySize = 256u << 20;

// A "MediaData" resource mapped in memory: the bytes are not owned and live with the module.
struct MediaArchive {
  const std::uint8_t* pData = nullptr;
  std::uint32_t nSize = 0;   // 0 when the resource is missing
  std::uint32_t nPos = 0;    // read position, reset by every extraction
};

// The archive carried as resource ("MediaData", id); empty when there is none.
MediaArchive LoadMediaArchive(int resourceId);

// Extracts the entry whose stored name equals path once '\' and '/' both read as '_' and
// letters are compared in upper case. password may be null (entries are then not deciphered).
// On success *buffer holds *byteCount bytes (the entry's unpacked size), to be freed by the
// caller with free(); a matching directory gives success with an empty buffer.
bool ExtractEntry(const char* path, MediaArchive* archive, const char* password,
                  std::uint8_t** buffer, std::uint32_t* byteCount);

// Why an extraction failed, for tools that tell a person.
enum class ExtractFailure {
  None,
  NotFound,           // no entry of that name (or no archive at all)
  UnsupportedMethod,  // packed by RAR 1.x (unpack version below 20), or beyond 2.0
  Damaged,            // damaged archive or wrong password: the data does not check out
  OutOfMemory,
};

// ExtractEntry that also says why it failed (None after success).
bool ExtractEntry(const char* path, MediaArchive* archive, const char* password,
                  std::uint8_t** buffer, std::uint32_t* byteCount, ExtractFailure* failure);

}  // namespace qm
