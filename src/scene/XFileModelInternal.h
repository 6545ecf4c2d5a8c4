// XFileModelInternal: the pieces of XFileModel that live in separate files: loading the data
// objects of a file into a record, the bounding sphere, applying animations and the device
// drawing data of mesh containers. Only the XFileModel*.cpp files include it.
#pragma once

#include <map>
#include <string>

#include "d3dx/XFile.h"
#include "scene/XFileModel.h"

namespace qm {

// Reads one parsed file into a record: frames, meshes with materials and textures,
// animation sets and animations. XFileModel::ParseFile drives it.
class XFileModelLoader {
 public:
  XFileModelLoader(XFileModel& model, XFileRecord& record) : m_model(model), m_record(record) {}

  // Loads one top-level (or nested) data object with `parent` as its parent frame.
  HRESULT LoadDataObject(const XFileData& object, XFileFrame* parent);
  // Points every skinned container's bones at the combined matrices of their frames.
  void BindBones();

 private:
  HRESULT LoadMesh(const XFileData& object, XFileFrame* parent);
  HRESULT LoadFrame(const XFileData& object, XFileFrame* parent);
  HRESULT LoadAnimationSet(const XFileData& object, XFileFrame* parent);
  HRESULT LoadAnimation(const XFileData& object, XFileFrame* set);
  HRESULT LoadAnimationKey(const XFileData& object, XFileFrame* animation);
  void LoadTextures(XFileMeshContainer* container);
  // The texture of a file name, made once per file: every material naming it shares it.
  IDirect3DTexture8* SharedTexture(const std::string& name);
  IDirect3DTexture8* CreateTexture(const std::string& name);

  XFileModel& m_model;
  XFileRecord& m_record;
  // Textures made so far by file name, null for a name that could not be made; the
  // references belong to the containers that use them.
  std::map<std::string, IDirect3DTexture8*> m_texturesByName;
};

// Depth first from `start`: the frame, its children, its following siblings.
XFileFrame* FindFrameFrom(XFileFrame* start, const char* name);
// Adds `child` as the last child of `parent`.
void AppendChild(XFileFrame* parent, XFileFrame* child);

// Centre (mean of the vertices not exactly at the origin) and radius of every mesh of the
// record's tree placed by the frame matrices from the root.
void ComputeBoundingSphere(XFileRecord* record);

// Sets the animation's target matrix for time t (ticks) in a set of length L (ticks).
void ApplyAnimation(XFileFrame* animation, float t, float length);

// The interleaved vertices of a container's mesh (XFileMeshContainer::vertices).
void BuildVertices(XFileMeshContainer* container);
// Makes the container's drawing data for a skinning method (vertex and index buffers for an
// unskinned mesh); the device's error on failure.
HRESULT GenerateDrawingData(IDirect3DDevice8* device, XFileMeshContainer* container, int method);
// Releases the drawing data and marks the container for regeneration.
void ReleaseDrawingData(XFileMeshContainer* container);
// Draws one container of `frame` (whose combined matrix is current) with those of its
// materials that belong to the layer.
void DrawMeshContainer(IDirect3DDevice8* device, const XFileFrame& frame,
                       XFileMeshContainer* container, int method, XFileLayer layer);

}  // namespace qm
