// LoadingScreen: the picture shown twice right after the device is created.
//
// A full-screen backdrop with the logo in the bottom-right corner and three small corner
// pictures, drawn into both buffers of the swap chain so the screen is never garbage while
// the scene loads. Also creates the application's screen quad, which the clock overlay
// keeps using; `quadSlot` receives its number.
#pragma once

#include "d3d/D3D8.h"

namespace qm {

HRESULT DrawLoadingScreen(IDirect3DDevice8* device, int& quadSlot, int& frameParity);

}  // namespace qm
