// GlDevice8's drawing: Direct3D 8 fixed-function state turned into OpenGL state per draw.
//
// Sections: matrices / draw entry points / render states / transforms / lighting /
// texture stages / vertex arrays.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "d3d/FormatInfo.h"
#include "d3d/gl/GlDevice8.h"

namespace qm {

namespace {

// ---------------------------------------------------------------------------------------
// Matrices (row vectors, as Direct3D: a point is v x M)
// ---------------------------------------------------------------------------------------

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

// Direct3D's top-left fill rule counts an edge through pixel centres on the top edge; GL's
// rasteriser, counting y upward, gives that edge to the bottom instead. Raising the picture
// by a fraction of a pixel (above the rasteriser's 1/256 snap) restores Direct3D's choice.
constexpr float kFillRuleNudge = 1.0f / 128.0f;

// Direct3D clips z to 0..w and samples pixels at integer coordinates; OpenGL clips z to
// -w..w and samples at half-integers. Applied after the projection: z' = 2z - w, and x, y
// moved by half a pixel of the viewport (y points up in GL's window).
D3DMATRIX ClipFix(float viewportWidth, float viewportHeight) {
  D3DMATRIX fix{};
  fix._11 = 1.0f;
  fix._22 = 1.0f;
  fix._33 = 2.0f;
  fix._41 = 1.0f / viewportWidth;
  fix._42 = (2.0f * kFillRuleNudge - 1.0f) / viewportHeight;
  fix._43 = -1.0f;
  fix._44 = 1.0f;
  return fix;
}

// Screen pixels of pre-transformed vertices to GL clip space, on Direct3D's pixel centres.
D3DMATRIX PixelProjection(float width, float height) {
  D3DMATRIX m{};
  m._11 = 2.0f / width;
  m._22 = -2.0f / height;
  m._33 = 2.0f;
  m._41 = 1.0f / width - 1.0f;
  m._42 = 1.0f + (2.0f * kFillRuleNudge - 1.0f) / height;
  m._43 = -1.0f;
  m._44 = 1.0f;
  return m;
}

void ColorToFloats(D3DCOLOR color, GLfloat out[4]) {
  out[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(color & 0xFF) / 255.0f;
  out[3] = static_cast<float>(color >> 24) / 255.0f;
}

void ColorValueToFloats(const D3DCOLORVALUE& c, GLfloat out[4]) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

GLenum CompareFunction(DWORD d3dCompare) {
  if (d3dCompare < D3DCMP_NEVER || d3dCompare > D3DCMP_ALWAYS) return GL_ALWAYS;
  return GL_NEVER + (d3dCompare - D3DCMP_NEVER);  // both enumerations share the order
}

GLenum BlendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
  }
}

GLint AddressMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

// Direct3D stage argument to a GL combiner source.
GLenum CombineSource(DWORD argument, DWORD stage) {
  switch (argument & D3DTA_SELECTMASK) {
    case D3DTA_TEXTURE: return GL_TEXTURE;
    case D3DTA_TFACTOR: return GL_CONSTANT;
    case D3DTA_CURRENT:
    case D3DTA_TEMP: return stage == 0 ? GL_PRIMARY_COLOR : GL_PREVIOUS;
    default: return GL_PRIMARY_COLOR;  // diffuse; specular is added after the stages
  }
}

GLenum CombineOperand(DWORD argument, bool alpha) {
  const bool complement = (argument & D3DTA_COMPLEMENT) != 0;
  if (alpha || (argument & D3DTA_ALPHAREPLICATE)) {
    return complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
  }
  return complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

// Sets the RGB or alpha half of a stage's combiner from a Direct3D operation.
void SetupCombine(bool alpha, DWORD op, DWORD arg1, DWORD arg2, DWORD stage) {
  const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
  static constexpr GLenum kRgbSources[3] = {GL_SOURCE0_RGB, GL_SOURCE1_RGB, GL_SOURCE2_RGB};
  static constexpr GLenum kAlphaSources[3] = {GL_SOURCE0_ALPHA, GL_SOURCE1_ALPHA, GL_SOURCE2_ALPHA};
  static constexpr GLenum kRgbOperands[3] = {GL_OPERAND0_RGB, GL_OPERAND1_RGB, GL_OPERAND2_RGB};
  static constexpr GLenum kAlphaOperands[3] = {GL_OPERAND0_ALPHA, GL_OPERAND1_ALPHA,
                                               GL_OPERAND2_ALPHA};
  const GLenum* sources = alpha ? kAlphaSources : kRgbSources;
  const GLenum* operands = alpha ? kAlphaOperands : kRgbOperands;
  const auto arg = [&](int slot, DWORD d3dArg) {
    glTexEnvi(GL_TEXTURE_ENV, sources[slot], static_cast<GLint>(CombineSource(d3dArg, stage)));
    glTexEnvi(GL_TEXTURE_ENV, operands[slot], static_cast<GLint>(CombineOperand(d3dArg, alpha)));
  };
  const auto blendBy = [&](DWORD d3dSource) {
    glTexEnvi(GL_TEXTURE_ENV, combine, GL_INTERPOLATE);
    arg(0, arg1);
    arg(1, arg2);
    glTexEnvi(GL_TEXTURE_ENV, sources[2], static_cast<GLint>(CombineSource(d3dSource, stage)));
    glTexEnvi(GL_TEXTURE_ENV, operands[2], GL_SRC_ALPHA);
  };
  GLfloat scale = 1.0f;
  switch (op) {
    case D3DTOP_DISABLE:  // an alpha op left disabled on a live stage passes alpha on
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_REPLACE);
      arg(0, D3DTA_CURRENT);
      break;
    case D3DTOP_SELECTARG1:
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_REPLACE);
      arg(0, arg1);
      break;
    case D3DTOP_SELECTARG2:
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_REPLACE);
      arg(0, arg2);
      break;
    case D3DTOP_ADD:
    case D3DTOP_ADDSMOOTH:
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_ADD);
      arg(0, arg1);
      arg(1, arg2);
      break;
    case D3DTOP_ADDSIGNED:
    case D3DTOP_ADDSIGNED2X:
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_ADD_SIGNED);
      arg(0, arg1);
      arg(1, arg2);
      scale = op == D3DTOP_ADDSIGNED2X ? 2.0f : 1.0f;
      break;
    case D3DTOP_SUBTRACT:
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_SUBTRACT);
      arg(0, arg1);
      arg(1, arg2);
      break;
    case D3DTOP_BLENDDIFFUSEALPHA:
      blendBy(D3DTA_DIFFUSE);
      break;
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM:
      blendBy(D3DTA_TEXTURE);
      break;
    case D3DTOP_BLENDFACTORALPHA:
      blendBy(D3DTA_TFACTOR);
      break;
    case D3DTOP_BLENDCURRENTALPHA:
      blendBy(D3DTA_CURRENT);
      break;
    case D3DTOP_DOTPRODUCT3:
      glTexEnvi(GL_TEXTURE_ENV, combine, alpha ? GL_MODULATE : GL_DOT3_RGBA);
      arg(0, arg1);
      arg(1, arg2);
      break;
    default:  // MODULATE, 2X, 4X, and the rarer operations approximated by a product
      glTexEnvi(GL_TEXTURE_ENV, combine, GL_MODULATE);
      arg(0, arg1);
      arg(1, arg2);
      scale = op == D3DTOP_MODULATE2X ? 2.0f : op == D3DTOP_MODULATE4X ? 4.0f : 1.0f;
      break;
  }
  glTexEnvf(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE, scale);
}

