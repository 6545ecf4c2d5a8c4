// XMesh: a mesh built on the CPU from an X-file Mesh object, ready for a vertex buffer.
//
// XMeshBuild fills it the way the D3DX skinned-mesh loader lays meshes out: one vertex per
// file vertex, plus a copy wherever MeshNormals gives a vertex different normals on
// different faces; polygons fanned into triangles; triangles grouped by material into
// subsets (the attribute ranges DrawSubset draws); materials with their texture names; the
// skin's bones and weights. XFileModel uploads it to the device; the tools count from it.
// Vectors and matrices are plain floats (matrices use row vectors, like D3DXMATRIX).
#pragma once

#include <string>
#include <vector>

#include "d3d/WinTypes.h"

struct XMeshVector3 {
  float x, y, z;
};

struct XMeshVector2 {
  float u, v;
};

// Colour with float channels, as the file stores them.
struct XMeshColor {
  float r, g, b, a;
};

// A 4x4 matrix for row vectors (a point is transformed as p x M), laid out as D3DXMATRIX.
struct XMeshMatrix {
  float m[4][4];
};

// One entry of a MeshMaterialList: the Material values and its texture file, if any.
struct XMeshMaterial {
  XMeshColor faceColor;
  float power;
  XMeshColor specular;  // alpha 1
  XMeshColor emissive;  // alpha 1
  std::string textureFilename;  // empty without a TextureFilename child
};

// The triangles and vertices of one material (D3DXATTRIBUTERANGE).
struct XMeshSubset {
  DWORD attribId;
  DWORD faceStart;  // first triangle
  DWORD faceCount;
  DWORD vertexStart;
  DWORD vertexCount;
};

// One bone of a skin: the frame it follows and the vertices it moves.
struct XMeshBone {
  std::string name;
  std::vector<DWORD> vertices;  // file vertex indices
  std::vector<float> weights;
  XMeshMatrix offset;  // mesh space to bone space
};

// A bone's pull on one built vertex.
struct XMeshInfluence {
  DWORD bone;
  float weight;
};

// The skin of a mesh (XSkinMeshHeader and SkinWeights).
struct XMeshSkin {
  WORD maxWeightsPerVertex = 0;
  WORD maxWeightsPerFace = 0;
  WORD declaredBones = 0;
  std::vector<XMeshBone> bones;
  // Influences of built vertex v: influences[influenceStart[v] .. influenceStart[v + 1]).
  std::vector<DWORD> influenceStart;
  std::vector<XMeshInfluence> influences;
};

// The flexible-vertex-format bits of the built vertices.
constexpr DWORD XMESH_FVF_XYZ = 0x002;
constexpr DWORD XMESH_FVF_NORMAL = 0x010;
constexpr DWORD XMESH_FVF_DIFFUSE = 0x040;
constexpr DWORD XMESH_FVF_TEX1 = 0x100;

struct XMeshData {
  std::string name;
  DWORD declaredVertices = 0;  // counts as the file gives them
  DWORD declaredFaces = 0;
  DWORD declaredMaterials = 0;  // 0 without a MeshMaterialList

  std::vector<XMeshVector3> positions;
  std::vector<XMeshVector3> normals;    // empty without MeshNormals
  std::vector<XMeshVector2> texCoords;  // empty without MeshTextureCoords
  std::vector<D3DCOLOR> colors;         // empty without MeshVertexColors
  std::vector<DWORD> originalVertex;    // the file vertex each built vertex copies

  std::vector<DWORD> indices;       // three per triangle, triangles sorted by attribute
  std::vector<DWORD> attributes;    // material of each triangle
  std::vector<DWORD> triangleFace;  // the file face each triangle comes from
  std::vector<XMeshSubset> subsets;
  // One per attribute; a mesh without a material list gets one default material.
  std::vector<XMeshMaterial> materials;

  bool hasSkin = false;
  XMeshSkin skin;

  size_t VertexCount() const { return positions.size(); }
  size_t TriangleCount() const { return indices.size() / 3; }
  DWORD Fvf() const;
  // The subset of a material, or null when no triangle uses it.
  const XMeshSubset* FindSubset(DWORD attribId) const;
};
