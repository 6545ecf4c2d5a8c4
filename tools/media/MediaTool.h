// MediaTool: shared pieces of the quillmoor-media command (file access, archive listing).
//
// MediaTool.cpp holds the list, extract and pack subcommands, MediaBench.cpp the benchmark;
// both read and write whole files through these helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::mediatool {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Prints "quillmoor-media: <reason>" on standard error and returns the failure exit code.
int Fail(const std::string& reason);

// The benchmark subcommand: quillmoor-media bench [--mb N] [--dir DIR].
int RunBench(int argc, char** argv);

}  // namespace qm::mediatool
