#include "d3d/gl/GlDevice8.h"

#include <algorithm>
#include <cstring>

#include "d3d/FormatInfo.h"

namespace qm {

// ---------------------------------------------------------------------------------------
// Creation, reset, release
// ---------------------------------------------------------------------------------------

GlDevice8* GlDevice8::Create(IDirect3D8* direct3D, SDL_Window* window, const D3DCAPS8& caps,
                             const D3DPRESENT_PARAMETERS& parameters, HRESULT* result) {
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    *result = D3DERR_NOTAVAILABLE;
    return nullptr;
  }
  SDL_GL_MakeCurrent(window, context);
  auto* device = new GlDevice8(direct3D, window, context, caps, parameters);
  if (!device->m_gl.Load()) {
    device->Release();
    *result = D3DERR_NOTAVAILABLE;
    return nullptr;
  }
  device->ApplyDefaults();
  *result = D3D_OK;
  return device;
}

GlDevice8::GlDevice8(IDirect3D8* direct3D, SDL_Window* window, SDL_GLContext context,
                     const D3DCAPS8& caps, const D3DPRESENT_PARAMETERS& parameters)
    : m_direct3D(direct3D),
      m_window(window),
      m_context(context),
      m_token(std::make_shared<GlContextToken>()),
      m_caps(caps),
      m_parameters(parameters),
      m_state(parameters.EnableAutoDepthStencil != FALSE) {
  m_direct3D->AddRef();
  m_token->functions = &m_gl;
  m_token->context = context;
  const char* driver = SDL_GetCurrentVideoDriver();
  m_offscreenDriver = driver && std::strcmp(driver, "offscreen") == 0;
  // Only an explicit interval of one waits for the vertical blank: otherwise presentation
  // is immediate and the caller paces itself.
  SDL_GL_SetSwapInterval(parameters.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_ONE ? 1 : 0);
  m_state.gammaRamp = LinearGammaRamp();
  m_gamma.SetRamp(m_state.gammaRamp);
}

GlDevice8::~GlDevice8() {
  m_state.ResetToDefaults(false);  // drops the references to bound resources
  SDL_GL_MakeCurrent(m_window, m_context);
  if (m_frameFence != nullptr) m_gl.DeleteSync(m_frameFence);
  m_gamma.Release(m_gl);
  if (m_whiteTexture != 0) glDeleteTextures(1, &m_whiteTexture);
  m_token.reset();
  SDL_GL_DeleteContext(m_context);
  m_direct3D->Release();
}

void GlDevice8::ReadWindowSize() {
  SDL_GL_GetDrawableSize(m_window, &m_width, &m_height);
  if (m_width <= 0 || m_height <= 0) {
    m_width = static_cast<int>(std::max<UINT>(1, m_parameters.BackBufferWidth));
    m_height = static_cast<int>(std::max<UINT>(1, m_parameters.BackBufferHeight));
  }
}

void GlDevice8::ApplyDefaults() {
  ReadWindowSize();
  m_state.ResetToDefaults(m_parameters.EnableAutoDepthStencil != FALSE);
  m_state.viewport = D3DVIEWPORT8{0, 0, static_cast<DWORD>(m_width),
                                  static_cast<DWORD>(m_height), 0.0f, 1.0f};
  glDisable(GL_DITHER);
  glShadeModel(GL_SMOOTH);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  m_dirty = kDirtyAll;
  m_appliedFvf = 0xFFFFFFFFu;
}

HRESULT GlDevice8::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (!parameters || m_inScene) return D3DERR_INVALIDCALL;
  m_parameters = *parameters;
  SDL_GL_MakeCurrent(m_window, m_context);
  // The GL context survives, so managed textures and buffers keep their contents; only
  // the state returns to Direct3D's defaults, as after a real reset.
  ApplyDefaults();
  return D3D_OK;
}

HRESULT GlDevice8::GetDirect3D(IDirect3D8** direct3D) {
  if (!direct3D) return D3DERR_INVALIDCALL;
  m_direct3D->AddRef();
  *direct3D = m_direct3D;
  return D3D_OK;
}

HRESULT GlDevice8::GetDeviceCaps(D3DCAPS8* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = m_caps;
  return D3D_OK;
}

