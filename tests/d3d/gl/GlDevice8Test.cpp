// Pixel tests of the OpenGL back end: each checks a place where Direct3D 8 fixed function
// and OpenGL differ, by drawing on Mesa's software renderer and reading the frame back.
#include "d3d/gl/GlDevice8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "d3d/gl/GlTestDevice.h"

namespace qm {
namespace {

int Channel(DWORD color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

::testing::AssertionResult ColorNear(DWORD actual, int r, int g, int b, int tolerance = 2) {
  const int ar = Channel(actual, 16), ag = Channel(actual, 8), ab = Channel(actual, 0);
  if (std::abs(ar - r) <= tolerance && std::abs(ag - g) <= tolerance && std::abs(ab - b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got (" << ar << ", " << ag << ", " << ab
                                       << ") want (" << r << ", " << g << ", " << b << ")";
}

// A vertex with position and normal in clip space (identity transforms) and one texture set.
struct LitVertex {
  float x, y, z, nx, ny, nz, u, v;
};
constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Two triangles covering the clip-space square [-0.5, 0.5]^2 at depth z with one normal.
std::vector<LitVertex> LitSquare(float z, float nx, float ny, float nz) {
  const LitVertex a{-0.5f, 0.5f, z, nx, ny, nz, 0, 0}, b{0.5f, 0.5f, z, nx, ny, nz, 1, 0},
      c{-0.5f, -0.5f, z, nx, ny, nz, 0, 1}, d{0.5f, -0.5f, z, nx, ny, nz, 1, 1};
  return {a, b, c, c, b, d};  // clockwise on screen: Direct3D's front
}

TEST_F(GlDeviceTest, ScreenQuadCoversExactlyItsPixels) {
  // The loading screen's logo: 256 x 128 at the bottom right of 1024 x 768.
  RenderFrame(0xFF000000, [&] { ASSERT_EQ(DrawRect(768, 640, 1024, 768, 0xFFFFFFFF), D3D_OK); });
  int covered = 0, left = kWidth, top = kHeight, right = -1, bottom = -1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (Pixel(x, y) == 0) continue;
      ++covered;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(covered, 256 * 128);
  EXPECT_EQ(left, 768);
  EXPECT_EQ(top, 640);
  EXPECT_EQ(right, 1023);
  EXPECT_EQ(bottom, 767);
}

TEST_F(GlDeviceTest, SkippedFramesFillNothingAndTheNextDrawnFrameIsWhole) {
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 10, 10, 0xFF00FF00); });
  ASSERT_EQ(m_device->SetDrawingSkipped(TRUE), D3D_OK);
  // A skipped frame changes state as usual and still refuses what is wrong ...
  IDirect3DTexture8* texture = MakeTexture(4, 4, 1, [](UINT, UINT, UINT) { return 0xFFC08040u; });
  RenderFrame(0xFFFF0000, [&] {
    m_device->SetTexture(0, texture);
    EXPECT_EQ(DrawRect(100, 100, 200, 200, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nullptr, sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
  });
  // ... but neither its clear nor its draw reached the frame: the last one shown stays.
  EXPECT_TRUE(ColorNear(Pixel(5, 5), 0, 255, 0));
  EXPECT_EQ(Pixel(150, 150), 0u);
  ASSERT_EQ(m_device->SetDrawingSkipped(FALSE), D3D_OK);
  // The state set while skipping (the texture) holds in the next frame drawn.
  RenderFrame(0xFF000000, [&] { DrawRect(100, 100, 200, 200, 0xFFFFFFFF); });
  EXPECT_TRUE(ColorNear(Pixel(150, 150), 0xC0, 0x80, 0x40, 0));
  EXPECT_EQ(Pixel(5, 5), 0u);
  m_device->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(GlDeviceTest, VertexColoursAreReadAsBlueGreenRedAlpha) {
  RenderFrame(0xFF000000, [&] { DrawRect(10, 10, 20, 20, 0xFF102030); });
  EXPECT_TRUE(ColorNear(Pixel(15, 15), 0x10, 0x20, 0x30, 0));
}

TEST_F(GlDeviceTest, TextureTexelsAreReadAsArgb) {
  IDirect3DTexture8* texture = MakeTexture(4, 4, 1, [](UINT, UINT, UINT) { return 0xFFC08040u; });
  m_device->SetTexture(0, texture);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 64, 64, 0xFFFFFFFF); });
  EXPECT_TRUE(ColorNear(Pixel(30, 30), 0xC0, 0x80, 0x40, 0));
  texture->Release();
}

TEST_F(GlDeviceTest, BlendModesOfTheSaver) {
  struct Case {
    DWORD source, destination;
    int r, g, b;  // expected for source (200, 100, 50, alpha 128) over (40, 80, 160)
  };
  const double a = 128.0 / 255.0;
  const auto mix = [](double s, double d, double sf, double df) {
    return static_cast<int>(std::lround(std::min(255.0, s * sf + d * df)));
  };
  const int s[3] = {200, 100, 50}, d[3] = {40, 80, 160};
  auto expect = [&](auto sourceFactor, auto destFactor) {
    Case c{};
    int* out[3] = {&c.r, &c.g, &c.b};
    for (int i = 0; i < 3; ++i) *out[i] = mix(s[i], d[i], sourceFactor(i), destFactor(i));
    return c;
  };
  const auto srcColor = [&](int i) { return s[i] / 255.0; };
  const auto invSrcColor = [&](int i) { return 1.0 - s[i] / 255.0; };
  const auto dstColor = [&](int i) { return d[i] / 255.0; };
  const auto srcAlpha = [&](int) { return a; };
  const auto invSrcAlpha = [&](int) { return 1.0 - a; };
  const auto one = [](int) { return 1.0; };
  const auto zero = [](int) { return 0.0; };
  std::vector<std::pair<Case, const char*>> cases = {
      {expect(srcAlpha, invSrcAlpha), "SRCALPHA/INVSRCALPHA"},
      {expect(srcAlpha, one), "SRCALPHA/ONE"},
      {expect(zero, invSrcColor), "ZERO/INVSRCCOLOR"},
      {expect(srcColor, one), "SRCCOLOR/ONE"},
      {expect(srcColor, dstColor), "SRCCOLOR/DESTCOLOR"},
      {expect(srcColor, invSrcColor), "SRCCOLOR/INVSRCCOLOR"}};
  const DWORD factors[6][2] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
                               {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},     {D3DBLEND_SRCCOLOR, D3DBLEND_ONE},
                               {D3DBLEND_SRCCOLOR, D3DBLEND_DESTCOLOR},   {D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR}};
  m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  RenderFrame(D3DCOLOR_XRGB(40, 80, 160), [&] {
    for (int i = 0; i < 6; ++i) {
      m_device->SetRenderState(D3DRS_SRCBLEND, factors[i][0]);
      m_device->SetRenderState(D3DRS_DESTBLEND, factors[i][1]);
      DrawRect(static_cast<float>(i * 100), 0, static_cast<float>(i * 100 + 50), 50,
               D3DCOLOR_ARGB(128, 200, 100, 50));
    }
  });
  for (int i = 0; i < 6; ++i) {
    const Case& c = cases[static_cast<size_t>(i)].first;
    EXPECT_TRUE(ColorNear(Pixel(i * 100 + 25, 25), c.r, c.g, c.b)) << cases[static_cast<size_t>(i)].second;
  }
}

TEST_F(GlDeviceTest, AlphaTestThresholdIsOnTheByteScale) {
  m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  m_device->SetRenderState(D3DRS_ALPHAREF, 170);
  m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  RenderFrame(0xFF000000, [&] {
    DrawRect(0, 0, 50, 50, D3DCOLOR_ARGB(169, 255, 255, 255));
    DrawRect(100, 0, 150, 50, D3DCOLOR_ARGB(170, 255, 255, 255));
  });
  EXPECT_EQ(Pixel(25, 25), 0u);
  EXPECT_EQ(Pixel(125, 25), 0xFFFFFFu);
}

TEST_F(GlDeviceTest, CullModesRemoveTheRightWinding) {
  const auto triangle = [&](bool clockwise, float x) {
    ScreenVertex v[3] = {{x, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                         {x + 60, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                         {x, 60, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
    if (!clockwise) std::swap(v[1], v[2]);
    m_device->SetVertexShader(kScreenVertexFvf);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ScreenVertex));
  };
  // Default D3DCULL_CCW: clockwise triangles stay; then D3DCULL_CW keeps the others.
  RenderFrame(0xFF000000, [&] {
    triangle(true, 0);
    triangle(false, 100);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    triangle(true, 200);
    triangle(false, 300);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    triangle(false, 400);
  });
  EXPECT_NE(Pixel(10, 10), 0u);
  EXPECT_EQ(Pixel(110, 10), 0u);
  EXPECT_EQ(Pixel(210, 10), 0u);
  EXPECT_NE(Pixel(310, 10), 0u);
  EXPECT_NE(Pixel(410, 10), 0u);
}

TEST_F(GlDeviceTest, ClipDepthRunsFromZeroToOne) {
  m_device->SetVertexShader(kLitFvf);
  const auto square = [&](float z) {
    const auto v = LitSquare(z, 0, 0, -1);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v.data(), sizeof(LitVertex));
  };
  D3DMATERIAL8 material{};
  // Below 0 is in front of the near plane for Direct3D (OpenGL would still draw it).
  RenderFrame(0xFF000000, [&] { square(-0.05f); });
  EXPECT_EQ(Pixel(512, 384), 0u);
  RenderFrame(0xFF000000, [&] { square(1.05f); });
  EXPECT_EQ(Pixel(512, 384), 0u);
  // Inside: the nearer square wins with the default less-or-equal test, whatever the order.
  RenderFrame(0xFF000000, [&] {
    square(0.25f);
    m_device->SetRenderState(D3DRS_TEXTUREFACTOR, 0);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    square(0.5f);   // black, behind: hidden
    square(0.25f);  // black, equal depth: drawn
  });
  EXPECT_EQ(Pixel(512, 384), 0u);
  (void)material;
}

TEST_F(GlDeviceTest, DirectionalLightLightsTheFaceTowardIt) {
  m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DMATERIAL8 material{};
  material.Diffuse = {1, 1, 1, 1};
  material.Specular = {1, 1, 1, 1};
  material.Power = 20;
  m_device->SetMaterial(&material);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.8f, 0.6f, 0.4f, 0};
  light.Specular = {1, 1, 1, 0};
  light.Direction = {0, 0, 1};  // travelling away from the viewer
  m_device->SetLight(0, &light);
  m_device->LightEnable(0, TRUE);
  m_device->SetVertexShader(kLitFvf);
  const auto toward = LitSquare(0.5f, 0, 0, -1);
  RenderFrame(0xFF000000, [&] { m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, toward.data(), sizeof(LitVertex)); });
  // Specular is off by default, so the face shows exactly diffuse x light.
  EXPECT_TRUE(ColorNear(Pixel(512, 384), 204, 153, 102));
  const auto away = LitSquare(0.5f, 0, 0, 1);
  RenderFrame(0xFF000000, [&] { m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, away.data(), sizeof(LitVertex)); });
  // The default ambient is 0: a face turned away is black.
  EXPECT_EQ(Pixel(512, 384), 0u);
  m_device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(64, 64, 64));
  material.Ambient = {1, 1, 1, 1};
  m_device->SetMaterial(&material);
  RenderFrame(0xFF000000, [&] { m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, away.data(), sizeof(LitVertex)); });
  EXPECT_TRUE(ColorNear(Pixel(512, 384), 64, 64, 64));
}

