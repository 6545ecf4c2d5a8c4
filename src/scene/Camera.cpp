#include "scene/Camera.h"

namespace qm {

Camera::Camera() { SetView(m_eye, m_at, m_up); }

void Camera::SetView(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, const D3DXVECTOR3& up) {
  m_eye = eye;
  m_at = at;
  m_up = up;
  D3DXMatrixLookAtLH(&m_view, &m_eye, &m_at, &m_up);
  D3DXMatrixInverse(&m_inverseView, nullptr, &m_view);
}

}  // namespace qm
