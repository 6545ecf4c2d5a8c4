// qm-xfile-fuzz-seeds FOLDER TEXT.x...: writes each text X file again in the other body
// encodings the parser takes (binary with 32- and 64-bit floats, compressed text "tzip" and
// compressed binary "bzip"), with the templates the file declares, as NAME.bin.x,
// NAME.bin64.x, NAME.tzip.x and NAME.bzip.x in FOLDER. The X-file fuzzers' seeds in
// tests/d3dx/fuzz-seeds/xfile were made so from the hand-written text seeds there.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "d3dx/XFile.h"
#include "d3dx/XFileStandardTemplates.h"
#include "d3dx/XFileWriter.h"

namespace {

bool WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// "dir/name.x" -> "name"
std::string Stem(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool Rewrite(const std::string& folder, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<BYTE> text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::unique_ptr<XFile> file;
  DirectXFileCreate(&file);
  XFileRegisterStandardTemplates(file.get());
  std::unique_ptr<XFileEnumObject> objects;
  DXFILELOADMEMORY memory{text.data(), static_cast<DWORD>(text.size())};
  if (text.empty() || FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects))) {
    std::fprintf(stderr, "qm-xfile-fuzz-seeds: %s does not parse: %s\n", path.c_str(),
                 file->LastError().c_str());
    return false;
  }
  std::vector<const XFileData*> topLevel;
  for (const auto& object : objects->Objects()) topLevel.push_back(object.get());

  struct Variant { const char* suffix; XFileEncoding encoding; bool doubles; };
  const Variant variants[] = {{".bin.x", XFileEncoding::Binary, false},
                              {".bin64.x", XFileEncoding::Binary, true},
                              {".tzip.x", XFileEncoding::CompressedText, false},
                              {".bzip.x", XFileEncoding::CompressedBinary, false}};
  for (const Variant& variant : variants) {
    XFileWriteOptions options;
    options.encoding = variant.encoding;
    options.doubles = variant.doubles;
    const XFileTemplateSet& declared = objects->FileTemplates();
    for (size_t i = 0; i < declared.Count(); ++i) options.templates.push_back(&declared.At(i));
    std::vector<BYTE> written;
    const std::string out = folder + "/" + Stem(path) + variant.suffix;
    if (FAILED(XFileWrite(topLevel, options, &written)) || !WriteBytes(out, written)) {
      std::fprintf(stderr, "qm-xfile-fuzz-seeds: cannot write %s\n", out.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qm-xfile-fuzz-seeds FOLDER TEXT.x...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    if (!Rewrite(argv[1], argv[i])) return 1;
  }
  return 0;
}
