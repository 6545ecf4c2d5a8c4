// XMeshSkin: weighted blending of vertices by bone matrices.
#include "d3dx/XMeshSkin.h"

#include <cmath>

namespace {

XMeshMatrix Multiply(const XMeshMatrix& a, const XMeshMatrix& b) {
  XMeshMatrix r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

// The cofactors of the upper 3x3 times the sign of its determinant: the inverse transpose up
// to a positive scale, which the final renormalisation removes.
XMeshMatrix NormalMatrix(const XMeshMatrix& a) {
  const auto& m = a.m;
  XMeshMatrix c{};
  c.m[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  c.m[0][1] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  c.m[0][2] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  c.m[1][0] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
  c.m[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
  c.m[1][2] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
  c.m[2][0] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
  c.m[2][1] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
  c.m[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  float det = m[0][0] * c.m[0][0] + m[0][1] * c.m[0][1] + m[0][2] * c.m[0][2];
  float sign = det < 0.0f ? -1.0f : 1.0f;
  for (auto& row : c.m) {
    for (float& value : row) value *= sign;
  }
  return c;
}

XMeshVector3 TransformPoint(const XMeshVector3& p, const XMeshMatrix& a) {
  const auto& m = a.m;
  return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
          p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
          p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

XMeshVector3 TransformNormal(const XMeshVector3& n, const XMeshMatrix& c) {
  const auto& m = c.m;
  return {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0],
          n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
          n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
}

XMeshVector3 Normalised(const XMeshVector3& v) {
  float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length <= 0.0f) return v;
  return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

HRESULT XMeshSkinVertices(const XMeshData& mesh, std::span<const XMeshMatrix> boneMatrices,
                          std::vector<XMeshVector3>* positions, std::vector<XMeshVector3>* normals) {
  if (positions == nullptr || boneMatrices.size() < mesh.skin.bones.size()) return E_INVALIDARG;
  const XMeshSkin& skin = mesh.skin;
  std::vector<XMeshMatrix> pointMatrices(skin.bones.size());
  std::vector<XMeshMatrix> normalMatrices(skin.bones.size());
  for (size_t b = 0; b < skin.bones.size(); ++b) {
    pointMatrices[b] = Multiply(skin.bones[b].offset, boneMatrices[b]);
    normalMatrices[b] = NormalMatrix(pointMatrices[b]);
  }
  bool blendNormals = normals != nullptr && !mesh.normals.empty();
  *positions = mesh.positions;
  if (blendNormals) *normals = mesh.normals;
  if (skin.influenceStart.size() != mesh.positions.size() + 1) return S_OK;  // no skin
  for (size_t v = 0; v < mesh.positions.size(); ++v) {
    DWORD begin = skin.influenceStart[v], end = skin.influenceStart[v + 1];
    if (begin == end) continue;  // no bone pulls this vertex: it stays where the file put it
    XMeshVector3 p{0, 0, 0}, n{0, 0, 0};
    for (DWORD i = begin; i < end; ++i) {
      const XMeshInfluence& influence = skin.influences[i];
      XMeshVector3 moved = TransformPoint(mesh.positions[v], pointMatrices[influence.bone]);
      p.x += influence.weight * moved.x;
      p.y += influence.weight * moved.y;
      p.z += influence.weight * moved.z;
      if (blendNormals) {
        XMeshVector3 turned = TransformNormal(mesh.normals[v], normalMatrices[influence.bone]);
        n.x += influence.weight * turned.x;
        n.y += influence.weight * turned.y;
        n.z += influence.weight * turned.z;
      }
    }
    (*positions)[v] = p;
    if (blendNormals) (*normals)[v] = Normalised(n);
  }
  return S_OK;
}
