// GlTestDevice: a real OpenGL device on a 1024 x 768 window for pixel tests.
//
// Uses SDL's offscreen driver (Mesa's software renderer) unless a display is wanted; the
// device is made once per test program and Reset before each test, which also checks that
// a reset leaves it usable. Frames are read back through the frame-capture extension.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "d3d/D3D8.h"
#include "d3d/Direct3DFactory.h"

namespace qm {

// A pre-transformed, coloured, textured vertex (FVF 0x144), as the screen quads use.
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class GlDeviceTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;

  static void SetUpTestSuite() {
    if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SetDirect3DFactory(nullptr);
    s_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!s_d3d) return;
    s_window = SDL_CreateWindow("d3d test", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    if (!s_window) return;
    s_parameters = D3DPRESENT_PARAMETERS{};
    s_parameters.BackBufferWidth = kWidth;
    s_parameters.BackBufferHeight = kHeight;
    s_parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    s_parameters.BackBufferCount = 1;
    s_parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    s_parameters.EnableAutoDepthStencil = TRUE;
    s_parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    s_d3d->CreateDevice(0, D3DDEVTYPE_HAL, SDL_GetWindowID(s_window),
                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &s_parameters, &s_device);
  }

  static void TearDownTestSuite() {
    if (s_device) s_device->Release();
    if (s_window) SDL_DestroyWindow(s_window);
    if (s_d3d) s_d3d->Release();
    s_device = nullptr;
    s_window = nullptr;
    s_d3d = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(s_device, nullptr) << "no OpenGL device: " << SDL_GetError();
    ASSERT_EQ(s_device->Reset(&s_parameters), D3D_OK);
    m_device = s_device;
    m_device->SetFrameCapture(TRUE);
    m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  }

  // Clears, runs `draw` inside a scene, presents and keeps the captured frame.
  template <class Draw>
  void RenderFrame(D3DCOLOR clearColor, Draw draw) {
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColor, 1.0f, 0);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    draw();
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_device->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
    UINT width = 0, height = 0;
    ASSERT_EQ(m_device->GetPresentedFrame(&m_frame, &width, &height), D3D_OK);
    ASSERT_EQ(width, static_cast<UINT>(kWidth));
    ASSERT_EQ(height, static_cast<UINT>(kHeight));
  }

  DWORD Pixel(int x, int y) const { return m_frame[static_cast<size_t>(y) * kWidth + x] & 0xFFFFFFu; }

  // A screen rectangle as a strip in the screen-quad order (bottom-left, top-left,
  // bottom-right, top-right).
  HRESULT DrawRect(float left, float top, float right, float bottom, D3DCOLOR color,
                   float z = 0.5f) {
    const ScreenVertex quad[4] = {{left, bottom, z, 1, color, 0, 1},
                                  {left, top, z, 1, color, 0, 0},
                                  {right, bottom, z, 1, color, 1, 1},
                                  {right, top, z, 1, color, 1, 0}};
    m_device->SetVertexShader(kScreenVertexFvf);
    return m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
  }

  // A texture of the given size whose texels come from fill(x, y) as 0xAARRGGBB.
  template <class Fill>
  IDirect3DTexture8* MakeTexture(UINT width, UINT height, UINT levels, Fill fill) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(m_device->CreateTexture(width, height, levels, 0, D3DFMT_A8R8G8B8,
                                      D3DPOOL_MANAGED, &texture),
              D3D_OK);
    for (UINT level = 0; texture && level < texture->GetLevelCount(); ++level) {
      D3DLOCKED_RECT locked{};
      EXPECT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
      const UINT w = std::max(1u, width >> level), h = std::max(1u, height >> level);
      for (UINT y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < w; ++x) row[x] = fill(level, x, y);
      }
      texture->UnlockRect(level);
    }
    return texture;
  }

  static inline IDirect3D8* s_d3d = nullptr;
  static inline SDL_Window* s_window = nullptr;
  static inline IDirect3DDevice8* s_device = nullptr;
  static inline D3DPRESENT_PARAMETERS s_parameters{};
  IDirect3DDevice8* m_device = nullptr;
  std::vector<DWORD> m_frame;
};

}  // namespace qm
