// The catalogue on SDL and the factory hook of Direct3DCreate8.
#include "d3d/gl/GlDirect3D8.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "d3d/Direct3DFactory.h"
#include "d3d/FormatInfo.h"
#include "d3d/RecordingDirect3D8.h"

namespace qm {
namespace {

class GlDirect3D8Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SetDirect3DFactory(nullptr);
  }
  void TearDown() override { SetDirect3DFactory(nullptr); }
};

TEST_F(GlDirect3D8Test, CataloguesTheDisplays) {
  IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  ASSERT_GE(d3d->GetAdapterCount(), 1u);
  const UINT modes = d3d->GetAdapterModeCount(0);
  ASSERT_GE(modes, 1u);
  for (UINT m = 0; m < modes; ++m) {
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->EnumAdapterModes(0, m, &mode), D3D_OK);
    EXPECT_TRUE(mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_R5G6B5 ||
                mode.Format == D3DFMT_X1R5G5B5 || mode.Format == D3DFMT_R8G8B8);
    for (UINT other = 0; other < m; ++other) {  // refresh rates are folded
      D3DDISPLAYMODE earlier{};
      d3d->EnumAdapterModes(0, other, &earlier);
      EXPECT_FALSE(earlier.Width == mode.Width && earlier.Height == mode.Height &&
                   earlier.Format == mode.Format);
    }
  }
  D3DDISPLAYMODE desktop{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &desktop), D3D_OK);
  EXPECT_GT(desktop.Width, 0u);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, desktop.Format, desktop.Format, FALSE), D3D_OK);
  for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}) {
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desktop.Format, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, depth),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, desktop.Format, desktop.Format, depth), D3D_OK);
  }
  EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, desktop.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_A1R5G5B5),
            D3D_OK);
  EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, desktop.Format, FALSE, D3DMULTISAMPLE_NONE),
            D3D_OK);
  D3DCAPS8 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_EQ(d3d->GetAdapterDisplayMode(7, &desktop), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(GlDirect3D8Test, RefusesOtherSdkVersions) { EXPECT_EQ(Direct3DCreate8(120), nullptr); }

TEST_F(GlDirect3D8Test, InstalledFactoryReplacesTheDefault) {
  Direct3DScript script;
  script.adapters.resize(3);
  auto* recording = new RecordingDirect3D8(script);
  UseRecordingDirect3D(recording);
  IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  EXPECT_EQ(d3d, recording);
  EXPECT_EQ(d3d->GetAdapterCount(), 3u);
  d3d->Release();
  SetDirect3DFactory(nullptr);
  IDirect3D8* gl = Direct3DCreate8(D3D_SDK_VERSION);
  EXPECT_NE(gl, static_cast<IDirect3D8*>(recording));
  if (gl) gl->Release();
  recording->Release();
}

TEST_F(GlDirect3D8Test, SdlPixelFormatsMapToDirect3DFormats) {
  EXPECT_EQ(GlDirect3D8::FormatOfSdl(SDL_PIXELFORMAT_RGB888), D3DFMT_X8R8G8B8);
  EXPECT_EQ(GlDirect3D8::FormatOfSdl(SDL_PIXELFORMAT_ARGB8888), D3DFMT_X8R8G8B8);
  EXPECT_EQ(GlDirect3D8::FormatOfSdl(SDL_PIXELFORMAT_RGB565), D3DFMT_R5G6B5);
  EXPECT_EQ(GlDirect3D8::FormatOfSdl(SDL_PIXELFORMAT_RGB555), D3DFMT_X1R5G5B5);
  EXPECT_EQ(GlDirect3D8::FormatOfSdl(SDL_PIXELFORMAT_UNKNOWN), D3DFMT_X8R8G8B8);
  EXPECT_EQ(DisplayFormatBitCount(D3DFMT_X8R8G8B8), 32u);
  EXPECT_EQ(DisplayFormatBitCount(D3DFMT_R8G8B8), 16u);
}

}  // namespace
}  // namespace qm
