// GammaRamp: the brightness ramp the device maps every presented frame through.
//
// The gamma setting is a percentage byte: 100 is the linear ramp, below darkens by
// flattening the ramp, above brightens by lifting its dark end.
#pragma once

#include <cstdint>

#include "d3d/D3D8Types.h"
#include "d3d/DeviceState.h"  // LinearGammaRamp

namespace qm {

D3DGAMMARAMP GammaRampFromSetting(std::uint8_t gamma);

}  // namespace qm