TEST_F(GlDeviceTest, CameraSpaceNormalFeedsTheTextureMatrix) {
  // Texel (x, y) of a 256 x 256 texture holds red x and green y, so the colour shows u, v.
  IDirect3DTexture8* texture = MakeTexture(256, 256, 1, [](UINT, UINT x, UINT y) {
    return 0xFF000000u | (x << 16) | (y << 8);
  });
  m_device->SetTexture(0, texture);
  m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
  m_device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
  D3DMATRIX sphere{};
  sphere._11 = 0.5f;
  sphere._22 = -0.5f;
  sphere._33 = 1.0f;
  sphere._41 = 0.5f;
  sphere._42 = 0.5f;
  sphere._44 = 1.0f;
  m_device->SetTransform(D3DTS_TEXTURE0, &sphere);
  m_device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
  m_device->SetVertexShader(kLitFvf);
  // u = 0.5 nx + 0.5 = 0.75, v = -0.5 ny + 0.5 = 0.2
  const auto square = LitSquare(0.5f, 0.5f, 0.6f, -0.6245f);
  RenderFrame(0xFF000000, [&] { m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(LitVertex)); });
  EXPECT_TRUE(ColorNear(Pixel(512, 384), 192, 51, 0, 1));
  texture->Release();
}

TEST_F(GlDeviceTest, OnlyTheTopLevelIsSampledWithoutAMipFilter) {
  // Level 0 red, level 1 green: drawn at half size, Direct3D's default shows red.
  IDirect3DTexture8* texture = MakeTexture(64, 64, 2, [](UINT level, UINT, UINT) {
    return level == 0 ? 0xFFFF0000u : 0xFF00FF00u;
  });
  m_device->SetTexture(0, texture);
  m_device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 32, 32, 0xFFFFFFFF); });
  EXPECT_TRUE(ColorNear(Pixel(16, 16), 255, 0, 0));
  m_device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 32, 32, 0xFFFFFFFF); });
  EXPECT_TRUE(ColorNear(Pixel(16, 16), 0, 255, 0));
  texture->Release();
}

