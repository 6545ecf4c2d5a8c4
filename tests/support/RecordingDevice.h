// RecordingDevice: a device of the recording back end for tests that draw or create
// resources without a display.
//
// CreateRecordingDevice makes a scripted catalogue (one default adapter when the script
// names none) and a device on it with the given back buffer; the catalogue keeps the
// device alive, so the test releases only the catalogue. The call log starts empty.
#pragma once

#include "d3d/RecordingDevice8.h"
#include "d3d/RecordingDirect3D8.h"

namespace qm::testing {

// The usual back buffer of a test device.
inline D3DPRESENT_PARAMETERS TestBackBuffer(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = width;
  parameters.BackBufferHeight = height;
  parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  return parameters;
}

// Null when the device could not be created (the catalogue is made either way).
inline RecordingDevice8* CreateRecordingDevice(RecordingDirect3D8*& direct3D,
                                               Direct3DScript script,
                                               D3DPRESENT_PARAMETERS parameters) {
  if (script.adapters.empty()) script.adapters.push_back(ScriptedAdapter{});
  direct3D = new RecordingDirect3D8(script);
  IDirect3DDevice8* device = nullptr;
  if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, 1, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &parameters, &device)))
    return nullptr;
  device->Release();  // the catalogue keeps the last device alive
  direct3D->Log()->Clear();
  return direct3D->LastDevice();
}

}  // namespace qm::testing
