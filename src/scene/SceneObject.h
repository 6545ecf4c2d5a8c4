// SceneObject: the root of the animated things in the forest scene.
//
// The spider and the three creature groups derive from it. Each owns one XFileModel and
// goes through the same five operations, which ForestScene calls in its fixed order:
// create device objects, release them, delete them, draw, move. By default they forward
// to the model. SetSize scales the model so that its bounding sphere gets a given radius.
#pragma once

#include <memory>

#include "d3d/D3D8.h"
#include "d3dx/D3DXMath.h"

namespace qm {

class XFileModel;

class SceneObject {
 public:
  // The model is made without a name; xFileName is copied into it ("spider.x").
  explicit SceneObject(const char* xFileName);
  virtual ~SceneObject();
  SceneObject(const SceneObject&) = delete;
  SceneObject& operator=(const SceneObject&) = delete;

  virtual HRESULT InitDeviceObjects(IDirect3DDevice8* device);  // loads the model
  virtual HRESULT ReleaseDeviceObjects();
  virtual HRESULT DeleteDeviceObjects();
  virtual HRESULT Render();
  virtual HRESULT FrameMove(float seconds);  // advances the model's animation

  // Size in world units; the scale matrix maps the model's radius to it. A model without
  // extent (radius 0) cannot be scaled to a size and keeps the identity.
  void SetSize(float size);
  float Size() const { return m_fSize; }
  const D3DXMATRIX& ScaleMatrix() const { return m_mScale; }
  XFileModel& Model() { return *m_pModel; }

 protected:
  float m_fSize = 0.0f;
  D3DXMATRIX m_mScale;
  std::unique_ptr<XFileModel> m_pModel;
};

}  // namespace qm