TEST_F(GlDeviceTest, IndexedDrawingFromUserMemory) {
  const ScreenVertex v[4] = {{100, 100, 0.5f, 1, 0xFF00FF00, 0, 0}, {200, 100, 0.5f, 1, 0xFF00FF00, 0, 0},
                             {100, 200, 0.5f, 1, 0xFF00FF00, 0, 0}, {200, 200, 0.5f, 1, 0xFF00FF00, 0, 0}};
  const WORD indices[6] = {0, 1, 2, 2, 1, 3};
  m_device->SetVertexShader(kScreenVertexFvf);
  RenderFrame(0xFF000000, [&] {
    EXPECT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, v,
                                               sizeof(ScreenVertex)),
              D3D_OK);
    // An index past the vertices handed over is refused, not read.
    const WORD bad[3] = {0, 1, 4};
    EXPECT_EQ(m_device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, bad, D3DFMT_INDEX16, v,
                                               sizeof(ScreenVertex)),
              D3DERR_INVALIDCALL);
  });
  EXPECT_EQ(Pixel(150, 150), 0x00FF00u);
  EXPECT_EQ(Pixel(150, 210), 0u);
}

TEST_F(GlDeviceTest, VertexBufferDrawsAndStaysInBounds) {
  IDirect3DVertexBuffer8* buffer = nullptr;
  ASSERT_EQ(m_device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kScreenVertexFvf,
                                         D3DPOOL_MANAGED, &buffer),
            D3D_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  const ScreenVertex quad[4] = {{0, 40, 0.5f, 1, 0xFFFF0000, 0, 1}, {0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {40, 40, 0.5f, 1, 0xFFFF0000, 1, 1}, {40, 0, 0.5f, 1, 0xFFFF0000, 1, 0}};
  std::memcpy(data, quad, sizeof quad);
  buffer->Unlock();
  m_device->SetVertexShader(kScreenVertexFvf);
  m_device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
  RenderFrame(0xFF000000, [&] {
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  });
  EXPECT_EQ(Pixel(20, 20), 0xFF0000u);
  buffer->Release();
}

TEST_F(GlDeviceTest, GammaRampMapsThePresentedFrame) {
  D3DGAMMARAMP ramp{};
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(56 * i);
  m_device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
  RenderFrame(D3DCOLOR_XRGB(100, 150, 255), [] {});
  EXPECT_TRUE(ColorNear(Pixel(7, 7), (56 * 100) >> 8, (56 * 150) >> 8, (56 * 255) >> 8, 0));
  // A brightening ramp (as for brightness 255): the bottom entry rises.
  for (int k = 0; k < 256; ++k) {
    ramp.red[k] = ramp.green[k] = ramp.blue[k] = static_cast<WORD>(65355 - 23 * (255 - k));
  }
  m_device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
  RenderFrame(D3DCOLOR_XRGB(0, 128, 255), [] {});
  EXPECT_TRUE(ColorNear(Pixel(7, 7), (65355 - 23 * 255) >> 8, (65355 - 23 * 127) >> 8, 65355 >> 8, 0));
  // Back to linear: the frame is shown as drawn.
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(256 * i);
  m_device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
  RenderFrame(D3DCOLOR_XRGB(100, 150, 255), [] {});
  EXPECT_TRUE(ColorNear(Pixel(7, 7), 100, 150, 255, 0));
}

TEST_F(GlDeviceTest, ManagedTextureSurvivesReset) {
  IDirect3DTexture8* texture = MakeTexture(8, 8, 1, [](UINT, UINT, UINT) { return 0xFF3060C0u; });
  m_device->SetTexture(0, texture);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 16, 16, 0xFFFFFFFF); });
  ASSERT_EQ(m_device->Reset(&s_parameters), D3D_OK);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->SetTexture(0, texture);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 16, 16, 0xFFFFFFFF); });
  EXPECT_TRUE(ColorNear(Pixel(8, 8), 0x30, 0x60, 0xC0, 0));
  texture->Release();
}

