// D3DNames: the symbolic names of Direct3D state numbers, for readable call records.
//
// The recording back end writes "SetRenderState(D3DRS_ZENABLE, 1)" rather than "(7, 1)",
// so tests and failure messages read like the saver's code. Unknown numbers print as digits.
#pragma once

#include <string>

#include "d3d/D3D8Types.h"

namespace qm {

std::string RenderStateName(DWORD state);
std::string StageStateName(DWORD type);
std::string TransformName(DWORD state);

}  // namespace qm
