// The scripted catalogue: what enumeration and device creation tests can make it answer.
#include "d3d/RecordingDirect3D8.h"

#include <gtest/gtest.h>

#include "d3d/RecordingDevice8.h"

namespace qm {
namespace {

Direct3DScript TwoAdapterScript() {
  Direct3DScript script;
  ScriptedAdapter first;
  first.modes = {{640, 480, 60, D3DFMT_R5G6B5}, {640, 480, 75, D3DFMT_R5G6B5},
                 {1024, 768, 60, D3DFMT_X8R8G8B8}};
  first.failingDeviceTypes = {D3DFMT_R5G6B5};
  first.depthFormats = {D3DFMT_D16, D3DFMT_D24X8};
  first.depthMismatches = {D3DFMT_D32};
  first.multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES};
  ScriptedAdapter second;
  second.desktopReadable = false;
  script.adapters = {first, second};
  return script;
}

TEST(RecordingDirect3D8Test, AnswersFromItsScript) {
  auto* d3d = new RecordingDirect3D8(TwoAdapterScript());
  EXPECT_EQ(d3d->GetAdapterCount(), 2u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0), 3u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, 1, &mode), D3D_OK);
  EXPECT_EQ(mode.RefreshRate, 75u);
  EXPECT_EQ(d3d->EnumAdapterModes(0, 3, &mode), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE),
            D3D_OK);
  const auto depth = [&](D3DFORMAT format) {
    return SUCCEEDED(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                            D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)) &&
           SUCCEEDED(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                 D3DFMT_X8R8G8B8, format));
  };
  EXPECT_TRUE(depth(D3DFMT_D16));
  EXPECT_TRUE(depth(D3DFMT_D24X8));
  EXPECT_FALSE(depth(D3DFMT_D32));  // the format passes, the match does not
  const auto multiSample = [&](D3DMULTISAMPLE_TYPE type) {
    return d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE, type);
  };
  EXPECT_EQ(multiSample(D3DMULTISAMPLE_NONE), D3D_OK);
  EXPECT_EQ(multiSample(D3DMULTISAMPLE_2_SAMPLES), D3D_OK);
  EXPECT_EQ(multiSample(D3DMULTISAMPLE_4_SAMPLES), D3DERR_NOTAVAILABLE);
  ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 1024u);
  EXPECT_TRUE(FAILED(d3d->GetAdapterDisplayMode(1, &mode)));
  EXPECT_EQ(d3d->Log()->Calls().front().Text(), "GetAdapterCount()");
  d3d->Release();
}

TEST(RecordingDirect3D8Test, CreateDeviceCanFailFirstThenSucceed) {
  Direct3DScript script = TwoAdapterScript();
  script.createDeviceFailures = 1;
  auto* d3d = new RecordingDirect3D8(script);
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = 1024;
  parameters.BackBufferHeight = 768;
  IDirect3DDevice8* device = nullptr;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, 7, 0x40, &parameters, &device),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device, nullptr);
  parameters.BackBufferWidth = 640;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, 7, 0x20, &parameters, &device), D3D_OK);
  EXPECT_EQ(d3d->LastDevice(), device);
  EXPECT_EQ(d3d->LastDevice()->PresentParameters().BackBufferWidth, 640u);
  EXPECT_EQ(d3d->Log()->Count("CreateDevice"), 2u);
  device->Release();
  d3d->Release();
}

TEST(RecordingDirect3D8Test, CreateDeviceCanAlwaysFail) {
  Direct3DScript script = TwoAdapterScript();
  script.createDeviceFailures = -1;
  auto* d3d = new RecordingDirect3D8(script);
  D3DPRESENT_PARAMETERS parameters{};
  IDirect3DDevice8* device = nullptr;
  for (int attempt = 0; attempt < 3; ++attempt) {
    EXPECT_TRUE(FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, 7, 0x20, &parameters, &device)));
  }
  EXPECT_EQ(d3d->LastDevice(), nullptr);
  d3d->Release();
}

}  // namespace
}  // namespace qm
