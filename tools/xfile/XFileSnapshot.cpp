// XFileSnapshot: device set-up, camera framing, drawing, read-back and PNG output.
#include "XFileSnapshot.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "d3d/D3D8.h"
#include "graphics/FramePng.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

constexpr D3DCOLOR kBackground = 0xFF3A4450;
constexpr float kFieldOfView = D3DX_PI / 4;
// Where the default camera looks from, relative to the model: in front (-y, the saver's
// side), a little to the right and above.
const D3DXVECTOR3 kViewDirection(0.45f, -1.0f, 0.4f);

// The saver's light and the states the scene draws its models with.
void SetSceneStates(IDirect3DDevice8* device) {
  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 0};
  light.Specular = {0.99f, 0.99f, 0.99f, 0};
  light.Ambient = {0.35f, 0.35f, 0.35f, 0};
  light.Position = {0, 1, 0};
  light.Direction = {0, 1, 0};
  light.Range = 1000;
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAREF, 170);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
}

void SetCamera(IDirect3DDevice8* device, const XFileSnapshotOptions& options, float radius) {
  const float r = radius > 0.0f ? radius : 1.0f;
  D3DXVECTOR3 at(0, 0, 0), eye, direction;
  D3DXVec3Normalize(&direction, &kViewDirection);
  const float aspect = static_cast<float>(options.width) / static_cast<float>(options.height);
  const float halfAngle = std::min(kFieldOfView, 2 * std::atan(std::tan(kFieldOfView / 2) * aspect)) / 2;
  eye = direction * (r * 1.05f / std::sin(halfAngle));
  if (options.eye && options.at) {
    eye = *options.eye;
    at = *options.at;
  }
  const D3DXVECTOR3 offset = eye - at;
  const float distance = D3DXVec3Length(&offset);
  const D3DXVECTOR3 up(0, 0, 1);
  D3DXMATRIX view, projection, world;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect,
                             std::max(distance - 2 * r, distance * 0.01f), distance + 2 * r);
  D3DXMatrixIdentity(&world);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &world);
}

// The OpenGL device on an offscreen window; null with a message when there is none.
struct OffscreenDevice {
  IDirect3D8* d3d = nullptr;
  SDL_Window* window = nullptr;
  IDirect3DDevice8* device = nullptr;
  ~OffscreenDevice() {
    if (device) device->Release();
    if (window) SDL_DestroyWindow(window);
    if (d3d) d3d->Release();
  }
};

bool CreateDevice(unsigned width, unsigned height, OffscreenDevice* out) {
  if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  out->d3d = Direct3DCreate8(D3D_SDK_VERSION);
  if (!out->d3d) return false;
  out->window = SDL_CreateWindow("quillmoor-xfile", 0, 0, static_cast<int>(width),
                                 static_cast<int>(height), SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!out->window) return false;
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = width;
  parameters.BackBufferHeight = height;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24X8;
  return SUCCEEDED(out->d3d->CreateDevice(0, D3DDEVTYPE_HAL, SDL_GetWindowID(out->window),
                                          D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                          &out->device));
}

HRESULT LoadModel(const XFileSnapshotOptions& options, const XFileSourceData& source,
                  IDirect3DDevice8* device, XFileModel* model) {
  if (options.source.kind == XFileSourceRequest::Kind::kDisk) {
    model->SetFileName(options.source.path.c_str());
    model->SetFromArchive(false);
  } else {
    model->SetFileName(options.source.entry.c_str());
    model->UseArchive(source.archive, source.password);
  }
  return model->Load(device);
}

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Poses the model in the named set at the given time; false when it has no such set.
bool Pose(XFileModel* model, const XFileSnapshotOptions& options) {
  if (options.set.empty()) return true;
  const int set = model->FindSet(options.set.c_str());
  if (set < 0) return false;
  model->SetAnimState({set, 1000000, 0.0f, model->SetLength(set)});
  model->Advance(options.seconds);
  return true;
}

// Draws one frame and reads it back (which waits for it); *drawMs is the time it took.
HRESULT DrawFrame(IDirect3DDevice8* device, XFileModel* model, std::vector<DWORD>* pixels,
                  UINT* width, UINT* height, double* drawMs) {
  device->SetFrameCapture(TRUE);
  const auto start = Clock::now();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
  device->BeginScene();
  model->Render();
  device->EndScene();
  device->Present(nullptr, nullptr, 0, nullptr);
  const HRESULT hr = device->GetPresentedFrame(pixels, width, height);
  *drawMs = Milliseconds(Clock::now() - start);
  return hr;
}

}  // namespace

int RunXFileSnapshot(const XFileSnapshotOptions& options, std::ostream& out, std::ostream& err) {
  XFileSourceData source;
  if (!OpenXFileSource(options.source, &source, err)) return 1;
  OffscreenDevice gl;
  if (!CreateDevice(options.width, options.height, &gl)) {
    err << "no OpenGL device: " << SDL_GetError() << "\n";
    return 1;
  }
  const auto loadStart = Clock::now();
  XFileModel model;
  HRESULT hr = LoadModel(options, source, gl.device, &model);
  const double loadMs = Milliseconds(Clock::now() - loadStart);
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
    err << source.label << ": cannot load (" << code << ")\n";
    return 1;
  }
  if (!Pose(&model, options)) {
    err << source.label << ": no animation set " << options.set << "\n";
    return 1;
  }
  SetSceneStates(gl.device);
  SetCamera(gl.device, options, model.Radius());
  std::vector<DWORD> pixels;
  UINT width = 0, height = 0;
  double drawMs = 0;
  hr = DrawFrame(gl.device, &model, &pixels, &width, &height, &drawMs);
  if (FAILED(hr) || !WriteFramePng(options.out, pixels, width, height)) {
    err << options.out << ": cannot write the picture\n";
    return 1;
  }
  out << options.out << ": " << width << "x" << height << ", radius " << model.Radius()
      << ", load " << loadMs << " ms, first frame " << drawMs << " ms\n";
  return 0;
}

}  // namespace qm
