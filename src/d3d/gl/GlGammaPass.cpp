#include "d3d/gl/GlGammaPass.h"

#include <array>

#include "d3d/DeviceState.h"
#include "d3d/gl/GlFunctions.h"

namespace qm {

namespace {

constexpr const char* kVertexShader = R"(#version 120
varying vec2 frameCoord;
void main() {
  frameCoord = gl_MultiTexCoord0.xy;
  gl_Position = gl_Vertex;
}
)";

// Entry i of the lookup texture holds the ramp's high byte for input i; sampling at the
// texel centre for the 8-bit input value makes the lookup exact.
constexpr const char* kFragmentShader = R"(#version 120
uniform sampler2D frame;
uniform sampler2D ramp;
varying vec2 frameCoord;
void main() {
  vec3 c = texture2D(frame, frameCoord).rgb * (255.0 / 256.0) + (0.5 / 256.0);
  gl_FragColor = vec4(texture2D(ramp, vec2(c.r, 0.5 / 3.0)).r,
                      texture2D(ramp, vec2(c.g, 1.5 / 3.0)).r,
                      texture2D(ramp, vec2(c.b, 2.5 / 3.0)).r, 1.0);
}
)";

GLuint Compile(const GlFunctions& gl, GLenum kind, const char* source) {
  const GLuint shader = gl.CreateShader(kind);
  gl.ShaderSource(shader, 1, &source, nullptr);
  gl.CompileShader(shader);
  GLint ok = GL_FALSE;
  gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    gl.DeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

void GlGammaPass::SetRamp(const D3DGAMMARAMP& ramp) {
  m_ramp = ramp;
  m_linear = IsLinearGammaRamp(ramp);
  m_lutDirty = true;
}

bool GlGammaPass::EnsureProgram(const GlFunctions& gl) {
  if (m_program != 0) return true;
  if (m_failed) return false;
  const GLuint vertex = Compile(gl, GL_VERTEX_SHADER, kVertexShader);
  const GLuint fragment = Compile(gl, GL_FRAGMENT_SHADER, kFragmentShader);
  if (vertex == 0 || fragment == 0) {
    m_failed = true;
    return false;
  }
  m_program = gl.CreateProgram();
  gl.AttachShader(m_program, vertex);
  gl.AttachShader(m_program, fragment);
  gl.LinkProgram(m_program);
  gl.DeleteShader(vertex);
  gl.DeleteShader(fragment);
  GLint linked = GL_FALSE;
  gl.GetProgramiv(m_program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    gl.DeleteProgram(m_program);
    m_program = 0;
    m_failed = true;
    return false;
  }
  gl.UseProgram(m_program);
  gl.Uniform1i(gl.GetUniformLocation(m_program, "frame"), 0);
  gl.Uniform1i(gl.GetUniformLocation(m_program, "ramp"), 1);
  gl.UseProgram(0);
  glGenTextures(1, &m_frameTexture);
  glGenTextures(1, &m_lutTexture);
  return true;
}

bool GlGammaPass::Apply(const GlFunctions& gl, int width, int height) {
  if (m_linear || width <= 0 || height <= 0 || !EnsureProgram(gl)) return false;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);

  gl.ActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, m_lutTexture);
  if (m_lutDirty) {
    std::array<GLubyte, 256 * 3> table{};
    for (int i = 0; i < 256; ++i) {
      table[i] = static_cast<GLubyte>(m_ramp.red[i] >> 8);
      table[256 + i] = static_cast<GLubyte>(m_ramp.green[i] >> 8);
      table[512 + i] = static_cast<GLubyte>(m_ramp.blue[i] >> 8);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE8, 256, 3, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                 table.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    m_lutDirty = false;
  }

  gl.ActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, m_frameTexture);
  if (width != m_frameWidth || height != m_frameHeight) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    m_frameWidth = width;
    m_frameHeight = height;
  }
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);

  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glViewport(0, 0, width, height);
  gl.UseProgram(m_program);
  const GLfloat quad[] = {-1, -1, 0, 0, 1, -1, 1, 0, 1, 1, 1, 1, -1, 1, 0, 1};
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quad);
  gl.ClientActiveTexture(GL_TEXTURE0);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quad + 2);
  glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
  gl.UseProgram(0);

  glPopClientAttrib();
  glPopAttrib();
  gl.ActiveTexture(GL_TEXTURE0);
  return true;
}

void GlGammaPass::Release(const GlFunctions& gl) {
  if (m_program != 0) gl.DeleteProgram(m_program);
  if (m_frameTexture != 0) glDeleteTextures(1, &m_frameTexture);
  if (m_lutTexture != 0) glDeleteTextures(1, &m_lutTexture);
  m_program = m_frameTexture = m_lutTexture = 0;
  m_frameWidth = m_frameHeight = 0;
}

}  // namespace qm