TEST_F(GlDeviceTest, ClearIgnoresTheDepthWriteSwitch) {
  m_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  m_device->SetVertexShader(kLitFvf);
  const auto square = LitSquare(0.5f, 0, 0, -1);
  RenderFrame(0xFF000000, [&] {
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(LitVertex));
  });
  // Had the clear respected ZWRITEENABLE, depth would hold the old frame and hide this.
  RenderFrame(0xFF000000, [&] {
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(LitVertex));
  });
  EXPECT_EQ(Pixel(512, 384), 0xFFFFFFu);
}

// The device translates only the state that changed since the last draw: a texture
// rewritten while it stays bound, a material or a matrix changed between two draws, and a
// state set back to what it was must all still reach the picture.
TEST_F(GlDeviceTest, StateChangedBetweenDrawsReachesThePicture) {
  IDirect3DTexture8* texture = MakeTexture(4, 4, 1, [](UINT, UINT, UINT) { return 0xFF204060u; });
  m_device->SetTexture(0, texture);
  RenderFrame(0xFF000000, [&] {
    DrawRect(0, 0, 32, 32, 0xFFFFFFFF);
    // Rewritten and drawn again without SetTexture: the new texels must show.
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y) {
      auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 4; ++x) row[x] = 0xFFA0B0C0u;
    }
    texture->UnlockRect(0);
    DrawRect(64, 0, 96, 32, 0xFFFFFFFF);
    // Blending switched on, off, and on again with the same value.
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawRect(128, 0, 160, 32, 0xFFFFFFFF);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawRect(192, 0, 224, 32, 0xFFFFFFFF);
  });
  EXPECT_TRUE(ColorNear(Pixel(16, 16), 0x20, 0x40, 0x60, 0));
  EXPECT_TRUE(ColorNear(Pixel(80, 16), 0xA0, 0xB0, 0xC0, 0));
  EXPECT_EQ(Pixel(144, 16), 0u);  // zero x source + one x black
  EXPECT_TRUE(ColorNear(Pixel(208, 16), 0xA0, 0xB0, 0xC0, 0));
  m_device->SetTexture(0, nullptr);
  texture->Release();

  // Lit squares: a material and a world matrix changed between draws.
  m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  m_device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  m_device->SetVertexShader(kLitFvf);
  const auto square = LitSquare(0.1f, 0, 0, -1);
  D3DMATERIAL8 red{};
  red.Ambient = {1, 0, 0, 1};
  D3DMATERIAL8 green{};
  green.Ambient = {0, 1, 0, 1};
  D3DMATRIX left = IdentityMatrix(), right = IdentityMatrix();
  left._41 = -0.5f;
  right._41 = 0.5f;
  RenderFrame(0xFF000000, [&] {
    m_device->SetMaterial(&red);
    m_device->SetTransform(D3DTS_WORLD, &left);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(LitVertex));
    m_device->SetMaterial(&green);
    m_device->SetTransform(D3DTS_WORLD, &right);
    m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, square.data(), sizeof(LitVertex));
  });
  EXPECT_TRUE(ColorNear(Pixel(256, 384), 0xFF, 0, 0, 2));
  EXPECT_TRUE(ColorNear(Pixel(768, 384), 0, 0xFF, 0, 2));
  const D3DMATRIX identity = IdentityMatrix();
  m_device->SetTransform(D3DTS_WORLD, &identity);
}

