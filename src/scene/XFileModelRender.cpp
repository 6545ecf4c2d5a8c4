// XFileModel drawing: combined matrices, device buffers of mesh containers, materials and
// subsets, and software skinning.
//
// An unskinned container keeps its vertices and indices in managed vertex and index buffers
// and draws each material's subset with DrawIndexedPrimitive. A skinned container blends its
// vertices on the CPU every frame into blendedVertices, in the space of its own frame (so
// the world transform stays the frame's combined matrix as for every other mesh), and draws
// them with DrawIndexedPrimitiveUP.
#include <cstring>

#include "d3dx/XMeshSkin.h"
#include "scene/XFileModelInternal.h"

namespace qm {
namespace {

constexpr DWORD kMaxIndex16Vertices = 0xFFFF;

bool Uses32BitIndices(const XFileMeshContainer& container) {
  return container.VertexCount() > kMaxIndex16Vertices;
}

HRESULT CreateVertexBuffer(IDirect3DDevice8* device, XFileMeshContainer* container) {
  const UINT length = static_cast<UINT>(container->vertices.size());
  HRESULT hr = device->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, container->dwFVF,
                                          D3DPOOL_MANAGED, &container->pVertexBuffer);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  hr = container->pVertexBuffer->Lock(0, 0, &data, 0);
  if (FAILED(hr)) return hr;
  std::memcpy(data, container->vertices.data(), length);
  return container->pVertexBuffer->Unlock();
}

HRESULT CreateIndexBuffer(IDirect3DDevice8* device, XFileMeshContainer* container) {
  const std::vector<DWORD>& indices = container->mesh.indices;
  const bool wide = Uses32BitIndices(*container);
  const UINT length = static_cast<UINT>(indices.size() * (wide ? 4 : 2));
  HRESULT hr = device->CreateIndexBuffer(length, D3DUSAGE_WRITEONLY,
                                         wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, &container->pIndexBuffer);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  hr = container->pIndexBuffer->Lock(0, 0, &data, 0);
  if (FAILED(hr)) return hr;
  if (wide) {
    std::memcpy(data, indices.data(), length);
  } else {
    auto* out = reinterpret_cast<WORD*>(data);
    for (size_t i = 0; i < indices.size(); ++i) out[i] = static_cast<WORD>(indices[i]);
  }
  return container->pIndexBuffer->Unlock();
}

void WriteFloats(BYTE* out, const float* values, size_t count) {
  std::memcpy(out, values, count * sizeof(float));
}

// The bone matrices of a skinned container in the space of its frame: each bone's combined
// matrix followed by the inverse of the frame's. A bone without frame holds still.
std::vector<XMeshMatrix> RelativeBoneMatrices(const XFileFrame& frame,
                                              const XFileMeshContainer& container) {
  D3DXMATRIX inverseFrame;
  if (!D3DXMatrixInverse(&inverseFrame, nullptr, &frame.matCombined)) {
    D3DXMatrixIdentity(&inverseFrame);
  }
  const std::vector<XMeshBone>& bones = container.mesh.skin.bones;
  std::vector<XMeshMatrix> matrices(bones.size());
  for (size_t b = 0; b < bones.size(); ++b) {
    D3DXMATRIX relative;
    const D3DXMATRIX* combined = b < container.boneMatrices.size() ? container.boneMatrices[b] : nullptr;
    if (combined) {
      D3DXMatrixMultiply(&relative, combined, &inverseFrame);
    } else {
      const D3DXMATRIX offset(&bones[b].offset.m[0][0]);
      if (!D3DXMatrixInverse(&relative, nullptr, &offset)) D3DXMatrixIdentity(&relative);
    }
    std::memcpy(&matrices[b], &relative, sizeof(XMeshMatrix));
  }
  return matrices;
}

// Blends the skinned container's vertices into blendedVertices (colours and texture
// coordinates copied from the file vertices).
void BlendVertices(const XFileFrame& frame, XFileMeshContainer* container) {
  const std::vector<XMeshMatrix> matrices = RelativeBoneMatrices(frame, *container);
  std::vector<XMeshVector3> positions, normals;
  if (FAILED(XMeshSkinVertices(container->mesh, matrices, &positions, &normals))) return;
  container->blendedVertices = container->vertices;
  const bool hasNormals = (container->dwFVF & D3DFVF_NORMAL) != 0 && normals.size() == positions.size();
  for (size_t v = 0; v < positions.size(); ++v) {
    BYTE* out = container->blendedVertices.data() + v * container->dwStride;
    WriteFloats(out, &positions[v].x, 3);
    if (hasNormals) WriteFloats(out + 3 * sizeof(float), &normals[v].x, 3);
  }
}

bool SamePlace(const XMeshVector3& a, const XMeshVector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Whether some triangle of the subset has three distinct corners. A triangle with two
// corners at one place stays a line under any transform and covers no pixel centre.
bool CoversPixels(const XMeshData& mesh, const XMeshSubset& subset) {
  for (DWORD face = subset.faceStart; face < subset.faceStart + subset.faceCount; ++face) {
    const size_t first = static_cast<size_t>(face) * 3;
    if (first + 2 >= mesh.indices.size()) return true;  // let the device judge the rest
    const DWORD a = mesh.indices[first], b = mesh.indices[first + 1], c = mesh.indices[first + 2];
    if (a >= mesh.positions.size() || b >= mesh.positions.size() || c >= mesh.positions.size()) {
      return true;
    }
    const XMeshVector3& pa = mesh.positions[a];
    const XMeshVector3& pb = mesh.positions[b];
    const XMeshVector3& pc = mesh.positions[c];
    if (!SamePlace(pa, pb) && !SamePlace(pb, pc) && !SamePlace(pa, pc)) return true;
  }
  return false;
}

void DrawSubset(IDirect3DDevice8* device, const XFileMeshContainer& container, DWORD attribId) {
  const XMeshSubset* subset = container.mesh.FindSubset(attribId);
  if (subset == nullptr || subset->faceCount == 0) return;
  const size_t index = static_cast<size_t>(subset - container.mesh.subsets.data());
  if (index < container.subsetCoversPixels.size() && !container.subsetCoversPixels[index]) return;
  if (!container.HasSkin()) {
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, subset->vertexStart, subset->vertexCount,
                                 subset->faceStart * 3, subset->faceCount);
    return;
  }
  device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, container.VertexCount(),
                                 subset->faceCount, &container.mesh.indices[subset->faceStart * 3],
                                 D3DFMT_INDEX32, container.blendedVertices.data(),
                                 container.dwStride);
}

}  // namespace

