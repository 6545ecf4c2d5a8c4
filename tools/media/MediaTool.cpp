// quillmoor-media: lists, extracts and packs the saver's RAR 2.0 media archives.
//
// The media build calls `pack` to make the archives carried as resources; people and tests
// call `list` and `extract` to look inside them (extraction goes through the saver's own
// reader), and `bench` measures the reader beside unar.
#include "MediaTool.h"

#include "RarPacker.h"
#include "media/MediaArchive.h"
#include "media/Rar20Format.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace qm::mediatool {

namespace fs = std::filesystem;
using namespace rar20;

namespace {

constexpr const char* kUsage =
    "usage: quillmoor-media list ARCHIVE\n"
    "       quillmoor-media extract ARCHIVE ENTRY [-p PASSWORD | -P media|digits] [-o FILE]\n"
    "       quillmoor-media pack [--solid] [--store|--compress|--multimedia] [--level 1-5]\n"
    "                            [--channels 1-4] [-p PASSWORD | -P media|digits] ARCHIVE FILE...\n"
    "       quillmoor-media bench [--mb N] [--dir DIR]\n"
    "\n"
    "pack stores each FILE under its path as given, relative to the current directory,\n"
    "with '/' turned into '\\' (so `cd dir && quillmoor-media pack a.rar Digits/digit_0.JPG`\n"
    "stores \"Digits\\digit_0.JPG\"); a leading \"./\" is dropped, \"..\" is refused. A\n"
    "directory becomes a folder entry followed by everything in it, in name order.\n"
    "--compress (the default) writes method 0x30 + level (level 1 unless --level says);\n"
    "--multimedia codes WAV samples (or the whole file) with the audio predictor, the\n"
    "channel count taken from the WAV header or guessed unless --channels says.\n"
    "-P media and -P digits use the saver's built-in archive passwords.\n"
    "extract writes to standard output unless -o names a file. An ENTRY given in UTF-8\n"
    "also finds a name the archive stores in a DOS code page (437, 850 or 866).\n"
    "list shows each entry's method and the RAR version needed to unpack it (20 = 2.0).\n";

// DOS code pages that archivers of the RAR 2.0 era stored names in, most common first.
constexpr const char* kOemCodePages[] = {"CP437", "CP850", "CP866"};

std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

bool PasswordByName(const std::string& name, std::string& password) {
  if (name == "media") password = kMediaPassword;
  else if (name == "digits") password = kDigitsPassword;
  else return false;
  return true;
}

int List(const std::string& path) {
  std::vector<std::uint8_t> a;
  if (!ReadWholeFile(path, a)) return Fail("cannot read " + path);
  if (a.size() < kMarkerSize + kMainHeaderSize ||
      (!std::equal(kMarker.begin(), kMarker.end(), a.begin()) &&
       !std::equal(kAltMarker.begin(), kAltMarker.end(), a.begin())))
    return Fail(path + " is not a RAR archive");
  const bool solid = (Le16(&a[kMarkerSize + 3]) & kMainSolid) != 0;
  std::printf("%s%s\n%10s %10s %8s %6s %3s %5s  %s\n", path.c_str(), solid ? " (solid)" : "",
              "size", "packed", "crc32", "method", "ver", "flags", "name");
  std::uint64_t pos = kMarkerSize + Le16(&a[kMarkerSize + 5]);
  while (pos + kBlockHeaderSize <= a.size()) {
    const std::uint8_t* b = &a[pos];
    const std::uint16_t flags = Le16(b + 3), headSize = Le16(b + 5);
    if (headSize < kBlockHeaderSize) return Fail("damaged block header in " + path);
    std::uint64_t dataSize = 0;
    if ((flags & kLongBlock) && pos + 11 <= a.size()) dataSize = Le32(b + 7);
    if (b[2] == kFileBlock && pos + kFileHeaderSize <= a.size()) {
      const std::uint32_t nameSize = std::min<std::uint32_t>(
          Le16(b + 26), std::uint32_t(a.size() - pos - kFileHeaderSize));
      std::string name(reinterpret_cast<const char*>(b + kFileHeaderSize), nameSize);
      name = name.c_str();
      std::printf("%10u %10u %08x %6s %3u %5s  %s%s\n", Le32(b + 11), Le32(b + 7), Le32(b + 16),
                  b[25] == kMethodStored ? "store" : (std::string("m") + char(b[25])).c_str(),
                  unsigned(b[24]), (flags & kFileEncrypted) ? "*" : "", name.c_str(),
                  (flags & kFileDirectory) == kFileDirectory ? "\\" : "");
    }
    if (b[2] == kEndBlock) break;
    pos += headSize + dataSize;
  }
  return 0;
}

std::string FailureText(ExtractFailure failure) {
  switch (failure) {
    case ExtractFailure::NotFound: return " (no such entry)";
    case ExtractFailure::UnsupportedMethod:
      return " (unsupported method: the entry needs an unpack version other than RAR 2.0's)";
    case ExtractFailure::OutOfMemory: return " (out of memory)";
    default: return " (damaged archive or wrong password)";
  }
}

// The UTF-8 name in a DOS code page; false when a character has no place in it.
bool ConvertName(const std::string& utf8, const char* codePage, std::string& converted) {
  iconv_t convert = iconv_open(codePage, "UTF-8");
  if (convert == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = utf8;
  converted.assign(in.size() * 4 + 4, '\0');
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char* outPtr = converted.data();
  size_t outLeft = converted.size();
  const bool ok = iconv(convert, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(convert);
  converted.resize(converted.size() - outLeft);
  return ok && inLeft == 0;
}

bool WriteAll(std::FILE* file, const std::uint8_t* data, std::size_t size) {
  return std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
}

int Extract(int argc, char** argv) {
  if (argc < 4) return Fail("extract needs ARCHIVE and ENTRY");
  std::string password, output;
  bool havePassword = false;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "-p" || arg == "-P" || arg == "-o") && i + 1 >= argc)
      return Fail(arg + " needs a value");
    if (arg == "-p") password = argv[++i], havePassword = true;
    else if (arg == "-P") {
      if (!PasswordByName(argv[++i], password)) return Fail("-P takes media or digits");
      havePassword = true;
    } else if (arg == "-o") output = argv[++i];
    else return Fail("unknown option " + arg);
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(argv[2], bytes)) return Fail(std::string("cannot read ") + argv[2]);
  MediaArchive archive{bytes.data(), std::uint32_t(bytes.size()), 0};
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  ExtractFailure failure = ExtractFailure::NotFound;
  const char* key = havePassword ? password.c_str() : nullptr;
  bool extracted = ExtractEntry(argv[3], &archive, key, &buffer, &count, &failure);
  for (const char* codePage : kOemCodePages) {
    if (extracted || failure != ExtractFailure::NotFound) break;
    std::string oemName;
    if (!ConvertName(argv[3], codePage, oemName) || oemName == argv[3]) continue;
    extracted = ExtractEntry(oemName.c_str(), &archive, key, &buffer, &count, &failure);
  }
  if (!extracted) return Fail(std::string("cannot extract ") + argv[3] + FailureText(failure));
  // The entry goes out from the reader's own buffer: no second copy of it.
  const bool written = output.empty() ? WriteAll(stdout, buffer, count)
                                      : WriteWholeFile(output, buffer, count);
  std::free(buffer);
  if (!written) return Fail("cannot write " + (output.empty() ? "standard output" : output));
  return 0;
}

