// XFileSource: reading a model from the disk, an embedded archive or a RAR file.
#include "XFileSource.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace qm {
namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The password of an embedded archive: the clock digits have their own.
const char* EmbeddedPassword(int resourceId) {
  return resourceId == 452 ? kDigitsPassword : kMediaPassword;
}

}  // namespace

bool ParseXFileSource(int argc, char** argv, int* i, XFileSourceRequest* request) {
  const std::string arg = argv[*i];
  if (arg == "--archive") {
    if (*i + 2 >= argc) return false;
    request->kind = XFileSourceRequest::Kind::kEmbedded;
    request->resourceId = std::atoi(argv[*i + 1]);
    request->entry = argv[*i + 2];
    *i += 3;
    return request->resourceId > 0;
  }
  if (arg == "--rar") {
    if (*i + 2 >= argc) return false;
    request->kind = XFileSourceRequest::Kind::kRarFile;
    request->path = argv[*i + 1];
    request->entry = argv[*i + 2];
    *i += 3;
    if (*i + 1 < argc && std::string(argv[*i]) == "-p") {
      request->password = argv[*i + 1];
      request->hasPassword = true;
      *i += 2;
    }
    return true;
  }
  if (arg.empty() || arg[0] == '-') return false;
  request->kind = XFileSourceRequest::Kind::kDisk;
  request->path = arg;
  *i += 1;
  return true;
}

bool OpenXFileSource(const XFileSourceRequest& request, XFileSourceData* data, std::ostream& err) {
  if (request.kind == XFileSourceRequest::Kind::kDisk) {
    data->label = request.path;
    if (ReadFile(request.path, &data->file)) return true;
    err << request.path << ": cannot open\n";
    return false;
  }
  if (request.kind == XFileSourceRequest::Kind::kEmbedded) {
    data->archive = LoadMediaArchive(request.resourceId);
    data->password = EmbeddedPassword(request.resourceId);
    data->label = "MediaData " + std::to_string(request.resourceId) + ": " + request.entry;
    if (data->archive.nSize == 0) {
      err << "no embedded archive " << request.resourceId << "\n";
      return false;
    }
  } else {
    data->label = request.path + ": " + request.entry;
    if (!ReadFile(request.path, &data->archiveBytes) || data->archiveBytes.size() > 0xFFFFFFFFu) {
      err << request.path << ": cannot open\n";
      return false;
    }
    data->archive = MediaArchive{data->archiveBytes.data(),
                                 static_cast<std::uint32_t>(data->archiveBytes.size()), 0};
    data->password = request.hasPassword ? request.password.c_str() : nullptr;
  }
  std::uint8_t* buffer = nullptr;
  std::uint32_t size = 0;
  if (!ExtractEntry(request.entry.c_str(), &data->archive, data->password, &buffer, &size)) {
    err << data->label << ": cannot extract\n";
    return false;
  }
  data->file.assign(buffer, buffer + size);
  std::free(buffer);
  return true;
}

}  // namespace qm
