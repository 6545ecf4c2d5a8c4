// RendererThreads: how many threads Mesa's software rasteriser (llvmpipe) starts, chosen
// before the first OpenGL context so that the driver sees it.
//
// llvmpipe starts one thread per core. Beside them this process moves the scene and records
// the next frame, and at the end of each frame the threads wait in turn for the last tiles
// to be done. One thread more than there are cores keeps every core at the pixels through
// both. Drivers on a graphics card ignore the setting.
#pragma once

namespace qm {

// The number of threads for `cores` usable cores: one more.
int SoftwareRendererThreads(int cores);

// Sets LP_NUM_THREADS for the cores this process may run on, unless the user has set it.
void ChooseSoftwareRendererThreads();

}  // namespace qm
