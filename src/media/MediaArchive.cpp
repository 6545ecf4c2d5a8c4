#include "media/MediaArchive.h"

#include "media/Crc32.h"
#include "media/Rar20Cipher.h"
#include "media/Rar20Decoder.h"
#include "media/Rar20Format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace qm {

using namespace rar20;

namespace {

// One bit of packed data can stand for at most one longest match (260 bytes); sizes beyond
// that are a damaged header, refused before any allocation.
constexpr std::uint64_t kMaxBytesPerPackedBit = 260;

std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

char NameKey(char c) {
  if (c == '\\' || c == '/') return '_';
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool NamesMatch(const char* request, const char* stored) {
  for (; *request != 0 && *stored != 0; ++request, ++stored)
    if (NameKey(*request) != NameKey(*stored)) return false;
  return *request == *stored;
}

// The fields of one file header that extraction uses.
struct FileHeader {
  std::uint16_t flags = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
  std::uint32_t fileCrc = 0;
  std::uint8_t unpackVersion = 0;
  std::uint8_t method = 0;
  std::uint64_t dataStart = 0;
  char name[kMaxNameSize + 1] = {};

  bool IsDirectory() const { return (flags & kFileDirectory) == kFileDirectory; }
};

// The working state of one ExtractEntry call: archive walk, password and decoder.
class Extraction {
 public:
  Extraction(MediaArchive& archive, const char* password);
  ~Extraction();
  bool Run(const char* path, std::uint8_t** buffer, std::uint32_t* byteCount);
  ExtractFailure Failure() const { return m_failure; }

 private:
  bool ReadFileHeader(std::uint64_t blockStart, std::uint32_t headSize, FileHeader& h) const;
  bool PlausibleSize(const FileHeader& h) const;
  bool DecodeFile(const FileHeader& h, std::uint8_t* output);
  void CopyStored(const FileHeader& h, Rar20Cipher* cipher, std::uint8_t* output) const;

  MediaArchive& m_archive;
  char m_password[Rar20Cipher::kMaxPasswordSize + 1] = {};
  std::size_t m_passwordSize = 0;
  bool m_solid = false;
  std::unique_ptr<Rar20Decoder> m_decoder;
  ExtractFailure m_failure = ExtractFailure::NotFound;
};

// Whether this reader can unpack an entry: stored data of any version it knows (not
// enciphered by the older ciphers), compressed data only in the 2.0 format.
bool SupportedEntry(const FileHeader& h) {
  if (h.unpackVersion < kMinUnpackVersion || h.unpackVersion > kMaxUnpackVersion) return false;
  if (h.method == kMethodStored) {
    return (h.flags & kFileEncrypted) == 0 || h.unpackVersion == kCipherUnpackVersion;
  }
  return h.unpackVersion >= kMinLzUnpackVersion;
}

Extraction::Extraction(MediaArchive& archive, const char* password) : m_archive(archive) {
  if (password != nullptr) {
    m_passwordSize = std::min(std::strlen(password), Rar20Cipher::kMaxPasswordSize);
    std::memcpy(m_password, password, m_passwordSize);
  }
}

Extraction::~Extraction() {
  volatile char* p = m_password;
  for (std::size_t i = 0; i < sizeof m_password; ++i) p[i] = 0;
}

bool Extraction::Run(const char* path, std::uint8_t** buffer, std::uint32_t* byteCount) {
  const std::uint8_t* data = m_archive.pData;
  const std::uint64_t size = m_archive.nSize;
  m_archive.nPos = 0;
  m_failure = ExtractFailure::NotFound;
  if (data == nullptr || size < kMarkerSize) return false;
  m_failure = ExtractFailure::Damaged;
  // The older four-byte marker and marker-less data belong to a format these archives
  // never use; they are refused rather than guessed at.
  if (!std::equal(kMarker.begin(), kMarker.end(), data) &&
      !std::equal(kAltMarker.begin(), kAltMarker.end(), data))
    return false;
  if (size < kMarkerSize + kMainHeaderSize) return false;
  const std::uint16_t mainHeadSize = Le16(data + kMarkerSize + 5);
  if (mainHeadSize < kBlockHeaderSize) return false;
  m_solid = (Le16(data + kMarkerSize + 3) & kMainSolid) != 0;

  m_decoder.reset(new (std::nothrow) Rar20Decoder);
  if (!m_decoder || !m_decoder->Init()) {
    m_failure = ExtractFailure::OutOfMemory;
    return false;
  }

  std::uint64_t pos = kMarkerSize + mainHeadSize;
  while (pos + kBlockHeaderSize <= size) {
    m_archive.nPos = static_cast<std::uint32_t>(pos);
    const std::uint8_t* block = data + pos;
    const std::uint8_t type = block[2];
    const std::uint16_t flags = Le16(block + 3);
    const std::uint16_t headSize = Le16(block + 5);
    if (headSize < kBlockHeaderSize) return false;
    if (type == kEndBlock) break;
    if (type != kFileBlock) {
      std::uint64_t dataSize = 0;
      if ((flags & kLongBlock) != 0) {
        if (pos + kBlockHeaderSize + 4 > size) break;
        dataSize = Le32(block + kBlockHeaderSize);
      }
      pos += headSize + dataSize;
      continue;
    }

    FileHeader h;
    if (!ReadFileHeader(pos, headSize, h)) return false;
    pos = h.dataStart + h.packedSize;
    const bool match = NamesMatch(path, h.name);
    if (match && h.IsDirectory()) {
      *buffer = static_cast<std::uint8_t*>(std::malloc(1));
      m_failure = *buffer != nullptr ? ExtractFailure::None : ExtractFailure::OutOfMemory;
      return *buffer != nullptr;
    }
    const bool feedsWindow = m_solid && !h.IsDirectory() && h.method != kMethodStored;
    if (!match && !feedsWindow) continue;
    if (!SupportedEntry(h)) {
      m_failure = ExtractFailure::UnsupportedMethod;
      return false;
    }
    if (pos > size || !PlausibleSize(h)) return false;

    std::uint8_t* output = nullptr;
    if (match) {
      output = static_cast<std::uint8_t*>(std::malloc(std::max<std::uint32_t>(h.unpackedSize, 1)));
      if (output == nullptr) {
        m_failure = ExtractFailure::OutOfMemory;
        return false;
      }
    }
    if (!DecodeFile(h, output) ||
        (match && Crc32(output, h.unpackedSize) != h.fileCrc)) {
      std::free(output);
      return false;
    }
    if (match) {
      *buffer = output;
      *byteCount = h.unpackedSize;
      m_failure = ExtractFailure::None;
      return true;
    }
  }
  m_failure = ExtractFailure::NotFound;
  return false;
}

bool Extraction::ReadFileHeader(std::uint64_t blockStart, std::uint32_t headSize,
                                FileHeader& h) const {
  const std::uint64_t size = m_archive.nSize;
  if (headSize < kFileHeaderSize || blockStart + kFileHeaderSize > size) return false;
  const std::uint8_t* p = m_archive.pData + blockStart;
  h.flags = Le16(p + 3);
  h.packedSize = Le32(p + 7);
  h.unpackedSize = Le32(p + 11);
  h.fileCrc = Le32(p + 16);
  h.unpackVersion = p[24];
  h.method = p[25];
  const std::uint32_t nameSize = Le16(p + 26);
  if (kFileHeaderSize + nameSize > headSize || blockStart + kFileHeaderSize + nameSize > size)
    return false;
  // Names stop at a zero byte: an archiver puts a Unicode form of the name after it.
  const std::uint32_t kept = std::min(nameSize, kMaxNameSize);
  std::memcpy(h.name, p + kFileHeaderSize, kept);
  h.name[kept] = 0;
  h.dataStart = blockStart + headSize;
  return true;
}

bool Extraction::PlausibleSize(const FileHeader& h) const {
  if (h.unpackedSize > kMaxEntrySize) return false;
  if (h.method == kMethodStored) return h.unpackedSize <= h.packedSize;
  return h.unpackedSize <= std::uint64_t(h.packedSize) * 8 * kMaxBytesPerPackedBit;
}

bool Extraction::DecodeFile(const FileHeader& h, std::uint8_t* output) {
  Rar20Cipher cipher;
  const bool encrypted = m_passwordSize > 0 && (h.flags & kFileEncrypted) != 0 &&
                         h.unpackVersion == kCipherUnpackVersion;
  if (encrypted) cipher.SetKey(m_password, m_passwordSize);
  if (h.method == kMethodStored) {
    if (output != nullptr) CopyStored(h, encrypted ? &cipher : nullptr, output);
    return true;
  }
  Rar20Entry entry;
  entry.packed = m_archive.pData + h.dataStart;
  entry.packedSize = h.packedSize;
  entry.unpackedSize = h.unpackedSize;
  entry.continuesSolid = (h.flags & kFileContinuesSolid) != 0;
  entry.cipher = encrypted ? &cipher : nullptr;
  entry.output = output;
  return m_decoder->Decode(entry);
}

void Extraction::CopyStored(const FileHeader& h, Rar20Cipher* cipher,
                            std::uint8_t* output) const {
  const std::uint8_t* packed = m_archive.pData + h.dataStart;
  const std::uint32_t n = h.unpackedSize;   // PlausibleSize: n <= packed size
  std::memcpy(output, packed, n);
  if (cipher == nullptr) return;
  const std::uint32_t whole = n - n % Rar20Cipher::kBlockSize;
  cipher->Decrypt(output, whole);
  // The last block is padded in the archive; decipher it whole and keep what belongs.
  if (whole < n && whole + Rar20Cipher::kBlockSize <= h.packedSize) {
    std::uint8_t block[Rar20Cipher::kBlockSize];
    std::memcpy(block, packed + whole, sizeof block);
    cipher->Decrypt(block, sizeof block);
    std::memcpy(output + whole, block, n - whole);
  }
}

}  // namespace

bool ExtractEntry(const char* path, MediaArchive* archive, const char* password,
                  std::uint8_t** buffer, std::uint32_t* byteCount) {
  return ExtractEntry(path, archive, password, buffer, byteCount, nullptr);
}

bool ExtractEntry(const char* path, MediaArchive* archive, const char* password,
                  std::uint8_t** buffer, std::uint32_t* byteCount, ExtractFailure* failure) {
  if (failure != nullptr) *failure = ExtractFailure::NotFound;
  if (buffer == nullptr || byteCount == nullptr) return false;
  *buffer = nullptr;
  *byteCount = 0;
  if (path == nullptr || archive == nullptr) return false;
  Extraction extraction(*archive, password);
  const bool extracted = extraction.Run(path, buffer, byteCount);
  if (failure != nullptr) *failure = extraction.Failure();
  return extracted;
}

}  // namespace qm