void BuildVertices(XFileMeshContainer* container) {
  const XMeshData& mesh = container->mesh;
  container->dwFVF = mesh.Fvf();
  DWORD stride = 3 * sizeof(float);
  if (!mesh.normals.empty()) stride += 3 * sizeof(float);
  if (!mesh.colors.empty()) stride += sizeof(D3DCOLOR);
  if (!mesh.texCoords.empty()) stride += 2 * sizeof(float);
  container->dwStride = stride;
  container->vertices.assign(mesh.VertexCount() * stride, 0);
  for (size_t v = 0; v < mesh.VertexCount(); ++v) {
    BYTE* out = container->vertices.data() + v * stride;
    WriteFloats(out, &mesh.positions[v].x, 3);
    out += 3 * sizeof(float);
    if (!mesh.normals.empty()) {
      WriteFloats(out, &mesh.normals[v].x, 3);
      out += 3 * sizeof(float);
    }
    if (!mesh.colors.empty()) {
      std::memcpy(out, &mesh.colors[v], sizeof(D3DCOLOR));
      out += sizeof(D3DCOLOR);
    }
    if (!mesh.texCoords.empty()) WriteFloats(out, &mesh.texCoords[v].u, 2);
  }
  container->subsetCoversPixels.assign(mesh.subsets.size(), 1);
  if (mesh.hasSkin) return;
  for (size_t i = 0; i < mesh.subsets.size(); ++i) {
    container->subsetCoversPixels[i] = CoversPixels(mesh, mesh.subsets[i]) ? 1 : 0;
  }
}

