// qm-d3d-bench: how many frames per second the OpenGL Direct3D stand-in draws offscreen.
//
// For 800 x 600 and 1920 x 1080: an empty frame (clear and present), and frames of 1000
// textured, alpha-blended screen quads drawn with DrawPrimitive from a vertex buffer, the
// way the saver's screen-quad pool draws: once glyph-sized (48 x 48 pixels, what the
// per-draw cost shows) and once 1/64 of the screen each (15.6 screens of fill, what the
// fill rate shows). Every frame is finished before the next starts. The last column is the
// process's peak resident memory after each size: what the window, the software renderer
// with its compiler and the frame buffers hold before any scene is loaded, the floor under
// the saver's own peak at that size.
// Usage: qm-d3d-bench [seconds per case, default 2]
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d3d/D3D8.h"
#include "platform/ProcessMemory.h"
#include "platform/RendererThreads.h"

namespace {

struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr int kQuads = 1000;

// Fills the buffer with kQuads quads of w x h pixels spread over the screen.
void FillQuads(IDirect3DVertexBuffer8* buffer, int width, int height, float w, float h) {
  BYTE* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0))) return;
  auto* v = reinterpret_cast<ScreenVertex*>(data);
  const int columns = static_cast<int>(static_cast<float>(width) / w);
  const int rows = static_cast<int>(static_cast<float>(height) / h);
  for (int q = 0; q < kQuads; ++q) {
    const float x = static_cast<float>((q * 37) % columns) * w;
    const float y = static_cast<float>((q * 11) % rows) * h;
    const D3DCOLOR c = 0x80FFFFFF;
    v[q * 4 + 0] = {x, y + h, 0.5f, 1, c, 0, 1};
    v[q * 4 + 1] = {x, y, 0.5f, 1, c, 0, 0};
    v[q * 4 + 2] = {x + w, y + h, 0.5f, 1, c, 1, 1};
    v[q * 4 + 3] = {x + w, y, 0.5f, 1, c, 1, 0};
  }
  buffer->Unlock();
}

IDirect3DTexture8* MakeTexture(IDirect3DDevice8* device) {
  IDirect3DTexture8* texture = nullptr;
  if (FAILED(device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) {
    return nullptr;
  }
  D3DLOCKED_RECT locked{};
  texture->LockRect(0, &locked, nullptr, 0);
  for (int y = 0; y < 256; ++y) {
    auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
    for (int x = 0; x < 256; ++x) row[x] = D3DCOLOR_ARGB(x ^ y, x, y, 128);
  }
  texture->UnlockRect(0);
  return texture;
}

// Frames per second of `frame` over about `seconds`, after a short warm-up.
template <class Frame>
double Measure(double seconds, Frame frame) {
  for (int i = 0; i < 3; ++i) frame();
  const auto start = std::chrono::steady_clock::now();
  int frames = 0;
  double elapsed = 0;
  do {
    frame();
    ++frames;
    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (elapsed < seconds);
  return frames / elapsed;
}

bool RunSize(IDirect3D8* d3d, int width, int height, double seconds) {
  SDL_Window* window = SDL_CreateWindow("qm-d3d-bench", 0, 0, width, height, SDL_WINDOW_OPENGL);
  if (!window) return false;
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = static_cast<UINT>(width);
  parameters.BackBufferHeight = static_cast<UINT>(height);
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  IDirect3DDevice8* device = nullptr;
  if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, SDL_GetWindowID(window),
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device))) {
    SDL_DestroyWindow(window);
    return false;
  }
  const auto empty = [&] {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, 0, nullptr);
  };
  IDirect3DVertexBuffer8* buffer = nullptr;
  device->CreateVertexBuffer(kQuads * 4 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kFvf,
                             D3DPOOL_MANAGED, &buffer);
  IDirect3DTexture8* texture = MakeTexture(device);
  const auto quads = [&] {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTexture(0, texture);
    device->SetVertexShader(kFvf);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    for (int q = 0; q < kQuads; ++q) device->DrawPrimitive(D3DPT_TRIANGLESTRIP, static_cast<UINT>(q * 4), 2);
    device->EndScene();
    device->Present(nullptr, nullptr, 0, nullptr);
  };
  const double emptyFps = Measure(seconds, empty);
  FillQuads(buffer, width, height, 48, 48);
  const double glyphFps = Measure(seconds, quads);
  FillQuads(buffer, width, height, static_cast<float>(width) / 8, static_cast<float>(height) / 8);
  const double largeFps = Measure(seconds, quads);
  qm::ProcessMemory memory;
  qm::ReadProcessMemory(&memory);
  std::printf("%5d x %-5d | %8.1f fps %7.2f ms | %8.1f fps %7.2f ms | %8.1f fps %7.2f ms | %6.1f MB\n",
              width, height, emptyFps, 1000.0 / emptyFps, glyphFps, 1000.0 / glyphFps, largeFps,
              1000.0 / largeFps, double(memory.peakKb) / 1024);
  if (texture) texture->Release();
  if (buffer) buffer->Release();
  device->Release();
  SDL_DestroyWindow(window);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  qm::ChooseSoftwareRendererThreads();  // as the saver runs the renderer
  IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
  if (!d3d) {
    std::fprintf(stderr, "qm-d3d-bench: no Direct3D stand-in: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("qm-d3d-bench (SDL driver %s; %d textured, blended quads per frame)\n",
              SDL_GetCurrentVideoDriver(), kQuads);
  std::printf("size          | empty frame              | 1000 quads 48x48 px      | 1000 quads 1/64 screen   | peak\n");
  int result = 0;
  for (auto [w, h] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
    if (!RunSize(d3d, w, h, seconds)) {
      std::fprintf(stderr, "qm-d3d-bench: no device at %d x %d: %s\n", w, h, SDL_GetError());
      result = 1;
    }
  }
  d3d->Release();
  return result;
}
