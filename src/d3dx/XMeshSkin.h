// XMeshSkin: software vertex blending of a skinned XMeshData.
//
// Each built vertex becomes the weighted sum of its position carried through every bone
// that pulls it: p x offset(bone) x boneMatrix(bone); normals go through the same matrices
// (inverse-transpose, renormalised). Vertices no bone pulls keep their positions. The model
// calls it every frame with the combined matrices of the bones' frames, in bone order.
#pragma once

#include <span>
#include <vector>

#include "d3dx/XMesh.h"

// Fills *positions (and *normals when the mesh has normals and normals is not null) with the
// blended vertices; E_INVALIDARG when fewer matrices than bones are given.
HRESULT XMeshSkinVertices(const XMeshData& mesh, std::span<const XMeshMatrix> boneMatrices,
                          std::vector<XMeshVector3>* positions, std::vector<XMeshVector3>* normals);
