// GlGammaPass: maps a finished frame through the device's gamma ramp before it is shown.
//
// The display's hardware ramp is never touched (it would outlive a killed saver and does
// not work on ordinary X11 visuals). Instead Present copies the back buffer into a texture
// and redraws it through a 256-entry lookup texture per colour. The pass runs only while
// the ramp is not linear, because on the software renderer it costs a full-screen layer.
#pragma once

#include <SDL_opengl.h>

#include "d3d/D3D8Types.h"

namespace qm {

struct GlFunctions;

class GlGammaPass {
 public:
  // Stores the ramp; the lookup texture is rebuilt at the next Apply.
  void SetRamp(const D3DGAMMARAMP& ramp);
  bool Active() const { return !m_linear; }
  // Maps the back buffer (width x height) through the ramp. Leaves GL state as found,
  // except the active texture unit, which is unit 0 afterwards.
  bool Apply(const GlFunctions& gl, int width, int height);
  // Deletes GL objects; call with the context current.
  void Release(const GlFunctions& gl);

 private:
  bool EnsureProgram(const GlFunctions& gl);

  D3DGAMMARAMP m_ramp{};
  bool m_linear = true;
  bool m_lutDirty = true;
  GLuint m_program = 0;
  GLuint m_frameTexture = 0;
  GLuint m_lutTexture = 0;
  int m_frameWidth = 0;
  int m_frameHeight = 0;
  bool m_failed = false;
};

}  // namespace qm
