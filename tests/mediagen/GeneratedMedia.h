// Test helper: runs the media generator once per test program into a temporary folder and
// hands out the folder and the bytes of its files, so that every test looks at what the
// build really writes. The music is left out here (MusicTest encodes it itself), which keeps
// each test process to a second or two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// Folder of the generated media (made on first use); empty if generation failed.
const std::string& GeneratedMediaDir();
std::vector<uint8_t> ReadBytes(const std::string& path);
// Every regular file below dir, as paths relative to it, sorted.
std::vector<std::string> ListFiles(const std::string& dir);

}  // namespace qm::test
