#include "scene/SceneObject.h"

#include "scene/XFileModel.h"

namespace qm {

SceneObject::SceneObject(const char* xFileName) : m_pModel(std::make_unique<XFileModel>()) {
  m_pModel->SetFileName(xFileName);
  D3DXMatrixIdentity(&m_mScale);
}

SceneObject::~SceneObject() = default;

HRESULT SceneObject::InitDeviceObjects(IDirect3DDevice8* device) { return m_pModel->Load(device); }

HRESULT SceneObject::ReleaseDeviceObjects() {
  m_pModel->ReleaseDeviceObjects();
  return S_OK;
}

HRESULT SceneObject::DeleteDeviceObjects() {
  m_pModel->DeleteAll();
  return S_OK;
}

HRESULT SceneObject::Render() {
  m_pModel->Render();
  return S_OK;
}

HRESULT SceneObject::FrameMove(float seconds) { return m_pModel->Advance(seconds); }

void SceneObject::SetSize(float size) {
  m_fSize = size;
  const float radius = m_pModel->Radius();
  if (radius > 0.0f) {
    const float k = size / radius;
    D3DXMatrixScaling(&m_mScale, k, k, k);
  } else {
    D3DXMatrixIdentity(&m_mScale);
  }
}

}  // namespace qm
