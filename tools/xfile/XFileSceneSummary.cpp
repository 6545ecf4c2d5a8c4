// XFileSceneSummary: frames, meshes, animation sets and the bounding sphere of an X file.
#include "XFileSceneSummary.h"

#include <cmath>

#include "d3dx/XFileDataReader.h"
#include "d3dx/XFileStandardTemplates.h"
#include "d3dx/XMeshBuilder.h"

namespace qm {
namespace {

constexpr DWORD kRotationKeys = 0;
constexpr DWORD kMatrixKeys = 4;

XMeshMatrix Identity() {
  XMeshMatrix m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

XMeshMatrix Multiply(const XMeshMatrix& a, const XMeshMatrix& b) {
  XMeshMatrix r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    }
  }
  return r;
}

HRESULT ReadFrame(const XFileData& data, XFileSummaryFrame* frame);

HRESULT AddChildObject(const XFileData& child, XFileSummaryFrame* frame) {
  if (child.GetType() == TID_D3DRMFrameTransformMatrix) {
    XFileDataReader reader(child);
    reader.Floats(&frame->matrix.m[0][0], 16);
    return reader.Ok() ? S_OK : E_FAIL;
  }
  if (child.GetType() == TID_D3DRMMesh) {
    XFileSummaryMesh mesh;
    HRESULT hr = XMeshBuild(child, &mesh.mesh);
    if (FAILED(hr)) return hr;
    frame->meshes.push_back(std::move(mesh));
    return S_OK;
  }
  if (child.GetType() == TID_D3DRMFrame) {
    XFileSummaryFrame sub;
    HRESULT hr = ReadFrame(child, &sub);
    if (FAILED(hr)) return hr;
    frame->children.push_back(std::move(sub));
  }
  return S_OK;
}

HRESULT ReadFrame(const XFileData& data, XFileSummaryFrame* frame) {
  frame->name = data.GetName();
  frame->matrix = Identity();
  for (const XFileChild& child : data.Children()) {
    // A frame's references point at objects that live elsewhere; only nested ones belong.
    if (child.isReference) continue;
    HRESULT hr = AddChildObject(*child.object, frame);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ReadAnimation(const XFileData& data, XFileSummaryAnimation* animation) {
  animation->name = data.GetName();
  for (const XFileChild& child : data.Children()) {
    const XFileData& object = *child.object;
    if (object.GetType() == TID_D3DRMFrame) {
      animation->target = object.GetName();
    } else if (object.GetType() == TID_D3DRMAnimationKey) {
      XFileDataReader reader(object);
      XFileSummaryKeys keys{reader.Dword(), reader.Dword(), 0};
      for (DWORD k = 0; k < keys.count && reader.Ok(); ++k) {
        keys.lastTime = reader.Dword();
        DWORD values = reader.Dword();
        if (!reader.CanRead(values, sizeof(float))) break;
        for (DWORD v = 0; v < values; ++v) reader.Float();
      }
      if (!reader.Ok()) return E_FAIL;
      animation->keys.push_back(keys);
    }
  }
  return S_OK;
}

HRESULT ReadAnimationSet(const XFileData& data, XFileSummaryAnimationSet* set) {
  set->name = data.GetName();
  for (const XFileData* child : data.ChildrenOfType(TID_D3DRMAnimation)) {
    XFileSummaryAnimation animation;
    HRESULT hr = ReadAnimation(*child, &animation);
    if (FAILED(hr)) return hr;
    for (const XFileSummaryKeys& keys : animation.keys) {
      if (keys.count == 0) continue;
      if (keys.keyType == kRotationKeys || keys.keyType == kMatrixKeys) {
        set->lengthTicks = std::max(set->lengthTicks, keys.lastTime);
      }
      set->lastKeyTicks = std::max(set->lastKeyTicks, keys.lastTime);
    }
    set->animations.push_back(std::move(animation));
  }
  return S_OK;
}

// Running sums for the bounding sphere: vertices exactly at the origin are left out.
struct SphereSums {
  std::vector<XMeshVector3> points;
};

void CollectPoints(const XFileSummaryFrame& frame, const XMeshMatrix& parent, SphereSums* sums) {
  XMeshMatrix combined = Multiply(frame.matrix, parent);
  const auto& m = combined.m;
  for (const XFileSummaryMesh& mesh : frame.meshes) {
    for (const XMeshVector3& p : mesh.mesh.positions) {
      XMeshVector3 q{p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
                     p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
                     p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
      if (q.x != 0.0f || q.y != 0.0f || q.z != 0.0f) sums->points.push_back(q);
    }
  }
  for (const XFileSummaryFrame& child : frame.children) CollectPoints(child, combined, sums);
}

void ComputeSphere(XFileSummary* summary) {
  SphereSums sums;
  CollectPoints(summary->root, Identity(), &sums);
  if (sums.points.empty()) return;
  double sx = 0, sy = 0, sz = 0;
  for (const XMeshVector3& p : sums.points) sx += p.x, sy += p.y, sz += p.z;
  double n = static_cast<double>(sums.points.size());
  summary->center[0] = static_cast<float>(sx / n);
  summary->center[1] = static_cast<float>(sy / n);
  summary->center[2] = static_cast<float>(sz / n);
  float largest = 0.0f;
  for (const XMeshVector3& p : sums.points) {
    float dx = p.x - summary->center[0], dy = p.y - summary->center[1],
          dz = p.z - summary->center[2];
    largest = std::max(largest, dx * dx + dy * dy + dz * dz);
  }
  summary->radius = std::sqrt(largest);
}

}  // namespace

HRESULT SummariseXFile(const std::vector<BYTE>& file, XFileSummary* summary, std::string* error) {
  std::unique_ptr<XFile> parser;
  DirectXFileCreate(&parser);
  HRESULT hr = XFileRegisterStandardTemplates(parser.get());
  std::unique_ptr<XFileEnumObject> objects;
  DXFILELOADMEMORY memory{file.data(), static_cast<DWORD>(file.size())};
  if (SUCCEEDED(hr)) hr = parser->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects);
  if (FAILED(hr)) {
    *error = parser->LastError();
    return hr;
  }
  summary->root.matrix = Identity();
  const XFileData* object = nullptr;
  while (SUCCEEDED(objects->GetNextDataObject(&object))) {
    if (object->GetType() == TID_D3DRMAnimationSet) {
      XFileSummaryAnimationSet set;
      hr = ReadAnimationSet(*object, &set);
      summary->animationSets.push_back(std::move(set));
    } else if (object->GetType() == DXFILEOBJ_AnimTicksPerSecond) {
      XFileDataReader reader(*object);
      summary->animTicksPerSecond.push_back(reader.Dword());
    } else if (object->GetType() == TID_D3DRMFrame || object->GetType() == TID_D3DRMMesh) {
      hr = AddChildObject(*object, &summary->root);
    } else {
      summary->otherObjects.push_back(object->Template().name);
    }
    if (FAILED(hr)) {
      *error = "cannot build the data of a " + object->Template().name + " object";
      return hr;
    }
  }
  ComputeSphere(summary);
  return S_OK;
}

}  // namespace qm
