// Direct3DFactory: which catalogue Direct3DCreate8 hands out.
//
// The saver calls Direct3DCreate8 as it would on Windows. By default that creates the
// OpenGL catalogue; tests install a factory (usually one returning a scripted
// qm::RecordingDirect3D8) so that the application's own calls reach the recording back end.
// Install before the code under test runs and clear it afterwards (nullptr).
#pragma once

#include <functional>

#include "d3d/D3D8.h"

namespace qm {

// Returns a new catalogue with one reference owned by the caller, or null.
using Direct3DFactory = std::function<IDirect3D8*(UINT sdkVersion)>;

// Installs the factory Direct3DCreate8 consults first; nullptr restores the default.
void SetDirect3DFactory(Direct3DFactory factory);
// The installed factory, or an empty function.
const Direct3DFactory& GetDirect3DFactory();

}  // namespace qm
