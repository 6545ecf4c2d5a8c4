// XFileSource: where quillmoor-xfile takes a model from: a file on the disk, an entry of an
// archive embedded in the tool ("MediaData" resource 481 or 452), or an entry of a RAR file
// on the disk (for archives made with `quillmoor-media pack` before they are embedded).
//
// `info` reads the entry's bytes; `snapshot` also hands the archive to the model, so that
// textures come from the same archive as the model.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "media/MediaArchive.h"

namespace qm {

struct XFileSourceRequest {
  enum class Kind { kDisk, kEmbedded, kRarFile };
  Kind kind = Kind::kDisk;
  std::string path;      // the file (disk), or the RAR file
  int resourceId = 0;    // embedded archive id
  std::string entry;     // entry name inside an archive
  std::string password;  // RAR file password; embedded archives use their own
  bool hasPassword = false;
};

// Reads the arguments of one source at argv[*i] (FILE, `--archive ID ENTRY`, or
// `--rar FILE ENTRY` with an optional `-p PASSWORD`), moving *i past them; false when they
// do not form one.
bool ParseXFileSource(int argc, char** argv, int* i, XFileSourceRequest* request);

// An opened source: the archive (whose bytes `archiveBytes` or the executable hold) and the
// model file's bytes.
struct XFileSourceData {
  MediaArchive archive;
  const char* password = nullptr;
  std::vector<std::uint8_t> archiveBytes;
  std::vector<std::uint8_t> file;
  std::string label;  // for messages and the JSON
};

// Opens the source and extracts or reads the model file; false with a message on `err`.
bool OpenXFileSource(const XFileSourceRequest& request, XFileSourceData* data, std::ostream& err);

}  // namespace qm
