#include "graphics/LoadingScreen.h"

#include "d3dx/D3DXTexture.h"
#include "graphics/ScreenQuadPool.h"
#include "platform/EmbeddedResources.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

// Resources of the loading screen, in the order they are created.
constexpr int kBackdrop = 487;     // 512 x 512, stretched over the screen
constexpr int kLogo = 490;         // 256 x 128 with alpha, bottom right
constexpr int kBottomLeft = 491;   // 1 x 1 pictures in the other corners
constexpr int kTopLeft = 493;
constexpr int kTopRight = 492;
constexpr int kPictures[] = {kBackdrop, kLogo, kBottomLeft, kTopLeft, kTopRight};

IDirect3DTexture8* CreatePicture(IDirect3DDevice8* device, int id) {
  const auto bytes = FindEmbeddedResource("CustomData", id);
  IDirect3DTexture8* texture = nullptr;
  if (bytes.empty()) return nullptr;
  if (FAILED(D3DXCreateTextureFromFileInMemoryEx(
          device, bytes.data(), UINT(bytes.size()), 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
          D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture)) &&
      FAILED(D3DXCreateTextureFromFileInMemoryEx(
          device, bytes.data(), UINT(bytes.size()), 128, 128, 0, 0, D3DFMT_R5G6B5,
          D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture))) {
    return nullptr;  // drawn untextured
  }
  return texture;
}

void DrawPicture(IDirect3DDevice8* device, ScreenQuadPool& pool, int slot,
                 IDirect3DTexture8* texture, float x, float y, float w, float h) {
  pool.SetQuad(slot, x, y, w, h, 0xFFFFFFFF, 0, 0, 1, 1);
  device->SetTexture(0, texture);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

}  // namespace

HRESULT DrawLoadingScreen(IDirect3DDevice8* device, int& quadSlot, int& frameParity) {
  LogLine("Load Not_table_alpha texture complete");
  ScreenQuadPool& pool = ScreenQuadPool::Instance();
  quadSlot = -1;
  pool.CreateBuffer(quadSlot, ScreenQuadPool::kQuadFvf, 4);
  if (ScreenVertex* v = pool.Lock(quadSlot)) {
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.99f, 1.0f, 0xFFFFFFFF, uv[i][0], uv[i][1]};
    pool.Unlock(quadSlot);
  }

  IDirect3DTexture8* textures[5] = {};
  for (int i = 0; i < 5; ++i) textures[i] = CreatePicture(device, kPictures[i]);
  LogLine("Load Loading Texture complete.");

  DWORD savedBlend = 0, savedSrc = 0, savedDest = 0, savedAlphaOp = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &savedBlend);
  device->GetRenderState(D3DRS_SRCBLEND, &savedSrc);
  device->GetRenderState(D3DRS_DESTBLEND, &savedDest);
  device->GetTextureStageState(0, D3DTSS_ALPHAOP, &savedAlphaOp);

  for (int frame = 0; frame < 2; ++frame) {
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    D3DVIEWPORT8 viewport{};
    device->GetViewport(&viewport);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    pool.Bind(quadSlot);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawPicture(device, pool, quadSlot, textures[0], 0, 0, 1, 1);

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const float j = 256.0f / float(viewport.Width);
    const float l = 128.0f / float(viewport.Height);
    const float corners[4][2] = {{1 - j, 1 - l}, {0, 1 - l}, {0, 0}, {1 - j, 0}};
    for (int c = 0; c < 4; ++c) {
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      DrawPicture(device, pool, quadSlot, textures[c + 1], corners[c][0], corners[c][1], j, l);
    }
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->EndScene();
    frameParity = 1 - frameParity;
    device->Present(nullptr, nullptr, 0, nullptr);
  }
  LogLine("Draw Loading Screen complete.");
  device->SetTexture(0, nullptr);
  for (IDirect3DTexture8* texture : textures)
    if (texture) texture->Release();
  LogLine("Unload Loading Data complete.");
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, savedBlend);
  device->SetRenderState(D3DRS_SRCBLEND, savedSrc);
  device->SetRenderState(D3DRS_DESTBLEND, savedDest);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, savedAlphaOp);
  return 0;
}

}  // namespace qm