// The archive name of a path given on the command line, or empty when it is refused.
std::string EntryName(const std::string& path) {
  std::string p = path;
  while (p.rfind("./", 0) == 0) p.erase(0, 2);
  while (!p.empty() && p.front() == '/') p.erase(0, 1);
  while (!p.empty() && p.back() == '/') p.pop_back();
  for (const auto& part : fs::path(p))
    if (part == "..") return {};
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

bool AddPath(const std::string& path, std::vector<PackEntry>& entries, std::string& error) {
  PackEntry e;
  e.name = EntryName(path);
  if (e.name.empty()) {
    error = "cannot store " + path + " (empty name or \"..\")";
    return false;
  }
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    e.directory = true;
    entries.push_back(e);
    std::vector<std::string> children;
    for (const auto& child : fs::directory_iterator(path, ec))
      children.push_back((fs::path(path) / child.path().filename()).string());
    std::sort(children.begin(), children.end());
    for (const auto& child : children)
      if (!AddPath(child, entries, error)) return false;
    return !ec;
  }
  if (!ReadWholeFile(path, e.data)) {
    error = "cannot read " + path;
    return false;
  }
  entries.push_back(std::move(e));
  return true;
}

int Pack(int argc, char** argv) {
  PackOptions options;
  int i = 2;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--solid") options.solid = true;
    else if (arg == "--store") options.method = PackMethod::kStore;
    else if (arg == "--compress") options.method = PackMethod::kCompress;
    else if (arg == "--multimedia") options.method = PackMethod::kMultimedia;
    else if (arg == "--level" && hasValue) options.level = std::atoi(argv[++i]);
    else if (arg == "--channels" && hasValue) options.audioChannels = std::atoi(argv[++i]);
    else if (arg == "-p" && hasValue) options.password = argv[++i];
    else if (arg == "-P" && hasValue) {
      if (!PasswordByName(argv[++i], options.password)) return Fail("-P takes media or digits");
    } else return Fail("unknown or incomplete option " + arg);
  }
  if (options.level < 1 || options.level > 5) return Fail("--level takes 1 to 5");
  if (options.audioChannels < 0 || options.audioChannels > 4) return Fail("--channels takes 1 to 4");
  if (argc - i < 2) return Fail("pack needs ARCHIVE and at least one FILE");
  const std::string archivePath = argv[i++];
  std::vector<PackEntry> entries;
  std::string error;
  for (; i < argc; ++i)
    if (!AddPath(argv[i], entries, error)) return Fail(error);
  std::vector<std::uint8_t> archive;
  if (!PackArchive(entries, options, archive, error)) return Fail(error);
  return WriteWholeFile(archivePath, archive) ? 0 : Fail("cannot write " + archivePath);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return WriteWholeFile(path, bytes.data(), bytes.size());
}

bool WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return bool(out.flush());
}

int Fail(const std::string& reason) {
  std::fprintf(stderr, "quillmoor-media: %s\n", reason.c_str());
  return 1;
}

}  // namespace qm::mediatool

int main(int argc, char** argv) {
  using namespace qm::mediatool;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "list" && argc == 3) return List(argv[2]);
  if (command == "extract") return Extract(argc, argv);
  if (command == "pack") return Pack(argc, argv);
  if (command == "bench") return RunBench(argc, argv);
  std::fputs(kUsage, stderr);
  return Fail(command.empty() ? "no command given" : "bad command line");
}
