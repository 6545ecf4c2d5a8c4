#include "RarPacker.h"

#include "Rar20Encoder.h"
#include "media/Crc32.h"
#include "media/Rar20Cipher.h"
#include "media/Rar20Format.h"

#include <algorithm>
#include <memory>

namespace qm {

using namespace rar20;

namespace {

void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// Fills in the 16-bit header CRC: the low half of the CRC-32 of the header after the field.
void SealHeader(std::vector<std::uint8_t>& header) {
  const std::uint32_t crc = Crc32(header.data() + 2, header.size() - 2);
  header[0] = std::uint8_t(crc);
  header[1] = std::uint8_t(crc >> 8);
}

void AppendMainHeader(std::vector<std::uint8_t>& out, bool solid) {
  std::vector<std::uint8_t> h;
  Put16(h, 0);
  h.push_back(kMainBlock);
  Put16(h, solid ? kMainSolid : 0);
  Put16(h, kMainHeaderSize);
  Put16(h, 0);
  Put32(h, 0);
  SealHeader(h);
  out.insert(out.end(), h.begin(), h.end());
}

// The fields of one file header that vary per entry.
struct FileRecord {
  std::uint16_t flags = kLongBlock;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
  std::uint32_t crc = 0;
  std::uint32_t time = 0;
  std::uint8_t method = kMethodStored;
  std::uint32_t attributes = kAttrArchive;
};

void AppendFileHeader(std::vector<std::uint8_t>& out, const std::string& name,
                      const FileRecord& r) {
  std::vector<std::uint8_t> h;
  Put16(h, 0);
  h.push_back(kFileBlock);
  Put16(h, r.flags);
  Put16(h, kFileHeaderSize + std::uint32_t(name.size()));
  Put32(h, r.packedSize);
  Put32(h, r.unpackedSize);
  h.push_back(kHostWin32);
  Put32(h, r.crc);
  Put32(h, r.time);
  h.push_back(kMaxUnpackVersion);
  h.push_back(r.method);
  Put16(h, std::uint32_t(name.size()));
  Put32(h, r.attributes);
  h.insert(h.end(), name.begin(), name.end());
  SealHeader(h);
  out.insert(out.end(), h.begin(), h.end());
}

void Encrypt(std::vector<std::uint8_t>& packed, const std::string& password) {
  packed.resize((packed.size() + Rar20Cipher::kBlockSize - 1) / Rar20Cipher::kBlockSize *
                Rar20Cipher::kBlockSize);
  Rar20Cipher cipher;
  cipher.SetKey(password.data(), password.size());
  cipher.Encrypt(packed.data(), packed.size());
}

bool CheckEntry(const PackEntry& e, std::string& error) {
  if (e.name.empty() || e.name.size() > kMaxNameSize) {
    error = "entry name must have 1 to 259 bytes: " + e.name;
    return false;
  }
  if (e.data.size() > 0xFFFFFFF0u) {
    error = "entry too large for the format: " + e.name;
    return false;
  }
  return true;
}

}  // namespace

bool PackArchive(const std::vector<PackEntry>& entries, const PackOptions& options,
                 std::vector<std::uint8_t>& archive, std::string& error) {
  const int level = std::clamp(options.level, 1, 5);
  const bool encrypt = !options.password.empty();
  if (options.password.size() > Rar20Cipher::kMaxPasswordSize) {
    error = "password longer than 255 characters";
    return false;
  }
  archive.assign(kMarker.begin(), kMarker.end());
  AppendMainHeader(archive, options.solid);

  // unar loses its place in a solid stream at an empty entry between compressed ones, so a
  // solid archive lists folders and empty files first; lookups go by name, not by order.
  std::vector<const PackEntry*> order;
  for (const PackEntry& e : entries) order.push_back(&e);
  if (options.solid)
    std::stable_partition(order.begin(), order.end(),
                          [](const PackEntry* e) { return e->directory || e->data.empty(); });

  Rar20Encoder encoder(level);
  bool streamStarted = false;
  for (const PackEntry* entry : order) {
    const PackEntry& e = *entry;
    if (!CheckEntry(e, error)) return false;
    FileRecord r;
    r.time = options.dosTime;
    if (e.directory) {
      r.flags |= kFileDirectory;
      r.attributes = kAttrDirectory;
      AppendFileHeader(archive, e.name, r);
      continue;
    }
    r.flags |= kFileWindow1024K;
    r.unpackedSize = std::uint32_t(e.data.size());
    r.crc = Crc32(e.data.data(), e.data.size());
    std::vector<std::uint8_t> packed;
    if (options.method == PackMethod::kStore || e.data.empty()) {
      packed = e.data;
    } else {
      if (!options.solid || !streamStarted) encoder.Reset();
      if (options.solid && streamStarted) r.flags |= kFileContinuesSolid;
      AudioLayout layout;
      if (options.method == PackMethod::kMultimedia) {
        layout = ChooseAudioLayout(e.data.data(), e.data.size());
        if (options.audioChannels > 0) layout.channels = options.audioChannels;
      }
      packed = encoder.Encode(e.data.data(), e.data.size(),
                              options.method == PackMethod::kMultimedia ? &layout : nullptr);
      r.method = std::uint8_t(kMethodStored + level);
      streamStarted = true;
    }
    if (encrypt && !packed.empty()) {
      Encrypt(packed, options.password);
      r.flags |= kFileEncrypted;
    }
    r.packedSize = std::uint32_t(packed.size());
    AppendFileHeader(archive, e.name, r);
    archive.insert(archive.end(), packed.begin(), packed.end());
  }
  return true;
}

}  // namespace qm
