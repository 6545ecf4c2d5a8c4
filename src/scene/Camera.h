// Camera: the forest saver's eye, look-at point and up vector, and the view built from them.
//
// SetView stores the three vectors and rebuilds the left-handed view matrix and its
// inverse; the saver sets the view matrix on the device at the start of every frame.
#pragma once

#include "d3dx/D3DXMath.h"

namespace qm {

class Camera {
 public:
  Camera();
  void SetView(const D3DXVECTOR3& eye, const D3DXVECTOR3& at, const D3DXVECTOR3& up);
  D3DXMATRIX GetViewMatrix() const { return m_view; }
  const D3DXMATRIX& InverseView() const { return m_inverseView; }
  const D3DXVECTOR3& Eye() const { return m_eye; }
  const D3DXVECTOR3& At() const { return m_at; }
  const D3DXVECTOR3& Up() const { return m_up; }

 private:
  D3DXVECTOR3 m_eye{0, 0, 0};
  D3DXVECTOR3 m_at{0, 0, 1};
  D3DXVECTOR3 m_up{0, 1, 0};
  D3DXMATRIX m_view;
  D3DXMATRIX m_inverseView;
};

}  // namespace qm