// The texture matrix GL needs to give Direct3D's result. Direct3D feeds 2D coordinates as
// (u, v, 1) and generated ones as (x, y, z, 1), while GL always has q = 1 in the fourth
// place; and without D3DTTFF_PROJECTED Direct3D never divides, so q must come out as 1.
D3DMATRIX TextureMatrixFor(const D3DMATRIX& d3d, DWORD flags, int inputFloats) {
  D3DMATRIX m = d3d;
  if (inputFloats == 2) {
    for (int j = 0; j < 4; ++j) {
      m.m[3][j] = d3d.m[2][j];
      m.m[2][j] = 0.0f;
    }
  } else if (inputFloats == 1) {
    for (int j = 0; j < 4; ++j) {
      m.m[3][j] = d3d.m[1][j];
      m.m[1][j] = 0.0f;
      m.m[2][j] = 0.0f;
    }
  }
  const DWORD count = flags & 0xFF;
  if (flags & D3DTTFF_PROJECTED) {
    if (count >= 1 && count <= 3) {
      for (int i = 0; i < 4; ++i) m.m[i][3] = m.m[i][count - 1];
    }
  } else if (count >= 1 && count <= 3) {
    for (int i = 0; i < 4; ++i) m.m[i][3] = i == 3 ? 1.0f : 0.0f;
  }
  return m;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Draw entry points
// ---------------------------------------------------------------------------------------

HRESULT GlDevice8::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                 UINT primitiveCount) {
  auto* buffer = dynamic_cast<MemoryVertexBuffer*>(m_state.streamSource.Get());
  const UINT stride = m_state.streamStride;
  if (!buffer || stride == 0) return D3DERR_INVALIDCALL;
  const UINT total = buffer->Length() / stride;
  if (startVertex > total) return D3DERR_INVALIDCALL;
  DrawSource source;
  source.vertices = buffer->Bytes() + static_cast<size_t>(startVertex) * stride;
  source.stride = stride;
  source.vertexCount = total - startVertex;
  return Draw(primitiveType, primitiveCount, source);
}