// Once uploaded, a texture keeps no second copy of its pixels in system memory; a later
// lock reads them back from the device, for reading and for changing a part.
TEST_F(GlDeviceTest, UploadedTextureLocksBackItsPixels) {
  IDirect3DTexture8* texture =
      MakeTexture(8, 8, 0, [](UINT level, UINT x, UINT y) { return 0xFF000000u | level << 16 | y << 8 | x; });
  ASSERT_EQ(texture->GetLevelCount(), 4u);
  for (UINT level = 0; level < 3; ++level) {  // the 1 x 1 level has no second row
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = reinterpret_cast<const DWORD*>(static_cast<BYTE*>(locked.pBits) + locked.Pitch);
    EXPECT_EQ(row[0], 0xFF000000u | level << 16 | 1u << 8) << level;
    texture->UnlockRect(level);
  }
  const RECT corner{0, 0, 1, 1};
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, &corner, 0), D3D_OK);
  *static_cast<DWORD*>(locked.pBits) = 0xFFFFFFFFu;
  texture->UnlockRect(0);
  m_device->SetTexture(0, texture);
  RenderFrame(0xFF000000, [&] { DrawRect(0, 0, 8, 8, 0xFFFFFFFF); });
  EXPECT_EQ(Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(Pixel(3, 2), 0x000203u);  // the rest kept through the read-back
  m_device->SetTexture(0, nullptr);
  texture->Release();
}