HRESULT GenerateDrawingData(IDirect3DDevice8* device, XFileMeshContainer* container, int method) {
  ReleaseDrawingData(container);
  if (container->mesh.indices.empty() || container->vertices.empty()) {
    container->iSkinMethod = method;
    return S_OK;  // nothing to draw
  }
  if (!container->HasSkin()) {
    HRESULT hr = CreateVertexBuffer(device, container);
    if (SUCCEEDED(hr)) hr = CreateIndexBuffer(device, container);
    if (FAILED(hr)) {
      ReleaseDrawingData(container);
      return hr;
    }
  }
  container->iSkinMethod = method;
  return S_OK;
}

void ReleaseDrawingData(XFileMeshContainer* container) {
  if (container->pVertexBuffer) container->pVertexBuffer->Release();
  if (container->pIndexBuffer) container->pIndexBuffer->Release();
  container->pVertexBuffer = nullptr;
  container->pIndexBuffer = nullptr;
  container->blendedVertices.clear();
  container->blendedVertices.shrink_to_fit();
  container->iSkinMethod = kSkinMethodRegenerate;
}

namespace {

bool InLayer(const XFileMeshContainer& container, DWORD material, XFileLayer layer) {
  if (layer == XFileLayer::All) return true;
  const bool opaque = material < container.materialOpaque.size() && container.materialOpaque[material];
  return opaque == (layer == XFileLayer::Opaque);
}

bool AnyInLayer(const XFileMeshContainer& container, XFileLayer layer) {
  if (layer == XFileLayer::All) return true;
  for (DWORD i = 0; i < container.dwMaterials; ++i) {
    if (InLayer(container, i, layer)) return true;
  }
  return false;
}

}  // namespace

void DrawMeshContainer(IDirect3DDevice8* device, const XFileFrame& frame,
                       XFileMeshContainer* container, int method, XFileLayer layer) {
  if (container->iSkinMethod != method &&
      FAILED(GenerateDrawingData(device, container, method))) {
    return;
  }
  if (container->mesh.indices.empty()) return;
  if (container->HasSkin()) {
    BlendVertices(frame, container);
    if (container->blendedVertices.empty()) return;
  } else {
    if (!container->pVertexBuffer || !container->pIndexBuffer) return;
    device->SetStreamSource(0, container->pVertexBuffer, container->dwStride);
    device->SetIndices(container->pIndexBuffer, 0);
  }
  device->SetVertexShader(container->dwFVF);
  for (DWORD i = 0; i < container->dwMaterials; ++i) {
    if (!InLayer(*container, i, layer)) continue;
    device->SetMaterial(&container->materials[i]);
    device->SetTexture(0, container->textures[i]);
    DrawSubset(device, *container, i);
  }
}

// ---- Render ---------------------------------------------------------------------------------

namespace {

void UpdateCombined(XFileFrame* frame, const D3DXMATRIX& parent) {
  for (; frame; frame = frame->pNextSibling) {
    D3DXMATRIX withParent;
    D3DXMatrixMultiply(&withParent, &frame->matCurrent, &parent);
    D3DXMatrixMultiply(&frame->matCombined, &withParent, &frame->matExtra);
    UpdateCombined(frame->pFirstChild, frame->matCombined);
  }
}

void DrawFrames(IDirect3DDevice8* device, XFileFrame* frame, int method, XFileLayer layer) {
  for (; frame; frame = frame->pNextSibling) {
    bool worldSet = false;
    for (XFileMeshContainer* c = frame->pFirstMesh; c; c = c->pNext) {
      // A container with nothing in the layer neither blends its skin nor sets its streams.
      if (!AnyInLayer(*c, layer)) continue;
      if (!worldSet) device->SetTransform(D3DTS_WORLD, &frame->matCombined);
      worldSet = true;
      DrawMeshContainer(device, *frame, c, method, layer);
    }
    DrawFrames(device, frame->pFirstChild, method, layer);
  }
}

}  // namespace

void XFileModel::Render(XFileLayer layer) {
  if (!m_pDevice) return;
  D3DXMATRIX world;
  m_pDevice->GetTransform(D3DTS_WORLD, &world);
  for (auto& record : m_records) {
    // Every combined matrix first: a skinned mesh's bones may come after it in the tree.
    UpdateCombined(record->pRoot, world);
    DrawFrames(m_pDevice, record->pRoot, m_iSkinningMethod, layer);
  }
  m_pDevice->SetTransform(D3DTS_WORLD, &world);
}

}  // namespace qm
