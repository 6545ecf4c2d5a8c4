// RarPacker: writes RAR 2.0 archives that the saver's reader and other RAR readers accept.
//
// The media build and the tests call PackArchive with the entries in archive order. Entries
// can be stored, compressed (LZ) or compressed in the multimedia mode, encrypted with a
// password, and the archive can be solid (one compressed stream through all entries).
// Folders are entries of their own; names use '\' between folder and file. Header CRCs and
// file CRC-32s are filled in. Empty entries are stored; in a solid archive they and the
// folders come first (other readers stumble over an empty entry inside a solid stream).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// How the entries' data is packed.
enum class PackMethod { kStore, kCompress, kMultimedia };

struct PackOptions {
  PackMethod method = PackMethod::kCompress;
  bool solid = false;
  std::string password;    // empty: not encrypted
  int level = 1;           // 1..5: method byte 0x31..0x35 and effort of the match search
  int audioChannels = 0;   // multimedia mode: 1..4, or 0 to choose from the data
  std::uint32_t dosTime = 0x30C16000;   // 2004-06-01 12:00, fixed so that builds repeat
};

// One entry to pack.
struct PackEntry {
  std::string name;   // archive name, '\' between folders
  std::vector<std::uint8_t> data;
  bool directory = false;
};

// The archive bytes; false with a reason when an entry cannot be packed.
bool PackArchive(const std::vector<PackEntry>& entries, const PackOptions& options,
                 std::vector<std::uint8_t>& archive, std::string& error);

}  // namespace qm