HRESULT GlDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex,
                                        UINT numVertices, UINT startIndex,
                                        UINT primitiveCount) {
  auto* buffer = dynamic_cast<MemoryVertexBuffer*>(m_state.streamSource.Get());
  auto* indices = dynamic_cast<MemoryIndexBuffer*>(m_state.indices.Get());
  const UINT stride = m_state.streamStride;
  if (!buffer || !indices || stride == 0) return D3DERR_INVALIDCALL;
  const UINT total = buffer->Length() / stride;
  const UINT base = m_state.baseVertexIndex;
  const UINT indexSize = indices->Format() == D3DFMT_INDEX32 ? 4 : 2;
  const UINT needed = VerticesForPrimitives(primitiveType, primitiveCount);
  if (base > total || startIndex > indices->Length() / indexSize ||
      needed > indices->Length() / indexSize - startIndex) {
    return D3DERR_INVALIDCALL;
  }
  DrawSource source;
  source.vertices = buffer->Bytes() + static_cast<size_t>(base) * stride;
  source.stride = stride;
  source.vertexCount = std::min(total - base, minIndex + numVertices);
  source.indices = indices->Bytes() + static_cast<size_t>(startIndex) * indexSize;
  source.indexType = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
  source.minIndex = minIndex;
  return Draw(primitiveType, primitiveCount, source);
}

HRESULT GlDevice8::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                   const void* vertexStreamZeroData,
                                   UINT vertexStreamZeroStride) {
  // As in Direct3D, drawing from user memory unbinds stream 0.
  m_state.streamSource.Reset(nullptr);
  m_state.streamStride = 0;
  if (!vertexStreamZeroData || vertexStreamZeroStride == 0) return D3DERR_INVALIDCALL;
  DrawSource source;
  source.vertices = static_cast<const BYTE*>(vertexStreamZeroData);
  source.stride = vertexStreamZeroStride;
  source.vertexCount = VerticesForPrimitives(primitiveType, primitiveCount);
  return Draw(primitiveType, primitiveCount, source);
}

HRESULT GlDevice8::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                          UINT numVertexIndices, UINT primitiveCount,
                                          const void* indexData, D3DFORMAT indexDataFormat,
                                          const void* vertexStreamZeroData,
                                          UINT vertexStreamZeroStride) {
  m_state.streamSource.Reset(nullptr);
  m_state.streamStride = 0;
  m_state.indices.Reset(nullptr);
  const bool validFormat = indexDataFormat == D3DFMT_INDEX16 || indexDataFormat == D3DFMT_INDEX32;
  if (!indexData || !vertexStreamZeroData || vertexStreamZeroStride == 0 || !validFormat) {
    return D3DERR_INVALIDCALL;
  }
  DrawSource source;
  source.vertices = static_cast<const BYTE*>(vertexStreamZeroData);
  source.stride = vertexStreamZeroStride;
  source.vertexCount = minVertexIndex + numVertexIndices;
  source.indices = indexData;
  source.indexType = indexDataFormat == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
  source.minIndex = minVertexIndex;
  return Draw(primitiveType, primitiveCount, source);
}

