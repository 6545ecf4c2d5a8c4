// GlDevice8's fill measurement for benchmarks: pixel counts per draw through occlusion
// queries, and the renderer's fill rate for each kind of pixel from full-screen layers.
//
// The counting pass draws the same primitives again with colour and depth writes, depth
// test and alpha test off, so a query counts every pixel the draw covers, also those the
// tests would throw away: the rasteriser shaded them all the same. The calibration draws
// layers of the same kind (a bilinear texture, blending, alpha test, depth test) over the
// whole window and times them to the end with glFinish.
#include <algorithm>
#include <chrono>
#include <vector>

#include "d3d/gl/GlDevice8.h"

namespace qm {

namespace {

// Layers per timing and timings per kind: the fastest timing counts, since a disturbed
// measurement can only be slower than the renderer's own rate.
constexpr int kCalibrationLayers = 4;
constexpr int kCalibrationRepeats = 3;
constexpr GLsizei kCalibrationTextureSide = 256;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

HRESULT GlDevice8::SetPixelCounting(BOOL enable) {
  if (!m_gl.GenQueries) return D3DERR_NOTAVAILABLE;
  m_countPixels = enable != FALSE;
  return D3D_OK;
}

HRESULT GlDevice8::GetPixelCounts(D3DPIXELCOUNTS* counts) {
  if (!counts) return D3DERR_INVALIDCALL;
  if (!m_pixelCountsReady) return D3DERR_NOTAVAILABLE;
  *counts = m_pixelCounts;
  return D3D_OK;
}

DWORD GlDevice8::DrawKind() const {
  DWORD kind = 0;
  for (int unit = 0; unit < m_activeUnits; ++unit) {
    if (m_state.textures[static_cast<DWORD>(unit)].Get()) kind |= D3DFILLKIND_TEXTURED;
  }
  if (m_state.RenderState(D3DRS_ALPHABLENDENABLE)) kind |= D3DFILLKIND_BLENDED;
  if (m_state.RenderState(D3DRS_ALPHATESTENABLE)) kind |= D3DFILLKIND_ALPHATESTED;
  if (m_state.RenderState(D3DRS_ZENABLE) != D3DZB_FALSE) kind |= D3DFILLKIND_DEPTHTESTED;
  return kind;
}

void GlDevice8::CountDrawPixels(DWORD kind, D3DPRIMITIVETYPE primitiveType, UINT count,
                                const DrawSource& source, UINT lowest, UINT highest) {
  GLuint query = 0;
  m_gl.GenQueries(1, &query);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
  m_gl.BeginQuery(GL_SAMPLES_PASSED, query);
  IssueDraw(primitiveType, count, source, lowest, highest);
  m_gl.EndQuery(GL_SAMPLES_PASSED);
  m_pixelQueries.push_back({query, kind});
  m_dirty |= kDirtyRenderStates;  // masks and tests come back from the render states
}

void GlDevice8::CollectPixelCounts() {
  m_pixelCounts = D3DPIXELCOUNTS{};
  for (const PixelQuery& pending : m_pixelQueries) {
    GLuint covered = 0;
    m_gl.GetQueryObjectuiv(pending.query, GL_QUERY_RESULT, &covered);
    m_gl.DeleteQueries(1, &pending.query);
    m_pixelCounts.pixels[pending.kind] += covered;
    ++m_pixelCounts.draws;
    if (covered == 0) ++m_pixelCounts.emptyDraws;
  }
  m_pixelQueries.clear();
  m_pixelCounts.pixels[D3DFILLKIND_CLEAR] = m_clearedPixels;
  m_clearedPixels = 0;
  m_pixelCountsReady = true;
}

// Draws kCalibrationLayers full-window quads of one kind and returns the nanoseconds per
// pixel of the fastest of kCalibrationRepeats timings.
double GlDevice8::MeasureLayerCost(DWORD kind, GLuint texture) {
  if (kind == D3DFILLKIND_CLEAR) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
  }
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  if (kind & D3DFILLKIND_TEXTURED) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  if (kind & D3DFILLKIND_BLENDED) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glDisable(GL_BLEND);
  }
  if (kind & D3DFILLKIND_ALPHATESTED) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, 0.5f);
  } else {
    glDisable(GL_ALPHA_TEST);
  }
  if (kind & D3DFILLKIND_DEPTHTESTED) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  // Texels about the size of pixels, as the scene's textures mostly are.
  const float repeatU = static_cast<float>(m_width) / kCalibrationTextureSide;
  const float repeatV = static_cast<float>(m_height) / kCalibrationTextureSide;
  const GLfloat quad[] = {-1, -1, 0, 0,       1, -1, repeatU, 0,
                          1,  1,  repeatU, repeatV, -1, 1, 0, repeatV};
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quad);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(GLfloat), quad + 2);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glColor4f(1.0f, 1.0f, 1.0f, 0.75f);
  double best = 0.0;
  for (int repeat = 0; repeat < kCalibrationRepeats; ++repeat) {
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    for (int layer = 0; layer < kCalibrationLayers; ++layer) {
      if (kind == D3DFILLKIND_CLEAR) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      } else {
        glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
      }
    }
    glFinish();
    const double seconds = SecondsSince(start);
    if (repeat == 0 || seconds < best) best = seconds;
  }
  const double pixels = double(kCalibrationLayers) * m_width * m_height;
  return best * 1e9 / pixels;
}

HRESULT GlDevice8::MeasureFillRate(const D3DPIXELCOUNTS& counts, D3DFILLCOSTS* costs) {
  if (!costs || m_inScene) return D3DERR_INVALIDCALL;
  *costs = D3DFILLCOSTS{};
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  m_gl.ActiveTexture(GL_TEXTURE0);
  m_gl.ClientActiveTexture(GL_TEXTURE0);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, m_width, m_height);
  glDisable(GL_SCISSOR_TEST);

  // A leafy texture: colour noise with alpha both above and below the tests' cut.
  std::vector<GLubyte> texels(static_cast<size_t>(kCalibrationTextureSide) * kCalibrationTextureSide * 4);
  std::uint32_t seed = 12345;
  for (GLubyte& texel : texels) {
    seed = seed * 1664525u + 1013904223u;
    texel = static_cast<GLubyte>(seed >> 24);
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kCalibrationTextureSide, kCalibrationTextureSide, 0,
               GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);

  for (DWORD kind = 0; kind < D3DFILLKIND_COUNT; ++kind) {
    if (counts.pixels[kind] == 0) continue;
    costs->nanosecondsPerPixel[kind] = MeasureLayerCost(kind, texture);
  }

  glDeleteTextures(1, &texture);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopClientAttrib();
  glPopAttrib();
  m_dirty = kDirtyAll;
  m_appliedFvf = 0xFFFFFFFFu;
  return D3D_OK;
}

}  // namespace qm
