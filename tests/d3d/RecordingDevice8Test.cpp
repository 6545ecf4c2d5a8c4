// The recording device: its call record, the state it keeps and its scripted device loss.
#include "d3d/RecordingDevice8.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "d3d/RecordingDirect3D8.h"
#include "support/RecordingDevice.h"

namespace qm {
namespace {

class RecordingDevice8Test : public ::testing::Test {
 protected:
  void SetUp() override {
    D3DPRESENT_PARAMETERS parameters = testing::TestBackBuffer(800, 600);
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    m_device = testing::CreateRecordingDevice(m_direct3D, {}, parameters);
    ASSERT_NE(m_device, nullptr);
    m_parameters = parameters;
  }
  void TearDown() override { m_direct3D->Release(); }

  RecordingDirect3D8* m_direct3D = nullptr;
  RecordingDevice8* m_device = nullptr;
  D3DPRESENT_PARAMETERS m_parameters{};
};

TEST_F(RecordingDevice8Test, StartsWithDirect3DDefaults) {
  const DeviceState& state = m_device->State();
  EXPECT_EQ(state.RenderState(D3DRS_LIGHTING), TRUE);
  EXPECT_EQ(state.RenderState(D3DRS_AMBIENT), 0u);
  EXPECT_EQ(state.RenderState(D3DRS_ZENABLE), D3DZB_TRUE);
  EXPECT_EQ(state.RenderState(D3DRS_ZFUNC), D3DCMP_LESSEQUAL);
  EXPECT_EQ(state.RenderState(D3DRS_CULLMODE), D3DCULL_CCW);
  EXPECT_EQ(state.RenderState(D3DRS_LOCALVIEWER), TRUE);
  EXPECT_EQ(state.RenderState(D3DRS_SRCBLEND), D3DBLEND_ONE);
  EXPECT_EQ(state.RenderState(D3DRS_DESTBLEND), D3DBLEND_ZERO);
  EXPECT_EQ(state.StageState(0, D3DTSS_COLOROP), D3DTOP_MODULATE);
  EXPECT_EQ(state.StageState(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG1);
  EXPECT_EQ(state.StageState(1, D3DTSS_COLOROP), D3DTOP_DISABLE);
  EXPECT_EQ(state.StageState(0, D3DTSS_MIPFILTER), D3DTEXF_NONE);
  D3DVIEWPORT8 viewport{};
  ASSERT_EQ(m_device->GetViewport(&viewport), D3D_OK);
  EXPECT_EQ(viewport.Width, 800u);
  EXPECT_EQ(viewport.Height, 600u);
}

TEST_F(RecordingDevice8Test, RecordsCallsByNameWithReadableArguments) {
  m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
  m_device->SetRenderState(D3DRS_AMBIENT, 0xFFAAAAFF);
  m_device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
  m_device->SetVertexShader(0x144);
  m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  EXPECT_THAT(m_device->Log().Texts(),
              ::testing::ElementsAre(
                  "SetRenderState(D3DRS_ZENABLE, 0)", "SetRenderState(D3DRS_AMBIENT, 0xFFAAAAFF)",
                  "SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x00010000)",
                  "SetVertexShader(324)", "Clear(0, null, 3, 0xFF000000, 1, 0)"));
  EXPECT_EQ(m_device->State().RenderState(D3DRS_AMBIENT), 0xFFAAAAFFu);
  EXPECT_EQ(m_device->State().fvf, 0x144u);
}

TEST_F(RecordingDevice8Test, KeepsTransformsMaterialAndLights) {
  D3DMATRIX world{};
  world._11 = world._22 = world._33 = world._44 = 2.0f;
  ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, &world), D3D_OK);
  D3DMATRIX read{};
  ASSERT_EQ(m_device->GetTransform(D3DTS_WORLD, &read), D3D_OK);
  EXPECT_EQ(read._22, 2.0f);
  EXPECT_EQ(m_device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(99), &world),
            D3DERR_INVALIDCALL);
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Direction = {0, 1, 0};
  ASSERT_EQ(m_device->SetLight(0, &light), D3D_OK);
  ASSERT_EQ(m_device->LightEnable(0, TRUE), D3D_OK);
  BOOL enabled = FALSE;
  ASSERT_EQ(m_device->GetLightEnable(0, &enabled), D3D_OK);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(m_device->GetLightEnable(5, &enabled), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->Log().Texts("SetLight"),
            std::vector<std::string>{"SetLight(0, 3, (0 0 0 0), (0 0 0 0), (0 0 0 0), (0 0 0), "
                                     "(0 1 0), 0)"});
}

TEST_F(RecordingDevice8Test, BoundTextureOutlivesTheCallersReference) {
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(m_device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3D_OK);
  m_device->SetTexture(0, texture);
  EXPECT_EQ(texture->Release(), 1u);  // the device still holds it
  IDirect3DBaseTexture8* bound = nullptr;
  ASSERT_EQ(m_device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, texture);
  bound->Release();
  m_device->SetTexture(0, nullptr);
  EXPECT_EQ(m_device->State().textures[0].Get(), nullptr);
}

TEST_F(RecordingDevice8Test, DrawingFromUserMemoryUnbindsTheStream) {
  IDirect3DVertexBuffer8* buffer = nullptr;
  ASSERT_EQ(m_device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_MANAGED, &buffer),
            D3D_OK);
  m_device->SetStreamSource(0, buffer, 28);
  EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  const float vertices[3 * 7] = {};
  EXPECT_EQ(m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, 28), D3D_OK);
  EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
  buffer->Release();
}

TEST_F(RecordingDevice8Test, LostThenNotResetThenReset) {
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
  m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  m_device->LoseDevice();
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(m_device->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(m_device->Reset(&m_parameters), D3DERR_DEVICELOST);  // too early
  m_device->AllowReset();
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  m_device->FailResets(1);
  EXPECT_EQ(m_device->Reset(&m_parameters), D3DERR_INVALIDCALL);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);  // still waiting
  EXPECT_EQ(m_device->Reset(&m_parameters), D3D_OK);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
  // A reset returns every state to Direct3D's default.
  EXPECT_EQ(m_device->State().RenderState(D3DRS_LIGHTING), TRUE);
  EXPECT_EQ(m_device->Log().Count("Reset"), 3u);
}

TEST_F(RecordingDevice8Test, ScriptedCooperativeLevelsComeOneAtATime) {
  m_device->ScriptCooperativeLevels({D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);  // sticks until Reset
  EXPECT_EQ(m_device->Reset(&m_parameters), D3D_OK);
  EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(RecordingDevice8Test, GammaRampIsKeptAndCapturedFrameShowsTheClearColour) {
  D3DGAMMARAMP ramp{};
  for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(56 * i);
  m_device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
  D3DGAMMARAMP read{};
  m_device->GetGammaRamp(&read);
  EXPECT_EQ(read.green[255], 56 * 255);
  std::vector<DWORD> pixels;
  UINT width = 0, height = 0;
  m_device->SetFrameCapture(TRUE);
  EXPECT_EQ(m_device->GetPresentedFrame(&pixels, &width, &height), D3DERR_NOTAVAILABLE);
  m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  m_device->Present(nullptr, nullptr, 0, nullptr);
  ASSERT_EQ(m_device->GetPresentedFrame(&pixels, &width, &height), D3D_OK);
  EXPECT_EQ(width, 800u);
  EXPECT_EQ(pixels.size(), 800u * 600u);
  EXPECT_EQ(pixels[0], 0xFF0000FFu);
}

}  // namespace
}  // namespace qm