HRESULT GlDevice8::Draw(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                        const DrawSource& source) {
  if (primitiveCount == 0) return D3D_OK;
  if (primitiveCount > m_caps.MaxPrimitiveCount) return D3DERR_INVALIDCALL;
  const UINT count = VerticesForPrimitives(primitiveType, primitiveCount);
  const DWORD fvf = m_state.fvf;
  const FvfLayout layout = GetFvfLayout(fvf);
  if (count == 0 || layout.positionFloats == 0 || layout.stride > source.stride) {
    return D3DERR_INVALIDCALL;
  }
  // Every vertex the draw reads must lie inside what the caller handed over.
  UINT lowest = 0;
  UINT highest = count - 1;
  if (source.indices) {
    lowest = 0xFFFFFFFFu;
    highest = 0;
    for (UINT i = 0; i < count; ++i) {
      const UINT index = source.indexType == GL_UNSIGNED_INT
                             ? static_cast<const std::uint32_t*>(source.indices)[i]
                             : static_cast<const std::uint16_t*>(source.indices)[i];
      lowest = std::min(lowest, index);
      highest = std::max(highest, index);
    }
  }
  if (highest >= source.vertexCount) return D3DERR_INVALIDCALL;
  if (m_skipDrawing) return D3D_OK;

  const bool pretransformed = layout.positionFloats == 4;
  ApplyChangedState(fvf, pretransformed);
  const BYTE* vertices = source.vertices;
  if (pretransformed) vertices = ConvertPretransformed(source, lowest, highest + 1 - lowest);
  BindArrays(vertices, source.stride, fvf, pretransformed);
  IssueDraw(primitiveType, count, source, lowest, highest);
  if (m_countPixels) {
    CountDrawPixels(DrawKind(), primitiveType, count, source, lowest, highest);
  }
  return D3D_OK;
}

void GlDevice8::IssueDraw(D3DPRIMITIVETYPE primitiveType, UINT count, const DrawSource& source,
                          UINT lowest, UINT highest) {
  if (source.indices) {
    glDrawRangeElements(PrimitiveMode(primitiveType), lowest, highest,
                        static_cast<GLsizei>(count), source.indexType, source.indices);
  } else {
    glDrawArrays(PrimitiveMode(primitiveType), 0, static_cast<GLsizei>(count));
  }
}

void GlDevice8::ApplyChangedState(DWORD fvf, bool pretransformed) {
  unsigned dirty = m_dirty;
  // The vertex format decides lighting (vertex colours, pre-transformed vertices), texture
  // coordinate sizes and the matrices.
  if (fvf != m_appliedFvf) dirty |= kDirtyLighting | kDirtyStages | kDirtyTransforms;
  // A texture written since it was bound is uploaded by binding it again.
  for (int unit = 0; unit < m_activeUnits && !(dirty & kDirtyTextures); ++unit) {
    auto* texture = dynamic_cast<GlTexture8*>(m_state.textures[static_cast<DWORD>(unit)].Get());
    if (texture && texture->NeedsUpload()) dirty |= kDirtyTextures;
  }
  if (dirty == 0) return;
  // Lights and texture generation are given with an identity model-view, so the matrices
  // follow them.
  const bool eyeSpace = (dirty & (kDirtyLighting | kDirtyStages)) != 0;
  if (eyeSpace) dirty |= kDirtyTransforms;
  if (dirty & kDirtyRenderStates) ApplyRenderStates();
  if (eyeSpace) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
  const bool lit = !pretransformed && m_state.RenderState(D3DRS_LIGHTING) != FALSE;
  if (dirty & kDirtyLighting) {
    ApplyLighting(lit, fvf);
  } else if ((dirty & kDirtyMaterial) && lit) {
    ApplyMaterial();
  }
  if (dirty & kDirtyStages) {
    ApplyStages(pretransformed, fvf);
  } else if (dirty & kDirtyTextures) {
    ApplyTextures();
  }
  if (dirty & kDirtyTransforms) ApplyTransforms(pretransformed);
  m_dirty = 0;
  m_appliedFvf = fvf;
}