HRESULT GlDevice8::GetDisplayMode(D3DDISPLAYMODE* mode) {
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = D3DDISPLAYMODE{static_cast<UINT>(m_width), static_cast<UINT>(m_height), 0,
                         m_parameters.BackBufferFormat == D3DFMT_UNKNOWN
                             ? D3DFMT_X8R8G8B8
                             : m_parameters.BackBufferFormat};
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------
// Presentation and gamma
// ---------------------------------------------------------------------------------------

HRESULT GlDevice8::Present(const RECT*, const RECT*, HWND, const void*) {
  if (m_inScene) return D3DERR_INVALIDCALL;
  if (m_skipDrawing) return D3D_OK;
  if (m_countPixels) CollectPixelCounts();
  if (m_gamma.Active()) {
    m_gamma.Apply(m_gl, m_width, m_height);
    m_dirty = kDirtyAll;
    m_appliedFvf = 0xFFFFFFFFu;
  }
  if (m_capture) {
    m_capturedWidth = static_cast<UINT>(m_width);
    m_capturedHeight = static_cast<UINT>(m_height);
    std::vector<DWORD> rows(static_cast<size_t>(m_width) * m_height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, m_width, m_height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    m_capturedFrame.resize(rows.size());
    // GL rows run from the bottom; the captured frame runs from the top like the screen.
    for (int y = 0; y < m_height; ++y) {
      const DWORD* source = rows.data() + static_cast<size_t>(m_height - 1 - y) * m_width;
      DWORD* target = m_capturedFrame.data() + static_cast<size_t>(y) * m_width;
      for (int x = 0; x < m_width; ++x) target[x] = source[x] | 0xFF000000u;
    }
  } else if (m_offscreenDriver) {
    LimitFramesInFlight();
  }
  SDL_GL_SwapWindow(m_window);
  return D3D_OK;
}

// The offscreen driver's swap does not wait for the frame, so Mesa would queue frames
// without bound. Waiting for all of this frame (glFinish) would leave this thread idle
// while the rasteriser works; waiting for the previous one lets the next frame's moving
// and drawing calls overlap this frame's pixels, and still bounds the queue.
void GlDevice8::LimitFramesInFlight() {
  if (!m_gl.FenceSync) {
    glFinish();
    return;
  }
  if (m_frameFence != nullptr) {
    constexpr GLuint64 kForever = ~GLuint64(0);
    m_gl.ClientWaitSync(m_frameFence, GL_SYNC_FLUSH_COMMANDS_BIT, kForever);
    m_gl.DeleteSync(m_frameFence);
  }
  m_frameFence = m_gl.FenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
}

void GlDevice8::SetGammaRamp(DWORD, const D3DGAMMARAMP* ramp) {
  if (!ramp) return;
  m_state.gammaRamp = *ramp;
  m_gamma.SetRamp(*ramp);
}

void GlDevice8::GetGammaRamp(D3DGAMMARAMP* ramp) {
  if (ramp) *ramp = m_state.gammaRamp;
}

HRESULT GlDevice8::SetDrawingSkipped(BOOL skip) {
  m_skipDrawing = skip != FALSE;
  return D3D_OK;
}

HRESULT GlDevice8::SetFrameCapture(BOOL enable) {
  m_capture = enable != FALSE;
  return D3D_OK;
}

HRESULT GlDevice8::GetPresentedFrame(std::vector<DWORD>* pixels, UINT* width, UINT* height) {
  if (!pixels || !width || !height) return D3DERR_INVALIDCALL;
  if (m_capturedFrame.empty()) return D3DERR_NOTAVAILABLE;
  *pixels = m_capturedFrame;
  *width = m_capturedWidth;
  *height = m_capturedHeight;
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------------------

HRESULT GlDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (!GlTexture8::Supported(format, m_gl.hasS3tc)) return D3DERR_INVALIDCALL;
  if (width > m_caps.MaxTextureWidth || height > m_caps.MaxTextureHeight) {
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  auto* created = new GlTexture8(m_token, width, height, levels, usage, format, pool);
  if (!created->Valid()) {
    created->Release();
    return D3DERR_INVALIDCALL;
  }
  *texture = created;
  return D3D_OK;
}

HRESULT GlDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                      IDirect3DVertexBuffer8** vertexBuffer) {
  if (!vertexBuffer || length == 0) return D3DERR_INVALIDCALL;
  if (length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *vertexBuffer = new MemoryVertexBuffer(length, usage, fvf, pool);
  return D3D_OK;
}

HRESULT GlDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     IDirect3DIndexBuffer8** indexBuffer) {
  const bool validFormat = format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32;
  if (!indexBuffer || length == 0 || !validFormat) return D3DERR_INVALIDCALL;
  if (length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *indexBuffer = new MemoryIndexBuffer(length, usage, format, pool);
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------
// Scene and clearing
// ---------------------------------------------------------------------------------------

HRESULT GlDevice8::BeginScene() {
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  // A window resized since the last frame (a full-screen window settling) changes the
  // back buffer; the viewport follows only when it covered the whole old one.
  const int oldWidth = m_width;
  const int oldHeight = m_height;
  ReadWindowSize();
  if ((oldWidth != m_width || oldHeight != m_height) && m_state.viewport.X == 0 &&
      m_state.viewport.Y == 0 && m_state.viewport.Width == static_cast<DWORD>(oldWidth) &&
      m_state.viewport.Height == static_cast<DWORD>(oldHeight)) {
    m_state.viewport.Width = static_cast<DWORD>(m_width);
    m_state.viewport.Height = static_cast<DWORD>(m_height);
  }
  // Pre-transformed vertices are placed by the window's size.
  if (oldWidth != m_width || oldHeight != m_height) m_dirty |= kDirtyTransforms;
  return D3D_OK;
}

HRESULT GlDevice8::EndScene() {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

HRESULT GlDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                         float z, DWORD stencil) {
  if (m_skipDrawing) return D3D_OK;
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                 static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(color & 0xFF) / 255.0f,
                 static_cast<float>(color >> 24) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    glClearStencil(static_cast<GLint>(stencil));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  if (mask == 0) return D3DERR_INVALIDCALL;
  // Direct3D clears ignore the write masks and stay inside the viewport.
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glEnable(GL_SCISSOR_TEST);
  const D3DVIEWPORT8& vp = m_state.viewport;
  const auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
    const LONG left = std::max<LONG>(x1, static_cast<LONG>(vp.X));
    const LONG top = std::max<LONG>(y1, static_cast<LONG>(vp.Y));
    const LONG right = std::min<LONG>(x2, static_cast<LONG>(vp.X + vp.Width));
    const LONG bottom = std::min<LONG>(y2, static_cast<LONG>(vp.Y + vp.Height));
    if (right <= left || bottom <= top) return;
    glScissor(left, m_height - bottom, right - left, bottom - top);
    glClear(mask);
    if (m_countPixels) m_clearedPixels += std::uint64_t(right - left) * std::uint64_t(bottom - top);
  };
  if (count == 0 || !rects) {
    clearRect(0, 0, m_width, m_height);
  } else {
    for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  }
  glDisable(GL_SCISSOR_TEST);
  m_dirty |= kDirtyRenderStates;  // the masks are re-applied from the render states
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------
// State setters: stored, translated at the next draw
// ---------------------------------------------------------------------------------------

HRESULT GlDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  D3DMATRIX held{};
  const bool same = m_state.GetTransform(state, &held) &&
                    std::memcmp(&held, matrix, sizeof held) == 0;
  if (!m_state.SetTransform(state, *matrix)) return D3DERR_INVALIDCALL;
  if (same) return D3D_OK;
  if (state == D3DTS_VIEW) {
    m_dirty |= kDirtyTransforms | kDirtyLighting;  // lights are given in eye space
  } else if (state == D3DTS_WORLD || state == D3DTS_PROJECTION) {
    m_dirty |= kDirtyTransforms;
  } else {
    m_dirty |= kDirtyStages;  // a texture matrix
  }
  return D3D_OK;
}

HRESULT GlDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  return m_state.GetTransform(state, matrix) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice8::SetViewport(const D3DVIEWPORT8* viewport) {
  if (!viewport || viewport->Width == 0 || viewport->Height == 0) return D3DERR_INVALIDCALL;
  m_state.viewport = *viewport;
  m_dirty |= kDirtyTransforms;
  return D3D_OK;
}

HRESULT GlDevice8::GetViewport(D3DVIEWPORT8* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = m_state.viewport;
  return D3D_OK;
}

HRESULT GlDevice8::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  if (std::memcmp(&m_state.material, material, sizeof *material) == 0) return D3D_OK;
  m_state.material = *material;
  m_dirty |= kDirtyMaterial;
  return D3D_OK;
}

HRESULT GlDevice8::GetMaterial(D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = m_state.material;
  return D3D_OK;
}

HRESULT GlDevice8::SetLight(DWORD index, const D3DLIGHT8* light) {
  if (!light) return D3DERR_INVALIDCALL;
  m_state.lights[index].light = *light;
  m_dirty |= kDirtyLighting;
  return D3D_OK;
}

HRESULT GlDevice8::GetLight(DWORD index, D3DLIGHT8* light) {
  const auto found = m_state.lights.find(index);
  if (!light || found == m_state.lights.end()) return D3DERR_INVALIDCALL;
  *light = found->second.light;
  return D3D_OK;
}

HRESULT GlDevice8::LightEnable(DWORD index, BOOL enable) {
  LightSlot& slot = m_state.lights[index];
  if (slot.light.Type == 0) {
    // Enabling a light never set gives Direct3D's default: white, directional, along +z.
    slot.light.Type = D3DLIGHT_DIRECTIONAL;
    slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    slot.light.Direction = {0.0f, 0.0f, 1.0f};
  }
  slot.enabled = enable != FALSE;
  m_dirty |= kDirtyLighting;
  return D3D_OK;
}

HRESULT GlDevice8::GetLightEnable(DWORD index, BOOL* enable) {
  const auto found = m_state.lights.find(index);
  if (!enable || found == m_state.lights.end()) return D3DERR_INVALIDCALL;
  *enable = found->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT GlDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  DWORD held = 0;
  const bool same = m_state.GetRenderState(state, &held) && held == value;
  if (!m_state.SetRenderState(state, value)) return D3DERR_INVALIDCALL;
  // Render states also feed the light model and the stages (ambient, colour sources,
  // texture factor); they change a few times a frame, so all three are translated again.
  if (!same) m_dirty |= kDirtyRenderStates | kDirtyLighting | kDirtyStages;
  return D3D_OK;
}

HRESULT GlDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  return m_state.GetRenderState(state, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice8::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
  if (stage >= D3DMAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
  if (m_state.textures[stage].Get() == texture) return D3D_OK;
  m_state.textures[stage].Reset(texture);
  m_dirty |= kDirtyTextures;
  return D3D_OK;
}

HRESULT GlDevice8::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
  if (stage >= D3DMAX_TEXTURE_STAGES || !texture) return D3DERR_INVALIDCALL;
  *texture = m_state.textures[stage].Get();
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT GlDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                        DWORD value) {
  DWORD held = 0;
  const bool same = m_state.GetStageState(stage, type, &held) && held == value;
  if (!m_state.SetStageState(stage, type, value)) return D3DERR_INVALIDCALL;
  if (!same) m_dirty |= kDirtyStages;
  return D3D_OK;
}

HRESULT GlDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                        DWORD* value) {
  return m_state.GetStageState(stage, type, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice8::SetVertexShader(DWORD handle) {
  // Only FVF codes exist here; a programmable shader handle has bits above the FVF range.
  if (handle & ~0xFFFFFu) return D3DERR_INVALIDCALL;
  m_state.fvf = handle;
  return D3D_OK;
}

HRESULT GlDevice8::GetVertexShader(DWORD* handle) {
  if (!handle) return D3DERR_INVALIDCALL;
  *handle = m_state.fvf;
  return D3D_OK;
}

HRESULT GlDevice8::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData,
                                   UINT stride) {
  if (streamNumber != 0) return D3DERR_INVALIDCALL;
  m_state.streamSource.Reset(streamData);
  m_state.streamStride = stride;
  return D3D_OK;
}

HRESULT GlDevice8::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
  m_state.indices.Reset(indexData);
  m_state.baseVertexIndex = baseVertexIndex;
  return D3D_OK;
}

}  // namespace qm
