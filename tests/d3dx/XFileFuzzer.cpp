// libFuzzer target for the X-file parser: parses any bytes, builds every mesh it finds,
// blends skinned ones and writes the objects back as text and binary. Nothing may crash,
// hang or touch memory outside the input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "d3dx/XFile.h"
#include "d3dx/XFileStandardTemplates.h"
#include "d3dx/XFileWriter.h"
#include "d3dx/XMeshBuilder.h"
#include "d3dx/XMeshSkin.h"

namespace {

void BuildMeshes(const XFileData& object, int depth) {
  if (object.GetType() == TID_D3DRMMesh) {
    XMeshData mesh;
    if (SUCCEEDED(XMeshBuild(object, &mesh)) && mesh.hasSkin) {
      XMeshMatrix identity{};
      for (int i = 0; i < 4; ++i) identity.m[i][i] = 1.0f;
      std::vector<XMeshMatrix> bones(mesh.skin.bones.size(), identity);
      std::vector<XMeshVector3> positions, normals;
      XMeshSkinVertices(mesh, bones, &positions, &normals);
    }
  }
  if (depth > 200) return;
  for (const XFileChild& child : object.Children()) {
    if (!child.isReference) BuildMeshes(*child.object, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<XFile> file;
  DirectXFileCreate(&file);
  XFileRegisterStandardTemplates(file.get());
  std::unique_ptr<XFileEnumObject> objects;
  DXFILELOADMEMORY memory{data, static_cast<DWORD>(size)};
  if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects))) return 0;
  std::vector<const XFileData*> topLevel;
  for (const auto& object : objects->Objects()) {
    BuildMeshes(*object, 0);
    topLevel.push_back(object.get());
  }
  for (XFileEncoding encoding : {XFileEncoding::Text, XFileEncoding::Binary}) {
    XFileWriteOptions options;
    options.encoding = encoding;
    std::vector<BYTE> written;
    XFileWrite(topLevel, options, &written);
  }
  return 0;
}