// Pre-transformed vertices carry 1/w: GL needs (x, y, z, 1) x w for a correct perspective
// division. The saver's screen quads have rhw 1 and are drawn as they are.
const BYTE* GlDevice8::ConvertPretransformed(const DrawSource& source, UINT first, UINT count) {
  bool allOne = true;
  for (UINT i = first; i < first + count && allOne; ++i) {
    const auto* position = reinterpret_cast<const float*>(source.vertices + static_cast<size_t>(i) * source.stride);
    allOne = position[3] == 1.0f;
  }
  if (allOne) return source.vertices;
  m_scratch.assign(source.vertices, source.vertices + static_cast<size_t>(first + count) * source.stride);
  for (UINT i = first; i < first + count; ++i) {
    auto* position = reinterpret_cast<float*>(m_scratch.data() + static_cast<size_t>(i) * source.stride);
    const float w = position[3] != 0.0f ? 1.0f / position[3] : 1.0f;
    position[0] *= w;
    position[1] *= w;
    position[2] *= w;
    position[3] = w;
  }
  return m_scratch.data();
}

// ---------------------------------------------------------------------------------------
// Render states
// ---------------------------------------------------------------------------------------

void GlDevice8::ApplyRenderStates() {
  const DeviceState& s = m_state;
  if (s.RenderState(D3DRS_ZENABLE) != D3DZB_FALSE) {
    glEnable(GL_DEPTH_TEST);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(s.RenderState(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);
  glDepthFunc(CompareFunction(s.RenderState(D3DRS_ZFUNC)));

  if (s.RenderState(D3DRS_ALPHATESTENABLE)) {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(CompareFunction(s.RenderState(D3DRS_ALPHAFUNC)),
                static_cast<float>(s.RenderState(D3DRS_ALPHAREF) & 0xFF) / 255.0f);
  } else {
    glDisable(GL_ALPHA_TEST);
  }

  if (s.RenderState(D3DRS_ALPHABLENDENABLE)) {
    glEnable(GL_BLEND);
    DWORD source = s.RenderState(D3DRS_SRCBLEND);
    DWORD destination = s.RenderState(D3DRS_DESTBLEND);
    if (source == D3DBLEND_BOTHSRCALPHA) {
      source = D3DBLEND_SRCALPHA;
      destination = D3DBLEND_INVSRCALPHA;
    } else if (source == D3DBLEND_BOTHINVSRCALPHA) {
      source = D3DBLEND_INVSRCALPHA;
      destination = D3DBLEND_SRCALPHA;
    }
    glBlendFunc(BlendFactor(source), BlendFactor(destination));
  } else {
    glDisable(GL_BLEND);
  }

  // Direct3D's front faces wind clockwise on screen; GL's counter-clockwise ones are its
  // front, and the picture is not flipped between the two.
  switch (s.RenderState(D3DRS_CULLMODE)) {
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
    case D3DCULL_CCW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default:
      glDisable(GL_CULL_FACE);
      break;
  }
  glFrontFace(GL_CCW);

  switch (s.RenderState(D3DRS_FILLMODE)) {
    case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
    case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
    default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
  }
  glShadeModel(s.RenderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
  const DWORD writeMask = s.RenderState(D3DRS_COLORWRITEENABLE);
  glColorMask((writeMask & D3DCOLORWRITEENABLE_RED) ? GL_TRUE : GL_FALSE,
              (writeMask & D3DCOLORWRITEENABLE_GREEN) ? GL_TRUE : GL_FALSE,
              (writeMask & D3DCOLORWRITEENABLE_BLUE) ? GL_TRUE : GL_FALSE,
              (writeMask & D3DCOLORWRITEENABLE_ALPHA) ? GL_TRUE : GL_FALSE);
}

// ---------------------------------------------------------------------------------------
// Transforms (called last: lights and texture generation were set with an identity view)
// ---------------------------------------------------------------------------------------

void GlDevice8::ApplyTransforms(bool pretransformed) {
  if (pretransformed) {
    glViewport(0, 0, m_width, m_height);
    glDepthRange(0.0, 1.0);
    glMatrixMode(GL_PROJECTION);
    const D3DMATRIX projection = PixelProjection(static_cast<float>(m_width), static_cast<float>(m_height));
    glLoadMatrixf(&projection.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return;
  }
  const D3DVIEWPORT8& vp = m_state.viewport;
  glViewport(static_cast<GLint>(vp.X), m_height - static_cast<GLint>(vp.Y + vp.Height),
             static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
  glDepthRange(vp.MinZ, vp.MaxZ);
  glMatrixMode(GL_PROJECTION);
  const D3DMATRIX projection = Multiply(
      m_state.Projection(), ClipFix(static_cast<float>(vp.Width), static_cast<float>(vp.Height)));
  glLoadMatrixf(&projection.m[0][0]);
  glMatrixMode(GL_MODELVIEW);
  const D3DMATRIX worldView = Multiply(m_state.World(), m_state.View());
  glLoadMatrixf(&worldView.m[0][0]);
}

// ---------------------------------------------------------------------------------------
// Lighting
// ---------------------------------------------------------------------------------------

void GlDevice8::ApplyLighting(bool lit, DWORD fvf) {
  if (!lit) {
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    return;
  }
  const DeviceState& s = m_state;
  glEnable(GL_LIGHTING);
  glEnable(GL_NORMALIZE);
  if (!s.RenderState(D3DRS_NORMALIZENORMALS)) glDisable(GL_NORMALIZE);
  GLfloat ambient[4];
  ColorToFloats(s.RenderState(D3DRS_AMBIENT), ambient);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, s.RenderState(D3DRS_LOCALVIEWER) ? GL_TRUE : GL_FALSE);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  const bool specular = s.RenderState(D3DRS_SPECULARENABLE) != FALSE;
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL,
                specular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);

  ApplyMaterial();

  // Vertex colours feed the material only with COLORVERTEX and a diffuse component.
  const bool colorVertex = s.RenderState(D3DRS_COLORVERTEX) && (fvf & D3DFVF_DIFFUSE);
  const bool diffuseFromVertex = colorVertex && s.RenderState(D3DRS_DIFFUSEMATERIALSOURCE) == D3DMCS_COLOR1;
  const bool ambientFromVertex = colorVertex && s.RenderState(D3DRS_AMBIENTMATERIALSOURCE) == D3DMCS_COLOR1;
  if (diffuseFromVertex || ambientFromVertex) {
    glColorMaterial(GL_FRONT_AND_BACK, diffuseFromVertex && ambientFromVertex ? GL_AMBIENT_AND_DIFFUSE
                                       : diffuseFromVertex ? GL_DIFFUSE
                                                           : GL_AMBIENT);
    glEnable(GL_COLOR_MATERIAL);
  } else {
    glDisable(GL_COLOR_MATERIAL);
  }

  GLfloat color[4];
  const D3DMATRIX& view = s.View();
  int glLight = 0;
  for (const auto& [index, slot] : s.lights) {
    if (!slot.enabled || glLight >= 8) continue;
    const GLenum id = GL_LIGHT0 + static_cast<GLenum>(glLight++);
    const D3DLIGHT8& light = slot.light;
    glEnable(id);
    ColorValueToFloats(light.Diffuse, color);
    glLightfv(id, GL_DIFFUSE, color);
    ColorValueToFloats(light.Specular, color);
    glLightfv(id, GL_SPECULAR, color);
    ColorValueToFloats(light.Ambient, color);
    glLightfv(id, GL_AMBIENT, color);
    // Directions and positions go to GL in eye space (the model-view is the identity here).
    const D3DVECTOR& d = light.Direction;
    GLfloat dir[3] = {d.x * view._11 + d.y * view._21 + d.z * view._31,
                      d.x * view._12 + d.y * view._22 + d.z * view._32,
                      d.x * view._13 + d.y * view._23 + d.z * view._33};
    const float length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (length > 0.0f) {
      for (float& c : dir) c /= length;
    }
    if (light.Type == D3DLIGHT_DIRECTIONAL) {
      // Direct3D's direction is where the light travels; GL's w = 0 position points back
      // toward the light.
      const GLfloat position[4] = {-dir[0], -dir[1], -dir[2], 0.0f};
      glLightfv(id, GL_POSITION, position);
      glLightf(id, GL_SPOT_CUTOFF, 180.0f);
      glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
      glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
      glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
      continue;
    }
    const D3DVECTOR& p = light.Position;
    const GLfloat position[4] = {p.x * view._11 + p.y * view._21 + p.z * view._31 + view._41,
                                 p.x * view._12 + p.y * view._22 + p.z * view._32 + view._42,
                                 p.x * view._13 + p.y * view._23 + p.z * view._33 + view._43, 1.0f};
    glLightfv(id, GL_POSITION, position);
    const bool noAttenuation = light.Attenuation0 == 0.0f && light.Attenuation1 == 0.0f &&
                               light.Attenuation2 == 0.0f;
    glLightf(id, GL_CONSTANT_ATTENUATION, noAttenuation ? 1.0f : light.Attenuation0);
    glLightf(id, GL_LINEAR_ATTENUATION, light.Attenuation1);
    glLightf(id, GL_QUADRATIC_ATTENUATION, light.Attenuation2);
    if (light.Type == D3DLIGHT_SPOT) {
      glLightfv(id, GL_SPOT_DIRECTION, dir);
      glLightf(id, GL_SPOT_CUTOFF, std::clamp(light.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
      glLightf(id, GL_SPOT_EXPONENT, std::clamp(light.Falloff, 0.0f, 128.0f));
    } else {
      glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    }
  }
  for (; glLight < 8; ++glLight) glDisable(GL_LIGHT0 + static_cast<GLenum>(glLight));
}

void GlDevice8::ApplyMaterial() {
  const D3DMATERIAL8& material = m_state.material;
  const bool specular = m_state.RenderState(D3DRS_SPECULARENABLE) != FALSE;
  GLfloat color[4];
  ColorValueToFloats(material.Diffuse, color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
  ColorValueToFloats(material.Ambient, color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, color);
  ColorValueToFloats(material.Emissive, color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, color);
  const GLfloat noSpecular[4] = {0, 0, 0, 0};
  ColorValueToFloats(material.Specular, color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular ? color : noSpecular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material.Power, 0.0f, 128.0f));
}

// ---------------------------------------------------------------------------------------
// Texture stages
// ---------------------------------------------------------------------------------------

void GlDevice8::ApplyStages(bool pretransformed, DWORD fvf) {
  const int units = std::min<int>(m_gl.textureUnits, static_cast<int>(D3DMAX_TEXTURE_STAGES));
  int active = 0;
  while (active < units &&
         m_state.StageState(static_cast<DWORD>(active), D3DTSS_COLOROP) != D3DTOP_DISABLE) {
    ApplyStage(static_cast<DWORD>(active), pretransformed, fvf);
    ++active;
  }
  for (int unit = active; unit < std::max(active, m_activeUnits); ++unit) {
    m_gl.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
  }
  m_activeUnits = active;
  m_gl.ActiveTexture(GL_TEXTURE0);
}

void GlDevice8::ApplyTextures() {
  for (int unit = 0; unit < m_activeUnits; ++unit) {
    m_gl.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    BindStageTexture(static_cast<DWORD>(unit));
  }
  m_gl.ActiveTexture(GL_TEXTURE0);
}

void GlDevice8::BindStageTexture(DWORD stage) {
  auto* texture = dynamic_cast<GlTexture8*>(m_state.textures[stage].Get());
  if (texture) {
    texture->Bind();
    ApplySampler(stage, texture);
  } else {
    // An empty stage samples opaque white, so MODULATE leaves the diffuse colour.
    BindWhiteTexture();
  }
}

void GlDevice8::ApplyStage(DWORD stage, bool pretransformed, DWORD fvf) {
  m_gl.ActiveTexture(GL_TEXTURE0 + stage);
  glEnable(GL_TEXTURE_2D);
  BindStageTexture(stage);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  const DeviceState& s = m_state;
  SetupCombine(false, s.StageState(stage, D3DTSS_COLOROP), s.StageState(stage, D3DTSS_COLORARG1),
               s.StageState(stage, D3DTSS_COLORARG2), stage);
  SetupCombine(true, s.StageState(stage, D3DTSS_ALPHAOP), s.StageState(stage, D3DTSS_ALPHAARG1),
               s.StageState(stage, D3DTSS_ALPHAARG2), stage);
  GLfloat factor[4];
  ColorToFloats(s.RenderState(D3DRS_TEXTUREFACTOR), factor);
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);

  const DWORD index = s.StageState(stage, D3DTSS_TEXCOORDINDEX);
  const DWORD generation = pretransformed ? D3DTSS_TCI_PASSTHRU : (index & 0xFFFF0000u);
  GLint mode = 0;
  if (generation == D3DTSS_TCI_CAMERASPACENORMAL) mode = GL_NORMAL_MAP;
  if (generation == D3DTSS_TCI_CAMERASPACEPOSITION) mode = GL_EYE_LINEAR;
  if (generation == D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR) mode = GL_REFLECTION_MAP;
  const GLenum coords[3] = {GL_S, GL_T, GL_R};
  const GLenum enables[3] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R};
  for (int c = 0; c < 3; ++c) {
    if (mode == 0) {
      glDisable(enables[c]);
      continue;
    }
    glTexGeni(coords[c], GL_TEXTURE_GEN_MODE, mode);
    if (mode == GL_EYE_LINEAR) {
      GLfloat plane[4] = {0, 0, 0, 0};
      plane[c] = 1.0f;
      glTexGenfv(coords[c], GL_EYE_PLANE, plane);  // with the identity model-view: eye space
    }
    glEnable(enables[c]);
  }

  glMatrixMode(GL_TEXTURE);
  const DWORD flags = s.StageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS);
  if (flags == D3DTTFF_DISABLE) {
    glLoadIdentity();
  } else {
    const FvfLayout layout = GetFvfLayout(fvf);
    const DWORD set = index & 0xFFFFu;
    const int inputFloats = mode != 0 ? 3 : (set < layout.texCount ? layout.texSize[set] : 2);
    const D3DMATRIX matrix = TextureMatrixFor(s.TextureMatrix(stage), flags, inputFloats);
    glLoadMatrixf(&matrix.m[0][0]);
  }
  glMatrixMode(GL_MODELVIEW);
}

void GlDevice8::ApplySampler(DWORD stage, GlTexture8* texture) {
  const DWORD minFilter = m_state.StageState(stage, D3DTSS_MINFILTER);
  const DWORD mipFilter = m_state.StageState(stage, D3DTSS_MIPFILTER);
  const bool linear = minFilter >= D3DTEXF_LINEAR;
  GLint min = linear ? GL_LINEAR : GL_NEAREST;
  // Direct3D samples only the top level unless a mip filter is set.
  if (mipFilter == D3DTEXF_POINT) min = linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  if (mipFilter >= D3DTEXF_LINEAR) min = linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  const GLint mag = m_state.StageState(stage, D3DTSS_MAGFILTER) >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
  const GLint wrapS = AddressMode(m_state.StageState(stage, D3DTSS_ADDRESSU));
  const GLint wrapT = AddressMode(m_state.StageState(stage, D3DTSS_ADDRESSV));
  GlSamplerState& applied = texture->Sampler();
  if (applied.minFilter != min) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
  if (applied.magFilter != mag) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
  if (applied.wrapS != wrapS) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
  if (applied.wrapT != wrapT) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
  applied.minFilter = min;
  applied.magFilter = mag;
  applied.wrapS = wrapS;
  applied.wrapT = wrapT;
}

void GlDevice8::BindWhiteTexture() {
  if (m_whiteTexture == 0) {
    glGenTextures(1, &m_whiteTexture);
    glBindTexture(GL_TEXTURE_2D, m_whiteTexture);
    const GLubyte white[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  } else {
    glBindTexture(GL_TEXTURE_2D, m_whiteTexture);
  }
}

// ---------------------------------------------------------------------------------------
// Vertex arrays
// ---------------------------------------------------------------------------------------

void GlDevice8::BindArrays(const BYTE* vertices, UINT stride, DWORD fvf, bool pretransformed) {
  const FvfLayout layout = GetFvfLayout(fvf);
  const auto gstride = static_cast<GLsizei>(stride);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(pretransformed ? 4 : 3, GL_FLOAT, gstride, vertices + layout.position);
  if (layout.normal >= 0) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, gstride, vertices + layout.normal);
  } else {
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3f(0.0f, 0.0f, 0.0f);
  }
  if (layout.diffuse >= 0) {
    // D3DCOLOR lies in memory as B, G, R, A.
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, gstride, vertices + layout.diffuse);
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  }
  const int units = std::min<int>(m_gl.textureUnits, static_cast<int>(D3DMAX_TEXTURE_STAGES));
  for (int unit = 0; unit < units; ++unit) {
    m_gl.ClientActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    const DWORD set = m_state.StageState(static_cast<DWORD>(unit), D3DTSS_TEXCOORDINDEX) & 0xFFFFu;
    if (unit < m_activeUnits && set < layout.texCount) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(layout.texSize[set], GL_FLOAT, gstride, vertices + layout.texCoord[set]);
    } else {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
  }
  m_gl.ClientActiveTexture(GL_TEXTURE0);
}

}  // namespace qm