// The fill measurement counts what each draw covers, also pixels the depth test rejects,
// and measures a cost for each kind it counted.
TEST_F(GlDeviceTest, PixelCountingCoversEveryDrawnPixel) {
  if (FAILED(m_device->SetPixelCounting(TRUE))) GTEST_SKIP() << "no occlusion queries";
  m_device->SetRenderState(D3DRS_ZENABLE, TRUE);
  RenderFrame(0xFF000000, [&] {
    DrawRect(0, 0, 100, 100, 0xFFFFFFFF, 0.2f);
    DrawRect(0, 0, 100, 50, 0xFFFFFFFF, 0.9f);  // behind the first: hidden, still shaded
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    DrawRect(200, 200, 210, 210, 0x80FFFFFF);
    DrawRect(-50, -50, -10, -10, 0xFFFFFFFF);   // off screen
  });
  m_device->SetPixelCounting(FALSE);
  D3DPIXELCOUNTS counts;
  ASSERT_EQ(m_device->GetPixelCounts(&counts), D3D_OK);
  EXPECT_EQ(counts.draws, 4u);
  EXPECT_EQ(counts.emptyDraws, 1u);
  EXPECT_EQ(counts.pixels[D3DFILLKIND_DEPTHTESTED], 15000u);
  EXPECT_EQ(counts.pixels[D3DFILLKIND_DEPTHTESTED | D3DFILLKIND_BLENDED], 100u);
  EXPECT_EQ(counts.pixels[D3DFILLKIND_CLEAR], std::uint64_t(kWidth) * kHeight);
  D3DFILLCOSTS costs;
  ASSERT_EQ(m_device->MeasureFillRate(counts, &costs), D3D_OK);
  EXPECT_GT(costs.nanosecondsPerPixel[D3DFILLKIND_DEPTHTESTED], 0.0);
  EXPECT_GT(costs.nanosecondsPerPixel[D3DFILLKIND_CLEAR], 0.0);
  EXPECT_EQ(costs.nanosecondsPerPixel[D3DFILLKIND_TEXTURED], 0.0);  // not counted, not measured
  // The device draws as before afterwards.
  RenderFrame(0xFF000000, [&] { DrawRect(10, 10, 20, 20, 0xFF102030); });
  EXPECT_TRUE(ColorNear(Pixel(15, 15), 0x10, 0x20, 0x30, 0));
}

}  // namespace
}  // namespace qm
