// XMeshBuilder: turns a Mesh data object into XMeshData.
//
// Reads the Mesh values and its children (MeshNormals, MeshTextureCoords, MeshVertexColors,
// MeshMaterialList with Material and TextureFilename, XSkinMeshHeader, SkinWeights; others
// are ignored). Every index is checked: a face, normal, colour, material or skin index past
// its list gives E_FAIL and leaves *out empty. Called by XFileModel for each Mesh object.
#pragma once

#include "d3dx/XFileData.h"
#include "d3dx/XMesh.h"

HRESULT XMeshBuild(const XFileData& mesh, XMeshData* out);
